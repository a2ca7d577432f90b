#include "models/TextureEncoder.h"

#include <squish.h>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cstring>
#include <thread>
#include <vector>

namespace TextureEncoder {

namespace {

using Format = ModelTexture::Format;

int squishFormat(Format format)
{
    switch (format) {
    case Format::Dxt1: return squish::kDxt1;
    case Format::Dxt3: return squish::kDxt3;
    default: return squish::kDxt5;
    }
}

// One 4 x 4 block of the picture; pixels beyond its edge are left out of the
// mask (and copied from the edge, so that they never pull a fit).
struct Block {
    uchar rgba[64];
    int mask = 0;
};

Block blockAt(const RgbaImage& image, int bx, int by)
{
    Block b;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int sx = std::min(bx * 4 + x, image.width - 1), sy = std::min(by * 4 + y, image.height - 1);
            std::memcpy(b.rgba + (y * 4 + x) * 4, image.row(sy) + sx * 4, 4);
            if (bx * 4 + x < image.width && by * 4 + y < image.height) b.mask |= 1 << (y * 4 + x);
        }
    return b;
}

// The squared colour error of a block as a decoder shows it.
int blockError(const Block& source, const void* encoded, int flags)
{
    uchar shown[64];
    squish::Decompress(shown, encoded, flags);
    int sum = 0;
    for (int i = 0; i < 16; ++i) {
        if (!(source.mask & (1 << i))) continue;
        for (int c = 0; c < 3; ++c) {
            const int d = int(source.rgba[i * 4 + c]) - int(shown[i * 4 + c]);
            sum += d * d;
        }
    }
    return sum;
}

// Runs `work(first, last)` over [0, count) in a few slices at once.
template <typename Work>
void inSlices(int count, int minPerSlice, const Work& work)
{
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int slices = std::clamp(count / std::max(1, minPerSlice), 1, std::min(cores, 8));
    if (slices <= 1) {
        work(0, count);
        return;
    }
    std::vector<std::thread> threads;
    for (int s = 1; s < slices; ++s)
        threads.emplace_back([&, s] { work(count * s / slices, count * (s + 1) / slices); });
    work(0, count / slices);
    for (std::thread& t : threads) t.join();
}

// The share of blocks that the balanced effort gives the cluster fit: those
// whose range fit is worst. On faces and hair this gets most of the cluster
// fit's gain for a fraction of its time.
constexpr int kClusterPerMille = 40;
// A block whose range fit is off by less than this (squared, summed over its
// pixels' channels) is left as it is: the cluster fit cannot gain there.
constexpr int kGoodEnough = 16 * 3 * 2;

QByteArray encodeBlocks(const RgbaImage& level, Format format, Effort effort)
{
    const int flags = squishFormat(format);
    const int blockBytes = format == Format::Dxt1 ? 8 : 16;
    const int bw = (level.width + 3) / 4, bh = (level.height + 3) / 4;
    const int count = bw * bh;
    QByteArray out(qsizetype(count) * blockBytes, Qt::Uninitialized);
    uchar* blocks = reinterpret_cast<uchar*>(out.data());
    const int firstFit = effort == Effort::Best ? squish::kColourClusterFit : squish::kColourRangeFit;
    std::vector<int> errors(effort == Effort::Balanced ? size_t(count) : 0);

    inSlices(count, 256, [&](int first, int last) {
        for (int i = first; i < last; ++i) {
            const Block b = blockAt(level, i % bw, i / bw);
            uchar* target = blocks + qsizetype(i) * blockBytes;
            squish::CompressMasked(b.rgba, b.mask, target, flags | firstFit);
            if (!errors.empty()) errors[size_t(i)] = blockError(b, target, flags);
        }
    });
    if (errors.empty()) return out;

    // The worst blocks again with the cluster fit, kept where it does better.
    std::vector<int> ranked(errors);
    const size_t worst = std::max<size_t>(1, size_t(count) * kClusterPerMille / 1000);
    std::nth_element(ranked.begin(), ranked.begin() + qsizetype(worst - 1), ranked.end(), std::greater<int>());
    const int threshold = std::max(ranked[worst - 1], kGoodEnough);
    std::vector<int> chosen;
    for (int i = 0; i < count; ++i)
        if (errors[size_t(i)] >= threshold) chosen.push_back(i);
    inSlices(int(chosen.size()), 32, [&](int first, int last) {
        for (int k = first; k < last; ++k) {
            const int i = chosen[size_t(k)];
            const Block b = blockAt(level, i % bw, i / bw);
            uchar better[16];
            squish::CompressMasked(b.rgba, b.mask, better, flags | squish::kColourClusterFit);
            if (blockError(b, better, flags) < errors[size_t(i)])
                std::memcpy(blocks + qsizetype(i) * blockBytes, better, size_t(blockBytes));
        }
    });
    return out;
}

// A channel of 8 bits in the bits of its mask, rounded.
quint32 packChannel(uchar value, quint32 mask)
{
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const quint32 top = mask >> shift;
    return ((quint32(value) * top + 127) / 255) << shift & mask;
}

QByteArray packPixels(const RgbaImage& level, const ModelTexture::DdsInfo& info)
{
    const int bytes = int(info.rgbBits / 8);
    QByteArray out(qsizetype(level.width) * level.height * bytes, Qt::Uninitialized);
    char* d = out.data();
    const bool alpha = info.format == Format::Rgba;
    for (int y = 0; y < level.height; ++y) {
        const uchar* s = level.row(y);
        for (int x = 0; x < level.width; ++x, s += 4, d += bytes) {
            // Without alpha a mask for it (X8R8G8B8) is written opaque.
            const quint32 v = packChannel(s[0], info.masks[0]) | packChannel(s[1], info.masks[1]) |
                              packChannel(s[2], info.masks[2]) | packChannel(alpha ? s[3] : 255, info.masks[3]);
            uchar le[4];
            qToLittleEndian<quint32>(v, le);
            std::memcpy(d, le, size_t(bytes));
        }
    }
    return out;
}

}  // namespace

RgbaImage halve(const RgbaImage& level)
{
    RgbaImage out;
    out.width = std::max(1, level.width / 2);
    out.height = std::max(1, level.height / 2);
    out.pixels = QByteArray(qsizetype(out.width) * out.height * 4, Qt::Uninitialized);
    for (int y = 0; y < out.height; ++y) {
        const uchar* r0 = level.row(std::min(2 * y, level.height - 1));
        const uchar* r1 = level.row(std::min(2 * y + 1, level.height - 1));
        uchar* d = out.row(y);
        for (int x = 0; x < out.width; ++x) {
            const int x0 = std::min(2 * x, level.width - 1) * 4, x1 = std::min(2 * x + 1, level.width - 1) * 4;
            for (int c = 0; c < 4; ++c)
                d[x * 4 + c] = uchar((r0[x0 + c] + r0[x1 + c] + r1[x0 + c] + r1[x1 + c] + 2) / 4);
        }
    }
    return out;
}

QByteArray encodeLevel(const RgbaImage& level, const ModelTexture::DdsInfo& info, Effort effort)
{
    if (info.format == Format::Rgb || info.format == Format::Rgba) return packPixels(level, info);
    return encodeBlocks(level, info.format, effort);
}

QByteArray encodeDds(QByteArrayView header, const ModelTexture::DdsInfo& info, const RgbaImage& picture, Effort effort)
{
    QByteArray dds = header.first(ModelTexture::DdsInfo::kHeaderLength).toByteArray();
    dds.reserve(qsizetype(info.length));
    RgbaImage level = picture;
    for (quint32 i = 0; i < info.mipmaps; ++i) {
        if (i > 0) level = halve(level);
        dds += encodeLevel(level, info, effort);
    }
    return dds;
}

}  // namespace TextureEncoder
