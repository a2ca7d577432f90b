// The installed faces: the menu that opens their view, the batch install
// and the undo of the last install, the note on tab "Normal" that the picked
// player has a line in map.txt already, and the preview of installed models
// for the view.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

#include "facefolder/InstallUndo.h"
#include "facefolder/MapFile.h"
#include "facefolder/MapRemoval.h"
#include "facefolder/WorkRecovery.h"
#include "models/TexturePreview.h"
#include "platform/ImageBox.h"
#include "platform/UiSeam.h"
#include "shell/frmBatchInstall.h"
#include "shell/frmInstalled.h"
#include "shell/frmMain.h"

void frmMain::buildInstalledUi()
{
    FaceFolder = new QMenu(QStringLiteral("Face Folder"), this);
    FaceFolder->setObjectName(QStringLiteral("FaceFolder"));
    menuBar()->insertMenu(About, FaceFolder);
    mnuInstalled = FaceFolder->addAction(QStringLiteral("Installed..."));
    mnuInstalled->setObjectName(QStringLiteral("mnuInstalled"));
    mnuBatchInstall = FaceFolder->addAction(QStringLiteral("Install from Archive..."));
    mnuBatchInstall->setObjectName(QStringLiteral("mnuBatchInstall"));
    FaceFolder->addSeparator();
    mnuUndoInstall = FaceFolder->addAction(QStringLiteral("Undo Last Install"));
    mnuUndoInstall->setObjectName(QStringLiteral("mnuUndoInstall"));

    // Under "Create", where the user looks before pressing it.
    lblInstalled = new QLabel(TabControl->widget(0));
    lblInstalled->setObjectName(QStringLiteral("lblInstalled"));
    lblInstalled->setGeometry(484, 302, 116, 30);
    lblInstalled->setWordWrap(true);
    lblInstalled->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblInstalled->setStyleSheet(QStringLiteral("color: #b35900;"));
}

void frmMain::wireInstalled()
{
    mapCache_ = std::make_unique<MapFile::Cache>();
    connect(mnuInstalled, &QAction::triggered, this, [this] { mnuInstalled_Click(); });
    connect(mnuBatchInstall, &QAction::triggered, this, [this] { mnuBatchInstall_Click(); });
    connect(mnuUndoInstall, &QAction::triggered, this, &frmMain::mnuUndoInstall_Click);
    // After the create commands' own reactions: the line they added counts.
    connect(cmdCreate, &QPushButton::clicked, this, &frmMain::ShowInstalledNote);
    connect(cmdCreate2, &QPushButton::clicked, this, &frmMain::ShowInstalledNote);
}

void frmMain::finishInterruptedRemoval()
{
    // What an install or undo cut short left for the undo goes too. What
    // cannot be put right here is reported when the installed faces are opened.
    WorkRecovery::recoverFaceFolder(programFolder(), Lokalizacja2->text());
}

frmInstalled* frmMain::mnuInstalled_Click()
{
    if (installed_) {
        installed_->reload();
    } else {
        installed_ = new frmInstalled(*this);
    }
    installed_->show();
    installed_->raise();
    installed_->activateWindow();
    return installed_;
}

frmBatchInstall* frmMain::mnuBatchInstall_Click()
{
    if (batch_)
        batch_->reload();
    else
        batch_ = new frmBatchInstall(*this);
    batch_->show();
    batch_->raise();
    batch_->activateWindow();
    return batch_;
}

void frmMain::mnuUndoInstall_Click()
{
    const InstallUndo::Plan plan = InstallUndo::prepare(programFolder(), Lokalizacja2->text());
    if (!plan.refusal) {
        ui().message(this, plan.refusal.message, UiSeam::Icon::Information);
        return;
    }
    if (!ui().confirm(this, plan.confirmation(), UiSeam::Icon::Warning)) return;
    const Result undone = InstallUndo::undo(programFolder(), plan);
    // Whatever happened, the views show the face folder as it is now.
    ShowInstalledNote();
    if (installed_) installed_->reload();
    if (batch_) batch_->reload();
    if (undone)
        ui().message(this, QStringLiteral("The last install was undone."), UiSeam::Icon::Information);
    else
        warn(undone);
}

void frmMain::ShowInstalledNote()
{
    bool isId = false;
    const qint32 id = txt[0]->text().toInt(&isId);
    const QString face = Lokalizacja2->text();
    QList<int> lines;
    // One look at map.txt's size and time per pick; it is read again only when it changed.
    if (isId && !face.isEmpty() && QFileInfo(face).isDir()) {
        mapCache_->document(face + QStringLiteral("/map.txt"));
        lines = mapCache_->linesOf(id);
    }
    if (lines.isEmpty()) {
        lblInstalled->clear();
        lblInstalled->setToolTip(QString());
        return;
    }
    QStringList numbers;
    for (int l : lines) numbers << QString::number(l + 1);
    lblInstalled->setText(lines.size() == 1 ? QStringLiteral("In map.txt: line %1").arg(numbers.first())
                                            : QStringLiteral("In map.txt: %1 lines").arg(lines.size()));
    lblInstalled->setToolTip(QStringLiteral("This player has a line in map.txt already (line %1). Create adds "
                                            "another one; Face Folder > Installed... shows and removes them.")
                                 .arg(numbers.join(QStringLiteral(", "))));
}

bool frmMain::previewInstalled(const QString& modelFile, bool hair, ImageBox* box)
{
    // The preview reads a working copy in the program folder; an installed
    // model gets its own, so that the working files stay as chosen.
    const QString literal = hair ? QStringLiteral("\\InstalledHair") : QStringLiteral("\\InstalledFace");
    const QString working = prog(literal);
    QFile::remove(working);
    const QFileInfo info(modelFile);
    bool shown = false;
    if (info.isFile() && info.size() <= TexturePreview::kMaxModelFileSize && QFile::copy(modelFile, working))
        shown = runPreview(literal, literal + QStringLiteral(".bmp"), box);
    else
        box->showPlaceholder();
    // The box holds the picture now: no scratch file of this preview stays.
    QFile::remove(working);
    QFile::remove(prog(literal + QStringLiteral(".bmp")));
    return shown;
}
