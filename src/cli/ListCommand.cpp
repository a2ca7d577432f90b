// ludex-manager list: every line of map.txt with its player, files and state.
#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

#include "cli/Command.h"
#include "cli/EditFile.h"
#include "cli/FaceFolderView.h"

namespace {

class ListCommand : public Cli::Command {
public:
    QString name() const override { return QStringLiteral("list"); }
    QString description() const override
    {
        return QStringLiteral("List every entry of map.txt: line, id, player, face file, hair file, state.");
    }
    QString details() const override
    {
        return QStringLiteral("The player's name comes from the edit file (\"not in the edit file\" when it has "
                              "no such player). Exit status 2 when the face folder cannot be read.");
    }

    int execute(const Cli::Context& context) override
    {
        if (QString why; !context.requireFaceFolder(&why)) return context.usage(why);
        context.recover();
        Cli::FaceFolderView view;
        if (QString why; !view.read(context, &why)) return context.usage(why);

        // Names are shown when there is an edit file; one given that cannot be read is an error.
        bool named = false;
        QHash<qint32, QString> players;
        if (!context.editFile.isEmpty()) {
            std::vector<BatchPlan::Player> list;
            QString why;
            if (Cli::loadPlayers(context, list, &why)) {
                named = true;
                players.reserve(qsizetype(list.size()));
                for (const BatchPlan::Player& p : list)
                    if (!players.contains(p.id)) players.insert(p.id, p.name);
            } else if (context.editFileGiven) {
                return context.usage(why);
            } else {
                context.term().error(why);
            }
        }
        const QString notThere = QStringLiteral("not in the edit file");

        const MapFile::Document& doc = view.doc;
        if (context.json) {
            QJsonArray entries;
            for (size_t i = 0; i < doc.lines.size(); ++i) {
                const MapFile::Line& l = doc.lines[i];
                const bool problem = view.report.lines[i].flags != 0;
                if (l.kind == MapFile::Kind::Blank && !problem) continue;
                QJsonObject entry{{QStringLiteral("line"), int(i) + 1},
                                  {QStringLiteral("state"), FaceFolderCheck::describe(doc, view.report, int(i))},
                                  {QStringLiteral("problem"), problem}};
                if (l.isEntry()) {
                    entry.insert(QStringLiteral("id"), l.id);
                    entry.insert(QStringLiteral("player"), named ? QJsonValue(players.value(l.id, notThere))
                                                                 : QJsonValue(QJsonValue::Null));
                    entry.insert(QStringLiteral("face"), l.face);
                    entry.insert(QStringLiteral("hair"), l.hair);
                } else {
                    entry.insert(QStringLiteral("id"), QJsonValue(QJsonValue::Null));
                    entry.insert(QStringLiteral("player"), QJsonValue(QJsonValue::Null));
                    entry.insert(QStringLiteral("face"), QJsonValue(QJsonValue::Null));
                    entry.insert(QStringLiteral("hair"), QJsonValue(QJsonValue::Null));
                    entry.insert(QStringLiteral("text"), doc.text(l));
                }
                entries.append(entry);
            }
            context.printJson(QJsonObject{{QStringLiteral("faceFolder"), context.faceFolder},
                                          {QStringLiteral("mapFile"), view.mapPath},
                                          {QStringLiteral("editFile"), named ? QJsonValue(context.editFile)
                                                                             : QJsonValue(QJsonValue::Null)},
                                          {QStringLiteral("lines"), qint64(doc.lines.size())},
                                          {QStringLiteral("entries"), entries}});
            return Cli::Exit::Ok;
        }

        std::vector<QStringList> rows{{QStringLiteral("LINE"), QStringLiteral("ID"), QStringLiteral("PLAYER"),
                                       QStringLiteral("FACE"), QStringLiteral("HAIR"), QStringLiteral("STATE")}};
        rows.reserve(doc.lines.size() + 1);
        for (size_t i = 0; i < doc.lines.size(); ++i) {
            const MapFile::Line& l = doc.lines[i];
            const bool problem = view.report.lines[i].flags != 0;
            if (l.kind == MapFile::Kind::Blank && !problem) continue;
            const QString state = FaceFolderCheck::describe(doc, view.report, int(i));
            if (l.isEntry())
                rows.push_back({QString::number(i + 1), QString::number(l.id),
                                named ? players.value(l.id, notThere) : QString(), l.face, l.hair, state});
            else
                rows.push_back({QString::number(i + 1), QString(), QString(), doc.text(l, 60), QString(), state});
        }
        context.term().table(rows);
        return Cli::Exit::Ok;
    }
};

}  // namespace

LUDEX_COMMAND("list", ListCommand)
