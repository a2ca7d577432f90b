#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

#include "models/TextureEdit.h"

class ImageBox;
class QLabel;
class QPushButton;
class UiSeam;

// "Export Texture..." and "Replace Texture..." for the model a picture box
// shows: in the box's context menu, and as buttons where a window wants them.
// The work itself is TextureEdit's; this is its window side.
namespace TextureActions {

// The model file a box's actions work on; empty: none (the actions say so).
void setModelFile(ImageBox* box, const QString& modelFile);
QString modelFile(const ImageBox* box);

// Called with the new model once a replacement is saved.
using Replaced = std::function<void(const QString& newModel)>;

// Puts both actions into the box's context menu. `suggestedName` gives the
// name the save dialogs offer (without a suffix); `protectedFiles` more files
// that are never written over (the file a working copy was taken from).
void attach(ImageBox* box, UiSeam& ui, Replaced replaced = {}, std::function<QString()> suggestedName = {},
            std::function<QStringList()> protectedFiles = {});
// Two buttons that run the box's actions, for a window without context menus
// in view. Owned by `parent`.
QWidget* buttonsFor(ImageBox* box, QWidget* parent);

// The actions themselves.
void exportTexture(QWidget* owner, UiSeam& ui, const QString& modelFile, const QString& suggestedName);
// The new model's path, or empty when nothing was written.
QString replaceTexture(QWidget* owner, UiSeam& ui, const QString& modelFile, const QString& suggestedName,
                       const QStringList& protectedFiles);

// Before and after, side by side, with "Save As..." and "Cancel".
class ReplaceDialog : public QDialog {
    Q_OBJECT
public:
    ReplaceDialog(const TextureEdit::Replacement& replacement, const QString& pictureName, QWidget* parent);
    QLabel* Before = nullptr;
    QLabel* After = nullptr;
    QLabel* lblInfo = nullptr;
    QPushButton* cmdSaveAs = nullptr;
    QPushButton* cmdCancel = nullptr;
};

}  // namespace TextureActions
