#pragma once

#include <QString>

// Checks of names that end up on the add-on's Windows file system and in the
// 8-bit map file. Each returns the empty text when all is well, else a short
// description of the problem fit for a message box.
namespace FileNameCheck {

// One file or folder name as Windows accepts it: not empty, no \ / : * ? " < > |
// and no control character, not "." or "..", no trailing space or dot, not a
// reserved device name (CON, NUL, COM1, ...), at most 255 characters.
QString nameProblem(const QString& name);
inline bool isValidName(const QString& name) { return nameProblem(name).isEmpty(); }

// The same rules for a base name that gets a suffix ("_Face.bin") before it
// becomes a file name: a device name such as "Con" is fine there.
QString baseNameProblem(const QString& baseName);

// Every character can be written as one byte of the 8-bit code page.
QString codePageProblem(const QString& text);

// Quotes a name for a message, making invisible characters visible.
QString quoted(const QString& name);

}  // namespace FileNameCheck
