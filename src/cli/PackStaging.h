#pragma once

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "archive/FacePackImport.h"
#include "archive/UnRarExtractor.h"
#include "cli/Command.h"
#include "platform/FileOps.h"
#include "platform/ProcessOwner.h"

namespace Cli {

// A private archive for the packs and model files a command is given: a
// folder of this process in the program folder, holding an "Archive" that
// packs are imported into exactly as "Browse" imports them into the
// window's archive (split sets, solid RAR 4, nested packs), so that the
// window's own archive is never touched. It goes with the object; when the
// process dies first, the next start removes it with the import's other
// private folders.
class PackStaging {
public:
    explicit PackStaging(const QString& programFolder)
        : programFolder_(programFolder),
          dir_(QDir(programFolder).filePath(ProcessOwner::scratchPattern(QStringLiteral(".facepack-"))))
    {
        if (dir_.isValid()) QDir().mkpath(archive());
    }

    bool isValid() const { return dir_.isValid() && QFileInfo(archive()).isDir(); }
    QString archive() const { return dir_.path() + QStringLiteral("/Archive"); }
    // A second private folder beside the archive, for scratch files.
    QString scratch() const
    {
        const QString folder = dir_.path() + QStringLiteral("/Scratch");
        QDir().mkpath(folder);
        return folder;
    }
    QString failure() const
    {
        return QStringLiteral("No private folder can be made in the program folder %1")
            .arg(FileOps::shown(programFolder_));
    }

    // Unpacks a pack into the archive; packs that are all a pack holds are
    // unpacked too, each into a folder named after it.
    FacePackImport::Report unpack(const QString& pack, Terminal& terminal) const
    {
        const std::unique_ptr<ProgressSink> progress =
            terminal.progress(QStringLiteral("Unpacking %1").arg(QFileInfo(pack).fileName()),
                              std::max<qint64>(UnRarExtractor::packBytes(pack), 1));
        FacePackImport import(extractor_, archive(), programFolder_);
        return import.run(pack, progress.get(), [](const QStringList&) { return true; });
    }

    // Copies a single model file, or a folder of them, into the archive.
    Result add(const QString& path) const
    {
        const QFileInfo info(path);
        const QString target = QDir(archive()).filePath(info.fileName());
        if (QFileInfo::exists(target))
            return Result::failure(QStringLiteral("Two of the files given are named \"%1\"").arg(info.fileName()));
        return info.isDir() ? FileOps::copyTreeToNew(path, target, false) : FileOps::copyToNew(path, target, false);
    }

private:
    QString programFolder_;
    QTemporaryDir dir_;
    UnRarExtractor extractor_;
};

}  // namespace Cli
