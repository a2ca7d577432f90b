// The control inventory of the main window at its design positions.
#include "shell/frmMain.h"

void frmMain::buildUi() {}
