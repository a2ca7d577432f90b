// The install from the archive and the undo of the last install, driven on
// the real main window.
#include <gtest/gtest.h>

#include <QtWidgets>

#include "editdb/EditFileBuilder.h"
#include "platform/FileTransaction.h"
#include "shell/frmBatchInstall.h"
#include "shell/frmMain.h"
#include "support/FolderSnapshot.h"
#include "support/WindowEnv.h"

namespace {

class BatchInstallWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        env.storeLocations(EditFileBuilder()
                               .player(0, 12345, "Sample Player")
                               .player(1, 20102, "Oren Vasko")
                               .write(env.path("EDIT.bin")),
                           face);
        for (const char* entry : {"Pack/Sample Team/12345_face.bin", "Pack/Sample Team/12345_hair.bin",
                                  "Pack/Sample Team/Oren Vasko_Face.bin", "Pack/Sample Team/Nobody_face.bin"})
            TestEnv::writeFile(env.programFolder() + "/Archive/" + entry, entry);
        TestEnv::writeFile(face + "/map.txt", "1, \"Old_Face.bin\"");
        QDir().mkpath(face + "/Sample Team");
        before = snapshotFolder(face);
        w = env.openWindow();
    }

    WindowEnv env;
    QString face = env.faceFolder();
    FolderSnapshot before;
    std::unique_ptr<frmMain> w;
};

TEST_F(BatchInstallWindow, ReviewsTheMatchesInstallsTheTickedOnesWholeAndUndoesThem)
{
    w->mnuBatchInstall->trigger();
    const auto views = WindowEnv::openWindows<frmBatchInstall>();
    ASSERT_EQ(views.size(), 1);
    frmBatchInstall* view = views.first();
    ASSERT_EQ(view->rowCount(), 3);
    EXPECT_EQ(view->cellText(0, frmBatchInstall::ColLine),
              R"(12345, "Sample Player_Face.bin", "Sample Player_Hair.bin")");
    EXPECT_EQ(view->cellText(1, frmBatchInstall::ColProblems), "no player is named \"Nobody\"");
    EXPECT_FALSE(view->isTicked(1));
    view->setTicked(1, true);  // a row that cannot be installed stays unticked
    EXPECT_FALSE(view->isTicked(1));

    view->chkTeamFolders->click();
    EXPECT_EQ(view->cellText(2, frmBatchInstall::ColTarget), "Sample Team");
    EXPECT_EQ(view->cellText(2, frmBatchInstall::ColLine), R"(20102, "Sample Team\Oren Vasko_Face.bin")");
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

TEST_F(BatchInstallWindow, TheSingleCreateIsUndoneFromTheMenuToo)
{
    TestEnv::writeFile(w->prog("\\Face"), "face model");
    TestEnv::writeFile(w->prog("\\Hair"), "hair model");
    w->List1->setCurrentRow(1);
    w->cmdCreate->click();
    ASSERT_EQ(env.ui.messages().value(0), "Import Ready");
    env.ui.answers = {true};
    w->mnuUndoInstall->trigger();
    EXPECT_EQ(env.ui.messages().value(1), "The last install was undone.");
    EXPECT_TRUE(snapshotFolder(face) == before);
}

}  // namespace
