#pragma once

#include <QString>

#include "models/FreeImageLib.h"
#include "models/ModelTexture.h"
#include "platform/Result.h"

// Small pictures of model files, for showing a whole face folder at once.
// Block-compressed textures are decoded here, from the smallest mipmap level
// that still covers the thumbnail, so a thumbnail costs a fraction of a
// full-size decode; other textures go through FreeImage. No state: usable
// from any thread.
namespace Thumbnails {

// The longest side of a thumbnail.
constexpr int kEdge = 128;

// The texture of a model file fitted into edge x edge pixels, its sides in
// proportion; a smaller texture keeps its size. The failure says why the
// file gives no picture.
Result make(const QString& modelFile, int edge, RgbaImage* out);
Result fromModel(const ModelTexture::Model& model, int edge, RgbaImage* out);

// A picture shrunk with a box filter to fit edge x edge (never enlarged).
RgbaImage fit(const RgbaImage& picture, int edge);

// One level of a DXT1/3/5 texture decoded to RGBA (0 the full size).
Result decodeBlocks(const ModelTexture::Model& model, quint32 level, RgbaImage* out);
// The same level a quarter of its size each way: each 4x4 block's average.
Result averageBlocks(const ModelTexture::Model& model, quint32 level, RgbaImage* out);

}  // namespace Thumbnails
