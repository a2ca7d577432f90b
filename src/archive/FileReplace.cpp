#include "archive/FileReplace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

bool renameOver(const QString& from, const QString& to, bool* otherDisk, QString* why)
{
    *otherDisk = false;
#ifdef Q_OS_WIN
    // A plain rename on Windows will not replace an existing file.
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    const DWORD err = GetLastError();
    *otherDisk = err == ERROR_NOT_SAME_DEVICE;
    *why = qt_error_string(int(err));
#else
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) return true;
    const int err = errno;
    *otherDisk = err == EXDEV;
    *why = QString::fromLocal8Bit(std::strerror(err));
#endif
    return false;
}

bool StagedCopy::write()
{
    QFile in(source_);
    if (!QFileInfo(source_).isFile() || !in.open(QIODevice::ReadOnly)) return fail(in.errorString());
    if (!out_.open(QIODevice::WriteOnly)) return fail(out_.errorString());
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) return fail(in.errorString());
        if (n == 0) break;
        if (out_.write(buffer.constData(), n) != n) return fail(out_.errorString());
    }
    return true;
}

bool StagedCopy::fail(const QString& text)
{
    error_ = text;
    out_.cancelWriting();
    return false;
}
