#include "platform/FileOps.h"

#include <QDir>
#include <QFile>
#include <QUuid>
#include <limits>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

namespace FileOps {

namespace {

Result cannot(const QString& what, const QString& path, const QString& why)
{
    return Result::failure(QStringLiteral("Cannot %1 %2: %3").arg(what, shown(path), why));
}

#ifdef Q_OS_WIN

std::wstring native(const QString& path) { return QDir::toNativeSeparators(path).toStdWString(); }

// What a handle opened on something other than a file is, or the empty text
// for a plain file.
QString handleKind(HANDLE h)
{
    const DWORD type = GetFileType(h);
    if (type == FILE_TYPE_PIPE) return QStringLiteral("a pipe");
    if (type != FILE_TYPE_DISK) return QStringLiteral("a device");
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return QString();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return QStringLiteral("a link");
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return QStringLiteral("a folder");
    return QString();
}

// Hands a Windows handle over to the QFile, which closes it.
Result adopt(QFile& file, HANDLE h, int crtFlags, QIODevice::OpenMode mode, const QString& path)
{
    file.setFileName(path);
    const int fd = _open_osfhandle(intptr_t(h), crtFlags);
    if (fd < 0) {
        CloseHandle(h);
        return cannot(QStringLiteral("open"), path, QStringLiteral("no file descriptor left"));
    }
    if (!file.open(fd, mode | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        return cannot(QStringLiteral("open"), path, file.errorString());
    }
    return Result::success();
}

#else

QByteArray native(const QString& path) { return QFile::encodeName(path); }

QString modeKind(mode_t mode)
{
    if (S_ISREG(mode)) return QString();
    if (S_ISDIR(mode)) return QStringLiteral("a folder");
    if (S_ISFIFO(mode)) return QStringLiteral("a named pipe (FIFO)");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
    if (S_ISLNK(mode)) return QStringLiteral("a link");
    return QStringLiteral("not a regular file");
}

Result notAFile(const QString& path, const QString& kind)
{
    return Result::failure(QStringLiteral("%1 is %2, not a file").arg(shown(path), kind));
}

// Opened without waiting (a pipe or a device could block the open); the
// descriptor is checked to be a plain file, then made blocking again.
Result adopt(QFile& file, int fd, QIODevice::OpenMode mode, const QString& path)
{
    struct stat st;
    if (fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return cannot(QStringLiteral("open"), path, systemError(err));
    }
    if (const QString kind = modeKind(st.st_mode); !kind.isEmpty()) {
        ::close(fd);
        return notAFile(path, kind);
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    file.setFileName(path);
    if (!file.open(fd, mode | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return cannot(QStringLiteral("open"), path, file.errorString());
    }
    return Result::success();
}

#endif

// Copies what is left of `in` onto `out`.
Result copyData(QFile& in, QFile& out, const QString& source, const QString& target)
{
#ifdef Q_OS_LINUX
    // Within the kernel where it can; the loop below where it cannot.
    for (bool first = true;; first = false) {
        const ssize_t n = copy_file_range(in.handle(), nullptr, out.handle(), nullptr, 1 << 30, 0);
        if (n == 0) return Result::success();
        if (n > 0) continue;
        const int err = errno;
        if (err == EINTR) continue;
        if (!first || (err != EXDEV && err != ENOSYS && err != EINVAL && err != EOPNOTSUPP && err != EBADF))
            return cannot(QStringLiteral("copy %1 into").arg(shown(source)), QFileInfo(target).absolutePath(),
                          systemError(err));
        break;
    }
#endif
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
#ifdef Q_OS_WIN
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) return cannot(QStringLiteral("read"), source, in.errorString());
#else
        const qint64 n = ::read(in.handle(), buffer.data(), size_t(buffer.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return cannot(QStringLiteral("read"), source, systemError(errno));
#endif
        if (n == 0) return Result::success();
        if (Result r = writeAll(out, buffer.constData(), n); !r)
            return cannot(QStringLiteral("copy %1 into").arg(shown(source)), QFileInfo(target).absolutePath(),
                          r.message);
    }
}

}  // namespace

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

bool isLink(const QFileInfo& info) { return info.isSymbolicLink() || info.isJunction(); }

QString systemError(int code) { return qt_error_string(code); }

Result writeAll(QFile& file, const char* data, qint64 size)
{
#ifdef Q_OS_WIN
    if (file.write(data, size) == size && file.flush()) return Result::success();
    return Result::failure(file.errorString());
#else
    // Straight to the descriptor: the system's own reason survives (Qt's
    // buffer would report a failed flush as "Unknown error").
    while (size > 0) {
        const ssize_t n = ::write(file.handle(), data, size_t(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Result::failure(systemError(n < 0 ? errno : ENOSPC));
        data += n;
        size -= n;
    }
    return Result::success();
#endif
}

Result openForReading(QFile& file, const QString& path)
{
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (info.isDir()) return Result::failure(QStringLiteral("%1 is a folder, not a file").arg(shown(path)));
    HANDLE h = CreateFileW(native(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return cannot(QStringLiteral("read"), path, systemError(int(GetLastError())));
    if (QString kind = handleKind(h); !kind.isEmpty() && kind != QLatin1String("a link")) {
        CloseHandle(h);
        return Result::failure(QStringLiteral("%1 is %2, not a file").arg(shown(path), kind));
    }
    return adopt(file, h, _O_RDONLY | _O_BINARY, QIODevice::ReadOnly, path);
#else
    // What is there is looked at before it is opened: opening a device can
    // have effects of its own.
    struct stat st;
    if (::stat(native(path).constData(), &st) != 0) return cannot(QStringLiteral("read"), path, systemError(errno));
    if (const QString kind = modeKind(st.st_mode); !kind.isEmpty()) return notAFile(path, kind);
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return cannot(QStringLiteral("read"), path, systemError(errno));
    return adopt(file, fd, QIODevice::ReadOnly, path);
#endif
}

Result openForWriting(QFile& file, const QString& path, WriteMode mode)
{
    const bool append = mode == WriteMode::Append;
    const QIODevice::OpenMode qtMode = append ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::WriteOnly;
#ifdef Q_OS_WIN
    // The reparse point itself is opened, never what it points at; it is then refused.
    // Write access even for appends: taking a line back cuts the file, and
    // the size is read before appending.
    HANDLE h =
        CreateFileW(native(path).c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                    append ? OPEN_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return cannot(QStringLiteral("write"), path, systemError(int(GetLastError())));
    if (const QString kind = handleKind(h); !kind.isEmpty()) {
        CloseHandle(h);
        if (kind == QLatin1String("a link"))
            return Result::failure(
                QStringLiteral("%1 is a link; files are never written through links").arg(shown(path)));
        return Result::failure(QStringLiteral("%1 is %2, not a file").arg(shown(path), kind));
    }
    return adopt(file, h, (append ? _O_APPEND : 0) | _O_BINARY | _O_WRONLY, qtMode, path);
#else
    const int flags =
        O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_CREAT | (append ? O_APPEND : O_EXCL);
    const int fd = ::open(native(path).constData(), flags, 0666);
    if (fd < 0) {
        const int err = errno;
        struct stat st;
        if (err == ELOOP || (lstat(native(path).constData(), &st) == 0 && S_ISLNK(st.st_mode)))
            return Result::failure(
                QStringLiteral("%1 is a link; files are never written through links").arg(shown(path)));
        if (err == ENXIO || err == EISDIR) {
            if (::stat(native(path).constData(), &st) == 0 && !modeKind(st.st_mode).isEmpty())
                return notAFile(path, modeKind(st.st_mode));
        }
        return cannot(QStringLiteral("write"), path, systemError(err));
    }
    return adopt(file, fd, qtMode, path);
#endif
}

Result syncFile(QFile& file)
{
    if (!file.flush()) return cannot(QStringLiteral("write"), file.fileName(), file.errorString());
#ifdef Q_OS_WIN
    const HANDLE h = HANDLE(_get_osfhandle(file.handle()));
    if (!FlushFileBuffers(h)) return cannot(QStringLiteral("write"), file.fileName(), systemError(int(GetLastError())));
#elif defined(Q_OS_LINUX)
    if (fdatasync(file.handle()) != 0) return cannot(QStringLiteral("write"), file.fileName(), systemError(errno));
#else
    if (fsync(file.handle()) != 0) return cannot(QStringLiteral("write"), file.fileName(), systemError(errno));
#endif
    return Result::success();
}

Result syncPath(const QString& path)
{
    QFile file;
    Result r = openForWriting(file, path, WriteMode::Append);
    return r ? syncFile(file) : r;
}

void startWriteBack(QFile& file)
{
#ifdef Q_OS_LINUX
    if (file.flush()) sync_file_range(file.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(file);
#endif
}

FillBuffer::FillBuffer(qsizetype size) : size_(qMax<qsizetype>(size, 0))
{
#ifdef Q_OS_LINUX
    // Aligned to a large page, so that all but its last part can be made of them.
    constexpr size_t kLargePage = 2 << 20;
    void* p = nullptr;
    if (size_ >= qsizetype(kLargePage) && posix_memalign(&p, kLargePage, size_t(size_)) == 0) {
        data_.reset(static_cast<char*>(p));
#ifdef MADV_HUGEPAGE
        madvise(p, size_t(size_) & ~(kLargePage - 1), MADV_HUGEPAGE);
#endif
    }
#endif
    if (!data_) data_.reset(static_cast<char*>(std::malloc(size_t(qMax<qsizetype>(size_, 1)))));
    if (!data_) throw std::bad_alloc();
#if defined(Q_OS_LINUX) && defined(MADV_POPULATE_WRITE)
    const auto page = quintptr(sysconf(_SC_PAGESIZE));
    const quintptr from = (quintptr(data_.get()) + page - 1) & ~(page - 1);
    const quintptr to = (quintptr(data_.get()) + quintptr(size_)) & ~(page - 1);
    // Older kernels refuse the advice; the buffer then fills as usual.
    if (page > 0 && to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#endif
}

Result syncFolder(const QString& folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return Result::success();
#else
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return cannot(QStringLiteral("write to"), folder, systemError(errno));
    const int rc = fsync(fd);
    const int err = errno;
    ::close(fd);
    // Some file systems cannot sync a folder; their entries are as safe as they get.
    if (rc != 0 && err != EINVAL && err != EROFS) return cannot(QStringLiteral("write to"), folder, systemError(err));
    return Result::success();
#endif
}

Result copyToNew(const QString& source, const QString& target, bool sync)
{
    QFile in;
    if (Result r = openForReading(in, source); !r) return r;
    QFile out;
    Result r = openForWriting(out, target, WriteMode::CreateNew);
    if (r) r = copyData(in, out, source, target);
    if (r && sync) r = syncFile(out);
    if (r && !sync) startWriteBack(out);  // whoever syncs it later waits less
    out.close();
    if (r) return r;
    QFile::remove(target);
    // The target is a scratch name as a rule: the message names its folder.
    const QString written = QStringLiteral("Cannot write %1: ").arg(shown(target));
    if (r.message.startsWith(written))
        r.message = QStringLiteral("Cannot copy %1 into %2: %3")
                        .arg(shown(source), shown(QFileInfo(target).absolutePath()), r.message.mid(written.size()));
    return r;
}

Result copyTreeToNew(const QString& source, const QString& target, bool sync)
{
    if (!QDir().mkdir(target))
        return cannot(QStringLiteral("create the folder"), target, QStringLiteral("it exists or cannot be made"));
    Result r;
    const QFileInfoList entries =
        QDir(source).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& e : entries) {
        const QString to = target + QLatin1Char('/') + e.fileName();
        if (isLink(e))
            r = Result::failure(QStringLiteral("%1 is a link").arg(shown(e.filePath())));
        else if (e.isDir())
            r = copyTreeToNew(e.filePath(), to, sync);
        else
            r = copyToNew(e.filePath(), to, sync);
        if (!r) break;
    }
    if (r && sync) r = syncFolder(target);
    if (!r) removeAll(target);
    return r;
}

Result keepSecondName(const QString& existing, const QString& second, bool sync)
{
#ifdef Q_OS_WIN
    if (CreateHardLinkW(native(second).c_str(), native(existing).c_str(), nullptr)) return Result::success();
    const QString part = second + QStringLiteral(".part");
    if (!CopyFileExW(native(existing).c_str(), native(part).c_str(), nullptr, nullptr, nullptr,
                     COPY_FILE_FAIL_IF_EXISTS | COPY_FILE_COPY_SYMLINK))
        return cannot(QStringLiteral("keep a copy of"), existing, systemError(int(GetLastError())));
    if (sync) {
        QFile f(part);
        if (f.open(QIODevice::ReadWrite)) syncFile(f);
    }
#else
    if (linkat(AT_FDCWD, native(existing).constData(), AT_FDCWD, native(second).constData(), 0) == 0)
        return Result::success();
    if (errno == EEXIST || errno == ENOENT)
        return cannot(QStringLiteral("keep a copy of"), existing, systemError(errno));
    // A file system without hard links (or a file that may not get one): a copy.
    const QString part = second + QStringLiteral(".part");
    struct stat st;
    if (lstat(native(existing).constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // A link is kept as the link itself, pointing where it pointed.
        QByteArray to(qsizetype(st.st_size) + 1, '\0');
        const ssize_t n = readlink(native(existing).constData(), to.data(), size_t(to.size()));
        if (n < 0 || n >= to.size() || symlink(to.left(n).constData(), native(part).constData()) != 0)
            return cannot(QStringLiteral("keep a copy of"), existing, systemError(errno));
    } else if (Result r = copyToNew(existing, part, sync); !r) {
        return r;
    }
#endif
    if (Result r = renameOver(part, second); !r) {
        QFile::remove(part);
        return cannot(QStringLiteral("keep a copy of"), existing, r.message);
    }
    return Result::success();
}

bool sameFile(const QString& a, const QString& b)
{
#ifdef Q_OS_WIN
    auto identity = [](const QString& path, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE h = CreateFileW(native(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        const bool ok = GetFileInformationByHandle(h, &info);
        CloseHandle(h);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION x, y;
    return identity(a, x) && identity(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
#else
    struct stat x, y;
    return lstat(native(a).constData(), &x) == 0 && lstat(native(b).constData(), &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
#endif
}

Result renameOver(const QString& from, const QString& to, bool* otherDisk)
{
    if (otherDisk) *otherDisk = false;
#ifdef Q_OS_WIN
    // A plain rename on Windows will not replace an existing file. The
    // replace-file call swaps a file in whole; the move is for a name that is
    // still free (or for a file system where the replace-file call fails).
    const std::wstring source = native(from);
    const std::wstring target = native(to);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        ReplaceFileW(target.c_str(), source.c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr))
        return Result::success();
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Result::success();
    const DWORD err = GetLastError();
    if (otherDisk) *otherDisk = err == ERROR_NOT_SAME_DEVICE;
    return Result::failure(systemError(int(err)));
#else
    if (std::rename(native(from).constData(), native(to).constData()) == 0) return Result::success();
    const int err = errno;
    if (otherDisk) *otherDisk = err == EXDEV;
    return Result::failure(systemError(err));
#endif
}

qint64 freeBytes(const QString& folder)
{
#ifdef Q_OS_WIN
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(native(folder).c_str(), &available, nullptr, nullptr)) return -1;
    return qint64(qMin<quint64>(available.QuadPart, quint64(std::numeric_limits<qint64>::max())));
#else
    struct statvfs disk;
    if (statvfs(native(folder).constData(), &disk) != 0) return -1;
    const quint64 bytes = quint64(disk.f_bavail) * quint64(disk.f_frsize);
    return qint64(qMin<quint64>(bytes, quint64(std::numeric_limits<qint64>::max())));
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

bool removeAll(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return true;
    if (info.isDir() && !isLink(info)) {
        QDir(path).removeRecursively();
    } else if (info.isJunction()) {
        QDir().rmdir(path);
    } else {
        QFile::remove(path);
    }
    const QFileInfo after(path);
    return !after.exists() && !after.isSymLink();
}

Result StagedCopy::write()
{
    QFile in;
    if (Result r = openForReading(in, source_); !r) return fail(r.message);
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

Result replaceFileContents(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    const QString temp = target.absolutePath() + QStringLiteral("/.ludex-") +
                         QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".tmp");
    Result r;
    {
        QFile out;
        r = openForWriting(out, temp, WriteMode::CreateNew);
        if (!r)
            return Result::failure(
                QStringLiteral("Cannot write in %1: %2").arg(shown(target.absolutePath()), r.message));
        r = writeAll(out, bytes);
        if (r) r = syncFile(out);
    }
    if (!r) {
        QFile::remove(temp);
        return Result::failure(QStringLiteral("Cannot write %1: %2").arg(shown(path), r.message));
    }
    if (target.exists()) QFile::setPermissions(temp, QFile::permissions(path));
    if (Result moved = renameOver(temp, path); !moved) {
        QFile::remove(temp);
        return Result::failure(QStringLiteral("Cannot replace %1: %2").arg(shown(path), moved.message));
    }
    return syncFolder(target.absolutePath());
}

}  // namespace FileOps
