// Reactions of the player and team lists.
#include "shell/frmMain.h"

void frmMain::wireLists() {}
void frmMain::OtworzOF() {}
void frmMain::List1_Click() {}
void frmMain::List2_Click() {}
void frmMain::txtSearch_Change() {}
void frmMain::txtSearch_GotFocus() {}
void frmMain::txtSearch_KeyDown(int, int) {}
void frmMain::txtSearch2_Change() {}
void frmMain::txtSearch2_GotFocus() {}
void frmMain::txtSearch2_KeyDown(int, int) {}
