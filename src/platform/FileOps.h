#pragma once

#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <cstdlib>
#include <memory>

#include "platform/Result.h"

class QFile;

// File helpers shared by everything that writes into the user's folders:
// how a path is shown in a message, what counts as a link, opening files so
// that a link, a pipe or a device is never read or written by mistake,
// making data durable, and replacing a file so that it is either wholly the
// old one or wholly the new one.
namespace FileOps {

// A path as the user's system writes it, for messages.
QString shown(const QString& path);

// A symbolic link, or on Windows a junction: never looked through when writing.
bool isLink(const QFileInfo& info);
inline bool isLink(const QString& path) { return isLink(QFileInfo(path)); }

// The system's own words for an error number (errno; GetLastError on Windows).
QString systemError(int code);

// Opens a file for reading when it is a regular file. A folder, a named pipe,
// a socket or a device is refused without being opened (a pipe would wait
// for a writer for ever), with a message saying what is there.
Result openForReading(QFile& file, const QString& path);

enum class WriteMode {
    CreateNew,  // a new file; fails when anything is at the path
    Append,     // appends to a regular file, creating it when missing
};
// Opens a file for writing without following a link at the path itself: a
// link (even one that points nowhere), a folder, a pipe or a device there is
// refused with a message.
Result openForWriting(QFile& file, const QString& path, WriteMode mode);

// Writes all the bytes to a file opened by openForWriting; the failure is
// the system's reason.
Result writeAll(QFile& file, const char* data, qint64 size);
inline Result writeAll(QFile& file, const QByteArray& bytes) { return writeAll(file, bytes.constData(), bytes.size()); }

// The data and size of an open file reach the disk.
Result syncFile(QFile& file);
// The same for a file by its path (never through a link).
Result syncPath(const QString& path);
// Starts writing the file's data to disk now, so that a later syncFile has
// less to wait for. Only a hint; does nothing where the system has no such call.
void startWriteBack(QFile& file);
// A buffer about to be filled whole, from a file say. Its pages are made
// present at once, and where the system has large pages the memory comes in
// them, instead of one fault for every 4 KB as it fills: on a fresh process
// those faults cost more than the filling. Its contents start undefined.
class FillBuffer {
public:
    FillBuffer() = default;
    explicit FillBuffer(qsizetype size);
    char* data() { return data_.get(); }
    const char* constData() const { return data_.get(); }
    qsizetype size() const { return size_; }

private:
    struct Free {
        void operator()(char* p) const noexcept { std::free(p); }
    };
    std::unique_ptr<char[], Free> data_;
    qsizetype size_ = 0;
};
// The entries of a folder (files made, renamed or removed in it) reach the
// disk. Windows keeps them with the files; there it does nothing.
Result syncFolder(const QString& folder);

// Copies a regular file into a new file (WriteMode::CreateNew), left
// owner-writable whatever the source's permissions. `sync`: the copy's data
// reaches the disk before this returns. A failed copy is removed again.
Result copyToNew(const QString& source, const QString& target, bool sync);
// Copies a folder tree of regular files into a new folder `target`; any
// other kind of entry fails the copy. A failed copy is removed again.
Result copyTreeToNew(const QString& source, const QString& target, bool sync);

// Gives an existing file (or link) a second name: a hard link, or where the
// file system has none, a copy that takes the name only once it is whole
// (written as `second` + ".part" first).
Result keepSecondName(const QString& existing, const QString& second, bool sync);

// True when both paths are names of one file (hard links, or the same
// path); links are not followed.
bool sameFile(const QString& a, const QString& b);

// Renames `from` onto `to`, replacing a file of that name in one step: at
// every instant `to` is the old file or the new one. The failure carries the
// system's reason; `otherDisk` (may be null) is set when the two lie on
// different disks, which no rename can bridge.
Result renameOver(const QString& from, const QString& to, bool* otherDisk = nullptr);

// The bytes the user may still write on the disk of a folder; -1 when the
// system cannot say. One system call: cheap enough to ask before every install.
qint64 freeBytes(const QString& folder);

// Writes a whole file in place, creating its folders. Only for files of the
// program's own making in folders of its own (such as the sample world); a
// file of the user's is replaced through StagedCopy or renameOver instead.
Result writeFile(const QString& path, const QByteArray& bytes);

// Removes a file, a link or a whole folder tree (links inside are removed,
// never followed). True when nothing is left at the path.
bool removeAll(const QString& path);

// A copy written to a private file beside the target, which takes the
// target's name only on commit(): a failed copy leaves the target as it was.
class StagedCopy {
public:
    StagedCopy(const QString& source, const QString& target) : source_(source), out_(target) {}

    Result write();
    Result commit();

private:
    Result fail(const QString& text);

    QString source_;
    QSaveFile out_;
};

// ----- whole-file replacement, synced to disk -----

// Replaces (or creates) the file at `path` with `bytes`: written to a
// private file beside it, synced, renamed over the old one and the folder
// synced, so that after a crash the file is wholly the old one or wholly the
// new one. A file being replaced keeps its permissions. On failure the old
// file is as it was and no scratch file is left.
Result replaceFileContents(const QString& path, const QByteArray& bytes);

}  // namespace FileOps
