// The about window, the web tab and the layout resizer of the main window.
#include <QResizeEvent>

#include "shell/frmMain.h"

void frmMain::About_Click() {}
void frmMain::Back_Click() {}
void frmMain::Forward_Click() {}
void frmMain::Web_Event() {}
void frmMain::resizeEvent(QResizeEvent* event) { QMainWindow::resizeEvent(event); }
