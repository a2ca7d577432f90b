#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "platform/FileOps.h"

// What the player table and the team table of the edit file share: the stored
// path, the load that finds the table at a fixed offset, the loaded flag and
// the clamping of indexes. The two classes add their record layout.
class EditTable {
public:
    QString Path() const { return path_; }
    void setPath(const QString& Str_Path) { path_ = Str_Path; }

    // True when something exists at the path, a folder as much as a file.
    bool File_Exists(const QString& Str_Path) const;

    // Number of entries held: the table's record count after any load that
    // opened its file, 0 before.
    int Count() const { return count_; }

    // Why the last load found something at its path but could not read it
    // (a folder, a named pipe, a device, no permission); empty after a load
    // that read its file or found nothing there.
    const QString& loadError() const { return loadError_; }

protected:
    EditTable(qint64 tableOffset, int recordCount, int recordSize, int nameOffset, int nameLength);
    ~EditTable() = default;

    bool load(const QString& Str_Path);

    // The position the readers use for a requested index, or -1 when nothing is held.
    int CheckIndex(int Index) const;

    // The record at a position; bytes beyond the end of the file read as zero.
    const char* record(int position) const { return raw_.constData() + qsizetype(position) * recordSize_; }
    QString decodeField(int position, int offset, int length) const;
    const QString& name(int position) const { return names_[position]; }

private:
    const qint64 tableOffset_;
    const int recordCount_;
    const int recordSize_;
    const int nameOffset_;
    const int nameLength_;

    QString path_;
    QString loadError_;
    bool loaded_ = false;
    int count_ = 0;
    FileOps::FillBuffer raw_;
    QStringList names_;
};
