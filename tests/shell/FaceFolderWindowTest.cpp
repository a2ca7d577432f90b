// The naming chains, the create commands and the team-folder commands, driven
// on the real main window.
#include <gtest/gtest.h>

#include <QtWidgets>

#include "editdb/EditFileBuilder.h"
#include "platform/FolderList.h"
#include "shell/frmMain.h"
#include "support/FolderSnapshot.h"
#include "support/WindowEnv.h"

namespace {

class FaceFolderWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(face + "/Sample Team"));
        // Player 3 has the name of player 2 under another identifier.
        w = env.openWindowOn(
            EditFileBuilder().player(0, 12345, "Sample Player").player(1, 57, "").player(2, 7, "A").player(3, 8, "A"));
        // The export group opens once a model has been loaded; the tests put
        // the working files in place themselves.
        w->GroupBox14->setEnabled(true);
    }

    void pick(int row) { w->List1->setCurrentRow(row); }

    WindowEnv env;
    QString face = env.faceFolder();
    std::unique_ptr<frmMain> w;
};

TEST_F(FaceFolderWindow, PickingAPlayerFillsTheNamesAndTheLineOfTheCheckedMode)
{
    pick(1);
    EXPECT_EQ(w->txt[0]->text(), "57");
    for (auto* f : {w->txt[1], w->NameBin, w->NameBin2, w->NameBin3}) EXPECT_EQ(f->text(), "<unnamed_57> ");
    EXPECT_EQ(w->Generate->text(), R"(57, "<unnamed_57> _Face.bin", "<unnamed_57> _Hair.bin")");
    EXPECT_EQ(w->Generate2->text() + w->Generate3->text(), "");  // no mode checked

    w->Che[0]->click();  // "Normal"
    pick(2);
    pick(3);  // only the identifier changes
    EXPECT_EQ(w->Generate->text(), R"(8, "A_Face.bin", "A_Hair.bin")");
    EXPECT_EQ(w->Generate2->text() + "|" + w->Generate3->text(), w->Generate->text() + "|");

    w->Che[1]->click();  // "Folder" while "Normal" is checked: "Normal" wins
    EXPECT_TRUE(w->Che[0]->isChecked() && !w->Che[1]->isChecked());
    EXPECT_TRUE(w->GroupBox18->isEnabled() && !w->GroupBox19->isEnabled() && !w->GroupBox15->isEnabled());
    w->Che[0]->click();
    w->Che[1]->click();  // "Folder" alone
    EXPECT_TRUE(!w->GroupBox18->isEnabled() && w->GroupBox19->isEnabled() && w->GroupBox15->isEnabled());
    pick(0);
    EXPECT_EQ(w->Generate2->text(), R"(8, "A_Face.bin", "A_Hair.bin")");  // mode off: left as it was
    EXPECT_EQ(w->Generate3->text(), R"(12345, "Face\Sample Player_Face.bin", "Face\Sample Player_Hair.bin")");
    w->NameBin3->setText("N");
    EXPECT_EQ(w->Generate3->text(), R"(12345, "Face\N_Face.bin", "Face\N_Hair.bin")");
}

TEST_F(FaceFolderWindow, OptionsAndEditedNamesRecomposeTheirGroupsLine)
{
    pick(2);
    w->Che[0]->click();
    const struct {
        int op;
        bool face, hair;
        const char* line;
    } cases[] = {{1, true, false, R"(7, "A_Face.bin")"},
                 {2, false, true, R"(7, ,"A_Hair.bin")"},
                 {0, true, true, R"(7, "A_Face.bin", "A_Hair.bin")"}};
    for (const auto& c : cases) {
        w->Op[c.op]->click();
        w->Op[c.op + 3]->click();
        const std::vector<bool> enabled = {w->cmd_Face->isEnabled(), w->cmd_Hair->isEnabled(), w->ARCH[0]->isEnabled(),
                                           w->ARCH[1]->isEnabled()};
        EXPECT_EQ(enabled, std::vector<bool>({c.face, c.hair, c.face, c.hair})) << c.op;
        EXPECT_EQ(w->Generate->text() + "|" + w->Generate2->text(), QString(c.line) + "|" + c.line);
    }
    w->NameBin->setText("X");
    EXPECT_EQ(w->Generate->text(), R"(7, "X_Face.bin", "X_Hair.bin")");
    w->NameBin2->setText("B");
    EXPECT_EQ(w->Generate2->text(), R"(7, "B_Face.bin", "B_Hair.bin")");
    w->Generate3->setText("typed");
    w->Op[5]->click();  // the options leave Generate3 alone
    EXPECT_EQ(w->Generate3->text(), "typed");
}

TEST_F(FaceFolderWindow, CreateCommandsInstallOnlyWhatTheyMayAndAppendTheirLines)
{
    TestEnv::writeFile(face + "/map.txt", "old\r\n");
    const FolderSnapshot before = snapshotFolder(face);
    pick(0);
    w->cmdCreate2->click();  // no mode checked: nothing happens at all
    w->Che[1]->click();
    w->cmdCreate2->click();  // "Folder" with Dir at the face folder: "Face" is no team folder
    EXPECT_EQ(snapshotFolder(face), before);

    TestEnv::writeFile(w->prog("\\Face"), "face model");  // the models loaded
    TestEnv::writeFile(w->prog("\\Hair"), "hair model");
    w->cmdCreate->click();
    w->Op[2]->click();
    pick(2);
    w->cmdCreate->click();
    env.ui.answers = {true};  // taken back from the menu, and made again
    w->mnuUndoInstall->trigger();
    w->cmdCreate->click();
    ASSERT_TRUE(w->Dir->setPath(face + "/Sample Team"));  // opening a folder names it
    EXPECT_EQ(w->Generate3->text(), R"(7, "Sample Team\A_Face.bin", "Sample Team\A_Hair.bin")");
    w->FolderText->setText("Typed");  // the folder open in Dir decides, not the text typed
    w->cmdCreate2->click();
    w->Che[1]->click();
    w->Che[0]->click();  // "Normal", face only, under a name typed by hand
    w->Op[4]->click();
    w->NameBin2->setText("B");
    w->cmdCreate2->click();

    const QStringList said = env.ui.messages();
    ASSERT_EQ(said.size(), 5) << said.join('|').toStdString();
    EXPECT_TRUE(said[0].contains("team folder does not exist"));
    EXPECT_EQ(said.mid(1),
              QStringList({"Import Ready", "Import Ready", "The last install was undone.", "Import Ready"}));
    EXPECT_EQ(TestEnv::readFile(face + "/map.txt"),
              "old\r\n"
              R"(12345, "Sample Player_Face.bin", "Sample Player_Hair.bin")"
              "\r\n7, ,\"A_Hair.bin\"\r\n"
              R"(7, "Sample Team\A_Face.bin", "Sample Team\A_Hair.bin")"
              "\r\n7, \"B_Face.bin\"\r\n");
    EXPECT_EQ(QDir(face).entryList(QDir::Files).join(','),
              "A_Hair.bin,B_Face.bin,map.txt,Sample Player_Face.bin,Sample Player_Hair.bin");
    EXPECT_EQ(QDir(face + "/Sample Team").entryList(QDir::Files), QStringList({"A_Face.bin", "A_Hair.bin"}));
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Player_Face.bin"), "face model");
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Team/A_Hair.bin"), "hair model");
}

TEST_F(FaceFolderWindow, TeamFolderCommandsAddClearAndDelete)
{
    w->cmd_Add_Folder->click();
    EXPECT_EQ(env.ui.messages(), QStringList{"Choose the Name from the List"});
    w->Team->setText("New/Team");  // refused, with the reason
    w->cmd_Add_Folder->click();
    w->Team->setText("New Team");
    w->cmd_Add_Folder->click();
    w->cmd_Add_Folder->click();  // there already: nothing to say
    EXPECT_EQ(env.ui.messages().size(), 2);
    EXPECT_TRUE(QFileInfo(face + "/New Team").isDir());
    EXPECT_FALSE(w->Dir->findItems("New Team", Qt::MatchContains).isEmpty());
    EXPECT_FALSE(w->Dir2->findItems("New Team", Qt::MatchContains).isEmpty());

    TestEnv::writeFile(face + "/Sample Team/P_Face.bin", "p");
    ASSERT_TRUE(w->Dir->setPath(face + "/Sample Team"));
    ASSERT_TRUE(w->Dir2->setPath(face + "/Sample Team"));
    emit w->Dir2->Click();
    EXPECT_EQ(w->TeamDelete->text() + "|" + w->Clear->text(), "Sample Team|Sample Team");
    w->cmd_Clear_Folder->click();
    EXPECT_FALSE(QFile::exists(face + "/Sample Team/P_Face.bin"));
    // Both lists go back to the face folder.
    EXPECT_EQ(w->Dir->Path() + "|" + w->Dir2->Path(), face + "|" + face);
    w->cmd_Delete_Folder->click();
    EXPECT_FALSE(QFileInfo::exists(face + "/Sample Team"));
    EXPECT_TRUE(QFileInfo::exists(face + "/New Team"));
    EXPECT_EQ(env.ui.messages().size(), 2) << env.ui.messages().join('|').toStdString();
}

}  // namespace
