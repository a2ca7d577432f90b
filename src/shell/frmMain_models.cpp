// Reactions that choose and preview the face and hair model files.
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "editdb/Baza.h"
#include "models/TexturePreview.h"
#include "platform/Common_Dialog.h"
#include "platform/ImageBox.h"
#include "shell/frmMain.h"

namespace {

void setStatus(QLabel* label, bool loaded)
{
    if (!label) return;
    label->setStyleSheet(loaded ? QStringLiteral("color: #00ff00;") : QStringLiteral("color: #ff0000;"));
    label->setText(loaded ? QStringLiteral("Status : Loaded") : QStringLiteral("Status : Not Loaded"));
}

}  // namespace

void frmMain::wireModels()
{
    connect(cmd_Face, &QPushButton::clicked, this, [this] { cmd_Face_Click(); });
    connect(cmd_Hair, &QPushButton::clicked, this, [this] { cmd_Hair_Click(); });
    wireTextureActions();
}

void frmMain::chooseModel(const QString& title, const QString& workingLiteral, QLabel* label,
                          bool (frmMain::*texture)())
{
    QFile::remove(prog(workingLiteral));

    Common_Dialog dialog(ui());
    const QString chosen = dialog.OpenFileName(this, title, preview->ModelPath(),
                                               title + QStringLiteral(" (*.bin)|*.bin| All Files (*.*)|*.*"));
    takeModel(chosen, workingLiteral, label, texture);
}

void frmMain::takeModel(const QString& chosen, const QString& workingLiteral, QLabel* label, bool (frmMain::*texture)())
{
    const QString working = prog(workingLiteral);
    QFile::remove(working);
    // A choice that did not end with a working copy never reports itself as loaded.
    if (IsNumeric(chosen) || !baza->File_Exists(chosen) || !QFileInfo(chosen).isFile() ||
        !QFile::copy(chosen, working)) {
        setStatus(label, false);
        return;
    }
    setStatus(label, true);
    chosenModels_[workingLiteral == QLatin1String("\\Face") ? 0 : 1] = chosen;
    List1->setEnabled(true);
    // A preview that fails has already put the placeholder up; the label
    // stays "Loaded" because the working copy is in place.
    (this->*texture)();
}

void frmMain::cmd_Face_Click()
{
    chooseModel(QStringLiteral("Face.bin"), QStringLiteral("\\Face"), lbl[0], &frmMain::TextureFace);
}

void frmMain::cmd_Hair_Click()
{
    chooseModel(QStringLiteral("Hair.bin"), QStringLiteral("\\Hair"), lbl[1], &frmMain::TextureHair);
}

bool frmMain::runPreview(const QString& workingLiteral, const QString& bitmapLiteral, ImageBox* box)
{
    const Result shown =
        preview->Preview(workingLiteral, bitmapLiteral, [box](const QString& file) { return box->loadPicture(file); });
    // The previous model's texture must not pass for this one's.
    if (!shown) box->showPlaceholder();
    return shown.ok;
}

bool frmMain::TextureFace() { return runPreview(QStringLiteral("\\Face"), QStringLiteral("\\Face.bmp"), FaceImg); }
bool frmMain::TextureHair() { return runPreview(QStringLiteral("\\Hair"), QStringLiteral("\\Hair.bmp"), HairImg); }
bool frmMain::TextureFace2() { return runPreview(QStringLiteral("\\Face"), QStringLiteral("\\Face2.bmp"), FaceImg2); }
bool frmMain::TextureHair2() { return runPreview(QStringLiteral("\\Hair"), QStringLiteral("\\Hair2.bmp"), HairImg2); }

void frmMain::Delete() { preview->Delete(); }
