#include "facefolder/WorkRecovery.h"

#include <QFileInfo>

#include "archive/FacePackImport.h"
#include "facefolder/InstallUndo.h"
#include "facefolder/MapRemoval.h"

namespace WorkRecovery {

FileTransaction::Recovery recoverProgramFolder(const QString& programFolder)
{
    FileTransaction::Recovery recovery = FileTransaction::recover(programFolder);
    FacePackImport::removeStaleStaging(programFolder);
    return recovery;
}

Result recoverFaceFolder(const QString& programFolder, const QString& faceFolder)
{
    InstallUndo::tidy(programFolder);
    if (faceFolder.isEmpty() || !QFileInfo(faceFolder).isDir()) return Result::success();
    return MapRemoval::recover(faceFolder);
}

Result recoverAll(const QString& programFolder, const QString& faceFolder)
{
    const FileTransaction::Recovery recovery = recoverProgramFolder(programFolder);
    const Result removal = recoverFaceFolder(programFolder, faceFolder);
    QStringList problems = recovery.problems;
    if (!removal) problems << removal.message;
    if (problems.isEmpty()) return Result::success();
    return Result::failure(
        QStringLiteral("An install or import that was cut short could not be fully taken back:\n\n%1\n\n"
                       "It is tried again at the next start.")
            .arg(problems.join(QLatin1Char('\n'))));
}

}  // namespace WorkRecovery
