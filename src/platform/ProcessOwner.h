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

}  // namespace ProcessOwner
