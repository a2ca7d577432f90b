#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "archive/UnRarExtractor.h"
#include "support/PackFixtures.h"
#include "support/RarWriter.h"
#include "support/TestEnv.h"

namespace {

using Status = UnRarExtractor::Status;
using Version = RarWriter::Version;
using Tree = QMap<QString, QByteArray>;

class ExtractRar : public ::testing::TestWithParam<Version> {
protected:
    QString pack(const std::vector<RarWriter::Entry>& entries, const QString& name = "pack.rar", bool solid = false)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(RarWriter::write(path, GetParam(), entries, solid));
        return path;
    }
    QString out() const { return dir.filePath("out"); }

    QTemporaryDir dir;
    UnRarExtractor unrar;
};

TEST_P(ExtractRar, TopLevelFilesOnly)
{
    const QByteArray face = PackFixtures::modelBytes(70000, 1), hair = PackFixtures::modelBytes(3000, 2);
    const auto r = unrar.Extract(pack({{"face.bin", face}, {"hair.bin", hair}, {"empty.bin", ""}}), out());
    ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
    EXPECT_EQ(PackFixtures::snapshot(out()), (Tree{{"face.bin", face}, {"hair.bin", hair}, {"empty.bin", ""}}));
    EXPECT_EQ(r.files, 3);
    EXPECT_EQ(r.bytes, face.size() + hair.size());
    EXPECT_TRUE(r.skipped.isEmpty());
}

TEST_P(ExtractRar, FoldersOnlyWithExplicitImplicitAndEmptyFolders)
{
    const QByteArray a = PackFixtures::modelBytes(5000, 3), b = PackFixtures::modelBytes(6000, 4);
    const auto r = unrar.Extract(pack({{"Team A", {}, true},
                                       {"Team A/Player_face.bin", a},
                                       {"Team B/Sub/Player_hair.bin", b},  // no folder entries of its own
                                       {"Empty Team", {}, true}}),
                                 out());
    ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
    EXPECT_EQ(PackFixtures::snapshot(out()), (Tree{{"Team A", "<folder>"},
                                                   {"Team A/Player_face.bin", a},
                                                   {"Team B", "<folder>"},
                                                   {"Team B/Sub", "<folder>"},
                                                   {"Team B/Sub/Player_hair.bin", b},
                                                   {"Empty Team", "<folder>"}}));
    EXPECT_EQ(r.folders, 2);
}

TEST_P(ExtractRar, FilesAndFoldersAndLaterDuplicateWins)
{
    const auto r = unrar.Extract(pack({{"top.bin", "first"}, {"Team/x.bin", "x"}, {"top.bin", "second"}}), out());
    ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
    EXPECT_EQ(PackFixtures::snapshot(out()), (Tree{{"top.bin", "second"}, {"Team", "<folder>"}, {"Team/x.bin", "x"}}));
}

TEST_P(ExtractRar, EntriesThatTryToEscapeAreNeverWritten)
{
    const QString outside = dir.filePath("abs.bin");
    const auto r = unrar.Extract(pack({{"../evil1.bin", "e"},
                                       {"Team/../../evil2.bin", "e"},
                                       {outside, "e"},
                                       {"C:\\evil3.bin", "e"},
                                       {"..\\evil4.bin", "e"},
                                       {"Team/ok.bin", "ok"}}),
                                 out());
    ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
    EXPECT_EQ(r.skipped.size(), 5);
    EXPECT_EQ(PackFixtures::snapshot(out()), (Tree{{"Team", "<folder>"}, {"Team/ok.bin", "ok"}}));
    // Nothing beside the pack and the destination.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              (QStringList{"out", "pack.rar"}));
}

TEST_P(ExtractRar, APackCutShortAnywhereIsNeverTakenForComplete)
{
    const QByteArray whole = RarWriter::build(GetParam(), {{"a.bin", PackFixtures::modelBytes(300, 5)},
                                                           {"Team", {}, true},
                                                           {"Team/b.bin", "b"}});
    const QString path = dir.filePath("cut.rar");
    for (qsizetype cut = 1; cut < whole.size(); ++cut) {
        TestEnv::writeFile(path, whole.left(cut));
        const auto r = unrar.Extract(path, dir.filePath(QString("out%1").arg(cut)));
        EXPECT_TRUE(r.status == Status::Damaged || r.status == Status::NotAnArchive)
            << "cut at " << cut << " gave " << int(r.status);
        if (cut > 40) EXPECT_EQ(r.status, Status::Damaged) << cut;
    }
}

TEST_P(ExtractRar, LimitsStopRunawayPacks)
{
    const QString path = pack({{"a.bin", QByteArray(4000, 'a')}, {"b.bin", "b"}, {"c.bin", "c"}, {"d.bin", "d"}});

    UnRarExtractor::Limits few;
    few.maxEntries = 3;
    unrar.setLimits(few);
    EXPECT_EQ(unrar.Extract(path, dir.filePath("few")).status, Status::TooManyEntries);

    UnRarExtractor::Limits small;
    small.maxTotalBytes = 3000;
    unrar.setLimits(small);
    EXPECT_EQ(unrar.Extract(path, dir.filePath("small")).status, Status::TooLarge);

    UnRarExtractor::Limits noRoom;
    noRoom.reserveBytes = qint64(1) << 62;  // more than any disk has free
    unrar.setLimits(noRoom);
    EXPECT_EQ(unrar.Extract(path, dir.filePath("noroom")).status, Status::DiskFull);
}

TEST_P(ExtractRar, ProgressReportsAndCancels)
{
    const QString path = pack({{"a.bin", PackFixtures::modelBytes(3 << 20, 6)}, {"b.bin", "b"}});
    qint64 last = -1, total = 0;
    int calls = 0;
    auto r = unrar.Extract(path, dir.filePath("all"), [&](qint64 done, qint64 size) {
        EXPECT_GE(done, last);
        last = done;
        total = size;
        ++calls;
        return true;
    });
    ASSERT_TRUE(r.ok());
    EXPECT_GE(calls, 4);  // two entries and every MiB
    EXPECT_EQ(total, QFileInfo(path).size());
    EXPECT_LE(last, total);

    calls = 0;
    r = unrar.Extract(path, dir.filePath("stopped"), [&](qint64, qint64) { return ++calls < 2; });
    EXPECT_EQ(r.status, Status::Canceled);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("stopped/b.bin")));
}

TEST_P(ExtractRar, NonAsciiNames)
{
    if (GetParam() == Version::Rar4 && !QByteArray(setlocale(LC_CTYPE, nullptr)).toUpper().contains("UTF"))
        GTEST_SKIP() << "RAR 4 Unicode names need a UTF-8 locale";
    const auto r = unrar.Extract(pack({{QString::fromUtf8("Górnik Zabrze/Łukasz_face.bin"), "l"}}), out());
    ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
    EXPECT_EQ(TestEnv::readFile(out() + QString::fromUtf8("/Górnik Zabrze/Łukasz_face.bin")), "l");
}

INSTANTIATE_TEST_SUITE_P(Formats, ExtractRar, ::testing::Values(Version::Rar4, Version::Rar5),
                         [](const auto& info) { return std::string(RarWriter::name(info.param)); });

class Extract : public ::testing::Test {
protected:
    QTemporaryDir dir;
    UnRarExtractor unrar;
};

TEST_F(Extract, SolidRar4IsReportedUnsupported)
{
    const QString path = dir.filePath("solid.rar");
    ASSERT_TRUE(RarWriter::write(path, Version::Rar4, {{"a.bin", "a"}, {"b.bin", "b"}}, true));
    EXPECT_EQ(unrar.Extract(path, dir.filePath("out")).status, Status::Unsupported);
}

TEST_F(Extract, WhatIsNotAnArchive)
{
    TestEnv::writeFile(dir.filePath("readme.txt"), "These are the faces of season 2009.\r\nEnjoy!\r\n");
    TestEnv::writeFile(dir.filePath("empty.rar"), "");
    TestEnv::writeFile(dir.filePath("fake.rar"), QByteArray("Rar!\x1a\x07\x01\x00", 8) + QByteArray(40, '\xff'));
    EXPECT_EQ(unrar.Extract(dir.filePath("readme.txt"), dir.filePath("o1")).status, Status::NotAnArchive);
    EXPECT_EQ(unrar.Extract(dir.filePath("empty.rar"), dir.filePath("o2")).status, Status::NotAnArchive);
    EXPECT_NE(unrar.Extract(dir.filePath("fake.rar"), dir.filePath("o3")).status, Status::Ok);
    EXPECT_EQ(unrar.Extract(dir.path(), dir.filePath("o4")).status, Status::NotAnArchive);
    EXPECT_EQ(unrar.Extract(dir.filePath("missing.rar"), dir.filePath("o5")).status, Status::Missing);
    EXPECT_TRUE(PackFixtures::snapshot(dir.filePath("o1")).isEmpty());
}

TEST_F(Extract, ZipAnd7zPacksUnpackTheSameWay)
{
    const QByteArray a = PackFixtures::modelBytes(20000, 7);
    for (const QString format : {"zip", "7zip"}) {
        const QString path = dir.filePath("pack." + format);
        ASSERT_TRUE(PackFixtures::write(path, format,
                                        {{"Team", {}, PackFixtures::Entry::Kind::Folder},
                                         {"Team/a_face.bin", a},
                                         {"top_hair.bin", "h", PackFixtures::Entry::Kind::File, {}, 0444}}));
        const QString out = dir.filePath("out-" + format);
        const auto r = unrar.Extract(path, out);
        ASSERT_TRUE(r.ok()) << format.toStdString() << ": " << r.errorText.toStdString();
        EXPECT_EQ(PackFixtures::snapshot(out), (Tree{{"Team", "<folder>"}, {"Team/a_face.bin", a}, {"top_hair.bin", "h"}}));
        // A read-only attribute in the pack does not make the archive's copy read-only.
        EXPECT_TRUE(QFileInfo(out + "/top_hair.bin").permissions() & QFileDevice::WriteOwner) << format.toStdString();
    }
}

TEST_F(Extract, LinksAreNotExtractedAndNothingIsWrittenThroughThem)
{
    const QString outside = dir.filePath("outside");
    QDir().mkpath(outside);
    const QString path = dir.filePath("links.tar");
    using K = PackFixtures::Entry::Kind;
    ASSERT_TRUE(PackFixtures::write(path, "pax",
                                    {{"up", {}, K::Symlink, outside},
                                     {"up/evil.bin", "e"},
                                     {"rel", {}, K::Symlink, "../outside"},
                                     {"hard.bin", {}, K::Hardlink, outside + "/x"},
                                     {"ok.bin", "ok"}}));
    const auto r = unrar.Extract(path, dir.filePath("out"));
    ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
    EXPECT_EQ(r.skipped.size(), 3);
    EXPECT_TRUE(PackFixtures::noLinks(dir.filePath("out")));
    EXPECT_TRUE(PackFixtures::snapshot(outside).isEmpty());
    // "up" became a plain folder of the extraction.
    EXPECT_EQ(PackFixtures::snapshot(dir.filePath("out")),
              (Tree{{"up", "<folder>"}, {"up/evil.bin", "e"}, {"ok.bin", "ok"}}));
}

TEST_F(Extract, ALinkAlreadyInTheDestinationIsNotFollowed)
{
    const QString outside = dir.filePath("outside");
    QDir().mkpath(outside);
    QDir().mkpath(dir.filePath("out"));
    ASSERT_TRUE(QFile::link(outside, dir.filePath("out/Team")));
    ASSERT_TRUE(QFile::link(outside + "/x.bin", dir.filePath("out/top.bin")));
    const QString path = dir.filePath("p.rar");
    ASSERT_TRUE(RarWriter::write(path, Version::Rar5, {{"Team/a.bin", "a"}}));
    EXPECT_EQ(unrar.Extract(path, dir.filePath("out")).status, Status::WriteFailed);
    ASSERT_TRUE(RarWriter::write(path, Version::Rar5, {{"top.bin", "t"}}));
    EXPECT_EQ(unrar.Extract(path, dir.filePath("out")).status, Status::WriteFailed);
    EXPECT_TRUE(PackFixtures::snapshot(outside).isEmpty());
}

TEST(SafeRelativePath, KeepsInsideNamesAndRefusesTheRest)
{
    EXPECT_EQ(UnRarExtractor::safeRelativePath("Team/face.bin"), "Team/face.bin");
    EXPECT_EQ(UnRarExtractor::safeRelativePath("Team\\Sub\\face.bin"), "Team/Sub/face.bin");
    EXPECT_EQ(UnRarExtractor::safeRelativePath("./Team//face.bin"), "Team/face.bin");
    EXPECT_EQ(UnRarExtractor::safeRelativePath("..face.bin"), "..face.bin");
    EXPECT_EQ(UnRarExtractor::safeRelativePath("Team:2/x"), "Team:2/x");
    for (const char* bad : {"", ".", "/", "/etc/x", "\\\\server\\share\\x", "../x", "a/../../x", "a/..", "C:\\x",
                            "c:x", "Team/.."})
        EXPECT_EQ(UnRarExtractor::safeRelativePath(bad), QString()) << bad;
}

}  // namespace
