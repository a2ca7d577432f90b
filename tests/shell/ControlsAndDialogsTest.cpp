#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "platform/Common_Dialog.h"
#include "platform/FolderList.h"
#include "support/ScriptedUi.h"

namespace {

TEST(ControlsTest, FolderListChangeRefreshClickAndDoubleClick)
{
    QTemporaryDir tmp;
    const auto at = [&tmp](const QString& relative) { return QDir::cleanPath(tmp.path()) + "/" + relative; };
    for (const char* sub : {"Face/beta", "Face/Alpha", "Face/gamma/inner"}) QDir().mkpath(at(sub));
    FolderList list;
    list.resize(300, 600);
    list.show();
    QSignalSpy change(&list, &FolderList::Change);
    QSignalSpy click(&list, &FolderList::Click);
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
