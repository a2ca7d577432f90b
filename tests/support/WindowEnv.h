#pragma once

#include <QApplication>
#include <QList>
#include <QUrl>
#include <memory>
#include <optional>

#include "platform/GameLocator.h"

#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

class EditFileBuilder;
class frmMain;

// A test world with the real main window on it: dialogs are answered by a
// script and everything shown is recorded, so no test waits on a modal window.
class WindowEnv : public TestEnv {
public:
    // Opens the real main window on this world. Not shown: call show() to
    // run its activation. `webEngine` false uses the light browser; a
    // `newsPage` is loaded at each activation.
    std::unique_ptr<frmMain> openWindow(bool webEngine = false, const QUrl& newsPage = QUrl());
    // Stores an edit file of these players ("EDIT.bin") and the face folder
    // as the locations, then opens the window on them.
    std::unique_ptr<frmMain> openWindowOn(const EditFileBuilder& players);

    // Lets pending window events run, such as the activation queued by show().
    static void settle();
    // Shows the window and lets its activation run.
    static void showAndSettle(frmMain& window);
    // The top-level windows of one class now open, such as the about window.
    template <class Window>
    static QList<Window*> openWindows()
    {
        QList<Window*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<Window*>(w)) found << window;
        return found;
    }

    ScriptedUi ui;
    // Where a first start looks for the game; unset: a home of this world's
    // own, empty unless a test plants something there. Never the real home.
    std::optional<GameLocator::Options> gameSearch;
    QString home() const { return path(QStringLiteral("home")); }
};
