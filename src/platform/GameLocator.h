#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>

// Finds the game's face folders and edit files where players keep them: on
// Windows in the usual program and document folders, on Linux inside the
// Wine prefixes that Wine, Steam's compatibility layer and the common Wine
// front-ends make. Only reads: nothing is created or changed.
//
// The walk is bounded (a depth, a time limit) and never follows a link below
// the roots it starts from, so a link loop or a link out of a prefix cannot
// hold it up.
namespace GameLocator {

struct Options {
    QString home;        // the user's home folder
    QString winePrefix;  // $WINEPREFIX; empty when unset
    int maxDepth = 8;    // folders below a prefix's drive_c that are looked into
    int timeLimitMs = 1000;
};

// The options for this user: home and $WINEPREFIX from the environment.
Options fromEnvironment();

struct Found {
    QStringList faceFolders;  // folders "Ludex/Face" (any letter case) that hold a map.txt
    QStringList editFiles;    // files EDIT.bin (any letter case) under a folder "save"
    QStringList roots;        // the prefixes and folders that were looked in
    bool timedOut = false;    // the time limit ended the walk before it was done
};

// Both lists sorted and without repeats, absolute paths with forward slashes.
Found find(const Options& options);

// The same walk, which also ends (as at its time limit) once `stop` is set:
// for a caller that may go away before the walk is done.
Found find(const Options& options, const std::atomic<bool>& stop);

// The library folders that Steam's library file (libraryfolders.vdf) lists,
// in the order it lists them, without repeats: the current layout, one
// object per library holding a "path", and the older one, where "1", "2", ...
// name the paths themselves. Whatever follows damage in the bytes is not
// read; bytes that are no such file give an empty list.
QStringList steamLibraries(const QByteArray& vdf);

// The largest library file that is read; Steam's own are a few kilobytes.
inline constexpr qint64 kMaxLibraryFileSize = 4 << 20;

}  // namespace GameLocator
