// ludex-manager verify-pack: a pack checked as import would open it, without
// installing anything.
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QtEndian>

#include "cli/Command.h"
#include "cli/PackStaging.h"
#include "facefolder/BatchPlan.h"
#include "facefolder/FaceFolderCheck.h"
#include "facefolder/FileNameCheck.h"
#include "models/BazaZlib.h"
#include "models/TexturePreview.h"

namespace {

struct ModelResult {
    QString path;  // inside the pack, with "/"
    QString kind;  // "face", "hair", or empty when the name says neither
    QStringList problems;
};

// The preview shows what a damaged stream gives, padded with zeros, as the
// add-on may; a pack author wants to know that the payload is not whole.
QString payloadProblem(const QString& file)
{
    QFile in(file);
    if (in.size() > TexturePreview::kMaxModelFileSize) return QStringLiteral("too large for a model file");
    if (!in.open(QIODevice::ReadOnly)) return QStringLiteral("cannot be read: ") + in.errorString();
    const QByteArray bytes = in.readAll();
    if (bytes.size() < 16) return QStringLiteral("too short for a model file");
    const QByteArray codecFile = bytes.mid(12);
    const qint32 stored = qFromLittleEndian<qint32>(codecFile.constData());
    QByteArray payload;
    if (!BazaZlib::Uncompress(codecFile, payload) || stored <= 0 || payload.size() != stored)
        return QStringLiteral("the compressed payload is damaged or cut short (%1 of %2 bytes decode)")
            .arg(payload.size())
            .arg(stored);
    return QString();
}

class VerifyPackCommand : public Cli::Command {
public:
    QString name() const override { return QStringLiteral("verify-pack"); }
    QString description() const override
    {
        return QStringLiteral(
            "Check a face pack before publishing it: every model decodes and previews, names are "
            "safe, split sets are complete.");
    }
    QString arguments() const override { return QStringLiteral("PACK"); }
    QString details() const override
    {
        return QStringLiteral(
            "The pack is opened as an import opens it (split sets by any part, solid RAR 4, packs "
            "inside the pack) in a private folder that is removed afterwards; nothing is "
            "installed. Prints a line per model file and a summary. Exit status 1 when any model "
            "or entry fails, 2 when the pack cannot be read at all.");
    }

    int execute(const Cli::Context& context) override
    {
        if (context.arguments.size() != 1) return context.usage(QStringLiteral("verify-pack: give one pack"));
        const QString pack = QFileInfo(context.arguments.first()).absoluteFilePath();
        if (!QFileInfo(pack).isFile())
            return context.usage(QStringLiteral("The face pack does not exist: %1").arg(context.arguments.first()));

        Cli::PackStaging staging(context.programFolder);
        if (!staging.isValid()) return context.failed(staging.failure());
        const FacePackImport::Report imported = staging.unpack(pack, context.term());
        if (imported.outcome != FacePackImport::Outcome::Imported) {
            const UnRarExtractor::Status s = imported.extraction.status;
            const QString message = imported.message.isEmpty()
                                        ? FacePackImport::failureMessage(pack, imported.extraction)
                                        : imported.message;
            const bool unreadable = s == UnRarExtractor::Status::Missing || s == UnRarExtractor::Status::NotAFile ||
                                    s == UnRarExtractor::Status::Unreadable ||
                                    s == UnRarExtractor::Status::NotAnArchive;
            return unreadable ? context.usage(message) : context.failed(message);
        }

        QStringList models;
        QDirIterator it(staging.archive(), QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (FaceFolderCheck::isModelFile(QFileInfo(file).fileName())) models << file;
        }
        models.sort();

        // The preview writes its scratch files into a private folder, which goes with the staging.
        const QString scratch = staging.scratch();
        BazaZlib codec;
        TexturePreview preview(scratch, codec);
        std::vector<ModelResult> results;
        const std::unique_ptr<ProgressSink> progress =
            context.term().progress(QStringLiteral("Checking the models"), std::max<qint64>(models.size(), 1));
        for (const QString& file : models) {
            ModelResult r;
            r.path = QDir(staging.archive()).relativeFilePath(file);
            for (const QString& part : r.path.split(QLatin1Char('/'))) {
                if (const Result name = FileNameCheck::checkName(part); !name)
                    r.problems << name.message;
                else if (const Result page = FileNameCheck::checkCodePage(part); !page)
                    r.problems << page.message;
            }
            BatchPlan::Part part;
            QString key;
            if (BatchPlan::classify(QFileInfo(file).fileName(), part, key))
                r.kind = part == BatchPlan::Part::Face ? QStringLiteral("face") : QStringLiteral("hair");
            if (const QString why = payloadProblem(file); !why.isEmpty()) r.problems << why;
            const QString working = scratch + QStringLiteral("/Model");
            QFile::remove(working);
            if (!QFile::copy(file, working)) {
                r.problems << QStringLiteral("cannot be copied for the preview");
            } else if (const Result shown =
                           preview.Preview(QStringLiteral("\\Model"), QStringLiteral("\\Model.bmp"),
                                           [](const QString& bitmap) { return QFileInfo(bitmap).size() > 0; });
                       !shown) {
                r.problems << QStringLiteral("the preview failed: ") + shown.message;
            }
            preview.Delete();
            QFile::remove(scratch + QStringLiteral("/Model.bmp"));
            results.push_back(std::move(r));
            progress->setValue(qint64(results.size()));
        }

        int failed = 0;
        for (const ModelResult& r : results) failed += r.problems.isEmpty() ? 0 : 1;
        const QStringList& skipped = imported.extraction.skipped;
        const bool ok = failed == 0 && skipped.isEmpty() && !results.empty();

        if (context.json) {
            QJsonArray list;
            for (const ModelResult& r : results)
                list.append(QJsonObject{
                    {QStringLiteral("path"), r.path},
                    {QStringLiteral("kind"), r.kind.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(r.kind)},
                    {QStringLiteral("ok"), r.problems.isEmpty()},
                    {QStringLiteral("problems"), QJsonArray::fromStringList(r.problems)}});
            context.printJson(QJsonObject{{QStringLiteral("pack"), pack},
                                          {QStringLiteral("parts"), imported.extraction.parts},
                                          {QStringLiteral("models"), list},
                                          {QStringLiteral("failed"), failed},
                                          {QStringLiteral("skippedEntries"), QJsonArray::fromStringList(skipped)},
                                          {QStringLiteral("ok"), ok}});
            return ok ? Cli::Exit::Ok : Cli::Exit::Problems;
        }

        std::vector<QStringList> rows;
        for (const ModelResult& r : results)
            rows.push_back({r.problems.isEmpty() ? QStringLiteral("OK") : QStringLiteral("FAILED"), r.path,
                            r.kind.isEmpty() ? QStringLiteral("(neither face nor hair by its name)") : r.kind,
                            r.problems.join(QStringLiteral("; "))});
        for (const QString& entry : skipped)
            rows.push_back({QStringLiteral("FAILED"), entry, QStringLiteral("(not unpacked)"),
                            QStringLiteral("an unsafe name, a link or a device: import leaves it out")});
        context.term().table(rows);
        context.term().line(
            QStringLiteral("%1: %2 model files, %3 failed; %4 entries left out; read from %5 %6.")
                .arg(QFileInfo(pack).fileName())
                .arg(results.size())
                .arg(failed)
                .arg(skipped.size())
                .arg(imported.extraction.parts)
                .arg(imported.extraction.parts == 1 ? QStringLiteral("part") : QStringLiteral("parts")));
        if (results.empty()) context.term().error(QStringLiteral("The pack holds no model file (*.bin)."));
        return ok ? Cli::Exit::Ok : Cli::Exit::Problems;
    }
};

}  // namespace

LUDEX_COMMAND("verify-pack", VerifyPackCommand)
