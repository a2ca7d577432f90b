// The installed-faces window and the note on tab "Normal", driven on the
// real main window.
#include <gtest/gtest.h>

#include <QtWidgets>

#include "editdb/EditFileBuilder.h"
#include "models/ModelFileBuilder.h"
#include "platform/ImageBox.h"
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
        env.storeLocations(EditFileBuilder()
                               .player(0, 12345, "Sample Player")
                               .player(1, 7, "Oren Vasko")
                               .player(2, 8, "Tibo Marek")
                               .write(env.path("EDIT.bin")),
                           face);
        const QByteArray model =
            ModelFileBuilder().dds(DdsWriter::rgba32(DdsWriter::testPattern(32, 32)).bytes).bytes();
        for (const char* f :
             {"Sample Player_face.bin", "Sample Player_Hair.bin", "Oren_Face.bin", "Oren2_Face.bin", "Spare_Hair.bin"})
            TestEnv::writeFile(face + "/" + f, model);
        TestEnv::writeFile(face + "/map.txt", map);
        w = env.openWindow();
        w->mnuInstalled->trigger();
        const auto views = WindowEnv::openWindows<frmInstalled>();
        ASSERT_EQ(views.size(), 1);
        view = views.first();
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
        {5, {"5", "7", "Oren Vasko", "Oren2_Face.bin", "", "line 4 comes first for this player"}},
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

    pickLine(1);
    w->List1->setCurrentRow(0);
    EXPECT_EQ(w->lblInstalled->text(), "In map.txt: line 1");
    env.ui.answers = {true};
    view->cmdRemove->click();
    EXPECT_EQ(TestEnv::readFile(face + "/map.txt"), map.mid(map.indexOf("99,")));
    EXPECT_EQ(TestEnv::readFile(face + "/map.txt.bak"), map);
    EXPECT_FALSE(QFileInfo::exists(face + "/Sample Player_face.bin"));
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
    QFile file(face + "/map.txt");
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("8, \"Tibo_Face.bin\"\r\n");
    file.close();
    w->List1->setCurrentRow(0);
    w->List1->setCurrentRow(2);
    EXPECT_EQ(w->lblInstalled->text(), "In map.txt: line 6");

    // A map.txt that is no map file is refused in the view, and the note stays quiet.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(40LL * 1024 * 1024));
    file.close();
    view->cmdReload->click();
    EXPECT_EQ(view->rowCount(), 0);
    EXPECT_TRUE(view->lblSummary->text().contains("40.0 MB")) << view->lblSummary->text().toStdString();
    EXPECT_FALSE(view->cmdRemove->isEnabled());
    w->List1->setCurrentRow(0);
    EXPECT_EQ(w->lblInstalled->text(), "");
}

}  // namespace
