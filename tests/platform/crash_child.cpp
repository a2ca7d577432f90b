// A program that installs, removes, undoes or imports in a world that
// CrashRecoveryTest prepared, and dies on purpose part-way:
//
//     ludex_crash_child <scenario> <root> <kill-at> [wait|renames]
//
// `kill-at` > 0: the process kills itself just before that step (a step of
// the file transaction for every scenario but import; a progress report of
// the extraction for import), or with "renames" just before that rename of
// a file, whoever makes it. 0: runs to its end. With "wait" it prints
// "ready" and its owner token, and starts only once a line arrives on stdin,
// so that the test can kill it at a moment of its own choosing. At the end
// it prints the number of steps and of renames it saw and the microseconds
// the work took.
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>

#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CrashScenarios.h"
#include "platform/FileTransaction.h"
#include "platform/ProcessOwner.h"
#include "platform/Progress.h"

namespace {

int g_killAt = 0;
bool g_atRenames = false;
int g_steps = 0;
int g_renames = 0;

bool countStep()
{
    if (++g_steps == g_killAt && !g_atRenames) raise(SIGKILL);
    return true;
}

class KillingProgress : public ProgressSink {
public:
    void setValue(qint64) override { countStep(); }
    void setLabel(const QString&) override {}
    bool wasCanceled() const override { return false; }
};

}  // namespace

// Every rename of the program's code and of Qt's passes through here: the
// place where a kill leaves a file written beside its target behind.
extern "C" int rename(const char* from, const char* to) noexcept
{
    if (++g_renames == g_killAt && g_atRenames) raise(SIGKILL);
    return renameat(AT_FDCWD, from, AT_FDCWD, to);
}

int main(int argc, char** argv)
{
    if (argc < 4) return 2;
    const QString scenario = QString::fromLocal8Bit(argv[1]);
    const QString root = QString::fromLocal8Bit(argv[2]);
    g_killAt = std::atoi(argv[3]);
    g_atRenames = argc > 4 && std::strcmp(argv[4], "renames") == 0;
    if (scenario != "import") FileTransaction::setStepHook([](int) { return countStep(); });
    if (argc > 4 && std::strcmp(argv[4], "wait") == 0) {
        std::printf("ready %s\n", qPrintable(ProcessOwner::current()));
        std::fflush(stdout);
        char line[16];
        if (!std::fgets(line, sizeof line, stdin)) return 3;
    }
    const auto start = std::chrono::steady_clock::now();
    KillingProgress progress;
    const bool ok = runCrashScenario(scenario, root, scenario == "import" ? &progress : nullptr);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    std::printf("steps=%d renames=%d micros=%lld\n", g_steps, g_renames, static_cast<long long>(took.count()));
    return ok ? 0 : 1;
}
