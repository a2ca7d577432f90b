#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/FileSystemObject.h"
#include "support/FolderSnapshot.h"
#include "support/TestEnv.h"

namespace {

class FileSystemObjectTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    FileSystemObject fso;

    QString at(const QString& relative) const { return tmp.filePath(relative); }
    void write(const QString& relative, const QByteArray& bytes = "x") { TestEnv::writeFile(at(relative), bytes); }
    QByteArray read(const QString& relative) const { return TestEnv::readFile(at(relative)); }
    bool exists(const QString& relative) const { return QFileInfo::exists(at(relative)); }
    void makeReadOnly(const QString& relative)
    {
        QFile::setPermissions(at(relative), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
};

TEST(WildcardMatch, WindowsRules)
{
    EXPECT_TRUE(FileSystemObject::matches("*.bin", "face.bin"));
    EXPECT_TRUE(FileSystemObject::matches("*.bin", "FACE.BIN"));
    EXPECT_FALSE(FileSystemObject::matches("*.bin", "hairbin"));
    EXPECT_TRUE(FileSystemObject::matches("*bin", "hairbin"));
    EXPECT_TRUE(FileSystemObject::matches("*bin", "Face.Bin"));
    EXPECT_FALSE(FileSystemObject::matches("*bin", "face.bin.txt"));
    // "*.*" takes every name, with or without a dot.
    EXPECT_TRUE(FileSystemObject::matches("*.*", "Face"));
    EXPECT_TRUE(FileSystemObject::matches("*.*", "map.txt"));
    EXPECT_TRUE(FileSystemObject::matches("face.*", "face"));
    // '?' is exactly one character.
    EXPECT_TRUE(FileSystemObject::matches("f?ce.bin", "FACE.bin"));
    EXPECT_FALSE(FileSystemObject::matches("f?ce.bin", "fce.bin"));
    EXPECT_FALSE(FileSystemObject::matches("f?ce.bin", "faace.bin"));
    EXPECT_TRUE(FileSystemObject::matches("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(FileSystemObject::matches("a*b*c", "aXbYbZ"));
    // A long name against many stars stays quick.
    EXPECT_FALSE(FileSystemObject::matches("*a*a*a*a*a*a*a*b", QString(5000, 'a')));
}

TEST_F(FileSystemObjectTest, CreateFolderFailureRules)
{
    EXPECT_TRUE(fso.CreateFolder(at("Team")));
    EXPECT_TRUE(fso.FolderExists(at("Team")));
    EXPECT_FALSE(fso.CreateFolder(at("Team")));  // exists
    EXPECT_TRUE(fso.lastError().contains("Team"));
    EXPECT_FALSE(fso.CreateFolder(at("missing/Team")));  // parent missing
    EXPECT_FALSE(fso.CreateFolder(at("Bad:Name")));
    EXPECT_FALSE(fso.CreateFolder(at("Bad?")));
    EXPECT_FALSE(exists("Bad:Name"));
    write("file");
    EXPECT_FALSE(fso.CreateFolder(at("file")));
}

TEST_F(FileSystemObjectTest, FileExistsOnlyForFiles)
{
    write("dir/a.bin");
    EXPECT_TRUE(fso.FileExists(at("dir/a.bin")));
    EXPECT_FALSE(fso.FileExists(at("dir")));
    EXPECT_FALSE(fso.FileExists(at("dir/none")));
    EXPECT_FALSE(fso.FileExists(QString()));
    EXPECT_TRUE(fso.FolderExists(at("dir")));
    EXPECT_FALSE(fso.FolderExists(at("dir/a.bin")));
}

TEST_F(FileSystemObjectTest, DeleteFileTakesMatchingFilesOfOneFolder)
{
    write("t/Face");  // no dot: still taken by "*.*"
    write("t/a.BIN");
    write("t/sub/inner.bin");
    EXPECT_TRUE(fso.DeleteFile(at("t/*.*")));
    EXPECT_FALSE(exists("t/Face"));
    EXPECT_FALSE(exists("t/a.BIN"));
    EXPECT_TRUE(exists("t/sub/inner.bin"));  // sub-folders untouched
    EXPECT_FALSE(fso.DeleteFile(at("t/*.*")));  // nothing left to match
    EXPECT_FALSE(fso.DeleteFile(at("missing/*.*")));
    EXPECT_FALSE(fso.DeleteFile(at("t/sub")));  // a folder is not a file
    EXPECT_TRUE(exists("t/sub"));
}

TEST_F(FileSystemObjectTest, DeleteFileStopsAtReadOnlyUnlessForced)
{
    write("t/a.bin");
    write("t/b.bin");
    write("t/c.bin");
    makeReadOnly("t/b.bin");
    EXPECT_TRUE(FileSystemObject::isReadOnly(at("t/b.bin")));
    EXPECT_FALSE(fso.DeleteFile(at("t/*.bin")));
    EXPECT_TRUE(fso.lastError().contains("b.bin"));
    EXPECT_FALSE(exists("t/a.bin"));  // before the read-only one
    EXPECT_TRUE(exists("t/b.bin"));
    EXPECT_TRUE(exists("t/c.bin"));  // stopped there
    EXPECT_TRUE(fso.DeleteFile(at("t/*.bin"), true));
    EXPECT_FALSE(exists("t/b.bin"));
    EXPECT_FALSE(exists("t/c.bin"));
}

TEST_F(FileSystemObjectTest, DeleteFolderIsRecursiveAndStopsAtReadOnly)
{
    write("a/Team1/x.bin");
    write("a/Team1/deep/y.bin");
    write("a/team2/z.bin");
    write("a/keep.bin");
    EXPECT_TRUE(fso.DeleteFolder(at("a/TEAM*")));
    EXPECT_FALSE(exists("a/Team1"));
    EXPECT_FALSE(exists("a/team2"));
    EXPECT_TRUE(exists("a/keep.bin"));
    EXPECT_FALSE(fso.DeleteFolder(at("a/*.*")));  // no folder left

    write("b/Team/a.bin");
    write("b/Team/b.bin");
    makeReadOnly("b/Team/b.bin");
    EXPECT_FALSE(fso.DeleteFolder(at("b/Team")));
    EXPECT_TRUE(exists("b/Team/b.bin"));
    EXPECT_TRUE(fso.DeleteFolder(at("b/Team"), true));
    EXPECT_FALSE(exists("b/Team"));
}

TEST_F(FileSystemObjectTest, DeleteFolderRemovesLinksNotTheirTargets)
{
    write("outside/precious.bin");
    write("a/Team/x.bin");
    ASSERT_TRUE(QFile::link(at("outside"), at("a/Team/link")));
    ASSERT_TRUE(QFile::link(at("outside/precious.bin"), at("a/Team/filelink")));
    EXPECT_TRUE(fso.DeleteFolder(at("a/Team")));
    EXPECT_FALSE(exists("a/Team"));
    EXPECT_EQ(read("outside/precious.bin"), "x");
}

TEST_F(FileSystemObjectTest, CopyFileIntoFolderOrOntoTarget)
{
    write("src/Face", "F");
    write("src/a.bin", "A");
    write("src/sub/s.bin", "S");
    QDir().mkpath(at("dst"));
    EXPECT_TRUE(fso.CopyFile(at("src/*.*"), at("dst/")));
    EXPECT_EQ(read("dst/Face"), "F");
    EXPECT_EQ(read("dst/a.bin"), "A");
    EXPECT_FALSE(exists("dst/sub"));  // files only

    EXPECT_TRUE(fso.CopyFile(at("src/a.bin"), at("dst")));  // existing folder without separator
    EXPECT_TRUE(fso.CopyFile(at("src/a.bin"), at("dst/renamed")));
    EXPECT_EQ(read("dst/renamed"), "A");

    EXPECT_FALSE(fso.CopyFile(at("src/*.none"), at("dst/")));
    EXPECT_FALSE(fso.CopyFile(at("src/*.*"), at("nowhere/")));
    EXPECT_FALSE(fso.CopyFile(at("src/*.*"), at("dst/single")));  // several files, one target
    EXPECT_FALSE(exists("dst/single"));
}

TEST_F(FileSystemObjectTest, CopyFileOverwriteRules)
{
    write("src/a.bin", "new");
    write("dst/a.bin", "old");
    EXPECT_FALSE(fso.CopyFile(at("src/a.bin"), at("dst/"), false));
    EXPECT_EQ(read("dst/a.bin"), "old");
    EXPECT_TRUE(fso.CopyFile(at("src/a.bin"), at("dst/"), true));
    EXPECT_EQ(read("dst/a.bin"), "new");

    write("src/a.bin", "newer");
    makeReadOnly("dst/a.bin");
    EXPECT_FALSE(fso.CopyFile(at("src/a.bin"), at("dst/a.bin"), true));
    EXPECT_TRUE(fso.lastError().contains("a.bin"));
    EXPECT_EQ(read("dst/a.bin"), "new");
}

TEST_F(FileSystemObjectTest, FailedCopyLeavesTargetIntactAndNoScratch)
{
    write("dst/a.bin", "old");
    QDir().mkpath(at("src"));
    ASSERT_TRUE(QFile::link(at("src/gone"), at("src/a.bin")));  // unreadable source
    EXPECT_FALSE(fso.CopyFile(at("src/a.bin"), at("dst/")));
    const FolderSnapshot expected{{"a.bin", "old"}};
    EXPECT_EQ(snapshotFolder(at("dst")), expected);
}

TEST_F(FileSystemObjectTest, CopyFolderMergesAndOverwrites)
{
    write("arch/Pack/face.bin", "old");
    write("arch/Pack/keep.bin", "keep");
    write("stage/Pack/face.bin", "new");
    write("stage/Pack/deep/hair.bin", "hair");
    write("stage/top.bin", "top");
    EXPECT_TRUE(fso.CopyFolder(at("stage/*.*"), at("arch/")));
    EXPECT_EQ(read("arch/Pack/face.bin"), "new");
    EXPECT_EQ(read("arch/Pack/keep.bin"), "keep");
    EXPECT_EQ(read("arch/Pack/deep/hair.bin"), "hair");
    EXPECT_FALSE(exists("arch/top.bin"));  // folders only

    EXPECT_FALSE(fso.CopyFolder(at("arch/Pack/*.bin"), at("x/")));  // no folder matches
    EXPECT_FALSE(fso.CopyFolder(at("stage/*.*"), at("stage/Pack/")));  // into itself

    // A read-only file in the way ends the copy there.
    write("stage/Pack/face.bin", "newer");
    makeReadOnly("arch/Pack/face.bin");
    EXPECT_FALSE(fso.CopyFolder(at("stage/Pack"), at("arch/")));
    EXPECT_EQ(read("arch/Pack/face.bin"), "new");
}

TEST_F(FileSystemObjectTest, CopyFolderSkipsLinks)
{
    write("outside/secret.bin", "s");
    write("stage/Pack/a.bin", "a");
    ASSERT_TRUE(QFile::link(at("outside"), at("stage/Pack/out")));
    QDir().mkpath(at("arch"));
    EXPECT_TRUE(fso.CopyFolder(at("stage/Pack"), at("arch/")));
    EXPECT_EQ(read("arch/Pack/a.bin"), "a");
    EXPECT_FALSE(QFileInfo(at("arch/Pack/out")).exists());
}

}  // namespace
