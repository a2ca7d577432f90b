// One install (a 1.5 MB face and a 1 MB hair model replacing older ones, and
// the player's line) against the least any install must do, in the same run:
//
//   floor     copy both models over their targets and append the line, each
//             synced to disk, as a power cut demands of any install;
//   plain     the same without the syncs (what an install cost before it was
//             made safe against kills and power cuts).
//
// Target: the install takes at most 1.10 times the floor. The ratio to the
// plain copy is printed for information: it is the price of durability.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "facefolder/Installer.h"
#include "platform/FileOps.h"
#include "support/PackFixtures.h"
#include "support/TestEnv.h"

namespace {

QTemporaryDir* g_root = nullptr;
std::vector<double> g_install, g_floor, g_plain;
const QByteArray kLine = R"(12345, "Sample Player_Face.bin", "Sample Player_Hair.bin")";

QString at(const QString& name) { return g_root->filePath(name); }

Installer::Request request()
{
    return {at("Face"),
            false,
            {},
            "Sample Player",
            MapLine::Content::FaceAndHair,
            QString::fromLatin1(kLine),
            at("work/Face"),
            at("work/Hair"),
            at("program")};
}

// Copies the working file over the target, synced when asked.
bool copyOver(const QString& source, const QString& target, bool sync)
{
    QFile::remove(target);
    if (!QFile::copy(source, target)) return false;
    if (!sync) return true;
    QFile f(target);
    return f.open(QIODevice::ReadWrite) && FileOps::syncFile(f).ok;
}

bool appendLine(bool sync)
{
    QFile map(at("Face/map.txt"));
    if (!map.open(QIODevice::WriteOnly | QIODevice::Append) || map.write(kLine + "\r\n") != kLine.size() + 2)
        return false;
    return !sync || FileOps::syncFile(map).ok;
}

template <class Work>
void measure(benchmark::State& state, std::vector<double>& times, Work work)
{
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!work()) {
            state.SkipWithError("the work failed");
            break;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        times.push_back(took.count());
    }
}

void BM_Install(benchmark::State& state)
{
    measure(state, g_install, [] { return Installer::install(request()).ok; });
}

void BM_CopyAppendFloor(benchmark::State& state)
{
    measure(state, g_floor, [] {
        return copyOver(at("work/Face"), at("Face/Sample Player_Face.bin"), true) &&
               copyOver(at("work/Hair"), at("Face/Sample Player_Hair.bin"), true) && appendLine(true);
    });
}

void BM_CopyAppendPlain(benchmark::State& state)
{
    measure(state, g_plain, [] {
        return copyOver(at("work/Face"), at("Face/Sample Player_Face.bin"), false) &&
               copyOver(at("work/Hair"), at("Face/Sample Player_Hair.bin"), false) && appendLine(false);
    });
}

BENCHMARK(BM_CopyAppendFloor)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Install)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyAppendPlain)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir root;
    if (!root.isValid()) return 1;
    g_root = &root;
    TestEnv::writeFile(at("work/Face"), PackFixtures::modelBytes(1536 * 1024, 1));
    TestEnv::writeFile(at("work/Hair"), PackFixtures::modelBytes(1024 * 1024, 2));
    QDir().mkpath(at("program"));
    QDir().mkpath(at("Face"));
    if (!Installer::install(request())) return 1;  // the models to replace

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double install = median(g_install), floor = median(g_floor), plain = median(g_plain);
    if (install > 0 && floor > 0 && plain > 0) {
        const double ratio = install / floor;
        std::printf(
            "median install %.2f ms, synced copy+append %.2f ms, ratio %.2f (target <= 1.10): %s; "
            "plain copy+append %.2f ms, ratio %.2f\n",
            install * 1000, floor * 1000, ratio, ratio <= 1.10 ? "met" : "NOT met", plain * 1000, install / plain);
    }
    return 0;
}
