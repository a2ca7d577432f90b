#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/FileSystemObject.h"
#include "support/TestEnv.h"

namespace {

class FileSystemObjectTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    FileSystemObject fso;

    QString at(const QString& relative) const { return tmp.filePath(relative); }
    // Each file holds its own relative path, so a copy tells where it came from.
    void write(std::initializer_list<const char*> files)
    {
        for (const char* file : files) TestEnv::writeFile(at(file), file);
    }
    QByteArray read(const QString& relative) const { return TestEnv::readFile(at(relative)); }
    bool exists(const QString& relative) const { return QFileInfo::exists(at(relative)); }
    // Read-only is the owner's missing write permission, so it holds even for root.
    void setReadOnly(const QString& relative) { QFile::setPermissions(at(relative), QFileDevice::ReadOwner); }
};

TEST(WildcardMatch, WindowsRules)
{
    const std::pair<const char*, const char*> matching[] = {
        {"*.bin", "FACE.BIN"}, {"*bin", "hairbin"}, {"*.*", "Face"}, {"f?ce.bin", "FACE.bin"}};
    for (auto [pattern, name] : matching)
        EXPECT_TRUE(FileSystemObject::matches(pattern, name)) << pattern << " " << name;
    EXPECT_FALSE(FileSystemObject::matches("*.bin", "hairbin"));
    EXPECT_FALSE(FileSystemObject::matches("f?ce.bin", "fce.bin"));
    EXPECT_FALSE(FileSystemObject::matches("*a*a*a*a*a*a*a*b", QString(5000, 'a')));  // no exponential walk
}

TEST_F(FileSystemObjectTest, DeleteFileStopsAtReadOnlyAndTakesFilesOnly)
{
    write({"t/a.bin", "t/b.bin", "t/c.bin", "t/Face", "t/sub/inner.bin"});
    setReadOnly("t/b.bin");
    EXPECT_FALSE(fso.DeleteFile(at("t/*.*")));  // in name order: a.bin goes, b.bin stops it
    EXPECT_TRUE(!exists("t/a.bin") && exists("t/b.bin") && exists("t/c.bin"));
    EXPECT_TRUE(fso.FileExists(at("t/c.bin")));
    EXPECT_FALSE(fso.FileExists(at("t/sub")));  // a folder is no file
    EXPECT_TRUE(fso.DeleteFile(at("t/*.*"), true));
    EXPECT_TRUE(!exists("t/Face") && exists("t/sub/inner.bin"));  // dotless names match, folders stay
}

TEST_F(FileSystemObjectTest, DeleteFolderStopsAtReadOnlySparesLinkTargetsAndCreateFolderRefuses)
{
    write({"a/Team1/deep/y.bin", "a/team2/z.bin", "a/Team3/ro.bin", "a/keep.bin", "outside/precious.bin"});
    ASSERT_TRUE(QFile::link(at("outside"), at("a/Team1/link")));
    setReadOnly("a/Team3/ro.bin");
    EXPECT_FALSE(fso.DeleteFolder(at("a/TEAM*")));  // Team1 and team2 go, Team3 stops it
    EXPECT_TRUE(!exists("a/Team1") && !exists("a/team2") && exists("a/Team3/ro.bin") && exists("a/keep.bin"));
    EXPECT_EQ(read("outside/precious.bin"), "outside/precious.bin");
    EXPECT_TRUE(fso.DeleteFolder(at("a/*.*"), true));
    EXPECT_TRUE(fso.CreateFolder(at("a/Team")));
    EXPECT_FALSE(fso.CreateFolder(at("a/Team")));
    EXPECT_FALSE(fso.CreateFolder(at("a/Bad:Name")));
}

}  // namespace
