#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <vector>

// Face packs for tests and benchmarks in the formats that libarchive can
// write (ZIP, 7z, tar), and a snapshot of a folder tree to compare with.
// RAR packs come from RarWriter.
namespace PackFixtures {

struct Entry {
    enum class Kind { File, Folder, Symlink, Hardlink };
    QString name;
    QByteArray data;   // File only
    Kind kind = Kind::File;
    QString target;    // Symlink and Hardlink: what the link points at
    int perm = 0644;   // File and Folder: permission bits stored in the pack
};

// Writes a pack with libarchive; `format` is "zip", "7zip" or "pax".
// False when it cannot be written.
bool write(const QString& path, const QString& format, const std::vector<Entry>& entries);

// Bytes that look like a model file of the given size; `seed` varies them.
QByteArray modelBytes(int size, int seed);

// Every file and folder under `root`, by path relative to it ('/' between
// parts): a file maps to its content, a folder to "<folder>", a link to
// "<link>". The root itself is not listed; a missing root gives an empty map.
QMap<QString, QByteArray> snapshot(const QString& root);

// True when nothing under `root` is a symbolic link.
bool noLinks(const QString& root);

}  // namespace PackFixtures
