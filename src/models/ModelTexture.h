#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "models/FreeImageLib.h"
#include "platform/Result.h"

// The texture of a model file, read in memory: no scratch file, no shared
// buffer, so that tools which export, replace or show many textures can use
// it from any thread. (The window's preview keeps its own road through the
// scratch files of the program folder.)
//
// Layout: 12 leading bytes, the payload's size (signed 32-bit, little-endian)
// and the zlib stream of the payload. The payload's header holds T at 32 and
// U at 36: a whole DDS file begins at T + 16 and ends at U.
namespace ModelTexture {

enum class Format { Dxt1, Dxt3, Dxt5, Rgb, Rgba };

struct DdsInfo {
    quint32 width = 0;
    quint32 height = 0;
    quint32 mipmaps = 1;  // levels the file holds, the full-size one included
    Format format = Format::Dxt1;
    quint32 rgbBits = 0;                          // Rgb / Rgba: bits a pixel (16, 24 or 32)
    quint32 masks[4] = {0, 0, 0, 0};              // Rgb / Rgba: red, green, blue, alpha masks
    qint64 length = 0;                            // the header and every level
    static constexpr qint64 kHeaderLength = 128;  // "DDS " and the 124-byte surface description

    bool hasAlpha() const { return format != Format::Dxt1 && format != Format::Rgb; }
    QString formatName() const;
    // The bytes of one level, 0 the full size.
    qint64 levelLength(quint32 level) const;
};

// Reads a DDS header and checks that every level it states is in `dds`.
Result parseDds(QByteArrayView dds, DdsInfo* info);

struct Model {
    QByteArray file;       // the model file as read
    QByteArray payload;    // the uncompressed payload
    qint64 ddsOffset = 0;  // T + 16
    DdsInfo dds;
    QByteArrayView ddsBytes() const { return QByteArrayView(payload).sliced(ddsOffset, dds.length); }
};

// The largest model file read.
constexpr qint64 kMaxModelFileSize = 64 * 1024 * 1024;

// Reads a model file and finds its texture; the failure says what is wrong
// with it (too short, no payload, a texture block cut short, a format that
// is not supported).
Result read(const QString& modelFile, Model* out);
Result fromBytes(const QByteArray& file, Model* out);

// The full-size picture of the texture.
Result decode(const Model& model, RgbaImage* out);

}  // namespace ModelTexture
