#include "archive/UnRarExtractor.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstring>
#include <memory>
#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr qint64 kProgressEvery = qint64(1) << 20;

using Status = UnRarExtractor::Status;

struct ReaderDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};

QString readerError(archive* a)
{
    const char* text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QString();
}

// Sorts the reader's complaint after the archive was recognised.
Status classify(archive* a, const QString& text)
{
    if (archive_read_has_encrypted_entries(a) > 0 || text.contains("ncrypt", Qt::CaseInsensitive) ||
        text.contains("password", Qt::CaseInsensitive))
        return Status::Encrypted;
    if (text.contains("upport", Qt::CaseInsensitive) || text.contains("olume", Qt::CaseInsensitive))
        return Status::Unsupported;
    return Status::Damaged;
}

// The entry's name as the reader decoded it; empty when it cannot be decoded.
QString entryName(archive_entry* e)
{
    if (const wchar_t* w = archive_entry_pathname_w(e)) return QString::fromWCharArray(w);
    if (const char* u = archive_entry_pathname_utf8(e)) return QString::fromUtf8(u);
    if (const char* m = archive_entry_pathname(e)) return QString::fromLocal8Bit(m);
    return QString();
}

// "." or "./": a folder entry for the destination itself, harmless.
bool namesTheRoot(QString name)
{
    name.replace('\\', '/');
    if (name.isEmpty() || name.startsWith('/')) return false;
    const QStringList parts = name.split('/', Qt::SkipEmptyParts);
    for (const QString& p : parts)
        if (p != QLatin1String(".")) return false;
    return true;
}

// What the block chain of a RAR file says before any entry is read. The
// reader takes a RAR file that stops in the middle of a header for one that
// simply ends, so a pack cut short at a header would pass for a smaller,
// complete one; walking the chain of block headers tells the two apart. The
// end block is required: without it a pack cut between two entries would pass.
struct RarChain {
    bool isRar = false;
    bool complete = true;  // a main header, whole blocks, and the end block
    bool multiVolume = false;
};

bool readVint(QFile& f, quint64* value, int* length)
{
    *value = 0;
    for (int i = 0; i < 10; ++i) {
        char byte = 0;
        if (!f.getChar(&byte)) return false;
        *value |= quint64(quint8(byte) & 0x7F) << (7 * i);
        if (!(quint8(byte) & 0x80)) {
            if (length) *length = i + 1;
            return true;
        }
    }
    return false;
}

RarChain walkRarChain(const QString& path)
{
    RarChain chain;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return chain;
    const qint64 size = f.size();
    const QByteArray start = f.read(8);
    static const QByteArray rar4("Rar!\x1a\x07\x00", 7);
    static const QByteArray rar5("Rar!\x1a\x07\x01\x00", 8);
    if (start.startsWith(rar5)) {
        chain.isRar = true;
        qint64 at = 8;
        bool main = false;
        while (at < size) {
            quint64 headerSize = 0, type = 0, flags = 0, extra = 0, data = 0;
            int sizeLength = 0;
            if (!f.seek(at + 4) || !readVint(f, &headerSize, &sizeLength) || headerSize == 0 ||
                headerSize > (quint64(2) << 20) || !readVint(f, &type, nullptr) || !readVint(f, &flags, nullptr))
                break;
            if ((flags & 0x0001) && !readVint(f, &extra, nullptr)) break;
            if ((flags & 0x0002) && !readVint(f, &data, nullptr)) break;
            if (data > quint64(size)) break;
            if (type == 1) {  // main header: archive flags
                main = true;
                quint64 archiveFlags = 0;
                if (readVint(f, &archiveFlags, nullptr) && (archiveFlags & 0x0001)) chain.multiVolume = true;
            }
            if (type == 4) return chain;  // encrypted headers: the reader reports them
            const qint64 end = at + 4 + sizeLength + qint64(headerSize) + qint64(data);
            if (end > size) break;
            if (type == 5) {  // end of archive
                chain.complete = main;
                return chain;
            }
            at = end;
        }
        chain.complete = false;
        return chain;
    }
    if (start.startsWith(rar4)) {
        chain.isRar = true;
        qint64 at = 7;
        bool main = false;
        while (at < size) {
            if (!f.seek(at)) break;
            const QByteArray h = f.read(11);
            if (h.size() < 7) break;
            const auto u8 = [&h](int i) { return quint32(quint8(h[i])); };
            const quint8 type = quint8(h[2]);
            const quint32 flags = u8(3) | (u8(4) << 8);
            const quint32 headSize = u8(5) | (u8(6) << 8);
            if (headSize < 7) break;
            qint64 total = headSize;
            if (flags & 0x8000) {
                if (h.size() < 11) break;
                total += qint64(u8(7) | (u8(8) << 8) | (u8(9) << 16) | (u8(10) << 24));
                if ((type == 0x74 || type == 0x7A) && (flags & 0x0100)) {  // 64-bit sizes
                    f.seek(at + 32);
                    const QByteArray high = f.read(4);
                    if (high.size() < 4) break;
                    total += qint64(quint32(quint8(high[0])) | (quint32(quint8(high[1])) << 8) |
                                    (quint32(quint8(high[2])) << 16) | (quint32(quint8(high[3])) << 24))
                             << 32;
                }
            }
            if (type == 0x73) {
                main = true;
                if (flags & 0x0001) chain.multiVolume = true;
                if (flags & 0x0080) return chain;  // encrypted headers: the reader reports them
            }
            if (at + total > size) break;
            if (type == 0x7B) {  // end of archive
                chain.complete = main;
                return chain;
            }
            at += total;
        }
        chain.complete = false;
        return chain;
    }
    return chain;
}

#ifndef Q_OS_WIN
QString systemError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// Makes one folder; a real folder already there (not a link to one) will do.
// False with the reason; `taken` when something else holds the name.
bool makeFolder(const QString& path, bool* taken, QString* why)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0755) == 0) return true;
    const int err = errno;
    struct stat st;
    if (err == EEXIST && ::lstat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    *taken = err == EEXIST;
    *why = systemError(err);
    return false;
}

// One file of the extraction, opened without following a link at its name.
class EntryFile {
public:
    ~EntryFile()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    // False with the reason; `isFolder` when a folder holds the name.
    bool open(const QString& path, bool* isFolder, QString* why)
    {
        const QByteArray name = QFile::encodeName(path);
        fd_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd_ >= 0) return true;
        const int err = errno;
        *isFolder = err == EISDIR;
        *why = systemError(err);
        return false;
    }
    // Writes all of `size` at `offset`; false with the reason, `full` when out of space.
    bool writeAt(const char* p, qint64 size, qint64 offset, bool* full, QString* why)
    {
        size_t left = size_t(size);
        off_t at = off_t(offset);
        while (left > 0) {
            const ssize_t n = ::pwrite(fd_, p, left, at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                const int err = n < 0 ? errno : ENOSPC;
                *full = err == ENOSPC || err == EDQUOT;
                *why = systemError(err);
                return false;
            }
            p += n;
            left -= size_t(n);
            at += n;
        }
        return true;
    }
    bool resize(qint64 size) { return ::ftruncate(fd_, off_t(size)) == 0; }
    void setModified(qint64 secs)
    {
        struct timespec times[2];
        times[0].tv_sec = time_t(secs);
        times[0].tv_nsec = 0;
        times[1] = times[0];
        ::futimens(fd_, times);
    }

private:
    int fd_ = -1;
};
#else
// Windows has no open-without-following: the name is checked for a link
// (symbolic link or junction) right before it is made or opened.
bool isLink(const QFileInfo& info) { return info.isSymbolicLink() || info.isJunction(); }

bool makeFolder(const QString& path, bool* taken, QString* why)
{
    const QFileInfo info(path);
    if (info.isDir() && !isLink(info)) return true;
    if (info.exists() || isLink(info)) {
        *taken = true;
        return false;
    }
    if (QDir().mkdir(path)) return true;
    *why = QStringLiteral("the folder cannot be made");
    return false;
}

class EntryFile {
public:
    bool open(const QString& path, bool* isFolder, QString* why)
    {
        const QFileInfo info(path);
        if (isLink(info)) {
            *why = QStringLiteral("a link is in the way");
            return false;
        }
        *isFolder = info.isDir();
        file_.setFileName(path);
        if (!*isFolder && file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) return true;
        *why = file_.errorString();
        return false;
    }
    bool writeAt(const char* p, qint64 size, qint64 offset, bool* full, QString* why)
    {
        if (file_.seek(offset) && file_.write(p, size) == size) return true;
        const QStorageInfo disk(QFileInfo(file_.fileName()).absolutePath());
        *full = disk.isValid() && disk.bytesAvailable() < size;
        *why = file_.errorString();
        return false;
    }
    bool resize(qint64 size) { return file_.resize(size); }
    void setModified(qint64 secs)
    {
        file_.setFileTime(QDateTime::fromSecsSinceEpoch(secs), QFileDevice::FileModificationTime);
    }

private:
    QFile file_;
};
#endif

// Writes one extraction's folders and files under its destination, never
// following a link and never leaving the destination.
class TreeWriter {
public:
    explicit TreeWriter(const QString& root) : root_(QDir::cleanPath(QDir(root).absolutePath())) {}

    QString root() const { return root_; }
    QString error() const { return error_; }

    // Makes root/rel and every folder between; each part that exists already
    // must be a real folder, not a file and not a link.
    bool makeFolders(const QString& rel)
    {
        if (rel.isEmpty() || known_.contains(rel)) return true;
        const int slash = rel.lastIndexOf('/');
        if (slash > 0 && !makeFolders(rel.left(slash))) return false;
        bool taken = false;
        QString why;
        if (!makeFolder(root_ + '/' + rel, &taken, &why))
            return fail(taken ? QStringLiteral("\"%1\" is both a file and a folder in the pack").arg(rel)
                              : QStringLiteral("cannot create the folder \"%1\": %2").arg(rel, why));
        known_.insert(rel);
        return true;
    }

    // Opens root/rel for writing, replacing a file of that name written earlier.
    bool openFile(const QString& rel, EntryFile& file)
    {
        const int slash = rel.lastIndexOf('/');
        if (slash > 0 && !makeFolders(rel.left(slash))) return false;
        bool isFolder = false;
        QString why;
        if (file.open(root_ + '/' + rel, &isFolder, &why)) return true;
        return fail(isFolder ? QStringLiteral("\"%1\" is both a file and a folder in the pack").arg(rel)
                             : QStringLiteral("cannot write \"%1\": %2").arg(rel, why));
    }

    bool fail(const QString& text)
    {
        error_ = text;
        return false;
    }

private:
    QString root_;
    QSet<QString> known_;
    QString error_;
};

}  // namespace

UnRarExtractor::UnRarExtractor() = default;
UnRarExtractor::~UnRarExtractor() = default;

QString UnRarExtractor::safeRelativePath(const QString& entryName)
{
    QString name = entryName;
    name.replace('\\', '/');
    if (name.startsWith('/') || name.contains(QChar(0))) return QString();
    QStringList parts;
    const QStringList raw = name.split('/', Qt::SkipEmptyParts);
    for (const QString& part : raw) {
        if (part == QLatin1String(".")) continue;
        if (part == QLatin1String("..")) return QString();
        parts << part;
    }
    // "C:" at the front is a drive on the system that made the pack.
    if (!raw.isEmpty() && raw.first().size() >= 2 && raw.first()[1] == ':' && raw.first()[0].isLetter())
        return QString();
    return parts.join('/');
}

UnRarExtractor::Report UnRarExtractor::Extract(const QString& archivePath, const QString& destination,
                                               const Progress& progress) const
{
    Report result;
    auto stop = [&result](Status status, const QString& text) {
        result.status = status;
        result.errorText = text;
        return result;
    };

    const QFileInfo packInfo(archivePath);
    if (!packInfo.exists()) return stop(Status::Missing, QStringLiteral("the file does not exist"));
    if (packInfo.isDir()) return stop(Status::NotAnArchive, QStringLiteral("it is a folder"));
    const qint64 packSize = packInfo.size();

    if (!QDir().mkpath(destination))
        return stop(Status::WriteFailed, QStringLiteral("cannot create the folder \"%1\"").arg(destination));
    TreeWriter tree(destination);

    // The data may use neither more than the cap nor the disk's last free space.
    qint64 budget = limits_.maxTotalBytes;
    bool budgetIsDisk = false;
    const QStorageInfo disk(tree.root());
    if (disk.isValid() && disk.bytesAvailable() >= 0) {
        const qint64 free = disk.bytesAvailable() - limits_.reserveBytes;
        if (free < budget) {
            budget = std::max<qint64>(free, 0);
            budgetIsDisk = true;
        }
    }

    std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
    archive* a = reader.get();
    // Named formats only: the catch-all set would also take plain text as an
    // mtree listing, which reads files named in it from this computer's disk.
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    archive_read_support_format_zip(a);
    archive_read_support_format_7zip(a);
    archive_read_support_format_tar(a);
    archive_read_support_format_cab(a);
    archive_read_support_format_lha(a);
    archive_read_support_format_iso9660(a);
    archive_read_support_filter_gzip(a);
    archive_read_support_filter_bzip2(a);
    archive_read_support_filter_xz(a);
    archive_read_support_filter_lzma(a);
    archive_read_support_filter_zstd(a);

    const RarChain chain = walkRarChain(packInfo.absoluteFilePath());
    if (chain.multiVolume) return stop(Status::Unsupported, QStringLiteral("the pack is one volume of several"));
    if (!chain.complete) return stop(Status::Damaged, QStringLiteral("the pack ends before its last entry"));

#ifdef Q_OS_WIN
    const std::wstring packName = QDir::toNativeSeparators(packInfo.absoluteFilePath()).toStdWString();
    if (archive_read_open_filename_w(a, packName.c_str(), 1 << 16) != ARCHIVE_OK) {
#else
    const QByteArray packName = QFile::encodeName(packInfo.absoluteFilePath());
    if (archive_read_open_filename(a, packName.constData(), 1 << 16) != ARCHIVE_OK) {
#endif
        const int err = archive_errno(a);
        const QString text = readerError(a);
        // EILSEQ is libarchive's "file format" error.
        if (err == EILSEQ || text.contains("nrecognized", Qt::CaseInsensitive)) return stop(Status::NotAnArchive, text);
        if (err == ENOENT) return stop(Status::Missing, text);
        if (err == EISDIR) return stop(Status::NotAnArchive, text);
        if (err == EACCES || err == EIO || err == EPERM) return stop(Status::Unreadable, text);
        return stop(classify(a, text), text);
    }

    qint64 nextReport = 0;
    auto report = [&]() {
        if (!progress) return true;
        return progress(std::min<qint64>(archive_filter_bytes(a, -1), packSize), packSize);
    };

    qint64 entries = 0;
    int retries = 0;
    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF) break;
        if (r == ARCHIVE_RETRY && ++retries <= 3) continue;
        if (r < ARCHIVE_WARN || r == ARCHIVE_RETRY) {
            const QString text = readerError(a);
            // Nothing read yet and no sense made of the first header: not an archive after all.
            if (entries == 0 && archive_format(a) == 0) return stop(Status::NotAnArchive, text);
            return stop(classify(a, text), text);
        }
        retries = 0;
        if (++entries > limits_.maxEntries)
            return stop(Status::TooManyEntries, QStringLiteral("more than %1 entries").arg(limits_.maxEntries));
        if (!report()) return stop(Status::Canceled, QString());

        const QString name = entryName(entry);
        if (archive_entry_is_encrypted(entry))
            return stop(Status::Encrypted, QStringLiteral("\"%1\" is protected by a password").arg(name));

        const QString rel = safeRelativePath(name);
        const auto type = archive_entry_filetype(entry);
        const bool link = archive_entry_hardlink(entry) != nullptr || type == AE_IFLNK;
        if (rel.isEmpty() || link || (type != AE_IFREG && type != AE_IFDIR)) {
            if (!namesTheRoot(name) || type != AE_IFDIR)
                result.skipped << (name.isEmpty() ? QStringLiteral("(unreadable name)") : name);
            continue;  // the reader skips the entry's data on the next header
        }

        if (type == AE_IFDIR) {
            if (!tree.makeFolders(rel)) return stop(Status::WriteFailed, tree.error());
            ++result.folders;
            continue;
        }

        EntryFile file;
        if (!tree.openFile(rel, file)) return stop(Status::WriteFailed, tree.error());

        qint64 end = 0;
        int idle = 0;  // answers without data: a reader going round in circles
        for (;;) {
            const void* block = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            const int d = archive_read_data_block(a, &block, &size, &offset);
            if (d == ARCHIVE_EOF) break;
            if ((d == ARCHIVE_RETRY || size == 0) && ++idle > 1000)
                return stop(Status::Damaged, QStringLiteral("\"%1\": the reader makes no progress").arg(name));
            if (d == ARCHIVE_RETRY) continue;
            if (size > 0) idle = 0;
            if (d < ARCHIVE_WARN) {
                const QString text = readerError(a);
                return stop(classify(a, text), QStringLiteral("\"%1\": %2").arg(name, text));
            }
            if (offset < 0 || qint64(size) > budget - result.bytes || offset > budget - qint64(size)) {
                if (budgetIsDisk) return stop(Status::DiskFull, QStringLiteral("not enough free disk space"));
                return stop(Status::TooLarge, QStringLiteral("more than %1 MB of data").arg(budget >> 20));
            }
            bool full = false;
            QString why;
            if (!file.writeAt(static_cast<const char*>(block), qint64(size), qint64(offset), &full, &why))
                return stop(full ? Status::DiskFull : Status::WriteFailed,
                            QStringLiteral("cannot write \"%1\": %2").arg(rel, why));
            result.bytes += qint64(size);
            end = std::max<qint64>(end, offset + qint64(size));
            if (result.bytes >= nextReport) {
                nextReport = result.bytes + kProgressEvery;
                if (!report()) return stop(Status::Canceled, QString());
            }
        }
        // A sparse file may end in a hole.
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > end &&
            archive_entry_size(entry) <= budget - result.bytes) {
            if (!file.resize(archive_entry_size(entry)))
                return stop(Status::WriteFailed, QStringLiteral("cannot write \"%1\"").arg(rel));
        }
        if (archive_entry_mtime_is_set(entry)) file.setModified(archive_entry_mtime(entry));
        ++result.files;
    }
    return result;
}
