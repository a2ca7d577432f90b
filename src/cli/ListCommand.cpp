// ludex-manager list: every line of map.txt with its player, files and state.
#include <QDir>
#include <QHash>

#include "cli/Command.h"
#include "cli/EditFile.h"
#include "cli/FaceFolderView.h"
#include "cli/JsonWriter.h"

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
        return QStringLiteral(
            "The player's name comes from the edit file (\"not in the edit file\" when it has "
            "no such player). Exit status 2 when the face folder cannot be read.");
    }

    int execute(const Cli::Context& context) override
    {
        if (QString why; !context.requireFaceFolder(&why)) return context.usage(why);
        context.recover();
        Cli::FaceFolderView view;
        if (QString why; !view.read(context, &why)) return context.usage(why);

        // Names are shown when there is an edit file; one given that cannot be
        // read is an error. Only the names of players in map.txt are decoded.
        bool named = false;
        Baza baza;
        QHash<qint32, int> records;
        if (!context.editFile.isEmpty()) {
            QString why;
            if (Cli::loadPlayerTable(context, baza, &why)) {
                named = true;
                records.reserve(baza.Count());
                for (int i = baza.Count() - 1; i >= 0; --i) records.insert(baza.Get_ID(i), i);  // the first one wins
            } else if (context.editFileGiven) {
                return context.usage(why);
            } else {
                context.term().error(why);
            }
        }
        const QString notThere = QStringLiteral("not in the edit file");
        const auto player = [&](qint32 id) {
            const int record = records.value(id, -1);
            return record < 0 ? notThere : baza.Get_Nazwa(record);
        };

        const MapFile::Document& doc = view.doc;
        if (context.json) {
            Cli::JsonWriter json;
            json.beginObject().value("faceFolder", context.faceFolder).value("mapFile", view.mapPath);
            if (named)
                json.value("editFile", context.editFile);
            else
                json.null("editFile");
            json.value("lines", qint64(doc.lines.size())).beginArray("entries");
            for (size_t i = 0; i < doc.lines.size(); ++i) {
                const MapFile::Line& l = doc.lines[i];
                const bool problem = view.report.lines[i].flags != 0;
                if (l.kind == MapFile::Kind::Blank && !problem) continue;
                json.beginObject().value("line", qint64(i) + 1);
                if (l.isEntry()) {
                    json.value("id", qint64(l.id));
                    if (named)
                        json.value("player", player(l.id));
                    else
                        json.null("player");
                    json.value("face", l.face).value("hair", l.hair);
                } else {
                    json.null("id").null("player").null("face").null("hair").value("text", doc.text(l));
                }
                json.value("state", FaceFolderCheck::describe(doc, view.report, int(i)))
                    .value("problem", problem)
                    .endObject();
            }
            context.term().raw(json.endArray().endObject().finish());
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
                rows.push_back({QString::number(i + 1), QString::number(l.id), named ? player(l.id) : QString(), l.face,
                                l.hair, state});
            else
                rows.push_back({QString::number(i + 1), QString(), QString(), doc.text(l, 60), QString(), state});
        }
        context.term().table(rows);
        return Cli::Exit::Ok;
    }
};

}  // namespace

LUDEX_COMMAND("list", ListCommand)
