// "Export as Face Pack..." in the installed faces' window, driven on the real
// main window with scripted dialogs.
#include <gtest/gtest.h>

#include <QtWidgets>

#include "editdb/EditFileBuilder.h"
#include "shell/frmBatchInstall.h"
#include "shell/frmInstalled.h"
#include "shell/frmMain.h"
#include "support/FaceFolderFixture.h"
#include "support/WindowEnv.h"

namespace {

TEST(PackExportWindow, ExportsTheSelectionOrATeamFolderSaysWhatIsLeftOutAndCancelsCleanly)
{
    WindowEnv env;
    const QString face = env.faceFolder(), out = env.path("out");
    QDir().mkpath(out);
    const QByteArray map = FaceFolderFixture::build(face, {.entries = 24, .teams = 2});
    TestEnv::writeFile(face + "/map.txt", map + "99, \"Ghost_Face.bin\"\r\n");
    const auto w = env.openWindowOn(EditFileBuilder().player(0, 10001, "Player 1"));
    w->mnuInstalled->trigger();
    frmInstalled* view = w->findChild<frmInstalled*>();
    ASSERT_TRUE(view);

    view->cmdExport->click();
    EXPECT_EQ(env.ui.messages().value(0), "Choose the entries to export in the list first.");

    // Line 2 is in "Team 1"; the whole team folder is chosen from it.
    ASSERT_EQ(FaceFolderFixture::teamOf(1), "Team 1");
    view->Table->setCurrentIndex(view->Table->model()->index(view->rowOfLine(2), 0));
    view->mnuSelectTeam->trigger();
    int inTeam = 0;
    for (int i = 0; i < 24; ++i) inTeam += FaceFolderFixture::teamOf(i, {.teams = 2}) == "Team 1" ? 1 : 0;
    EXPECT_EQ(view->Table->selectionModel()->selectedRows().size(), inTeam);
    env.ui.saveFiles = {out + "/Team One"};
    view->cmdExport->click();
    EXPECT_EQ(env.ui.shown.at(1).kind, "save");
    EXPECT_EQ(env.ui.shown.at(2).kind, "progress");
    EXPECT_TRUE(env.ui.messages().value(1).startsWith(QString("The face pack %1 holds %2 players (")
                                                          .arg(QDir::toNativeSeparators(out + "/Team One.zip"))
                                                          .arg(inTeam)))
        << qPrintable(env.ui.messages().value(1));
    EXPECT_TRUE(QFileInfo(out + "/Team One.zip").isFile());

    // Everything, with the line whose file is missing: said before writing.
    view->Table->selectAll();
    env.ui.saveFiles = {out + "/All.zip"};
    view->cmdExport->click();  // answered No
    const ScriptedUi::Shown asked = env.ui.shown.back();
    EXPECT_EQ(asked.kind, "confirm");
    EXPECT_TRUE(
        asked.text.startsWith("1 of the chosen entries cannot go into the face pack and are left out:\n\n"
                              "line 25 (player 99): the face file \"Ghost_Face.bin\" is missing"))
        << qPrintable(asked.text);
    EXPECT_TRUE(asked.text.endsWith("Export the other 24?"));
    env.ui.answers = {true};
    env.ui.cancelProgressAfter = env.ui.progressSteps + 3;
    view->cmdExport->click();
    EXPECT_EQ(env.ui.messages().back(), "The export was cancelled. No face pack was written.");
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{"Team One.zip"});
    EXPECT_EQ(QDir(env.programFolder()).entryList({".ludex-output*"}, QDir::Files | QDir::Hidden), QStringList());
}

// The pack, unpacked with Browse, installs back through Install from Archive
// with its own lines and team folders.
TEST(PackExportWindow, APackInstallsBackThroughInstallFromArchive)
{
    WindowEnv env;
    const QString face = env.faceFolder(), zip = env.path("All.zip");
    const QByteArray map = FaceFolderFixture::build(face, {.entries = 24, .teams = 2});
    const auto w = env.openWindowOn(EditFileBuilder().player(0, 10001, "Player 1"));
    w->mnuInstalled->trigger();
    frmInstalled* installed = w->findChild<frmInstalled*>();
    ASSERT_TRUE(installed);
    installed->Table->selectAll();
    env.ui.saveFiles = {zip};
    installed->cmdExport->click();
    ASSERT_TRUE(QFileInfo(zip).isFile()) << qPrintable(env.ui.messages().join("\n"));
    installed->close();

    ASSERT_TRUE(QDir(face).removeRecursively() && QDir().mkpath(face));
    env.ui.files = {zip};
    w->cmd_FacePack->click();
    w->mnuBatchInstall->trigger();
    frmBatchInstall* batch = w->findChild<frmBatchInstall*>();
    ASSERT_TRUE(batch);
    ASSERT_EQ(batch->rowCount(), 24);
    EXPECT_EQ(batch->cellText(1, frmBatchInstall::ColPlayer), "Player 1");  // 10001 is in the edit file
    EXPECT_EQ(batch->cellText(1, frmBatchInstall::ColTarget), "Team 1");
    for (int row = 0; row < 24; ++row)
        EXPECT_TRUE(batch->isTicked(row)) << batch->cellText(row, frmBatchInstall::ColProblems).toStdString();
    batch->cmdInstall->click();
    EXPECT_EQ(env.ui.messages().back(),
              "Import Ready: 24 players were installed. Face Folder > Undo Last Install takes them back.");
    // The lines as they were, each ended with CR LF.
    EXPECT_EQ(TestEnv::readFile(face + "/map.txt"), QByteArray(map).replace("\r\n", "\n").replace("\n", "\r\n"));
    EXPECT_EQ(QDir(face).entryList(QDir::Dirs | QDir::NoDotAndDotDot), (QStringList{"Team 1", "Team 2"}));
}

}  // namespace
