#include "platform/FileOps.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

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

// ----- whole-file replacement, synced to disk -----

namespace {

bool syncFile(QFile& file)
{
    if (!file.flush()) return false;
#ifdef Q_OS_WIN
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())));
#else
    return ::fsync(file.handle()) == 0;
#endif
}

}  // namespace

Result replaceFileContents(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    const QString temp = target.absolutePath() + QStringLiteral("/.ludex-") +
                         QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".tmp");
    QFile out(temp);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return Result::failure(
            QStringLiteral("Cannot write in %1: %2").arg(shown(target.absolutePath()), out.errorString()));
    const bool written = out.write(bytes) == bytes.size() && syncFile(out);
    const QString why = out.errorString();
    out.close();
    if (!written) {
        QFile::remove(temp);
        return Result::failure(QStringLiteral("Cannot write %1: %2").arg(shown(path), why));
    }
    if (target.exists()) QFile::setPermissions(temp, QFile::permissions(path));
    if (Result moved = renameOver(temp, path); !moved) {
        QFile::remove(temp);
        return Result::failure(QStringLiteral("Cannot replace %1: %2").arg(shown(path), moved.message));
    }
    syncFolder(target.absolutePath());
    return Result::success();
}

void syncFolder(const QString& folder)
{
#ifdef Q_OS_WIN
    // NTFS makes a rename durable with the file system's own log.
    Q_UNUSED(folder);
#else
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
#endif
}

}  // namespace FileOps
