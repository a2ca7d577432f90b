#pragma once

#include <QSaveFile>
#include <QString>

// Replacing a file so that it is either wholly the old one or wholly the new one.

// Renames `from` onto `to`, replacing a file of that name. False with the
// system's reason; `otherDisk` is set when the two lie on different disks,
// which no rename can bridge.
bool renameOver(const QString& from, const QString& to, bool* otherDisk, QString* why);

// A copy written to a private file beside the target, which takes the
// target's name only on commit(): a failed copy leaves the target as it was.
class StagedCopy {
public:
    StagedCopy(const QString& source, const QString& target) : source_(source), out_(target) {}

    bool write();
    bool commit() { return out_.commit() || fail(out_.errorString()); }
    QString error() const { return error_; }

private:
    bool fail(const QString& text);

    QString source_;
    QSaveFile out_;
    QString error_;
};
