// The map line, the name checks, installing and the team folders, without a window.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <functional>

#include "facefolder/FileNameCheck.h"
#include "facefolder/Installer.h"
#include "facefolder/TeamFolders.h"
#include "platform/FileSystemObject.h"
#include "platform/FileTransaction.h"
#include "support/FolderSnapshot.h"
#include "support/TestEnv.h"

using MapLine::Content;
using enum MapLine::Content;

namespace {

TEST(MapLine, ComposesEachFormAndPassesNamesThroughUnchanged)
{
    const struct {
        QString part;
        Content content;
        const char* line;
    } cases[] = {
        {"Sample Player", FaceAndHair, R"(7, "Sample Player_Face.bin", "Sample Player_Hair.bin")"},
        {"A", OnlyHair, R"(7, ,"A_Hair.bin")"},  // no space before the quotation mark
        {"", FaceAndHair, R"(7, "_Face.bin", "_Hair.bin")"},
        {"<unnamed_57> ", OnlyFace, R"(7, "<unnamed_57> _Face.bin")"},
        {MapLine::folderNamePart("T", "P"), FaceAndHair, R"(7, "T\P_Face.bin", "T\P_Hair.bin")"},
        {MapLine::folderNamePart("", "P"), OnlyHair, R"(7, ,"\P_Hair.bin")"},
    };
    for (const auto& c : cases) EXPECT_EQ(MapLine::compose("7", c.part, c.content), c.line);
    const std::pair<const char*, const char*> paths[] = {{"/a/Team A", "Team A"}, {"/a/", ""}, {"/", ""}};
    for (const auto& [path, last] : paths) EXPECT_EQ(MapLine::lastPart(path), last) << path;
}

TEST(FileNameCheck, AcceptsWhatWindowsCanHoldAndNothingElse)
{
    const QStringList valid = {"Sample Player", "Müller", "a.b", "..a", "CON_Face.bin", "COM⁴", QString(255, 'x')};
    const QStringList invalid = {"COM¹",
                                 "lpt³.txt",
                                 "",
                                 ".",
                                 "..",
                                 "a\\b",
                                 "a/b",
                                 "a:b",
                                 "a*",
                                 "a?",
                                 "a\"b",
                                 "a|b",
                                 "a\nb",
                                 "<unnamed_57> ",
                                 "dot.",
                                 "CON",
                                 "nul.txt",
                                 "LPT9.x",
                                 QString(256, 'x')};
    for (const QString& n : valid) EXPECT_TRUE(FileNameCheck::isValidName(n)) << n.toStdString();
    for (const QString& n : invalid) EXPECT_FALSE(FileNameCheck::isValidName(n)) << n.toStdString();
    EXPECT_TRUE(FileNameCheck::checkBaseName("Con").ok);  // "Con_Face.bin" is a fine file name
    EXPECT_FALSE(FileNameCheck::checkBaseName("Con ").ok);
}

const QByteArray kFace("FACE\0\x01", 6);
const QByteArray kHair = "HAIR";

// A face folder "Ludex" holding a team folder with one model, and the working
// model files beside it.
class FaceFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestEnv::writeFile(face + "/Sample Team/P_Face.bin", "p");
        TestEnv::writeFile(workFace, kFace);
        TestEnv::writeFile(workHair, kHair);
        QDir().mkpath(program);
    }

    Installer::Request request(Content content = FaceAndHair, const QString& base = "Sample Player") const
    {
        return installRequest(face, program, "12345", base, content, {}, workFace, workHair);
    }

    // `step` must be refused with a message holding `needle`, changing nothing on disk.
    void expectRefused(const std::function<QString()>& step, const QString& needle)
    {
        const FolderSnapshot before = snapshotFolder(dir.path());
        const QString message = step();
        EXPECT_TRUE(!message.isEmpty() && message.contains(needle, Qt::CaseInsensitive))
            << needle.toStdString() << " not in: " << message.toStdString();
        EXPECT_EQ(snapshotFolder(dir.path()), before) << needle.toStdString();
    }

    QTemporaryDir dir;
    QString face = dir.filePath("Ludex"), workFace = dir.filePath("Face"), workHair = dir.filePath("Hair"),
            program = dir.filePath("program");
    FileSystemObject fso;
};

TEST_F(FaceFolderTest, InstallsEachContentAndAppendsItsLineInTheCodePage)
{
    // The copy of a read-only working file must stay replaceable by the next install.
    QFile::setPermissions(workFace, QFileDevice::ReadOwner);
    ASSERT_TRUE(Installer::install(request()).ok);  // map.txt is created
    ASSERT_TRUE(Installer::install(request()).ok);  // and appended to; the models are replaced
    // Saved by an editor that drops the last line end (or half of it): the
    // next line still goes on a line of its own.
    QFile::resize(face + "/map.txt", QFileInfo(face + "/map.txt").size() - 2);
    auto r = request(OnlyHair, "H");
    r.line = R"(99, ,"H_Hair.bin")";  // a hand-edited identifier is the user's choice
    ASSERT_TRUE(Installer::install(r).ok);
    QFile::resize(face + "/map.txt", QFileInfo(face + "/map.txt").size() - 1);
    QFile::remove(workHair);  // a face-only install does not need it
    ASSERT_TRUE(Installer::install(request(OnlyFace, "Müller €")).ok);

    const QByteArray line = "12345, \"Sample Player_Face.bin\", \"Sample Player_Hair.bin\"\r\n";
    const QByteArray map = line + line + "99, ,\"H_Hair.bin\"\r\n12345, \"M\xFCller \x80_Face.bin\"\r\n";
    // Nothing else: no twin of another letter case, no scratch file.
    const QStringList files = {"H_Hair.bin", "map.txt", "Müller €_Face.bin", "Sample Player_Face.bin",
                               "Sample Player_Hair.bin"};
    EXPECT_EQ(QDir(face).entryList(QDir::Files | QDir::Hidden), files);
    EXPECT_EQ(TestEnv::readFile(face + "/map.txt"), map);
    EXPECT_EQ(TestEnv::readFile(face + "/Müller €_Face.bin"), kFace);

    // The old models a replacing install leaves behind go on their own
    // thread; a recovery (as at the next start) waits for them and then
    // finds nothing left to finish.
    ASSERT_TRUE(Installer::install(request(OnlyFace, "Müller €")).ok);
    const FileTransaction::Recovery recovered = FileTransaction::recover(program);
    EXPECT_EQ(recovered.finished + recovered.rolledBack, 0);
    EXPECT_EQ(QDir(face).entryList(QDir::Files | QDir::Hidden), files);
    EXPECT_EQ(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

TEST_F(FaceFolderTest, EveryRefusedInstallLeavesTheFaceFolderAsItWas)
{
    TestEnv::writeFile(face + "/map.txt", "1, \"A_Face.bin\"\r\n");
    const std::pair<std::function<void(Installer::Request&)>, QString> cases[] = {
        {[](auto& r) { r.faceFolder += "/missing"; }, "face folder does not exist"},
        {[](auto& r) { r.faceFolder = "."; }, "face folder does not exist"},  // relative, though it exists
        {[](auto& r) {
             r.intoTeamFolder = true;
             r.teamFolder = "Absent";
         },
         "team folder does not exist"},
        {[](auto& r) {
             r.intoTeamFolder = true;
             r.teamFolder = "..";
         },
         "team folder name is not valid"},
        {[](auto& r) { r.baseName = "<unnamed_57> "; }, "\"<unnamed_57> \""},
        {[](auto& r) { r.line.clear(); }, "line is empty"},
        {[](auto& r) { r.line += "\r\n2, \"b\""; }, "line break"},
        {[](auto& r) { r.content = OnlyFace; }, "does not name"},
        {[](auto& r) { r.line += " Ł"; }, "code page"},
        {[](auto& r) { r.workingFace += "-gone"; }, "no face model"},
        // Last, as what they make stays: a read-only map.txt or model, and a
        // folder where a model goes, which is not moved aside.
        {[&](auto&) { QFile::setPermissions(face + "/map.txt", QFileDevice::ReadOwner); }, "could not add the line"},
        {[&](auto&) {
             TestEnv::writeFile(face + "/Sample Player_Hair.bin", "older hair");
             QFile::setPermissions(face + "/Sample Player_Hair.bin", QFileDevice::ReadOwner);
         },
         "the file there is read-only"},
        {[&](auto&) { QDir().mkpath(face + "/Sample Player_Face.bin"); }, "in the way"},
    };
    for (const auto& [change, needle] : cases) {
        auto r = request();
        change(r);
        expectRefused([&] { return Installer::install(r).message; }, needle);
    }
}

TEST_F(FaceFolderTest, LinksAndOddFilesAreRefusedNeverWrittenThrough)
{
    TestEnv::writeFile(dir.filePath("outside/map.txt"), "outside\r\n");
    ASSERT_TRUE(QFile::link(dir.filePath("outside"), face + "/Linked"));
    auto team = request();
    team.intoTeamFolder = true;
    team.teamFolder = "Linked";
    team.line = MapLine::compose("12345", MapLine::folderNamePart("Linked", "Sample Player"), FaceAndHair);
    expectRefused([&] { return Installer::install(team).message; }, "is a link");

    const std::pair<std::function<bool(const QString&)>, const char*> maps[] = {
        {[&](const QString& m) { return QFile::link(dir.filePath("outside/map.txt"), m); }, "is a link"},
        {[&](const QString& m) { return QFile::link(dir.filePath("nowhere.txt"), m); }, "is a link"},
        {[&](const QString& m) { return mkfifo(QFile::encodeName(m).constData(), 0644) == 0; }, "not a file"},
    };
    for (const auto& [make, needle] : maps) {
        QFile::remove(face + "/map.txt");
        ASSERT_TRUE(make(face + "/map.txt"));
        expectRefused([&] { return Installer::install(request()).message; }, needle);
    }
}

TEST_F(FaceFolderTest, TeamFolderCommandsReachOnlyATeamFolderAndReportWhatTheyCannotDo)
{
    TestEnv::writeFile(face + "/map.txt", "kept\r\n");
    TestEnv::writeFile(dir.filePath("outside/keep.bin"), "k");
    ASSERT_TRUE(QFile::link(dir.filePath("outside"), face + "/Linked"));
    const std::pair<QString, QString> names[] = {{"", "no team folder"}, {"..", "inside"},      {"a/b", "inside"},
                                                 {"*", "inside"},        {"map.txt", "a file"}, {"Linked", "link"}};
    for (auto op : {&TeamFolders::remove, &TeamFolders::clear}) {
        for (const auto& [name, why] : names) expectRefused([&] { return op(fso, face, name).message; }, why);
        expectRefused([&] { return op(fso, ".", "outside").message; }, "face folder does not exist");
    }
    expectRefused([&] { return TeamFolders::add(fso, face, face, "A/B").message; }, "folder name");
    expectRefused([&] { return TeamFolders::add(fso, face, dir.path(), "T").message; }, "outside");

    // A file that cannot be deleted is reported, not passed over.
    QFile::setPermissions(face + "/Sample Team/P_Face.bin", QFileDevice::ReadOwner);
    EXPECT_FALSE(TeamFolders::clear(fso, face, "Sample Team").message.isEmpty());
    EXPECT_FALSE(TeamFolders::remove(fso, face, "Sample Team").message.isEmpty());
    EXPECT_TRUE(QFile::exists(face + "/Sample Team/P_Face.bin"));
}

}  // namespace
