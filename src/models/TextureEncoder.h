#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include "models/FreeImageLib.h"
#include "models/ModelTexture.h"

// Makes a DDS texture from a picture in a layout that is already known: the
// format, size and mipmap count of a texture a model holds. The DXT blocks
// come from libsquish; the mipmaps are made again from the picture.
namespace TextureEncoder {

// The next smaller mipmap level: every pixel the mean of the 2 x 2 pixels
// above it (a box filter), the size halved and at least 1.
RgbaImage halve(const RgbaImage& level);

// How hard the block encoder works.
enum class Effort {
    Fast,      // libsquish's range fit on every block
    Balanced,  // range fit, then its cluster fit where the range fit is worst
    Best,      // cluster fit on every block
};

// One level in the texture's format: DXT1/3/5 blocks, or the uncompressed
// pixels packed by the header's channel masks. `level` must be the size of
// that level; pictures smaller than a block are padded by the encoder.
QByteArray encodeLevel(const RgbaImage& level, const ModelTexture::DdsInfo& info, Effort effort = Effort::Balanced);

// A whole DDS file: `header` (the first 128 bytes of the texture being
// replaced, kept as they are), then every level `info` states, the first
// from `picture` (which must have the texture's size) and each further one
// halved from the one above.
QByteArray encodeDds(QByteArrayView header, const ModelTexture::DdsInfo& info, const RgbaImage& picture,
                     Effort effort = Effort::Balanced);

}  // namespace TextureEncoder
