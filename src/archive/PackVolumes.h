#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The files of a face pack split into parts, found by their names: a pack
// uploaded in pieces is chosen by any one of them and read as the whole set.
namespace PackVolumes {

enum class Scheme {
    Single,       // one file
    RarParts,     // "Pack.part1.rar", "Pack.part2.rar"... (any zero padding)
    RarOldStyle,  // "Pack.rar", "Pack.r00", "Pack.r01"... "Pack.r99", "Pack.s00"...
    Numbered,     // "Pack.zip.001", "Pack.7z.002"...: the pack's bytes cut in pieces
    ZipSpanned,   // "Pack.z01", "Pack.z02"... "Pack.zip": a ZIP spanned over disks
};

struct Set {
    Scheme scheme = Scheme::Single;
    QString stem;          // the name without the part's suffix ("Pack")
    QStringList parts;     // names of the parts found, in order
    QList<int> numbers;    // the place (1-based) of each part found
    int firstMissing = 0;  // the first place below the last part found that no file fills; 0 for none

    int last() const { return numbers.isEmpty() ? 0 : numbers.last(); }
    bool split() const { return scheme != Scheme::Single; }
};

// `name`: the chosen file's name; `siblings`: the names of the files beside it
// (it may be among them). Names match without regard to case.
Set find(const QString& name, const QStringList& siblings);

// The name that part `place` (1-based) of the set has, or would have.
QString partName(const Set& set, int place);

// find() for a file on disk, its folder listed.
Set findOnDisk(const QString& path);

}  // namespace PackVolumes
