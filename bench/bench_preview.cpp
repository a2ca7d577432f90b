// Previewing a face model whose texture is an n x n DXT5 DDS, from the
// working copy to the bitmap file, scratch files included, against two
// floors that make the same BMP bytes from the same working copy with
// nothing but what they need (the working copy read, zlib in memory,
// FreeImage reading the DDS from memory): the first writes the bitmap file
// as the program must, the second keeps the bitmap in memory. Putting the
// bitmap on screen costs all sides the same and is left out, so it cannot
// hide a difference. The sides run interleaved in one run; the ratios of the
// medians are what counts. Targets (against the in-memory floor): at most
// 1.5 times at 1024 and 2048, at most 3 times at 256, where the fixed costs
// of files weigh most. The ratio to the bitmap-file floor shows what the
// scratch files cost beyond the bitmap file the program must write.
#include <benchmark/benchmark.h>

#include <FreeImage.h>
#include <zlib.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include <QCoreApplication>

#include "BenchSupport.h"
#include "models/BazaZlib.h"
#include "models/ModelFileBuilder.h"
#include "models/TexturePreview.h"
#include "support/DdsWriter.h"
#include "support/TestEnv.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double preview = 0, fileFloor = 0, memoryFloor = 0;  // medians, ms
};
std::map<int, Figures> g_figures;

// A floor: the bitmap from the working copy with nothing else passing
// through a file; into the bitmap file, or kept in memory when that is empty.
bool floorPreview(const QString& working, const QString& bitmap, QByteArray* inMemory = nullptr)
{
    QFile file(working);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray model = file.readAll();
    if (model.size() < 16) return false;
    const qint32 size = qFromLittleEndian<qint32>(model.constData() + 12);
    QByteArray payload(size, Qt::Uninitialized);
    uLongf length = uLongf(size);
    if (uncompress(reinterpret_cast<Bytef*>(payload.data()), &length,
                   reinterpret_cast<const Bytef*>(model.constData() + 16), uLong(model.size() - 16)) != Z_OK)
        return false;
    const qint32 t = qFromLittleEndian<qint32>(payload.constData() + 32);
    FIMEMORY* memory = FreeImage_OpenMemory(reinterpret_cast<BYTE*>(payload.data() + t + 16), DWORD(length - t - 16));
    FIBITMAP* dib = FreeImage_LoadFromMemory(FIF_DDS, memory, 0);
    FreeImage_CloseMemory(memory);
    if (!dib) return false;
    bool saved = false;
    if (inMemory) {
        // The BMP file's bytes: file header, the bitmap's own info header and
        // pixel rows (a decoded DXT5 has no palette).
        const BITMAPINFOHEADER* info = FreeImage_GetInfoHeader(dib);
        const qsizetype bits = qsizetype(FreeImage_GetPitch(dib)) * FreeImage_GetHeight(dib);
        const quint32 offset = 14 + info->biSize, total = quint32(offset + bits);
        inMemory->resize(total);
        char* out = inMemory->data();
        out[0] = 'B';
        out[1] = 'M';
        qToLittleEndian<quint32>(total, out + 2);
        qToLittleEndian<quint32>(0, out + 6);
        qToLittleEndian<quint32>(offset, out + 10);
        std::memcpy(out + 14, info, info->biSize);
        std::memcpy(out + offset, FreeImage_GetBits(dib), size_t(bits));
        saved = FreeImage_GetColorsUsed(dib) == 0;
    } else {
        // As the preview does: a fresh file, since rewriting one in place
        // makes the file system flush it.
        QFile::remove(bitmap);
        saved = FreeImage_Save(FIF_BMP, dib, QFile::encodeName(bitmap).constData(), 0);
    }
    FreeImage_Unload(dib);
    return saved;
}

void BM_TextureFace_DXT5(benchmark::State& state)
{
    const int n = int(state.range(0));
    TestEnv env;
    BazaZlib zlib;
    TexturePreview preview(env.programFolder(), zlib);
    const auto run = [&] {
        return bool(preview.Preview("\\Face", "\\Face.bmp", [](const QString& f) { return QFile::exists(f); }));
    };
    // Block data of a real texture barely compresses: fill the blocks with noise.
    QByteArray dds = DdsWriter::dxt5(n, n, DdsWriter::checkerBlock).bytes;
    QRandomGenerator rng(5);
    for (qsizetype i = 128; i < dds.size(); ++i) dds[i] = char(rng.bounded(256));
    const QString working =
        ModelFileBuilder().dds(dds).model(QByteArray(300000, 'm')).write(QDir(env.programFolder()).filePath("Face"));
    const QString floorBitmap = env.path("floor.bmp");

    // Once untimed, so every side starts warm; and all must give the same bitmap.
    QByteArray bitmapInMemory;
    if (!run() || !floorPreview(working, floorBitmap) || !floorPreview(working, QString(), &bitmapInMemory) ||
        TestEnv::readFile(QDir(env.programFolder()).filePath("Face.bmp")) != TestEnv::readFile(floorBitmap) ||
        TestEnv::readFile(floorBitmap) != bitmapInMemory) {
        state.SkipWithError("the preview and the floors do not give the same bitmap");
        return;
    }
    std::vector<double> took[3];  // preview, file floor, memory floor
    int first = 0;
    for (auto _ : state) {
        double round[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {  // each side leads in turn
            const int side = (first + k) % 3;
            const auto start = Clock::now();
            const bool ok = side == 0   ? run()
                            : side == 1 ? floorPreview(working, floorBitmap)
                                        : floorPreview(working, QString(), &bitmapInMemory);
            round[side] = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (!ok) state.SkipWithError("preview failed");
        }
        first = (first + 1) % 3;
        state.SetIterationTime(round[0] / 1000);
        for (int side = 0; side < 3; ++side) took[side].push_back(round[side]);
    }
    Figures& f = g_figures[n];
    f.preview = median(took[0]);
    f.fileFloor = median(took[1]);
    f.memoryFloor = median(took[2]);
    state.counters["file_floor_ms"] = f.fileFloor;
    state.counters["memory_floor_ms"] = f.memoryFloor;
}
BENCHMARK(BM_TextureFace_DXT5)->Arg(256)->Iterations(300)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextureFace_DXT5)->Arg(1024)->Iterations(60)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextureFace_DXT5)->Arg(2048)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextureFace_DXT5)->Arg(4096)->Iterations(9)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& [n, f] : g_figures) {
        if (f.fileFloor <= 0 || f.memoryFloor <= 0) continue;
        const double ratio = f.preview / f.memoryFloor, target = n <= 256 ? 3.0 : 1.5;
        std::printf(
            "DXT5 %4d^2: median preview %.2f ms; in-memory floor %.2f ms, ratio %.2f (target <= %.1f%s); "
            "bitmap-file floor %.2f ms, ratio %.2f\n",
            n, f.preview, f.memoryFloor, ratio, target,
            n > 2048          ? ", not set"
            : ratio <= target ? ": met"
                              : ": NOT met",
            f.fileFloor, f.preview / f.fileFloor);
    }
    return 0;
}
