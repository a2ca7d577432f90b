#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "archive/UnRarExtractor.h"

// A look at the list of files of a 7z pack before libarchive reads it.
//
// libarchive takes the counts in that list (folders, coders, streams, files)
// on trust up to a hundred million and reserves memory for them at once: a
// pack of a few hundred bytes that claims millions of folders has it reserve
// and walk gigabytes for seconds before it fails. The walk here reads every
// count and refuses one that the bytes after it could not hold, or that is
// over the entry limit, so that what libarchive is given is no larger than
// the pack. A list packed with LZMA (as 7z writers pack it) is unpacked, up to
// a cap, and walked too.
struct SevenZipScan {
    using Status = UnRarExtractor::Status;
    // Bytes of the pack from `offset`; fewer when the pack ends first.
    using ReadAt = std::function<QByteArray(qint64 offset, qint64 length)>;

    Status status = Status::Ok;  // Damaged, TooManyEntries, Encrypted or Unsupported otherwise
    QString text;                // what is wrong, for the report

    // The list of files, packed or not, is never taken larger than this.
    static constexpr qint64 kMaxListBytes = qint64(32) << 20;

    // `size` is the pack's; `maxEntries` bounds the files, folders and streams it may declare.
    static SevenZipScan of(const ReadAt& read, qint64 size, qint64 maxEntries);
};
