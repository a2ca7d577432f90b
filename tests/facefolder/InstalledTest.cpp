// The health check of a face folder and the safe removal of entries.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "facefolder/FaceFolderCheck.h"
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
    const Result done = MapRemoval::apply(p);
    ASSERT_TRUE(done.ok) << done.message.toStdString();
    EXPECT_EQ(snapshotFolder(face), expected);
}

// A step that fails, or a crash before a step and the recovery after it,
// leaves the face folder as it was, or once map.txt is replaced, as meant.
TEST_F(InstalledTest, AFailureOrACrashAtAnyStepLeavesTheFolderAsItWasOrAsMeant)
{
    using enum MapRemoval::Fault;
    for (bool olderBak : {false, true}) {
        const auto reset = [&] {
            QDir(face).removeRecursively();
            SetUp();
            if (olderBak) TestEnv::writeFile(face + "/map.txt.bak", "older");
        };
        reset();
        const auto p = plan({0, 2}, true);
        ASSERT_EQ(p.deleteFiles.size(), 4);
        const int commit = olderBak ? 8 : 7;  // folder, record, 4 files, (older .bak,) .bak, then map.txt
        const FolderSnapshot before = snapshotFolder(face);
        ASSERT_TRUE(MapRemoval::apply(p).ok);
        const FolderSnapshot after = snapshotFolder(face);
        for (auto fault : {Fail, Crash}) {
            for (int step = 0; step <= commit + (fault == Crash); ++step) {
                reset();
                const Result r = MapRemoval::apply(p, [&](int at) { return at == step ? fault : None; });
                EXPECT_TRUE(!r.ok && (fault == Crash || r.message.contains("Nothing was removed")))
                    << r.message.toStdString();
                ASSERT_TRUE(fault == Fail || MapRemoval::recover(face).ok);
                EXPECT_EQ(snapshotFolder(face), step <= commit ? before : after) << step;
            }
        }
    }
    // A record that cannot be read is left for the user, and removals wait.
    TestEnv::writeFile(MapRemoval::journalFolder(face) + "/journal", "garbage");
    EXPECT_FALSE(MapRemoval::recover(face).ok);
    EXPECT_FALSE(MapRemoval::apply(plan({0})).ok);
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
