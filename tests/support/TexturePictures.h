#pragma once

#include <QByteArray>
#include <QImage>

#include "models/FreeImageLib.h"

// Invented test pictures shaped like what face makers edit: a face-like
// picture (an opaque skin-toned oval with soft shading, eyes, brows and a
// mouth over a plain ground) and a hair-like one (thin strands of browns
// over transparency). Deterministic for a given size and seed.
namespace TexturePictures {

RgbaImage faceLike(int size, int seed = 1);
RgbaImage hairLike(int size, int seed = 1);

RgbaImage fromImage(const QImage& image);
QImage toImage(const RgbaImage& picture);
// A PNG file of the picture (always with an alpha channel).
QByteArray png(const RgbaImage& picture);
// An uncompressed 32-bit TGA file and a 24-bit BMP file of the picture.
QByteArray tga(const RgbaImage& picture);
QByteArray bmp(const RgbaImage& picture);

// Peak signal-to-noise ratio of the colour channels of `b` against `a`, in
// dB (alpha left out); 99 for identical colours, 0 for different sizes.
double psnr(const RgbaImage& a, const RgbaImage& b);
// The largest difference of one channel (alpha included) between two
// pictures of the same size; 256 for different sizes.
int maxDifference(const RgbaImage& a, const RgbaImage& b);

}  // namespace TexturePictures
