// A program that exports a whole face folder as a face pack and dies on
// purpose part-way, for ExportKillTest:
//
//     ludex_export_child <face folder> <pack> <program folder> <kill-at> [named]
//
// `kill-at`: a number kills the process at that progress report of the
// writing, "named" or "renamed" at that moment of giving the pack its name,
// 0 never. With "named" the pack is written into a named scratch file even
// where the system could make one without a name.
#include <signal.h>

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/PackExport.h"
#include "platform/AtomicOutput.h"
#include "platform/Progress.h"

namespace {

class KillingProgress : public ProgressSink {
public:
    explicit KillingProgress(int at) : at_(at) {}
    void setValue(qint64) override
    {
        if (++seen_ == at_) raise(SIGKILL);
    }
    void setLabel(const QString&) override {}
    bool wasCanceled() const override { return false; }

private:
    int at_;
    int seen_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) return 2;
    const QString killAt = QString::fromLocal8Bit(argv[4]);
    if (argc > 5 && std::strcmp(argv[5], "named") == 0) AtomicOutput::setNamelessAllowed(false);
    AtomicOutput::setStepHook([killAt](const char* step) {
        if (killAt == QLatin1String(step)) raise(SIGKILL);
    });
    KillingProgress progress(killAt.toInt());
    const PackExport::Plan plan = PackExport::plan(QString::fromLocal8Bit(argv[1]), {.all = true});
    const Result written = PackExport::write(plan, QString::fromLocal8Bit(argv[2]),
                                             {.journalFolder = QString::fromLocal8Bit(argv[3]), .progress = &progress});
    if (!written) std::fprintf(stderr, "%s\n", qPrintable(written.message));
    return written ? 0 : 1;
}
