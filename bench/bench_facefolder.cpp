// Opening a large face folder (20,000 map lines, 40,000 model files) with its
// health check, and removing one entry from it, each next to a floor measured
// in the same run: reading map.txt and listing the folders alone, and
// rewriting map.txt alone. Also the worst bad input: map.txt of random bytes
// at the largest size read, next to reading those bytes.

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <random>

#include "BenchSupport.h"
#include "facefolder/FaceFolderCheck.h"
#include "facefolder/MapRemoval.h"
#include "platform/FileOps.h"
#include "shell/frmInstalled.h"
#include "shell/frmMain.h"
#include "support/LargeFaceFolder.h"
#include "support/WindowEnv.h"

namespace {

using LargeFaceFolder::kLines;

struct World {
    WindowEnv env;
    QString face = env.faceFolder();
    int files = 0;
    QByteArray map = LargeFaceFolder::build(face, &files);

    void writeMap() const { TestEnv::writeFile(face + QStringLiteral("/map.txt"), map); }
};

World& world()
{
    static World w;
    return w;
}

void checkWorld(benchmark::State& state)
{
    if (world().files != 2 * kLines) state.SkipWithError("the face folder was not built");
}

// Floor: the bytes of map.txt and one read of each folder, nothing more.
void BM_Floor_ReadMapAndListFolders(benchmark::State& state)
{
    checkWorld(state);
    for (auto _ : state) {
        QFile f(world().face + QStringLiteral("/map.txt"));
        f.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(f.readAll());
        int n = 0;
        QDirIterator it(world().face, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) n += it.nextFileInfo().isFile();
        if (n != 2 * kLines + 1) state.SkipWithError("listing");  // and map.txt
    }
}
BENCHMARK(BM_Floor_ReadMapAndListFolders)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Reading map.txt, listing the face folder and checking every line.
void BM_OpenAndCheck(benchmark::State& state)
{
    checkWorld(state);
    for (auto _ : state) {
        MapFile::Document doc;
        MapFile::read(world().face + QStringLiteral("/map.txt"), doc);
        FolderListing listing = FolderListing::list(world().face);
        const auto report = FaceFolderCheck::check(doc, listing);
        if (report.entries != kLines || report.orphans.size() != 2000 || report.problemLines != 1000)
            state.SkipWithError("unexpected report");
    }
}
BENCHMARK(BM_OpenAndCheck)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The whole view: the window built, filled and shown, health check included.
void BM_OpenInstalledView(benchmark::State& state)
{
    checkWorld(state);
    world().env.storeLocations(world().env.writeFullEditFile(), world().face);
    auto main = world().env.openWindow(false);
    for (auto _ : state) {
        frmInstalled* view = main->mnuInstalled_Click();
        WindowEnv::settle();
        if (!view || view->rowCount() != kLines + 2000) state.SkipWithError("the view was not filled");
        state.PauseTiming();
        delete view;
        WindowEnv::settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenInstalledView)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Floor: map.txt rewritten through a temporary file and a rename, synced.
void BM_Floor_RewriteMap(benchmark::State& state)
{
    checkWorld(state);
    for (auto _ : state) FileOps::replaceFileContents(world().face + QStringLiteral("/map.txt"), world().map);
}
BENCHMARK(BM_Floor_RewriteMap)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Removing one entry (a line in the middle and its two files), from the
// user's choice to the end, planning included; the face folder read is not.
// As the window does it: one transaction journalled in the program folder.
void BM_RemoveOneEntry(benchmark::State& state)
{
    checkWorld(state);
    const int line = kLines / 2 + 1;  // in the face folder itself
    for (auto _ : state) {
        state.PauseTiming();
        world().writeMap();
        for (const char* suffix : {"_face.bin", "_Hair.bin"})
            QFile(world().face + QStringLiteral("/Player %1%2").arg(line).arg(QLatin1String(suffix)))
                .open(QIODevice::WriteOnly);
        MapFile::Document doc;
        MapFile::read(world().face + QStringLiteral("/map.txt"), doc);
        FolderListing listing = FolderListing::list(world().face);
        const auto report = FaceFolderCheck::check(doc, listing);
        state.ResumeTiming();
        const auto plan = MapRemoval::plan(doc, listing, report, {line});
        const Result done = MapRemoval::apply(plan, world().env.programFolder());
        if (!done || plan.deleteFiles.size() != 2) state.SkipWithError("the removal failed");
    }
    world().writeMap();
}
BENCHMARK(BM_RemoveOneEntry)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Bad input at the largest size read (8 MB): random bytes (argument 0) or
// random lines (argument 1: a line break every 40 bytes on average), read
// and checked. The floor (argument 2) reads the bytes and finds the line
// breaks, nothing more.
void BM_OpenRandomMap(benchmark::State& state)
{
    TestEnv env;
    QByteArray bytes(qsizetype(MapFile::kMaxFileSize), Qt::Uninitialized);
    std::mt19937 rng(7);
    for (char& c : bytes) c = char(rng());
    if (state.range(0) == 1)
        for (char& c : bytes)
            if (rng() % 40 == 0) c = '\n';
    const QString path = env.faceFolder() + QStringLiteral("/map.txt");
    TestEnv::writeFile(path, bytes);
    for (auto _ : state) {
        MapFile::Document doc;
        if (state.range(0) == 2) {
            const QByteArray read = TestEnv::readFile(path);
            benchmark::DoNotOptimize(read.count('\n'));
            continue;
        }
        MapFile::read(path, doc);
        FolderListing listing = FolderListing::list(env.faceFolder());
        benchmark::DoNotOptimize(FaceFolderCheck::check(doc, listing).problemLines);
    }
}
BENCHMARK(BM_OpenRandomMap)
    ->Arg(2)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace

LUDEX_QT_BENCHMARK_MAIN()
