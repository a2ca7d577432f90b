#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

// What the fuzz targets share: a private folder for the files an input
// becomes (in memory where the system has such a folder, so that the many
// small writes cost little), and a way to stop on a broken promise.
namespace FuzzSupport {

inline QTemporaryDir& scratch()
{
    static QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                 ? QStringLiteral("/dev/shm/ludex-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/ludex-fuzz-XXXXXX"));
    return dir;
}

inline QString writeInput(const QString& name, const uint8_t* data, size_t size)
{
    const QString path = scratch().filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    return path;
}

// A promise of the code under test does not hold: a crash that libFuzzer
// reports with the input.
[[noreturn]] inline void broken(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "broken promise: %s %s\n", what, qPrintable(detail));
    std::abort();
}

}  // namespace FuzzSupport
