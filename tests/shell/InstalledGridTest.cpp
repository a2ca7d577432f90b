// The picture view of "Installed...": the grid of thumbnails beside the
// table, driven on the real window with the thumbnail cache in the test's
// own folder.
#include <gtest/gtest.h>

#include <QtWidgets>

#include "editdb/EditFileBuilder.h"
#include "models/ModelFileBuilder.h"
#include "models/ThumbnailCache.h"
#include "platform/ImageBox.h"
#include "shell/InstalledGrid.h"
#include "shell/frmInstalled.h"
#include "shell/frmMain.h"
#include "support/DdsWriter.h"
#include "support/WindowEnv.h"

namespace {

using State = ThumbnailLoader::Thumb::State;

QByteArray modelOf(int edge)
{
    return ModelFileBuilder().dds(DdsWriter::dxt5(edge, edge, DdsWriter::checkerBlock).bytes).bytes();
}

class InstalledGridWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* f :
             {"Sample Player_face.bin", "Sample Player_Hair.bin", "Team A/Oren_Face.bin", "Spare_Hair.bin"})
            TestEnv::writeFile(face + "/" + f, modelOf(256));
        TestEnv::writeFile(face + "/Broken_Face.bin", modelOf(256).left(300));
        TestEnv::writeFile(face + "/map.txt",
                           "12345, \"Sample Player_Face.bin\", \"Sample Player_Hair.bin\"\r\n"
                           "99, \"Ghost_Face.bin\"\r\n"
                           "7, \"Team A\\Oren_Face.bin\"\r\n"
                           "8, \"Broken_Face.bin\"\r\n");
        w = env.openWindowOn(
            EditFileBuilder().player(0, 12345, "Sample Player").player(1, 7, "Oren Vasko").player(2, 8, "Tibo Marek"));
        view = w->mnuInstalled_Click();
        ASSERT_TRUE(view);
        WindowEnv::settle();
        view->chkPictures->click();
        grid = view->Grid;
    }

    // Lets the workers finish and the grid repaint.
    void waitForPictures()
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30000) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            if (grid->loader() && grid->loader()->idle() && grid->pendingOnScreen() == 0) break;
        }
        WindowEnv::settle();
    }

    QString cacheFolder() const { return env.path("cache/ludex-manager/thumbnails"); }
    QString cacheFileOf(const QString& relative) const
    {
        return ThumbnailCache(cacheFolder()).fileFor(face + "/" + relative);
    }

    WindowEnv env;
    QString face = env.faceFolder();
    std::unique_ptr<frmMain> w;
    QPointer<frmInstalled> view;
    InstalledGrid* grid = nullptr;
};

TEST_F(InstalledGridWindow, ShowsEveryEntryWithTheTablesStatesAndSharesItsPickPreviewRemovalAndSearch)
{
    ASSERT_TRUE(grid->isVisible());
    EXPECT_FALSE(view->Table->isVisible());
    waitForPictures();
    ASSERT_EQ(grid->model()->rowCount(), view->rowCount());
    ASSERT_EQ(view->rowCount(), 5);  // four lines and one file that no line names
    for (int row = 0; row < view->rowCount(); ++row) {
        SCOPED_TRACE(row);
        const InstalledGrid::Tile tile = grid->tile(row);
        EXPECT_EQ(tile.problem, view->cellText(row, frmInstalled::ColState) != "OK");
        EXPECT_TRUE(tile.toolTip.contains(view->cellText(row, frmInstalled::ColState)));
        const QString player = view->cellText(row, frmInstalled::ColPlayer);
        if (!player.isEmpty() && player != "not in the edit file") {
            EXPECT_EQ(tile.title, player);
        }
    }
    const InstalledGrid::Tile sample = grid->tile(view->rowOfLine(1));
    EXPECT_EQ(sample.face, State::Ready);
    EXPECT_EQ(sample.hair, State::Ready);
    EXPECT_EQ(grid->tile(view->rowOfLine(3)).team, "Team A");
    EXPECT_EQ(grid->tile(view->rowOfLine(3)).title, "Oren Vasko");
    EXPECT_EQ(grid->tile(view->rowOfLine(2)).title, "ID 99");
    EXPECT_FALSE(grid->tile(view->rowOfLine(2)).hasFace);  // missing: nothing to picture
    EXPECT_EQ(grid->tile(4).title, "Spare_Hair");

    // An undecodable model: a marked placeholder whose tooltip says why.
    const InstalledGrid::Tile broken = grid->tile(view->rowOfLine(4));
    EXPECT_EQ(broken.face, State::Failed);
    EXPECT_TRUE(broken.toolTip.contains("Face: ")) << broken.toolTip.toStdString();

    // A pick in the grid is the table's pick: the preview follows.
    grid->setCurrentIndex(grid->model()->index(view->rowOfLine(1), frmInstalled::ColPlayer));
    EXPECT_EQ(view->Table->currentIndex().row(), view->rowOfLine(1));
    EXPECT_TRUE(view->FaceImg->hasPicture() && view->HairImg->hasPicture());

    // Type-ahead finds a player by name.
    grid->keyboardSearch("Oren");
    EXPECT_EQ(grid->currentIndex().row(), view->rowOfLine(3));

    // The filter and the removal act on the same rows.
    view->chkProblems->click();
    EXPECT_EQ(grid->model()->rowCount(), view->rowCount());
    view->chkProblems->click();
    grid->selectionModel()->clear();
    grid->setCurrentIndex(grid->model()->index(view->rowOfLine(3), frmInstalled::ColPlayer));
    env.ui.answers = {true};
    view->cmdRemove->click();
    ASSERT_EQ(env.ui.shown.back().kind, "confirm");
    EXPECT_TRUE(env.ui.shown.back().text.contains("Oren_Face.bin")) << env.ui.shown.back().text.toStdString();
    EXPECT_FALSE(QFile::exists(face + "/Team A/Oren_Face.bin"));
    EXPECT_EQ(grid->model()->rowCount(), 4);

    // Back to the table: the workers stop.
    view->chkPictures->click();
    EXPECT_TRUE(view->Table->isVisible());
    EXPECT_EQ(ThumbnailLoader::runningWorkers(), 0);
}

TEST_F(InstalledGridWindow, AChangedModelGetsANewThumbnailAndADamagedCacheFileIsMadeAgain)
{
    waitForPictures();
    const QString sample = cacheFileOf("Sample Player_face.bin");
    const QByteArray first = TestEnv::readFile(sample);
    ASSERT_FALSE(first.isEmpty());
    ThumbnailCache::Key key;
    ThumbnailCache::Entry entry;
    ASSERT_TRUE(ThumbnailCache::decode(first, &key, &entry).ok);
    EXPECT_EQ(entry.picture.width, 128);

    // A new texture of the same file: its size and time no longer match.
    TestEnv::writeFile(face + "/Sample Player_face.bin", modelOf(64));
    const QByteArray damaged = TestEnv::readFile(cacheFileOf("Spare_Hair.bin")).left(50);
    TestEnv::writeFile(cacheFileOf("Spare_Hair.bin"), damaged);
    view->cmdReload->click();
    waitForPictures();
    ASSERT_TRUE(ThumbnailCache::decode(TestEnv::readFile(sample), &key, &entry).ok);
    EXPECT_EQ(entry.picture.width, 64);
    EXPECT_EQ(grid->tile(view->rowOfLine(1)).face, State::Ready);
    ASSERT_TRUE(ThumbnailCache::decode(TestEnv::readFile(cacheFileOf("Spare_Hair.bin")), &key, &entry).ok);
    EXPECT_EQ(grid->tile(4).hair, State::Ready);
}

TEST_F(InstalledGridWindow, ClosingTheWindowMidDecodeLeavesNoThreadAndNoScratchFile)
{
    QByteArray lines;
    const QByteArray big = modelOf(1024);
    for (int i = 0; i < 150; ++i) {
        const QByteArray name = "P" + QByteArray::number(i) + "_Face.bin";
        TestEnv::writeFile(face + "/" + QString::fromLatin1(name), big);
        lines += QByteArray::number(1000 + i) + ", \"" + name + "\"\r\n";
    }
    TestEnv::writeFile(face + "/map.txt", lines);
    view->cmdReload->click();
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_GT(ThumbnailLoader::runningWorkers(), 0);
    view->close();
    WindowEnv::settle();
    EXPECT_TRUE(view.isNull());
    EXPECT_EQ(ThumbnailLoader::runningWorkers(), 0);
    EXPECT_EQ(QDir(cacheFolder()).entryList({"*.part"}, QDir::Files), QStringList());
    for (const QString& f : QDir(cacheFolder()).entryList({"*.thumb"}, QDir::Files)) {
        ThumbnailCache::Key key;
        ThumbnailCache::Entry entry;
        EXPECT_TRUE(ThumbnailCache::decode(TestEnv::readFile(cacheFolder() + "/" + f), &key, &entry).ok)
            << f.toStdString();
    }
}

}  // namespace
