// Drag and drop: a model file dropped on a preview of the tab "Normal" is
// taken as the Face or Hair button takes a chosen file; a face pack dropped on
// the tab "Face Pack" is imported as the Browse button imports a chosen one.
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>

#include "models/TexturePreview.h"
#include "platform/FileOps.h"
#include "platform/ImageBox.h"
#include "platform/UiSeam.h"
#include "shell/frmMain.h"

namespace {

// The one file from disk that a drop carries; the empty text, with the
// reason in `why`, for anything else.
QString droppedFile(const QList<QUrl>& urls, const QString& wanted, QString* why)
{
    if (urls.size() != 1 || !urls.front().isLocalFile()) {
        *why = QStringLiteral("Only one %1 from disk can be dropped here.").arg(wanted);
        return QString();
    }
    const QString path = urls.front().toLocalFile();
    if (!QFileInfo(path).isFile()) {
        *why =
            QStringLiteral("\"%1\" is not a file. Only one %2 can be dropped here.").arg(FileOps::shown(path), wanted);
        return QString();
    }
    return path;
}

// The kinds the chooser offers: whole packs, and any part of a split one
// (.r00, .s00, .001).
bool isFacePack(const QString& path)
{
    static const QRegularExpression kinds(QStringLiteral("^(rar|zip|7z|[rs][0-9]{2}|[0-9]{3})$"));
    return kinds.match(QFileInfo(path).suffix().toLower()).hasMatch();
}

}  // namespace

void frmMain::wireDrops()
{
    for (QWidget* target :
         {static_cast<QWidget*>(FaceImg), static_cast<QWidget*>(HairImg), GroupBox13->parentWidget()}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
    // A pack dropped on one of the tab's fields goes to the page, not into the text.
    for (QLineEdit* field : GroupBox13->parentWidget()->findChildren<QLineEdit*>()) field->setAcceptDrops(false);
}

bool frmMain::dropFilter(QObject* watched, QEvent* event)
{
    const bool onPreview = watched == FaceImg || watched == HairImg;
    if (!onPreview && watched != GroupBox13->parentWidget()) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        // Everything is let in: what cannot be taken is refused on the drop,
        // with the reason, rather than by a cursor that says nothing.
        static_cast<QDropEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        drop->acceptProposedAction();
        const QList<QUrl> urls = drop->mimeData() ? drop->mimeData()->urls() : QList<QUrl>();
        const bool face = watched == FaceImg;
        // The work (and any message box) runs after the drop returns, so the
        // program the file came from is not held in its drag meanwhile.
        QMetaObject::invokeMethod(
            this, [this, urls, onPreview, face] { onPreview ? dropModel(urls, face) : dropFacePack(urls); },
            Qt::QueuedConnection);
        return true;
    }
    default: return false;
    }
}

void frmMain::dropModel(const QList<QUrl>& urls, bool face)
{
    const QString wanted = face ? QStringLiteral("face model file") : QStringLiteral("hair model file");
    QString why;
    const QString path = droppedFile(urls, wanted, &why);
    // The button's own state decides, as for a click: "Only Hair" takes no face.
    if (!path.isEmpty() && !(face ? cmd_Face : cmd_Hair)->isEnabled())
        why = face ? QStringLiteral("No face is taken while \"Only Hair\" is chosen.")
                   : QStringLiteral("No hair is taken while \"Only Face\" is chosen.");
    else if (!path.isEmpty() && !TexturePreview::looksLikeModelFile(path))
        why = QStringLiteral("\"%1\" is not a %2.").arg(FileOps::shown(path), wanted);
    if (!why.isEmpty()) return ui().message(this, why, UiSeam::Icon::Warning);

    if (face)
        takeModel(path, QStringLiteral("\\Face"), lbl[0], &frmMain::TextureFace);
    else
        takeModel(path, QStringLiteral("\\Hair"), lbl[1], &frmMain::TextureHair);
}

void frmMain::dropFacePack(const QList<QUrl>& urls)
{
    const QString wanted = QStringLiteral("face pack (.rar, .zip or .7z, or a part of a split pack)");
    QString why;
    const QString path = droppedFile(urls, wanted, &why);
    if (!path.isEmpty() && !isFacePack(path))
        why = QStringLiteral("\"%1\" is not a %2.").arg(FileOps::shown(path), wanted);
    // One import at a time, as the Browse button allows.
    if (!path.isEmpty() && why.isEmpty() && !cmd_FacePack->isEnabled())
        why = QStringLiteral("A face pack is being imported; drop the next one when it is done.");
    if (!why.isEmpty()) return ui().message(this, why, UiSeam::Icon::Warning);
    importFacePack(path);
}
