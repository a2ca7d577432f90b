#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "facefolder/Installer.h"
#include "support/FolderSnapshot.h"
#include "support/TestEnv.h"

using MapLine::Content;

namespace {

const QByteArray kFace("FACE-MODEL\0\x01\x02", 13);
const QByteArray kHair = QByteArrayLiteral("HAIR-MODEL");

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        face = dir.filePath("Ludex");
        QDir().mkpath(face);
        TestEnv::writeFile(dir.filePath("program/Face"), kFace);
        TestEnv::writeFile(dir.filePath("program/Hair"), kHair);
    }

    Installer::Request request(Content content = Content::FaceAndHair, const QString& base = "Sample Player")
    {
        Installer::Request r;
        r.faceFolder = face;
        r.baseName = base;
        r.content = content;
        r.line = MapLine::compose("12345", base, content);
        r.workingFace = dir.filePath("program/Face");
        r.workingHair = dir.filePath("program/Hair");
        return r;
    }

    QByteArray map() const { return TestEnv::readFile(face + "/map.txt"); }

    // Refused without any change in the face folder, with a message naming `needle`.
    void expectRefused(const Installer::Request& r, const QString& needle)
    {
        const FolderSnapshot before = snapshotFolder(face);
        const auto result = Installer::install(r);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.message.contains(needle, Qt::CaseInsensitive)) << result.message.toStdString();
        EXPECT_EQ(snapshotFolder(face), before);
    }

    QTemporaryDir dir;
    QString face;
};

TEST_F(InstallerTest, FaceAndHairGoUnderTheNamesOfTheLine)
{
    ASSERT_TRUE(Installer::install(request()).ok);
    EXPECT_EQ(map(), QByteArray("12345, \"Sample Player_Face.bin\", \"Sample Player_Hair.bin\"\r\n"));
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Player_Face.bin"), kFace);  // capital F, as the line says
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Player_Hair.bin"), kHair);
    // Nothing else: no lower-case twin, no scratch files.
    EXPECT_EQ(QDir(face).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST_F(InstallerTest, OnlyFaceAndOnlyHairCopyOneModel)
{
    QFile::remove(dir.filePath("program/Hair"));  // not needed for a face-only install
    ASSERT_TRUE(Installer::install(request(Content::OnlyFace, "F")).ok);
    TestEnv::writeFile(dir.filePath("program/Hair"), kHair);
    QFile::remove(dir.filePath("program/Face"));
    ASSERT_TRUE(Installer::install(request(Content::OnlyHair, "H")).ok);
    EXPECT_EQ(map(), QByteArray("12345, \"F_Face.bin\"\r\n12345, ,\"H_Hair.bin\"\r\n"));
    EXPECT_TRUE(QFile::exists(face + "/F_Face.bin"));
    EXPECT_FALSE(QFile::exists(face + "/F_Hair.bin"));
    EXPECT_TRUE(QFile::exists(face + "/H_Hair.bin"));
    EXPECT_FALSE(QFile::exists(face + "/H_Face.bin"));
}

TEST_F(InstallerTest, AppendsToAnExistingMapAndOverwritesModels)
{
    const QByteArray old = "1, \"Old_Face.bin\"\r\nno line end at the end";
    TestEnv::writeFile(face + "/map.txt", old);
    TestEnv::writeFile(face + "/Sample Player_Hair.bin", "previous hair");
    ASSERT_TRUE(Installer::install(request()).ok);
    ASSERT_TRUE(Installer::install(request()).ok);  // twice: the same line twice
    const QByteArray line = "12345, \"Sample Player_Face.bin\", \"Sample Player_Hair.bin\"\r\n";
    EXPECT_EQ(map(), old + line + line);
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Player_Hair.bin"), kHair);
    EXPECT_EQ(QDir(face).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST_F(InstallerTest, LineIsWrittenInTheEightBitCodePage)
{
    auto r = request(Content::OnlyFace, QString::fromUtf8("Müller €"));
    ASSERT_TRUE(Installer::install(r).ok);
    EXPECT_EQ(map(), QByteArray("12345, \"M\xFCller \x80_Face.bin\"\r\n"));
    EXPECT_TRUE(QFile::exists(face + QString::fromUtf8("/Müller €_Face.bin")));
}

TEST_F(InstallerTest, AHandEditedIdentifierIsTheUsersChoice)
{
    auto r = request(Content::OnlyFace);
    r.line = R"(99, "Sample Player_Face.bin")";
    ASSERT_TRUE(Installer::install(r).ok);
    EXPECT_EQ(map(), QByteArray("99, \"Sample Player_Face.bin\"\r\n"));
}

TEST_F(InstallerTest, IntoATeamFolder)
{
    QDir().mkpath(face + "/Sample Team");
    auto r = request(Content::FaceAndHair, "Sample Player");
    r.intoTeamFolder = true;
    r.teamFolder = "Sample Team";
    r.line = MapLine::compose("12345", MapLine::folderNamePart("Sample Team", "Sample Player"), r.content);
    ASSERT_TRUE(Installer::install(r).ok);
    EXPECT_EQ(map(),
              QByteArray("12345, \"Sample Team\\Sample Player_Face.bin\", \"Sample Team\\Sample Player_Hair.bin\"\r\n"));
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Team/Sample Player_Face.bin"), kFace);
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Team/Sample Player_Hair.bin"), kHair);
    EXPECT_FALSE(QFile::exists(face + "/Sample Player_Face.bin"));
}

TEST_F(InstallerTest, EveryFailedCheckLeavesTheFaceFolderUntouched)
{
    TestEnv::writeFile(face + "/map.txt", "1, \"A_Face.bin\"\r\n");
    TestEnv::writeFile(face + "/A_Face.bin", "a");

    auto r = request();
    r.faceFolder = face + "/missing";
    expectRefused(r, "face folder does not exist");
    r.faceFolder = "Change...";  // the unset location: relative paths are refused too
    expectRefused(r, "face folder does not exist");
    r.faceFolder = "";
    expectRefused(r, "face folder does not exist");

    expectRefused(request(Content::FaceAndHair, "<unnamed_57> "), "<");
    expectRefused(request(Content::FaceAndHair, "a/b"), "/");
    expectRefused(request(Content::FaceAndHair, ".."), "..");
    expectRefused(request(Content::FaceAndHair, ""), "empty");
    expectRefused(request(Content::FaceAndHair, "Dot."), "dot");

    r = request();
    r.line = "";
    expectRefused(r, "line is empty");
    r.line = "1, \"a\"\r\n2, \"b\"";
    expectRefused(r, "line break");
    r = request(Content::OnlyFace, QString::fromUtf8("Łukasz"));
    expectRefused(r, "code page");
    r = request(Content::OnlyFace);
    r.line += QString::fromUtf8(" Ł");
    expectRefused(r, "code page");

    // A line that does not name exactly the files being installed.
    r = request(Content::FaceAndHair, "Sample Player");
    r.line = MapLine::compose("12345", "Other Player", Content::FaceAndHair);
    expectRefused(r, "does not name");
    r.line = MapLine::compose("12345", "Sample Player", Content::OnlyFace);
    expectRefused(r, "does not name");
    r = request(Content::OnlyHair, "Sample Player");
    r.line = MapLine::compose("12345", "Sample Player", Content::FaceAndHair);
    expectRefused(r, "does not name");

    QFile::remove(dir.filePath("program/Hair"));
    expectRefused(request(Content::FaceAndHair), "hair");
    expectRefused(request(Content::OnlyHair), "hair");
    QFile::remove(dir.filePath("program/Face"));
    expectRefused(request(Content::OnlyFace), "face model");

    TestEnv::writeFile(dir.filePath("program/Face"), kFace);
    r = request(Content::OnlyFace);
    r.intoTeamFolder = true;
    r.teamFolder = "Absent Team";
    expectRefused(r, "team folder does not exist");
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "x:"}) {
        r.teamFolder = bad;
        expectRefused(r, "team folder name is not valid");
    }
}

TEST_F(InstallerTest, ReadOnlyTargetLeavesNoDanglingLine)
{
    const QByteArray old = "1, \"A_Face.bin\"\r\n";
    TestEnv::writeFile(face + "/map.txt", old);
    TestEnv::writeFile(face + "/Sample Player_Face.bin", "older face");
    TestEnv::writeFile(face + "/Sample Player_Hair.bin", "locked hair");
    QFile::setPermissions(face + "/Sample Player_Hair.bin", QFileDevice::ReadOwner | QFileDevice::ReadGroup);

    const FolderSnapshot before = snapshotFolder(face);
    const auto result = Installer::install(request());
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.contains("read-only")) << result.message.toStdString();
    // The face copy that went in first is taken back and the older face returns.
    EXPECT_EQ(snapshotFolder(face), before);
    EXPECT_EQ(map(), old);
}

TEST_F(InstallerTest, ReadOnlyMapTakesTheCopiesBack)
{
    TestEnv::writeFile(face + "/Sample Player_Face.bin", "older face");
    TestEnv::writeFile(face + "/map.txt", "kept\r\n");
    QFile::setPermissions(face + "/map.txt", QFileDevice::ReadOwner);
    const FolderSnapshot before = snapshotFolder(face);
    const auto result = Installer::install(request());
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.contains("map.txt")) << result.message.toStdString();
    EXPECT_EQ(snapshotFolder(face), before);
}

TEST_F(InstallerTest, AFolderInTheWayOfAModel)
{
    QDir().mkpath(face + "/Sample Player_Hair.bin");
    const FolderSnapshot before = snapshotFolder(face);
    EXPECT_FALSE(Installer::install(request()).ok);
    EXPECT_EQ(snapshotFolder(face), before);
}

TEST_F(InstallerTest, ReadOnlyWorkingFileStillInstallsAWritableModel)
{
    QFile::setPermissions(dir.filePath("program/Face"), QFileDevice::ReadOwner);
    ASSERT_TRUE(Installer::install(request(Content::OnlyFace)).ok);
    ASSERT_TRUE(Installer::install(request(Content::OnlyFace)).ok);  // can replace its own copy
    EXPECT_EQ(TestEnv::readFile(face + "/Sample Player_Face.bin"), kFace);
}

}  // namespace
