// Exporting a face folder as a face pack against libarchive's own
// command-line archiver on the same files.
//
// A face folder of 1,000 entries in team folders, 1.5 MB of models each
// (a 1 MB face and a 0.5 MB hair; a tenth of the entries have only one of
// them), is exported whole, and `bsdtar -c --format zip` archives the same
// model files and map.txt; both store the models in one run and deflate
// them in another. Each iteration writes a new pack in an empty folder; the
// export's time includes reading map.txt and the face folder. Target: the
// export takes at most 1.2 times as long as bsdtar, stored and deflated
// alike. A pack that replaces an older one is also synced to disk before it
// takes the name, which bsdtar never does; that case is measured too, for
// the record.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"
#include "archive/PackExport.h"
#include "support/FaceFolderFixture.h"

namespace {

constexpr int kEntries = 1000;

QTemporaryDir* g_root = nullptr;
QString g_face, g_program, g_list;
qint64 g_bytes = 0;
std::vector<double> g_seconds[2][2];  // [deflate][bsdtar]
std::vector<double> g_overOld;        // stored, replacing an older pack

QString freshFolder(const char* name)
{
    const QString path = g_root->filePath(name);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

void record(benchmark::State& state, double seconds, bool deflate, bool bsdtar)
{
    state.SetIterationTime(seconds);
    g_seconds[deflate][bsdtar].push_back(seconds);
}

void BM_Export(benchmark::State& state)
{
    const bool deflate = state.range(0) == 1, overOld = state.range(0) == 2;
    for (auto _ : state) {
        const QString out = freshFolder("out");
        if (overOld) QFile::copy(g_root->filePath("files.txt"), out + "/Pack.zip");
        const auto start = std::chrono::steady_clock::now();
        const PackExport::Plan plan = PackExport::plan(g_face, {.all = true});
        const Result written =
            PackExport::write(plan, out + "/Pack.zip", {.journalFolder = g_program, .deflateModels = deflate});
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (!written || plan.entries.size() != size_t(kEntries)) {
            state.SkipWithError(qPrintable("export failed: " + written.message));
            break;
        }
        if (overOld) {
            state.SetIterationTime(took.count());
            g_overOld.push_back(took.count());
        } else {
            record(state, took.count(), deflate, false);
        }
    }
    state.SetBytesProcessed(state.iterations() * g_bytes);
}

void BM_Bsdtar(benchmark::State& state)
{
    const bool deflate = state.range(0) != 0;
    const QString bsdtar = QStandardPaths::findExecutable("bsdtar");
    if (bsdtar.isEmpty()) {
        state.SkipWithError("bsdtar not found (package libarchive-tools)");
        return;
    }
    for (auto _ : state) {
        const QString out = freshFolder("out");
        QStringList args{"-c", "--format", "zip"};
        if (!deflate)
            args << "--options"
                 << "zip:compression=store";
        args << "-f" << out + "/Pack.zip"
             << "-C" << g_face << "-T" << g_list;
        const auto start = std::chrono::steady_clock::now();
        const int rc = QProcess::execute(bsdtar, args);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (rc != 0) {
            state.SkipWithError("bsdtar failed");
            break;
        }
        record(state, took.count(), deflate, true);
    }
    state.SetBytesProcessed(state.iterations() * g_bytes);
}

// Each pair back to back, stored first.
BENCHMARK(BM_Bsdtar)->Arg(0)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->Arg(0)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bsdtar)->Arg(1)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->Arg(1)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
// Replacing an older pack: synced before it takes the name (for the record; no target).
BENCHMARK(BM_Export)->Arg(2)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir root;
    if (!root.isValid()) return 1;
    g_root = &root;
    g_face = freshFolder("Face");
    g_program = freshFolder("program");
    FaceFolderFixture::build(g_face, {.entries = kEntries, .teams = 10, .modelBytes = 1 << 20});
    // bsdtar takes the same files: every model the export takes, and map.txt.
    const PackExport::Plan plan = PackExport::plan(g_face, {.all = true});
    QByteArray list = "map.txt\n";
    for (const PackExport::Entry& e : plan.entries)
        for (const QString& source : {e.faceSource, e.hairSource})
            if (!source.isEmpty()) list += QDir(g_face).relativeFilePath(source).toUtf8() + '\n';
    g_list = root.filePath("files.txt");
    QFile listFile(g_list);
    if (!listFile.open(QIODevice::WriteOnly) || listFile.write(list) != list.size()) return 1;
    listFile.close();
    g_bytes = plan.bytes;
    std::printf("face folder: %d entries, %d model files, %.1f MB of models\n", int(plan.entries.size()), plan.files,
                double(plan.bytes) / (1 << 20));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    for (const bool deflate : {false, true}) {
        const double ours = median(g_seconds[deflate][0]), peer = median(g_seconds[deflate][1]);
        if (ours <= 0 || peer <= 0) continue;
        const double ratio = ours / peer;
        std::printf("%s: median export %.1f ms, bsdtar -c --format zip %.1f ms, ratio %.2f (target <= 1.20): %s\n",
                    deflate ? "deflated" : "stored", ours * 1000, peer * 1000, ratio, ratio <= 1.2 ? "met" : "NOT met");
    }
    if (const double over = median(g_overOld), peer = median(g_seconds[0][1]); over > 0 && peer > 0)
        std::printf("stored over an older pack, synced before the rename: median %.1f ms, %.2f times bsdtar\n",
                    over * 1000, over / peer);
    return 0;
}
