#include "models/ModelTexture.h"

#include <QFile>
#include <QtEndian>
#include <cstring>

#include "models/BazaZlib.h"

namespace ModelTexture {

namespace {

quint32 le32(QByteArrayView b, qsizetype at) { return qFromLittleEndian<quint32>(b.data() + at); }

constexpr quint32 fourCC(char a, char b, char c, char d)
{
    return quint32(quint8(a)) | quint32(quint8(b)) << 8 | quint32(quint8(c)) << 16 | quint32(quint8(d)) << 24;
}

// Header flags and pixel-format flags of a DDS file.
constexpr quint32 kMipMapCount = 0x20000;
constexpr quint32 kAlphaPixels = 0x1;
constexpr quint32 kFourCC = 0x4;
constexpr quint32 kRgb = 0x40;

}  // namespace

QString DdsInfo::formatName() const
{
    switch (format) {
    case Format::Dxt1: return QStringLiteral("DXT1");
    case Format::Dxt3: return QStringLiteral("DXT3");
    case Format::Dxt5: return QStringLiteral("DXT5");
    case Format::Rgb: return QStringLiteral("RGB %1-bit").arg(rgbBits);
    case Format::Rgba: return QStringLiteral("RGBA %1-bit").arg(rgbBits);
    }
    return QString();
}

qint64 DdsInfo::levelLength(quint32 level) const
{
    const qint64 w = qMax<qint64>(1, qint64(width) >> level);
    const qint64 h = qMax<qint64>(1, qint64(height) >> level);
    switch (format) {
    case Format::Dxt1: return ((w + 3) / 4) * ((h + 3) / 4) * 8;
    case Format::Dxt3:
    case Format::Dxt5: return ((w + 3) / 4) * ((h + 3) / 4) * 16;
    case Format::Rgb:
    case Format::Rgba: return w * h * (rgbBits / 8);
    }
    return 0;
}

Result parseDds(QByteArrayView dds, DdsInfo* info)
{
    *info = DdsInfo();
    if (dds.size() < DdsInfo::kHeaderLength)
        return Result::failure(QStringLiteral("the texture is shorter than its header"));
    if (le32(dds, 0) != fourCC('D', 'D', 'S', ' '))
        return Result::failure(QStringLiteral("the texture is not a DDS file"));
    if (le32(dds, 4) != 124 || le32(dds, 76) != 32)
        return Result::failure(QStringLiteral("the texture's DDS header is damaged"));
    const quint32 flags = le32(dds, 8);
    info->height = le32(dds, 12);
    info->width = le32(dds, 16);
    if (info->width == 0 || info->height == 0 || info->width > 16384 || info->height > 16384)
        return Result::failure(
            QStringLiteral("a texture of %1 x %2 pixels is not supported").arg(info->width).arg(info->height));
    const quint32 count = le32(dds, 28);
    info->mipmaps = (flags & kMipMapCount) && count > 0 ? count : 1;
    quint32 levels = 1;
    for (quint32 s = qMax(info->width, info->height); s > 1; s >>= 1) ++levels;
    if (info->mipmaps > levels)
        return Result::failure(
            QStringLiteral("the texture states %1 mipmap levels, more than its size allows").arg(info->mipmaps));

    const quint32 pf = le32(dds, 80);
    if (pf & kFourCC) {
        const quint32 code = le32(dds, 84);
        if (code == fourCC('D', 'X', 'T', '1'))
            info->format = Format::Dxt1;
        else if (code == fourCC('D', 'X', 'T', '3'))
            info->format = Format::Dxt3;
        else if (code == fourCC('D', 'X', 'T', '5'))
            info->format = Format::Dxt5;
        else
            return Result::failure(QStringLiteral("the texture's compression is not supported"));
    } else if (pf & kRgb) {
        info->rgbBits = le32(dds, 88);
        if (info->rgbBits != 16 && info->rgbBits != 24 && info->rgbBits != 32)
            return Result::failure(QStringLiteral("a %1-bit texture is not supported").arg(info->rgbBits));
        for (int i = 0; i < 4; ++i) info->masks[i] = le32(dds, 92 + 4 * i);
        info->format = (pf & kAlphaPixels) && info->masks[3] ? Format::Rgba : Format::Rgb;
    } else {
        return Result::failure(QStringLiteral("the texture's pixel format is not supported"));
    }

    info->length = DdsInfo::kHeaderLength;
    for (quint32 level = 0; level < info->mipmaps; ++level) info->length += info->levelLength(level);
    if (info->length > dds.size())
        return Result::failure(QStringLiteral("the texture is cut short: its header states %1 bytes, %2 are there")
                                   .arg(info->length)
                                   .arg(dds.size()));
    return Result::success();
}

Result fromBytes(const QByteArray& file, Model* out)
{
    *out = Model();
    out->file = file;
    if (file.size() < 16 + 2) return Result::failure(QStringLiteral("the file is too short to be a model file"));
    if (!BazaZlib::Uncompress(file.mid(12), out->payload) || out->payload.size() < 40)
        return Result::failure(QStringLiteral("the file holds no model payload"));
    const qint64 T = qint32(le32(out->payload, 32));
    if (T < 0 || T + 16 > out->payload.size())
        return Result::failure(QStringLiteral("the texture block lies outside the payload"));
    out->ddsOffset = T + 16;
    return parseDds(QByteArrayView(out->payload).sliced(out->ddsOffset), &out->dds);
}

Result read(const QString& modelFile, Model* out)
{
    *out = Model();
    QFile file(modelFile);
    if (!file.open(QIODevice::ReadOnly)) return Result::failure(modelFile + QStringLiteral(": ") + file.errorString());
    if (file.size() > kMaxModelFileSize)
        return Result::failure(modelFile + QStringLiteral(" is too large to be a model file"));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Result::failure(modelFile + QStringLiteral(": ") + file.errorString());
    if (Result r = fromBytes(bytes, out); !r) return Result::failure(modelFile + QStringLiteral(": ") + r.message);
    return Result::success();
}

Result decode(const Model& model, RgbaImage* out)
{
    return Pictures::decode(model.ddsBytes(), QStringLiteral("the texture"), out);
}

}  // namespace ModelTexture
