#include "support/DdsWriter.h"

#include <QtEndian>

namespace DdsWriter {
namespace {

// The RGB888 a decoder gives for an RGB565 value (bit replication).
QRgb expand565(quint16 c)
{
    const int r = (c >> 11) & 0x1F, g = (c >> 5) & 0x3F, b = c & 0x1F;
    return qRgb((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
}

// Every block one solid colour, as the program's writer makes it.
QImage blockPicture(int width, int height, const BlockColour& colour, quint8 alpha)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb rgb = expand565(colour(x / 4, y / 4));
            picture.setPixel(x, y, qRgba(qRed(rgb), qGreen(rgb), qBlue(rgb), alpha));
        }
    }
    return picture;
}

}  // namespace

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

Dds dxt1(int width, int height, const BlockColour& colour)
{
    return {dxt1File(width, height, colour), blockPicture(width, height, colour, 255)};
}

Dds dxt5(int width, int height, const BlockColour& colour, quint8 alpha)
{
    return {dxt5File(width, height, colour, alpha), blockPicture(width, height, colour, alpha)};
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
