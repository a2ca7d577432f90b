#include "models/Thumbnails.h"

#include <cstring>

namespace Thumbnails {

namespace {

using ModelTexture::Format;

void expand565(quint16 c, uchar* rgba)
{
    const int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    rgba[0] = uchar(r << 3 | r >> 2);
    rgba[1] = uchar(g << 2 | g >> 4);
    rgba[2] = uchar(b << 3 | b >> 2);
    rgba[3] = 255;
}

// The colours of a block: four RGBA entries, and which one each pixel takes.
// A first colour not above the second means three colours and transparent
// black, in every format: so the preview's decoder (FreeImage) reads them too,
// and a thumbnail must look like the preview.
void colourBlock(const uchar* b, uchar out[16][4])
{
    const quint16 c0 = quint16(b[0] | b[1] << 8), c1 = quint16(b[2] | b[3] << 8);
    uchar pal[4][4];
    expand565(c0, pal[0]);
    expand565(c1, pal[1]);
    if (c0 > c1) {
        for (int i = 0; i < 3; ++i) {
            pal[2][i] = uchar((2 * pal[0][i] + pal[1][i]) / 3);
            pal[3][i] = uchar((pal[0][i] + 2 * pal[1][i]) / 3);
        }
        pal[2][3] = pal[3][3] = 255;
    } else {
        for (int i = 0; i < 3; ++i) pal[2][i] = uchar((pal[0][i] + pal[1][i]) / 2);
        pal[2][3] = 255;
        std::memset(pal[3], 0, 4);
    }
    const quint32 indices = quint32(b[4]) | quint32(b[5]) << 8 | quint32(b[6]) << 16 | quint32(b[7]) << 24;
    for (int p = 0; p < 16; ++p) std::memcpy(out[p], pal[(indices >> (2 * p)) & 3], 4);
}

void explicitAlpha(const uchar* b, uchar out[16][4])
{
    for (int p = 0; p < 16; ++p) {
        const int nibble = (b[p / 2] >> (4 * (p & 1))) & 15;
        out[p][3] = uchar(nibble * 17);
    }
}

// A DXT5 alpha block: its eight alpha values, and its 48 bits of indexes.
quint64 alphaPalette(const uchar* b, int pal[8])
{
    const int a0 = b[0], a1 = b[1];
    pal[0] = a0;
    pal[1] = a1;
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) pal[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    } else {
        for (int i = 1; i < 5; ++i) pal[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        pal[6] = 0;
        pal[7] = 255;
    }
    quint64 bits = 0;
    for (int i = 0; i < 6; ++i) bits |= quint64(b[2 + i]) << (8 * i);
    return bits;
}

void interpolatedAlpha(const uchar* b, uchar out[16][4])
{
    int pal[8];
    const quint64 bits = alphaPalette(b, pal);
    for (int p = 0; p < 16; ++p) out[p][3] = uchar(pal[(bits >> (3 * p)) & 7]);
}

// Where a level's bytes begin and how large it is, checked against the file.
Result levelOf(const ModelTexture::Model& model, quint32 level, const uchar** bytes, int* width, int* height)
{
    const ModelTexture::DdsInfo& dds = model.dds;
    if (dds.format != Format::Dxt1 && dds.format != Format::Dxt3 && dds.format != Format::Dxt5)
        return Result::failure(QStringLiteral("the texture is not block-compressed"));
    if (level >= dds.mipmaps) return Result::failure(QStringLiteral("the texture has no such mipmap level"));
    qint64 offset = ModelTexture::DdsInfo::kHeaderLength;
    for (quint32 l = 0; l < level; ++l) offset += dds.levelLength(l);
    const QByteArrayView all = model.ddsBytes();
    if (offset + dds.levelLength(level) > all.size())
        return Result::failure(QStringLiteral("the texture is cut short"));
    *bytes = reinterpret_cast<const uchar*>(all.data()) + offset;
    *width = int(qMax<quint32>(1, dds.width >> level));
    *height = int(qMax<quint32>(1, dds.height >> level));
    return Result::success();
}

// The sum of a block's 16 values of one channel, from how often each
// palette entry is used: the block's average without decoding its pixels.
struct IndexCounts {
    int colour[4] = {0, 0, 0, 0};
    int alpha[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

}  // namespace

Result averageBlocks(const ModelTexture::Model& model, quint32 level, RgbaImage* out)
{
    *out = RgbaImage();
    const uchar* src = nullptr;
    int width = 0, height = 0;
    if (Result r = levelOf(model, level, &src, &width, &height); !r) return r;
    const Format format = model.dds.format;
    // Partial blocks at the edges hold pixels outside the picture: they
    // count as whole ones, which a thumbnail cannot show.
    out->width = (width + 3) / 4;
    out->height = (height + 3) / 4;
    out->pixels = QByteArray(qsizetype(out->width) * out->height * 4, Qt::Uninitialized);
    const int blockBytes = format == Format::Dxt1 ? 8 : 16;
    for (int by = 0; by < out->height; ++by) {
        uchar* dst = out->row(by);
        for (int bx = 0; bx < out->width; ++bx, src += blockBytes, dst += 4) {
            const uchar* c = format == Format::Dxt1 ? src : src + 8;
            const quint16 c0 = quint16(c[0] | c[1] << 8), c1 = quint16(c[2] | c[3] << 8);
            uchar p0[4], p1[4];
            expand565(c0, p0);
            expand565(c1, p1);
            IndexCounts n;
            const quint32 indices = quint32(c[4]) | quint32(c[5]) << 8 | quint32(c[6]) << 16 | quint32(c[7]) << 24;
            for (int p = 0; p < 16; ++p) ++n.colour[(indices >> (2 * p)) & 3];
            int sum[4];
            if (c0 > c1) {
                for (int i = 0; i < 3; ++i)
                    sum[i] = n.colour[0] * p0[i] + n.colour[1] * p1[i] + n.colour[2] * ((2 * p0[i] + p1[i]) / 3) +
                             n.colour[3] * ((p0[i] + 2 * p1[i]) / 3);
                sum[3] = 16 * 255;
            } else {
                for (int i = 0; i < 3; ++i)
                    sum[i] = n.colour[0] * p0[i] + n.colour[1] * p1[i] + n.colour[2] * ((p0[i] + p1[i]) / 2);
                sum[3] = (16 - n.colour[3]) * 255;
            }
            if (format == Format::Dxt3) {
                sum[3] = 0;
                for (int p = 0; p < 16; ++p) sum[3] += ((src[p / 2] >> (4 * (p & 1))) & 15) * 17;
            } else if (format == Format::Dxt5) {
                int pal[8];
                const quint64 bits = alphaPalette(src, pal);
                for (int p = 0; p < 16; ++p) ++n.alpha[(bits >> (3 * p)) & 7];
                sum[3] = 0;
                for (int i = 0; i < 8; ++i) sum[3] += n.alpha[i] * pal[i];
            }
            for (int i = 0; i < 4; ++i) dst[i] = uchar((sum[i] + 8) / 16);
        }
    }
    return Result::success();
}

Result decodeBlocks(const ModelTexture::Model& model, quint32 level, RgbaImage* out)
{
    *out = RgbaImage();
    const uchar* src = nullptr;
    int width = 0, height = 0;
    if (Result r = levelOf(model, level, &src, &width, &height); !r) return r;
    const ModelTexture::DdsInfo& dds = model.dds;
    out->width = width;
    out->height = height;
    out->pixels = QByteArray(qsizetype(width) * height * 4, Qt::Uninitialized);
    const int blockBytes = dds.format == Format::Dxt1 ? 8 : 16;
    uchar block[16][4];
    for (int by = 0; by < (height + 3) / 4; ++by) {
        for (int bx = 0; bx < (width + 3) / 4; ++bx, src += blockBytes) {
            if (dds.format == Format::Dxt1) {
                colourBlock(src, block);
            } else {
                colourBlock(src + 8, block);
                if (dds.format == Format::Dxt3)
                    explicitAlpha(src, block);
                else
                    interpolatedAlpha(src, block);
            }
            for (int y = 0; y < 4 && by * 4 + y < height; ++y) {
                const int n = qMin(4, width - bx * 4);
                std::memcpy(out->row(by * 4 + y) + bx * 16, block[y * 4], size_t(n) * 4);
            }
        }
    }
    return Result::success();
}

RgbaImage fit(const RgbaImage& picture, int edge)
{
    const int longest = qMax(picture.width, picture.height);
    if (picture.isNull() || longest <= edge) return picture;
    RgbaImage out;
    out.width = qMax(1, int(qint64(picture.width) * edge / longest));
    out.height = qMax(1, int(qint64(picture.height) * edge / longest));
    out.pixels = QByteArray(qsizetype(out.width) * out.height * 4, Qt::Uninitialized);
    std::vector<quint32> sums(size_t(out.width) * 4);
    for (int oy = 0; oy < out.height; ++oy) {
        const int y0 = int(qint64(oy) * picture.height / out.height);
        const int y1 = qMax(y0 + 1, int(qint64(oy + 1) * picture.height / out.height));
        std::fill(sums.begin(), sums.end(), 0u);
        for (int y = y0; y < y1; ++y) {
            const uchar* row = picture.row(y);
            for (int ox = 0; ox < out.width; ++ox) {
                const int x0 = int(qint64(ox) * picture.width / out.width);
                const int x1 = qMax(x0 + 1, int(qint64(ox + 1) * picture.width / out.width));
                quint32* s = &sums[size_t(ox) * 4];
                for (const uchar* p = row + x0 * 4; p < row + x1 * 4; p += 4) {
                    s[0] += p[0];
                    s[1] += p[1];
                    s[2] += p[2];
                    s[3] += p[3];
                }
            }
        }
        uchar* dst = out.row(oy);
        for (int ox = 0; ox < out.width; ++ox) {
            const int x0 = int(qint64(ox) * picture.width / out.width);
            const int x1 = qMax(x0 + 1, int(qint64(ox + 1) * picture.width / out.width));
            const quint32 n = quint32((x1 - x0) * (y1 - y0));
            for (int c = 0; c < 4; ++c) dst[ox * 4 + c] = uchar((sums[size_t(ox) * 4 + c] + n / 2) / n);
        }
    }
    return out;
}

Result fromModel(const ModelTexture::Model& model, int edge, RgbaImage* out)
{
    *out = RgbaImage();
    const ModelTexture::DdsInfo& dds = model.dds;
    RgbaImage full;
    if (dds.format == Format::Dxt1 || dds.format == Format::Dxt3 || dds.format == Format::Dxt5) {
        // The smallest level whose longer side still reaches the edge.
        quint32 level = 0;
        while (level + 1 < dds.mipmaps && qMax(dds.width, dds.height) >> (level + 1) >= quint32(edge)) ++level;
        // Four times the edge or more: each block's average is a pixel of a
        // box-filtered picture that still covers the edge, at a fraction of
        // the cost of decoding every pixel.
        const bool averages = qMax(dds.width, dds.height) >> level >= quint32(edge) * 4 &&
                              (dds.width >> level) % 4 == 0 && (dds.height >> level) % 4 == 0;
        if (Result r = averages ? averageBlocks(model, level, &full) : decodeBlocks(model, level, &full); !r) return r;
    } else if (Result r = ModelTexture::decode(model, &full); !r) {
        return r;
    }
    *out = fit(full, edge);
    return Result::success();
}

Result make(const QString& modelFile, int edge, RgbaImage* out)
{
    *out = RgbaImage();
    ModelTexture::Model model;
    if (Result r = ModelTexture::read(modelFile, &model); !r) return r;
    return fromModel(model, edge, out);
}

}  // namespace Thumbnails
