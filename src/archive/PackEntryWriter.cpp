#include "archive/PackEntryWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include "platform/FileOps.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr qint64 kProgressEvery = qint64(1) << 20;
constexpr int kMaxIdle = 1000;

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
using FileOps::isLink;

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

class PackEntryWriter::File : public EntryFile {};
class PackEntryWriter::Tree : public TreeWriter {
public:
    using TreeWriter::TreeWriter;
};

PackEntryWriter::PackEntryWriter(const QString& destination, const UnRarExtractor::Limits& limits,
                                 const UnRarExtractor::Progress& progress, UnRarExtractor::Report& report)
    : limits_(limits), progress_(progress), report_(report), tree_(std::make_unique<Tree>(destination))
{}

PackEntryWriter::~PackEntryWriter() = default;

bool PackEntryWriter::start()
{
    if (!QDir().mkpath(tree_->root()))
        return stop(Status::WriteFailed, QStringLiteral("cannot create the folder \"%1\"").arg(tree_->root()));
    // The data may use neither more than the cap nor the disk's last free space.
    budget_ = limits_.maxTotalBytes;
    budgetIsDisk_ = false;
    const QStorageInfo disk(tree_->root());
    if (disk.isValid() && disk.bytesAvailable() >= 0) {
        const qint64 free = disk.bytesAvailable() - limits_.reserveBytes;
        if (free < budget_) {
            budget_ = std::max<qint64>(free, 0);
            budgetIsDisk_ = true;
        }
    }
    return true;
}

void PackEntryWriter::restart()
{
    file_.reset();
    report_.status = Status::Ok;
    report_.errorText.clear();
    report_.files = report_.folders = 0;
    report_.bytes = 0;
    report_.skipped.clear();
    entries_ = 0;
    nextReport_ = 0;
    idle_ = 0;
}

void PackEntryWriter::setRead(qint64 done, qint64 total)
{
    readDone_ = std::min(done, total);
    readTotal_ = total;
}

bool PackEntryWriter::askToGoOn()
{
    if (progress_ && !progress_(readDone_, readTotal_)) return stop(Status::Canceled, QString());
    return true;
}

bool PackEntryWriter::beginEntry(const QString& name, Kind kind, qint64 size, bool* wanted)
{
    *wanted = false;
    file_.reset();
    if (stopped()) return false;
    if (++entries_ > limits_.maxEntries)
        return stop(Status::TooManyEntries, QStringLiteral("more than %1 entries").arg(limits_.maxEntries));
    if (!askToGoOn()) return false;

    const QString rel = UnRarExtractor::safeRelativePath(name);
    if (rel.isEmpty() || kind == Kind::Link || kind == Kind::Other) {
        if (!namesTheRoot(name) || kind != Kind::Folder)
            report_.skipped << (name.isEmpty() ? QStringLiteral("(unreadable name)") : name);
        return true;
    }
    if (kind == Kind::Folder) {
        if (!tree_->makeFolders(rel)) return stop(Status::WriteFailed, tree_->error());
        ++report_.folders;
        return true;
    }
    if (size > budget_ - report_.bytes) return overBudget();
    file_ = std::make_unique<File>();
    if (!tree_->openFile(rel, *file_)) return stop(Status::WriteFailed, tree_->error());
    fileName_ = rel;
    end_ = 0;
    idle_ = 0;
    *wanted = true;
    return true;
}

bool PackEntryWriter::overBudget()
{
    if (budgetIsDisk_) return stop(Status::DiskFull, QStringLiteral("not enough free disk space"));
    return stop(Status::TooLarge, QStringLiteral("more than %1 MB of data").arg(budget_ >> 20));
}

bool PackEntryWriter::write(const char* data, qint64 size, qint64 offset)
{
    if (offset < 0 || size > budget_ - report_.bytes || offset > budget_ - size) return overBudget();
    if (!file_ || size == 0) return true;
    bool full = false;
    QString why;
    if (!file_->writeAt(data, size, offset, &full, &why))
        return stop(full ? Status::DiskFull : Status::WriteFailed,
                    QStringLiteral("cannot write \"%1\": %2").arg(fileName_, why));
    report_.bytes += size;
    end_ = std::max(end_, offset + size);
    idle_ = 0;
    if (report_.bytes >= nextReport_) {
        nextReport_ = report_.bytes + kProgressEvery;
        return askToGoOn();
    }
    return true;
}

bool PackEntryWriter::idle(const QString& name)
{
    if (++idle_ > kMaxIdle)
        return stop(Status::Damaged, QStringLiteral("\"%1\": the reader makes no progress").arg(name));
    return true;
}

bool PackEntryWriter::endFile(qint64 size, qint64 mtime)
{
    if (!file_) return !stopped();
    // A sparse file may end in a hole.
    if (size > end_ && size <= budget_ - report_.bytes && !file_->resize(size))
        return stop(Status::WriteFailed, QStringLiteral("cannot write \"%1\"").arg(fileName_));
    if (mtime >= 0) file_->setModified(mtime);
    file_.reset();
    ++report_.files;
    return true;
}

bool PackEntryWriter::stop(Status status, const QString& text)
{
    file_.reset();
    if (report_.status == Status::Ok) {
        report_.status = status;
        report_.errorText = text;
    }
    return false;
}
