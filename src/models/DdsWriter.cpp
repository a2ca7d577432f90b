#include "models/DdsWriter.h"

#include <QtEndian>
#include <cstring>

namespace DdsWriter {
namespace {

void put32(QByteArray& bytes, int offset, quint32 value) { qToLittleEndian<quint32>(value, bytes.data() + offset); }

void put16(QByteArray& bytes, int offset, quint16 value) { qToLittleEndian<quint16>(value, bytes.data() + offset); }

QByteArray blocks(int width, int height, const char* code, int blockBytes, const BlockColour& colour, quint8 alpha)
{
    QByteArray bytes = header(quint32(width), quint32(height), code);
    const int bw = (width + 3) / 4, bh = (height + 3) / 4;
    const int start = bytes.size();
    bytes.resize(start + bw * bh * blockBytes);
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            const int at = start + (by * bw + bx) * blockBytes;
            const quint16 c = colour(bx, by);
            if (blockBytes == 16) {
                // Alpha: both endpoints the wanted value, every index 0.
                bytes[at] = char(alpha);
                bytes[at + 1] = char(alpha);
                std::memset(bytes.data() + at + 2, 0, 6);
            }
            const int colourAt = at + blockBytes - 8;
            // color0 > color1 keeps every decoder in four-colour mode (for
            // black both are 0, where index 0 is black too); all indices 0
            // select color0 exactly.
            put16(bytes, colourAt, c);
            put16(bytes, colourAt + 2, quint16(c == 0 ? 0 : c - 1));
            put32(bytes, colourAt + 4, 0);
        }
    }
    return bytes;
}

}  // namespace

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

QByteArray dxt1File(int width, int height, const BlockColour& colour)
{
    return blocks(width, height, "DXT1", 8, colour, 255);
}

QByteArray dxt5File(int width, int height, const BlockColour& colour, quint8 alpha)
{
    return blocks(width, height, "DXT5", 16, colour, alpha);
}

}  // namespace DdsWriter
