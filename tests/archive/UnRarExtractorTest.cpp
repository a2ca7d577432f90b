#include <gtest/gtest.h>

#include <QDir>

#include <sys/stat.h>

#include "archive/FacePackImport.h"
#include "archive/PackFixtures.h"
#include "support/FolderSnapshot.h"
#include "support/RarPackTest.h"
#include "support/TestEnv.h"

namespace {

using Status = UnRarExtractor::Status;
using Limits = UnRarExtractor::Limits;

class ExtractRar : public RarPackTest {
protected:
    QString out() const { return dir.filePath("out"); }
};

TEST_P(ExtractRar, EntriesThatTryToEscapeAreSkippedAndNamed)
{
    const QString path = pack("p.rar", {{"../e1", "e"},
                                        {"T/../../e2", "e"},
                                        {"C:\\e3", "e"},
                                        {"..\\e4", "e"},
                                        {"./D:e6", "e"},
                                        {dir.filePath("e5"), "e"},
                                        {"T/..ok.bin", "ok"}});
    const auto r = unrar.Extract(path, out());
    ASSERT_TRUE(r.ok()) << qPrintable(r.errorText);
    EXPECT_EQ(r.skipped.size(), 6);
    EXPECT_EQ(snapshotFolder(out()), (FolderSnapshot{{"T/", "<folder>"}, {"T/..ok.bin", "ok"}}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);  // out, p.rar
}

TEST_P(ExtractRar, ALinkAlreadyInTheDestinationIsNotFollowed)
{
    const QString outside = dir.filePath("outside");
    ASSERT_TRUE(QDir().mkpath(outside) && QDir().mkpath(out()));
    ASSERT_TRUE(QFile::link(outside, out() + "/Team") && QFile::link(outside + "/x.bin", out() + "/top.bin"));
    EXPECT_EQ(unrar.Extract(pack("p.rar", {{"Team/a.bin", "a"}}), out()).status, Status::WriteFailed);
    EXPECT_EQ(unrar.Extract(pack("p.rar", {{"top.bin", "t"}}), out()).status, Status::WriteFailed);
    EXPECT_TRUE(snapshotFolder(outside).empty());
}

TEST_P(ExtractRar, APackCutShortAnywhereIsReportedDamaged)
{
    const QByteArray whole = TestEnv::readFile(pack("p.rar", {{"a", "a"}, {"T", {}, true}, {"T/b", "b"}}));
    for (qsizetype cut = 1; cut < whole.size(); ++cut) {
        TestEnv::writeFile(dir.filePath("cut.rar"), whole.left(cut));
        const Status s = unrar.Extract(dir.filePath("cut.rar"), out()).status;
        EXPECT_TRUE(s == Status::Damaged || (cut <= 40 && s == Status::NotAnArchive)) << cut;
    }
}

TEST_P(ExtractRar, BoundsStopRunawayPacks)
{
    const QString path = pack("p.rar", {{"a", QByteArray(4000, 'a')}, {"b", "b"}, {"c", "c"}, {"d", "d"}});
    for (const auto& [limits, status] : {std::pair{Limits{.maxEntries = 3}, Status::TooManyEntries},
                                         {Limits{.maxTotalBytes = 3000}, Status::TooLarge},
                                         {Limits{.reserveBytes = qint64(1) << 62}, Status::DiskFull}}) {
        unrar.setLimits(limits);
        EXPECT_EQ(unrar.Extract(path, out()).status, status);
    }
}

TEST_P(ExtractRar, FilesProtectedByAPasswordAreSaidToBe)
{
    const auto r = unrar.Extract(pack("p.rar", {{"a.bin", "a"}, {"b.bin", "b", false, true}}), out());
    EXPECT_EQ(r.status, Status::Encrypted);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ExtractRar, RarPackTest::layouts(), RarPackTest::layoutName);

// A pack's tree: folders with and without entries of their own, a model of
// `size` bytes, a smaller one and a loose file.
std::vector<RarWriter::Entry> tree(int size)
{
    return {{"T", {}, true},
            {"T/a.bin", PackFixtures::modelBytes(size, 1)},
            {"E", {}, true},
            {"T/b.bin", PackFixtures::modelBytes(70000, 2)},
            {"c.txt", "c"}};
}

// A pack's tree as one file, then split into parts; any part chosen reads the whole set.
struct SplitCase {
    RarWriter::Version version;
    RarWriter::Naming naming;
    int parts;
};

std::string splitName(const SplitCase& c)
{
    return std::string(c.version == RarWriter::Version::Rar4 ? "Rar4" : "Rar5") +
           (c.naming == RarWriter::Naming::Parts ? "Parts" : "OldStyle") + std::to_string(c.parts);
}
void PrintTo(const SplitCase& c, std::ostream* os) { *os << splitName(c); }
std::string splitCaseName(const ::testing::TestParamInfo<SplitCase>& param) { return splitName(param.param); }

class ExtractSplit : public ::testing::TestWithParam<SplitCase> {
protected:
    QStringList writeSet()
    {
        const SplitCase& c = GetParam();
        return RarWriter::writeSplit(dir.filePath("set/Pack.rar"), c.version, tree(300000), c.parts, c.naming);
    }

    QTemporaryDir dir;
    UnRarExtractor unrar;
};

TEST_P(ExtractSplit, AnyPartImportsTheWholeSetLikeOneFile)
{
    const QStringList parts = writeSet();
    ASSERT_EQ(parts.size(), GetParam().parts);
    ASSERT_TRUE(RarWriter::write(dir.filePath("one.rar"), GetParam().version, tree(300000)));
    ASSERT_TRUE(unrar.Extract(dir.filePath("one.rar"), dir.filePath("one")).ok());
    const auto r = unrar.Extract(parts[parts.size() / 2], dir.filePath("out"));
    ASSERT_TRUE(r.ok()) << qPrintable(r.errorText);
    EXPECT_EQ(r.parts, parts.size());
    EXPECT_EQ(snapshotFolder(dir.filePath("out")), snapshotFolder(dir.filePath("one")));
}

// Through the import, which names the part and leaves the archive as it was.
TEST_P(ExtractSplit, AMissingOrDamagedPartIsNamedAndNothingIsImported)
{
    const QStringList parts = writeSet();
    const int n = int(parts.size());
    const QString program = dir.filePath("program"), archive = program + "/Archive";
    TestEnv::writeFile(archive + "/T/a.bin", "older");
    const FolderSnapshot before = snapshotFolder(program);
    const auto failure = [&](int chosen, const QString& said) {
        const auto r = FacePackImport(unrar, archive, program).run(parts[chosen]);
        EXPECT_TRUE(r.message.contains(said) && r.message.contains("Nothing was added")) << qPrintable(r.message);
        EXPECT_EQ(snapshotFolder(program), before);
        return std::tuple{r.extraction.status, r.extraction.partNumber, r.extraction.partCount};
    };
    const auto name = [&](int i) { return QFileInfo(parts[i]).fileName(); };
    const QString aside = dir.filePath("aside");
    const int middle = (n - 1) / 2;  // part 3 of 5; part 1 of 2
    ASSERT_TRUE(QFile::rename(parts[middle], aside));
    EXPECT_EQ(failure(n - 1, QString("part %1 of %2 (\"%3\") is missing").arg(middle + 1).arg(n).arg(name(middle))),
              std::tuple(Status::PartMissing, middle + 1, n));
    ASSERT_TRUE(QFile::rename(aside, parts[middle]) && QFile::rename(parts[n - 1], aside));  // the last one missing
    EXPECT_EQ(failure(0, QString("part %1 (\"%2\") is missing").arg(n).arg(name(n - 1))),
              std::tuple(Status::PartMissing, n, 0));
    QByteArray last = TestEnv::readFile(aside);
    TestEnv::writeFile(parts[n - 1], last.left(last.size() - 10));  // the last one cut short
    EXPECT_EQ(failure(0, QString("could not be unpacked: part %1 of %1 (\"%2\")").arg(n).arg(name(n - 1))),
              std::tuple(Status::Damaged, n, n));
}

INSTANTIATE_TEST_SUITE_P(Sets, ExtractSplit,
                         ::testing::Values(SplitCase{RarWriter::Version::Rar5, RarWriter::Naming::Parts, 2},
                                           SplitCase{RarWriter::Version::Rar5, RarWriter::Naming::Parts, 12},
                                           SplitCase{RarWriter::Version::Rar4, RarWriter::Naming::Parts, 5},
                                           SplitCase{RarWriter::Version::Rar4, RarWriter::Naming::OldStyle, 2},
                                           SplitCase{RarWriter::Version::Rar4, RarWriter::Naming::OldStyle, 12}),
                         splitCaseName);

using Extract = ExtractRar;

TEST_F(Extract, ZipPackWithALinkAndAReadOnlyEntry)
{
    using Kind = PackFixtures::Entry::Kind;
    const QString zip = dir.filePath("pack.zip");
    ASSERT_TRUE(PackFixtures::write(zip, "zip",
                                    {{"up", {}, Kind::Symlink, dir.path()},
                                     {"up/e.bin", "e"},
                                     {"T/a.bin", "a"},
                                     {"h.bin", "h", Kind::File, {}, 0444}}));
    const auto r = unrar.Extract(zip, out());
    ASSERT_TRUE(r.ok()) << qPrintable(r.errorText);
    EXPECT_EQ(r.skipped, QStringList{"up"});
    EXPECT_EQ(
        snapshotFolder(out()),
        (FolderSnapshot{{"up/", "<folder>"}, {"up/e.bin", "e"}, {"T/", "<folder>"}, {"T/a.bin", "a"}, {"h.bin", "h"}}));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("e.bin")));
    // A read-only attribute in the pack does not make the archive's copy read-only.
    EXPECT_TRUE(QFileInfo(out() + "/h.bin").permissions() & QFileDevice::WriteOwner);
}

TEST_F(Extract, ZipAnd7zCutIntoNumberedPiecesReadJoined)
{
    for (const QString format : {"zip", "7zip"}) {
        const QString whole = dir.filePath("whole." + format);
        ASSERT_TRUE(PackFixtures::write(whole, format, {{"T/a.bin", PackFixtures::modelBytes(90000, 3)}, {"c", "c"}}));
        const QByteArray bytes = TestEnv::readFile(whole);
        for (int i = 0; i < 3; ++i)
            TestEnv::writeFile(dir.filePath("Pack.%1.00%2").arg(format).arg(i + 1),
                               bytes.mid(i * bytes.size() / 3, (i + 1) * bytes.size() / 3 - i * bytes.size() / 3));
        const auto r = unrar.Extract(dir.filePath("Pack.%1.002").arg(format), dir.filePath(format));
        ASSERT_TRUE(r.ok()) << qPrintable(r.errorText);
        EXPECT_EQ(r.parts, 3);
        EXPECT_EQ(snapshotFolder(dir.filePath(format)),
                  (FolderSnapshot{{"T/", "<folder>"}, {"T/a.bin", PackFixtures::modelBytes(90000, 3)}, {"c", "c"}}));
    }
}

TEST_F(Extract, SolidRar4PacksAreReadByTheSecondReader)
{
    const std::vector<RarWriter::Entry> entries = tree(3 << 20);
    const QString solid = dir.filePath("solid.rar");
    ASSERT_TRUE(RarWriter::write(dir.filePath("plain.rar"), RarWriter::Version::Rar4, entries) &&
                RarWriter::write(solid, RarWriter::Version::Rar4, entries, true));
    ASSERT_TRUE(unrar.Extract(dir.filePath("plain.rar"), dir.filePath("plain")).ok());
    int calls = 0;
    const auto r = unrar.Extract(solid, out(), [&calls](qint64, qint64) { return ++calls > 0; });
    ASSERT_TRUE(r.ok()) << qPrintable(r.errorText);
    EXPECT_TRUE(r.solidReader);
    EXPECT_EQ(r.files, 3);
    EXPECT_GT(calls, 5);
    EXPECT_EQ(snapshotFolder(out()), snapshotFolder(dir.filePath("plain")));

    // Cancel; data the second reader cannot unpack either; a solid pack in parts.
    EXPECT_EQ(unrar.Extract(solid, out(), [&calls](qint64 done, qint64) { return done < (1 << 20); }).status,
              Status::Canceled);
    QByteArray bytes = TestEnv::readFile(solid);
    bytes[bytes.indexOf(PackFixtures::modelBytes(64, 1)) + 100] ^= 1;
    TestEnv::writeFile(solid, bytes);
    const auto bad = unrar.Extract(solid, out());
    EXPECT_EQ(bad.status, Status::Damaged);
    EXPECT_TRUE(bad.solidReader);
    const QStringList parts = RarWriter::writeSplit(dir.filePath("set/S.rar"), RarWriter::Version::Rar4, entries, 3,
                                                    RarWriter::Naming::OldStyle, true);
    EXPECT_EQ(unrar.Extract(parts[0], out()).status, Status::Unsupported);
}

TEST_F(Extract, OnlyPlainFilesAreReadAndAPackMustYieldAFile)
{
    const QString fifo = dir.filePath("pipe.rar");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/zero"), dir.path()})
        EXPECT_EQ(unrar.Extract(path, out()).status, Status::NotAFile) << qPrintable(path);

    using Kind = PackFixtures::Entry::Kind;
    TestEnv::writeFile(dir.filePath("zeros.rar"), QByteArray(4096, '\0'));  // a download that failed
    ASSERT_TRUE(PackFixtures::write(dir.filePath("link.zip"), "zip", {{"up", {}, Kind::Symlink, "/"}}));
    ASSERT_TRUE(RarWriter::write(dir.filePath("folder.rar"), RarWriter::Version::Rar5, {{"T", {}, true}}));
    for (const char* name : {"zeros.rar", "folder.rar", "link.zip"}) {
        const auto r = unrar.Extract(dir.filePath(name), out());
        EXPECT_EQ(r.status, Status::Empty) << name;
        EXPECT_TRUE(FacePackImport::failureMessage(name, r).contains("holds nothing to import"));
    }
}

}  // namespace
