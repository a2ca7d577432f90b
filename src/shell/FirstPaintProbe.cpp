#include "shell/FirstPaintProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace FirstPaintProbe {
namespace {

class Probe : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || painted_) return false;
        painted_ = true;
        // Reported once the whole window has painted: the paint pass that
        // this event begins ends before queued calls run.
        QTimer::singleShot(0, this, [this] {
            QCoreApplication::instance()->removeEventFilter(this);
            std::printf("painted %.1f\n", double(std::clock()) * 1000 / CLOCKS_PER_SEC);
            std::fflush(stdout);
            QTimer::singleShot(500, this, &Probe::reportMemory);
        });
        return false;
    }

private:
    static void reportMemory()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmRSS:")) std::printf("rss %s\n", line.mid(6).trimmed().constData());
        }
        std::fflush(stdout);
        QCoreApplication::quit();
    }

    bool painted_ = false;
};

}  // namespace

void watchIfAsked()
{
    if (qEnvironmentVariableIsEmpty("LUDEX_FIRST_PAINT_PROBE")) return;
    auto* probe = new Probe;
    probe->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(probe);
}

}  // namespace FirstPaintProbe
