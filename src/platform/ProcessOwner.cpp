#include "platform/ProcessOwner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include "platform/FileOps.h"

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace ProcessOwner {

namespace {

// The start time of a process in the system's own unit, 0 when it cannot be
// told, -1 when the process has ended.
qint64 startTime(qint64 pid)
{
#ifdef Q_OS_WIN
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED ? 0 : -1;
    FILETIME created, exited, kernel, user;
    DWORD code = 0;
    qint64 result = 0;
    if (GetExitCodeProcess(process, &code) && code != STILL_ACTIVE)
        result = -1;
    else if (GetProcessTimes(process, &created, &exited, &kernel, &user))
        result = qint64((quint64(created.dwHighDateTime) << 32) | created.dwLowDateTime);
    CloseHandle(process);
    return result;
#elif defined(Q_OS_LINUX)
    // /proc/<pid>/stat: "pid (name) state ppid ..."; the start time is the
    // 22nd field. The name may hold spaces and parentheses: count from the last ')'.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0) return 0;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (fields.size() < 20) return 0;
    if (fields[0] == "Z" || fields[0] == "X") return -1;  // ended, not yet reaped
    return fields[19].toLongLong();
#else
    if (kill(pid_t(pid), 0) != 0 && errno == ESRCH) return -1;
    return 0;
#endif
}

}  // namespace

QString current()
{
    static const QString token = [] {
        const qint64 pid = QCoreApplication::applicationPid();
        return QStringLiteral("%1.%2").arg(pid).arg(qMax<qint64>(0, startTime(pid)));
    }();
    return token;
}

bool isAlive(const QString& token)
{
    const QStringList parts = token.split(QLatin1Char('.'));
    bool pidOk = false, startOk = false;
    const qint64 pid = parts.size() == 2 ? parts[0].toLongLong(&pidOk) : 0;
    const qint64 start = parts.size() == 2 ? parts[1].toLongLong(&startOk) : 0;
    if (!pidOk || !startOk || pid <= 0) return false;
    if (token == current()) return true;
    const qint64 now = startTime(pid);
    if (now < 0) return false;
    // A start time that cannot be told proves nothing: the process is taken as alive.
    return now == 0 || start == 0 || now == start;
}

QString scratchPattern(const QString& prefix) { return prefix + current() + QStringLiteral("-XXXXXX"); }

int removeAbandoned(const QString& folder, const QString& prefix)
{
    if (folder.isEmpty()) return 0;
    int removed = 0;
    const QFileInfoList found =
        QDir(folder).entryInfoList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& d : found) {
        if (FileOps::isLink(d)) continue;
        const QString rest = d.fileName().mid(prefix.size());
        const QString owner = rest.count(QLatin1Char('-')) >= 1 ? rest.section(QLatin1Char('-'), 0, -2) : QString();
        if (!owner.isEmpty() && isAlive(owner)) continue;
        if (FileOps::removeAll(d.filePath())) ++removed;
    }
    return removed;
}

}  // namespace ProcessOwner
