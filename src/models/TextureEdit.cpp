#include "models/TextureEdit.h"

#include <zlib.h>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cstring>

#include "models/BazaZlib.h"
#include "models/TextureEncoder.h"
#include "platform/FileOps.h"

namespace TextureEdit {

namespace {

// Where the leading bytes may hold the stream's length, and where the
// payload's size and stream begin.
constexpr qsizetype kStreamLengthField = 8;
constexpr qsizetype kCodecStart = 12;
constexpr qsizetype kStreamStart = 16;

// The length of the zlib stream that starts at `at`, read to its end, and
// how much it unpacks to; -1 when it does not end inside the file.
qint64 streamLength(const QByteArray& file, qsizetype at, qint64* unpacked)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return -1;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(file.constData() + at));
    z.avail_in = uInt(file.size() - at);
    char sink[65536];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(sink);
        z.avail_out = sizeof sink;
        rc = inflate(&z, Z_NO_FLUSH);
    }
    const qint64 length = rc == Z_STREAM_END ? qint64(z.total_in) : -1;
    *unpacked = qint64(z.total_out);
    inflateEnd(&z);
    return length;
}

Result readFile(const QString& path, qint64 maxSize, const QString& tooLarge, QByteArray* out)
{
    QFile file;
    if (Result opened = FileOps::openForReading(file, path); !opened) return opened;
    if (file.size() > maxSize) return Result::failure(tooLarge);
    *out = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Result::failure(QStringLiteral("Cannot read %1: %2").arg(FileOps::shown(path), file.errorString()));
    return Result::success();
}

// The target of a write must be none of the files the work reads.
Result checkTarget(const QString& outFile, const QStringList& sources)
{
    if (outFile.isEmpty()) return Result::failure(QStringLiteral("No file to write was given."));
    const QString target = QFileInfo(outFile).absoluteFilePath();
    for (const QString& source : sources) {
        if (source.isEmpty()) continue;
        if (QFileInfo(source).absoluteFilePath() == target || FileOps::sameFile(source, outFile))
            return Result::failure(QStringLiteral("%1 is the file being read; choose another file to write.")
                                       .arg(FileOps::shown(outFile)));
    }
    if (QFileInfo(outFile).isDir())
        return Result::failure(QStringLiteral("%1 is a folder.").arg(FileOps::shown(outFile)));
    return Result::success();
}

QString sizeText(qint64 w, qint64 h) { return QStringLiteral("%1 x %2").arg(w).arg(h); }

Result otherSize(const QString& pictureName, qint64 w, qint64 h, const ModelTexture::DdsInfo& info)
{
    return Result::failure(QStringLiteral("%1 is %2 pixels; the model's texture is %3. Only a picture of the "
                                          "texture's size can replace it.")
                               .arg(pictureName, sizeText(w, h), sizeText(info.width, info.height)));
}

bool sameLayout(const ModelTexture::DdsInfo& a, const ModelTexture::DdsInfo& b)
{
    return a.format == b.format && a.width == b.width && a.height == b.height && a.mipmaps == b.mipmaps &&
           a.rgbBits == b.rgbBits && std::memcmp(a.masks, b.masks, sizeof a.masks) == 0;
}

// The new model file around a new DDS of the same length.
Result assemble(const ModelTexture::Model& model, const QByteArray& dds, QByteArray* out)
{
    const QByteArray& file = model.file;
    qint64 unpacked = 0;
    const qint64 oldStream = streamLength(file, kStreamStart, &unpacked);
    if (oldStream < 0) return Result::failure(QStringLiteral("the model's compressed payload is damaged"));
    // A stored size short of the data would cut the payload's tail off.
    if (unpacked != model.payload.size())
        return Result::failure(QStringLiteral("the model's stored payload size (%1 bytes) is not the %2 bytes its "
                                              "data holds")
                                   .arg(model.payload.size())
                                   .arg(unpacked));
    QByteArray payload = model.payload;
    std::memcpy(payload.data() + model.ddsOffset, dds.constData(), size_t(dds.size()));
    QByteArray codec;
    if (!BazaZlib::Compress(payload, codec)) return Result::failure(QStringLiteral("zlib cannot compress the payload"));
    const qint64 newStream = codec.size() - 4;

    QByteArray lead = file.first(kCodecStart);
    if (qFromLittleEndian<quint32>(lead.constData() + kStreamLengthField) == quint64(oldStream))
        qToLittleEndian<quint32>(quint32(newStream), lead.data() + kStreamLengthField);
    *out = lead + codec + file.sliced(kStreamStart + oldStream);
    return Result::success();
}

}  // namespace

Result exportFormatFor(const QString& outFile, ExportFormat* format)
{
    const QString suffix = QFileInfo(outFile).suffix().toLower();
    if (suffix == QLatin1String("png"))
        *format = ExportFormat::Png;
    else if (suffix == QLatin1String("dds"))
        *format = ExportFormat::Dds;
    else
        return Result::failure(
            QStringLiteral("%1: a texture is exported as .png or .dds.").arg(FileOps::shown(outFile)));
    return Result::success();
}

Result exportBytes(const ModelTexture::Model& model, ExportFormat format, QByteArray* out)
{
    if (format == ExportFormat::Dds) {
        *out = model.ddsBytes().toByteArray();
        return Result::success();
    }
    RgbaImage picture;
    if (Result decoded = ModelTexture::decode(model, &picture); !decoded) return decoded;
    return Pictures::encodePng(picture, out);
}

Result exportTexture(const QString& modelFile, const QString& outFile)
{
    ExportFormat format;
    if (Result r = exportFormatFor(outFile, &format); !r) return r;
    if (Result r = checkTarget(outFile, {modelFile}); !r) return r;
    ModelTexture::Model model;
    if (Result r = ModelTexture::read(modelFile, &model); !r) return r;
    QByteArray bytes;
    if (Result r = exportBytes(model, format, &bytes); !r)
        return Result::failure(FileOps::shown(modelFile) + QStringLiteral(": ") + r.message);
    return FileOps::replaceFileContents(outFile, bytes);
}

Result replaceInMemory(const ModelTexture::Model& model, QByteArrayView picture, const QString& pictureName,
                       Replacement* out)
{
    *out = Replacement();
    out->source = model;
    const ModelTexture::DdsInfo& info = model.dds;
    if (Result r = ModelTexture::decode(model, &out->before); !r) return r;

    const FREE_IMAGE_FORMAT type = Pictures::typeOf(picture);
    if (type != FIF_PNG && type != FIF_BMP && type != FIF_TARGA && type != FIF_DDS)
        return Result::failure(pictureName + QStringLiteral(" is not a PNG, BMP, TGA or DDS picture."));

    ModelTexture::DdsInfo given;
    if (type == FIF_DDS && ModelTexture::parseDds(picture, &given) && sameLayout(given, info)) {
        // Already in the texture's own layout: its levels are taken as they
        // are, so a texture exported as DDS goes back unchanged.
        out->dds = model.ddsBytes().first(ModelTexture::DdsInfo::kHeaderLength).toByteArray();
        out->dds += picture.sliced(ModelTexture::DdsInfo::kHeaderLength, given.length - given.kHeaderLength);
        if (Result r = Pictures::decode(out->dds, pictureName, &out->after); !r) return r;
    } else {
        // The size is checked from the header first: a picture is never
        // decoded beyond the texture's size.
        const qint64 pixels = qint64(info.width) * info.height;
        qint64 w = 0, h = 0;
        if (Pictures::statedSize(picture, &w, &h) && (w != info.width || h != info.height))
            return otherSize(pictureName, w, h, info);
        RgbaImage image;
        if (Result r = Pictures::decode(picture, pictureName, &image, pixels); !r) return r;
        if (quint32(image.width) != info.width || quint32(image.height) != info.height)
            return otherSize(pictureName, image.width, image.height, info);
        // DXT1 keeps one bit of alpha; a texture that uses it may get it back.
        const bool alphaKept = info.hasAlpha() || (info.format == ModelTexture::Format::Dxt1 && out->before.hasAlpha());
        if (!alphaKept && image.hasAlpha())
            return Result::failure(QStringLiteral("%1 has transparent pixels, but the model's texture (%2) keeps no "
                                                  "alpha. Remove the transparency and try again.")
                                       .arg(pictureName, info.formatName()));
        out->dds = TextureEncoder::encodeDds(model.ddsBytes(), info, image);
        if (Result r = Pictures::decode(out->dds, QStringLiteral("the new texture"), &out->after); !r) return r;
    }
    if (out->dds.size() != info.length)
        return Result::failure(QStringLiteral("the new texture has the wrong length"));  // never: same layout
    return assemble(model, out->dds, &out->file);
}

Result prepareReplacement(const QString& modelFile, const QString& pictureFile, Replacement* out)
{
    *out = Replacement();
    ModelTexture::Model model;
    if (Result r = ModelTexture::read(modelFile, &model); !r) return r;
    QByteArray picture;
    const QString name = FileOps::shown(pictureFile);
    if (Result r = readFile(pictureFile, kMaxPictureFileSize, name + QStringLiteral(" is too large to be a picture."),
                            &picture);
        !r)
        return r;
    if (Result r = replaceInMemory(model, picture, name, out); !r) return r;
    return Result::success();
}

Result saveReplacement(const Replacement& replacement, const QString& modelFile, const QString& pictureFile,
                       const QString& outFile)
{
    if (replacement.file.isEmpty()) return Result::failure(QStringLiteral("No new model to write."));
    if (Result r = checkTarget(outFile, {modelFile, pictureFile}); !r) return r;
    return FileOps::replaceFileContents(outFile, replacement.file);
}

Result replaceTexture(const QString& modelFile, const QString& pictureFile, const QString& outFile)
{
    if (Result r = checkTarget(outFile, {modelFile, pictureFile}); !r) return r;
    Replacement replacement;
    if (Result r = prepareReplacement(modelFile, pictureFile, &replacement); !r) return r;
    return saveReplacement(replacement, modelFile, pictureFile, outFile);
}

}  // namespace TextureEdit
