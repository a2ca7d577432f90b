#pragma once

#include <QString>
#include <QStringList>

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

}  // namespace GameLocator
