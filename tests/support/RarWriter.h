#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

class QIODevice;

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
class RarWriter {
public:
    enum class Version { Rar4, Rar5 };

    struct Entry {
        QString name;     // path inside the archive, '/' between parts
        QByteArray data;  // ignored for folders
        bool folder = false;
    };

    // Writes the archive's opening headers to `out`, which must stay open
    // until finish().
    RarWriter(QIODevice& out, Version version, bool solid = false);

    bool addFile(const QString& name, const QByteArray& data);
    bool addFolder(const QString& name);
    // Writes the end-of-archive header.
    bool finish();

    // A whole archive in memory.
    // `solid` marks the archive solid and every file after the first as
    // continuing the one before, as a solid archiver does; stored data is the same.
    static QByteArray build(Version version, const std::vector<Entry>& entries, bool solid = false);
    // The same, written to a file (its folders are created); false when it cannot be written.
    static bool write(const QString& path, Version version, const std::vector<Entry>& entries, bool solid = false);

    static const char* name(Version version) { return version == Version::Rar4 ? "Rar4" : "Rar5"; }

private:
    bool add(const QString& name, const QByteArray& data, bool folder);
    QByteArray rar4FileHeader(const QByteArray& name, const QByteArray& data, bool folder, bool unicode,
                              bool continues) const;
    QByteArray rar5Header(quint64 type, quint64 flags, const QByteArray& fields, quint64 dataSize) const;

    QIODevice& out_;
    Version version_;
    bool solid_ = false;
    bool firstFile_ = true;
    bool ok_ = true;
};
