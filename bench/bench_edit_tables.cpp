// Loading a full-size edit file into both tables, warm cache.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "editdb/Baza.h"
#include "editdb/EditFileBuilder.h"
#include "editdb/TeamOF.h"

static void BM_LoadBothTables(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = EditFileBuilder().fillAll().write(dir.filePath("EDIT.bin"));
    for (auto _ : state) {
        Baza baza;
        TeamOF teams;
        benchmark::DoNotOptimize(baza.Wczytaj(path));
        benchmark::DoNotOptimize(teams.Wczytaj(path));
        benchmark::DoNotOptimize(baza.Get_Nazwa(10159));
    }
}
BENCHMARK(BM_LoadBothTables)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
