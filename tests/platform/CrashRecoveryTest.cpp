// Kills a child process at every step of an install, a batch install, a
// pack merge and a pack extraction, and at random moments, then runs the
// recovery that the program runs at start, and checks that nothing was lost
// and nothing left behind: the face folder and the archive are each either as
// before or as after, every map.txt line names files that exist, and no
// journal, scratch file or staging folder remains.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <random>
#include <thread>

#include "archive/FacePackImport.h"
#include "archive/PackFixtures.h"
#include "facefolder/FaceFolderCheck.h"
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

// The world every run starts from: a face folder whose map.txt ends without
// a line end, models that the installs replace, a team folder, working
// files, an archive that the pack merges into, and the pack.
void buildWorld(const QString& root)
{
    const QString face = root + "/Ludex/Face/";
    TestEnv::writeFile(face + "map.txt", R"(100, "Oren Vasko_Face.bin", "Oren Vasko_Hair.bin")");
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

class CrashRecovery : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        buildWorld(world);
        before = stateOf(world);
        const QString root = fresh();
        const QString out = runChild(root, 0);
        ASSERT_TRUE(out.contains("steps=")) << out.toStdString();
        steps = out.section("steps=", 1).section(' ', 0, 0).toInt();
        micros = out.section("micros=", 1).trimmed().toLongLong();
        after = stateOf(root);
        ASSERT_NE(after, before);
        ASSERT_GT(steps, 0);
    }

    // A copy of the world for one run.
    QString fresh()
    {
        const QString root = dir.filePath(QString::number(++runs));
        EXPECT_EQ(QProcess::execute("cp", {"-a", world, root}), 0);
        return root;
    }

    QString runChild(const QString& root, int killAt)
    {
        QProcess child;
        child.start(LUDEX_CRASH_CHILD, {GetParam(), root, QString::number(killAt)});
        EXPECT_TRUE(child.waitForFinished(60000));
        if (killAt > 0)
            EXPECT_EQ(child.exitStatus(), QProcess::CrashExit) << "step " << killAt;
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
        const auto recovered = FileTransaction::recover(root + "/program");
        FacePackImport::removeStaleStaging(root + "/program");
        EXPECT_TRUE(recovered.problems.isEmpty()) << what << ": " << recovered.problems.join('\n').toStdString();
        const State now = stateOf(root);
        EXPECT_TRUE(now == before || now == after) << what;
        // Every map.txt line names files that are there.
        MapFile::Document map;
        EXPECT_TRUE(MapFile::read(root + "/Ludex/Face/map.txt", map).ok) << what;
        FolderListing files = FolderListing::list(root + "/Ludex/Face");
        for (const auto& line : FaceFolderCheck::check(map, files).lines)
            EXPECT_FALSE(line.flags & (FaceFolderCheck::FaceMissing | FaceFolderCheck::HairMissing)) << what;
        EXPECT_EQ(QDir(root + "/program").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"Archive"})
            << what;
        QDir(root).removeRecursively();
    }

    // In memory where there is such a file system: the syncs, which a kill
    // does not need, cost nothing there, and hundreds of runs stay quick.
    QTemporaryDir dir{QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm/ludex-crash-XXXXXX")
                                                                         : QDir::tempPath() + "/ludex-crash-XXXXXX"};
    const QString world = dir.filePath("world");
    State before, after;
    int steps = 0, runs = 0;
    qint64 micros = 0;
};

TEST_P(CrashRecovery, AKillAtAnyMomentLosesNothingAndLeavesNothingBehind)
{
    int kills = 0;
    for (int step = 1; step <= steps; ++step, ++kills) {
        const QString root = fresh();
        runChild(root, step);
        recoverAndCheck(root, "killed at step " + std::to_string(step));
    }
    // Between the steps too: mid-copy, mid-append, mid-rename.
    std::mt19937 random(20110);
    std::uniform_int_distribution<qint64> moment(0, micros + micros / 4);
    while (kills < 55) {
        const QString root = fresh();
        const auto delay = std::chrono::microseconds(moment(random));
        killAfter(root, delay);
        recoverAndCheck(root, "killed after " + std::to_string(delay.count()) + " us");
        ++kills;
    }
    EXPECT_GE(kills, 55);
    RecordProperty("kills_at_steps", steps);
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
        // Until its lines stand, a failure leaves everything as it was at once;
        // after them, it only leaves scratch for the next recovery.
        if (!ok) {
            EXPECT_EQ(stateOf(root), before) << "failed at step " << step;
            EXPECT_EQ(QDir(root + "/program").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                      QStringList{"Archive"});
        }
        recoverAndCheck(root, "failed at step " + std::to_string(step));
    }
}

const auto kName = [](const auto& param) { return std::string(param.param); };
INSTANTIATE_TEST_SUITE_P(Work, CrashRecovery, ::testing::Values("install", "batch", "merge", "import"), kName);
INSTANTIATE_TEST_SUITE_P(Work, FailingStep, ::testing::Values("install", "batch", "merge"), kName);

}  // namespace
