// ludex-manager --demo: the window on a fresh sample world, with the user's
// own settings neither read nor written.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QTemporaryDir>

#include "platform/FolderList.h"
#include "platform/SettingsStore.h"
#include "sample/SampleWorld.h"
#include "shell/SampleWindow.h"
#include "support/WindowEnv.h"

namespace {

TEST(DemoTest, OpensOnTheSampleWorldAndLeavesTheUsersSettingsAlone)
{
    // The user's real store, in a home of the test's own for this test alone.
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] { qputenv("HOME", oldHome), qputenv("XDG_CONFIG_HOME", oldConfig); });
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + "/.config"));
    const QString real = SettingsStore::defaultLocation(kSettingsApp);
    ASSERT_TRUE(real.startsWith(home.path())) << real.toStdString();

    // First with nothing stored, then with the user's own locations stored.
    for (const bool stored : {false, true}) {
        SCOPED_TRACE(stored);
        if (stored) SettingsStore().SaveSetting(kSettingsApp, kSettingsSection, "Edit", home.path() + "/own/EDIT.bin");
        const QByteArray before = TestEnv::readFile(real);

        ScriptedUi ui;
        MainOptions options;
        options.ui = &ui;
        options.webEngine = false;
        QString why;
        std::unique_ptr<SampleWindow> sample = SampleWindow::open(options, &why);
        ASSERT_TRUE(sample) << why.toStdString();
        const SampleWorld& world = sample->world();
        frmMain& w = sample->window();
        WindowEnv::showAndSettle(w);

        // Players listed, the edit file found (no "Lack - "), the pack in the archive list.
        EXPECT_TRUE(ui.messages().isEmpty());
        EXPECT_EQ(w.Lokalizacja->text(), world.editFile());
        EXPECT_EQ(w.List1->item(1)->text(), SampleWorld::players()[1]);
        EXPECT_EQ(w.List2->item(1)->text(), SampleWorld::teams()[1]);
        EXPECT_EQ(w.Rar->findItems("Sample Face Pack", Qt::MatchContains).size(), 1);
        EXPECT_FALSE(w.options().gameSearch.has_value());  // the user's home is never searched

        // Both menu commands store into the world's settings.
        ui.files = {world.editFile()};
        w.mnuOpen_Click();
        ui.folders = {world.downloads()};
        w.mnuOpen2_Click();
        EXPECT_EQ(SettingsStore(world.settingsFile()).GetSetting(kSettingsApp, kSettingsSection, "Map", ""),
                  world.downloads());

        const QString root = world.root();
        sample.reset();
        EXPECT_FALSE(QFileInfo::exists(root));
        EXPECT_EQ(QFileInfo::exists(real), stored);
        EXPECT_EQ(TestEnv::readFile(real), before);
    }
}

}  // namespace
