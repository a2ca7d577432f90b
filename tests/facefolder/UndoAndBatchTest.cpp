// Taking back the last install, and installing many players from the archive.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "facefolder/BatchPlan.h"
#include "facefolder/InstallUndo.h"
#include "facefolder/Installer.h"
#include "platform/FileTransaction.h"
#include "support/FolderSnapshot.h"
#include "support/TestEnv.h"

using enum MapLine::Content;

namespace {

// A face folder with an older model, a team folder, an unterminated map.txt
// and three working models.
class UndoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestEnv::writeFile(face + "/map.txt", R"(1, "Old_Face.bin")");
        TestEnv::writeFile(face + "/Oren Vasko_Face.bin", "old face");
        TestEnv::writeFile(face + "/Sample Team/Tibo Marek_Hair.bin", "old team hair");
        for (const char* w : {"A", "B", "C"})
            TestEnv::writeFile(env.path(QString("work/") + w), w + QByteArray(500, 'x'));
        before = snapshotFolder(face);
    }

    Installer::Request request(const QString& id, const QString& base, MapLine::Content content,
                               const QString& team = {}, const char* faceWork = "A", const char* hairWork = "B") const
    {
        return installRequest(face, program, id, base, content, team, env.path(QString("work/") + faceWork),
                              env.path(QString("work/") + hairWork));
    }

    Result install(const std::vector<Installer::Request>& requests)
    {
        return Installer::install(requests, {.keepForUndo = true});
    }

    InstallUndo::Plan prepare() const { return InstallUndo::prepare(program, face); }
    Result undo() const { return InstallUndo::undo(program, prepare()); }
    // Puts a snapshot of the whole world back.
    void restore(const FolderSnapshot& world) const
    {
        QDir(env.root()).removeRecursively();
        for (const auto& [path, bytes] : world)
            path.endsWith('/') ? (void)QDir().mkpath(env.root() + "/" + path)
                               : TestEnv::writeFile(env.root() + "/" + path, bytes);
    }
    QStringList programFiles() const
    {
        FileTransaction::waitForTidying();
        return QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    TestEnv env;
    QString face = env.faceFolder(), program = env.programFolder();
    FolderSnapshot before;
};

TEST_F(UndoTest, EachKindOfInstallIsTakenBackToTheExactBytesBefore)
{
    const std::pair<const char*, std::vector<Installer::Request>> cases[] = {
        {"create, files added", {request("12345", "Sample Player", FaceAndHair)}},
        {"create, a file replaced", {request("101", "Oren Vasko", OnlyFace)}},
        {"team folder, hair replaced", {request("102", "Tibo Marek", OnlyHair, "Sample Team")}},
        {"batch",
         {request("101", "Oren Vasko", FaceAndHair, {}, "C", "A"),
          request("102", "Tibo Marek", OnlyHair, "Sample Team", "A", "C"),
          request("103", "Lasse Quinlow", FaceAndHair, "Sample Team")}},
    };
    for (const auto& [what, requests] : cases) {
        ASSERT_TRUE(install(requests).ok) << what;
        EXPECT_NE(snapshotFolder(face), before) << what;
        const InstallUndo::Plan plan = prepare();
        ASSERT_TRUE(plan.refusal.ok) << what << plan.refusal.message.toStdString();
        EXPECT_EQ(plan.lines.size(), qsizetype(requests.size())) << what;
        EXPECT_TRUE(plan.confirmation().contains(requests.back().line)) << what;
        ASSERT_TRUE(InstallUndo::undo(program, plan).ok) << what;
        EXPECT_EQ(snapshotFolder(face), before) << what;  // the unterminated last line included
        EXPECT_EQ(programFiles(), QStringList()) << what;
        EXPECT_EQ(prepare().refusal.message, "There is no install to undo.") << what;
    }

    // The next install discards what the last one kept; undo takes back only the last.
    ASSERT_TRUE(install({request("101", "Oren Vasko", OnlyFace)}).ok);
    ASSERT_TRUE(install({request("101", "Oren Vasko", OnlyFace, {}, "C")}).ok);
    EXPECT_EQ(QDir(InstallUndo::folder(program)).entryList({"*.bak"}, QDir::Files).size(), 1);
    ASSERT_TRUE(undo().ok);
    EXPECT_EQ(TestEnv::readFile(face + "/Oren Vasko_Face.bin"), TestEnv::readFile(env.path("work/A")));
    InstallUndo::discard(program);

    // An install that made map.txt takes it away again.
    QFile::remove(face + "/map.txt");
    ASSERT_TRUE(install({request("12345", "Sample Player", OnlyFace)}).ok);
    ASSERT_TRUE(undo().ok);
    EXPECT_FALSE(QFile::exists(face + "/map.txt"));
}

TEST_F(UndoTest, RefusesWithItsReasonAndChangesNothing)
{
    const QString model = face + "/Oren Vasko_Face.bin";
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { TestEnv::writeFile(face + "/map.txt", TestEnv::readFile(face + "/map.txt") + "7, \"X_Face.bin\"\r\n"); },
         "lines were added after"},
        {[&] { TestEnv::writeFile(face + "/map.txt", TestEnv::readFile(face + "/map.txt").replace("101", "102")); },
         "no longer the ones"},
        {[&] { TestEnv::writeFile(model, "edited"); }, "has changed since the install"},
        {[&] { QFile::remove(model); }, "is gone"},
        {[&] { QFile::setPermissions(model, QFileDevice::ReadOwner); }, "read-only"},
        {[&] {
             for (const QString& kept : QDir(InstallUndo::folder(program)).entryList({"*.bak"}, QDir::Files))
                 QFile::remove(InstallUndo::folder(program) + "/" + kept);
         },
         "cannot be put back"},
        {[&] { face = env.path("Other"); }, "not into the one chosen now"},
    };
    const FolderSnapshot start = snapshotFolder(env.root());
    for (const auto& [change, needle] : cases) {
        ASSERT_TRUE(install({request("101", "Oren Vasko", OnlyFace)}).ok) << needle;
        change();
        const FolderSnapshot changed = snapshotFolder(env.root());
        const InstallUndo::Plan plan = prepare();
        EXPECT_TRUE(plan.refusal.message.contains(needle)) << needle << ": " << plan.refusal.message.toStdString();
        EXPECT_FALSE(InstallUndo::undo(program, plan).ok);
        EXPECT_EQ(snapshotFolder(env.root()), changed) << needle;
        face = env.faceFolder();
        restore(start);
    }

    // map.txt edited between the question and the answer.
    ASSERT_TRUE(install({request("101", "Oren Vasko", OnlyFace)}).ok);
    const InstallUndo::Plan plan = prepare();
    TestEnv::writeFile(face + "/map.txt", TestEnv::readFile(face + "/map.txt") + "\r\n");
    EXPECT_TRUE(InstallUndo::undo(program, plan).message.contains("changed meanwhile"));
}

TEST_F(UndoTest, AnInstallOrUndoThatFailsOrIsKilledAtAnyStepLeavesOneWholeState)
{
    const std::vector<Installer::Request> batch = {request("101", "Oren Vasko", FaceAndHair),
                                                   request("102", "Tibo Marek", OnlyHair, "Sample Team")};
    // Runs `work` from the world as it is now, failing and then killed at
    // each of its steps (a step that throws leaves the disk as a kill there
    // would). `check` gets the face folder after what the next start does.
    struct Killed {};
    const auto atEveryStep = [&](const std::function<bool()>& work,
                                 const std::function<void(const std::string&)>& check) {
        const FolderSnapshot start = snapshotFolder(env.root());
        int steps = 0;
        FileTransaction::setStepHook([&](int step) { return steps = step, true; });
        ASSERT_TRUE(work());
        ASSERT_GT(steps, 8);
        for (int at = 1; at <= steps * 2; ++at) {
            const int step = (at + 1) / 2;
            const bool kill = at % 2 == 0;
            const std::string where = (kill ? "killed at " : "failed at ") + std::to_string(step);
            restore(start);
            FileTransaction::setStepHook([=](int now) { return now != step || (kill ? throw Killed() : false); });
            try {
                work();
            } catch (const Killed&) {}
            FileTransaction::setStepHook({});
            EXPECT_TRUE(FileTransaction::recover(program).problems.isEmpty()) << where;
            InstallUndo::tidy(program);
            check(where);
        }
        restore(start);
    };
    const FolderSnapshot installed = [&] {
        EXPECT_TRUE(install(batch).ok);
        const FolderSnapshot s = snapshotFolder(face);
        EXPECT_TRUE(undo().ok);
        return s;
    }();

    // An install: whole or not at all, and what the undo offers then is right.
    atEveryStep([&] { return install(batch).ok; },
                [&](const std::string& where) {
                    const FolderSnapshot now = snapshotFolder(face);
                    EXPECT_TRUE(now == before || now == installed) << where;
                    // An install that went through can always be taken back.
                    EXPECT_EQ(prepare().refusal.ok, now == installed) << where;
                    if (!prepare().refusal) return;
                    EXPECT_TRUE(undo().ok) << where;
                    EXPECT_EQ(snapshotFolder(face), before) << where;
                });
    // An undo: whole or not at all, the record going with it.
    ASSERT_TRUE(install(batch).ok);
    atEveryStep([&] { return undo().ok; },
                [&](const std::string& where) {
                    const FolderSnapshot now = snapshotFolder(face);
                    const bool undone = now == before;
                    EXPECT_TRUE(undone || now == installed) << where;
                    EXPECT_EQ(prepare().refusal.ok, !undone) << where;
                    EXPECT_EQ(programFiles().join(' '), undone ? "" : ".ludex-undo .ludex-undo-record") << where;
                });
}

TEST_F(UndoTest, ABatchIsRefusedWholeWithoutRoomOrWithTwoModelsForOneFile)
{
    const std::vector<Installer::Request> batch = {request("101", "Oren Vasko", FaceAndHair),
                                                   request("102", "Tibo Marek", OnlyHair, "Sample Team"),
                                                   request("103", "Lasse Quinlow", FaceAndHair, "Sample Team")};
    const FolderSnapshot all = snapshotFolder(env.root());
    Installer::setFreeSpaceProbe([](const QString&) { return qint64(1 << 20); });
    EXPECT_TRUE(install(batch).message.contains("not enough free space"));
    Installer::setFreeSpaceProbe({});
    EXPECT_TRUE(install({batch[0], request("9", "oren vasko", OnlyFace)}).message.contains("same file"));
    EXPECT_EQ(snapshotFolder(env.root()), all);
}

// ----- matching the archive's entries to players -----

TEST(BatchPlan, MatchesByIdentifierAndNameKeepsTeamFoldersAndMarksConflicts)
{
    TestEnv env;
    const QString archive = env.programFolder() + "/Archive", face = env.faceFolder();
    for (const char* entry : {"Pack/Sample Team/12345_face.bin", "Pack/Sample Team/12345_HAIR.bin",
                              "Pack/Sample Team/tibo_marek - hair.bin", "Pack/Sample Team/Arvid Penhale/Face.bin",
                              "Pack/Sample Team/Nobody_face.bin", "Pack/Sample Team/readme.txt",
                              "Pack/Harbour Rovers/OREN VASKO_Face.bin", "Pack/Harbour Rovers/Twin_face.bin",
                              "Loose/7_face.bin", "Loose/12345 face.bin", "Loose/hair 999.bin", "Pack/Surface.bin"})
        TestEnv::writeFile(archive + "/" + entry, "m");
    QDir().mkpath(face + "/Sample Team");
    MapFile::Document map = MapFile::parse("7, \"Q_Face.bin\"\r\n");
    const std::vector<BatchPlan::Player> players = {{12345, "Sample Player"},
                                                    {20102, "Oren Vasko"},
                                                    {20203, "Tibo Marek"},
                                                    {20405, "Arvid Penhale"},
                                                    {7, ""},
                                                    {31, "Twin"},
                                                    {32, "Twin"}};
    BatchPlan::Settings settings{archive, archive, face, env.programFolder(), true};

    // Face entry | hair entry | player | into | ticked | conflict
    using Expected = std::array<const char*, 6>;
    const std::pair<bool, std::vector<Expected>> runs[] = {
        {true,
         {{"Loose/12345 face.bin", "", "Sample Player", "Loose", "0", "no team folder \"Loose\""},
          {"Loose/7_face.bin", "", "", "Loose", "0", "no team folder"},
          {"", "Loose/hair 999.bin", "", "", "0", "no player has the identifier 999"},
          {"Pack/Harbour Rovers/OREN VASKO_Face.bin", "", "Oren Vasko", "Harbour Rovers", "0", "no team folder"},
          {"Pack/Harbour Rovers/Twin_face.bin", "", "", "", "0", "several players are named \"Twin\""},
          {"Pack/Sample Team/12345_face.bin", "Pack/Sample Team/12345_HAIR.bin", "Sample Player", "Sample Team", "1",
           ""},
          {"Pack/Sample Team/Arvid Penhale/Face.bin", "", "Arvid Penhale", "Sample Team", "1", ""},
          {"Pack/Sample Team/Nobody_face.bin", "", "", "", "0", "no player is named \"Nobody\""},
          {"", "Pack/Sample Team/tibo_marek - hair.bin", "Tibo Marek", "Sample Team", "1", ""}}},
        {false,
         {{"Loose/12345 face.bin", "", "Sample Player", "", "1", ""},
          {"Loose/7_face.bin", "", "", "", "0", "has a line in map.txt already (line 1)"},
          {"", "Loose/hair 999.bin", "", "", "0", "no player"},
          {"Pack/Harbour Rovers/OREN VASKO_Face.bin", "", "Oren Vasko", "", "1", ""},
          {"Pack/Harbour Rovers/Twin_face.bin", "", "", "", "0", "several players"},
          {"Pack/Sample Team/12345_face.bin", "Pack/Sample Team/12345_HAIR.bin", "Sample Player", "", "0",
           "row 1 installs the same file; row 1 is for this player too"},
          {"Pack/Sample Team/Arvid Penhale/Face.bin", "", "Arvid Penhale", "", "1", ""},
          {"Pack/Sample Team/Nobody_face.bin", "", "", "", "0", "no player"},
          {"", "Pack/Sample Team/tibo_marek - hair.bin", "Tibo Marek", "", "1", ""}}},
    };
    for (const auto& [keep, expected] : runs) {
        settings.keepTeamFolders = keep;
        const BatchPlan::Plan plan = BatchPlan::plan(settings, players, map);
        ASSERT_EQ(plan.rows.size(), expected.size()) << keep;
        EXPECT_EQ(plan.ignored, 2);  // readme.txt and Surface.bin
        for (size_t i = 0; i < expected.size(); ++i) {
            const BatchPlan::Row& r = plan.rows[i];
            const Expected& e = expected[i];
            const std::string at = "keep " + std::to_string(keep) + " row " + std::to_string(i + 1);
            EXPECT_EQ(QDir::fromNativeSeparators(r.faceEntry), e[0]) << at;
            EXPECT_EQ(QDir::fromNativeSeparators(r.hairEntry), e[1]) << at;
            EXPECT_EQ(r.player, e[2]) << at;
            EXPECT_EQ(r.teamFolder, e[3]) << at;
            EXPECT_EQ(r.ticked, e[4][0] == '1') << at;
            EXPECT_TRUE(r.problems.join("; ").contains(e[5])) << at << ": " << r.problems.join("; ").toStdString();
        }
    }
    // An unnamed player is named by the identifier.
    EXPECT_EQ(BatchPlan::plan(settings, players, map).rows[1].request.line, R"(7, "7_Face.bin")");
}

}  // namespace
