// Replacing a model's texture: an edited picture (PNG) made into a DDS with
// every mipmap level, for face-like and hair-like test pictures at 256^2,
// 512^2 and 1024^2, in DXT1 and DXT5. The peer is ImageMagick's DDS writer
// (`convert in.png [-alpha on] -define dds:compression=dxtN out.dds`, a
// process of its own, which also reads the PNG and writes every mipmap
// level; "-alpha on" for DXT5, which it would otherwise write as DXT1 for an
// opaque picture); the
// program's side times the same work: the PNG decoded, every level made and
// encoded. The two run interleaved in one run and the medians are compared.
// Quality is the PSNR of the first level, decoded by the same reader for
// both, against the source picture's colours.
// Targets: PSNR at least the peer's on every picture; time per 1024^2 DXT5
// at most the peer's.
//
// Once for each picture, for the record: libsquish's range fit and cluster
// fit on every block (the ends the program's balanced effort lies between),
// and, where the build found it, the NVIDIA Texture Tools library at its
// fastest and normal quality, run as a program of its own.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "BenchSupport.h"
#include "models/ModelTexture.h"
#include "models/TextureEncoder.h"
#include "support/DdsWriter.h"
#include "support/TestEnv.h"
#include "support/TexturePictures.h"

namespace {

using Clock = std::chrono::steady_clock;
using TextureEncoder::Effort;

struct Side {
    double ms = 0, psnr = 0;
};
struct Row {
    const char* kind;
    int n;
    const char* format;
    Side ours, peer, range, cluster, nvttFast, nvttNormal;
};
std::vector<Row> g_rows;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A DDS header of the texture a model would hold: n x n, every mipmap level.
QByteArray headerFor(int n, const char* format, ModelTexture::DdsInfo* info)
{
    QByteArray header = DdsWriter::header(quint32(n), quint32(n), format);
    quint32 levels = 1;
    for (int s = n; s > 1; s >>= 1) ++levels;
    qToLittleEndian<quint32>(qFromLittleEndian<quint32>(header.constData() + 8) | 0x20000, header.data() + 8);
    qToLittleEndian<quint32>(levels, header.data() + 28);
    ModelTexture::parseDds(header + QByteArray(n * n * 2, '\0'), info);
    return header;
}

double psnrOf(const RgbaImage& source, const QByteArray& dds)
{
    RgbaImage shown;
    if (!Pictures::decode(dds, QStringLiteral("texture"), &shown)) return 0;
    return TexturePictures::psnr(source, shown);
}

bool runPeer(const QString& in, const QString& out, const char* format)
{
    QProcess convert;
    QStringList args{in};
    // ImageMagick writes an opaque picture as DXT1 whatever it is asked;
    // with its alpha channel switched on it writes the DXT5 asked for.
    if (std::strcmp(format, "DXT5") == 0) args << QStringLiteral("-alpha") << QStringLiteral("on");
    args << QStringLiteral("-define") << QStringLiteral("dds:compression=%1").arg(format).toLower() << out;
    convert.start(QStringLiteral("convert"), args);
    return convert.waitForFinished(120000) && convert.exitStatus() == QProcess::NormalExit && convert.exitCode() == 0;
}

#ifdef LUDEX_NVTT_HELPER
Side runNvtt(const QString& in, const QByteArray& header, const RgbaImage& source, const char* format,
             const char* quality, const QString& scratch)
{
    QProcess helper;
    helper.start(QStringLiteral(LUDEX_NVTT_HELPER),
                 {in, QString::fromLatin1(format), QString::fromLatin1(quality), scratch});
    if (!helper.waitForFinished(600000) || helper.exitCode() != 0) return {};
    QByteArray single = header;
    qToLittleEndian<quint32>(1, single.data() + 28);
    return {helper.readAllStandardOutput().trimmed().toDouble(), psnrOf(source, single + TestEnv::readFile(scratch))};
}
#endif

void BM_ReplaceTexture(benchmark::State& state)
{
    const bool hair = state.range(0) == 1;
    const int n = int(state.range(1));
    const char* format = state.range(2) == 1 ? "DXT1" : "DXT5";
    RgbaImage picture = hair ? TexturePictures::hairLike(n) : TexturePictures::faceLike(n);
    if (state.range(2) == 1)  // a DXT1 texture keeps no alpha: the picture is opaque
        for (qsizetype i = 3; i < picture.pixels.size(); i += 4) picture.pixels[i] = char(255);
    const QByteArray png = TexturePictures::png(picture);
    QTemporaryDir dir;
    const QString in = dir.filePath("in.png"), out = dir.filePath("out.dds");
    TestEnv::writeFile(in, png);
    ModelTexture::DdsInfo info;
    const QByteArray header = headerFor(n, format, &info);

    QByteArray ours;
    const auto runOurs = [&] {
        RgbaImage decoded;
        if (!Pictures::decode(png, QStringLiteral("picture"), &decoded)) return false;
        ours = TextureEncoder::encodeDds(header, info, decoded, Effort::Balanced);
        return ours.size() == info.length;
    };
    if (QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty()) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    // Once untimed, so both start warm; the peer must write the format asked for.
    ModelTexture::DdsInfo peerInfo;
    if (!runOurs() || !runPeer(in, out, format) || !ModelTexture::parseDds(TestEnv::readFile(out), &peerInfo) ||
        peerInfo.formatName() != QLatin1String(format)) {
        state.SkipWithError("a side failed or the peer wrote another format");
        return;
    }
    Row row{hair ? "hair" : "face", n, format, {}, {}, {}, {}, {}, {}};
    row.ours.psnr = psnrOf(picture, ours);
    row.peer.psnr = psnrOf(picture, TestEnv::readFile(out));

    std::vector<double> took[2];
    int first = 0;
    for (auto _ : state) {
        double round[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {  // each side leads in turn
            const int side = (first + k) % 2;
            const auto start = Clock::now();
            const bool ok = side == 0 ? runOurs() : runPeer(in, out, format);
            round[side] = msSince(start);
            if (!ok) state.SkipWithError("a side failed");
        }
        first ^= 1;
        state.SetIterationTime(round[0] / 1000);
        took[0].push_back(round[0]);
        took[1].push_back(round[1]);
    }
    row.ours.ms = median(took[0]);
    row.peer.ms = median(took[1]);

    // The library's own ends, once each.
    for (auto [effort, side] : {std::pair{Effort::Fast, &row.range}, std::pair{Effort::Best, &row.cluster}}) {
        const auto start = Clock::now();
        const QByteArray dds = TextureEncoder::encodeDds(header, info, picture, effort);
        side->ms = msSince(start);
        side->psnr = psnrOf(picture, dds);
    }
#ifdef LUDEX_NVTT_HELPER
    row.nvttFast = runNvtt(in, header, picture, format, "fastest", dir.filePath("nvtt.blocks"));
    row.nvttNormal = runNvtt(in, header, picture, format, "normal", dir.filePath("nvtt.blocks"));
#endif
    state.counters["psnr"] = row.ours.psnr;
    state.counters["peer_psnr"] = row.peer.psnr;
    state.counters["peer_ms"] = row.peer.ms;
    g_rows.push_back(row);
}

void pictures(benchmark::internal::Benchmark* b)
{
    for (int kind : {0, 1})
        for (int n : {256, 512, 1024})
            for (int format : {1, 5}) b->Args({kind, n, format});
}
BENCHMARK(BM_ReplaceTexture)
    ->ArgNames({"hair", "n", "dxt"})
    ->Apply(pictures)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf(
        "\npicture      format | program: PSNR dB, ms | ImageMagick: PSNR dB, ms | PSNR +dB, time ratio | "
        "squish range fit | squish cluster fit | nvtt fastest | nvtt normal\n");
    bool psnrMet = true, timeMet = true;
    for (const Row& r : g_rows) {
        const double gain = r.ours.psnr - r.peer.psnr, ratio = r.ours.ms / r.peer.ms;
        psnrMet = psnrMet && gain >= 0;
        if (r.n == 1024 && std::strcmp(r.format, "DXT5") == 0) timeMet = timeMet && ratio <= 1.0;
        std::printf(
            "%-4s %4d^2 %s | %6.2f %8.1f | %6.2f %8.1f | %+5.2f %5.2f | %6.2f %7.1f | %6.2f %7.1f | "
            "%6.2f %7.1f | %6.2f %7.1f\n",
            r.kind, r.n, r.format, r.ours.psnr, r.ours.ms, r.peer.psnr, r.peer.ms, gain, ratio, r.range.psnr,
            r.range.ms, r.cluster.psnr, r.cluster.ms, r.nvttFast.psnr, r.nvttFast.ms, r.nvttNormal.psnr,
            r.nvttNormal.ms);
    }
    std::printf("PSNR at least the peer's on every picture: %s\n", psnrMet ? "met" : "NOT met");
    std::printf("time per 1024^2 DXT5 at most the peer's: %s\n", timeMet ? "met" : "NOT met");
    return 0;
}
