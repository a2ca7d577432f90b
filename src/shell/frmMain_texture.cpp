// Export and replace of the textures the image boxes show: the working
// copies on the tab "Normal", the imported archive entries on the tab
// "Face Pack". A replaced model on the tab "Normal" becomes the chosen face
// or hair, so that cmdCreate installs it.
#include <QFileInfo>
#include <QLabel>

#include "platform/FolderList.h"
#include "platform/ImageBox.h"
#include "shell/TextureActions.h"
#include "shell/frmMain.h"

namespace {

// The name a save dialog offers: beside the file the model came from, or in
// the program's default folder under the working copy's name.
QString offeredName(const QString& chosen, const QString& fallback)
{
    if (chosen.isEmpty()) return fallback;
    const QFileInfo info(chosen);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
}

}  // namespace

void frmMain::wireTextureActions()
{
    struct Working {
        ImageBox* box;
        const char* literal;
        int slot;
        QLabel* label;
        bool (frmMain::*texture)();
    };
    for (const Working& w : {Working{FaceImg, "\\Face", 0, lbl[0], &frmMain::TextureFace},
                             Working{HairImg, "\\Hair", 1, lbl[1], &frmMain::TextureHair}}) {
        const QString literal = QString::fromLatin1(w.literal);
        TextureActions::setModelFile(w.box, prog(literal));
        TextureActions::attach(
            w.box, ui(),
            [this, w, literal](const QString& newModel) { takeModel(newModel, literal, w.label, w.texture); },
            [this, w, literal] { return offeredName(chosenModels_[size_t(w.slot)], literal.mid(1)); },
            [this, w] { return QStringList{chosenModels_[size_t(w.slot)]}; });
    }
    // An entry of the archive: its list shows a new model saved beside it.
    for (ImageBox* box : {FaceImg2, HairImg2})
        TextureActions::attach(box, ui(), [this](const QString&) {
            ARCH[0]->Refresh();
            ARCH[1]->Refresh();
        });
}
