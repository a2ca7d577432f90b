// The naming chains, the create commands and the team-folder commands, driven
// on the real main window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "platform/FolderList.h"
#include "shell/frmMain.h"
#include "support/EditFileBuilder.h"
#include "support/FolderSnapshot.h"
#include "support/TestEnv.h"

namespace {

using Icon = UiSeam::Icon;

const QByteArray kFace = "face model bytes";
const QByteArray kHair = "hair model bytes";
const char* kLine = R"(12345, "Sample Player_Face.bin", "Sample Player_Hair.bin")";

class FaceFolderWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString edit = EditFileBuilder()
                                 .player(0, 12345, "Sample Player")
                                 .player(1, 57, "")
                                 .player(2, 7, "A")
                                 .player(3, 12345, "Sample Player")  // the same name again
                                 .write(env.path("EDIT.bin"));
        env.storeLocations(edit, env.faceFolder());
        w = env.openWindow();
        face = env.faceFolder();
        ASSERT_EQ(w->Lokalizacja2->text(), face);
        ASSERT_GE(w->List1->count(), 4);
        // The export group opens once a model has been loaded; these tests
        // put the working files in place themselves.
        w->GroupBox14->setEnabled(true);
        w->List1->setEnabled(true);
    }

    void pick(int row) { w->List1->setCurrentRow(row); }
    void loadModels()
    {
        TestEnv::writeFile(w->prog("\\Face"), kFace);
        TestEnv::writeFile(w->prog("\\Hair"), kHair);
    }
    QByteArray map() const { return TestEnv::readFile(face + "/map.txt"); }
    QStringList messages() const { return env.ui.messages(); }

    TestEnv env;
    std::unique_ptr<frmMain> w;
    QString face;
};

// ----- naming -----

TEST_F(FaceFolderWindow, StartsWithTheFaceFolderNameAndNoLines)
{
    EXPECT_EQ(w->FolderText->text(), "Face");  // the face folder's own last part
    EXPECT_TRUE(w->Generate->text().isEmpty());
    EXPECT_TRUE(w->Generate2->text().isEmpty());
    EXPECT_TRUE(w->Generate3->text().isEmpty());
    EXPECT_TRUE(w->Op[0]->isChecked());
    EXPECT_TRUE(w->Op[3]->isChecked());
    EXPECT_FALSE(w->Che[0]->isChecked());
    EXPECT_FALSE(w->Che[1]->isChecked());
}

TEST_F(FaceFolderWindow, PickingAPlayerComposesTheNormalLineOnly)
{
    pick(0);
    EXPECT_EQ(w->txt[0]->text(), "12345");
    for (QLineEdit* f : {w->txt[1], w->NameBin, w->NameBin2, w->NameBin3}) EXPECT_EQ(f->text(), "Sample Player");
    EXPECT_EQ(w->Generate->text(), kLine);
    EXPECT_TRUE(w->Generate2->text().isEmpty());  // no mode checked
    EXPECT_TRUE(w->Generate3->text().isEmpty());

    // Another player of the same name: only the identifier changes, and the
    // line still follows it.
    pick(2);
    pick(3);
    EXPECT_EQ(w->Generate->text(), kLine);
    pick(2);
    EXPECT_EQ(w->Generate->text(), R"(7, "A_Face.bin", "A_Hair.bin")");
}

TEST_F(FaceFolderWindow, UnnamedPlayerNamesPassThrough)
{
    pick(1);
    EXPECT_EQ(w->txt[1]->text(), "<unnamed_57> ");
    EXPECT_EQ(w->NameBin3->text(), "<unnamed_57> ");
    EXPECT_EQ(w->Generate->text(), R"(57, "<unnamed_57> _Face.bin", "<unnamed_57> _Hair.bin")");
}

TEST_F(FaceFolderWindow, EditingABaseNameRecomposesUntilTheNextPick)
{
    pick(0);
    w->Op[1]->click();
    w->NameBin->setText("X");
    EXPECT_EQ(w->Generate->text(), R"(12345, "X_Face.bin")");
    pick(2);
    EXPECT_EQ(w->NameBin->text(), "A");
    EXPECT_EQ(w->Generate->text(), R"(7, "A_Face.bin")");
    w->NameBin->clear();
    EXPECT_EQ(w->Generate->text(), R"(7, "_Face.bin")");
}

TEST_F(FaceFolderWindow, OptionsSwitchButtonsListsAndLines)
{
    pick(2);
    w->Op[1]->click();
    EXPECT_TRUE(w->cmd_Face->isEnabled());
    EXPECT_FALSE(w->cmd_Hair->isEnabled());
    EXPECT_EQ(w->Generate->text(), R"(7, "A_Face.bin")");
    w->Op[2]->click();
    EXPECT_FALSE(w->cmd_Face->isEnabled());
    EXPECT_TRUE(w->cmd_Hair->isEnabled());
    EXPECT_EQ(w->Generate->text(), R"(7, ,"A_Hair.bin")");
    w->Op[0]->click();
    EXPECT_TRUE(w->cmd_Face->isEnabled());
    EXPECT_TRUE(w->cmd_Hair->isEnabled());

    // Face Pack group, mode "Normal": Generate2 follows, Generate3 does not.
    w->Che[0]->click();
    w->Generate3->setText("previous");
    w->Op[5]->click();
    EXPECT_FALSE(w->ARCH[0]->isEnabled());
    EXPECT_TRUE(w->ARCH[1]->isEnabled());
    EXPECT_EQ(w->Generate2->text(), R"(7, ,"A_Hair.bin")");
    EXPECT_EQ(w->Generate3->text(), "previous");
    w->Op[4]->click();
    EXPECT_TRUE(w->ARCH[0]->isEnabled());
    EXPECT_FALSE(w->ARCH[1]->isEnabled());
    EXPECT_EQ(w->Generate2->text(), R"(7, "A_Face.bin")");
    w->Op[3]->click();
    EXPECT_TRUE(w->ARCH[0]->isEnabled());
    EXPECT_TRUE(w->ARCH[1]->isEnabled());
    // The option of the Normal tab is its own group.
    EXPECT_TRUE(w->Op[0]->isChecked());
}

TEST_F(FaceFolderWindow, ModeNormalWinsAndCheckingDoesNotRecompose)
{
    pick(0);
    w->Che[1]->click();  // "Folder" alone: mode Folder
    EXPECT_TRUE(w->Che[1]->isChecked());
    EXPECT_TRUE(w->GroupBox19->isEnabled());
    EXPECT_TRUE(w->GroupBox15->isEnabled());
    EXPECT_FALSE(w->GroupBox18->isEnabled());

    w->Che[0]->click();  // "Normal" while "Folder" is checked: Normal
    EXPECT_TRUE(w->Che[0]->isChecked());
    EXPECT_FALSE(w->Che[1]->isChecked());
    EXPECT_TRUE(w->GroupBox18->isEnabled());
    EXPECT_FALSE(w->GroupBox19->isEnabled());
    EXPECT_FALSE(w->GroupBox15->isEnabled());
    EXPECT_TRUE(w->Generate2->text().isEmpty());  // checking alone composes nothing

    w->Che[1]->click();  // "Folder" while "Normal" is checked: unchecked again
    EXPECT_TRUE(w->Che[0]->isChecked());
    EXPECT_FALSE(w->Che[1]->isChecked());
    EXPECT_TRUE(w->GroupBox18->isEnabled());

    w->NameBin2->setText("B");
    EXPECT_EQ(w->Generate2->text(), R"(12345, "B_Face.bin", "B_Hair.bin")");

    w->Che[0]->click();  // unchecking the only box: both off, groups stay
    EXPECT_FALSE(w->Che[0]->isChecked());
    EXPECT_FALSE(w->Che[1]->isChecked());
    EXPECT_TRUE(w->GroupBox18->isEnabled());
    w->NameBin2->setText("C");
    EXPECT_EQ(w->Generate2->text(), R"(12345, "B_Face.bin", "B_Hair.bin")");
}

TEST_F(FaceFolderWindow, FolderModeLineFollowsFolderListAndNames)
{
    ASSERT_TRUE(QDir().mkpath(face + "/Sample Team"));
    w->Che[1]->click();
    pick(0);
    EXPECT_EQ(w->Generate3->text(),
              R"(12345, "Face\Sample Player_Face.bin", "Face\Sample Player_Hair.bin")");

    ASSERT_TRUE(w->Dir->setPath(face + "/Sample Team"));  // opening a folder in Dir
    EXPECT_EQ(w->FolderText->text(), "Sample Team");
    EXPECT_EQ(w->Generate3->text(),
              R"(12345, "Sample Team\Sample Player_Face.bin", "Sample Team\Sample Player_Hair.bin")");

    w->NameBin3->setText("N");
    w->FolderText->setText("T");
    EXPECT_EQ(w->Generate3->text(), R"(12345, "T\N_Face.bin", "T\N_Hair.bin")");
    w->FolderText->clear();
    EXPECT_EQ(w->Generate3->text(), R"(12345, "\N_Face.bin", "\N_Hair.bin")");

    // A click in Dir takes the folder name back from the list.
    emit w->Dir->Click();
    EXPECT_EQ(w->FolderText->text(), "Sample Team");
    EXPECT_EQ(w->Generate3->text(), R"(12345, "Sample Team\N_Face.bin", "Sample Team\N_Hair.bin")");

    w->Op[5]->click();  // options do not recompose Generate3 ...
    EXPECT_EQ(w->Generate3->text(), R"(12345, "Sample Team\N_Face.bin", "Sample Team\N_Hair.bin")");
    w->NameBin3->setText("M");  // ... its next recomposition follows them
    EXPECT_EQ(w->Generate3->text(), R"(12345, ,"Sample Team\M_Hair.bin")");
}

// ----- create commands -----

TEST_F(FaceFolderWindow, CreateInstallsFaceAndHairAndSaysImportReady)
{
    loadModels();
    pick(0);
    w->cmdCreate->click();
    ASSERT_EQ(messages(), QStringList{"Import Ready"});
    EXPECT_EQ(env.ui.messageIcons().front(), Icon::Information);
    EXPECT_EQ(map(), QByteArray(kLine) + "\r\n");
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Player_Face.bin"), kFace);
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Player_Hair.bin"), kHair);

    w->cmdCreate->click();  // again: a second line, the files rewritten
    EXPECT_EQ(map(), QByteArray(kLine) + "\r\n" + kLine + "\r\n");

    w->Op[2]->click();
    pick(2);
    w->cmdCreate->click();
    EXPECT_TRUE(map().endsWith("7, ,\"A_Hair.bin\"\r\n"));
    EXPECT_TRUE(QFile::exists(face + "/A_Hair.bin"));
    EXPECT_FALSE(QFile::exists(face + "/A_Face.bin"));
}

TEST_F(FaceFolderWindow, CreateRefusesWithoutWritingAnything)
{
    TestEnv::writeFile(face + "/map.txt", "1, \"Old_Face.bin\"\r\n");
    const FolderSnapshot before = snapshotFolder(face);

    pick(0);
    w->cmdCreate->click();  // no model chosen yet
    pick(1);
    loadModels();
    w->cmdCreate->click();  // "<unnamed_57> " cannot be a Windows file name
    w->Lokalizacja2->setText(face + "/gone");
    pick(0);
    w->cmdCreate->click();

    EXPECT_EQ(snapshotFolder(face), before);
    ASSERT_EQ(messages().size(), 3);
    EXPECT_TRUE(messages()[0].contains("face model")) << messages()[0].toStdString();
    EXPECT_TRUE(messages()[1].contains("<unnamed_57> ")) << messages()[1].toStdString();
    EXPECT_TRUE(messages()[2].contains("face folder does not exist")) << messages()[2].toStdString();
    for (Icon icon : env.ui.messageIcons()) EXPECT_EQ(icon, Icon::Warning);
    EXPECT_FALSE(messages().contains("Import Ready"));
}

TEST_F(FaceFolderWindow, CreateOnAReadOnlyModelLeavesNoLine)
{
    loadModels();
    TestEnv::writeFile(face + "/map.txt", "kept\r\n");
    TestEnv::writeFile(face + "/Sample Player_Hair.bin", "locked");
    QFile::setPermissions(face + "/Sample Player_Hair.bin", QFileDevice::ReadOwner);
    const FolderSnapshot before = snapshotFolder(face);
    pick(0);
    w->cmdCreate->click();
    EXPECT_EQ(snapshotFolder(face), before);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("read-only"));
}

TEST_F(FaceFolderWindow, ArchiveCreateWithoutModeDoesNothing)
{
    loadModels();
    pick(0);
    const FolderSnapshot before = snapshotFolder(env.root());
    w->cmdCreate2->click();
    EXPECT_EQ(snapshotFolder(env.root()), before);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(FaceFolderWindow, ArchiveCreateModeNormalIsSilent)
{
    loadModels();
    w->Che[0]->click();
    w->cmdCreate2->click();  // Generate2 still empty: refused, nothing written
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("empty"));
    EXPECT_FALSE(QFile::exists(face + "/map.txt"));

    pick(0);
    w->Op[4]->click();
    w->cmdCreate2->click();
    EXPECT_EQ(messages().size(), 1);  // nothing new shown
    EXPECT_EQ(map(), QByteArray("12345, \"Sample Player_Face.bin\"\r\n"));
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Player_Face.bin"), kFace);
    EXPECT_FALSE(QFile::exists(face + "/Sample Player_Hair.bin"));
}

TEST_F(FaceFolderWindow, ArchiveCreateRefusesALineLeftFromAnotherPlayer)
{
    loadModels();
    w->Che[0]->click();
    pick(0);  // Generate2 composed for Sample Player
    w->Che[0]->click();
    pick(2);  // mode off: Generate2 keeps the old line while NameBin2 becomes "A"
    w->Che[0]->click();
    ASSERT_EQ(w->Generate2->text(), kLine);
    const FolderSnapshot before = snapshotFolder(face);
    w->cmdCreate2->click();
    EXPECT_EQ(snapshotFolder(face), before);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("does not name")) << messages()[0].toStdString();
}

TEST_F(FaceFolderWindow, ArchiveCreateModeFolderWritesIntoTheFolderOpenInDir)
{
    ASSERT_TRUE(QDir().mkpath(face + "/Sample Team"));
    loadModels();
    w->Che[1]->click();
    pick(0);
    ASSERT_TRUE(w->Dir->setPath(face + "/Sample Team"));
    w->FolderText->setText("Typed By Hand");  // replaced before writing
    w->cmdCreate2->click();
    EXPECT_TRUE(messages().isEmpty()) << messages().join("|").toStdString();
    EXPECT_EQ(w->FolderText->text(), "Sample Team");
    EXPECT_EQ(map(), QByteArray(R"(12345, "Sample Team\Sample Player_Face.bin", "Sample Team\Sample Player_Hair.bin")") +
                         "\r\n");
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Team/Sample Player_Face.bin"), kFace);
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Team/Sample Player_Hair.bin"), kHair);
    EXPECT_FALSE(QFile::exists(face + "/Sample Player_Face.bin"));
}

TEST_F(FaceFolderWindow, ArchiveCreateModeFolderAtTheFaceFolderItselfIsRefused)
{
    loadModels();
    w->Che[1]->click();
    pick(0);
    const FolderSnapshot before = snapshotFolder(env.root());
    w->cmdCreate2->click();  // Dir at the face folder: "Face" is no team folder
    EXPECT_EQ(snapshotFolder(env.root()), before);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("team folder does not exist")) << messages()[0].toStdString();
}

// ----- team folders -----

TEST_F(FaceFolderWindow, AddFolderNeedsATeamNameThatIsOneFolder)
{
    const FolderSnapshot before = snapshotFolder(env.root());
    w->cmd_Add_Folder->click();
    ASSERT_EQ(messages(), QStringList{"Choose the Name from the List"});
    EXPECT_EQ(env.ui.messageIcons().front(), Icon::Information);
    for (const char* bad : {"A/B", "..", "Team:1"}) {
        w->Team->setText(bad);
        w->cmd_Add_Folder->click();
    }
    EXPECT_EQ(messages().size(), 4);
    EXPECT_EQ(snapshotFolder(env.root()), before);

    w->Team->setText("Sample Team");
    w->cmd_Add_Folder->click();
    EXPECT_TRUE(QFileInfo(face + "/Sample Team").isDir());
    EXPECT_EQ(messages().size(), 4);
    EXPECT_FALSE(w->Dir2->findItems("Sample Team", Qt::MatchContains).isEmpty());
    EXPECT_FALSE(w->Dir->findItems("Sample Team", Qt::MatchContains).isEmpty());
    w->cmd_Add_Folder->click();  // exists: nothing changes, nothing shown
    EXPECT_EQ(messages().size(), 4);
}

TEST_F(FaceFolderWindow, DeleteAndClearTheFolderOpenInDir2)
{
    TestEnv::writeFile(face + "/map.txt", "kept\r\n");
    TestEnv::writeFile(face + "/Sample Team/P_Face.bin", "p");
    TestEnv::writeFile(face + "/Sample Team/Sub/deep.bin", "d");
    TestEnv::writeFile(face + "/Other/O_Face.bin", "o");
    w->Dir2->Refresh();

    ASSERT_TRUE(w->Dir2->setPath(face + "/Sample Team"));
    emit w->Dir2->Click();
    EXPECT_EQ(w->TeamDelete->text(), "Sample Team");
    EXPECT_EQ(w->Clear->text(), "Sample Team");

    w->cmd_Clear_Folder->click();
    EXPECT_FALSE(QFile::exists(face + "/Sample Team/P_Face.bin"));
    EXPECT_TRUE(QFile::exists(face + "/Sample Team/Sub/deep.bin"));
    EXPECT_EQ(QDir::fromNativeSeparators(w->Dir2->Path()), face);
    EXPECT_EQ(QDir::fromNativeSeparators(w->Dir->Path()), face);

    w->cmd_Delete_Folder->click();
    EXPECT_FALSE(QFileInfo::exists(face + "/Sample Team"));
    EXPECT_TRUE(QFile::exists(face + "/Other/O_Face.bin"));
    EXPECT_EQ(map(), "kept\r\n");
    EXPECT_TRUE(messages().isEmpty()) << messages().join("|").toStdString();

    // Dir2 back at the face folder: its own name addresses nothing.
    emit w->Dir2->Click();
    EXPECT_EQ(w->TeamDelete->text(), "Face");
    const FolderSnapshot before = snapshotFolder(env.root());
    w->cmd_Delete_Folder->click();
    w->cmd_Clear_Folder->click();
    EXPECT_EQ(snapshotFolder(env.root()), before);
}

TEST_F(FaceFolderWindow, DeleteAndClearCannotEscapeTheTeamFolders)
{
    TestEnv::writeFile(face + "/map.txt", "kept\r\n");
    TestEnv::writeFile(face + "/A_Face.bin", "a");
    TestEnv::writeFile(face + "/Sample Team/P_Face.bin", "p");
    TestEnv::writeFile(env.path("Ludex/Neighbour/n.bin"), "n");
    const FolderSnapshot before = snapshotFolder(env.root());
    int expected = 0;
    for (const char* bad : {"", ".", "..", "../Neighbour", "Sample Team/..", "map.txt", "*"}) {
        w->TeamDelete->setText(bad);
        w->Clear->setText(bad);
        w->cmd_Delete_Folder->click();
        w->cmd_Clear_Folder->click();
        expected += 2;
        EXPECT_EQ(messages().size(), expected) << bad;
    }
    EXPECT_EQ(snapshotFolder(env.root()), before);
    for (Icon icon : env.ui.messageIcons()) EXPECT_EQ(icon, Icon::Warning);
}

}  // namespace
