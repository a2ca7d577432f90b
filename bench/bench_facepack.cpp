// Face-pack import against libarchive's own command-line extractor, and a
// split pack against the same pack in one file.
//
// A 200 MB pack of model files (0.5 to 4 MB each, in team folders) is written
// once as a stored RAR 5 archive, and once more as a set of 10 RAR 5 volumes
// of 20 MB, the size that upload limits make people cut packs into. Each
// iteration imports a pack into an empty archive folder, staging and merge
// included, or has `bsdtar -xf` extract the one-file pack into an empty
// folder. Targets: the import takes at most 1.3 times as long as bsdtar, and
// the split pack at most 1.3 times as long as the one-file pack.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"
#include "archive/FacePackImport.h"
#include "archive/PackFixtures.h"
#include "archive/UnRarExtractor.h"
#include "support/RarWriter.h"

namespace {

constexpr qint64 kMiB = qint64(1) << 20;
constexpr qint64 kPackData = 200 * kMiB;

QTemporaryDir* g_root = nullptr;
QString g_pack;
QStringList g_split;  // the same pack in 10 parts
qint64 g_files = 0;
std::vector<double> g_importSeconds;
std::vector<double> g_splitSeconds;
std::vector<double> g_bsdtarSeconds;

// 20 large models of 4 MB, the rest between 0.5 and 0.6 MB, 200 MB in all,
// spread over 12 team folders.
std::vector<RarWriter::Entry> packEntries()
{
    std::vector<RarWriter::Entry> entries;
    const QByteArray big = PackFixtures::modelBytes(int(4 * kMiB), 1);
    const QByteArray small = PackFixtures::modelBytes(int(kMiB * 6 / 10), 2);
    qint64 written = 0;
    for (int i = 0; written < kPackData; ++i) {
        const QString team = QStringLiteral("Team %1").arg(i % 12, 2, 10, QChar('0'));
        if (i < 12) entries.push_back({team, {}, true});
        int size = i % 12 == 0 && i / 12 < 20 ? int(4 * kMiB) : int(kMiB / 2 + (i * 7919) % (kMiB / 10));
        size = int(std::min<qint64>(size, kPackData - written));
        const QByteArray& source = size > small.size() ? big : small;
        const QString name =
            QStringLiteral("%1/Player_%2_%3.bin").arg(team).arg(i, 3, 10, QChar('0')).arg(i % 2 ? "hair" : "face");
        entries.push_back({name, source.left(size)});
        written += size;
        ++g_files;
    }
    return entries;
}

QString freshFolder(const char* name)
{
    const QString path = g_root->filePath(name);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

void importPack(benchmark::State& state, const QString& pack, std::vector<double>& seconds)
{
    UnRarExtractor unrar;
    for (auto _ : state) {
        const QString program = freshFolder("program");
        const auto start = std::chrono::steady_clock::now();
        const auto result = FacePackImport(unrar, program + "/Archive", program).run(pack);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (result.outcome != FacePackImport::Outcome::Imported || result.merged != g_files) {
            state.SkipWithError(qPrintable("import failed: " + result.message));
            break;
        }
        state.SetIterationTime(took.count());
        seconds.push_back(took.count());
    }
    QDir(g_root->filePath("program")).removeRecursively();
    state.SetBytesProcessed(state.iterations() * kPackData);
}

void BM_FacePackImport(benchmark::State& state) { importPack(state, g_pack, g_importSeconds); }
void BM_FacePackImportSplit(benchmark::State& state) { importPack(state, g_split.value(4), g_splitSeconds); }

void BM_BsdtarExtract(benchmark::State& state)
{
    const QString bsdtar = QStandardPaths::findExecutable("bsdtar");
    if (bsdtar.isEmpty()) {
        state.SkipWithError("bsdtar not found (package libarchive-tools)");
        return;
    }
    for (auto _ : state) {
        const QString out = freshFolder("bsdtar");
        const auto start = std::chrono::steady_clock::now();
        const int rc = QProcess::execute(bsdtar, {"-xf", g_pack, "-C", out});
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (rc != 0) {
            state.SkipWithError("bsdtar failed");
            break;
        }
        state.SetIterationTime(took.count());
        g_bsdtarSeconds.push_back(took.count());
    }
    QDir(g_root->filePath("bsdtar")).removeRecursively();
    state.SetBytesProcessed(state.iterations() * kPackData);
}

BENCHMARK(BM_BsdtarExtract)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FacePackImport)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FacePackImportSplit)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir root;
    if (!root.isValid()) return 1;
    g_root = &root;
    g_pack = root.filePath("Face Pack.rar");
    {
        const std::vector<RarWriter::Entry> entries = packEntries();
        g_split = RarWriter::writeSplit(root.filePath("split/Face Pack.rar"), RarWriter::Version::Rar5, entries, 10);
        if (!RarWriter::write(g_pack, RarWriter::Version::Rar5, entries) || g_split.size() != 10) {
            std::fprintf(stderr, "cannot write the benchmark packs\n");
            return 1;
        }
    }
    std::printf("pack: %s, %lld files, %.1f MB\n", qPrintable(g_pack), static_cast<long long>(g_files),
                double(QFileInfo(g_pack).size()) / double(kMiB));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double import = median(g_importSeconds), bsdtar = median(g_bsdtarSeconds), split = median(g_splitSeconds);
    if (import > 0 && bsdtar > 0) {
        const double ratio = import / bsdtar;
        std::printf("median import %.1f ms, bsdtar -xf %.1f ms, ratio %.2f (target <= 1.30): %s\n", import * 1000,
                    bsdtar * 1000, ratio, ratio <= 1.3 ? "met" : "NOT met");
    }
    if (import > 0 && split > 0) {
        const double ratio = split / import;
        std::printf(
            "median import of the pack in 10 parts %.1f ms, in one file %.1f ms, ratio %.2f (target <= 1.30): %s\n",
            split * 1000, import * 1000, ratio, ratio <= 1.3 ? "met" : "NOT met");
    }
    return 0;
}
