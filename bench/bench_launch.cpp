// Start-up as the user waits for it: from launching the program to its
// window painted, with the full-size edit file stored as its location,
// against a bare Qt window with a list of the same 10,160 names, started the
// same way (a fresh process, same platform plugin); and the resident memory
// of each once it has sat idle, before any web page is shown. The two are
// launched in turn, in one run; the processor time each spent until its
// paint is reported too, as it varies less with the machine's load.
// Targets: at most 1.4 times the bare window's time and twice its memory.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"
#include "editdb/Baza.h"
#include "platform/SettingsStore.h"
#include "support/TestEnv.h"

namespace {

struct Launch {
    double ms = 0;     // launch to "painted"
    double cpuMs = 0;  // processor time spent until then
    double rssKb = 0;  // resident memory when idle
    bool ok = false;
};

struct Side {
    QString program;
    QStringList arguments;
    std::vector<double> ms, cpu, rss;
};

TestEnv* g_env = nullptr;
QProcessEnvironment g_environment;
Side g_program, g_bare;

Launch launch(const Side& side)
{
    QProcess process;
    process.setProcessEnvironment(g_environment);
    process.setStandardErrorFile(QProcess::nullDevice());
    Launch result;
    const auto start = std::chrono::steady_clock::now();
    process.start(side.program, side.arguments);
    QByteArray out;
    while (!out.contains("painted ") || !out.contains('\n')) {
        if (!process.waitForReadyRead(30000)) return result;
        out += process.readAllStandardOutput();
    }
    result.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    result.cpuMs = out.mid(out.indexOf("painted ") + 8).split('\n').value(0).toDouble();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    out += process.readAllStandardOutput();
    const qsizetype at = out.indexOf("rss ");
    if (at >= 0) result.rssKb = out.mid(at + 4).split(' ').value(0).toDouble();
    result.ok = result.rssKb > 0;
    return result;
}

void BM_LaunchToFirstPaint(benchmark::State& state)
{
    bool programFirst = true;
    for (auto _ : state) {
        Launch program, bare;
        if (programFirst) {
            program = launch(g_program);
            bare = launch(g_bare);
        } else {
            bare = launch(g_bare);
            program = launch(g_program);
        }
        programFirst = !programFirst;
        if (!program.ok || !bare.ok) {
            state.SkipWithError("a launch did not report its first paint and memory");
            break;
        }
        state.SetIterationTime(program.ms / 1000);
        for (auto [side, l] : {std::pair{&g_program, &program}, std::pair{&g_bare, &bare}}) {
            side->ms.push_back(l->ms);
            side->cpu.push_back(l->cpuMs);
            side->rss.push_back(l->rssKb);
        }
    }
    state.counters["bare_ms"] = median(g_bare.ms);
    state.counters["rss_MB"] = median(g_program.rss) / 1024;
    state.counters["bare_rss_MB"] = median(g_bare.rss) / 1024;
}
BENCHMARK(BM_LaunchToFirstPaint)->Iterations(21)->UseManualTime()->Unit(benchmark::kMillisecond);

// The program's stored locations, in a configuration folder of the run's
// own; and the names of the player list for the bare window.
bool prepare()
{
    const QString editFile = g_env->writeFullEditFile();
    const QString config = g_env->path("config");
    SettingsStore settings(config + "/ludex-manager/" + kSettingsApp + ".ini");
    settings.SaveSetting(kSettingsApp, kSettingsSection, "Edit", editFile);
    settings.SaveSetting(kSettingsApp, kSettingsSection, "Map", g_env->faceFolder());

    Baza baza;
    if (!baza.Wczytaj(editFile) || baza.Count() != Baza::kRecordCount) return false;
    QByteArray names;
    for (int i = 0; i < baza.Count(); ++i) names += baza.Get_Nazwa(i).toUtf8() + '\n';
    const QString namesFile = g_env->path("names.txt");
    TestEnv::writeFile(namesFile, names);

    g_environment = QProcessEnvironment::systemEnvironment();
    g_environment.insert("XDG_CONFIG_HOME", config);
    g_environment.insert("LUDEX_FIRST_PAINT_PROBE", "1");
    // Should a browser engine start, it refuses its sandbox when run as root.
    g_environment.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!g_environment.contains("QT_QPA_PLATFORM")) g_environment.insert("QT_QPA_PLATFORM", "offscreen");
    g_program.program = QStringLiteral(LUDEX_MANAGER_EXE);
    g_bare.program = QStringLiteral(LUDEX_BARE_WINDOW_EXE);
    g_bare.arguments = {namesFile};
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TestEnv env;
    g_env = &env;
    if (!prepare()) {
        std::fprintf(stderr, "cannot prepare the edit file and settings\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double ms = median(g_program.ms), bare = median(g_bare.ms);
    const double cpu = median(g_program.cpu), bareCpu = median(g_bare.cpu);
    const double rss = median(g_program.rss), bareRss = median(g_bare.rss);
    if (ms > 0 && bare > 0 && rss > 0 && bareRss > 0) {
        std::printf("launch to first paint: median %.1f ms, bare window %.1f ms, ratio %.2f (target <= 1.40): %s\n", ms,
                    bare, ms / bare, ms / bare <= 1.4 ? "met" : "NOT met");
        std::printf("processor time until then: median %.1f ms, bare window %.1f ms, ratio %.2f\n", cpu, bareCpu,
                    bareCpu > 0 ? cpu / bareCpu : 0.0);
        std::printf("idle resident memory: median %.1f MB, bare window %.1f MB, ratio %.2f (target <= 2.00): %s\n",
                    rss / 1024, bareRss / 1024, rss / bareRss, rss / bareRss <= 2.0 ? "met" : "NOT met");
    }
    return 0;
}
