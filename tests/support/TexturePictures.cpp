#include "support/TexturePictures.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace TexturePictures {

RgbaImage fromImage(const QImage& image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    RgbaImage out;
    out.width = rgba.width();
    out.height = rgba.height();
    out.pixels = QByteArray(qsizetype(out.width) * out.height * 4, Qt::Uninitialized);
    for (int y = 0; y < out.height; ++y) std::memcpy(out.row(y), rgba.constScanLine(y), size_t(out.width) * 4);
    return out;
}

QImage toImage(const RgbaImage& picture)
{
    return QImage(reinterpret_cast<const uchar*>(picture.pixels.constData()), picture.width, picture.height,
                  picture.width * 4, QImage::Format_RGBA8888)
        .copy();
}

RgbaImage faceLike(int size, int seed)
{
    QRandomGenerator random(quint32(seed) * 7919u + quint32(size));
    QImage image(size, size, QImage::Format_RGBA8888);
    image.fill(QColor(92, 110, 128));
    const double s = size / 256.0;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // Skin: an oval lit from the upper left.
    QRadialGradient skin(QPointF(100 * s, 90 * s), 170 * s);
    skin.setColorAt(0, QColor(236, 196, 164));
    skin.setColorAt(0.6, QColor(206, 156, 124));
    skin.setColorAt(1, QColor(150, 102, 80));
    p.setBrush(skin);
    p.drawEllipse(QRectF(38 * s, 20 * s, 180 * s, 220 * s));
    // Eyes, brows, nose shadow and mouth.
    for (double x : {88.0, 168.0}) {
        p.setBrush(QColor(250, 248, 244));
        p.drawEllipse(QPointF(x * s, 110 * s), 18 * s, 9 * s);
        p.setBrush(QColor(70 + random.bounded(40), 90, 60));
        p.drawEllipse(QPointF(x * s, 110 * s), 7 * s, 7 * s);
        p.setBrush(QColor(64, 42, 30));
        p.drawRoundedRect(QRectF((x - 22) * s, 88 * s, 44 * s, 7 * s), 3 * s, 3 * s);
    }
    p.setBrush(QColor(180, 120, 96, 150));
    p.drawEllipse(QPointF(128 * s, 150 * s), 12 * s, 20 * s);
    p.setBrush(QColor(170, 80, 76));
    p.drawEllipse(QPointF(128 * s, 192 * s), 30 * s, 9 * s);
    p.end();
    // Pores and freckles: fine noise, as a photo texture has.
    for (int y = 0; y < size; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < size; ++x) {
            const int n = int(random.bounded(9)) - 4;
            for (int c = 0; c < 3; ++c) row[x * 4 + c] = uchar(qBound(0, row[x * 4 + c] + n, 255));
            row[x * 4 + 3] = 255;
        }
    }
    return fromImage(image);
}

RgbaImage hairLike(int size, int seed)
{
    QRandomGenerator random(quint32(seed) * 104729u + quint32(size));
    QImage image(size, size, QImage::Format_RGBA8888);
    image.fill(QColor(40, 28, 20, 0));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 256.0;
    for (int i = 0; i < 220; ++i) {
        QPainterPath strand;
        const double x = random.bounded(256.0) * s;
        strand.moveTo(x, 0);
        strand.cubicTo(x + (random.bounded(60.0) - 30) * s, 80 * s, x + (random.bounded(80.0) - 40) * s, 170 * s,
                       x + (random.bounded(40.0) - 20) * s, 256 * s);
        const int shade = 40 + int(random.bounded(90));
        p.setPen(QPen(QColor(shade + 30, shade, shade / 2 + 10, 120 + int(random.bounded(135))),
                      (0.6 + random.bounded(1.8)) * s));
        p.drawPath(strand);
    }
    p.end();
    return fromImage(image);
}

QByteArray png(const RgbaImage& picture)
{
    QByteArray out;
    if (Result r = Pictures::encodePng(picture, &out); !r) throw std::runtime_error(r.message.toStdString());
    return out;
}

QByteArray tga(const RgbaImage& picture)
{
    QByteArray out(18, '\0');
    out[2] = 2;  // uncompressed true colour
    out[12] = char(picture.width & 0xff);
    out[13] = char(picture.width >> 8);
    out[14] = char(picture.height & 0xff);
    out[15] = char(picture.height >> 8);
    out[16] = 32;
    out[17] = 0x28;  // 8 bits of alpha, rows from the top
    for (int y = 0; y < picture.height; ++y) {
        const uchar* s = picture.row(y);
        for (int x = 0; x < picture.width; ++x, s += 4) {
            const char bgra[4] = {char(s[2]), char(s[1]), char(s[0]), char(s[3])};
            out.append(bgra, 4);
        }
    }
    return out;
}

QByteArray bmp(const RgbaImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    toImage(picture).convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
    return bytes;
}

double psnr(const RgbaImage& a, const RgbaImage& b)
{
    if (a.width != b.width || a.height != b.height || a.isNull()) return 0;
    double sum = 0;
    const auto* p = reinterpret_cast<const uchar*>(a.pixels.constData());
    const auto* q = reinterpret_cast<const uchar*>(b.pixels.constData());
    for (qsizetype i = 0; i < a.pixels.size(); i += 4)
        for (int c = 0; c < 3; ++c) {
            const double d = double(p[i + c]) - double(q[i + c]);
            sum += d * d;
        }
    const double mse = sum / (double(a.width) * a.height * 3);
    return mse <= 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

int maxDifference(const RgbaImage& a, const RgbaImage& b)
{
    if (a.width != b.width || a.height != b.height) return 256;
    int worst = 0;
    for (qsizetype i = 0; i < a.pixels.size(); ++i)
        worst = std::max(worst, std::abs(int(uchar(a.pixels[i])) - int(uchar(b.pixels[i]))));
    return worst;
}

}  // namespace TexturePictures
