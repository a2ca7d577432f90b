#include "shell/TextureActions.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVariant>

#include "platform/FileOps.h"
#include "platform/ImageBox.h"
#include "platform/UiSeam.h"

namespace TextureActions {

namespace {

constexpr const char* kModelProperty = "ludexTextureModel";
constexpr int kPreviewSide = 320;

QImage toImage(const RgbaImage& picture)
{
    if (picture.isNull()) return QImage();
    return QImage(reinterpret_cast<const uchar*>(picture.pixels.constData()), picture.width, picture.height,
                  picture.width * 4, QImage::Format_RGBA8888)
        .copy();
}

QLabel* pictureLabel(const RgbaImage& picture, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumSize(kPreviewSide, kPreviewSide);
    label->setFrameShape(QFrame::StyledPanel);
    const QImage image = toImage(picture);
    label->setPixmap(
        QPixmap::fromImage(image.width() > kPreviewSide || image.height() > kPreviewSide
                               ? image.scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                               : image));
    return label;
}

QString nothingHere() { return QStringLiteral("There is no model file here to take the texture from."); }

// A folder for the save dialogs to open in: the suggested file's own.
QString suggestedPath(const QString& suggestedName, const QString& suffix)
{
    return suggestedName.isEmpty() ? QString() : suggestedName + suffix;
}

}  // namespace

void setModelFile(ImageBox* box, const QString& file) { box->setProperty(kModelProperty, file); }

QString modelFile(const ImageBox* box) { return box->property(kModelProperty).toString(); }

ReplaceDialog::ReplaceDialog(const TextureEdit::Replacement& replacement, const QString& pictureName, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ReplaceDialog"));
    setWindowTitle(QStringLiteral("Replace Texture"));
    const ModelTexture::DdsInfo& info = replacement.source.dds;
    lblInfo = new QLabel(QStringLiteral("%1 in the model's own format: %2, %3 x %4 pixels, %5 mipmap level(s).")
                             .arg(pictureName, info.formatName())
                             .arg(info.width)
                             .arg(info.height)
                             .arg(info.mipmaps),
                         this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setWordWrap(true);
    Before = pictureLabel(replacement.before, QStringLiteral("Before"), this);
    After = pictureLabel(replacement.after, QStringLiteral("After"), this);
    auto* buttons = new QDialogButtonBox(this);
    cmdSaveAs = buttons->addButton(QStringLiteral("Save As..."), QDialogButtonBox::AcceptRole);
    cmdSaveAs->setObjectName(QStringLiteral("cmdSaveAs"));
    cmdCancel = buttons->addButton(QDialogButtonBox::Cancel);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblInfo, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Before"), this), 1, 0, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("After"), this), 1, 1, Qt::AlignHCenter);
    grid->addWidget(Before, 2, 0);
    grid->addWidget(After, 2, 1);
    grid->addWidget(buttons, 3, 0, 1, 2);
}

void exportTexture(QWidget* owner, UiSeam& ui, const QString& model, const QString& suggestedName)
{
    if (model.isEmpty() || !QFileInfo(model).isFile())
        return ui.message(owner, nothingHere(), UiSeam::Icon::Information);
    QString out = ui.saveFileName(owner, QStringLiteral("Export Texture"), suggestedPath(suggestedName, ".png"),
                                  QStringLiteral("PNG picture (*.png);;DDS texture as the model holds it (*.dds)"));
    if (out.isEmpty()) return;
    // A name typed without a suffix gets the picture's.
    if (QFileInfo(out).suffix().isEmpty()) out += QStringLiteral(".png");
    if (const Result r = TextureEdit::exportTexture(model, out); !r)
        return ui.message(owner, QStringLiteral("The texture could not be exported: %1").arg(r.message),
                          UiSeam::Icon::Warning);
    ui.message(owner, QStringLiteral("The texture is saved as %1.").arg(FileOps::shown(out)),
               UiSeam::Icon::Information);
}

QString replaceTexture(QWidget* owner, UiSeam& ui, const QString& model, const QString& suggestedName,
                       const QStringList& protectedFiles)
{
    if (model.isEmpty() || !QFileInfo(model).isFile()) {
        ui.message(owner, nothingHere(), UiSeam::Icon::Information);
        return QString();
    }
    const QString picture = ui.openFileName(owner, QStringLiteral("Replace Texture"),
                                            QStringLiteral("Pictures (*.png *.bmp *.tga *.dds);;All Files (*)"));
    if (picture.isEmpty()) return QString();
    TextureEdit::Replacement replacement;
    if (const Result r = TextureEdit::prepareReplacement(model, picture, &replacement); !r) {
        ui.message(owner, QStringLiteral("The texture was not replaced: %1").arg(r.message), UiSeam::Icon::Warning);
        return QString();
    }
    {
        ReplaceDialog dialog(replacement, QFileInfo(picture).fileName(), owner);
        if (!ui.runDialog(dialog)) return QString();
    }
    QString out = ui.saveFileName(owner, QStringLiteral("Save As"), suggestedPath(suggestedName, "_new.bin"),
                                  QStringLiteral("Model files (*.bin);;All Files (*)"));
    if (out.isEmpty()) return QString();
    Result saved = Result::success();
    for (const QString& file : protectedFiles)
        if (!file.isEmpty() &&
            (QFileInfo(file).absoluteFilePath() == QFileInfo(out).absoluteFilePath() || FileOps::sameFile(file, out)))
            saved = Result::failure(
                QStringLiteral("%1 is the model being edited; choose another file.").arg(FileOps::shown(out)));
    if (saved) saved = TextureEdit::saveReplacement(replacement, model, picture, out);
    if (!saved) {
        ui.message(owner, QStringLiteral("The new model was not saved: %1").arg(saved.message), UiSeam::Icon::Warning);
        return QString();
    }
    return out;
}

void attach(ImageBox* box, UiSeam& ui, Replaced replaced, std::function<QString()> suggestedName,
            std::function<QStringList()> protectedFiles)
{
    const auto name = [box, suggestedName] {
        if (suggestedName) return suggestedName();
        const QFileInfo model(modelFile(box));
        return model.fileName().isEmpty() ? QString() : model.absolutePath() + '/' + model.completeBaseName();
    };
    auto* exporting = new QAction(QStringLiteral("Export Texture..."), box);
    exporting->setObjectName(QStringLiteral("actExportTexture"));
    QObject::connect(exporting, &QAction::triggered, box,
                     [box, &ui, name] { exportTexture(box->window(), ui, modelFile(box), name()); });
    auto* replacing = new QAction(QStringLiteral("Replace Texture..."), box);
    replacing->setObjectName(QStringLiteral("actReplaceTexture"));
    QObject::connect(replacing, &QAction::triggered, box, [box, &ui, name, replaced, protectedFiles] {
        const QString out = replaceTexture(box->window(), ui, modelFile(box), name(),
                                           protectedFiles ? protectedFiles() : QStringList());
        if (!out.isEmpty() && replaced) replaced(out);
    });
    box->addAction(exporting);
    box->addAction(replacing);
    box->setContextMenuPolicy(Qt::ActionsContextMenu);
}

QWidget* buttonsFor(ImageBox* box, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QAction* action : box->actions()) {
        auto* button = new QPushButton(action->text(), row);
        button->setObjectName(QStringLiteral("cmd") + action->objectName().mid(3) + '_' + box->objectName());
        QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
        layout->addWidget(button);
    }
    return row;
}

}  // namespace TextureActions
