// The search for the game in a player's home: Wine prefixes of Wine, Steam
// and the front-ends under a home of the test's own, and Steam's library file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/GameLocator.h"
#include "support/FakeGameHome.h"
#include "support/TestEnv.h"

namespace {

using Format = FakeGameHome::LibraryFormat;

QString real(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

TEST(GameLocatorTest, FindsExactlyWhatWasPlantedInWineSteamAndFrontEndPrefixes)
{
    QTemporaryDir dir;
    FakeGameHome h(dir.filePath("home"));
    const QString game = FakeGameHome::programFolder();

    // Wine's own prefix, in the letter case some installers use.
    const QString wine = h.prefix(".wine");
    h.faceFolder(wine, "PROGRAM FILES (X86)/Kickvale Football 2011/Visagery/LUDEX/face");
    h.editFile(wine, "users/alder/My Documents/Kickvale Football 2011/Save/folder1/edit.BIN");
    // $WINEPREFIX, anywhere.
    const QString named = h.prefix("prefixes/kickvale");
    h.faceFolder(named, "Program Files/Kickvale Football 2011/Visagery/Ludex/Face");

    // Steam: ~/.steam/steam links to the real root, whose library file lists
    // itself and a second library (the current layout).
    const QString library2 = h.path("Library Two");
    const QString steam = h.steamRoot(".local/share/Steam", {h.path(".local/share/Steam"), library2}, Format::Nested);
    ASSERT_TRUE(FakeGameHome::link(steam, h.path(".steam/steam")));
    h.editFile(h.steamPrefix(steam, 3000), FakeGameHome::documentsFolder() + "/save/EDIT.bin");
    const QString proton = h.steamPrefix(library2, 2011);
    h.editFile(proton, FakeGameHome::documentsFolder() + "/save/EDIT.bin");
    // Steam keeps the game itself (and the add-on beside it) outside the prefix.
    h.faceFolderAt(library2 + "/steamapps/common/Kickvale Football 2011/Visagery/Ludex/Face");
    // The flatpak root keeps its library file in config/, in the older layout.
    const QString old = h.path("Old Library");
    h.steamRoot(".var/app/com.valvesoftware.Steam/data/Steam", {old}, Format::Numbered, "config");
    h.faceFolder(h.steamPrefix(old, 4000), game + "/Visagery/Ludex/Face");

    // The front-ends' default prefix folders.
    h.faceFolder(h.prefix(".local/share/bottles/bottles/Kickvale"), game + "/Visagery/Ludex/Face");
    h.editFile(h.prefix("Games/kickvale-football-2011"), game + "/save/EDIT.bin");
    h.faceFolder(h.prefix(".PlayOnLinux/wineprefix/Kickvale"), game + "/Visagery/Ludex/Face");

    // Not reported: a face folder without map.txt, a "Face" outside "Ludex",
    // an edit file under no "save", one deeper than the walk goes, and
    // whatever lies in a prefix no tool makes or outside every prefix.
    h.faceFolder(wine, "Program Files/Kickvale Football 2011/Visagery/Ludex/Face", false);
    h.faceFolder(wine, "Program Files/Kickvale Football 2011/Backup/Face");
    h.plantedFaceFolders.removeOne(real(wine + "/drive_c/Program Files/Kickvale Football 2011/Backup/Face"));
    h.editFile(wine, game + "/EDIT.bin", false);
    h.faceFolder(named, "Program Files/a/b/c/d/e/f/g/Ludex/Face");
    h.plantedFaceFolders.removeOne(real(named + "/drive_c/Program Files/a/b/c/d/e/f/g/Ludex/Face"));
    h.editFile(h.prefix("elsewhere"), game + "/save/EDIT.bin", false);
    TestEnv::writeFile(h.path("Documents/Kickvale Football 2011/save/EDIT.bin"), "edit");

    const GameLocator::Found found = GameLocator::find(h.options(named));
    EXPECT_FALSE(found.timedOut);
    EXPECT_EQ(found.faceFolders, h.plantedFaceFolders);
    EXPECT_EQ(found.editFiles, h.plantedEditFiles);
    EXPECT_EQ(h.plantedFaceFolders.size(), 6);
    EXPECT_EQ(h.plantedEditFiles.size(), 4);
    // Each prefix once, though Steam's root is reached by two names and listed
    // again in its own file; the second library's steamapps/common last.
    EXPECT_EQ(found.roots.size(), 9) << found.roots.join('\n').toStdString();
    EXPECT_EQ(found.roots.front(), real(named));
    EXPECT_EQ(found.roots.back(), real(library2 + "/steamapps/common"));
    EXPECT_EQ(QStringList(found.roots).removeDuplicates(), 0);
}

TEST(GameLocatorTest, FollowsALinkAtARootButNoneBelowAndWaitsOnNoPipe)
{
    QTemporaryDir dir;
    FakeGameHome h(dir.filePath("home"));
    const QString wine = h.prefix(".wine");
    const QString programs = wine + "/drive_c/Program Files";
    QDir().mkpath(programs);
    // A loop (followed, it would show the face folder again under every
    // turn), and a link out of the prefix to a face folder elsewhere.
    h.faceFolder(wine, "Program Files/Ludex/Face");
    ASSERT_TRUE(FakeGameHome::link(programs, programs + "/Loop"));
    TestEnv::writeFile(h.path("Elsewhere/Ludex/Face/map.txt"), "\r\n");
    ASSERT_TRUE(FakeGameHome::link(h.path("Elsewhere"), programs + "/Elsewhere"));
    // Wine links a user's documents to the home's own: a root, followed.
    TestEnv::writeFile(h.path("Documents/Kickvale Football 2011/save/EDIT.bin"), "edit");
    ASSERT_TRUE(FakeGameHome::link(h.path("Documents"), wine + "/drive_c/users/alder/Documents"));

    // A named pipe for a library file is not waited on.
    QDir().mkpath(h.path(".steam/debian-installation/steamapps"));
    ASSERT_EQ(mkfifo(QFile::encodeName(h.path(".steam/debian-installation/steamapps/libraryfolders.vdf")), 0644), 0);

    GameLocator::Options options = h.options();
    options.maxDepth = 64;
    const GameLocator::Found found = GameLocator::find(options);
    EXPECT_FALSE(found.timedOut);  // done within its time limit
    EXPECT_EQ(found.faceFolders, h.plantedFaceFolders) << found.faceFolders.join('\n').toStdString();
    EXPECT_EQ(found.editFiles, QStringList{real(h.path("Documents/Kickvale Football 2011/save/EDIT.bin"))});
}

TEST(GameLocatorTest, TheTimeLimitOrAStopEndsTheWalkEarly)
{
    QTemporaryDir dir;
    FakeGameHome h(dir.filePath("home"));
    h.faceFolder(h.prefix(".wine"), "Program Files/Ludex/Face");
    GameLocator::Options options = h.options();
    options.timeLimitMs = 0;
    const GameLocator::Found timed = GameLocator::find(options);
    EXPECT_TRUE(timed.timedOut && timed.faceFolders.isEmpty());
    const std::atomic<bool> stop{true}, go{false};
    EXPECT_TRUE(GameLocator::find(h.options(), stop).timedOut);
    EXPECT_EQ(GameLocator::find(h.options(), go).faceFolders, h.plantedFaceFolders);
}

TEST(GameLocatorTest, ReadsSteamsLibraryFileInBothLayoutsAndStopsAtDamage)
{
    const QStringList libraries = {"/home/alder/.local/share/Steam", "/mnt/games/Steam \"Library\"",
                                   "D:\\Games\\SteamLibrary"};
    for (Format format : {Format::Nested, Format::Numbered})
        EXPECT_EQ(GameLocator::steamLibraries(FakeGameHome::libraryFile(libraries, format)), libraries);

    const QByteArray whole = FakeGameHome::libraryFile(libraries, Format::Nested);
    const struct {
        QByteArray bytes;
        QStringList expected;
    } cases[] = {
        // Comments, platform conditions, bare words and repeats.
        {"// written by hand\nlibraryfolders { 1 /a [$LINUX] \"2\" \"/b\" 3 /a \"x\" \"/not-a-library\" }",
         {"/a", "/b"}},
        // A "path" that is not a library's own.
        {"\"libraryfolders\" { \"0\" { \"apps\" { \"path\" \"/no\" } \"path\" \"/yes\" } \"path\" \"/no\" }", {"/yes"}},
        // Another file altogether, or none.
        {"\"AppState\" { \"1\" \"/no\" }", {}},
        {"", {}},
        {QByteArray("\0\xff{}}}{\"", 8), {}},
        // Cut short: what came before the damage.
        {whole.left(whole.indexOf("/mnt") + 3), {libraries[0]}},
        {QByteArray("libraryfolders {") + QByteArray(100000, '{'), {}},
    };
    for (const auto& c : cases) EXPECT_EQ(GameLocator::steamLibraries(c.bytes), c.expected) << c.bytes.left(80).data();
}

}  // namespace
