// Reactions that choose and preview the face and hair model files.
#include <QColor>
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

// Label colours in the 0x00BBGGRR form the status labels report.
constexpr int kGreen = 65280;
constexpr int kRed = 255;

void setStatus(QLabel* label, bool loaded)
{
    if (!label) return;
    const int bgr = loaded ? kGreen : kRed;
    const QColor colour(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    label->setProperty("ForeColor", bgr);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
    label->setText(loaded ? QStringLiteral("Status : Loaded") : QStringLiteral("Status : Not Loaded"));
}

struct Choice {
    const char* title;
    const char* filter;
    const char* workingCopy;
};

// Takes a model file from disk onto the working copy. A choice that did not
// end with a working copy never reports itself as loaded.
void choose(frmMain& w, const Choice& c, QLabel* label, bool (frmMain::*texture)())
{
    const QString working = w.prog(QString::fromLatin1(c.workingCopy));
    QFile::remove(working);

    Common_Dialog dialog(w.ui());
    const QString chosen =
        dialog.OpenFileName(&w, QString::fromLatin1(c.title), w.preview->ModelPath(), QString::fromLatin1(c.filter));
    if (IsNumeric(chosen)) {
        setStatus(label, false);
        return;
    }

    const bool copied = w.baza->File_Exists(chosen) && QFileInfo(chosen).isFile() && QFile::copy(chosen, working);
    if (!copied) {
        setStatus(label, false);
        return;
    }
    setStatus(label, true);
    if (w.List1) w.List1->setEnabled(true);
    // A preview that fails has already put the placeholder up; the label
    // stays "Loaded" because the working copy is in place.
    (w.*texture)();
}

bool runPreview(frmMain& w, const char* working, const char* bitmap, ImageBox* box)
{
    const bool ok = w.preview->Preview(QString::fromLatin1(working), QString::fromLatin1(bitmap),
                                       [box](const QString& file) { return box && box->loadPicture(file); });
    // The previous model's texture must not pass for this one's.
    if (!ok && box) box->showPlaceholder();
    return ok;
}

}  // namespace

void frmMain::wireModels()
{
    if (cmd_Face) connect(cmd_Face, &QPushButton::clicked, this, [this] { cmd_Face_Click(); });
    if (cmd_Hair) connect(cmd_Hair, &QPushButton::clicked, this, [this] { cmd_Hair_Click(); });
}

void frmMain::cmd_Face_Click()
{
    choose(*this, {"Face.bin", "Face.bin (*.bin)|*.bin| All Files (*.*)|*.*", "\\Face"}, lbl[0], &frmMain::TextureFace);
}

void frmMain::cmd_Hair_Click()
{
    choose(*this, {"Hair.bin", "Hair.bin (*.bin)|*.bin| All Files (*.*)|*.*", "\\Hair"}, lbl[1], &frmMain::TextureHair);
}

bool frmMain::TextureFace() { return runPreview(*this, "\\Face", "\\Face.bmp", FaceImg); }
bool frmMain::TextureHair() { return runPreview(*this, "\\Hair", "\\Hair.bmp", HairImg); }
bool frmMain::TextureFace2() { return runPreview(*this, "\\Face", "\\Face2.bmp", FaceImg2); }
bool frmMain::TextureHair2() { return runPreview(*this, "\\Hair", "\\Hair2.bmp", HairImg2); }

void frmMain::Delete() { preview->Delete(); }
