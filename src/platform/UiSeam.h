#pragma once

#include <QString>
#include <memory>

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
    // The path to save to, or the empty text when the user cancelled.
    // `suggested` is the file name (or path) offered first.
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

    // The real dialogs of the toolkit.
    static UiSeam& desktop();
};

// The title of every message box.
inline constexpr const char* kMessageTitle = "Ludex";
