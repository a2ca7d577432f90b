// The first start with nothing stored: the game found in a Wine prefix of the
// world's own home is offered after the window's activation; accepted it is
// taken and stored, declined nothing changes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <algorithm>

#include "editdb/EditFileBuilder.h"
#include "platform/FolderList.h"
#include "shell/frmMain.h"
#include "support/FakeGameHome.h"
#include "support/WindowEnv.h"

namespace {

QString real(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

// A Wine prefix in the world's home holding the game's edit file and face folder.
struct PlantedGame {
    explicit PlantedGame(const WindowEnv& env) : home(env.home())
    {
        const QString wine = home.prefix(".wine");
        face = real(home.faceFolder(wine, FakeGameHome::programFolder() + "/Visagery/Ludex/Face"));
        const QString file = wine + "/drive_c/" + FakeGameHome::documentsFolder() + "/save/EDIT.bin";
        QDir().mkpath(QFileInfo(file).path());
        edit = real(EditFileBuilder().player(0, 12345, "Sample Player").team(0, "Sample Team").write(file));
    }
    FakeGameHome home;
    QString edit, face;
};

void showAndWaitForTheSearch(frmMain& window)
{
    WindowEnv::showAndSettle(window);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.gameSearchPending(); }, 10000));
    WindowEnv::settle();
}

int offers(const ScriptedUi& ui)
{
    return int(std::count_if(ui.shown.begin(), ui.shown.end(), [](const auto& s) { return s.kind == "locations"; }));
}

TEST(FirstStartTest, OffersWhatWasFoundAfterTheActivationAndStoresItOnlyWhenAccepted)
{
    for (const bool accept : {true, false}) {
        SCOPED_TRACE(accept ? "accepted" : "declined");
        WindowEnv env;
        const PlantedGame game(env);
        if (accept) env.ui.locationAnswers = {UiSeam::Locations{game.edit, game.face}};
        auto window = env.openWindow();
        EXPECT_EQ(window->Lokalizacja->text(), "Change...");
        showAndWaitForTheSearch(*window);

        // The activation's own message first, then the offer, once.
        ASSERT_EQ(env.ui.shown.size(), 2u);
        EXPECT_EQ(env.ui.shown[0].text, "Lack - Change...");
        EXPECT_EQ(env.ui.shown[1].kind, "locations");
        EXPECT_EQ(env.ui.shown[1].text, "Use these locations?");
        EXPECT_EQ(env.ui.offeredEditFiles, QStringList{game.edit});
        EXPECT_EQ(env.ui.offeredFaceFolders, QStringList{game.face});

        if (accept) {
            EXPECT_EQ(env.storedSetting("Edit"), game.edit);
            EXPECT_EQ(env.storedSetting("Map"), game.face);
            EXPECT_EQ(window->Lokalizacja2->text(), game.face);
            ASSERT_GT(window->List1->count(), 0);
            EXPECT_EQ(window->List1->item(0)->text(), "Sample Player");
            EXPECT_EQ(window->List2->item(0)->text(), "Sample Team");
            EXPECT_EQ(QDir(window->Dir2->Path()), QDir(game.face));
        } else {
            EXPECT_FALSE(QFileInfo::exists(env.settingsFile()));
            EXPECT_EQ(window->Lokalizacja->text(), "Change...");
            EXPECT_EQ(window->Lokalizacja2->text(), "Change...");
            EXPECT_EQ(window->List1->count(), 0);
        }
        // Offered once: a later activation does not ask again.
        window->hide();
        WindowEnv::showAndSettle(*window);
        EXPECT_EQ(offers(env.ui), 1);
    }
}

TEST(FirstStartTest, NoSearchOnceALocationIsStoredAndNoOfferWhenNothingIsFound)
{
    {
        WindowEnv env;
        const PlantedGame game(env);
        env.storeLocations(game.edit, "Change...");
        auto window = env.openWindow();
        EXPECT_FALSE(window->gameSearchPending());
        WindowEnv::showAndSettle(*window);
        EXPECT_TRUE(env.ui.offeredEditFiles.isEmpty());
    }
    {
        WindowEnv env;  // a home with nothing of the game's
        auto window = env.openWindow();
        showAndWaitForTheSearch(*window);
        EXPECT_EQ(env.ui.messages(), QStringList{"Lack - Change..."});
        EXPECT_EQ(env.ui.shown.size(), 1u);
    }
    // A seam without a box of its own asks about the first of each.
    ScriptedUi ui;
    ui.answers = {true, false};
    const auto first = ui.UiSeam::chooseLocations(nullptr, {"/e/1/EDIT.bin", "/e/2/EDIT.bin"}, {"/f/Ludex/Face"});
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->editFile, "/e/1/EDIT.bin");
    EXPECT_EQ(first->faceFolder, "/f/Ludex/Face");
    EXPECT_EQ(ui.shown[0].text, "Use these locations?\n\nEdit file: /e/1/EDIT.bin\nFace folder: /f/Ludex/Face");
    EXPECT_FALSE(ui.UiSeam::chooseLocations(nullptr, {}, {"/f/Ludex/Face"}).has_value());
    EXPECT_FALSE(ui.UiSeam::chooseLocations(nullptr, {}, {}).has_value());
    EXPECT_EQ(ui.shown.size(), 2u);
}

}  // namespace
