// The main window's life: start-up, activation, the location menus and close.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "models/ScratchFiles.h"
#include "platform/FolderList.h"
#include "platform/WebPane.h"
#include "shell/frmMain.h"
#include "support/EditFileBuilder.h"
#include "support/TestEnv.h"

namespace {

// Runs a block with the current folder set to an empty folder of its own,
// so that a stray relative folder would show up there.
class CurrentFolder {
public:
    explicit CurrentFolder(const QString& folder) : previous_(QDir::currentPath())
    {
        QDir().mkpath(folder);
        QDir::setCurrent(folder);
    }
    ~CurrentFolder() { QDir::setCurrent(previous_); }

private:
    QString previous_;
};

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

TEST(ShellStart, FirstStartWithNothingStored)
{
    TestEnv env;
    const QString cwd = env.path("cwd");
    CurrentFolder here(cwd);
    auto window = env.openWindow();

    EXPECT_EQ(window->Lokalizacja->text(), "Change...");
    EXPECT_EQ(window->Lokalizacja2->text(), "Change...");
    EXPECT_EQ(window->List1->count(), 0);
    EXPECT_EQ(window->List2->count(), 0);
    // The placeholder is no folder: nothing named after it appears anywhere.
    EXPECT_TRUE(entriesOf(cwd).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(env.path("program/Change...")));
    EXPECT_TRUE(window->Dir->Path().isEmpty());

    EXPECT_TRUE(env.ui.messages().isEmpty());  // nothing before the window shows
    TestEnv::showAndSettle(*window);
    ASSERT_EQ(env.ui.messages(), QStringList{"Lack - Change..."});
    EXPECT_EQ(env.ui.messageIcons().front(), UiSeam::Icon::None);
    // Nothing was stored by merely starting.
    EXPECT_EQ(env.storedSetting("Edit"), "<none>");
    EXPECT_EQ(env.storedSetting("Map"), "<none>");

    // Keys in the search fields of empty lists do nothing.
    QTest::keyClick(window->txtSearch, Qt::Key_Down);
    EXPECT_EQ(window->txtSearch->text(), "");
}

TEST(ShellStart, StoredLocationsLoadBothListsAndPointTheFolderLists)
{
    TestEnv env;
    const QString edit = env.writeFullEditFile();
    env.storeLocations(edit, env.faceFolder());
    QDir().mkpath(env.path("program/Archive/Pack"));
    // Working files of an earlier run are removed at start.
    TestEnv::writeFile(env.path("program/Face"), "old face");
    TestEnv::writeFile(env.path("program/Hair"), "old hair");
    TestEnv::writeFile(env.path("program/Face.bmp"), "kept until close");

    auto window = env.openWindow();
    EXPECT_EQ(window->Lokalizacja->text(), edit);
    EXPECT_EQ(window->Lokalizacja2->text(), env.faceFolder());
    ASSERT_EQ(window->List1->count(), 10160);
    EXPECT_EQ(window->List1->item(9)->text(), "Player 9");
    ASSERT_EQ(window->List2->count(), 339);
    EXPECT_EQ(window->List2->item(338)->text(), "Team 338");
    EXPECT_FALSE(QFileInfo::exists(env.path("program/Face")));
    EXPECT_FALSE(QFileInfo::exists(env.path("program/Hair")));
    EXPECT_TRUE(QFileInfo::exists(env.path("program/Face.bmp")));

    EXPECT_EQ(QDir(window->Rar->Path()), QDir(env.path("program/Archive")));
    EXPECT_EQ(QDir(window->Dir->Path()), QDir(env.faceFolder()));
    EXPECT_EQ(QDir(window->Dir2->Path()), QDir(env.faceFolder()));
    EXPECT_EQ(window->FolderText->text(), "Face");  // the folder list's change reaction ran

    TestEnv::showAndSettle(*window);
    EXPECT_TRUE(env.ui.messages().isEmpty());
}

TEST(ShellStart, MissingFaceFolderIsCreatedOnlyFromAnAbsolutePath)
{
    {
        TestEnv env;
        const QString face = env.path("Ludex/Other");
        env.storeLocations(env.writeFullEditFile(), face);
        auto window = env.openWindow();
        EXPECT_TRUE(QFileInfo(face).isDir());
        EXPECT_EQ(QDir(window->Dir->Path()), QDir(face));
        EXPECT_EQ(QDir(window->Dir2->Path()), QDir(face));
    }
    {
        // A folder whose parent is missing is not made (one level only), and
        // the lists stay unset.
        TestEnv env;
        const QString face = env.path("Nowhere/Deep/Face");
        env.storeLocations("", face);
        auto window = env.openWindow();
        EXPECT_FALSE(QFileInfo::exists(env.path("Nowhere")));
        EXPECT_TRUE(window->Dir->Path().isEmpty());
        EXPECT_EQ(window->List1->count(), 0);  // an empty edit path loads nothing
    }
    for (const QString& stored : {QString("Relative/Face"), QString("Face"), QString("")}) {
        TestEnv env;
        const QString cwd = env.path("cwd");
        CurrentFolder here(cwd);
        env.storeLocations("", stored);
        auto window = env.openWindow();
        EXPECT_TRUE(entriesOf(cwd).isEmpty()) << stored.toStdString();
        EXPECT_EQ(window->Lokalizacja2->text(), stored);
    }
}

TEST(ShellMenus, EditFileMenuReloadsOnlyThePlayerList)
{
    TestEnv env;
    env.storeLocations(env.writeFullEditFile("first.bin"), env.faceFolder());
    const QString second =
        EditFileBuilder().player(0, 7, "Second Zero").player(1, 8, "Second One").team(0, "New Team").write(
            env.path("second.bin"));
    auto window = env.openWindow();
    window->List1->setCurrentRow(4);

    env.ui.files.push_back(second);
    window->mnuOpen->trigger();
    ASSERT_FALSE(env.ui.shown.empty());
    EXPECT_EQ(env.ui.shown.front().kind, "open");
    EXPECT_EQ(env.ui.shown.front().title, "Open Edit File");
    EXPECT_TRUE(env.ui.shown.front().text.contains("*.bin"));

    ASSERT_EQ(window->List1->count(), 10160);
    EXPECT_EQ(window->List1->item(0)->text(), "Second Zero");
    EXPECT_EQ(window->List1->item(2)->text(), "");
    EXPECT_EQ(window->List2->item(0)->text(), "Team 0");  // teams stay as loaded at start
    EXPECT_EQ(window->Lokalizacja->text(), second);
    EXPECT_EQ(env.storedSetting("Edit"), second);

    // The new list answers picks from the new table.
    window->List1->setCurrentRow(1);
    EXPECT_EQ(window->txt[0]->text(), "8");
    EXPECT_EQ(window->txt[1]->text(), "Second One");
}

TEST(ShellMenus, EditFileMenuWithoutAChoiceStoresTheTypedText)
{
    TestEnv env;
    const QString first = env.writeFullEditFile("first.bin");
    env.storeLocations(first, env.faceFolder());
    auto window = env.openWindow();

    window->Lokalizacja->setText("typed by hand");
    window->mnuOpen->trigger();  // no answer queued: cancelled
    EXPECT_EQ(window->List1->count(), 10160);
    EXPECT_EQ(window->List1->item(0)->text(), "Player 0");
    EXPECT_EQ(window->Lokalizacja->text(), "typed by hand");
    EXPECT_EQ(env.storedSetting("Edit"), "typed by hand");

    // A chosen path where nothing exists changes nothing either.
    window->Lokalizacja->setText(first);
    env.ui.files.push_back(env.path("missing.bin"));
    window->mnuOpen->trigger();
    EXPECT_EQ(window->Lokalizacja->text(), first);
    EXPECT_EQ(window->List1->item(0)->text(), "Player 0");
    EXPECT_EQ(env.storedSetting("Edit"), first);
}

TEST(ShellMenus, FaceFolderMenuStoresTheChoiceAndKeepsItOnCancel)
{
    TestEnv env;
    env.storeLocations(env.writeFullEditFile(), env.faceFolder());
    const QString other = env.path("Other Face");
    QDir().mkpath(other);
    auto window = env.openWindow();

    env.ui.folders.push_back(other);
    window->mnuOpen2->trigger();
    ASSERT_FALSE(env.ui.shown.empty());
    EXPECT_EQ(env.ui.shown.back().kind, "folder");
    EXPECT_EQ(env.ui.shown.back().title, "a");
    EXPECT_EQ(window->Lokalizacja2->text(), other);
    EXPECT_EQ(env.storedSetting("Map"), other);
    // The folder lists follow from the next start on.
    EXPECT_EQ(QDir(window->Dir->Path()), QDir(env.faceFolder()));

    window->mnuOpen2->trigger();  // cancelled
    EXPECT_EQ(window->Lokalizacja2->text(), other);
    EXPECT_EQ(env.storedSetting("Map"), other);

    window.reset();
    auto again = env.openWindow();
    EXPECT_EQ(again->Lokalizacja2->text(), other);
    EXPECT_EQ(QDir(again->Dir->Path()), QDir(other));
}

TEST(ShellActivation, MissingEditFileIsReportedAtEveryActivation)
{
    TestEnv env;
    const QString folder = env.path("EditFolder.bin");
    QDir().mkpath(folder);
    env.storeLocations(folder, env.faceFolder());  // a folder is no edit file
    auto window = env.openWindow();
    TestEnv::showAndSettle(*window);
    EXPECT_EQ(env.ui.messages(), QStringList{"Lack - " + folder});

    // Handed back after another window of the program: activated again.
    window->hide();
    TestEnv::showAndSettle(*window);
    EXPECT_EQ(env.ui.messages().size(), 2);

    // The field's current text is what is checked.
    const QString edit = env.writeFullEditFile();
    window->Lokalizacja->setText(edit);
    window->hide();
    TestEnv::showAndSettle(*window);
    EXPECT_EQ(env.ui.messages().size(), 2);

    QFile::remove(edit);
    window->Form_Activate();
    EXPECT_EQ(env.ui.messages().size(), 3);
    EXPECT_EQ(env.ui.messages().back(), "Lack - " + edit);
}

TEST(ShellActivation, ActivationLoadsTheNewsPage)
{
    TestEnv env;
    const QString page = env.path("news.html");
    TestEnv::writeFile(page, "<html><head><title>News</title></head><body>news</body></html>");
    MainOptions options;
    options.programFolder = env.programFolder();
    options.settingsFile = env.settingsFile();
    options.ui = &env.ui;
    options.webEngine = false;
    options.newsPage = QUrl::fromLocalFile(page);
    frmMain window(options);
    TestEnv::showAndSettle(window);
    if (!window.Web) GTEST_SKIP() << "no browser in this build";
    EXPECT_EQ(window.Web->url(), QUrl::fromLocalFile(page));
}

TEST(ShellClose, CloseRemovesExactlyTheScratchAndWorkingFiles)
{
    TestEnv env;
    env.storeLocations(env.writeFullEditFile(), env.faceFolder());
    auto window = env.openWindow();

    QStringList listed = ScratchFiles::deleteList();
    listed << "\\Face" << "\\Hair";
    ASSERT_EQ(listed.size(), 16);
    for (const QString& name : listed) TestEnv::writeFile(window->prog(name), "scratch");
    const QStringList others = {"/Textura.png", "/face.bin", "/Archive/temp.bin", "/notes.txt"};
    for (const QString& name : others) TestEnv::writeFile(env.programFolder() + name, "keep");
    TestEnv::writeFile(env.faceFolder() + "/map.txt", "1, \"a_Face.bin\"\r\n");

    TestEnv::showAndSettle(*window);
    EXPECT_TRUE(window->close());
    TestEnv::settle();

    for (const QString& name : listed) EXPECT_FALSE(QFileInfo::exists(window->prog(name))) << name.toStdString();
    for (const QString& name : others) EXPECT_TRUE(QFileInfo::exists(env.programFolder() + name)) << name.toStdString();
    EXPECT_TRUE(QFileInfo::exists(env.faceFolder() + "/map.txt"));
    // Closing stores nothing.
    EXPECT_EQ(env.storedSetting("Map"), env.faceFolder());

    // A second unload with nothing left to remove is quiet, and no dialog was shown.
    window->Form_Unload();
    EXPECT_TRUE(env.ui.messages().isEmpty());
}

}  // namespace
