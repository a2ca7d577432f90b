#pragma once

#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include "platform/Result.h"

// File helpers shared by everything that writes into the user's folders:
// how a path is shown in a message, what counts as a link, and replacing a
// file so that it is either wholly the old one or wholly the new one.
namespace FileOps {

// A path as the user's system writes it, for messages.
QString shown(const QString& path);

// A symbolic link, or on Windows a junction: never looked through when writing.
bool isLink(const QFileInfo& info);
inline bool isLink(const QString& path) { return isLink(QFileInfo(path)); }

// Renames `from` onto `to`, replacing a file of that name in one step. The
// failure carries the system's reason; `otherDisk` (may be null) is set when
// the two lie on different disks, which no rename can bridge.
Result renameOver(const QString& from, const QString& to, bool* otherDisk = nullptr);

// Writes a whole file in place, creating its folders. Only for files of the
// program's own making in folders of its own (such as the sample world); a
// file of the user's is replaced through StagedCopy or renameOver instead.
Result writeFile(const QString& path, const QByteArray& bytes);

// A copy written to a private file beside the target, which takes the
// target's name only on commit(): a failed copy leaves the target as it was.
class StagedCopy {
public:
    StagedCopy(const QString& source, const QString& target) : source_(source), out_(target) {}

    Result write();
    Result commit();

private:
    Result fail(const QString& text);

    QString source_;
    QSaveFile out_;
};

// ----- whole-file replacement, synced to disk -----

// Replaces (or creates) the file at `path` with `bytes`: written to a
// private file beside it, synced, renamed over the old one and the folder
// synced, so that after a crash the file is wholly the old one or wholly the
// new one. A file being replaced keeps its permissions. On failure the old
// file is as it was and no scratch file is left.
Result replaceFileContents(const QString& path, const QByteArray& bytes);

// Makes the renames and removals made in a folder durable. Does nothing
// where the system has no such operation.
void syncFolder(const QString& folder);

}  // namespace FileOps
