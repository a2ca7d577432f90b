#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/Result.h"

class FileTransaction;

// Taking back the last install: the lines it added leave the end of map.txt,
// the models it added go and the models it replaced come back.
//
// Every install that asks for it leaves a record in the program folder: the
// face folder, map.txt's size before and the exact bytes appended, and each
// model with its size and hash as installed. The files it replaced are kept
// in a folder of the program's own (the transaction hands its backups over)
// until the next install, which discards them. The record is written, and
// the files the install before kept are discarded, by the install's own
// transaction: after a kill either the install is taken back and the record
// before still stands, or the install is whole and its record with it.
// The undo itself is one transaction too: map.txt is rewritten with the exact
// bytes it had before, each model is removed or put back, and the record and
// the kept files go, all or nothing.
namespace InstallUndo {

struct Record {
    struct File {
        QString target;  // an installed model, an absolute path inside the face folder
        qint64 size = 0;
        QByteArray hash;        // of the model as installed (hex)
        bool replaced = false;  // a file stood there before
        QString kept;           // the replaced file, a name in folder(); empty when it was not kept
        qint64 keptSize = 0;
        QByteArray keptHash;
    };
    QString faceFolder;
    qint64 mapOldSize = -1;  // map.txt's size before the install; -1: the install made it
    QByteArray appended;     // the bytes the install appended, line ends included
    std::vector<File> files;
};

// The folder of the replaced files.
QString folder(const QString& programFolder);

// Makes an install's transaction (its models placed by copy, its lines
// appended to the map.txt of `faceFolder`) keep what it replaces and write
// its own record in place of the one before, whose kept files it discards.
// When what it does cannot be recorded, it removes the record before
// instead, so that an older install is never offered for undo.
void recordIn(FileTransaction& install, const QString& programFolder, const QString& faceFolder);
// Drops the record and every file kept for it.
void discard(const QString& programFolder);
// At start, after the transactions were recovered: drops the files that no
// record keeps (left by an earlier version, or by hand), a record that cannot
// be read, the folder when it keeps nothing, and a record's scratch file that
// an earlier version left when it was killed. The transactions' own scratch
// is left to their recovery.
void tidy(const QString& programFolder);

// What undoing the last install would do, or why it cannot be done.
struct Plan {
    Result refusal;  // ok when the install can be undone
    Record record;
    QByteArray mapBytes;  // map.txt as read (null when missing)
    QStringList lines;    // the lines that leave map.txt, decoded
    // The question put to the user: what is removed and what is put back.
    QString confirmation() const;
};
// Reads the record and checks that the install can be undone in the face
// folder now chosen: the recorded bytes are still the very end of map.txt,
// each model is as it was installed, each replaced file is kept intact, and
// nothing in the way is read-only.
Plan prepare(const QString& programFolder, const QString& faceFolder);

// Undoes a prepared install as one transaction. Refuses when map.txt has
// changed since it was prepared; on failure everything is as it was.
Result undo(const QString& programFolder, const Plan& plan);

}  // namespace InstallUndo
