#pragma once

#include <QByteArray>
#include <QImage>

#include "models/DdsWriter.h"

// The test side of the program's DDS writer: each file together with the
// picture a decoder must produce from it, and an uncompressed writer for
// arbitrary pictures.
namespace DdsWriter {

struct Dds {
    QByteArray bytes;  // the whole file
    QImage expected;   // ARGB32: what the file decodes to
};

// Uncompressed 32-bit A8R8G8B8 (masks 00FF0000, 0000FF00, 000000FF, FF000000).
Dds rgba32(const QImage& image);
// Block-compressed; width and height are multiples of 4.
Dds dxt1(int width, int height, const BlockColour& colour);
Dds dxt5(int width, int height, const BlockColour& colour, quint8 alpha = 255);

// A picture for the uncompressed writer: a gradient with a few distinct marks.
QImage testPattern(int width, int height);
// A block pattern that differs from block to block.
quint16 checkerBlock(int bx, int by);

// True when both pictures have the same size and the same colour at every
// pixel, alpha aside (a bitmap may or may not keep it).
bool sameColours(const QImage& a, const QImage& b);

}  // namespace DdsWriter
