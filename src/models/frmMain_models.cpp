// Reactions that choose and preview the face and hair model files.
#include "shell/frmMain.h"

void frmMain::wireModels() {}
void frmMain::cmd_Face_Click() {}
void frmMain::cmd_Hair_Click() {}
bool frmMain::TextureFace() { return false; }
bool frmMain::TextureHair() { return false; }
bool frmMain::TextureFace2() { return false; }
bool frmMain::TextureHair2() { return false; }
void frmMain::Delete() {}
