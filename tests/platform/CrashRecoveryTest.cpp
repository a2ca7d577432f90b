// Kills a child process at every step of an install, a batch install, a
// removal, an undo, a pack merge and a pack extraction, before every rename
// it makes, and at random moments, then runs the recovery that the program
// runs at start, and checks that nothing was lost, nothing left behind and
// the undo kept: the face folder and the archive are each either as before or
// as after, every map.txt line names files that exist, no journal, scratch
// file or staging folder remains, and Undo Last Install takes back exactly
// the last install that went through.
//
// LUDEX_CRASH_KILLS sets the number of random kills of each work (100).
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <random>
#include <thread>

#include "archive/PackFixtures.h"
#include "facefolder/FaceFolderCheck.h"
#include "facefolder/InstallUndo.h"
#include "facefolder/InterruptedWork.h"
#include "platform/CrashScenarios.h"
#include "platform/FileTransaction.h"
#include "platform/ProcessOwner.h"
#include "support/FolderSnapshot.h"
#include "support/RarWriter.h"
#include "support/TestEnv.h"

namespace {

using PackFixtures::modelBytes;

struct State {
    FolderSnapshot face, archive;
    bool operator==(const State&) const = default;
};

void PrintTo(const State& state, std::ostream* os)
{
    *os << "\nface folder:";
    PrintTo(state.face, os);
    *os << "\narchive:";
    PrintTo(state.archive, os);
}

int randomKills()
{
    const int asked = qEnvironmentVariableIntValue("LUDEX_CRASH_KILLS");
    return asked > 0 ? asked : 100;
}

// The world every run starts from: a face folder whose map.txt ends without
// a line end, models that the installs replace, an older map.txt.bak, a team
// folder, working files, an archive that the pack merges into, and the pack.
void buildWorld(const QString& root)
{
    const QString face = root + "/Ludex/Face/";
    TestEnv::writeFile(face + "map.txt", R"(100, "Oren Vasko_Face.bin", "Oren Vasko_Hair.bin")");
    TestEnv::writeFile(face + "map.txt.bak", "older map");
    TestEnv::writeFile(face + "Oren Vasko_Face.bin", "old face");
    TestEnv::writeFile(face + "Oren Vasko_Hair.bin", "old hair");
    TestEnv::writeFile(face + "Sample Team/Sample Player_Hair.bin", "old team hair");
    TestEnv::writeFile(root + "/work/Face", modelBytes(300000, 1));
    TestEnv::writeFile(root + "/work/Hair", modelBytes(200000, 2));
    TestEnv::writeFile(root + "/program/Archive/t.bin", "old t");
    TestEnv::writeFile(root + "/program/Archive/A/p1.bin", "old p1");
    TestEnv::writeFile(root + "/program/Archive/A/keep.bin", "kept");
    std::vector<RarWriter::Entry> entries;
    for (const char* name : {"t.bin", "k.bin", "A/p1.bin", "A/new.bin", "B/Sub/p3.bin", "B/p4.bin", "C/p5.bin"})
        entries.push_back({name, modelBytes(150000, int(entries.size()) + 3)});
    ASSERT_TRUE(RarWriter::write(root + "/pack.rar", RarWriter::Version::Rar5, entries));
}

State stateOf(const QString& root)
{
    return {snapshotFolder(root + "/Ludex/Face"), snapshotFolder(root + "/program/Archive")};
}

// Undoes the last install in the world; false when there is none to undo.
bool undoLast(const QString& root)
{
    const InstallUndo::Plan plan = InstallUndo::prepare(root + "/program", root + "/Ludex/Face");
    return plan.refusal && InstallUndo::undo(root + "/program", plan);
}

// The scratch names in a world (journals, files written beside their
// targets, backups, staging folders), relative to it.
QStringList scratchUnder(const QString& root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString rel = QDir(root).relativeFilePath(it.next());
        // The undo's record and the folder of the files it keeps are no scratch.
        if (rel == "program/.ludex-undo-record" || rel == "program/.ludex-undo") continue;
        if (QFileInfo(rel).fileName().startsWith(FileTransaction::scratchPrefix()) || rel.contains("facepack"))
            found << rel;
    }
    return found;
}

class CrashRecovery : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        buildWorld(world);
        QString root = fresh();
        before = stateOf(root);
        ASSERT_TRUE(undoLast(root)) << "the earlier install";
        beforeUndone = stateOf(root);

        root = fresh();
        const QString out = runChild(root, 0);
        ASSERT_TRUE(out.contains("steps=")) << out.toStdString();
        steps = out.section("steps=", 1).section(' ', 0, 0).toInt();
        renames = out.section("renames=", 1).section(' ', 0, 0).toInt();
        micros = out.section("micros=", 1).trimmed().toLongLong();
        after = stateOf(root);
        ASSERT_NE(after, before);
        ASSERT_GT(steps, 0);
        ASSERT_TRUE(scratchUnder(root).isEmpty()) << scratchUnder(root).join(' ').toStdString();
        afterUndoable = undoLast(root);
        afterUndone = stateOf(root);
        // What an install did is what the undo takes back; a removal or an undo leaves none to take back.
        const QString work = GetParam();
        ASSERT_EQ(afterUndoable, work != "remove" && work != "undo");
    }

    // A copy of the world for one run, after an install that can be undone.
    QString fresh()
    {
        const QString root = dir.filePath(QString::number(++runs));
        EXPECT_EQ(QProcess::execute("cp", {"-a", world, root}), 0);
        EXPECT_TRUE(runCrashScenario("earlier", root));
        return root;
    }

    QString runChild(const QString& root, int killAt, const QString& mode = QString())
    {
        QProcess child;
        QStringList args = {GetParam(), root, QString::number(killAt)};
        if (!mode.isEmpty()) args << mode;
        child.start(LUDEX_CRASH_CHILD, args);
        EXPECT_TRUE(child.waitForFinished(60000));
        if (killAt > 0)
            EXPECT_EQ(child.exitStatus(), QProcess::CrashExit) << mode.toStdString() << " " << killAt;
        else
            EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
        return QString::fromLocal8Bit(child.readAllStandardOutput());
    }

    // Starts the child, lets it work for the given time, kills it.
    void killAfter(const QString& root, std::chrono::microseconds delay)
    {
        QProcess child;
        child.start(LUDEX_CRASH_CHILD, {GetParam(), root, "0", "wait"});
        ASSERT_TRUE(child.waitForReadyRead(60000));
        const QString owner = QString::fromLocal8Bit(child.readLine()).section(' ', 1).trimmed();
        EXPECT_TRUE(ProcessOwner::isAlive(owner));
        child.write("go\n");
        child.waitForBytesWritten();
        std::this_thread::sleep_for(delay);
        child.kill();
        EXPECT_TRUE(child.waitForFinished(60000));
        EXPECT_FALSE(ProcessOwner::isAlive(owner));
    }

    // What the program does at start, then the checks.
    void recoverAndCheck(const QString& root, const std::string& what)
    {
        const auto recovered = recoverInterruptedWork(root + "/program", root + "/Ludex/Face");
        EXPECT_TRUE(recovered.problems.isEmpty()) << what << ": " << recovered.problems.join('\n').toStdString();
        const State now = stateOf(root);
        EXPECT_TRUE(now == before || now == after) << what;
        // Every map.txt line names files that are there.
        MapFile::Document map;
        EXPECT_TRUE(MapFile::read(root + "/Ludex/Face/map.txt", map).ok) << what;
        FolderListing files = FolderListing::list(root + "/Ludex/Face");
        for (const auto& line : FaceFolderCheck::check(map, files).lines)
            EXPECT_FALSE(line.flags & (FaceFolderCheck::FaceMissing | FaceFolderCheck::HairMissing)) << what;
        EXPECT_EQ(scratchUnder(root).join(' '), "") << what;
        EXPECT_TRUE(QDir(root + "/program").entryList(QDir::Files | QDir::Hidden).size() <= 1) << what;
        // The folder of kept files only beside a record that keeps them.
        EXPECT_TRUE(!QFileInfo::exists(root + "/program/.ludex-undo") ||
                    QFileInfo::exists(root + "/program/.ludex-undo-record"))
            << what;
        // The last install that went through is the one the undo takes back.
        if (now == before) {
            EXPECT_TRUE(undoLast(root)) << what << ": the earlier install";
            EXPECT_EQ(stateOf(root), beforeUndone) << what;
        } else if (now == after) {
            EXPECT_EQ(undoLast(root), afterUndoable) << what;
            EXPECT_EQ(stateOf(root), afterUndone) << what;
        }
        QDir(root).removeRecursively();
    }

    // In memory where there is such a file system: the syncs, which a kill
    // does not need, cost nothing there, and hundreds of runs stay quick.
    QTemporaryDir dir{QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm/ludex-crash-XXXXXX")
                                                                         : QDir::tempPath() + "/ludex-crash-XXXXXX"};
    const QString world = dir.filePath("world");
    State before, beforeUndone, after, afterUndone;
    bool afterUndoable = false;
    int steps = 0, renames = 0, runs = 0;
    qint64 micros = 0;
};

TEST_P(CrashRecovery, AKillAnywhereLosesNothingLeavesNothingKeepsTheUndo)
{
    for (int step = 1; step <= steps; ++step) {
        const QString root = fresh();
        runChild(root, step);
        recoverAndCheck(root, "killed at step " + std::to_string(step));
    }
    // Just before each rename: where a file written beside its target is left.
    for (int rename = 1; rename <= renames; ++rename) {
        const QString root = fresh();
        runChild(root, rename, "renames");
        recoverAndCheck(root, "killed before rename " + std::to_string(rename));
    }
    // Between them too: mid-copy, mid-append, mid-rename.
    std::mt19937 random(20110);
    std::uniform_int_distribution<qint64> moment(0, micros + micros / 4);
    const int kills = randomKills();
    for (int k = 0; k < kills; ++k) {
        const QString root = fresh();
        const auto delay = std::chrono::microseconds(moment(random));
        killAfter(root, delay);
        recoverAndCheck(root, "killed after " + std::to_string(delay.count()) + " us");
    }
    RecordProperty("kills_at_steps", steps);
    RecordProperty("kills_before_renames", renames);
    RecordProperty("random_kills", kills);
}

// A failing extraction has not touched the archive yet: only the transactions here.
using FailingStep = CrashRecovery;

TEST_P(FailingStep, TakesEverythingBackAtOnce)
{
    for (int step = 1; step <= steps; ++step) {
        const QString root = fresh();
        FileTransaction::setStepHook([step](int at) { return at != step; });
        const bool ok = runCrashScenario(GetParam(), root);
        FileTransaction::setStepHook({});
        // Until its end, a failure leaves everything as it was at once;
        // after it, it only leaves scratch for the next recovery.
        if (!ok) {
            EXPECT_EQ(stateOf(root), before) << "failed at step " << step;
            EXPECT_EQ(scratchUnder(root).join(' '), "") << "failed at step " << step;
        }
        recoverAndCheck(root, "failed at step " + std::to_string(step));
    }
}

const auto kName = [](const auto& param) { return std::string(param.param); };
INSTANTIATE_TEST_SUITE_P(Work, CrashRecovery,
                         ::testing::Values("install", "batch", "remove", "undo", "merge", "import"), kName);
INSTANTIATE_TEST_SUITE_P(Work, FailingStep, ::testing::Values("install", "batch", "remove", "undo", "merge"), kName);

}  // namespace
