#pragma once

#include <QString>

#include "platform/FileTransaction.h"
#include "platform/Result.h"

// What every start does before it reads or writes the user's folders, the
// window's as well as a command's: work that a crash or a kill cut short is
// finished or taken back, and its scratch removed. One routine for both
// doors, so that neither can forget a step.
namespace WorkRecovery {

// The program folder: installs, undos and pack merges whose journals lie
// there, then the private folders of pack imports whose process has ended.
FileTransaction::Recovery recoverProgramFolder(const QString& programFolder);

// After the program folder: the files kept for an undo that no record keeps
// any more, and a removal cut short in `faceFolder` (nothing when that is no
// folder). The failure says what could not be put right.
Result recoverFaceFolder(const QString& programFolder, const QString& faceFolder);

// Both, in that order; the failure lists what could not be put right.
Result recoverAll(const QString& programFolder, const QString& faceFolder);

}  // namespace WorkRecovery
