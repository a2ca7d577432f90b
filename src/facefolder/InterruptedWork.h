#pragma once

#include <QString>

#include "platform/FileTransaction.h"

// Puts right whatever a kill, a crash or a power cut cut short, as the
// program does at start and before its next writing work: every transaction
// journalled in the program folder (installs and their undo records, undos,
// removals, pack merges) is finished or taken back with its scratch, the
// staging folders of abandoned pack imports go, the kept files of the undo
// are tidied, and a removal journalled inside the face folder (or left by an
// earlier version) is finished or taken back. An empty folder is skipped.
// The outcome says what could not be put right; it is tried again next time.
FileTransaction::Recovery recoverInterruptedWork(const QString& programFolder, const QString& faceFolder = QString());

// What to tell the user when a recovery could not put everything right;
// empty when it could.
QString interruptedWorkProblems(const FileTransaction::Recovery& recovery);
