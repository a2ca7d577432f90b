// Reactions of the face-pack import and the archive entries.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "archive/FacePackImport.h"
#include "archive/UnRarExtractor.h"
#include "editdb/Baza.h"
#include "models/TexturePreview.h"
#include "platform/Common_Dialog.h"
#include "platform/FileOps.h"
#include "platform/FileSystemObject.h"
#include "platform/FolderList.h"
#include "platform/ImageBox.h"
#include "platform/UiSeam.h"
#include "shell/TextureActions.h"
#include "shell/frmMain.h"

namespace {

const char* const kArchiveFolder = "\\Archive\\";

// The selected entry of an archive list as a full path, or the empty text.
QString selectedEntry(const FileList* list)
{
    const QString name = list->FileName();
    if (name.isEmpty() || list->Path().isEmpty()) return QString();
    return QDir(list->Path()).filePath(name);
}

}  // namespace

void frmMain::wireArchive()
{
    connect(cmd_FacePack, &QPushButton::clicked, this, [this] { cmd_FacePack_Click(); });
    connect(cmd_Import, &QPushButton::clicked, this, [this] { cmd_Import_Click(); });
    connect(cmd_Clear_Archive, &QPushButton::clicked, this, [this] { cmd_Clear_Archive_Click(); });
    connect(Rar, &FolderList::Change, this, &frmMain::Rar_Change);
}

void frmMain::cmd_FacePack_Click()
{
    Common_Dialog dialog(ui());
    // The kinds the extractor reads, the parts of split packs among them.
    const QString path = dialog.OpenFileName(
        this, QStringLiteral("Face Pack.rar"), preview->ModelPath(),
        QStringLiteral(
            "Face Packs: RAR, ZIP, 7z, split parts (*.rar;*.r??;*.zip;*.7z;*.0?\?)|*.rar;*.r??;*.zip;*.7z;*.0??|"
            "Face Pack.rar (*.rar)|*.rar| All Files (*.*)|*.*"));
    if (IsNumeric(path)) return;
    importFacePack(path);
}

void frmMain::importFacePack(const QString& path)
{
    if (!baza->File_Exists(path)) return;
    Un->setText(path);

    const QString archive = prog(QString::fromLatin1(kArchiveFolder));
    // The progress dialog is modal, but it lets window events run: keep a
    // second import from starting inside this one.
    cmd_FacePack->setEnabled(false);
    FacePackImport::Report result;
    {
        std::unique_ptr<ProgressSink> progress = ui().progress(this, QStringLiteral("Unpacking the face pack..."),
                                                               std::max<qint64>(UnRarExtractor::packBytes(path), 1));
        // A pack that holds nothing but other packs: the user may have those unpacked too.
        const auto offerNested = [this, &path](const QStringList& packs) {
            QStringList names = packs.mid(0, 10);
            if (packs.size() > names.size()) names << QStringLiteral("...");
            return ui().confirm(this,
                                QStringLiteral("The face pack \"%1\" holds other packs:\n\n%2\n\nUnpack them too, "
                                               "each into a folder named after it?")
                                    .arg(QFileInfo(path).fileName(), names.join('\n')),
                                UiSeam::Icon::Information);
        };
        FacePackImport import(*UnRar, archive, programFolder());
        result = import.run(Un->text(), progress.get(), offerNested);
    }
    cmd_FacePack->setEnabled(true);

    // The lists show the archive as it now is; a list whose folder is gone
    // (or that had none, the archive being new) goes back to the archive.
    if (!QFileInfo(Rar->Path()).isDir()) {
        if (QFileInfo(archive).isDir()) Rar->setPath(archive);
    } else {
        Rar->Refresh();
    }
    ARCH[0]->Refresh();
    ARCH[1]->Refresh();

    if (!result.message.isEmpty())
        ui().message(
            this, result.message,
            result.outcome == FacePackImport::Outcome::Imported ? UiSeam::Icon::Information : UiSeam::Icon::Warning);
}

void frmMain::Rar_Change()
{
    const QString folder = Rar->Path();
    for (FileList* list : ARCH) {
        // A folder that cannot be listed shows nothing rather than the files
        // of the folder before, which the import would then take.
        if (!list->setPath(folder)) list->clear();
    }
}

void frmMain::cmd_Import_Click()
{
    const bool wantFace = Op[3]->isChecked() || Op[4]->isChecked();
    const bool wantHair = Op[3]->isChecked() || Op[5]->isChecked();

    // Both entries are checked and copied before either working file changes.
    const QString face = wantFace ? selectedEntry(ARCH[0]) : QString();
    const QString hair = wantHair ? selectedEntry(ARCH[1]) : QString();
    if (wantFace && face.isEmpty()) {
        ui().message(this, QStringLiteral("Choose a face file in the list \"Change Face\" first."),
                     UiSeam::Icon::Information);
        return;
    }
    if (wantHair && hair.isEmpty()) {
        ui().message(this, QStringLiteral("Choose a hair file in the list \"Change Hair\" first."),
                     UiSeam::Icon::Information);
        return;
    }

    std::unique_ptr<FileOps::StagedCopy> faceCopy, hairCopy;
    if (wantFace) faceCopy = std::make_unique<FileOps::StagedCopy>(face, prog("\\Face"));
    if (wantHair) hairCopy = std::make_unique<FileOps::StagedCopy>(hair, prog("\\Hair"));
    auto refuse = [this](const QString& entry, const Result& why) {
        ui().message(this,
                     QStringLiteral("\"%1\" could not be imported: %2.\n\nNothing was changed. Open the archive "
                                    "folder again and choose the file once more.")
                         .arg(QFileInfo(entry).fileName(), why.message),
                     UiSeam::Icon::Warning);
    };
    // Both copies are written before either takes its working file's name.
    if (faceCopy)
        if (const Result r = faceCopy->write(); !r) return refuse(face, r);
    if (hairCopy)
        if (const Result r = hairCopy->write(); !r) return refuse(hair, r);
    if (faceCopy)
        if (const Result r = faceCopy->commit(); !r) return refuse(face, r);
    if (hairCopy)
        if (const Result r = hairCopy->commit(); !r) return refuse(hair, r);

    List1->setEnabled(true);
    if (wantFace) TextureActions::setModelFile(FaceImg2, chosenModels_[0] = face);
    if (wantHair) TextureActions::setModelFile(HairImg2, chosenModels_[1] = hair);
    // A preview that fails leaves the working file as copied and shows the
    // placeholder; the other preview still runs and the export is offered.
    if (wantFace && !TextureFace2()) FaceImg2->showPlaceholder();
    if (wantHair && !TextureHair2()) HairImg2->showPlaceholder();
    GroupBox14->setEnabled(true);
}

void frmMain::cmd_Clear_Archive_Click()
{
    const QString archive = prog(QString::fromLatin1(kArchiveFolder));
    // Errors are ignored: an empty archive has nothing to match.
    fso->DeleteFile(archive + "*.*", false);
    fso->DeleteFolder(archive + "*", false);

    Dir->setPath(Lokalizacja2->text());
    Dir2->setPath(Lokalizacja2->text());

    // A sub-folder that the clearing removed cannot be shown: back to the archive.
    if (!QFileInfo(Rar->Path()).isDir() && QFileInfo(archive).isDir())
        Rar->setPath(archive);
    else
        Rar->Refresh();
    ARCH[0]->Refresh();
    ARCH[1]->Refresh();
}
