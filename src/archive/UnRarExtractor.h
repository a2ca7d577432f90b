#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The face-pack extraction component: archive path and destination folder
// in, the archive's tree under the destination out, a failure reported to the
// caller. Reads RAR 4 and RAR 5 archives and the other packs people send
// around (ZIP, 7z, tar, CAB, LHA, ISO), through libarchive.
//
// What it refuses to write: an entry whose name would leave the destination
// (an absolute path, a drive letter, a ".." part) and every entry that is not
// a plain file or folder (symbolic and hard links, devices). Those are skipped
// and named in the result. Files are written owner-writable whatever
// attributes the pack carries, so that a later pack can replace them and the
// archive can be cleared.
//
// What it guards against: a damaged archive that would have the reader run on
// without end or expand without bound. The entry count and the total size of
// the data written are capped (see Limits), and the data may not eat the last
// of the destination's free space.
class UnRarExtractor {
public:
    enum class Status {
        Ok,
        Canceled,        // the progress callback asked to stop
        Missing,         // nothing at the archive path
        Unreadable,      // the archive file cannot be opened or read
        NotAnArchive,    // no format recognised
        Damaged,         // truncated, corrupt headers, bad data
        Encrypted,       // password-protected entries or headers
        Unsupported,     // a feature the reader lacks (solid RAR 4, multi-volume...)
        TooManyEntries,  // more entries than Limits::maxEntries
        TooLarge,        // more data than Limits::maxTotalBytes
        DiskFull,        // the data would not fit the destination's free space
        WriteFailed,     // the destination cannot be written
    };

    struct Limits {
        qint64 maxEntries = 50000;
        qint64 maxTotalBytes = qint64(8) << 30;
        // Left free on the destination's disk after the extraction.
        qint64 reserveBytes = qint64(64) << 20;
    };

    struct Report {
        Status status = Status::Ok;
        QString errorText;    // the reader's or the file system's own words
        int files = 0;        // plain files written
        int folders = 0;      // folder entries seen and created
        qint64 bytes = 0;     // data written
        QStringList skipped;  // entries not written (unsafe names, links, devices)
        bool ok() const { return status == Status::Ok; }
    };

    // Called at each entry and after each MiB of data: the bytes of the
    // archive file read so far and its size. Returning false stops the
    // extraction (Status::Canceled).
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    UnRarExtractor();
    ~UnRarExtractor();

    const Limits& limits() const { return limits_; }
    void setLimits(const Limits& limits) { limits_ = limits; }

    // Extracts every entry of the archive under `destination`, which is
    // created when missing. On failure the destination may hold what was
    // written before it; callers that must not see a partial tree extract
    // into a folder of their own.
    Report Extract(const QString& archivePath, const QString& destination, const Progress& progress = {}) const;

    // The entry name as a relative path with '/' between its parts, or the
    // empty text when the name would leave the destination or names nothing.
    // Backslashes count as separators, as they do for packs made on Windows.
    static QString safeRelativePath(const QString& entryName);

private:
    Limits limits_;
};
