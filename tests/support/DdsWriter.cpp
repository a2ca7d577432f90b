#include "support/DdsWriter.h"

#include <QtEndian>
#include <cstring>

namespace DdsWriter {
namespace {

void put32(QByteArray& bytes, int offset, quint32 value) { qToLittleEndian<quint32>(value, bytes.data() + offset); }

void put16(QByteArray& bytes, int offset, quint16 value) { qToLittleEndian<quint16>(value, bytes.data() + offset); }

// Fills the expected picture and the colour part of every block.
Dds blocks(int width, int height, const char* code, int blockBytes, const BlockColour& colour, quint8 alpha)
{
    Dds dds;
    dds.bytes = header(quint32(width), quint32(height), code);
    const int bw = (width + 3) / 4, bh = (height + 3) / 4;
    const int start = dds.bytes.size();
    dds.bytes.resize(start + bw * bh * blockBytes);
    dds.expected = QImage(width, height, QImage::Format_ARGB32);
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            const int at = start + (by * bw + bx) * blockBytes;
            const quint16 c = colour(bx, by);
            if (blockBytes == 16) {
                // Alpha: both endpoints the wanted value, every index 0.
                dds.bytes[at] = char(alpha);
                dds.bytes[at + 1] = char(alpha);
                std::memset(dds.bytes.data() + at + 2, 0, 6);
            }
            const int colourAt = at + blockBytes - 8;
            // color0 > color1 keeps every decoder in four-colour mode (for
            // black both are 0, where index 0 is black too); all indices 0
            // select color0 exactly.
            put16(dds.bytes, colourAt, c);
            put16(dds.bytes, colourAt + 2, quint16(c == 0 ? 0 : c - 1));
            put32(dds.bytes, colourAt + 4, 0);
            const QRgb rgb = expand565(c);
            const QRgb pixel = qRgba(qRed(rgb), qGreen(rgb), qBlue(rgb), blockBytes == 16 ? alpha : 255);
            for (int y = by * 4; y < qMin(height, by * 4 + 4); ++y)
                for (int x = bx * 4; x < qMin(width, bx * 4 + 4); ++x) dds.expected.setPixel(x, y, pixel);
        }
    }
    return dds;
}

}  // namespace

QRgb expand565(quint16 c)
{
    const int r = (c >> 11) & 0x1F, g = (c >> 5) & 0x3F, b = c & 0x1F;
    return qRgb((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
}

quint16 pack565(int r5, int g6, int b5) { return quint16((r5 & 0x1F) << 11 | (g6 & 0x3F) << 5 | (b5 & 0x1F)); }

QByteArray header(quint32 width, quint32 height, const char* fourCC, quint32 rgbBits)
{
    QByteArray h(128, '\0');
    std::memcpy(h.data(), "DDS ", 4);
    put32(h, 4, 124);
    // DDSD_CAPS | HEIGHT | WIDTH | PIXELFORMAT, and LINEARSIZE or PITCH.
    const bool compressed = fourCC != nullptr;
    put32(h, 8, 0x1 | 0x2 | 0x4 | 0x1000 | (compressed ? 0x80000 : 0x8));
    put32(h, 12, height);
    put32(h, 16, width);
    if (compressed) {
        const quint32 blockBytes = std::strcmp(fourCC, "DXT1") == 0 ? 8 : 16;
        put32(h, 20, ((width + 3) / 4) * ((height + 3) / 4) * blockBytes);
    } else {
        put32(h, 20, width * (rgbBits / 8));
    }
    put32(h, 76, 32);  // pixel format size
    if (compressed) {
        put32(h, 80, 0x4);  // DDPF_FOURCC
        std::memcpy(h.data() + 84, fourCC, 4);
    } else {
        put32(h, 80, 0x40 | (rgbBits == 32 ? 0x1 : 0));  // DDPF_RGB, alpha for 32-bit
        put32(h, 88, rgbBits);
        put32(h, 92, 0x00FF0000);
        put32(h, 96, 0x0000FF00);
        put32(h, 100, 0x000000FF);
        put32(h, 104, rgbBits == 32 ? 0xFF000000 : 0);
    }
    put32(h, 108, 0x1000);  // DDSCAPS_TEXTURE
    return h;
}

Dds rgba32(const QImage& image)
{
    Dds dds;
    dds.expected = image.convertToFormat(QImage::Format_ARGB32);
    dds.bytes = header(quint32(image.width()), quint32(image.height()), nullptr, 32);
    const int start = dds.bytes.size();
    dds.bytes.resize(start + image.width() * image.height() * 4);
    char* out = dds.bytes.data() + start;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            qToLittleEndian<quint32>(dds.expected.pixel(x, y), out);  // BGRA in memory
            out += 4;
        }
    }
    return dds;
}

Dds dxt1(int width, int height, const BlockColour& colour) { return blocks(width, height, "DXT1", 8, colour, 255); }

Dds dxt5(int width, int height, const BlockColour& colour, quint8 alpha)
{
    return blocks(width, height, "DXT5", 16, colour, alpha);
}

QImage testPattern(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(
                x, y,
                qRgba((x * 255) / qMax(1, width - 1), (y * 255) / qMax(1, height - 1), (x * 7 + y * 13) & 0xFF, 255));
    // Corners that tell a flipped or mirrored picture from the right one.
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(width - 1, 0, qRgba(0, 255, 0, 255));
    image.setPixel(0, height - 1, qRgba(0, 0, 255, 255));
    return image;
}

quint16 checkerBlock(int bx, int by)
{
    return pack565((bx * 5 + 3) & 0x1F, (by * 9 + 17) & 0x3F, ((bx + by) * 3 + 1) & 0x1F);
}

bool sameColours(const QImage& a, const QImage& b)
{
    return a.size() == b.size() && a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

}  // namespace DdsWriter
