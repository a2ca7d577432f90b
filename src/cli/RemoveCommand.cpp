// ludex-manager remove ID...: the manager's removal of entries (lines and files).
#include <QSet>

#include "cli/Command.h"
#include "cli/FaceFolderView.h"
#include "facefolder/MapRemoval.h"

namespace {

class RemoveCommand : public Cli::Command {
public:
    QString name() const override { return QStringLiteral("remove"); }
    QString description() const override
    {
        return QStringLiteral("Remove players' entries: their lines leave map.txt and their model files go.");
    }
    QString arguments() const override { return QStringLiteral("ID..."); }
    QString details() const override
    {
        return QStringLiteral(
            "A file that a remaining line still names stays. The previous map.txt is kept as "
            "map.txt.bak. Exit status 1 when an identifier has no line (the others are removed) "
            "or the removal failed (then nothing changed).");
    }
    QList<QCommandLineOption> options() const override { return {dryRun_}; }
    int execute(const Cli::Context& context) override
    {
        if (context.arguments.isEmpty()) return context.usage(QStringLiteral("remove: name the identifiers to remove"));
        QList<qint32> ids;
        for (const QString& argument : context.arguments) {
            bool ok = false;
            const qint32 id = argument.toInt(&ok);
            if (!ok) return context.usage(QStringLiteral("remove: '%1' is not a player identifier").arg(argument));
            ids << id;
        }
        if (QString why; !context.requireFaceFolder(&why)) return context.usage(why);
        if (!context.isSet(dryRun_)) context.recover();
        Cli::FaceFolderView view;
        if (QString why; !view.read(context, &why)) return context.usage(why);

        const QSet<qint32> wanted(ids.cbegin(), ids.cend());
        QSet<qint32> found;
        std::vector<int> lines;
        for (size_t i = 0; i < view.doc.lines.size(); ++i) {
            const MapFile::Line& l = view.doc.lines[i];
            if (l.isEntry() && wanted.contains(l.id)) {
                lines.push_back(int(i));
                found.insert(l.id);
            }
        }
        int code = Cli::Exit::Ok;
        for (qint32 id : ids)
            if (!found.contains(id)) {
                context.term().error(QStringLiteral("No line of map.txt has the identifier %1.").arg(id));
                code = Cli::Exit::Problems;
            }
        if (lines.empty()) return Cli::Exit::Problems;

        const MapRemoval::Plan plan = MapRemoval::plan(view.doc, view.listing, view.report, lines);
        const QString what = Cli::withoutQuestion(plan.confirmation());
        if (context.isSet(dryRun_)) {
            context.term().line(QStringLiteral("Dry run, nothing is changed. The removal would:"));
            context.term().line(what);
            return code;
        }
        if (const Result removed = MapRemoval::apply(plan, context.programFolder); !removed)
            return context.failed(removed.message);
        context.term().line(what);
        context.term().line(QStringLiteral("Removed."));
        return code;
    }

private:
    const QCommandLineOption dryRun_{QStringLiteral("dry-run"), QStringLiteral("Say what would go; change nothing.")};
};

}  // namespace

LUDEX_COMMAND("remove", RemoveCommand)
