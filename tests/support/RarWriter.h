#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>
#include <vector>

// Writes RAR archives with stored (uncompressed) entries, so that tests and
// benchmarks can make face packs without the closed `rar` tool. Both the
// RAR 4 layout (marker, main header, 0x74 file headers, end header; 16-bit
// header CRCs) and the RAR 5 layout (variable-length integers, 32-bit header
// CRCs) are written, with a CRC32 of every file's data as a real archiver
// stores it. Entries are written as Windows RAR writes them: RAR 4 names use
// the backslash, RAR 5 names the slash; the host is Windows and folders carry
// the directory attribute.
//
// Names are written as given (after the separator change), so a test can
// also write names that try to leave the destination folder.
//
// Sets split into volumes are written as an archiver splits them: each volume
// has its own opening and end headers, a file cut at a volume's end goes on in
// the next one under a header marked as continued, and every part but the
// last of a cut file carries the CRC32 of its own piece.
namespace RarWriter {

enum class Version { Rar4, Rar5 };
// Test listings and failure messages show a layout by its name.
inline void PrintTo(Version v, std::ostream* os) { *os << (v == Version::Rar4 ? "Rar4" : "Rar5"); }
// How the volumes of a set are named: "Pack.part01.rar"... (RAR 5, and
// RAR 4 with the new numbering), or "Pack.rar", "Pack.r00"... (RAR 4).
enum class Naming { Parts, OldStyle };

struct Entry {
    QString name;     // path inside the archive, '/' between parts
    QByteArray data;  // ignored for folders
    bool folder = false;
    bool encrypted = false;  // marked as protected by a password; the data is written as given
};

// A whole archive in memory.
// `solid` marks the archive solid and every file after the first as
// continuing the one before, as a solid archiver does; stored data is the same.
QByteArray build(Version version, const std::vector<Entry>& entries, bool solid = false);
// The same, written to a file (its folders are created); false when it cannot be written.
bool write(const QString& path, Version version, const std::vector<Entry>& entries, bool solid = false);

// Writes the entries as a set of `parts` volumes next to `firstPath`
// (named after it by `naming`), the file data spread evenly over them.
// Returns the volumes' paths in order, or nothing when they cannot be written.
QStringList writeSplit(const QString& firstPath, Version version, const std::vector<Entry>& entries, int parts,
                       Naming naming = Naming::Parts, bool solid = false);

inline const char* name(Version version) { return version == Version::Rar4 ? "Rar4" : "Rar5"; }

}  // namespace RarWriter
