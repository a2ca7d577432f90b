#pragma once

#include <QString>

// Folder and file operations with Windows-style wildcards ('*' and '?', letter
// case ignored) in the last part of a path. Each returns false on failure and
// leaves a description in lastError().
//
// Read-only means what the Windows attribute means: a file without its owner
// write permission. Without `force` such a file is neither deleted nor
// overwritten, whoever runs the program.
class FileSystemObject {
public:
    // Fails when the folder exists, its parent is missing or the name is not allowed.
    bool CreateFolder(const QString& path);
    // Deletes the files of one folder that match the pattern (not sub-folders).
    // Fails when nothing matches; stops at the first file it cannot delete.
    bool DeleteFile(const QString& pattern, bool force = false);
    // Deletes the matching folders with everything in them; stops at the first
    // item it cannot delete. Fails when nothing matches.
    bool DeleteFolder(const QString& pattern, bool force = false);
    // Copies the matching files lying directly in the source folder into the
    // destination (a folder when it ends with a separator or exists as one,
    // else the target file name). Fails when nothing matches, or at the first
    // file that cannot be copied (a read-only target, or any target when not
    // `overwrite`).
    bool CopyFile(const QString& pattern, const QString& destination, bool overwrite = true);
    // Copies the matching sub-folders with all their contents, merging into
    // same-named folders of the destination. Fails when no folder matches.
    bool CopyFolder(const QString& pattern, const QString& destination, bool overwrite = true);
    // True only for an existing file, false for a folder.
    bool FileExists(const QString& path) const;
    bool FolderExists(const QString& path) const;

    QString lastError() const { return lastError_; }

    // Windows wildcard match of a whole name, letter case ignored.
    static bool matches(const QString& pattern, const QString& name);
    // Windows read-only attribute: the owner may not write the file.
    static bool isReadOnly(const QString& path);

private:
    bool fail(const QString& message);
    bool removeTree(const QString& path, bool force);
    bool copyOne(const QString& source, const QString& target, bool overwrite);
    bool copyTree(const QString& source, const QString& target, bool overwrite);
    QString lastError_;
};
