#pragma once

#include <QFile>
#include <memory>
#include <vector>

#include "archive/PackEntryWriter.h"
#include "archive/RarScan.h"

// The two readers of the extraction. Each reads the pack and hands its
// entries to one PackEntryWriter, which writes them and applies the rules;
// a reader only decodes.
namespace PackReaders {

// The files of a pack, opened for reading, in order: read as one stream.
struct Parts {
    std::vector<std::unique_ptr<QFile>> files;
    qint64 total = 0;  // their sizes added
};

// Reads the parts with libarchive. False, with nothing reported, when
// libarchive refuses the pack as a solid RAR 4 one: what it wrote before that
// is to be written again by the second reader.
bool readWithLibarchive(Parts& parts, PackEntryWriter& out);

// Reads a RAR 4 pack of one file, solid or not, with unarr. `scan` tells the
// folders and links, which unarr does not report.
void readWithUnarr(const QString& path, const RarScan& scan, qint64 size, PackEntryWriter& out);

}  // namespace PackReaders
