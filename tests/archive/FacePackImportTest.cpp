#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <cstring>

#include "archive/FacePackImport.h"
#include "archive/PackFixtures.h"
#include "platform/ProcessOwner.h"
#include "support/FolderSnapshot.h"
#include "support/RarPackTest.h"
#include "support/TestEnv.h"

namespace {

using Outcome = FacePackImport::Outcome;

class Import : public RarPackTest {
protected:
    FacePackImport::Report run(const QString& path, const FacePackImport::NestedOffer& offer = {})
    {
        QDir().mkpath(program);
        const auto result = FacePackImport(unrar, archive, program).run(path, nullptr, offer);
        const auto left = QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        EXPECT_EQ(left, QStringList{"Archive"});  // nothing of the staging stays
        return result;
    }

    const QString program = dir.filePath("program"), archive = program + "/Archive";
};

TEST_P(Import, PacksMergeIntoTheArchiveUnlessAnEntryIsInTheWay)
{
    const auto folders = run(pack("1.rar", {{"A", {}, true},
                                            {"A/p1.bin", "1"},
                                            {"A/p2.bin", "1"},
                                            {"B/Sub/p3.bin", "1"}}));  // B: no folder entries of its own
    const auto files = run(pack("2.rar", {{"t.bin", "2"}, {"k.bin", "2"}, {"t.bin", "2, later"}}));
    const auto both =
        run(pack("3.rar", {{"../../escape.bin", "e"}, {"t.bin", "3"}, {"A/p1.bin", "3"}, {"C/p4.bin", "3"}}));
    for (const auto& r : {folders, files, both}) EXPECT_EQ(r.outcome, Outcome::Imported) << qPrintable(r.message);
    EXPECT_TRUE(both.message.contains("left out") && both.message.contains("escape.bin"));
    const FolderSnapshot merged = snapshotFolder(archive);
    EXPECT_EQ(merged, (FolderSnapshot{{"t.bin", "3"},
                                      {"k.bin", "2"},
                                      {"A/", "<folder>"},
                                      {"A/p1.bin", "3"},
                                      {"A/p2.bin", "1"},
                                      {"B/", "<folder>"},
                                      {"B/Sub/", "<folder>"},
                                      {"B/Sub/p3.bin", "1"},
                                      {"C/", "<folder>"},
                                      {"C/p4.bin", "3"}}));

    // Checked before anything moves: a read-only file, or a file where the archive has a folder.
    QFile::setPermissions(archive + "/A/p2.bin", QFileDevice::ReadOwner);
    const std::pair<RarWriter::Entry, const char*> cases[] = {
        {{"A/p2.bin", "4"}, "\"A/p2.bin\" in the archive is read-only"},
        {{"C", "a file"}, "\"C\" in the archive is a folder"}};
    for (const auto& [entry, said] : cases) {
        const auto r = run(pack("4.rar", {{"new.bin", "4"}, entry}));
        EXPECT_EQ(r.outcome, Outcome::Failed);
        EXPECT_TRUE(r.message.contains(said) && r.message.contains("Nothing was added"));
        EXPECT_EQ(snapshotFolder(archive), merged);
    }
}

TEST_P(Import, PacksThatAreAllAPackHoldsAreUnpackedOnRequest)
{
    const QString zip = dir.filePath("inner.zip");
    ASSERT_TRUE(PackFixtures::write(zip, "zip", {{"Z/z.bin", "z"}}));
    const QByteArray s = PackFixtures::modelBytes(3000, 1);
    const QStringList set = RarWriter::writeSplit(dir.filePath("set/Second.rar"), GetParam(), {{"S/s.bin", s}}, 2);
    const std::vector<RarWriter::Entry> outer = {{"Inner.zip", TestEnv::readFile(zip)},
                                                 {"Sub/Second.part1.rar", TestEnv::readFile(set[0])},
                                                 {"Sub/Second.part2.rar", TestEnv::readFile(set[1])},
                                                 {"readme.txt", "r"}};
    QStringList offered;
    const auto yes = run(pack("outer.rar", outer), [&offered](const QStringList& packs) {
        offered = packs;
        return true;
    });
    ASSERT_EQ(yes.outcome, Outcome::Imported) << qPrintable(yes.message);
    EXPECT_EQ(offered, (QStringList{"Inner.zip", "Sub/Second.part1.rar"}));
    EXPECT_EQ(snapshotFolder(archive), (FolderSnapshot{{"readme.txt", "r"},
                                                       {"Inner/", "<folder>"},
                                                       {"Inner/Z/", "<folder>"},
                                                       {"Inner/Z/z.bin", "z"},
                                                       {"Sub/", "<folder>"},
                                                       {"Sub/Second/", "<folder>"},
                                                       {"Sub/Second/S/", "<folder>"},
                                                       {"Sub/Second/S/s.bin", s}}));

    // Declined: the packs are merged as they are. A model beside them: no offer.
    QDir(archive).removeRecursively();
    const auto no = run(pack("outer.rar", outer), [](const QStringList&) { return false; });
    EXPECT_TRUE(no.outcome == Outcome::Imported && QFileInfo(archive + "/Sub/Second.part2.rar").isFile());
    offered.clear();
    run(pack("mixed.rar", {outer[0], {"face.bin", "f"}}), [&offered](const QStringList& packs) {
        offered = packs;
        return true;
    });
    EXPECT_TRUE(offered.isEmpty() && QFileInfo(archive + "/Inner.zip").isFile());

    // A pack inside that cannot be unpacked stops the import, naming it.
    const FolderSnapshot before = snapshotFolder(archive);
    const auto bad = run(pack("bad.rar", {{"Broken.zip", "not a zip"}}), [](const QStringList&) { return true; });
    EXPECT_TRUE(bad.outcome == Outcome::Failed && bad.message.contains("\"Broken.zip\" is not a face pack"));
    EXPECT_EQ(snapshotFolder(archive), before);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Import, RarPackTest::layouts(), RarPackTest::layoutName);

// The merge alone, from a staged tree: two files replace older ones, a folder
// is new to the archive.
class Merge : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"A/p1.bin", "A/p2.bin"}) {
            TestEnv::writeFile(archive + '/' + name, "old");
            TestEnv::writeFile(stage + '/' + name, QByteArray(10000, 'n'));
        }
        TestEnv::writeFile(stage + "/B/p3.bin", "new");
        QDir().mkpath(program);
    }

    QTemporaryDir dir;
    QString program = dir.filePath("program"), archive = program + "/Archive", stage = dir.filePath("stage");
};

TEST_F(Merge, AFileThatCannotBeReplacedTakesTheWholeMergeBack)
{
    // Writable by its permissions, so the check lets it pass; immutable, so
    // the rename over it fails after A/p1.bin was replaced.
    const QByteArray p2 = QFile::encodeName(archive + "/A/p2.bin");
    const int fd = open(p2.constData(), O_RDONLY);
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 ||
        (flags |= FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags)) != 0) {
        close(fd);
        GTEST_SKIP() << "this file system or process cannot make a file immutable";
    }
    ASSERT_TRUE(FacePackImport::mergeConflict(stage, archive).ok);
    const FolderSnapshot before = snapshotFolder(archive);
    const Result merged = FacePackImport::merge(stage, archive, program);
    flags &= ~FS_IMMUTABLE_FL;
    ioctl(fd, FS_IOC_SETFLAGS, &flags);
    close(fd);
    EXPECT_FALSE(merged.ok);
    EXPECT_TRUE(merged.message.contains("p2.bin") && merged.message.contains(strerror(EPERM)))
        << merged.message.toStdString();
    EXPECT_EQ(snapshotFolder(archive), before);
    EXPECT_EQ(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"Archive"});
}

TEST_F(Merge, ACopyAcrossDisksThatFailsSaysWhyAndTakesItselfBack)
{
    QTemporaryDir memory("/dev/shm/ludex-merge-XXXXXX");
    struct stat a, b;
    if (!memory.isValid() || stat("/dev/shm", &a) != 0 || stat(QFile::encodeName(program).constData(), &b) != 0 ||
        a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at hand";
    ASSERT_EQ(QProcess::execute("cp", {"-a", stage, memory.path()}), 0);
    // Files may not grow past 4 KiB: the journal fits, the 10,000-byte copies do not.
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small = {4096, old.rlim_max};
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    const FolderSnapshot before = snapshotFolder(archive);
    setrlimit(RLIMIT_FSIZE, &small);
    const Result merged = FacePackImport::merge(memory.path() + "/stage", archive, program);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(merged.ok);
    EXPECT_TRUE(merged.message.contains(strerror(EFBIG)) && !merged.message.contains("Unknown error"))
        << merged.message.toStdString();
    EXPECT_EQ(snapshotFolder(archive), before);
}

TEST_F(Merge, StagingOfEndedImportsAndALinkedArchiveAreNamedForWhatTheyAre)
{
    // Staging folders of a process that has ended, of one from before owners
    // were recorded, and of this process, which stays.
    const QString current = ".facepack-" + ProcessOwner::current() + "-aaaaaa";
    for (const QString& name : {QString(".facepack-999999999.1-bbbbbb"), QString(".facepack-cccccc"), current})
        TestEnv::writeFile(program + '/' + name + "/pack/x.bin", "x");
    EXPECT_EQ(FacePackImport::removeStaleStaging(program), 2);
    EXPECT_EQ(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({current, "Archive"}));

    QDir(archive).removeRecursively();
    ASSERT_TRUE(QFile::link(stage, archive));
    const Result refused = FacePackImport::mergeConflict(stage, archive);
    EXPECT_TRUE(refused.message.startsWith("the archive folder") && refused.message.endsWith("is a link"))
        << refused.message.toStdString();
}

}  // namespace
