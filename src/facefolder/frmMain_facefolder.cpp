// Reactions of the map-line naming, the create commands and the team folders.
#include "shell/frmMain.h"

void frmMain::wireFaceFolder() {}
void frmMain::txt_Change(int) {}
void frmMain::NameBin_Change() {}
void frmMain::NameBin2_Change() {}
void frmMain::NameBin3_Change() {}
void frmMain::FolderText_Change() {}
void frmMain::Op_Click(int) {}
void frmMain::Che_Click(int) {}
void frmMain::Dir_Click() {}
void frmMain::Dir_Change() {}
void frmMain::Dir2_Click() {}
void frmMain::cmd_Add_Folder_Click() {}
void frmMain::cmd_Delete_Folder_Click() {}
void frmMain::cmd_Clear_Folder_Click() {}
void frmMain::cmdCreate_Click() {}
void frmMain::cmdCreate2_Click() {}
