#include "archive/FacePackImport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "archive/NestedPacks.h"
#include "platform/FileOps.h"
#include "platform/FileSystemObject.h"
#include "platform/FileTransaction.h"
#include "platform/ProcessOwner.h"
#include "platform/Progress.h"

namespace {

using Status = UnRarExtractor::Status;

// Entries of a folder: files first, then folders, each sorted by name, links
// included as themselves.
QFileInfoList entriesOf(const QString& folder, QDir::Filters kind)
{
    return QDir(folder).entryInfoList(kind | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

// Plans the merge of one staged folder into its archive folder: files
// replace files, a folder the archive lacks moves over whole, a folder it has
// is merged in turn.
void planMerge(FileTransaction& t, const QString& from, const QString& to, int* moved)
{
    for (const QFileInfo& f : entriesOf(from, QDir::Files)) {
        t.place(f.absoluteFilePath(), to + '/' + f.fileName(), FileTransaction::How::Move);
        ++*moved;
    }
    for (const QFileInfo& d : entriesOf(from, QDir::Dirs)) {
        const QString target = to + '/' + d.fileName();
        const QFileInfo there(target);
        if (there.exists() || there.isSymLink()) {
            planMerge(t, d.absoluteFilePath(), target, moved);
            continue;
        }
        t.place(d.absoluteFilePath(), target, FileTransaction::How::Move);
        QDirIterator it(d.absoluteFilePath(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            ++*moved;
        }
    }
}

const QString kStagingPrefix = QStringLiteral(".facepack-");
const QString kTempStagingPrefix = QStringLiteral("ludex-facepack-");

Result checkFolder(const QString& from, const QString& to, const QString& shown)
{
    const QFileInfo target(to);
    if (target.isSymLink()) return Result::failure(QStringLiteral("\"%1\" in the archive is a link").arg(shown));
    if (!target.isDir())
        return Result::failure(
            QStringLiteral("\"%1\" in the archive is a file, the pack has a folder there").arg(shown));
    if (FileSystemObject::isReadOnly(target.filePath()))
        return Result::failure(QStringLiteral("the folder \"%1\" in the archive is read-only").arg(shown));
    for (const QFileInfo& f : entriesOf(from, QDir::Files | QDir::Dirs)) {
        const QString name = shown.isEmpty() ? f.fileName() : shown + '/' + f.fileName();
        const QString there = to + '/' + f.fileName();
        const QFileInfo t(there);
        if (!t.exists() && !t.isSymLink()) continue;
        if (f.isDir()) {
            if (Result r = checkFolder(f.absoluteFilePath(), there, name); !r) return r;
        } else if (t.isSymLink()) {
            return Result::failure(QStringLiteral("\"%1\" in the archive is a link").arg(name));
        } else if (t.isDir()) {
            return Result::failure(
                QStringLiteral("\"%1\" in the archive is a folder, the pack has a file there").arg(name));
        } else if (FileSystemObject::isReadOnly(t.filePath())) {
            return Result::failure(QStringLiteral("\"%1\" in the archive is read-only").arg(name));
        }
    }
    return Result::success();
}

}  // namespace

FacePackImport::FacePackImport(const UnRarExtractor& extractor, const QString& archiveFolder,
                               const QString& stagingParent)
    : extractor_(extractor), archiveFolder_(QDir::cleanPath(archiveFolder)), stagingParent_(stagingParent)
{}

Result FacePackImport::mergeConflict(const QString& staging, const QString& archive)
{
    const QFileInfo target(archive);
    if (FileOps::isLink(target))
        return Result::failure(QStringLiteral("the archive folder %1 is a link").arg(FileOps::shown(archive)));
    if (!target.exists()) return Result::success();
    if (!target.isDir()) return Result::failure(QStringLiteral("the archive folder is a file"));
    if (FileSystemObject::isReadOnly(target.filePath()))
        return Result::failure(QStringLiteral("the archive folder is read-only"));
    return checkFolder(staging, archive, QString());
}

Result FacePackImport::merge(const QString& staging, const QString& archive, const QString& journalFolder, int* moved,
                             bool* unfinished)
{
    // The archive is the program's own copy of packs the user still has:
    // a kill or a failure is covered, a power cut is not worth a sync per file.
    FileTransaction transaction(journalFolder, false);
    int count = 0;
    planMerge(transaction, staging, archive, &count);
    const Result r = transaction.commit();
    if (moved) *moved = r ? count : 0;
    if (unfinished) *unfinished = transaction.leftUnfinished();
    return r;
}

int FacePackImport::removeStaleStaging(const QString& folder)
{
    return ProcessOwner::removeAbandoned(folder, kStagingPrefix) +
           ProcessOwner::removeAbandoned(QDir::tempPath(), kTempStagingPrefix);
}

QString FacePackImport::failureMessage(const QString& packPath, const UnRarExtractor::Report& x)
{
    static const char* const kinds =
        "This program unpacks RAR packs (solid ones and packs split into parts too), and ZIP and 7z packs (also "
        "when split into .001, .002... parts).";
    // What happened ("%1" the pack, "%2" the reader's own words where they help) and what to do.
    struct Words {
        Status status;
        const char* what;
        const char* todo;
    };
    static const Words words[] = {
        {Status::Missing, "The face pack \"%1\" no longer exists.", "Choose the pack again."},
        {Status::NotAFile, "\"%1\" is not a face pack file%2.", "Choose the pack's own file."},
        {Status::Unreadable, "The face pack \"%1\" cannot be read%2.",
         "Check that you may read the file and that no other program holds it, then import it again."},
        {Status::NotAnArchive, "\"%1\" is not a face pack that this program can unpack.", kinds},
        {Status::PartMissing, "The face pack \"%1\" is split into parts, and %3 is missing.",
         "Put all the parts of the pack in one folder, then import it again."},
        {Status::Damaged, "The face pack \"%1\" is damaged or incomplete and could not be unpacked%2.",
         "Download the pack again, or repair it with your archiver, and import it again."},
        {Status::Encrypted, "The face pack \"%1\" is protected by a password, which this program cannot unpack.",
         "Unpack it with your archiver, pack the files again without a password, and import that pack."},
        {Status::Unsupported, "The face pack \"%1\" uses a kind of archive that this program cannot unpack%2.",
         "Unpack it with your archiver, pack the files again as one RAR or ZIP archive, and import that pack."},
        {Status::Empty, "The face pack \"%1\" holds nothing to import: no file came out of it%2.",
         "A download that failed leaves such a file: download the pack again."},
        {Status::TooManyEntries,
         "The face pack \"%1\" holds more entries than any face pack does%2; it is probably damaged.",
         "Download the pack again."},
        {Status::TooLarge,
         "The face pack \"%1\" unpacks to more data than any face pack does%2; it is probably damaged.",
         "Download the pack again."},
        {Status::DiskFull, "The face pack \"%1\" does not fit on the disk of the program folder.",
         "Free some disk space, then import the pack again."},
        {Status::WriteFailed, "The face pack \"%1\" could not be unpacked%2.",
         "Check that the program folder can be written and has free space, then import the pack again."},
    };
    const QString pack = QFileInfo(packPath).fileName();
    QString detail = x.errorText.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(x.errorText);
    // A failure about one part of a split pack names the part.
    QString part;
    if (x.partNumber > 0) {
        part = x.partCount > 0 ? QStringLiteral("part %1 of %2").arg(x.partNumber).arg(x.partCount)
                               : QStringLiteral("part %1").arg(x.partNumber);
        if (!x.partName.isEmpty()) part += QStringLiteral(" (\"%1\")").arg(x.partName);
        if (x.status != Status::PartMissing) detail = QStringLiteral(": %1%2").arg(part, detail);
    }
    for (const Words& w : words) {
        if (w.status != x.status) continue;
        // One pass, so that a name holding "%2" stays as it is.
        QString what;
        for (const char* c = w.what; *c; ++c) {
            if (c[0] == '%' && c[1] >= '1' && c[1] <= '3')
                what += (++c)[0] == '1' ? pack : c[0] == '2' ? detail : part;
            else
                what += QChar::fromLatin1(*c);
        }
        QString todo = QString::fromUtf8(w.todo);
        if (x.status == Status::Unsupported) todo = QString::fromUtf8(kinds) + ' ' + todo;
        if (x.status == Status::Damaged && x.parts > 1 && x.partNumber == 0)
            todo += QStringLiteral(" The pack is split into parts: check that all of them are there and whole.");
        return what + QStringLiteral("\n\nNothing was added to the archive. ") + todo;
    }
    return QString();  // Ok and Canceled need no words
}

FacePackImport::Report FacePackImport::run(const QString& packPath, ProgressSink* progress,
                                           const NestedOffer& offerNested) const
{
    Report result;
    const QString pack = QFileInfo(packPath).fileName();

    // A folder of this import's own, removed with everything in it on return.
    std::unique_ptr<QTemporaryDir> staging;
    if (!stagingParent_.isEmpty() && QFileInfo(stagingParent_).isDir())
        staging = std::make_unique<QTemporaryDir>(
            QDir(stagingParent_).filePath(ProcessOwner::scratchPattern(kStagingPrefix)));
    if (!staging || !staging->isValid())
        staging = std::make_unique<QTemporaryDir>(
            QDir(QDir::tempPath()).filePath(ProcessOwner::scratchPattern(kTempStagingPrefix)));
    if (!staging->isValid()) {
        result.extraction.status = Status::WriteFailed;
        result.extraction.errorText = QStringLiteral("no temporary folder can be made");
        result.message = failureMessage(packPath, result.extraction);
        return result;
    }
    const QString stage = staging->path() + "/pack";

    if (progress) progress->setLabel(QStringLiteral("Unpacking \"%1\"...").arg(pack));
    result.extraction = extractor_.Extract(packPath, stage, [progress](qint64 done, qint64) {
        if (!progress) return true;
        progress->setValue(done);
        return !progress->wasCanceled();
    });
    if (result.extraction.status == Status::Canceled ||
        (result.extraction.ok() && progress && progress->wasCanceled())) {
        result.outcome = Outcome::Canceled;
        return result;
    }
    if (!result.extraction.ok()) {
        result.message = failureMessage(packPath, result.extraction);
        return result;
    }
    if (const QStringList inner = NestedPacks::find(stage); !inner.isEmpty() && offerNested && offerNested(inner)) {
        QString failed;
        const UnRarExtractor::Report nested = NestedPacks::unpack(
            extractor_, stage, inner, progress, UnRarExtractor::packBytes(packPath), result.extraction, &failed);
        if (nested.status == Status::Canceled) {
            result.outcome = Outcome::Canceled;
            return result;
        }
        if (!nested.ok()) {
            result.message =
                QStringLiteral("The face pack \"%1\" holds other packs, and one of them could not be unpacked.\n\n")
                    .arg(pack) +
                failureMessage(failed, nested);
            return result;
        }
    }

    // From here on the import runs to its end: the merge is renames on one disk.
    if (const Result stopped = mergeConflict(stage, archiveFolder_); !stopped) {
        result.message =
            QStringLiteral("The face pack \"%1\" could not be added to the archive: %2.").arg(pack, stopped.message) +
            QStringLiteral(
                "\n\nNothing was added to the archive. Make that entry writable, or clear the "
                "archive, then import the pack again.");
        return result;
    }
    if (!QDir().mkpath(archiveFolder_)) {
        result.message =
            QStringLiteral("The archive folder \"%1\" cannot be created.").arg(archiveFolder_) +
            QStringLiteral("\n\nNothing was added to the archive. Check that the program folder can be written.");
        return result;
    }
    if (progress) progress->setLabel(QStringLiteral("Adding \"%1\" to the archive...").arg(pack));
    bool unfinished = false;
    if (const Result merged = merge(stage, archiveFolder_, stagingParent_, &result.merged, &unfinished); !merged) {
        result.message =
            QStringLiteral("The face pack \"%1\" could not be added to the archive.\n\n%2").arg(pack, merged.message);
        if (!unfinished)
            result.message += QStringLiteral(
                "\n\nNothing was added to the archive. Check that the program folder can be written and has free "
                "space, then import the pack again.");
        return result;
    }
    result.outcome = Outcome::Imported;
    const QStringList& skipped = result.extraction.skipped;
    if (!skipped.isEmpty()) {
        QStringList shown = skipped.mid(0, 10);
        if (skipped.size() > shown.size()) shown << QStringLiteral("...");
        result.message = QStringLiteral(
                             "The face pack \"%1\" was unpacked, but %2 of its entries were left out because "
                             "they are links or their names point outside the pack's folder:\n\n%3")
                             .arg(pack)
                             .arg(skipped.size())
                             .arg(shown.join('\n'));
    }
    return result;
}
