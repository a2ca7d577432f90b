#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <ostream>

// Everything under a folder, for "nothing changed" checks: each file's bytes
// by relative path, each folder as its path with a trailing "/" mapping to
// "<folder>", each symbolic link (never followed) as "<link>", anything else
// (a pipe, a device) as "<special>". The root itself
// is not listed; a missing root gives an empty map. Taken once the scratch
// of committed file transactions is gone (it goes on a thread of its own).
using FolderSnapshot = std::map<QString, QByteArray>;

FolderSnapshot snapshotFolder(const QString& root);

// Readable failure messages: a text in quotes; a snapshot path by path, with
// the start of each file.
void PrintTo(const QString& text, std::ostream* os);
void PrintTo(const FolderSnapshot& snapshot, std::ostream* os);
