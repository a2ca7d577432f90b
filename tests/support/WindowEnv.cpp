#include "support/WindowEnv.h"

#include <QCoreApplication>

#include "editdb/EditFileBuilder.h"
#include "shell/frmMain.h"

std::unique_ptr<frmMain> WindowEnv::openWindow(bool webEngine, const QUrl& newsPage)
{
    MainOptions options;
    options.programFolder = programFolder();
    options.settingsFile = settingsFile();
    options.ui = &ui;
    options.webEngine = webEngine;
    options.newsPage = newsPage;
    if (gameSearch) {
        options.gameSearch = gameSearch;
    } else {
        options.gameSearch = GameLocator::Options();
        options.gameSearch->home = home();
    }
    return std::make_unique<frmMain>(options);
}

std::unique_ptr<frmMain> WindowEnv::openWindowOn(const EditFileBuilder& players)
{
    storeLocations(players.write(path("EDIT.bin")), faceFolder());
    return openWindow();
}

void WindowEnv::settle()
{
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

void WindowEnv::showAndSettle(frmMain& window)
{
    window.show();
    settle();
}
