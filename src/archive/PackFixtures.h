#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Writes face packs in the formats that libarchive can write (ZIP, 7z, tar),
// for the sample world, the tests and the benchmarks. (RAR, which libarchive
// only reads, has a writer of its own in the tests.)
namespace PackFixtures {

struct Entry {
    enum class Kind { File, Folder, Symlink, Hardlink };
    QString name;
    QByteArray data;  // File only
    Kind kind = Kind::File;
    QString target;   // Symlink and Hardlink: what the link points at
    int perm = 0644;  // File and Folder: permission bits stored in the pack
};

// Writes a pack with libarchive; `format` is "zip", "7zip" or "pax".
// False when it cannot be written.
bool write(const QString& path, const QString& format, const std::vector<Entry>& entries);

// Bytes that look like a model file of the given size; `seed` varies them.
QByteArray modelBytes(int size, int seed);

}  // namespace PackFixtures
