// The about window, the web tab and the layout resizer of the main window.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>

#include "platform/SettingsStore.h"
#include "platform/WebPane.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "shell/modResize.h"

void frmMain::wireWeb()
{
    // A news address of the user's own, in a section of ours beside the
    // program's two locations, replaces the page built into the program.
    const QString address =
        settings().GetSetting(kSettingsApp, QStringLiteral("News"), QStringLiteral("Address"), QString()).trimmed();
    const QUrl configured = QUrl::fromUserInput(address);
    if (!address.isEmpty() && configured.isValid()) options_.newsPage = configured;

    connect(Back, &QPushButton::clicked, this, &frmMain::Back_Click);
    connect(Forward, &QPushButton::clicked, this, &frmMain::Forward_Click);
    connect(Web, &WebPane::loadFinished, this, &frmMain::Web_Event);
}

void frmMain::About_Click()
{
    // There is never more than one about window: a second click (only
    // possible from code, the main window is hidden meanwhile) brings the
    // open one forward.
    frmAbout* about = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* candidate = qobject_cast<frmAbout*>(window);
        if (candidate && candidate->mainWindow() == this) about = candidate;
    }
    hide();
    if (!about) about = new frmAbout(this, caption());
    about->show();
    about->raise();
    about->activateWindow();
}

void frmMain::Back_Click()
{
    if (Web) Web->back();
}

void frmMain::Forward_Click()
{
    if (Web) Web->forward();
}

void frmMain::Web_Event()
{
    if (Web && Text1) Text1->setText(Web->title());
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    modResize::ResizeForm(*this);
}
