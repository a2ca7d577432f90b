#pragma once

#include <QString>

// Names the running process in the scratch it leaves behind (staging
// folders, journals), so that a later start can tell scratch whose owner is
// gone from scratch that another running copy of the program still uses.
//
// A token is the process id and the process's start time, "<pid>.<start>":
// after a restart a process id is soon handed out again, the pair is not.
namespace ProcessOwner {

// The token of this process.
QString current();

// False when the process that the token names has ended (or the token names
// none). A process that ended but was not yet reaped counts as ended.
bool isAlive(const QString& token);

// The folder name of scratch that this process owns: `prefix`, the token,
// "-XXXXXX" for QTemporaryDir to fill in.
QString scratchPattern(const QString& prefix);

// Removes the folders "<prefix><token>-*" in `folder` whose process has
// ended, and those named without a token (no running copy makes such names);
// links are left alone. The number removed.
int removeAbandoned(const QString& folder, const QString& prefix);

}  // namespace ProcessOwner
