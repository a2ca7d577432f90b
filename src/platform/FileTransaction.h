#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/Result.h"

class ProgressSink;

// Several file replacements and text-file appends made as one step: after a
// failure, a kill or a power cut every file involved is either as it was
// before or as the transaction meant it to be.
//
// How: the new files are first written (or moved) in under scratch names
// beside their targets and a file that is replaced first gets a second name
// (a hard link, or a copy) as its backup. A journal in a folder of the
// program's own lists every target, scratch name and append before anything
// in the user's folders changes. Then each new file is renamed over its
// target (one atomic step per file; a file to be removed is simply removed,
// its backup holding it), and the lines are appended (lines that stand in
// full mark the end; without lines the journal's name does); only then are
// the backups and the journal removed. When a
// step fails the transaction is taken back at once; when the process dies,
// recover() finishes or takes back what its journal names at the next start
// (or the next transaction), and removes every scratch file.
//
// A transaction is built, then committed once:
//
//     FileTransaction t(programFolder);
//     t.place(workingFace, faceFolder + "/P_Face.bin");
//     t.place(workingHair, faceFolder + "/Team/P_Hair.bin");
//     t.appendLine(faceFolder + "/map.txt", line1);
//     t.appendLine(faceFolder + "/map.txt", line2);
//     if (Result r = t.commit(); !r) report(r.message);  // nothing changed
class FileTransaction {
public:
    enum class How {
        Copy,  // the source file is copied and stays where it is
        // The source (a file, or a folder that is not at the target yet) is
        // moved: a rename where source and target share a disk, a copy
        // otherwise. A moved source is used up, whatever the outcome.
        Move,
    };

    // `journalFolder`: where the journal is written (the program folder).
    // `durable`: file data and folder entries are synced to disk at each
    // stage, so that a power cut keeps the promise too; without it only a
    // failure or a kill is covered.
    explicit FileTransaction(const QString& journalFolder, bool durable = true);

    // Puts `source` at `target`, replacing a file there. A link at the
    // target is replaced, never written through; a folder there fails the
    // commit (except for a moved folder, whose target must be free).
    void place(const QString& source, const QString& target, How how = How::Copy);
    // Appends `line` and CR LF to a text file, creating it when missing. A
    // last line left without its line end is ended with CR LF first. A link
    // (even one that points nowhere) or a non-file there fails the commit.
    void appendLine(const QString& file, const QByteArray& line);
    // Puts a new file holding `bytes` at `target`, replacing a file there.
    void write(const QString& target, const QByteArray& bytes);
    // The same, with bytes that depend on the transaction itself (a record of
    // what it does, say): `compose` is called once the commit has looked at
    // every target, and sees files() with `existed` and `kept`, and appends()
    // with the old sizes and the exact bytes. Null bytes: the file at
    // `target` is removed instead (nothing when there is none).
    using Composer = std::function<QByteArray(const FileTransaction&)>;
    void write(const QString& target, Composer compose);
    // Removes the file (or link) at `target`; nothing when there is none.
    // Until the end it keeps a second name, so that a failure puts it back.
    void remove(const QString& target);

    // Reports the bytes copied in so far and honours a cancel until the first
    // target changes; after that the transaction runs to its end.
    void setProgress(ProgressSink* progress) { progress_ = progress; }
    // After a successful commit the files that place() replaced are not
    // deleted but handed over into `folder` (made when missing), under names
    // of their own that files() gives as `kept`; the names are chosen before
    // anything changes, and the journal holds them, so that a recovery that
    // finishes the transaction hands them over too. A file that cannot be
    // handed over is deleted as usual and loses its `kept` name.
    void keepReplaced(const QString& folder) { keepFolder_ = folder; }

    // After a failed commit: true when even taking back failed, so that not
    // everything is as it was (the message says what is not).
    bool leftUnfinished() const { return unfinished_; }

    // Makes the whole transaction, or nothing. Before it starts, journals
    // left by ended processes are recovered. The failure names the file and
    // the system's reason; when even taking back failed, it says so, and
    // the journal stays for the next recovery.
    Result commit();

    struct Recovery {
        int finished = 0;      // transactions that had got to their end: scratch removed
        int rolledBack = 0;    // transactions taken back
        QStringList problems;  // what could not be put right (the journal stays)
    };
    // Finishes or takes back every transaction whose journal lies in the
    // folder and whose process has ended (or is this one).
    static Recovery recover(const QString& journalFolder);

    // The name prefix of journals and of the scratch files beside targets.
    static const QString& journalPrefix();
    static const QString& scratchPrefix();

    // The scratch a commit leaves (the backups of replaced files, its
    // journal) is removed on a thread of its own after commit() returns;
    // this waits until all of it is gone. commit() and recover() wait for
    // it themselves, and so does the end of the program.
    static void waitForTidying();

    // For tests only: called before each step that changes a file, numbered
    // from 1 within a commit. Returning false fails that step as the file
    // system would. An empty function removes the hook.
    using StepHook = std::function<bool(int step)>;
    static void setStepHook(StepHook hook);

    enum class Kind : quint8 { Place, Write, Remove };
    struct File {
        QString source, target, temp, backup;
        How how = How::Copy;
        Kind kind = Kind::Place;
        QByteArray bytes;      // what write() puts there
        Composer compose;      // makes `bytes` once the targets are known
        bool existed = false;  // something was at the target before
        bool folder = false;   // a moved folder
        // The new file may have taken the target's place. Not journalled:
        // recovery cannot know, and must assume it did.
        bool placed = true;
        // With keepReplaced(): where the old file goes at the end (a path in
        // that folder); after the commit, empty when it could not go there.
        QString kept;
    };
    struct Append {
        QString file;
        QByteArray bytes;     // what is appended
        qint64 oldSize = -1;  // the file's size before; -1: there was no file
    };

    // What the transaction did, after commit(): every target (with whether
    // something stood there before), and every append with the file's old
    // size and the exact bytes added, a line end for an unterminated last
    // line included.
    const std::vector<File>& files() const { return files_; }
    const std::vector<Append>& appends() const { return appends_; }

private:
    Result plan();
    Result cancelled() const;
    void handOver(File& f);
    Result apply();
    Result step(const QString& what);

    QString journalFolder_;
    bool durable_;
    std::vector<File> files_;
    std::vector<Append> appends_;
    QString journal_;
    ProgressSink* progress_ = nullptr;
    QString keepFolder_;
    int steps_ = 0;
    bool unfinished_ = false;
};
