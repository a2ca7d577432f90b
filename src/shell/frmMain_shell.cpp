// The main window's life: load, activation, unload, and the two menu commands.
#include "shell/frmMain.h"

#include <QCloseEvent>
#include <QShowEvent>

void frmMain::wireShell() {}
void frmMain::Form_Load() {}
void frmMain::Form_Activate() {}
void frmMain::Form_Unload() {}
void frmMain::mnuOpen_Click() {}
void frmMain::mnuOpen2_Click() {}
void frmMain::showEvent(QShowEvent* event) { QMainWindow::showEvent(event); }
void frmMain::closeEvent(QCloseEvent* event) { QMainWindow::closeEvent(event); }
bool frmMain::eventFilter(QObject* watched, QEvent* event) { return QMainWindow::eventFilter(watched, event); }
