#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "platform/UiSeam.h"

// A UiSeam for tests: dialogs answered in advance, everything shown recorded.
// A dialog with no answer left counts as cancelled and is recorded too, so a
// test never waits on a modal window.
class ScriptedUi : public UiSeam {
public:
    struct Shown {
        QString kind;   // "open", "save", "folder", "message", "confirm", "progress", "locations", "dialog"
        QString title;  // dialog title, folder prompt or progress label
        QString text;   // message text, the filter of an open dialog, the suggestion of a save dialog
        Icon icon = Icon::None;
    };

    std::deque<QString> files;      // next answers of openFileName ("" = cancel)
    std::deque<QString> folders;    // next answers of browseForFolder ("" = cancel)
    std::deque<QString> saveFiles;  // next answers of saveFileName ("" = cancel)
    std::deque<bool> answers;       // next answers of confirm (none left = No)
    int cancelProgressAfter = -1;   // progress reports cancel after this many setValue calls
    // Next answers of chooseLocations: the pick, or nothing to decline (none left = decline).
    std::deque<std::optional<Locations>> locationAnswers;
    std::deque<bool> dialogs;  // next answers of runDialog (none left = cancelled)
    // Looks at a dialog of the window's own before it is answered.
    std::function<void(QDialog&)> onDialog;

    std::vector<Shown> shown;
    QStringList messages() const;                      // texts of the message boxes, in order
    int progressSteps = 0;                             // setValue calls seen so far
    QStringList offeredEditFiles, offeredFaceFolders;  // what chooseLocations offered last

    QString openFileName(QWidget* owner, const QString& title, const QString& filter) override;
    QString saveFileName(QWidget* owner, const QString& title, const QString& suggested,
                         const QString& filter) override;
    bool runDialog(QDialog& dialog) override;
    QString browseForFolder(QWidget* owner, const QString& prompt) override;
    void message(QWidget* owner, const QString& text, Icon icon) override;
    bool confirm(QWidget* owner, const QString& text, Icon icon) override;
    std::unique_ptr<ProgressSink> progress(QWidget* owner, const QString& label, qint64 maximum) override;
    std::optional<Locations> chooseLocations(QWidget* owner, const QStringList& editFiles,
                                             const QStringList& faceFolders) override;
};
