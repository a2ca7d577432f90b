// Face packs made from a face folder: what goes in and what is left out,
// that a pack installs back exactly, and that a cancelled export leaves
// nothing.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "archive/FacePackImport.h"
#include "archive/PackExport.h"
#include "archive/PackFixtures.h"
#include "facefolder/BatchPlan.h"
#include "facefolder/Installer.h"
#include "platform/AtomicOutput.h"
#include "platform/Progress.h"
#include "support/FaceFolderFixture.h"
#include "support/FolderSnapshot.h"
#include "support/TestEnv.h"

namespace {

class CancelAfter : public ProgressSink {
public:
    explicit CancelAfter(int steps) : steps_(steps) {}
    void setValue(qint64) override { ++seen; }
    void setLabel(const QString&) override {}
    bool wasCanceled() const override { return seen >= steps_; }
    int seen = 0;

private:
    int steps_;
};

// The bytes of the file each entry line names, by line and kind, as the add-on finds them.
std::map<QString, QByteArray> modelsByLine(const QString& face)
{
    MapFile::Document doc;
    EXPECT_TRUE(MapFile::read(face + "/map.txt", doc).ok);
    FolderListing listing = FolderListing::list(face);
    const FaceFolderCheck::Report report = FaceFolderCheck::check(doc, listing);
    std::map<QString, QByteArray> models;
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        const FaceFolderCheck::LineState& st = report.lines[i];
        const QString id = QString::number(doc.lines[i].id);
        if (st.faceFile >= 0) models[id + " face"] = TestEnv::readFile(listing.absolute(listing.file(st.faceFile)));
        if (st.hairFile >= 0) models[id + " hair"] = TestEnv::readFile(listing.absolute(listing.file(st.hairFile)));
    }
    return models;
}

// map.txt as a pack of these lines holds it: each line's bytes and CR LF.
QByteArray withCrLf(const QByteArray& map, const std::function<bool(const MapFile::Line&)>& keep = {})
{
    const MapFile::Document doc = MapFile::parse(map);
    QByteArray out;
    for (const MapFile::Line& l : doc.lines)
        if (l.isEntry() && (!keep || keep(l))) out += doc.raw(l).toByteArray() + "\r\n";
    return out;
}

class PackExportTest : public ::testing::Test {
protected:
    void TearDown() override { AtomicOutput::setNamelessAllowed(true); }

    // Exports, unpacks the pack into an empty program's archive and installs
    // every row of it into an empty face folder, as the window does.
    void roundTrip(const PackExport::Selection& selection, const TestEnv& other)
    {
        const PackExport::Plan plan = PackExport::plan(env.faceFolder(), selection);
        ASSERT_TRUE(plan.status.ok) << qPrintable(plan.status.message);
        EXPECT_TRUE(plan.skipped.empty()) << qPrintable(plan.describeSkipped());
        const QString zip = env.path("out/Pack.zip");
        QDir().mkpath(env.path("out"));
        const Result written = PackExport::write(plan, zip, {.journalFolder = env.programFolder()});
        ASSERT_TRUE(written.ok) << qPrintable(written.message);

        UnRarExtractor unrar;
        const QString program = other.programFolder(), archive = program + "/Archive";
        const auto imported = FacePackImport(unrar, archive, program).run(zip);
        ASSERT_EQ(imported.outcome, FacePackImport::Outcome::Imported) << qPrintable(imported.message);
        BatchPlan::Settings s;
        s.folder = s.archiveFolder = archive;
        s.faceFolder = other.faceFolder();
        s.journalFolder = program;
        const BatchPlan::Plan rows = BatchPlan::plan(s, {}, MapFile::Document());
        ASSERT_EQ(rows.rows.size(), plan.entries.size());
        for (const BatchPlan::Row& row : rows.rows) EXPECT_TRUE(row.ticked) << qPrintable(row.problems.join("; "));
        const Result installed = Installer::install(BatchPlan::tickedRequests(rows));
        ASSERT_TRUE(installed.ok) << qPrintable(installed.message);
    }

    TestEnv env;
};

TEST_F(PackExportTest, AWholeFaceFolderAndOneTeamInstallBackWithTheSameLinesAndModels)
{
    const QByteArray map = FaceFolderFixture::build(env.faceFolder(), {.entries = 320, .teams = 4});
    TestEnv other, third;
    roundTrip({.all = true}, other);
    EXPECT_EQ(TestEnv::readFile(other.faceFolder() + "/map.txt"), withCrLf(map));
    const auto models = modelsByLine(env.faceFolder());
    EXPECT_EQ(models.size(), 320u * 2 - 64);  // 32 face-only and 32 hair-only lines
    EXPECT_EQ(modelsByLine(other.faceFolder()), models);

    // One team, asked for in other letters.
    roundTrip({.teamFolders = {"team 2"}}, third);
    const auto inTeam2 = [](const MapFile::Line& l) { return (l.face + l.hair).contains("Team 2\\"); };
    EXPECT_EQ(TestEnv::readFile(third.faceFolder() + "/map.txt"), withCrLf(map, inTeam2));
    EXPECT_EQ(QDir(third.faceFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"Team 2"});
    const auto installed = modelsByLine(third.faceFolder());
    auto team2 = models;
    std::erase_if(team2, [&](const auto& m) { return !installed.count(m.first); });
    EXPECT_GT(team2.size(), 100u);
    EXPECT_EQ(installed, team2);
}

TEST_F(PackExportTest, ProblemEntriesAreLeftOutWithTheirReasonsAndTheRestGoes)
{
    const QString face = env.faceFolder();
    for (const char* f :
         {"A_face.bin", "A_Hair.bin", "Team/B_Face.bin", "Team/D_Face.bin", "Shared_Hair.bin", "Bad?Name_Face.bin"})
        TestEnv::writeFile(face + "/" + f, f);
    TestEnv::writeFile(env.root() + "/elsewhere/L_Face.bin", "secret");
    ASSERT_TRUE(QFile::link(env.root() + "/elsewhere", face + "/Linked"));
    TestEnv::writeFile(face + "/map.txt",
                       "1, \"A_Face.bin\", \"A_Hair.bin\"\r\n"              // 1: goes
                       "2, \"Team\\B_Face.bin\", \"Team\\B_Hair.bin\"\r\n"  // 2: hair missing
                       "3, \"Team\\D_Face.bin\"\r\n"                        // 3: same player as line 4
                       "3, \"A_Face.bin\"\r\n"                              // 4
                       "junk\r\n"                                           // 5: not understood
                       "\r\n"                                               // 6: blank, left out silently
                       "5, \"..\\up.bin\"\r\n"                              // 7: leaves the face folder
                       "6, \"Linked\\L_Face.bin\"\r\n"                      // 8: through a linked folder
                       "7, \"Bad?Name_Face.bin\"\r\n"                       // 9: no Windows name
                       "8, ,\"Shared_Hair.bin\"\r\n"                        // 10: goes
                       "9, ,\"shared_hair.bin\"");                          // 11: the same file as line 10
    const PackExport::Plan plan = PackExport::plan(face, {.all = true, .ids = {1, 42}, .teamFolders = {"Nowhere"}});
    ASSERT_TRUE(plan.status.ok);
    ASSERT_EQ(plan.entries.size(), 2u);
    EXPECT_EQ(plan.entries[0].hairEntry, "A_Hair.bin");
    EXPECT_EQ(plan.entries[0].faceEntry, "A_Face.bin");  // the line's name, not the disk's "A_face.bin"
    EXPECT_EQ(plan.entries[1].lineBytes, "8, ,\"Shared_Hair.bin\"");
    EXPECT_EQ(plan.files, 3);
    std::map<int, QString> why;
    for (const auto& s : plan.skipped) why[s.line] += s.why;
    EXPECT_TRUE(why[-1].contains("no line for this player") && why[-1].contains("no line of map.txt names a file"));
    EXPECT_TRUE(why[1].contains("hair file \"Team\\B_Hair.bin\" is missing")) << qPrintable(why[1]);
    EXPECT_TRUE(why[2].contains("line 4 too") && why[3].contains("line 3 too"));
    EXPECT_TRUE(why[4].startsWith("not understood"));
    EXPECT_TRUE(why[6].contains("leaves the face folder"));
    EXPECT_TRUE(why[7].contains("link"));
    EXPECT_TRUE(why[8].contains("Windows"));
    EXPECT_TRUE(why[10].contains("exported with line 10 already"));
    EXPECT_EQ(why.size(), 9u);                          // the blank line is not mentioned
    EXPECT_EQ(plan.describeSkipped(2).count('\n'), 2);  // two and "... and 7 more"

    // Nothing to write is refused without a file.
    const PackExport::Plan none = PackExport::plan(face, {.ids = {2}});
    EXPECT_FALSE(PackExport::write(none, env.path("none.zip"), {.journalFolder = env.programFolder()}).ok);
    EXPECT_FALSE(QFile::exists(env.path("none.zip")));
    EXPECT_FALSE(PackExport::plan(env.path("missing"), {.all = true}).status.ok);
}

TEST_F(PackExportTest, ACancelledOrFailedExportLeavesNothingAndKeepsAnOldFile)
{
    FaceFolderFixture::build(env.faceFolder(), {.entries = 20, .modelBytes = 1 << 20});
    const PackExport::Plan plan = PackExport::plan(env.faceFolder(), {.all = true});
    const QString out = env.path("out");
    for (const bool nameless : {true, false}) {
        AtomicOutput::setNamelessAllowed(nameless);
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        CancelAfter cancel(10);
        const Result r =
            PackExport::write(plan, out + "/Pack.zip", {.journalFolder = env.programFolder(), .progress = &cancel});
        EXPECT_EQ(r.message, PackExport::cancelledMessage());
        EXPECT_EQ(snapshotFolder(out), FolderSnapshot{});
        EXPECT_EQ(snapshotFolder(env.programFolder()), FolderSnapshot{});

        TestEnv::writeFile(out + "/Pack.zip", "the old pack");
        CancelAfter late(1000000);
        EXPECT_FALSE(
            PackExport::write(plan, out + "/Pack.zip", {.journalFolder = env.programFolder(), .progress = &cancel}).ok);
        EXPECT_EQ(snapshotFolder(out), (FolderSnapshot{{"Pack.zip", "the old pack"}}));
        ASSERT_TRUE(
            PackExport::write(plan, out + "/Pack.zip", {.journalFolder = env.programFolder(), .progress = &late}).ok);
        EXPECT_GT(QFileInfo(out + "/Pack.zip").size(), plan.bytes);
        EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"Pack.zip"});
        EXPECT_EQ(snapshotFolder(env.programFolder()), FolderSnapshot{});
    }
    // A folder that is not there, a folder in the way, a file the pack takes.
    const QByteArray map = TestEnv::readFile(env.faceFolder() + "/map.txt");
    EXPECT_FALSE(PackExport::write(plan, env.faceFolder() + "/map.txt", {.journalFolder = env.programFolder()}).ok);
    EXPECT_EQ(TestEnv::readFile(env.faceFolder() + "/map.txt"), map);
    EXPECT_FALSE(PackExport::write(plan, env.path("no/such/Pack.zip"), {.journalFolder = env.programFolder()}).ok);
    QDir().mkpath(out + "/Folder.zip");
    EXPECT_FALSE(PackExport::write(plan, out + "/Folder.zip", {.journalFolder = env.programFolder()}).ok);
}

// A pack's map.txt is foreign input: its names must not lead anywhere but
// into the face folder, and a broken line installs nothing.
TEST_F(PackExportTest, APacksMapThatLeadsOutsideOrNamesMissingFilesInstallsNothingOfThoseLines)
{
    const QString archive = env.programFolder() + "/Archive";
    for (const char* f : {"Team/Good_Face.bin", "Team/Good_Hair.bin", "777_face.bin", "evil.bin", "Con/evil.bin"})
        TestEnv::writeFile(archive + "/Pack/" + f, f);
    TestEnv::writeFile(env.root() + "/outside/x.bin", "x");
    ASSERT_TRUE(QFile::link(env.root() + "/outside", archive + "/Pack/Linked"));
    TestEnv::writeFile(archive + "/Pack/map.txt",
                       "1, \"Team\\Good_Face.bin\", \"team\\GOOD_hair.bin\"\r\n"  // goes, in the pack's letter case
                       "2, \"..\\..\\evil.bin\"\r\n"
                       "3, \"C:\\evil.bin\"\r\n"
                       "4, \"Team\\Missing.bin\"\r\n"
                       "5, \"Linked\\x.bin\"\r\n"
                       "6, \"Con\\evil.bin\"\r\n"
                       "not a line\r\n");
    BatchPlan::Settings s;
    s.folder = s.archiveFolder = archive;
    s.faceFolder = env.faceFolder();
    s.journalFolder = env.programFolder();
    const BatchPlan::Plan plan = BatchPlan::plan(s, {{777, "Loose"}}, MapFile::Document());
    ASSERT_EQ(plan.rows.size(), 8u);
    std::map<qint32, QString> problems;
    for (const auto& row : plan.rows) {
        if (!row.packMap.isEmpty()) problems[row.id] += row.problems.join("; ");
        EXPECT_EQ(row.blocked, row.id != 1 && row.id != 777) << row.id;
    }
    EXPECT_TRUE(problems[2].contains("leave") && problems[3].contains("leave"));
    EXPECT_TRUE(problems[4].contains("no file") && problems[5].contains("link"));
    EXPECT_TRUE(problems[6].contains("reserved device name"));
    EXPECT_TRUE(problems[0].contains("not understood"));
    // Files of the pack that no line names still match players by name.
    EXPECT_EQ(plan.rows.back().id, 777);
    EXPECT_EQ(plan.rows.back().faceEntry, "Pack/777_face.bin");
    // An existing team folder in other letters takes the pack's models.
    QDir().mkpath(env.faceFolder() + "/TEAM");
    const BatchPlan::Plan again = BatchPlan::plan(s, {}, MapFile::Document());
    ASSERT_TRUE(Installer::install(BatchPlan::tickedRequests(again)).ok);
    EXPECT_EQ(snapshotFolder(env.faceFolder()),
              (FolderSnapshot{{"TEAM/", "<folder>"},
                              {"TEAM/Good_Face.bin", "Team/Good_Face.bin"},
                              {"TEAM/GOOD_hair.bin", "Team/Good_Hair.bin"},
                              {"map.txt", "1, \"Team\\Good_Face.bin\", \"team\\GOOD_hair.bin\"\r\n"}}));
    EXPECT_FALSE(QFile::exists(env.root() + "/evil.bin"));
}

}  // namespace
