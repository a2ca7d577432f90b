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
    // window is a top-level window of its own. `caption` is the main
    // window's, the first line of the about text.
    frmAbout(QWidget* mainWindow, const QString& caption);
    ~frmAbout() override;

    // The about text as the text field holds it: every line ends in CR LF.
    static QString aboutText(const QString& caption);

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
