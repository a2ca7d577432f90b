#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "facefolder/TeamFolders.h"
#include "platform/FileSystemObject.h"
#include "support/FolderSnapshot.h"
#include "support/TestEnv.h"

namespace {

class TeamFoldersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        face = dir.filePath("Ludex");
        QDir().mkpath(face);
        TestEnv::writeFile(face + "/map.txt", "1, \"A_Face.bin\"\r\n");
        TestEnv::writeFile(face + "/A_Face.bin", "a");
        TestEnv::writeFile(face + "/Sample Team/P_Face.bin", "p");
        TestEnv::writeFile(face + "/Sample Team/noext", "n");
        TestEnv::writeFile(face + "/Sample Team/Sub/deep.bin", "d");
        TestEnv::writeFile(dir.filePath("outside/keep.bin"), "k");
    }

    // Refused: the message contains `needle` and nothing on disk changed.
    void expectRefused(TeamFolders::Result (*op)(FileSystemObject&, const QString&, const QString&),
                       const QString& name, const QString& needle)
    {
        const FolderSnapshot before = snapshotFolder(dir.path());
        const auto result = op(fso, face, name);
        EXPECT_FALSE(result.acted) << name.toStdString();
        EXPECT_TRUE(result.message.contains(needle, Qt::CaseInsensitive)) << result.message.toStdString();
        EXPECT_EQ(snapshotFolder(dir.path()), before) << name.toStdString();
    }

    QTemporaryDir dir;
    QString face;
    FileSystemObject fso;
};

TEST_F(TeamFoldersTest, AddMakesOneFolderAndIsSilentWhenItExists)
{
    auto r = TeamFolders::add(fso, face, face, "New Team");
    EXPECT_TRUE(r.acted);
    EXPECT_TRUE(r.message.isEmpty());
    EXPECT_TRUE(QFileInfo(face + "/New Team").isDir());
    r = TeamFolders::add(fso, face, face, "Sample Team");  // already there
    EXPECT_TRUE(r.message.isEmpty());
    EXPECT_TRUE(QFile::exists(face + "/Sample Team/P_Face.bin"));
    // Inside a folder opened below the face folder, as the folder list allows.
    EXPECT_TRUE(TeamFolders::add(fso, face, face + "/Sample Team", "Inner").message.isEmpty());
    EXPECT_TRUE(QFileInfo(face + "/Sample Team/Inner").isDir());
}

TEST_F(TeamFoldersTest, AddRefusesNamesThatAreNotOneFolderAndPlacesOutsideTheFaceFolder)
{
    const FolderSnapshot before = snapshotFolder(dir.path());
    for (const char* bad : {"", ".", "..", "A/B", "../outside", "A\\B", "Team:1", "Team."}) {
        const auto r = TeamFolders::add(fso, face, face, bad);
        EXPECT_FALSE(r.acted) << bad;
        EXPECT_FALSE(r.message.isEmpty()) << bad;
    }
    auto r = TeamFolders::add(fso, face, dir.filePath("outside"), "Team");
    EXPECT_FALSE(r.acted);
    EXPECT_TRUE(r.message.contains("outside"));
    r = TeamFolders::add(fso, face, dir.path(), "Team");
    EXPECT_FALSE(r.acted);
    r = TeamFolders::add(fso, "Change...", "", "Team");
    EXPECT_TRUE(r.message.contains("face folder does not exist"));
    r = TeamFolders::add(fso, face, face, "map.txt");  // a file is in the way
    EXPECT_FALSE(r.message.isEmpty());
    EXPECT_EQ(snapshotFolder(dir.path()), before);
}

TEST_F(TeamFoldersTest, DeleteRemovesTheTeamFolderWithEverythingInIt)
{
    const auto r = TeamFolders::remove(fso, face, "Sample Team");
    EXPECT_TRUE(r.acted);
    EXPECT_TRUE(r.message.isEmpty()) << r.message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(face + "/Sample Team"));
    EXPECT_TRUE(QFile::exists(face + "/map.txt"));
    EXPECT_TRUE(QFile::exists(face + "/A_Face.bin"));
}

TEST_F(TeamFoldersTest, ClearRemovesOnlyTheFilesLyingDirectlyInIt)
{
    const auto r = TeamFolders::clear(fso, face, "Sample Team");
    EXPECT_TRUE(r.acted);
    EXPECT_TRUE(r.message.isEmpty()) << r.message.toStdString();
    EXPECT_TRUE(QFileInfo(face + "/Sample Team").isDir());
    EXPECT_FALSE(QFile::exists(face + "/Sample Team/P_Face.bin"));
    EXPECT_FALSE(QFile::exists(face + "/Sample Team/noext"));
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Team/Sub/deep.bin"), "d");
    EXPECT_TRUE(QFile::exists(face + "/map.txt"));
}

TEST_F(TeamFoldersTest, DeleteAndClearNeverLeaveTheTeamFolders)
{
    for (auto op : {&TeamFolders::remove, &TeamFolders::clear}) {
        expectRefused(op, "", "no team folder");
        expectRefused(op, ".", "");
        expectRefused(op, "..", "");
        expectRefused(op, "../outside", "");
        expectRefused(op, "Sample Team/Sub", "");
        expectRefused(op, "Sample Team\\Sub", "");
        expectRefused(op, "*", "");
        expectRefused(op, "Sample*", "");
        expectRefused(op, "map.txt", "file");
        expectRefused(op, "A_Face.bin", "file");
    }
    // An absolute or relative face folder that is not there reaches nothing.
    const FolderSnapshot before = snapshotFolder(dir.path());
    EXPECT_FALSE(TeamFolders::remove(fso, "", "outside").acted);
    EXPECT_FALSE(TeamFolders::clear(fso, "Change...", "outside").acted);
    EXPECT_EQ(snapshotFolder(dir.path()), before);
}

TEST_F(TeamFoldersTest, ALinkToAFolderOutsideIsNotATeamFolder)
{
    ASSERT_TRUE(QFile::link(dir.filePath("outside"), face + "/Linked"));
    for (auto op : {&TeamFolders::remove, &TeamFolders::clear}) expectRefused(op, "Linked", "link");
    EXPECT_TRUE(QFile::exists(dir.filePath("outside/keep.bin")));
}

TEST_F(TeamFoldersTest, AMissingTeamFolderChangesNothingSilently)
{
    const FolderSnapshot before = snapshotFolder(dir.path());
    auto r = TeamFolders::remove(fso, face, "Absent");
    EXPECT_TRUE(r.acted);
    EXPECT_TRUE(r.message.isEmpty());
    r = TeamFolders::clear(fso, face, "Absent");
    EXPECT_TRUE(r.message.isEmpty());
    EXPECT_EQ(snapshotFolder(dir.path()), before);
}

TEST_F(TeamFoldersTest, AReadOnlyFileIsReportedAndKept)
{
    QFile::setPermissions(face + "/Sample Team/P_Face.bin", QFileDevice::ReadOwner);
    auto r = TeamFolders::clear(fso, face, "Sample Team");
    EXPECT_FALSE(r.message.isEmpty());
    EXPECT_TRUE(QFile::exists(face + "/Sample Team/P_Face.bin"));
    r = TeamFolders::remove(fso, face, "Sample Team");
    EXPECT_FALSE(r.message.isEmpty());
    EXPECT_TRUE(QFile::exists(face + "/Sample Team/P_Face.bin"));
}

}  // namespace
