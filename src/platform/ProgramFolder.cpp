#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
// The only sure test of a writable folder is to write in it.
bool writable(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".ludex-probe-XXXXXX")));
    return probe.open();  // removed again when it goes out of scope
}

// An installed copy is known by what the installation put beside its bin folder.
bool installed(const QString& folder)
{
    return QFileInfo::exists(folder + QStringLiteral("/../share/applications/" LUDEX_APP_ID ".desktop"));
}
}  // namespace

QString ProgramFolder::defaultPath() { return pathFor(QCoreApplication::applicationDirPath()); }

QString ProgramFolder::pathFor(const QString& executableFolder)
{
    if (!installed(executableFolder) && writable(executableFolder)) return executableFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

QString ProgramFolder::join(const QString& programFolder, const QString& literal)
{
    QString tail = literal;
#ifndef Q_OS_WIN
    tail.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
    QString head = programFolder;
    const auto isSeparator = [](QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); };
    if (!head.isEmpty() && isSeparator(head.back()) && !tail.isEmpty() && isSeparator(tail.front())) head.chop(1);
    return head + tail;
}
