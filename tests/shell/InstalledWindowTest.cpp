// The windows of the menu "Face Folder" (the installed faces, the install
// from the archive and the undo of the last install) and the note on tab
// "Normal", driven on the real main window.
#include <gtest/gtest.h>

#include <QtWidgets>

#include "editdb/EditFileBuilder.h"
#include "models/ModelFileBuilder.h"
#include "platform/FileTransaction.h"
#include "platform/ImageBox.h"
#include "shell/frmBatchInstall.h"
#include "shell/frmInstalled.h"
#include "shell/frmMain.h"
#include "support/DdsWriter.h"
#include "support/FolderSnapshot.h"
#include "support/WindowEnv.h"

namespace {

class InstalledWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QByteArray model =
            ModelFileBuilder().dds(DdsWriter::rgba32(DdsWriter::testPattern(32, 32)).bytes).bytes();
        for (const char* f :
             {"Sample Player_face.bin", "Sample Player_Hair.bin", "Oren_Face.bin", "Oren2_Face.bin", "Spare_Hair.bin"})
            TestEnv::writeFile(face + "/" + f, model);
        TestEnv::writeFile(face + "/map.txt", map);
        w = env.openWindowOn(
            EditFileBuilder().player(0, 12345, "Sample Player").player(1, 7, "Oren Vasko").player(2, 8, "Tibo Marek"));
        w->mnuInstalled->trigger();
        view = w->findChild<frmInstalled*>();
        ASSERT_TRUE(view);
    }

    void pickLine(int line)
    {
        view->Table->selectionModel()->clear();
        view->Table->setCurrentIndex(view->Table->model()->index(view->rowOfLine(line), 0));
    }

    const QByteArray map =
        "12345, \"Sample Player_Face.bin\", \"Sample Player_Hair.bin\"\r\n"
        "99, \"Ghost_Face.bin\"\r\n"
        "garbage\r\n"
        "7, \"Oren_Face.bin\"\r\n"
        "7, \"Oren2_Face.bin\"\r\n";
    WindowEnv env;
    QString face = env.faceFolder();
    std::unique_ptr<frmMain> w;
    QPointer<frmInstalled> view;
};

TEST_F(InstalledWindow, ListsEveryEntryWithItsPlayerAndStateFiltersProblemsAndPreviews)
{
    ASSERT_EQ(view->rowCount(), 6);  // five lines and one file no line names
    const std::pair<int, QStringList> rows[] = {
        {1, {"1", "12345", "Sample Player", "Sample Player_Face.bin", "Sample Player_Hair.bin", "OK"}},
        {2, {"2", "99", "not in the edit file", "Ghost_Face.bin", "", "face file missing"}},
        {3, {"3", "", "", "garbage", "", "not understood: it does not begin with a player's identifier"}},
    };
    for (const auto& [line, cells] : rows)
        for (int c = 0; c < frmInstalled::ColumnCount; ++c)
            EXPECT_EQ(view->cellText(view->rowOfLine(line), c), cells[c]) << "line " << line << " column " << c;
    EXPECT_EQ(view->cellText(5, frmInstalled::ColHair), "Spare_Hair.bin");
    EXPECT_EQ(view->cellText(5, frmInstalled::ColState), "no line names this file");
    EXPECT_TRUE(
        view->lblSummary->text().contains("5 lines, 4 entries. Lines with a problem: 4. Model files that no "
                                          "line names: 1."))
        << view->lblSummary->text().toStdString();

    pickLine(1);
    EXPECT_TRUE(view->FaceImg->hasPicture() && view->HairImg->hasPicture());
    pickLine(2);
    EXPECT_FALSE(view->FaceImg->hasPicture() || view->HairImg->hasPicture());
    // The previews leave nothing behind in the program folder.
    EXPECT_EQ(QDir(env.programFolder()).entryList(QDir::Files), QStringList());

    view->chkProblems->click();
    EXPECT_EQ(view->rowCount(), 5);
    EXPECT_EQ(view->rowOfLine(1), -1);
}

TEST_F(InstalledWindow, RemovalListsWhatGoesAndTakesOutOnlyTheChosenEntry)
{
    const FolderSnapshot before = snapshotFolder(face);
    view->cmdRemove->click();  // nothing chosen
    EXPECT_TRUE(env.ui.messages().value(0).contains("Choose the entries"));

    pickLine(1);
    env.ui.answers = {false};
    view->cmdRemove->click();
    ASSERT_EQ(env.ui.shown.back().kind, "confirm");
    for (const char* needle : {"line 1: 12345", "Sample Player_face.bin", "Sample Player_Hair.bin"})
        EXPECT_TRUE(env.ui.shown.back().text.contains(needle)) << needle;
    EXPECT_TRUE(snapshotFolder(face) == before);

    w->List1->setCurrentRow(0);  // "In map.txt: line 1"
    env.ui.answers = {true};
    view->cmdRemove->click();
    EXPECT_EQ(TestEnv::readFile(face + "/map.txt"), map.mid(map.indexOf("99,")));
    EXPECT_EQ(view->rowCount(), 5);
    EXPECT_EQ(w->lblInstalled->text(), "");  // the note follows the removal
}

TEST_F(InstalledWindow, TabNormalSaysWhenThePickedPlayerHasALineAlready)
{
    const std::pair<int, const char*> picks[] = {{0, "In map.txt: line 1"}, {1, "In map.txt: 2 lines"}, {2, ""}};
    for (const auto& [row, note] : picks) {
        w->List1->setCurrentRow(row);
        EXPECT_EQ(w->lblInstalled->text(), note) << row;
    }

    // A map.txt that is no map file is refused in the view, and the note stays quiet.
    ASSERT_TRUE(QFile::resize(face + "/map.txt", 40LL * 1024 * 1024));
    view->cmdReload->click();
    EXPECT_EQ(view->rowCount(), 0);
    EXPECT_TRUE(view->lblSummary->text().contains("40.0 MB")) << view->lblSummary->text().toStdString();
    EXPECT_FALSE(view->cmdRemove->isEnabled());
    w->List1->setCurrentRow(0);
    EXPECT_EQ(w->lblInstalled->text(), "");
}

class BatchInstallWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* entry : {"Pack/Sample Team/12345_face.bin", "Pack/Sample Team/12345_hair.bin",
                                  "Pack/Sample Team/Oren Vasko_Face.bin", "Pack/Sample Team/Nobody_face.bin"})
            TestEnv::writeFile(env.programFolder() + "/Archive/" + entry, entry);
        TestEnv::writeFile(face + "/map.txt", "1, \"Old_Face.bin\"");
        QDir().mkpath(face + "/Sample Team");
        before = snapshotFolder(face);
        w = env.openWindowOn(EditFileBuilder().player(0, 12345, "Sample Player").player(1, 20102, "Oren Vasko"));
    }

    WindowEnv env;
    QString face = env.faceFolder();
    FolderSnapshot before;
    std::unique_ptr<frmMain> w;
};

TEST_F(BatchInstallWindow, ReviewsTheMatchesInstallsTheTickedOnesWholeAndUndoesThem)
{
    w->mnuBatchInstall->trigger();
    auto* view = w->findChild<frmBatchInstall*>();
    ASSERT_TRUE(view);
    ASSERT_EQ(view->rowCount(), 3);
    EXPECT_EQ(view->cellText(0, frmBatchInstall::ColLine),
              R"(12345, "Sample Player_Face.bin", "Sample Player_Hair.bin")");
    view->setTicked(1, true);  // "Nobody" is no player: the row cannot be installed and stays unticked
    EXPECT_FALSE(view->isTicked(1));

    view->chkTeamFolders->click();
    EXPECT_EQ(view->cellText(2, frmBatchInstall::ColTarget), "Sample Team");
    view->setTicked(2, false);

    // Cancelled while copying, then a failure part-way: nothing changes.
    env.ui.cancelProgressAfter = 1;
    view->cmdInstall->click();
    EXPECT_TRUE(env.ui.messages().value(0).contains("cancelled")) << env.ui.messages().value(0).toStdString();
    env.ui.cancelProgressAfter = -1;
    FileTransaction::setStepHook([](int step) { return step != 5; });  // the second model taking its place
    view->cmdInstall->click();
    FileTransaction::setStepHook({});
    EXPECT_TRUE(env.ui.messages().value(1).contains("Nothing was installed"))
        << env.ui.messages().value(1).toStdString();
    EXPECT_TRUE(snapshotFolder(face) == before);

    view->cmdInstall->click();
    EXPECT_EQ(env.ui.messages().value(2),
              "Import Ready: 1 player was installed. Face Folder > Undo Last Install takes it back.");
    EXPECT_TRUE(QFile::exists(face + "/Sample Team/Sample Player_Hair.bin"));
    EXPECT_FALSE(QFile::exists(face + "/Sample Team/Oren Vasko_Face.bin"));
    EXPECT_TRUE(view->cellText(0, frmBatchInstall::ColProblems).contains("line 2"));  // read again

    env.ui.answers = {false, true};
    w->mnuUndoInstall->trigger();
    ASSERT_EQ(env.ui.shown.back().kind, "confirm");
    EXPECT_TRUE(env.ui.shown.back().text.contains("Sample Team\\Sample Player_Face.bin"));
    EXPECT_FALSE(snapshotFolder(face) == before);
    w->mnuUndoInstall->trigger();
    EXPECT_TRUE(snapshotFolder(face) == before);
    EXPECT_EQ(env.ui.messages().value(3), "The last install was undone.");
    w->mnuUndoInstall->trigger();
    EXPECT_EQ(env.ui.messages().value(4), "There is no install to undo.");
}

}  // namespace
