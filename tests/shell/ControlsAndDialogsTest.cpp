#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "platform/Common_Dialog.h"
#include "platform/FolderList.h"
#include "platform/ImageBox.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

namespace {

class ControlsTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString at(const QString& relative) const { return QDir::cleanPath(tmp.path()) + "/" + relative; }
};

TEST_F(ControlsTest, FolderListChangeRefreshClickAndDoubleClick)
{
    for (const char* sub : {"Face/beta", "Face/Alpha", "Face/gamma/inner"}) QDir().mkpath(at(sub));
    FolderList list;
    list.resize(300, 600);
    list.show();
    QSignalSpy change(&list, &FolderList::Change);
    QSignalSpy click(&list, &FolderList::Click);
    EXPECT_FALSE(list.setPath(at("Face/none")));
    ASSERT_TRUE(list.setPath(at("Face/")));
    list.setPath(at("Face/./beta/.."));  // the same folder: no second Change
    const int rows = list.count();       // the root down to "Face", then its three sub-folders
    QDir().mkpath(at("Face/Delta"));
    QDir(at("Face/beta")).removeRecursively();
    list.Refresh();
    ASSERT_EQ(list.count(), rows);
    EXPECT_EQ(list.item(rows - 2)->text().trimmed(), "Delta");  // sorted, letter case ignored
    EXPECT_EQ(change.count(), 1);
    // Ancestors and sub-folders show icons of one size, so the rows are of one height.
    EXPECT_EQ(list.sizeHintForRow(0), list.sizeHintForRow(rows - 1));

    const QPoint alpha = list.visualItemRect(list.item(rows - 3)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, alpha);
    EXPECT_EQ(click.count(), 1);
    EXPECT_EQ(list.selectedFolder(), at("Face/Alpha"));
    EXPECT_EQ(change.count(), 1);  // a click only selects
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, alpha);
    EXPECT_EQ(list.Path(), at("Face/Alpha"));
    EXPECT_EQ(change.count(), 2);
}

TEST_F(ControlsTest, FileListPatternsAndSelectionKeptOnRefresh)
{
    for (const char* name : {"face.bin", "FACE.BIN", "hairbin", "b.txt"}) TestEnv::writeFile(at(name), "x");
    QDir().mkpath(at("folder.bin"));
    FileList dotted("*.bin");
    FileList plain("*bin");
    ASSERT_TRUE(dotted.setPath(at("")) && plain.setPath(at("")));
    EXPECT_EQ(dotted.count(), 2);  // the two ".bin" files, not the folder
    EXPECT_FALSE(dotted.selectFile("hairbin"));
    EXPECT_EQ(plain.count(), 3);
    EXPECT_TRUE(plain.selectFile("HAIRBIN"));
    plain.Refresh();
    EXPECT_EQ(plain.FileName(), "hairbin");
}

TEST_F(ControlsTest, ImageBoxKeepsItsPictureOnAFailedLoad)
{
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(at("p.bmp")));
    TestEnv::writeFile(at("bad.bmp"), "not a picture");
    ImageBox box;
    ASSERT_TRUE(box.loadPicture(at("p.bmp")));
    EXPECT_FALSE(box.loadPicture(at("bad.bmp")));
    EXPECT_EQ(box.picture().size(), QSize(4, 2));
    box.showPlaceholder();
    EXPECT_EQ(box.text(), "No preview");
}

TEST_F(ControlsTest, SettingsRoundTripAndDefault)
{
    SettingsStore(at("s/s.ini")).SaveSetting(kSettingsApp, kSettingsSection, "Edit", "/games/Edit.bin");
    const SettingsStore again(at("s/s.ini"));  // saved at once, seen by a new store
    EXPECT_EQ(again.GetSetting(kSettingsApp, kSettingsSection, "Edit", kSettingsDefault), "/games/Edit.bin");
    EXPECT_EQ(again.GetSetting(kSettingsApp, kSettingsSection, "Face", kSettingsDefault), "Change...");
}

TEST(CommonDialog, FilterCancelAndTitleName)
{
    ScriptedUi ui;
    ui.files = {"  /games/kickvale/Edit.bin ", ""};
    Common_Dialog dialog(ui);
    EXPECT_EQ(dialog.OpenFileName(nullptr, "Open", "", "Edit.bin (*.bin)|*.bin| All Files (*.*)|*.*"),
              "/games/kickvale/Edit.bin");
    EXPECT_EQ(ui.shown.back().text, "Edit.bin (*.bin);;All Files (*)");
    EXPECT_EQ(dialog.TitleName(), "Edit.bin");
    EXPECT_EQ(dialog.OpenFileName(nullptr, "t", ""), "-1");  // cancelled
    EXPECT_EQ(dialog.TitleName(), "Edit.bin");               // the last chosen file is remembered
}

}  // namespace
