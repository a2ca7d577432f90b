// The main window's life: start-up, the location menus, activation, the
// about window and unload.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QTest>
#include <QtWidgets>

#include "editdb/EditFileBuilder.h"
#include "models/ModelFileBuilder.h"
#include "platform/FileTransaction.h"
#include "platform/FolderList.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "support/DdsWriter.h"
#include "support/FolderSnapshot.h"
#include "support/WindowEnv.h"

namespace {

bool exists(const QString& path) { return QFileInfo::exists(path); }

TEST(ShellTest, FaceFolderIsMadeOnlyFromAnAbsolutePath)
{
    // The stored face folder (nullptr: a first start, nothing stored), whether it is
    // taken below the test's folder, and whether it is made (one level only).
    const struct {
        const char* face;
        bool absolute, made;
    } cases[] = {
        {nullptr, false, false}, {"Ludex/Other", true, true}, {"Nowhere/Face", true, false}, {"", false, false}};
    QTemporaryDir cwd;  // a folder made from a relative text would show up in the current folder
    const QString previous = QDir::currentPath();
    QDir::setCurrent(cwd.path());
    for (const auto& c : cases) {
        WindowEnv env;
        const QString face = !c.face ? "Change..." : c.absolute ? env.path(c.face) : QString(c.face);
        SCOPED_TRACE(face.toStdString());
        if (c.face) env.storeLocations("", face);
        auto window = env.openWindow();
        EXPECT_EQ(window->Lokalizacja2->text(), face);
        EXPECT_EQ(QFileInfo(face).isDir(), c.made);
        EXPECT_EQ(QDir(window->Dir2->Path()), QDir(c.made ? face : QString()));
        EXPECT_TRUE(QDir().isEmpty());
        EXPECT_FALSE(exists(env.path("Nowhere")) || exists(env.path("program/Change...")));
    }
    QDir::setCurrent(previous);
}

TEST(ShellTest, StoredLocationsAndTheLocationMenus)
{
    WindowEnv env;
    env.storeLocations(env.writeFullEditFile(), env.faceFolder());
    QDir().mkpath(env.path("program/Archive"));
    for (const char* name : {"Face", "Hair"}) TestEnv::writeFile(env.path("program/") + name, "old");
    auto window = env.openWindow();
    ASSERT_EQ(window->List1->count(), 10160);  // every record, in record order
    EXPECT_EQ(window->List1->item(10159)->text(), "Player 10159");
    ASSERT_EQ(window->List2->count(), 339);
    EXPECT_EQ(window->List2->item(338)->text(), "Team 338");
    EXPECT_FALSE(exists(env.path("program/Face")) || exists(env.path("program/Hair")));  // an earlier run's
    EXPECT_EQ(QDir(window->Rar->Path()), QDir(env.path("program/Archive")));
    EXPECT_EQ(QDir(window->Dir->Path()), QDir(env.faceFolder()));

    // Another edit file reloads the players only.
    const QString second = EditFileBuilder().player(1, 8, "Second").team(0, "New").write(env.path("2.bin"));
    env.ui.files = {second};
    window->mnuOpen->trigger();
    EXPECT_EQ(window->List1->item(1)->text(), "Second");
    EXPECT_EQ(window->List2->item(0)->text(), "Team 0");
    EXPECT_EQ(env.storedSetting("Edit"), second);
    // Cancelled, or a file that is not there: the list stays, the typed text is stored.
    for (const QString& answer : {QString(), env.path("missing.bin")}) {
        window->Lokalizacja->setText("typed by hand");
        env.ui.files = {answer};
        window->mnuOpen->trigger();
        EXPECT_EQ(window->List1->item(1)->text(), "Second");
        EXPECT_EQ(env.storedSetting("Edit"), "typed by hand");
    }

    // The chosen face folder is stored (the folder lists follow it from the
    // next start on, as above), and kept when the next choice is cancelled.
    env.ui.folders = {env.programFolder()};
    window->mnuOpen2->trigger();
    window->mnuOpen2->trigger();
    EXPECT_EQ(window->Lokalizacja2->text(), env.programFolder());
    EXPECT_EQ(env.storedSetting("Map"), env.programFolder());
}

TEST(ShellTest, EachActivationReportsAMissingEditFileAndNoneHoldsTheWindow)
{
    WindowEnv env;
    const QString pipe = env.path("Edit.bin");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    env.storeLocations(pipe, env.faceFolder());
    auto window = env.openWindow();  // the start-up load of a pipe neither waits nor speaks
    EXPECT_EQ(window->List1->count() + window->List2->count(), 0);
    EXPECT_TRUE(env.ui.messages().isEmpty());  // nothing before the window shows
    // Shown again after another window of the program, the field's text is checked
    // again: a folder is no edit file either.
    const QString folder = env.path("Folder.bin");
    QDir().mkpath(folder);
    for (const QString& edit : {QString("Change..."), folder, env.writeFullEditFile()}) {
        window->Lokalizacja->setText(edit);
        window->hide();
        WindowEnv::showAndSettle(*window);
    }
    EXPECT_EQ(env.ui.messages(), QStringList({"Lack - Change...", "Lack - " + folder}));
    for (const auto& said : env.ui.shown) EXPECT_EQ(said.icon, UiSeam::Icon::None);
    // Chosen by the user, the pipe is named for what it is.
    env.ui.files = {pipe};
    window->mnuOpen->trigger();
    EXPECT_TRUE(env.ui.messages().value(2).contains("named pipe")) << env.ui.messages().join('|').toStdString();
}

TEST(ShellTest, StartUpFinishesWhatACrashCutShortAndUnloadLeavesNoScratchBehind)
{
    WindowEnv env;
    const QString program = env.programFolder() + "/", model = env.faceFolder() + "/P_Face.bin";
    TestEnv::writeFile(model, "old");
    TestEnv::writeFile(env.path("new"), "new");
    TestEnv::writeFile(program + ".facepack-999999999.1-abcdef/pack/x.bin", "x");
    // Steps 1 to 5 write the journal, copy, keep the old model, replace it
    // and add the line; then the work stops as if killed.
    FileTransaction::setStepHook([](int step) { return step <= 5; });
    FileTransaction cut(env.programFolder());
    cut.place(env.path("new"), model);
    cut.appendLine(env.faceFolder() + "/map.txt", "1, \"P_Face.bin\"");
    EXPECT_TRUE(cut.commit().ok);
    FileTransaction::setStepHook({});
    ASSERT_EQ(QDir(env.faceFolder()).entryList(QDir::Files | QDir::Hidden).size(), 3);  // with the backup

    auto window = env.openWindow();  // finished, not taken back: the line stays
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(QDir(env.faceFolder()).entryList(QDir::Files | QDir::Hidden), QStringList({"map.txt", "P_Face.bin"}));
    EXPECT_EQ(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    // An archive preview's bitmap, then a hair preview that fails after
    // writing its scratch files, beside both working copies and the archive.
    const ModelFileBuilder good = ModelFileBuilder().dds(DdsWriter::dxt5(16, 16, DdsWriter::checkerBlock).bytes);
    good.write(program + "Face");
    ASSERT_TRUE(window->TextureFace2());
    ModelFileBuilder().dds(DdsWriter::header(60000, 60000, "DXT1")).write(program + "Hair");
    ASSERT_FALSE(window->TextureHair());
    TestEnv::writeFile(program + "Archive/Pack/face.bin", "x");
    ASSERT_TRUE(snapshotFolder(program).count("Tex.dds"));
    EXPECT_TRUE(window->close());
    QStringList left;
    for (const auto& entry : snapshotFolder(program)) left << entry.first;
    EXPECT_EQ(left, QStringList({"Archive/", "Archive/Pack/", "Archive/Pack/face.bin", "Face2.bmp"}));
    EXPECT_TRUE(env.ui.shown.empty());  // nothing to say at start or at the end
}

TEST(AboutTest, ShowsTheVersionNotesUnderTheMainWindowsCaption)
{
    frmAbout about(nullptr, "Caption of the main window");
    EXPECT_EQ(about.windowTitle(), "About");
    // 25 lines, each ended by CR LF, the last one too; the old notes keep their spelling.
    const QString text = frmAbout::aboutText("Caption of the main window");
    const QStringList lines = text.split("\r\n");
    ASSERT_EQ(lines.size(), 26);
    EXPECT_EQ(lines[0], "Caption of the main window");
    EXPECT_EQ(lines[18], "-fIX");
    EXPECT_EQ(lines[21], "-First Relase");
    EXPECT_EQ(lines[25], "");
    EXPECT_EQ(about.FlatEdit1->toPlainText(), QString(text).replace("\r\n", "\n"));
}

TEST(AboutTest, HidesTheMainWindowAndShowsItAgainWithAFreshActivation)
{
    WindowEnv env;
    auto window = env.openWindow();
    window->show();
    // No edit file is stored: each activation reports it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return env.ui.messages().size() == 1; }, 5000));

    window->About->trigger();
    window->About_Click();  // one about window at a time
    ASSERT_EQ(WindowEnv::openWindows<frmAbout>().size(), 1);
    QPointer<frmAbout> about = WindowEnv::openWindows<frmAbout>().first();
    EXPECT_TRUE(about->isVisible() && !window->isVisible());
    QApplication::processEvents();
    EXPECT_EQ(env.ui.messages().size(), 1);  // hiding is no activation

    about->close();
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return env.ui.messages().size() == 2; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return about.isNull(); }, 5000));

    // An about window still open goes with the main window.
    window->About->trigger();
    about = WindowEnv::openWindows<frmAbout>().first();
    window.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return about.isNull(); }, 5000));
}

}  // namespace
