#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "models/FreeImageLib.h"
#include "models/ModelTexture.h"
#include "platform/Result.h"

// For face makers: a model's texture taken out as a picture, and an edited
// picture put back into a new model file. Widget-free; the window and the
// command line both call these.
//
// A new model keeps everything of the old one but the texture's DDS: the 12
// leading bytes (bytes 8-11 get the new stream's length where they held the
// old one's), the payload header and every payload byte outside the DDS,
// and whatever followed the zlib stream. The DDS keeps its header, format,
// size and mipmap count; its levels are made from the picture. The payload
// is compressed as BazaZlib::CompressFile lays it out.
namespace TextureEdit {

// The largest picture file read (a 4096 x 4096 RGBA picture with room to
// spare), so that a stray huge file is refused before it is read.
constexpr qint64 kMaxPictureFileSize = 256 * 1024 * 1024;

enum class ExportFormat { Png, Dds };
// By the file's suffix: ".png" or ".dds" in any letter case.
Result exportFormatFor(const QString& outFile, ExportFormat* format);

// The texture as a PNG (alpha kept) or as the DDS exactly as the model holds it.
Result exportBytes(const ModelTexture::Model& model, ExportFormat format, QByteArray* out);
// Writes the texture of a model file to `outFile` (a temporary file renamed
// over it), in the format its suffix names. The model file itself is refused
// as the target.
Result exportTexture(const QString& modelFile, const QString& outFile);

// A replacement made in memory: what the window's before/after preview shows
// and what is written when the user saves.
struct Replacement {
    ModelTexture::Model source;  // the model as read
    RgbaImage before;            // its texture
    QByteArray dds;              // the new texture
    RgbaImage after;             // the new texture as it will show
    QByteArray file;             // the new model file
};

// Puts a picture file's bytes (PNG, BMP, TGA or DDS) into a model read in
// memory. Refused with a message naming `pictureName`: not one of those
// pictures, a damaged one, one beyond the size cap, one of another size than
// the texture (both sizes named), or one with alpha where the texture has none.
Result replaceInMemory(const ModelTexture::Model& model, QByteArrayView picture, const QString& pictureName,
                       Replacement* out);
// The same from files.
Result prepareReplacement(const QString& modelFile, const QString& pictureFile, Replacement* out);
// Writes a prepared model to `outFile` (a temporary file renamed over it).
// Neither the source model nor the picture is ever written over.
Result saveReplacement(const Replacement& replacement, const QString& modelFile, const QString& pictureFile,
                       const QString& outFile);
// prepareReplacement, then saveReplacement; nothing is written on a failure.
Result replaceTexture(const QString& modelFile, const QString& pictureFile, const QString& outFile);

}  // namespace TextureEdit
