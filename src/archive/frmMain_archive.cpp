// Reactions of the face-pack import and the archive entries.
#include "shell/frmMain.h"

void frmMain::wireArchive() {}
void frmMain::cmd_FacePack_Click() {}
void frmMain::Rar_Change() {}
void frmMain::cmd_Import_Click() {}
void frmMain::cmd_Clear_Archive_Click() {}
