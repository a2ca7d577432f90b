#include "platform/FileOps.h"

#include <QDir>
#include <QFile>

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

namespace FileOps {

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

bool isLink(const QFileInfo& info) { return info.isSymbolicLink() || info.isJunction(); }

Result renameOver(const QString& from, const QString& to, bool* otherDisk)
{
    if (otherDisk) *otherDisk = false;
#ifdef Q_OS_WIN
    // A plain rename on Windows will not replace an existing file.
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return Result::success();
    const DWORD err = GetLastError();
    if (otherDisk) *otherDisk = err == ERROR_NOT_SAME_DEVICE;
    return Result::failure(qt_error_string(int(err)));
#else
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return Result::success();
    const int err = errno;
    if (otherDisk) *otherDisk = err == EXDEV;
    return Result::failure(QString::fromLocal8Bit(std::strerror(err)));
#endif
}

Result writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush())
        return Result::failure(QStringLiteral("%1 could not be written: %2").arg(shown(path), file.errorString()));
    return Result::success();
}

Result StagedCopy::write()
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
    return Result::success();
}

Result StagedCopy::commit() { return out_.commit() ? Result::success() : fail(out_.errorString()); }

Result StagedCopy::fail(const QString& text)
{
    out_.cancelWriting();
    return Result::failure(text);
}

}  // namespace FileOps
