// The NVIDIA Texture Tools side of bench_texture, as a program of its own:
// libnvtt carries a copy of squish's classes under the same names, so it
// cannot share a process with libsquish.
//
//     bench_texture_nvtt IN.png DXT1|DXT5 fastest|normal OUT.blocks
//
// Encodes the picture with its full mipmap chain, writes the first level's
// blocks and prints the encode time in milliseconds.
#include <nvtt/nvtt.h>

#include <QFile>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

struct FirstLevel : nvtt::OutputHandler {
    QByteArray blocks;
    int level = -1;
    void beginImage(int, int, int, int, int, int miplevel) override { level = miplevel; }
    bool writeData(const void* data, int size) override
    {
        if (level == 0) blocks.append(static_cast<const char*>(data), size);
        return true;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s IN.png DXT1|DXT5 fastest|normal OUT.blocks\n", argv[0]);
        return 2;
    }
    // Qt keeps BGRA in memory as ARGB32 on a little-endian machine: what nvtt reads.
    const QImage image = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return 1;
    nvtt::InputOptions input;
    input.setTextureLayout(nvtt::TextureType_2D, image.width(), image.height());
    input.setMipmapData(image.constBits(), image.width(), image.height());
    input.setMipmapGeneration(true);
    input.setMipmapFilter(nvtt::MipmapFilter_Box);
    nvtt::CompressionOptions compression;
    compression.setFormat(std::strcmp(argv[2], "DXT1") == 0 ? nvtt::Format_DXT1 : nvtt::Format_DXT5);
    compression.setQuality(std::strcmp(argv[3], "fastest") == 0 ? nvtt::Quality_Fastest : nvtt::Quality_Normal);
    FirstLevel out;
    nvtt::OutputOptions output;
    output.setOutputHandler(&out);
    output.setOutputHeader(false);
    const auto start = std::chrono::steady_clock::now();
    if (!nvtt::Compressor().process(input, compression, output)) return 1;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    QFile file(QString::fromLocal8Bit(argv[4]));
    if (!file.open(QIODevice::WriteOnly) || file.write(out.blocks) != out.blocks.size()) return 1;
    std::printf("%.3f\n", ms);
    return 0;
}
