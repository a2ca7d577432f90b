// ludex-manager install: a batch install as "Install from Archive..." makes
// it, from packs and model files, or one player's face and hair.
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "cli/Command.h"
#include "cli/EditFile.h"
#include "cli/PackStaging.h"
#include "facefolder/BatchPlan.h"
#include "facefolder/FileNameCheck.h"
#include "facefolder/Installer.h"
#include "facefolder/MapFile.h"
#include "models/TexturePreview.h"

namespace {

class InstallCommand : public Cli::Command {
public:
    QString name() const override { return QStringLiteral("install"); }
    QString description() const override
    {
        return QStringLiteral(
            "Install face packs and model files into the face folder, matched to players as "
            "Install from Archive does, or one player's face and hair (--player).");
    }
    QString arguments() const override { return QStringLiteral("PACK-OR-MODEL..."); }
    QString details() const override
    {
        return QStringLiteral(
            "Packs (RAR, ZIP, 7z, split sets by any part, packs inside packs) are unpacked into a private folder "
            "that is removed afterwards; the window's archive is not touched. Face and hair files are matched to "
            "the players of the edit file by the identifier or the name in their file names. Rows with a "
            "conflict (the player has a line in map.txt already, two rows for one player or file) are skipped "
            "unless --replace is given. Everything is installed as one: all of it, or nothing. Exit status 0 "
            "when every row was installed, 1 when a row was skipped or the install failed, 2 for an input that "
            "cannot be read.");
    }
    QList<QCommandLineOption> options() const override { return {dryRun_, replace_, keepTeams_, player_, teamFolder_}; }

    int execute(const Cli::Context& context) override
    {
        if (context.arguments.isEmpty())
            return context.usage(QStringLiteral("install: give the face packs or model files to install"));
        for (const QString& argument : context.arguments)
            if (!QFileInfo::exists(argument))
                return context.usage(QStringLiteral("The file does not exist: %1").arg(argument));
        if (context.isSet(teamFolder_) && !context.isSet(player_))
            return context.usage(
                QStringLiteral("install: --team-folder goes with --player; a pack's own team "
                               "folders are kept with --keep-team-folders"));
        QString why;
        if (!context.requireFaceFolder(&why)) return context.usage(why);
        std::vector<BatchPlan::Player> players;
        if (!Cli::loadPlayers(context, players, &why)) return context.usage(why);
        const bool dryRun = context.isSet(dryRun_);
        if (!dryRun) context.recover();

        MapFile::Document map;
        if (const Result read = MapFile::read(Installer::mapFilePath(context.faceFolder), map); !read)
            return context.usage(read.message);

        Cli::PackStaging staging(context.programFolder);
        BatchPlan::Plan plan;
        if (context.isSet(player_)) {
            if (const int code = planOnePlayer(context, players, map, plan); code != Cli::Exit::Ok) return code;
        } else {
            if (!staging.isValid()) return context.failed(staging.failure());
            if (const int code = gather(context, staging); code != Cli::Exit::Ok) return code;
            BatchPlan::Settings settings;
            settings.folder = settings.archiveFolder = staging.archive();
            settings.faceFolder = context.faceFolder;
            settings.journalFolder = context.programFolder;
            settings.keepTeamFolders = context.isSet(keepTeams_);
            plan = BatchPlan::plan(settings, players, map);
            if (!plan.status) return context.failed(plan.status.message);
        }
        if (context.isSet(replace_)) BatchPlan::tickConflicting(plan);

        const std::vector<Installer::Request> requests = BatchPlan::tickedRequests(plan);
        const int skipped = int(plan.rows.size() - requests.size());
        Result installed;
        if (!dryRun && !requests.empty()) {
            const std::unique_ptr<ProgressSink> progress =
                context.term().progress(QStringLiteral("Installing %1 players").arg(requests.size()),
                                        std::max<qint64>(Installer::bytesToCopy(requests), 1));
            installed = Installer::install(requests, {.keepForUndo = true, .progress = progress.get()});
        }
        show(context, plan, dryRun, !dryRun && !requests.empty() && installed.ok, installed);

        if (plan.rows.empty())
            return context.failed(QStringLiteral("Nothing to install: no face or hair file was found (files that are "
                                                 "no face or hair: %1).")
                                      .arg(plan.ignored));
        if (!installed) return context.failed(installed.message);
        if (requests.empty())
            return context.failed(QStringLiteral("Nothing %1 installed: every row has a conflict or a problem "
                                                 "(--replace installs the rows with conflicts).")
                                      .arg(dryRun ? QStringLiteral("would be") : QStringLiteral("was")));
        if (!dryRun)
            context.term().error(requests.size() == 1
                                     ? QStringLiteral("Import Ready: 1 player was installed. ludex-manager undo "
                                                      "takes it back.")
                                     : QStringLiteral("Import Ready: %1 players were installed. ludex-manager undo "
                                                      "takes them back.")
                                           .arg(requests.size()));
        return skipped > 0 ? Cli::Exit::Problems : Cli::Exit::Ok;
    }

private:
    // Every argument into the private archive: packs unpacked, model files
    // and folders copied.
    int gather(const Cli::Context& context, const Cli::PackStaging& staging) const
    {
        for (const QString& argument : context.arguments) {
            const QFileInfo info(argument);
            if (info.isDir() || TexturePreview::looksLikeModelFile(argument)) {
                if (const Result added = staging.add(info.absoluteFilePath()); !added)
                    return context.failed(added.message);
                continue;
            }
            const FacePackImport::Report imported = staging.unpack(info.absoluteFilePath(), context.term());
            if (imported.outcome != FacePackImport::Outcome::Imported) {
                const UnRarExtractor::Status s = imported.extraction.status;
                const bool unreadable = s == UnRarExtractor::Status::Missing || s == UnRarExtractor::Status::NotAFile ||
                                        s == UnRarExtractor::Status::Unreadable ||
                                        s == UnRarExtractor::Status::NotAnArchive;
                const QString message = imported.message.isEmpty()
                                            ? FacePackImport::failureMessage(argument, imported.extraction)
                                            : imported.message;
                return unreadable ? context.usage(message) : context.failed(message);
            }
            if (!imported.message.isEmpty() && !imported.extraction.skipped.isEmpty())
                context.term().error(imported.message);
        }
        return Cli::Exit::Ok;
    }

    // One row for --player ID FACE [HAIR], composed as Create composes its line.
    int planOnePlayer(const Cli::Context& context, const std::vector<BatchPlan::Player>& players,
                      const MapFile::Document& map, BatchPlan::Plan& plan) const
    {
        bool isId = false;
        const qint32 id = context.value(player_).toInt(&isId);
        if (!isId)
            return context.usage(
                QStringLiteral("install: '%1' is not a player identifier").arg(context.value(player_)));
        const auto p =
            std::find_if(players.cbegin(), players.cend(), [id](const BatchPlan::Player& x) { return x.id == id; });
        if (p == players.cend())
            return context.usage(QStringLiteral("No player of the edit file has the identifier %1").arg(id));
        if (context.arguments.size() > 2)
            return context.usage(QStringLiteral("install --player: give one face file and one hair file at most"));
        QStringList files;
        for (const QString& argument : context.arguments) {
            if (!TexturePreview::looksLikeModelFile(argument))
                return context.usage(QStringLiteral("Not a face or hair model file: %1").arg(argument));
            files << QFileInfo(argument).absoluteFilePath();
        }
        // A file is a face or a hair by its name; two whose names do not tell
        // them apart are the face, then the hair.
        std::vector<BatchPlan::Part> parts;
        for (const QString& file : files) {
            BatchPlan::Part part = BatchPlan::Part::Face;
            QString key;
            if (!BatchPlan::classify(QFileInfo(file).fileName(), part, key)) part = BatchPlan::Part::Face;
            parts.push_back(part);
        }
        if (parts.size() == 2 && parts[0] == parts[1]) parts = {BatchPlan::Part::Face, BatchPlan::Part::Hair};
        QString face, hair;
        for (size_t i = 0; i < parts.size(); ++i)
            (parts[i] == BatchPlan::Part::Face ? face : hair) = files[qsizetype(i)];

        BatchPlan::Row row;
        row.matched = true;
        row.id = id;
        row.player = p->name;
        row.faceEntry = face;
        row.hairEntry = hair;
        row.teamFolder = context.value(teamFolder_);
        Installer::Request& r = row.request;
        const QString base = p->name.isEmpty() ? QString::number(id) : p->name;
        r.faceFolder = context.faceFolder;
        r.intoTeamFolder = !row.teamFolder.isEmpty();
        r.teamFolder = row.teamFolder;
        r.baseName = base;
        r.content = face.isEmpty()   ? MapLine::Content::OnlyHair
                    : hair.isEmpty() ? MapLine::Content::OnlyFace
                                     : MapLine::Content::FaceAndHair;
        r.line = MapLine::compose(QString::number(id),
                                  r.intoTeamFolder ? MapLine::folderNamePart(r.teamFolder, base) : base, r.content);
        r.workingFace = face;
        r.workingHair = hair;
        r.journalFolder = context.programFolder;
        if (const Result checked = Installer::check(r); !checked) {
            row.blocked = true;
            row.problems << checked.message;
        }
        QStringList numbers;
        for (size_t i = 0; i < map.lines.size(); ++i)
            if (map.lines[i].isEntry() && map.lines[i].id == id) numbers << QString::number(i + 1);
        if (!numbers.isEmpty())
            row.problems << QStringLiteral("the player has a line in map.txt already (%1)").arg(numbers.join(", "));
        row.ticked = row.problems.isEmpty();
        plan.rows.push_back(std::move(row));
        return Cli::Exit::Ok;
    }

    void show(const Cli::Context& context, const BatchPlan::Plan& plan, bool dryRun, bool done,
              const Result& installed) const
    {
        const auto into = [](const BatchPlan::Row& row) {
            return row.teamFolder.isEmpty() ? QStringLiteral("(face folder)") : row.teamFolder;
        };
        if (context.json) {
            QJsonArray rows;
            int n = 0;
            for (const BatchPlan::Row& row : plan.rows) {
                QJsonObject o{{QStringLiteral("row"), ++n},
                              {QStringLiteral("install"), row.ticked && !row.blocked},
                              {QStringLiteral("matched"), row.matched},
                              {QStringLiteral("face"), row.faceEntry},
                              {QStringLiteral("hair"), row.hairEntry},
                              {QStringLiteral("problems"), QJsonArray::fromStringList(row.problems)},
                              {QStringLiteral("blocked"), row.blocked}};
                o.insert(QStringLiteral("id"), row.matched ? QJsonValue(row.id) : QJsonValue(QJsonValue::Null));
                o.insert(QStringLiteral("player"), row.matched ? QJsonValue(row.player) : QJsonValue(QJsonValue::Null));
                o.insert(QStringLiteral("into"), row.matched ? QJsonValue(into(row)) : QJsonValue(QJsonValue::Null));
                o.insert(QStringLiteral("line"),
                         row.matched ? QJsonValue(row.request.line) : QJsonValue(QJsonValue::Null));
                rows.append(o);
            }
            QJsonObject doc{{QStringLiteral("dryRun"), dryRun},
                            {QStringLiteral("faceFolder"), context.faceFolder},
                            {QStringLiteral("rows"), rows},
                            {QStringLiteral("ignoredFiles"), plan.ignored},
                            {QStringLiteral("installed"), done}};
            if (!installed) doc.insert(QStringLiteral("error"), installed.message);
            context.printJson(doc);
            return;
        }
        std::vector<QStringList> rows{{QStringLiteral("ROW"), QStringLiteral("ACTION"), QStringLiteral("ID"),
                                       QStringLiteral("PLAYER"), QStringLiteral("FACE"), QStringLiteral("HAIR"),
                                       QStringLiteral("INTO"), QStringLiteral("LINE"), QStringLiteral("CONFLICTS")}};
        int n = 0;
        int ticked = 0;
        for (const BatchPlan::Row& row : plan.rows) {
            const bool in = row.ticked && !row.blocked;
            ticked += in ? 1 : 0;
            rows.push_back({QString::number(++n), in ? QStringLiteral("install") : QStringLiteral("skip"),
                            row.matched ? QString::number(row.id) : QString(), row.matched ? row.player : QString(),
                            QDir::fromNativeSeparators(row.faceEntry), QDir::fromNativeSeparators(row.hairEntry),
                            row.matched ? into(row) : QString(), row.matched ? row.request.line : QString(),
                            row.problems.join(QStringLiteral("; "))});
        }
        if (dryRun) context.term().line(QStringLiteral("Dry run, nothing is written. The install would be:"));
        if (!plan.rows.empty()) context.term().table(rows);
        context.term().line(QStringLiteral("%1 players found, %2 %3, %4 skipped. Files that are no face or hair: %5.")
                                .arg(plan.rows.size())
                                .arg(ticked)
                                .arg(dryRun ? QStringLiteral("to install")
                                     : done ? QStringLiteral("installed")
                                            : QStringLiteral("not installed"))
                                .arg(int(plan.rows.size()) - ticked)
                                .arg(plan.ignored));
    }

    const QCommandLineOption dryRun_{QStringLiteral("dry-run"), QStringLiteral("Print the plan; write nothing.")};
    const QCommandLineOption replace_{QStringLiteral("replace"),
                                      QStringLiteral("Install the rows with conflicts too (a player who has a line "
                                                     "already gets another one after it, as ticking the row in the "
                                                     "window does).")};
    const QCommandLineOption keepTeams_{QStringLiteral("keep-team-folders"),
                                        QStringLiteral("Install each player into the face folder's team folder "
                                                       "named like the pack's folder that holds the files.")};
    const QCommandLineOption player_{QStringLiteral("player"),
                                     QStringLiteral("Install the one face file and/or hair file given for this "
                                                    "player, as Create does."),
                                     QStringLiteral("ID")};
    const QCommandLineOption teamFolder_{QStringLiteral("team-folder"),
                                         QStringLiteral("With --player: into this team folder of the face folder."),
                                         QStringLiteral("NAME")};
};

}  // namespace

LUDEX_COMMAND("install", InstallCommand)
