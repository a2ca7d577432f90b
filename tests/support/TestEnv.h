#pragma once

#include <QApplication>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

#include "support/ScriptedUi.h"

class frmMain;

// A private world for one test: a program folder, a face folder, a settings
// file and scripted dialogs, all inside one temporary folder.
class TestEnv {
public:
    TestEnv();
    ~TestEnv();

    QString root() const { return dir_.path(); }
    QString programFolder() const { return programFolder_; }  // exists
    QString faceFolder() const { return faceFolder_; }        // exists
    QString settingsFile() const { return settingsFile_; }    // not written until asked
    QString path(const QString& relative) const;              // root + "/" + relative

    // Stores the two locations as the program would have stored them.
    void storeLocations(const QString& editFile, const QString& faceFolder);
    // Writes a full synthetic edit file (every player and team named) and returns its path.
    QString writeFullEditFile(const QString& name = "EDIT.bin") const;
    // Writes a file with the given bytes, creating its folders.
    static void writeFile(const QString& path, const QByteArray& bytes);
    static QByteArray readFile(const QString& path);

    // Opens the real main window on this world. Not shown: call show() to
    // run its activation. `webEngine` false uses the light browser; a
    // `newsPage` is loaded at each activation.
    std::unique_ptr<frmMain> openWindow(bool webEngine = false, const QUrl& newsPage = QUrl());

    // The value stored under a key of the program's section ("Edit", "Map"),
    // or `fallback` when nothing is stored there.
    QString storedSetting(const QString& key, const QString& fallback = QStringLiteral("<none>")) const;
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

private:
    QTemporaryDir dir_;
    QString programFolder_;
    QString faceFolder_;
    QString settingsFile_;
};
