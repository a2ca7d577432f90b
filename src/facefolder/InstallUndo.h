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
// until the next install, which discards them. The undo itself is one transaction:
// map.txt is rewritten with the exact bytes it had before, each model is
// removed or put back, and the record goes, all or nothing.
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

// Records a committed transaction that installed into `faceFolder` and was
// told to keep what it replaced (FileTransaction::keepReplaced(folder(...))).
// The record of the install before, and the files it kept, are discarded.
// When nothing can be recorded, no record is left either, so that an older
// install is never offered for undo.
Result save(const QString& programFolder, const QString& faceFolder, const FileTransaction& done);
// Drops the record and every file kept for it.
void discard(const QString& programFolder);
// At start, after the transactions were recovered: drops the files that no
// record keeps (left by an install or undo that was cut short), and a record
// that cannot be read.
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
