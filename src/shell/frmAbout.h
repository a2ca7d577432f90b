#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPlainTextEdit;

// The about window: the program's version notes and a picture. It is opened
// from the main window's "About" menu while the main window hides, and shows
// the main window again when the user closes it.
class frmAbout : public QWidget {
    Q_OBJECT
public:
    // `mainWindow` is shown again at close; it is not the owner: the about
    // window is a top-level window of its own.
    explicit frmAbout(QWidget* mainWindow);
    ~frmAbout() override;

    // The about text, one entry per line.
    static QStringList aboutLines();
    // The lines as the text field holds them: each ends in CR LF.
    static QString aboutText();

    QWidget* mainWindow() const { return mainWindow_; }

    QGroupBox* GroupBox1 = nullptr;
    QPlainTextEdit* FlatEdit1 = nullptr;
    QLabel* Image1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void Form_Unload();

    QPointer<QWidget> mainWindow_;
};
