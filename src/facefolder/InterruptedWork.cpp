#include "facefolder/InterruptedWork.h"

#include <QFileInfo>

#include "archive/FacePackImport.h"
#include "facefolder/InstallUndo.h"
#include "facefolder/MapRemoval.h"
#include "platform/AtomicOutput.h"

FileTransaction::Recovery recoverInterruptedWork(const QString& programFolder, const QString& faceFolder)
{
    FileTransaction::Recovery recovery;
    if (!programFolder.isEmpty() && QFileInfo(programFolder).isDir()) {
        recovery = FileTransaction::recover(programFolder);
        FacePackImport::removeStaleStaging(programFolder);
        AtomicOutput::recover(programFolder);  // the scratch of exports that were killed
        // After the transactions: the undo's record is then the one that stands.
        InstallUndo::tidy(programFolder);
    }
    if (!faceFolder.isEmpty() && QFileInfo(faceFolder).isDir()) {
        if (const Result r = MapRemoval::recover(faceFolder); !r) recovery.problems << r.message;
        MapRemoval::removeOldScratch(faceFolder);
    }
    return recovery;
}

QString interruptedWorkProblems(const FileTransaction::Recovery& recovery)
{
    if (recovery.problems.isEmpty()) return QString();
    return QStringLiteral(
               "An install or import that was cut short could not be fully taken back:\n\n%1\n\n"
               "It is tried again at the next start.")
        .arg(recovery.problems.join(QLatin1Char('\n')));
}
