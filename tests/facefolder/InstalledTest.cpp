// The health check of a face folder and the safe removal of entries.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include "facefolder/FaceFolderCheck.h"
#include "facefolder/InterruptedWork.h"
#include "facefolder/MapRemoval.h"
#include "support/FolderSnapshot.h"
#include "support/TestEnv.h"

namespace FC = FaceFolderCheck;

namespace {

// A face folder with one example of every health flag.
class InstalledTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* f :
             {"A_face.bin", "A_Hair.bin", "C_Face.bin", "E_Face.bin", "G.bin", "notes.txt", "Sample Team/B_Face.bin",
              "Sample Team/F_Hair.bin", "Sample Team/Deep/H_Face.bin", "Sample Team/Deep/Unnamed.bin"})
            TestEnv::writeFile(face + "/" + f, f);
        TestEnv::writeFile(env.root() + "/elsewhere/L.bin", "linked");
        ASSERT_TRUE(QFile::link(env.root() + "/elsewhere", face + "/Linked"));
        writeMap(map0);
    }

    void writeMap(const QByteArray& bytes) { TestEnv::writeFile(face + "/map.txt", bytes); }

    // Reads the folder as the view does.
    void read()
    {
        ASSERT_TRUE(MapFile::read(face + "/map.txt", doc).ok);
        listing = FolderListing::list(face);
        report = FC::check(doc, listing);
    }

    // Reads the folder, then plans the removal of these lines and, when asked, the first unnamed file.
    MapRemoval::Plan plan(const std::vector<int>& lines, bool firstUnnamed = false)
    {
        read();
        std::vector<int> files;
        if (firstUnnamed) files.push_back(report.orphans.at(0));
        return MapRemoval::plan(doc, listing, report, lines, files);
    }

    const QByteArray map0 =
        "1, \"A_Face.bin\", \"A_Hair.bin\"\r\n"                            // 1: OK, the face copy in small letters
        "2, \"Sample Team\\B_Face.bin\", \"Sample Team\\B_Hair.bin\"\r\n"  // 2: hair missing
        "1, \"C_Face.bin\"\r\n"                                            // 3: same player as line 1
        "junk \"G.bin\"\r\n"                                               // 4: not understood, mentions G.bin
        "\r\n"                                                             // 5: blank
        "3, \"..\\up.bin\"\n"                                              // 6: outside the face folder
        "5, ,\"Linked\\L.bin\"\r\n"                                        // 7: through a linked folder
        "6, \"sample team\\deep\\h_face.bin\"\r\n"                         // 8: deeper folder, other letter case
        "4, ,\"D_Hair.bin\"";                                              // 9: hair missing, no final line end
    TestEnv env;
    QString face = env.faceFolder();
    MapFile::Document doc;
    FolderListing listing;
    FC::Report report;
};

TEST_F(InstalledTest, TheHealthCheckFlagsEachProblemAndNamesTheFirstLineOfAPlayer)
{
    read();
    const quint32 flags[] = {FC::Duplicate,
                             FC::HairMissing,
                             FC::Duplicate,
                             FC::NotUnderstood,
                             0,
                             FC::Outside,
                             0,
                             0,
                             FC::HairMissing | FC::NoFinalLineEnd};
    ASSERT_EQ(report.lines.size(), std::size(flags));
    for (size_t i = 0; i < std::size(flags); ++i) EXPECT_EQ(report.lines[i].flags, flags[i]) << "line " << i + 1;
    EXPECT_EQ(report.entries, 7);
    EXPECT_EQ(report.problemLines, 6);
    EXPECT_EQ(listing.file(report.lines[0].faceFile).relative, "A_face.bin");
    EXPECT_EQ(listing.file(report.lines[7].faceFile).relative, "Sample Team/Deep/H_Face.bin");
    // Model files of the face folder and its team folders that nothing names;
    // deeper folders, linked folders, other files and mentions do not count.
    QStringList orphans;
    for (int i : report.orphans) orphans << listing.file(i).relative;
    orphans.sort();
    EXPECT_EQ(orphans, QStringList({"E_Face.bin", "Sample Team/F_Hair.bin"}));

    EXPECT_EQ(FC::describe(doc, report, 0), "this player is also on line 3; this line comes first");
    EXPECT_EQ(FC::describe(doc, report, 2), "line 1 comes first for this player");
    EXPECT_EQ(FC::describe(doc, report, 3), "not understood: it does not begin with a player's identifier");
    EXPECT_EQ(FC::describe(doc, report, 8), "hair file missing; the file ends without a line end");
    EXPECT_EQ(FC::describe(doc, report, 6), "OK");
}

TEST_F(InstalledTest, RemovalTakesOutOnlyTheChosenLinesAndTheFilesNoOtherLineNeeds)
{
    TestEnv::writeFile(face + "/Sample Team/K.bin", "k");
    TestEnv::writeFile(face + "/R.bin", "r");
    QFile::setPermissions(face + "/R.bin", QFileDevice::ReadOwner);
    writeMap(map0 + "\r\n7, \"SAMPLE TEAM\\b_face.bin\"\r\nbroken, \"Sample Team\\K.bin\"\r\n");
    read();
    auto p = MapRemoval::plan(doc, listing, report, {1, 7, 6}, report.orphans);
    // Line 2's face is still named by line 10, line 8's file is deeper, line
    // 7's lies through a link, R.bin is read-only; K.bin is mentioned by a
    // line not understood and so not even unnamed.
    EXPECT_EQ(p.deleteFiles, QStringList({"E_Face.bin", "Sample Team/F_Hair.bin"}));
    EXPECT_EQ(p.keptFiles.size(), 4);
    const QString question = p.confirmation();
    for (const char* needle : {"Remove 3 lines", "line 2: 2, \"Sample Team", "delete 2 files", "E_Face.bin",
                               "line 10 still names it", "not in the face folder or a team folder",
                               "a link, or in a linked folder", "R.bin (read-only)", "map.txt.bak"})
        EXPECT_TRUE(question.contains(needle)) << needle << "\n" << question.toStdString();

    FolderSnapshot expected = snapshotFolder(face);
    expected.erase("E_Face.bin");
    expected.erase("Sample Team/F_Hair.bin");
    expected["map.txt.bak"] = expected["map.txt"];
    expected["map.txt"] = doc.without({1, 6, 7});
    const Result done = MapRemoval::apply(p, env.programFolder());
    ASSERT_TRUE(done.ok) << done.message.toStdString();
    EXPECT_EQ(snapshotFolder(face), expected);
}

// A step that fails leaves the face folder as it was at once; a kill before
// a step, after the recovery the program runs at start, as it was or as
// meant, with no scratch left. Both with the journal in the program folder
// and with it in the face folder's own work folder.
TEST_F(InstalledTest, AFailureOrAKillAtAnyStepLeavesTheFolderAsItWasOrAsMeant)
{
    using enum MapRemoval::Fault;
    const QString program = env.programFolder();
    for (bool olderBak : {false, true}) {
        const auto reset = [&] {
            QDir(face).removeRecursively();
            SetUp();
            if (olderBak) TestEnv::writeFile(face + "/map.txt.bak", "older");
        };
        reset();
        const auto p = plan({0, 2}, true);
        ASSERT_EQ(p.deleteFiles.size(), 4);
        const FolderSnapshot before = snapshotFolder(face);
        int steps = 0;
        ASSERT_TRUE(MapRemoval::apply(p, program, [&](int at) { return steps = at + 1, None; }).ok);
        const FolderSnapshot after = snapshotFolder(face);
        ASSERT_GT(steps, 6);
        for (bool ownFolder : {false, true}) {
            for (auto fault : {Fail, Crash}) {
                for (int step = 0; step < steps; ++step) {
                    const std::string where = std::to_string(step) + (fault == Crash ? " killed" : " failed") +
                                              (ownFolder ? " in its own folder" : "");
                    reset();
                    const auto at = [&](int now) { return now == step ? fault : None; };
                    const Result r = ownFolder ? MapRemoval::apply(p, at) : MapRemoval::apply(p, program, at);
                    if (fault == Fail && !r.ok) {
                        EXPECT_TRUE(r.message.contains("Nothing was removed")) << r.message.toStdString();
                        EXPECT_EQ(snapshotFolder(face), before) << where;
                    }
                    EXPECT_TRUE(recoverInterruptedWork(program, face).problems.isEmpty()) << where;
                    const FolderSnapshot now = snapshotFolder(face);
                    EXPECT_TRUE(now == before || now == after) << where;
                    EXPECT_TRUE(QDir(program).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) << where;
                }
            }
        }
    }
    // A record that cannot be read is left for the user, and removals wait.
    TestEnv::writeFile(MapRemoval::journalFolder(face) + "/journal", "garbage");
    EXPECT_FALSE(MapRemoval::recover(face).ok);
    EXPECT_FALSE(MapRemoval::apply(plan({0}), program).ok);
}

// What an earlier version left when a removal was killed: its private folder
// with the parked files and its record, and the copies of map.txt it was
// writing beside their targets. Before its new map.txt stood, the removal is
// taken back; after, finished; the copies go either way.
TEST_F(InstalledTest, ARemovalLeftByAnEarlierVersionIsStillFinishedOrTakenBack)
{
    const QByteArray newMap = "2, \"Sample Team\\B_Face.bin\"\r\n";
    const auto sha1 = [](const QByteArray& b) { return QCryptographicHash::hash(b, QCryptographicHash::Sha1).toHex(); };
    const QString folder = MapRemoval::journalFolder(face);
    for (bool newMapStood : {false, true}) {
        QDir(face).removeRecursively();
        SetUp();
        const FolderSnapshot before = snapshotFolder(face);
        QDir().mkpath(folder);
        TestEnv::writeFile(folder + "/journal", "ludex-removal 1\nold " + sha1(map0) + "\nnew " + sha1(newMap) +
                                                    "\nbak 0\nfile A_face.bin\n");
        QFile::rename(face + "/A_face.bin", folder + "/f0");
        TestEnv::writeFile(face + "/map.txt.bak", map0);
        TestEnv::writeFile(face + "/.ludex-0b5e7d1c-6a2f-4c7e-9d3b-2f1a8e4c6b70.tmp", newMap);
        if (newMapStood) writeMap(newMap);
        ASSERT_TRUE(recoverInterruptedWork(env.programFolder(), face).problems.isEmpty());
        FolderSnapshot expected = before;
        if (newMapStood) {
            expected.erase("A_face.bin");
            expected["map.txt"] = newMap;
            expected["map.txt.bak"] = map0;
        }
        EXPECT_EQ(snapshotFolder(face), expected) << newMapStood;
    }
}

TEST_F(InstalledTest, RemovalIsRefusedWhenTheFolderChangedOrMapTxtIsProtected)
{
    const auto p = plan({0});
    const auto refusedWith = [&](const char* needle) {
        const FolderSnapshot before = snapshotFolder(face);
        const Result r = MapRemoval::apply(p);
        EXPECT_TRUE(!r.ok && r.message.contains(needle)) << r.message.toStdString();
        EXPECT_EQ(snapshotFolder(face), before) << needle;
    };
    writeMap(map0 + "\r\n8, \"new.bin\"\r\n");  // an install since the view was read
    refusedWith("changed since it was read");
    writeMap(map0);
    QFile::remove(face + "/A_Hair.bin");
    refusedWith("changed since the face folder was read");
    TestEnv::writeFile(face + "/A_Hair.bin", "A_Hair.bin");
    QFile::setPermissions(face + "/map.txt", QFileDevice::ReadOwner);
    refusedWith("read-only");
}

}  // namespace
