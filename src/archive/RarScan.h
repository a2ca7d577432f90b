#pragma once

#include <QString>
#include <vector>

class QIODevice;

// What the chain of block headers of one RAR file (or one volume of a set)
// says, read before any entry is unpacked. The readers take a RAR file that
// stops in the middle of a header for one that simply ends, so a pack cut
// short at a header would pass for a smaller, complete one; walking the chain
// tells the two apart. The end block is required: without it a pack cut
// between two entries would pass.
struct RarScan {
    enum class Format { None, Rar4, Rar5 };

    // A RAR 4 file header, for the reader that does not report folders and links itself.
    struct Entry {
        qint64 offset = 0;  // where its header starts
        bool folder = false;
        bool link = false;    // a symbolic link made on a Unix system
        bool device = false;  // any other kind of entry that is not a plain file
        QString name;         // folders only
    };

    Format format = Format::None;
    bool complete = false;       // a main header, whole blocks, and the end block
    bool volume = false;         // one volume of a set
    int number = -1;             // the number the volume gives itself (RAR 5: 0 for the first), -1 when it gives none
    bool more = false;           // a volume whose end block says that another follows
    bool solid = false;          // the archive, or a file in it, is solid
    bool encrypted = false;      // encrypted headers, or a file protected by a password
    std::vector<Entry> entries;  // RAR 4 only

    // Walks the file from its start; never reads more than a header at a time.
    static RarScan of(QIODevice& file);
};
