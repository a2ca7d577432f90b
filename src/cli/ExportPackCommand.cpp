// ludex-manager export-pack: chosen entries of the face folder as a face pack.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "archive/PackExport.h"
#include "cli/Command.h"

namespace {

class ExportPackCommand : public Cli::Command {
public:
    QString name() const override { return QStringLiteral("export-pack"); }
    QString description() const override
    {
        return QStringLiteral("Write chosen entries of the face folder as a face pack (a ZIP).");
    }
    QString arguments() const override { return QStringLiteral("OUT.zip"); }
    QString details() const override
    {
        return QStringLiteral(
            "The pack holds the models in the team folders they are installed in, under the names map.txt "
            "gives them, a map.txt of exactly those lines and a readme.txt; Install from Archive and the "
            "install command install it back with its own identifiers and team folders. Choose with --all, "
            "--player ID and --team FOLDER (together). Entries with a problem are left out and named "
            "before anything is written. Exit status 1 when any was left out or the pack could not be "
            "written.");
    }
    QList<QCommandLineOption> options() const override { return {all_, player_, team_, deflate_}; }

    int execute(const Cli::Context& context) override
    {
        if (context.arguments.size() != 1) return context.usage(QStringLiteral("export-pack: give one OUT.zip"));
        const QString out = QDir::cleanPath(QFileInfo(context.arguments.first()).absoluteFilePath());
        if (QFileInfo(out).isDir()) return context.usage(QStringLiteral("export-pack: %1 is a folder").arg(out));
        if (!QFileInfo(QFileInfo(out).absolutePath()).isDir())
            return context.usage(QStringLiteral("export-pack: the folder of %1 does not exist").arg(out));

        PackExport::Selection selection;
        selection.all = context.isSet(all_);
        for (const QString& id : context.values(player_)) {
            bool ok = false;
            const qint32 value = id.toInt(&ok);
            if (!ok) return context.usage(QStringLiteral("export-pack: '%1' is not a player identifier").arg(id));
            selection.ids << value;
        }
        selection.teamFolders = context.values(team_);
        if (!selection.all && selection.ids.isEmpty() && selection.teamFolders.isEmpty())
            return context.usage(QStringLiteral("export-pack: choose what goes in with --all, --player or --team"));
        QString why;
        if (!context.requireFaceFolder(&why)) return context.usage(why);
        context.recover();

        const PackExport::Plan plan = PackExport::plan(context.faceFolder, selection);
        if (!plan.status) return context.usage(plan.status.message);
        for (const PackExport::Skipped& s : plan.skipped)
            context.term().error(QStringLiteral("left out: ") + s.describe());
        if (plan.entries.empty()) return context.failed(QStringLiteral("Nothing can be exported."));

        Result written;
        {
            const std::unique_ptr<ProgressSink> progress =
                context.term().progress(QStringLiteral("Exporting %1 players").arg(plan.entries.size()), plan.bytes);
            written = PackExport::write(plan, out,
                                        {.journalFolder = context.programFolder,
                                         .deflateModels = context.isSet(deflate_),
                                         .progress = progress.get(),
                                         .programVersion = QCoreApplication::applicationVersion()});
        }
        if (!written) return context.failed(written.message);

        if (context.json) {
            QJsonArray skipped;
            for (const PackExport::Skipped& s : plan.skipped)
                skipped.append(QJsonObject{{QStringLiteral("line"), s.line < 0 ? QJsonValue() : QJsonValue(s.line + 1)},
                                           {QStringLiteral("what"), s.what},
                                           {QStringLiteral("why"), s.why}});
            context.printJson(QJsonObject{{QStringLiteral("pack"), out},
                                          {QStringLiteral("entries"), int(plan.entries.size())},
                                          {QStringLiteral("files"), plan.files},
                                          {QStringLiteral("skipped"), skipped}});
        } else {
            context.term().line(QStringLiteral("%1 players (%2 model files) exported to %3")
                                    .arg(plan.entries.size())
                                    .arg(plan.files)
                                    .arg(QDir::toNativeSeparators(out)));
        }
        return plan.skipped.empty() ? Cli::Exit::Ok : Cli::Exit::Problems;
    }

private:
    const QCommandLineOption all_{QStringLiteral("all"), QStringLiteral("Every entry of the face folder.")};
    const QCommandLineOption player_{QStringLiteral("player"), QStringLiteral("The entry of this player."),
                                     QStringLiteral("ID")};
    const QCommandLineOption team_{QStringLiteral("team"),
                                   QStringLiteral("Every entry whose files lie in this team folder."),
                                   QStringLiteral("FOLDER")};
    const QCommandLineOption deflate_{QStringLiteral("deflate"),
                                      QStringLiteral("Compress the models too (they are zlib data already).")};
};

}  // namespace

LUDEX_COMMAND("export-pack", ExportPackCommand)
