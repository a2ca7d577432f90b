// Reactions of the map-line naming, the create commands and the team folders.
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>

#include "facefolder/Installer.h"
#include "facefolder/MapLine.h"
#include "facefolder/TeamFolders.h"
#include "platform/FileSystemObject.h"
#include "platform/FolderList.h"
#include "platform/UiSeam.h"
#include "shell/frmMain.h"

namespace {

using MapLine::Content;

// The content chosen in one group of three radio buttons starting at `first`.
std::optional<Content> chosenContent(const std::array<QRadioButton*, 6>& op, int first)
{
    if (op[first]->isChecked()) return Content::FaceAndHair;
    if (op[first + 1]->isChecked()) return Content::OnlyFace;
    if (op[first + 2]->isChecked()) return Content::OnlyHair;
    return std::nullopt;
}

// A line of the Face Pack group: empty while no option of the group is selected.
QString packLine(const std::array<QRadioButton*, 6>& op, const QString& id, const QString& namePart)
{
    const auto content = chosenContent(op, 3);
    return content ? MapLine::compose(id, namePart, *content) : QString();
}

}  // namespace

void frmMain::wireFaceFolder()
{
    for (int i = 0; i < 2; ++i) connect(txt[i], &QLineEdit::textChanged, this, [this, i] { txt_Change(i); });
    connect(NameBin, &QLineEdit::textChanged, this, &frmMain::NameBin_Change);
    connect(NameBin2, &QLineEdit::textChanged, this, &frmMain::NameBin2_Change);
    connect(NameBin3, &QLineEdit::textChanged, this, &frmMain::NameBin3_Change);
    connect(FolderText, &QLineEdit::textChanged, this, &frmMain::FolderText_Change);
    for (int i = 0; i < 6; ++i) connect(Op[i], &QRadioButton::clicked, this, [this, i] { Op_Click(i); });
    // `clicked` comes only from the user (or click()), never from setChecked,
    // so Che_Click unchecking the other box does not run itself again.
    for (int i = 0; i < 2; ++i) connect(Che[i], &QCheckBox::clicked, this, [this, i] { Che_Click(i); });
    connect(Dir, &FolderList::Change, this, &frmMain::Dir_Change);
    connect(Dir, &FolderList::Click, this, &frmMain::Dir_Click);
    connect(Dir2, &FolderList::Click, this, &frmMain::Dir2_Click);
    connect(cmd_Add_Folder, &QPushButton::clicked, this, &frmMain::cmd_Add_Folder_Click);
    connect(cmd_Delete_Folder, &QPushButton::clicked, this, &frmMain::cmd_Delete_Folder_Click);
    connect(cmd_Clear_Folder, &QPushButton::clicked, this, &frmMain::cmd_Clear_Folder_Click);
    connect(cmdCreate, &QPushButton::clicked, this, &frmMain::cmdCreate_Click);
    connect(cmdCreate2, &QPushButton::clicked, this, &frmMain::cmdCreate2_Click);
}

// ----- naming -----

void frmMain::txt_Change(int)
{
    // Each assignment runs that field's own change reaction.
    const QString name = txt[1]->text();
    NameBin->setText(name);
    NameBin2->setText(name);
    NameBin3->setText(name);
}

void frmMain::NameBin_Change()
{
    // With no option of the group selected the line keeps its text.
    if (const auto content = chosenContent(Op, 0))
        Generate->setText(MapLine::compose(txt[0]->text(), NameBin->text(), *content));
}

void frmMain::NameBin2_Change()
{
    if (Che[0]->isChecked()) Generate2->setText(packLine(Op, txt[0]->text(), NameBin2->text()));
}

void frmMain::NameBin3_Change() { Dir_Click(); }

void frmMain::FolderText_Change()
{
    if (Che[1]->isChecked())
        Generate3->setText(packLine(Op, txt[0]->text(), MapLine::folderNamePart(FolderText->text(), NameBin3->text())));
}

void frmMain::Op_Click(int)
{
    cmd_Face->setEnabled(true);
    cmd_Hair->setEnabled(true);
    if (Op[1]->isChecked()) {
        cmd_Face->setEnabled(true);
        cmd_Hair->setEnabled(false);
    }
    if (Op[2]->isChecked()) {
        cmd_Face->setEnabled(false);
        cmd_Hair->setEnabled(true);
    }
    if (Op[3]->isChecked()) {
        ARCH[0]->setEnabled(true);
        ARCH[1]->setEnabled(true);
    }
    if (Op[4]->isChecked()) {
        ARCH[0]->setEnabled(true);
        ARCH[1]->setEnabled(false);
    }
    if (Op[5]->isChecked()) {
        ARCH[0]->setEnabled(false);
        ARCH[1]->setEnabled(true);
    }
    NameBin_Change();
    NameBin2_Change();
}

void frmMain::Che_Click(int)
{
    // "Normal" is tested first, so it wins when both are checked.
    if (Che[0]->isChecked()) {
        Che[1]->setChecked(false);
        GroupBox19->setEnabled(false);
        GroupBox15->setEnabled(false);
        GroupBox18->setEnabled(true);
    }
    if (Che[1]->isChecked()) {
        Che[0]->setChecked(false);
        GroupBox18->setEnabled(false);
        GroupBox19->setEnabled(true);
        GroupBox15->setEnabled(true);
    }
}

// ----- folder lists -----

void frmMain::Dir_Click()
{
    // Recompose with the folder name standing now; setting the new name then
    // recomposes once more through FolderText_Change when it differs.
    FolderText_Change();
    FolderText->setText(MapLine::lastPart(Dir->Path()));
}

void frmMain::Dir_Change()
{
    Dir_Click();
    // The player selection runs Dir_Click again but never moves Dir, so this
    // does not come back here.
    List1_Click();
}

void frmMain::Dir2_Click()
{
    const QString name = MapLine::lastPart(Dir2->Path());
    TeamDelete->setText(name);
    Clear->setText(name);
}

// ----- team folders -----

void frmMain::cmd_Add_Folder_Click()
{
    if (Team->text().isEmpty()) {
        ui().message(this, QStringLiteral("Choose the Name from the List"), UiSeam::Icon::Information);
        return;
    }
    if (const Result refused = TeamFolders::checkAdd(Lokalizacja2->text(), Dir2->Path(), Team->text()); !refused) {
        warn(refused);
        return;
    }
    const Result added = TeamFolders::add(*fso, Lokalizacja2->text(), Dir2->Path(), Team->text());
    Dir->Refresh();
    Dir2->Refresh();
    warn(added);
}

void frmMain::cmd_Delete_Folder_Click()
{
    const QString face = Lokalizacja2->text(), name = TeamDelete->text();
    runTeamFolderCommand(TeamFolders::checkTeamFolder(face, name, QStringLiteral("delete")),
                         [&] { return TeamFolders::remove(*fso, face, name); });
}

void frmMain::cmd_Clear_Folder_Click()
{
    const QString face = Lokalizacja2->text(), name = Clear->text();
    runTeamFolderCommand(TeamFolders::checkTeamFolder(face, name, QStringLiteral("clear")),
                         [&] { return TeamFolders::clear(*fso, face, name); });
}

void frmMain::runTeamFolderCommand(const Result& check, const std::function<Result()>& command)
{
    // A refusal leaves everything, the lists included, as it was.
    if (!check) {
        warn(check);
        return;
    }
    const Result done = command();
    // Both lists go back to the face folder: the folder they showed may be gone.
    Dir->setPath(Lokalizacja2->text());
    Dir2->setPath(Lokalizacja2->text());
    warn(done);
}

// ----- create commands -----

void frmMain::cmdCreate_Click()
{
    const auto content = chosenContent(Op, 0);
    if (!content) {
        ui().message(this, QStringLiteral("Choose what to import: face and hair, face only or hair only."),
                     UiSeam::Icon::Warning);
        return;
    }
    Installer::Request request;
    request.faceFolder = Lokalizacja2->text();
    request.baseName = NameBin->text();
    request.content = *content;
    request.line = Generate->text();
    request.workingFace = prog(QStringLiteral("\\Face"));
    request.workingHair = prog(QStringLiteral("\\Hair"));
    request.journalFolder = programFolder();
    const Result installed = Installer::install(request, {.keepForUndo = true});
    if (installed)
        ui().message(this, QStringLiteral("Import Ready"), UiSeam::Icon::Information);
    else
        warn(installed);
}

void frmMain::cmdCreate2_Click()
{
    const auto content = chosenContent(Op, 3);
    if ((Che[0]->isChecked() || Che[1]->isChecked()) && !content) {
        ui().message(this, QStringLiteral("Choose what to import: face and hair, face only or hair only."),
                     UiSeam::Icon::Warning);
        return;
    }
    Installer::Request request;
    request.faceFolder = Lokalizacja2->text();
    request.workingFace = prog(QStringLiteral("\\Face"));
    request.workingHair = prog(QStringLiteral("\\Hair"));
    request.journalFolder = programFolder();
    if (Che[0]->isChecked()) {
        request.baseName = NameBin2->text();
        request.content = *content;
        request.line = Generate2->text();
        if (const Result installed = Installer::install(request, {.keepForUndo = true}); !installed) {
            warn(installed);
            return;
        }
    }
    if (Che[1]->isChecked()) {
        // The folder open in Dir, the option and the player decide the line.
        Dir_Change();
        request.intoTeamFolder = true;
        request.teamFolder = FolderText->text();
        request.baseName = NameBin3->text();
        request.content = *chosenContent(Op, 3);
        request.line = Generate3->text();
        warn(Installer::install(request, {.keepForUndo = true}));
    }
}
