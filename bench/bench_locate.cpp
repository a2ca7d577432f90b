// The search for the game in a busy player's home (30 Steam prefixes with
// many programs and documents, a library of installed games, Wine's own
// prefix), next to a floor measured in the same run: one plain recursive
// listing of the same folders, with no names compared and nothing else
// looked at. Also the whole search against its time limit.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <functional>

#include "BenchSupport.h"
#include "platform/GameLocator.h"
#include "support/FakeGameHome.h"

namespace {

constexpr int kPrefixes = 30;
constexpr int kMakers = 20;
constexpr int kGames = 5;

std::vector<double> g_floor, g_find;
QStringList g_starts;  // the folders the floor lists, as the locator starts from them
int g_expected = 0;

void touchFiles(const QString& folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) QFile(folder + QStringLiteral("/file %1.dat").arg(i)).open(QIODevice::WriteOnly);
}

void buildHome(FakeGameHome& h)
{
    const QString library = h.steamRoot(".local/share/Steam", {}, FakeGameHome::LibraryFormat::Nested);
    for (int p = 0; p < kPrefixes; ++p) {
        const QString pfx = h.steamPrefix(library, 1000 + p);
        for (int m = 0; m < kMakers; ++m)
            for (int s = 0; s < 5; ++s)
                touchFiles(pfx + QStringLiteral("/drive_c/Program Files/Maker %1/Program/Part %2").arg(m).arg(s), 10);
        touchFiles(pfx + QStringLiteral("/drive_c/users/steamuser/Documents/Notes"), 20);
        g_starts << pfx + QStringLiteral("/drive_c/Program Files") << pfx + QStringLiteral("/drive_c/users");
    }
    for (int g = 0; g < kGames; ++g)
        for (int d = 0; d < 20; ++d)
            touchFiles(library + QStringLiteral("/steamapps/common/Game %1/data/pack %2").arg(g).arg(d), 100);
    g_starts << library + QStringLiteral("/steamapps/common");
    const QString wine = h.prefix(".wine");
    h.faceFolder(wine, FakeGameHome::programFolder() + QStringLiteral("/Visagery/Ludex/Face"));
    h.editFile(wine, FakeGameHome::documentsFolder(QStringLiteral("alder")) + QStringLiteral("/save/EDIT.bin"));
    g_starts << wine + QStringLiteral("/drive_c");
    g_expected = int(h.plantedFaceFolders.size() + h.plantedEditFiles.size());
}

double seconds(const std::function<bool()>& work, bool& ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = work() && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool floorListing()
{
    qint64 entries = 0;
    for (const QString& start : g_starts) {
        QDirIterator it(start, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) it.next(), ++entries;
    }
    benchmark::DoNotOptimize(entries);
    return entries > 0;
}

// The two take turns, so that each meets the file system in the same mood.
void BM_FindAgainstFloor(benchmark::State& state, const GameLocator::Options& options)
{
    for (auto _ : state) {
        bool ok = true;
        GameLocator::Found found;
        const double f = seconds(floorListing, ok);
        const double l = seconds(
            [&] {
                found = GameLocator::find(options);
                return !found.timedOut && found.faceFolders.size() + found.editFiles.size() == g_expected;
            },
            ok);
        if (!ok) {
            state.SkipWithError("the search did not find what was planted within its limit");
            break;
        }
        state.SetIterationTime(l);
        g_floor.push_back(f);
        g_find.push_back(l);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir root;
    if (!root.isValid()) return 1;
    FakeGameHome home(root.filePath(QStringLiteral("home")));
    buildHome(home);
    GameLocator::Options options = home.options();
    options.timeLimitMs = 60000;  // measured whole; the default limit is checked below
    benchmark::RegisterBenchmark("BM_FindAgainstFloor", BM_FindAgainstFloor, options)
        ->Iterations(20)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double found = median(g_find), floor = median(g_floor);
    if (found > 0 && floor > 0) {
        const double ratio = found / floor;
        const int limit = GameLocator::Options().timeLimitMs;
        std::printf(
            "median search %.1f ms, plain listing of the same folders %.1f ms, ratio %.2f (target <= 1.50): "
            "%s; the search's time limit %d ms: %s\n",
            found * 1000, floor * 1000, ratio, ratio <= 1.5 ? "met" : "NOT met", limit,
            found * 1000 < limit ? "within" : "NOT within");
    }
    return 0;
}
