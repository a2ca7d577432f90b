#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "archive/UnRarExtractor.h"
#include "platform/FolderList.h"
#include "platform/ImageBox.h"
#include "shell/frmMain.h"
#include "support/DdsWriter.h"
#include "support/ModelFileBuilder.h"
#include "support/PackFixtures.h"
#include "support/RarWriter.h"
#include "support/TestEnv.h"

namespace {

using Tree = QMap<QString, QByteArray>;
using Version = RarWriter::Version;

QStringList shownNames(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    names.sort();
    return names;
}

QByteArray modelFile(int seed)
{
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(QColor(seed * 40 % 256, 90, 200));
    return ModelFileBuilder().dds(DdsWriter::rgba32(image).bytes).bytes();
}

class ArchiveWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        env.storeLocations(env.path("none.bin"), env.faceFolder());
        window = env.openWindow();
        archive = QDir(env.programFolder()).filePath("Archive");
    }
    QString pack(const QString& name, const std::vector<RarWriter::Entry>& entries, Version v = Version::Rar5)
    {
        const QString path = env.path("packs/" + name);
        EXPECT_TRUE(RarWriter::write(path, v, entries));
        return path;
    }
    void importPack(const QString& path)
    {
        env.ui.files.push_back(path);
        window->cmd_FacePack->click();
    }
    QString workingFile(const char* name) const { return QDir(env.programFolder()).filePath(name); }

    TestEnv env;
    std::unique_ptr<frmMain> window;
    QString archive;
};

TEST_F(ArchiveWindow, ChooserCancelOrAMissingPathChangesNothing)
{
    window->Un->setText("earlier.rar");
    window->cmd_FacePack->click();  // no answer: cancelled
    ASSERT_FALSE(env.ui.shown.empty());
    EXPECT_EQ(env.ui.shown.back().kind, "open");
    EXPECT_EQ(env.ui.shown.back().title, "Face Pack.rar");
    EXPECT_TRUE(env.ui.shown.back().text.contains("*.rar"));
    env.ui.files.push_back(env.path("packs/missing.rar"));
    window->cmd_FacePack->click();
    EXPECT_EQ(window->Un->text(), "earlier.rar");
    EXPECT_FALSE(QFileInfo::exists(archive));
    EXPECT_TRUE(env.ui.messages().isEmpty());
}

TEST_F(ArchiveWindow, ImportFillsTheArchiveAndTheListsFollowRar)
{
    const QString path = pack("Season.rar", {{"top_face.bin", "t"},
                                             {"Team A/face.bin", "f"},
                                             {"Team A/FACE.BIN", "F"},
                                             {"Team A/hairbin", "h"},
                                             {"Team A/notes.txt", "n"}},
                              Version::Rar4);
    importPack(path);
    EXPECT_EQ(window->Un->text(), path);
    EXPECT_TRUE(env.ui.messages().isEmpty()) << env.ui.messages().join("|").toStdString();
    EXPECT_EQ(PackFixtures::snapshot(archive).size(), 6);
    // The archive was made by this import: Rar goes there.
    EXPECT_EQ(QDir::cleanPath(window->Rar->Path()), QDir::cleanPath(archive));
    EXPECT_EQ(shownNames(window->ARCH[0]), QStringList{"top_face.bin"});

    ASSERT_TRUE(window->Rar->setPath(archive + "/Team A"));
    EXPECT_EQ(shownNames(window->ARCH[0]), (QStringList{"FACE.BIN", "face.bin"}));
    EXPECT_EQ(shownNames(window->ARCH[1]), (QStringList{"FACE.BIN", "face.bin", "hairbin"}));

    // A second pack shows up in the open folder without moving Rar.
    importPack(pack("More.rar", {{"Team A/new_hair.bin", "x"}}));
    EXPECT_EQ(QDir::cleanPath(window->Rar->Path()), QDir::cleanPath(archive + "/Team A"));
    EXPECT_TRUE(shownNames(window->ARCH[1]).contains("new_hair.bin"));
    EXPECT_TRUE(window->cmd_FacePack->isEnabled());
}

TEST_F(ArchiveWindow, APackThatCannotBeUnpackedIsReportedAndChangesNothing)
{
    importPack(pack("one.rar", {{"Team/a.bin", "a"}}));
    const Tree before = PackFixtures::snapshot(archive);
    TestEnv::writeFile(env.path("packs/readme.rar"), "just text");
    importPack(env.path("packs/readme.rar"));
    ASSERT_EQ(env.ui.messages().size(), 1);
    EXPECT_TRUE(env.ui.messages()[0].contains("readme.rar"));
    EXPECT_EQ(env.ui.messageIcons()[0], UiSeam::Icon::Warning);
    EXPECT_EQ(PackFixtures::snapshot(archive), before);
    EXPECT_EQ(window->Un->text(), env.path("packs/readme.rar"));
}

TEST_F(ArchiveWindow, CancelInTheProgressDialogLeavesTheArchiveAsItWas)
{
    importPack(pack("one.rar", {{"Team/a.bin", "a"}}));
    const Tree before = PackFixtures::snapshot(archive);
    env.ui.cancelProgressAfter = env.ui.progressSteps + 2;
    importPack(pack("big.rar", {{"Team/a.bin", "new"}, {"Team/b.bin", PackFixtures::modelBytes(3 << 20, 1)}}));
    EXPECT_EQ(PackFixtures::snapshot(archive), before);
    EXPECT_TRUE(env.ui.messages().isEmpty());
    EXPECT_TRUE(window->cmd_FacePack->isEnabled());
    bool progressShown = false;
    for (const auto& s : env.ui.shown) progressShown = progressShown || s.kind == "progress";
    EXPECT_TRUE(progressShown);
}

class EntryImport : public ArchiveWindow {
protected:
    void SetUp() override
    {
        ArchiveWindow::SetUp();
        importPack(pack("p.rar", {{"Team/good_face.bin", modelFile(1)},
                                  {"Team/good_hair.bin", modelFile(2)},
                                  {"Team/junk_face.bin", "junk"}}));
        ASSERT_TRUE(window->Rar->setPath(archive + "/Team"));
        TestEnv::writeFile(workingFile("Face"), "old face");
        TestEnv::writeFile(workingFile("Hair"), "old hair");
    }
    bool select(int list, const QString& name) { return window->ARCH[list]->selectFile(name); }
};

TEST_F(EntryImport, FaceAndHairReplaceBothWorkingFilesAndPreviewBoth)
{
    window->Op[3]->setChecked(true);
    ASSERT_TRUE(select(0, "good_face.bin") && select(1, "good_hair.bin"));
    window->cmd_Import->click();
    EXPECT_EQ(TestEnv::readFile(workingFile("Face")), modelFile(1));
    EXPECT_EQ(TestEnv::readFile(workingFile("Hair")), modelFile(2));
    EXPECT_TRUE(window->FaceImg2->hasPicture());
    EXPECT_TRUE(window->HairImg2->hasPicture());
    EXPECT_TRUE(window->GroupBox14->isEnabled());
    EXPECT_TRUE(window->List1->isEnabled());
    EXPECT_TRUE(env.ui.messages().isEmpty());
}

TEST_F(EntryImport, OnlyFaceAndOnlyHairTouchTheirOwnSide)
{
    window->Op[4]->setChecked(true);
    ASSERT_TRUE(select(0, "good_face.bin"));
    window->cmd_Import->click();
    EXPECT_EQ(TestEnv::readFile(workingFile("Face")), modelFile(1));
    EXPECT_EQ(TestEnv::readFile(workingFile("Hair")), "old hair");
    EXPECT_TRUE(window->FaceImg2->hasPicture());
    EXPECT_FALSE(window->HairImg2->hasPicture());

    window->Op[5]->setChecked(true);
    ASSERT_TRUE(select(1, "good_hair.bin"));
    window->cmd_Import->click();
    EXPECT_EQ(TestEnv::readFile(workingFile("Face")), modelFile(1));
    EXPECT_EQ(TestEnv::readFile(workingFile("Hair")), modelFile(2));
    EXPECT_TRUE(window->HairImg2->hasPicture());
    EXPECT_TRUE(window->GroupBox14->isEnabled());
}

TEST_F(EntryImport, AFailedPreviewKeepsTheCopyRunsTheOtherAndOffersTheExport)
{
    window->Op[3]->setChecked(true);
    ASSERT_TRUE(select(0, "junk_face.bin") && select(1, "good_hair.bin"));
    window->cmd_Import->click();
    EXPECT_EQ(TestEnv::readFile(workingFile("Face")), "junk");
    EXPECT_FALSE(window->FaceImg2->hasPicture());
    EXPECT_TRUE(window->HairImg2->hasPicture());
    EXPECT_TRUE(window->GroupBox14->isEnabled());
    EXPECT_TRUE(env.ui.messages().isEmpty());
}

TEST_F(EntryImport, NoSelectionOrAFailedCopyTellsTheUserAndChangesNothing)
{
    window->Op[3]->setChecked(true);
    ASSERT_TRUE(select(0, "good_face.bin"));
    window->ARCH[1]->clearSelection();
    window->ARCH[1]->setCurrentRow(-1);
    window->cmd_Import->click();
    ASSERT_EQ(env.ui.messages().size(), 1);
    EXPECT_TRUE(env.ui.messages()[0].contains("Change Hair"));

    // The hair entry vanished after the list was read: the face is not replaced either.
    ASSERT_TRUE(select(1, "good_hair.bin"));
    ASSERT_TRUE(QFile::remove(archive + "/Team/good_hair.bin"));
    window->cmd_Import->click();
    ASSERT_EQ(env.ui.messages().size(), 2);
    EXPECT_TRUE(env.ui.messages()[1].contains("good_hair.bin"));

    EXPECT_EQ(TestEnv::readFile(workingFile("Face")), "old face");
    EXPECT_EQ(TestEnv::readFile(workingFile("Hair")), "old hair");
    EXPECT_FALSE(window->FaceImg2->hasPicture());
    EXPECT_FALSE(window->GroupBox14->isEnabled());
    EXPECT_FALSE(window->List1->isEnabled());
}

TEST_F(ArchiveWindow, ClearingEmptiesTheArchiveAndTakesTheListsBack)
{
    importPack(pack("p.rar", {{"top.bin", "t"}, {"Team A/a.bin", "a"}, {"Team B/Sub/b.bin", "b"}}));
    ASSERT_TRUE(window->Rar->setPath(archive + "/Team A"));
    QDir().mkpath(env.faceFolder() + "/Some Team");
    ASSERT_TRUE(window->Dir->setPath(env.faceFolder() + "/Some Team"));
    ASSERT_TRUE(window->Dir2->setPath(env.faceFolder() + "/Some Team"));
    TestEnv::writeFile(env.faceFolder() + "/map.txt", "keep");

    window->cmd_Clear_Archive->click();
    EXPECT_TRUE(QFileInfo(archive).isDir());
    EXPECT_TRUE(PackFixtures::snapshot(archive).isEmpty());
    EXPECT_EQ(QDir::cleanPath(window->Dir->Path()), QDir::cleanPath(env.faceFolder()));
    EXPECT_EQ(QDir::cleanPath(window->Dir2->Path()), QDir::cleanPath(env.faceFolder()));
    EXPECT_EQ(QDir::cleanPath(window->Rar->Path()), QDir::cleanPath(archive));
    EXPECT_EQ(window->ARCH[0]->count(), 0);
    EXPECT_EQ(window->ARCH[1]->count(), 0);
    EXPECT_EQ(TestEnv::readFile(env.faceFolder() + "/map.txt"), "keep");

    window->cmd_Clear_Archive->click();  // an empty archive: nothing happens, nothing is said
    EXPECT_TRUE(QFileInfo(archive).isDir());
    EXPECT_TRUE(env.ui.messages().isEmpty());
}

}  // namespace
