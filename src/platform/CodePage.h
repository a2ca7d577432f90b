#pragma once

#include <QByteArray>
#include <QString>

// 8-bit text of the game's files and of map.txt, in the system's ANSI code page.
namespace CodePage {

// Decodes bytes one for one into characters; a NUL byte becomes the character 0.
QString decode(const char* data, qsizetype length);
inline QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }

// True when every character of the text has a byte in the code page.
bool canEncode(const QString& text);

// Encodes the text; characters outside the code page become '?' and clear *ok.
QByteArray encode(const QString& text, bool* ok = nullptr);

}  // namespace CodePage
