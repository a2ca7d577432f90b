#pragma once

#include <QImage>
#include <QString>
#include <future>
#include <optional>
#include <thread>

#include "editdb/EditTables.h"
#include "platform/FileTransaction.h"

// What start-up must read from disk before the window can show anything,
// done on one thread of its own while the controls are being built: first
// the tables of the stored edit file (the longest part), then the recovery
// of work cut short (recoverInterruptedWork: the program folder's
// transactions, the stale staging folders of imports, the undo's kept files,
// and the face folder's own), then the window's icon, which the window
// needs last. The window takes each result once, where it would otherwise
// have done the work itself; nothing reads the face folder before it has
// the recovery's outcome.
class StartupWork {
public:
    // Starts at once; an empty `editFile` loads no tables.
    StartupWork(const QString& programFolder, const QString& editFile, const QString& iconName,
                const QString& faceFolder = QString());
    // Waits for whatever is still under way.
    ~StartupWork();
    StartupWork(const StartupWork&) = delete;
    StartupWork& operator=(const StartupWork&) = delete;

    // The decoded icon, for modSetAlphaIcon::Preload.
    std::shared_future<QImage> icon() const { return icon_; }
    // Waits for the recovery and gives its outcome; an empty one after the first call.
    FileTransaction::Recovery recovered();
    // The recovery itself, as the worker runs it: cut-short work finished or
    // taken back and its scratch removed.
    static FileTransaction::Recovery recover(const QString& programFolder, const QString& faceFolder = QString());
    // Waits for the tables and gives them when `editFile` is the path they
    // were loaded from; nothing for another path, or after the first call.
    std::optional<EditTables> tables(const QString& editFile);

private:
    const QString editFile_;
    std::promise<QImage> iconPromise_;
    std::shared_future<QImage> icon_;
    std::promise<FileTransaction::Recovery> recoveredPromise_;
    std::promise<EditTables> tablesPromise_;
    std::future<FileTransaction::Recovery> recovered_;
    std::future<EditTables> tables_;
    std::thread worker_;
};
