#pragma once

#include <QString>

#include "platform/Result.h"

// Checks of names that end up on the add-on's Windows file system and in the
// 8-bit map file. Each fails with a short description of the problem fit for
// a message box.
namespace FileNameCheck {

// One file or folder name as Windows accepts it: not empty, no \ / : * ? " < > |
// and no control character, not "." or "..", no trailing space or dot, not a
// reserved device name (CON, NUL, COM1, LPT¹, ...), at most 255 characters.
Result checkName(const QString& name);
inline bool isValidName(const QString& name) { return checkName(name).ok; }

// The same rules for a base name that gets a suffix ("_Face.bin") before it
// becomes a file name: a device name such as "Con" is fine there.
Result checkBaseName(const QString& baseName);

// Every character can be written as one byte of the 8-bit code page.
Result checkCodePage(const QString& text);

// Quotes a name for a message, making invisible characters visible.
QString quoted(const QString& name);

}  // namespace FileNameCheck
