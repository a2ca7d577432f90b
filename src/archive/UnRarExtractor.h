#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The face-pack extraction component: archive path and destination folder
// in, the archive's tree under the destination out, a failure reported to the
// caller. Reads RAR 3/4 and RAR 5 archives and the other packs people send
// around (ZIP, 7z, tar, CAB, LHA, ISO) through libarchive, and solid RAR 4
// packs, which libarchive refuses, through unarr.
//
// A pack split into parts ("Pack.part1.rar", "Pack.part2.rar"...; "Pack.rar",
// "Pack.r00"...; "Pack.zip.001"...) is chosen by any of its parts: the set is
// found beside it and read as one stream. A part that is missing or damaged
// is named in the report, and nothing is extracted.
//
// Only a plain file is read: a named pipe would block the window for ever,
// and a device is never a pack.
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
        NotAFile,        // a folder, pipe, device or socket instead of a file
        Unreadable,      // the archive file cannot be opened or read
        NotAnArchive,    // no format recognised
        PartMissing,     // a part of a split pack is not beside the others
        Damaged,         // truncated, corrupt headers, bad data
        Encrypted,       // password-protected entries or headers
        Unsupported,     // a feature no reader here has
        Empty,           // the pack holds no file
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
        QString errorText;         // the reader's or the file system's own words
        int files = 0;             // plain files written
        int folders = 0;           // folder entries seen and created
        qint64 bytes = 0;          // data written
        QStringList skipped;       // entries not written (unsafe names, links, devices)
        int parts = 1;             // files the pack was read from
        bool solidReader = false;  // read by the second reader, for solid RAR 4 packs
        // The part of a split pack that a failure is about: its place in the
        // set (1-based; 0 when the failure is about no one part), the number
        // of parts (0 when not known: the last ones are missing) and its file name.
        int partNumber = 0;
        int partCount = 0;
        QString partName;
        bool ok() const { return status == Status::Ok; }
    };

    // Called at each entry and after each MiB of data: the bytes of the
    // pack's files read so far and their size. Returning false stops the
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

    // The size of all the files that make up the pack at `archivePath` (all
    // its parts when it is split), for a progress bar.
    static qint64 packBytes(const QString& archivePath);

    // The entry name as a relative path with '/' between its parts, or the
    // empty text when the name would leave the destination or names nothing.
    // Backslashes count as separators, as they do for packs made on Windows.
    static QString safeRelativePath(const QString& entryName);

private:
    Limits limits_;
};
