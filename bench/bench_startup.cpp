// Start-up of the main window with a full-size edit file, and one keystroke
// of the player search over the full list.

#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "editdb/EditFileBuilder.h"
#include "shell/frmMain.h"
#include "support/ScriptedUi.h"
#include "support/WindowEnv.h"

namespace {

// The window of a prepared world: stored locations, a full edit file, the
// archive folder; scripted dialogs so nothing modal can open.
struct World {
    WindowEnv env;
    World()
    {
        env.storeLocations(env.writeFullEditFile(), env.faceFolder());
        TestEnv::writeFile(env.programFolder() + "/Archive/Pack/face.bin", "x");
    }
};

void BM_StartUpUntilShown(benchmark::State& state)
{
    World world;
    for (auto _ : state) {
        auto window = world.env.openWindow(false);
        WindowEnv::showAndSettle(*window);
        const int entries = window->List1->count();
        state.PauseTiming();
        if (entries != 10160) state.SkipWithError("the player list was not filled");
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    if (!world.env.ui.messages().isEmpty()) state.SkipWithError("the edit file was reported missing");
}
BENCHMARK(BM_StartUpUntilShown)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

// One keystroke: the search text grows by one character. Argument 0: the
// match lies near the top; 1: the match is the last entry; 2: nothing
// matches, so the whole list is scanned and the selection cleared.
void BM_SearchKeystroke(benchmark::State& state)
{
    World world;
    auto window = world.env.openWindow(false);
    WindowEnv::showAndSettle(*window);
    static const char* const texts[3][2] = {
        {"Player 1", "Player 12"}, {"Player 1015", "Player 10159"}, {"Player 1015", "Player 1015x"}};
    const auto* pair = texts[state.range(0)];
    for (auto _ : state) {
        // Each iteration types the second text from the first; resetting to
        // the first text is not timed.
        state.PauseTiming();
        window->txtSearch->setText(QString::fromLatin1(pair[0]));
        state.ResumeTiming();
        window->txtSearch->setText(QString::fromLatin1(pair[1]));
        benchmark::DoNotOptimize(window->List1->currentRow());
    }
    window->close();
}
BENCHMARK(BM_SearchKeystroke)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

LUDEX_QT_BENCHMARK_MAIN()
