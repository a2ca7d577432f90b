#pragma once

#include <QString>

namespace ProgramFolder {
// The folder of the executable, or the per-user data folder when that one
// cannot be written or belongs to an installed copy.
QString defaultPath();
// The same rule for an executable in `executableFolder`. An installed copy
// (its bin folder beside share/applications holding the program's desktop
// entry) never writes beside itself, even where it could: into a prefix of
// the user's own, or when run by root.
QString pathFor(const QString& executableFolder);
// The program folder followed by a literal such as "\Face" or "\Archive\":
// backslashes become the platform's separator.
QString join(const QString& programFolder, const QString& literal);
}  // namespace ProgramFolder
