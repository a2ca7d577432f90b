// The command line on a large face folder (20,000 map lines, 40,000 model
// files): `check` and `list --json`, each a fresh process from its start to
// its end, against the manager's own in-process health check (map.txt read,
// the folders listed once, every line checked), measured in the same run.
// Target: each within 1.3 times the in-process check.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <QCoreApplication>
#include <QProcess>

#include <chrono>
#include <cstdio>

#include "BenchSupport.h"
#include "facefolder/FaceFolderCheck.h"
#include "support/LargeFaceFolder.h"
#include "support/TestEnv.h"

namespace {

struct World {
    TestEnv env;
    int files = 0;
    QByteArray map = LargeFaceFolder::build(env.faceFolder(), &files);
    QString editFile = env.writeFullEditFile();
};

World* g_world = nullptr;
// Wall-clock samples, and the processor time of each (on a shared machine
// the wall clock carries other people's load; processor time much less).
std::vector<double> g_inProcess, g_check, g_list;
std::vector<double> g_inProcessCpu, g_checkCpu, g_listCpu;

double processCpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000 + double(t.tv_usec) / 1000; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double inProcessCheck(benchmark::State& state)
{
    const double cpu = processCpuMs(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    MapFile::Document doc;
    MapFile::read(g_world->env.faceFolder() + QStringLiteral("/map.txt"), doc);
    FolderListing listing = FolderListing::list(g_world->env.faceFolder());
    const auto report = FaceFolderCheck::check(doc, listing);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (report.entries != LargeFaceFolder::kLines || report.problemLines != LargeFaceFolder::kProblemLines)
        state.SkipWithError("unexpected report");
    g_inProcessCpu.push_back(processCpuMs(RUSAGE_SELF) - cpu);
    return ms;
}

QStringList common()
{
    return {QStringLiteral("--face-folder"),    g_world->env.faceFolder(),
            QStringLiteral("--edit-file"),      g_world->editFile,
            QStringLiteral("--program-folder"), g_world->env.programFolder()};
}

// One run of the program, its output read and dropped as a script's pipe would.
double runProgram(benchmark::State& state, const QStringList& arguments, int expectedExit, std::vector<double>& cpu)
{
    const double cpuBefore = processCpuMs(RUSAGE_CHILDREN);
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    const auto start = std::chrono::steady_clock::now();
    process.start(QStringLiteral(LUDEX_MANAGER_EXE), arguments + common());
    qint64 bytes = 0;
    while (process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(30000);
        bytes += process.readAllStandardOutput().size();
    }
    bytes += process.readAllStandardOutput().size();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (process.exitCode() != expectedExit || bytes == 0) state.SkipWithError("the program failed");
    cpu.push_back(processCpuMs(RUSAGE_CHILDREN) - cpuBefore);
    return ms;
}

// The three in turn in each iteration, so that the shared machine's load
// falls on all of them alike; the time reported is the command's.
void BM_CheckAndListAgainstInProcessCheck(benchmark::State& state)
{
    for (auto _ : state) {
        g_inProcess.push_back(inProcessCheck(state));
        g_check.push_back(runProgram(state, {QStringLiteral("check")}, 1, g_checkCpu));
        g_list.push_back(runProgram(state, {QStringLiteral("list"), QStringLiteral("--json")}, 0, g_listCpu));
        state.SetIterationTime(g_check.back() / 1000);
    }
    state.counters["in_process_ms"] = median(g_inProcess);
    state.counters["check_ms"] = median(g_check);
    state.counters["list_json_ms"] = median(g_list);
}

}  // namespace

BENCHMARK(BM_CheckAndListAgainstInProcessCheck)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    World world;
    if (world.files != 2 * LargeFaceFolder::kLines) {
        std::fprintf(stderr, "the face folder was not built\n");
        return 1;
    }
    g_world = &world;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double floor = median(g_inProcess), floorCpu = median(g_inProcessCpu);
    struct Row {
        const char* name;
        std::vector<double>*wall, *cpu;
    };
    for (const Row& r : {Row{"check", &g_check, &g_checkCpu}, Row{"list --json", &g_list, &g_listCpu}}) {
        const double ms = median(*r.wall), cpu = median(*r.cpu);
        if (ms <= 0 || floor <= 0 || floorCpu <= 0) continue;
        std::printf("%s: median %.1f ms, in-process health check %.1f ms, ratio %.2f (target <= 1.30): %s\n", r.name,
                    ms, floor, ms / floor, ms / floor <= 1.3 ? "met" : "NOT met");
        std::printf("%s: processor time %.1f ms, in-process %.1f ms, ratio %.2f\n", r.name, cpu, floorCpu,
                    cpu / floorCpu);
    }
    return 0;
}
