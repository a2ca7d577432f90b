#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "platform/Progress.h"

class QDialog;
class QWidget;

// Every modal piece of user interface the window opens goes through here, so
// that tests can answer dialogs in advance and read back what was shown.
class UiSeam {
public:
    enum class Icon { None, Information, Warning, Critical };

    virtual ~UiSeam() = default;

    // The chosen file's path, or the empty text when the user cancelled.
    // `filter` is already in the toolkit's form ("Label (*.x);;All Files (*)").
    virtual QString openFileName(QWidget* owner, const QString& title, const QString& filter) = 0;
    // The path to save to, or the empty text when the user cancelled; the
    // dialog starts at `suggested` and asks before replacing a file.
    virtual QString saveFileName(QWidget* owner, const QString& title, const QString& suggested,
                                 const QString& filter) = 0;
    // Runs a dialog of the window's own modally; true when it was accepted.
    virtual bool runDialog(QDialog& dialog) = 0;
    // The chosen folder's path, or the empty text when the user cancelled.
    virtual QString browseForFolder(QWidget* owner, const QString& prompt) = 0;
    // A message box titled "Ludex" with one OK button; returns when it is closed.
    virtual void message(QWidget* owner, const QString& text, Icon icon) = 0;
    // A question box titled "Ludex" with Yes and No; true when the user chose
    // Yes. Closing it any other way answers No.
    virtual bool confirm(QWidget* owner, const QString& text, Icon icon) = 0;
    // A modal progress dialog running from 0 to `maximum`, closed when the sink is destroyed.
    virtual std::unique_ptr<ProgressSink> progress(QWidget* owner, const QString& label, qint64 maximum) = 0;

    // The game's places found at a first start, offered in a box titled
    // "Ludex" that asks "Use these locations?": the user picks one edit file
    // and one face folder among those found (either list may be empty, then
    // its pick is empty). Nothing when the user declined. Without a box of
    // its own, a seam asks through confirm() about the first of each.
    struct Locations {
        QString editFile;
        QString faceFolder;
    };
    virtual std::optional<Locations> chooseLocations(QWidget* owner, const QStringList& editFiles,
                                                     const QStringList& faceFolders);

    // The real dialogs of the toolkit.
    static UiSeam& desktop();
};

// The title of every message box.
inline constexpr const char* kMessageTitle = "Ludex";
// The question of the first start's offer.
inline constexpr const char* kUseLocationsQuestion = "Use these locations?";
