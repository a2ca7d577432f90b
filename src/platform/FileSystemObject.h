#pragma once

#include <QString>

#include "platform/Result.h"

// Folder and file operations with Windows-style wildcards ('*' and '?', letter
// case ignored) in the last part of a path. Each fails with a description of
// what stopped it.
//
// Read-only means what the Windows attribute means: a file without its owner
// write permission. Without `force` such a file is neither deleted nor
// overwritten, whoever runs the program.
class FileSystemObject {
public:
    // Fails when the folder exists, its parent is missing or the name is not allowed.
    Result CreateFolder(const QString& path);
    // Deletes the files of one folder that match the pattern (not sub-folders).
    // Fails when nothing matches; stops at the first file it cannot delete.
    Result DeleteFile(const QString& pattern, bool force = false);
    // Deletes the matching folders with everything in them; stops at the first
    // item it cannot delete. Fails when nothing matches.
    Result DeleteFolder(const QString& pattern, bool force = false);
    // True only for an existing file, false for a folder.
    bool FileExists(const QString& path) const;
    bool FolderExists(const QString& path) const;

    // Windows wildcard match of a whole name, letter case ignored.
    static bool matches(const QString& pattern, const QString& name);
    // Windows read-only attribute: the owner may not write the file.
    static bool isReadOnly(const QString& path);

private:
    Result removeTree(const QString& path, bool force);
};
