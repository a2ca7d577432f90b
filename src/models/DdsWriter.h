#pragma once

#include <QByteArray>
#include <functional>

// Writes DDS textures from the public header layout ("DDS " + 124-byte
// surface description with a 32-byte pixel format), for the sample world and
// the tests.
//
// The block-compressed writers make every 4x4 block one solid colour taken
// exactly from RGB565 (and, for DXT5, one exact alpha), so the decoded
// picture is known to the last bit: each block shows its colour expanded to
// 8 bits a channel by bit replication.
namespace DdsWriter {

// A solid-block colour for block column bx, row by, in RGB565.
using BlockColour = std::function<quint16(int bx, int by)>;

quint16 pack565(int r5, int g6, int b5);

// Block-compressed files; width and height are multiples of 4.
QByteArray dxt1File(int width, int height, const BlockColour& colour);
QByteArray dxt5File(int width, int height, const BlockColour& colour, quint8 alpha = 255);

// A header alone, for damaged or unusual files. `fourCC` 0 means
// uncompressed with `rgbBits` bits per pixel.
QByteArray header(quint32 width, quint32 height, const char* fourCC, quint32 rgbBits = 0);

}  // namespace DdsWriter
