#include <gtest/gtest.h>

#include <QDir>

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
                                        {dir.filePath("e5"), "e"},
                                        {"T/..ok.bin", "ok"}});
    const auto r = unrar.Extract(path, out());
    ASSERT_TRUE(r.ok()) << qPrintable(r.errorText);
    EXPECT_EQ(r.skipped.size(), 5);
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

INSTANTIATE_TEST_SUITE_P(Layouts, ExtractRar, RarPackTest::layouts(), RarPackTest::layoutName);

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

}  // namespace
