#pragma once

#include <QString>

namespace ProgramFolder {
// The folder of the executable, or the per-user data folder when that one
// cannot be written (an installed copy).
QString defaultPath();
// The program folder followed by a literal such as "\Face" or "\Archive\":
// backslashes become the platform's separator.
QString join(const QString& programFolder, const QString& literal);
}  // namespace ProgramFolder
