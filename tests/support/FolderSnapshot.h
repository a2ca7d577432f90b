#pragma once

#include <QByteArray>
#include <QString>
#include <map>

// Everything under a folder, for "nothing changed" checks: each file's bytes
// by relative path, each folder as its path with a trailing "/".
using FolderSnapshot = std::map<QString, QByteArray>;

FolderSnapshot snapshotFolder(const QString& root);
