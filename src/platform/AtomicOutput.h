#pragma once

#include <QFile>
#include <QString>
#include <functional>

#include "platform/Result.h"

// A new file that appears at its path only once it is whole: until commit()
// nothing stands under the path, and a failure, a cancel or a kill of the
// process leaves nothing behind (a kill: at the latest after the next
// start's recover()).
//
// How. Where the system can make a file without a name (Linux, O_TMPFILE on
// most local file systems) the data goes into one in the target's folder:
// a killed process leaves nothing by construction, the kernel frees the
// file. On commit the file gets the target's name with linkat(), which
// never replaces anything; when a file is at the target already, it gets a
// scratch name first and is renamed over it. Elsewhere the data goes into a
// scratch file beside the target, renamed over it on commit. A scratch name
// that exists for a while is first written into a small journal in the
// program's own folder (named after the process, as ProcessOwner names
// scratch), so that recover() can remove it once its process is gone: a
// kill between the steps cannot strand a half-written file in the user's
// folder, and recover() never removes anything a journal does not name.
//
// The data is synced to disk before it takes the name of a file that is
// there already: a power cut then leaves the old file or the whole new one,
// never a torn file where the user had a whole one. A file that replaces
// nothing is not synced (a sync of a pack of a few GB waits for the disk
// for as long as the writing took): a power cut just after it can leave
// that new file torn, but costs the user nothing they had.
class AtomicOutput {
public:
    // `journalFolder`: the program folder.
    AtomicOutput(const QString& target, const QString& journalFolder);
    // Discards the file unless it was committed.
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Makes the file. Fails when the target's folder is missing or cannot
    // be written, or a folder or a link stands at the target.
    Result open();
    // The descriptor to write to (valid after a successful open()).
    int handle() const;
    // True when commit() will sync the data: a file is at the target.
    bool syncsOnCommit() const { return replacing_; }
    // Starts writing the data to disk now, so that commit() waits less.
    void startWriteBack();
    // Syncs the data, gives the file the target's name (replacing a file
    // there) and syncs the folder. After a failure nothing is at the target
    // that was not there before.
    Result commit();
    // Drops the file; nothing is left.
    void discard();

    // True when the data goes into a file without a name.
    bool isNameless() const { return nameless_; }

    // Removes the scratch files that the journals in `journalFolder` name
    // for processes that have ended, and those journals. Returns how many
    // scratch files were removed.
    static int recover(const QString& journalFolder);

    // For tests: makes open() use a named scratch file even where a file
    // without a name could be made.
    static void setNamelessAllowed(bool allowed);
    // For tests: called at the named moments of commit() ("named": the
    // scratch name exists and is journalled; "renamed": the target has its
    // new file, the journal still stands).
    using StepHook = std::function<void(const char* step)>;
    static void setStepHook(StepHook hook);

    // The prefixes of scratch files and of journals.
    static const QString& scratchPrefix();
    static const QString& journalPrefix();

private:
    Result writeJournal(const QString& scratch);
    void removeJournal();
    Result failure(const QString& what, int error) const;

    QString target_;
    QString journalFolder_;
    QString journal_;
    QString scratch_;  // the named scratch file, when there is one
    QFile file_;       // the named scratch file's handle
    int fd_ = -1;
    bool nameless_ = false;
    bool committed_ = false;
    bool replacing_ = false;
};
