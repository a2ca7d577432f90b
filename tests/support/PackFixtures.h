#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Face packs for tests and benchmarks in the formats that libarchive can
// write (ZIP, 7z, tar). RAR packs come from RarWriter; folder trees are
// compared with FolderSnapshot.
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
