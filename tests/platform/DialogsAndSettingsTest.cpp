#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QWidget>

#include "platform/Common_Dialog.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/UiSeam.h"
#include "platform/modBrowseFolder.h"
#include "platform/modSetAlphaIcon.h"
#include "support/ScriptedUi.h"

namespace {

TEST(CommonDialog, FilterBecomesToolkitForm)
{
    EXPECT_EQ(Common_Dialog::toToolkitFilter("Edit.bin (*.bin)|*.bin| All Files (*.*)|*.*"),
              "Edit.bin (*.bin);;All Files (*)");
    EXPECT_EQ(Common_Dialog::toToolkitFilter("Face Pack.rar (*.rar)|*.rar| All Files (*.*)|*.*"),
              "Face Pack.rar (*.rar);;All Files (*)");
    EXPECT_EQ(Common_Dialog::toToolkitFilter("Pictures|*.bmp;*.JPG|"), "Pictures (*.bmp *.JPG)");
    EXPECT_EQ(Common_Dialog::toToolkitFilter(""), "");
}

TEST(CommonDialog, ChoiceCancelAndTitleName)
{
    ScriptedUi ui;
    ui.files = {"  /games/pes/Edit.bin ", ""};
    Common_Dialog dialog(ui);
    EXPECT_EQ(dialog.TitleName(), "");
    EXPECT_EQ(dialog.OpenFileName(nullptr, "Open Edit File", "ignored", "Edit.bin (*.bin)|*.bin| All Files (*.*)|*.*"),
              "/games/pes/Edit.bin");
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].title, "Open Edit File");
    EXPECT_EQ(ui.shown[0].text, "Edit.bin (*.bin);;All Files (*)");
    EXPECT_EQ(dialog.TitleName(), "Edit.bin");

    // Cancel: "-1", and the remembered file stays.
    EXPECT_EQ(dialog.OpenFileName(nullptr, "t", ""), "-1");
    EXPECT_TRUE(IsNumeric(dialog.OpenFileName(nullptr, "t", "")));
    EXPECT_EQ(dialog.TitleName(), "Edit.bin");

    ScriptedUi ui2;
    ui2.files = {"C:\\Face.bin", "plain.bin"};
    Common_Dialog windowsPath(ui2);
    windowsPath.OpenFileName(nullptr, "t", "");
    EXPECT_EQ(windowsPath.TitleName(), "Face.bin");
    windowsPath.OpenFileName(nullptr, "t", "");
    EXPECT_EQ(windowsPath.TitleName(), "plain.bin");
}

TEST(CommonDialog, IsNumericReadsNumbersOnly)
{
    for (const char* yes : {"-1", "12", " 3 ", "1.5", "+7", ".5", "1e3"}) EXPECT_TRUE(IsNumeric(yes)) << yes;
    for (const char* no : {"", " ", "abc", "/tmp/x", "1.2.3", "-", "12abc", "C:\\1"}) EXPECT_FALSE(IsNumeric(no)) << no;
}

TEST(BrowseFolder, AnswerOrEmpty)
{
    ScriptedUi ui;
    ui.folders = {"/faces", ""};
    EXPECT_EQ(modBrowseFolder::BrowseForFolder(ui, "a"), "/faces");
    EXPECT_EQ(modBrowseFolder::BrowseForFolder(ui, "a"), "");
    EXPECT_EQ(ui.shown.back().title, "a");
}

TEST(SetAlphaIcon, AppliesToWindowAndOwner)
{
    EXPECT_FALSE(modSetAlphaIcon::loadIcon("APPICON").isNull());
    EXPECT_TRUE(modSetAlphaIcon::loadIcon("NOSUCHICON").isNull());

    QWidget owner;
    QWidget dialog(&owner, Qt::Dialog);
    modSetAlphaIcon::SetIcon(&dialog, "APPICON", false);
    EXPECT_FALSE(dialog.windowIcon().isNull());
    EXPECT_TRUE(owner.windowIcon().availableSizes().isEmpty());

    modSetAlphaIcon::SetIcon(&dialog, "APPICON", true);
    EXPECT_FALSE(owner.windowIcon().availableSizes().isEmpty());
    modSetAlphaIcon::SetIcon(&dialog, "NOSUCHICON", true);  // no failure, default icon back
    EXPECT_TRUE(dialog.windowIcon().availableSizes().isEmpty());
    modSetAlphaIcon::SetIcon(nullptr, "APPICON", true);
}

TEST(DesktopUi, ProgressRunsWithoutBlocking)
{
    // The only desktop dialog a test may open: a progress bar never waits.
    auto progress = UiSeam::desktop().progress(nullptr, "Unpacking", qint64(1) << 40);
    progress->setLabel("Still unpacking");
    for (qint64 v : {qint64(0), qint64(1) << 39, qint64(1) << 40, qint64(1) << 41}) progress->setValue(v);
    EXPECT_FALSE(progress->wasCanceled());
}

TEST(SettingsStoreTest, RoundTripAndDefault)
{
    QTemporaryDir tmp;
    const QString ini = tmp.filePath("nested/settings.ini");
    {
        SettingsStore store(ini);
        EXPECT_EQ(store.GetSetting(kSettingsApp, kSettingsSection, "Edit", kSettingsDefault), "Change...");
        store.SaveSetting(kSettingsApp, kSettingsSection, "Edit", "/games/Edit.bin");
        store.SaveSetting(kSettingsApp, kSettingsSection, "Map", "");
    }
    SettingsStore again(ini);  // saved at once, seen by a new store
    EXPECT_EQ(again.GetSetting(kSettingsApp, kSettingsSection, "Edit", kSettingsDefault), "/games/Edit.bin");
    EXPECT_EQ(again.GetSetting(kSettingsApp, kSettingsSection, "Map", kSettingsDefault), "");
    EXPECT_EQ(again.GetSetting(kSettingsApp, "Other", "Edit", "d"), "d");
    EXPECT_TRUE(SettingsStore::defaultLocation(kSettingsApp).contains("Ludex Face Virarur"));
}

TEST(ProgramFolderTest, JoinMapsLiterals)
{
#ifndef Q_OS_WIN
    EXPECT_EQ(ProgramFolder::join("/p", "\\Archive\\"), "/p/Archive/");
    EXPECT_EQ(ProgramFolder::join("/p", "\\Face"), "/p/Face");
    EXPECT_EQ(ProgramFolder::join("/p/", "\\Face"), "/p/Face");
    EXPECT_EQ(ProgramFolder::join("/", "\\Face"), "/Face");
#endif
    EXPECT_FALSE(ProgramFolder::defaultPath().isEmpty());
}

}  // namespace
