#pragma once

#include <QSet>
#include <QString>
#include <memory>

#include "archive/UnRarExtractor.h"

// The one place where an extraction touches the disk, whichever reader reads
// the pack: readers hand over entries and their data, this writes them under
// the destination and applies every rule about what may be written.
//
// - An entry whose name would leave the destination (an absolute path, a
//   drive letter, a ".." part) and every entry that is not a plain file or
//   folder (links, devices) is skipped and named in the report.
// - Nothing is written through a link, whether the pack or the disk holds it.
// - Files are written owner-writable whatever attributes the pack carries.
// - The entry count and the data written are capped, and the data may not
//   eat the last of the destination's free space.
// - A reader that keeps answering without data is stopped.
//
// Every call returns false once the extraction must stop; the report then
// says why, and the reader only has to return.
class PackEntryWriter {
public:
    using Status = UnRarExtractor::Status;
    enum class Kind { File, Folder, Link, Other };

    PackEntryWriter(const QString& destination, const UnRarExtractor::Limits& limits,
                    const UnRarExtractor::Progress& progress, UnRarExtractor::Report& report);
    ~PackEntryWriter();

    // Makes the destination and measures its free space.
    bool start();
    // Forgets what was counted, for a second reader over the same pack.
    void restart();

    // The reader's place in the pack: bytes read of `total`. Asks for cancel
    // at each entry and after each MiB of data written.
    void setRead(qint64 done, qint64 total);

    // A new entry. `wanted` tells whether its data is to be written (a plain
    // file under a safe name). `size` is the declared size, -1 when unknown.
    bool beginEntry(const QString& name, Kind kind, qint64 size, bool* wanted);
    // Data of the current file at `offset`.
    bool write(const char* data, qint64 size, qint64 offset);
    // The reader answered without data; too many such answers in a row stop it.
    bool idle(const QString& name);
    // Closes the current file; `size` extends it to its declared size (a file
    // that ends in a hole), `mtime` (seconds since 1970, -1 for none) dates it.
    bool endFile(qint64 size, qint64 mtime);

    // Records the end of the extraction with `status`; returns false.
    bool stop(Status status, const QString& text);
    bool stopped() const { return report_.status != Status::Ok; }
    qint64 maxEntries() const { return limits_.maxEntries; }

private:
    class Tree;
    class File;

    bool askToGoOn();
    bool overBudget();

    UnRarExtractor::Limits limits_;
    UnRarExtractor::Progress progress_;
    UnRarExtractor::Report& report_;
    std::unique_ptr<Tree> tree_;
    std::unique_ptr<File> file_;
    QString fileName_;
    qint64 budget_ = 0;
    bool budgetIsDisk_ = false;
    qint64 entries_ = 0;
    qint64 end_ = 0;  // of the current file's data
    qint64 nextReport_ = 0;
    int idle_ = 0;
    qint64 readDone_ = 0, readTotal_ = 0;
};
