#pragma once

#include <QByteArray>
#include <QImage>
#include <functional>

// Writes DDS files from the public header layout ("DDS " + 124-byte surface
// description with a 32-byte pixel format), together with the picture a
// decoder must produce from them.
//
// The block-compressed writers make every 4x4 block one solid colour taken
// exactly from RGB565 (and, for DXT5, one exact alpha), so the decoded
// picture is known to the last bit.
namespace DdsWriter {

struct Dds {
    QByteArray bytes;  // the whole file
    QImage expected;   // ARGB32: what the file decodes to
};

// A solid-block colour for block column bx, row by, in RGB565.
using BlockColour = std::function<quint16(int bx, int by)>;

// The RGB888 a decoder gives for an RGB565 value (bit replication).
QRgb expand565(quint16 c);
quint16 pack565(int r5, int g6, int b5);

// Uncompressed 32-bit A8R8G8B8 (masks 00FF0000, 0000FF00, 000000FF, FF000000).
Dds rgba32(const QImage& image);
// Block-compressed; width and height are multiples of 4.
Dds dxt1(int width, int height, const BlockColour& colour);
Dds dxt5(int width, int height, const BlockColour& colour, quint8 alpha = 255);

// A header alone, for damaged or unusual files. `fourCC` 0 means
// uncompressed with `rgbBits` bits per pixel.
QByteArray header(quint32 width, quint32 height, const char* fourCC, quint32 rgbBits = 0);

// A picture for the uncompressed writer: a gradient with a few distinct marks.
QImage testPattern(int width, int height);
// A block pattern that differs from block to block.
quint16 checkerBlock(int bx, int by);

// True when both pictures have the same size and the same colour at every
// pixel, alpha aside (a bitmap may or may not keep it).
bool sameColours(const QImage& a, const QImage& b);

}  // namespace DdsWriter
