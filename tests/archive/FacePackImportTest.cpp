#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "archive/FacePackImport.h"
#include "support/PackFixtures.h"
#include "support/RarWriter.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

namespace {

using Outcome = FacePackImport::Outcome;
using Version = RarWriter::Version;
using Tree = QMap<QString, QByteArray>;

class Import : public ::testing::TestWithParam<Version> {
protected:
    Import() : program(dir.filePath("program")), archive(program + "/Archive")
    {
        QDir().mkpath(program);
    }

    QString pack(const QString& name, const std::vector<RarWriter::Entry>& entries)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(RarWriter::write(path, GetParam(), entries));
        return path;
    }
    FacePackImport::Result run(const QString& path, ProgressSink* progress = nullptr)
    {
        return FacePackImport(unrar, archive, program).run(path, progress);
    }
    // Only the archive folder (when made) is in the program folder: no staging left behind.
    void expectNoStagingLeft() const
    {
        const QStringList left =
            QDir(program).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).filter(QRegularExpression("^(?!Archive$)"));
        EXPECT_TRUE(left.isEmpty()) << left.join(", ").toStdString();
    }

    QTemporaryDir dir;
    QString program;
    QString archive;
    UnRarExtractor unrar;
};

TEST_P(Import, SecondPackMergesOverTheFirst)
{
    const auto first = run(pack("one.rar", {{"top.bin", "one-top"},
                                            {"keep.bin", "one-keep"},
                                            {"Team A/p1_face.bin", "one-p1"},
                                            {"Team A/p2_face.bin", "one-p2"},
                                            {"Team B", {}, true}}));
    ASSERT_EQ(first.outcome, Outcome::Imported) << first.message.toStdString();
    EXPECT_TRUE(first.message.isEmpty());
    EXPECT_EQ(first.merged, 4);

    const auto second = run(pack("two.rar", {{"top.bin", "two-top"},
                                             {"Team A/p1_face.bin", "two-p1"},
                                             {"Team A/Sub/p3.bin", "two-p3"},
                                             {"Team C/p4_hair.bin", "two-p4"}}));
    ASSERT_EQ(second.outcome, Outcome::Imported) << second.message.toStdString();
    EXPECT_EQ(PackFixtures::snapshot(archive), (Tree{{"top.bin", "two-top"},
                                                     {"keep.bin", "one-keep"},
                                                     {"Team A", "<folder>"},
                                                     {"Team A/p1_face.bin", "two-p1"},
                                                     {"Team A/p2_face.bin", "one-p2"},
                                                     {"Team A/Sub", "<folder>"},
                                                     {"Team A/Sub/p3.bin", "two-p3"},
                                                     {"Team B", "<folder>"},
                                                     {"Team C", "<folder>"},
                                                     {"Team C/p4_hair.bin", "two-p4"}}));
    expectNoStagingLeft();
}

TEST_P(Import, FailuresLeaveTheArchiveAsItWas)
{
    ASSERT_EQ(run(pack("one.rar", {{"Team/a.bin", "a"}, {"top.bin", "t"}})).outcome, Outcome::Imported);
    const Tree before = PackFixtures::snapshot(archive);

    const QString truncated = pack("cut.rar", {{"Team/a.bin", "new"}, {"Team/big.bin", PackFixtures::modelBytes(40000, 1)}});
    QFile f(truncated);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.resize(f.size() - 1000));
    f.close();
    auto r = run(truncated);
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_TRUE(r.message.contains("damaged or incomplete")) << r.message.toStdString();
    EXPECT_TRUE(r.message.contains("Nothing was added"));
    EXPECT_EQ(PackFixtures::snapshot(archive), before);

    TestEnv::writeFile(dir.filePath("notes.rar"), "not a pack");
    r = run(dir.filePath("notes.rar"));
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_TRUE(r.message.contains("is not a face pack")) << r.message.toStdString();
    EXPECT_EQ(PackFixtures::snapshot(archive), before);
    expectNoStagingLeft();
}

TEST_P(Import, CancelLeavesTheArchiveAsItWas)
{
    ASSERT_EQ(run(pack("one.rar", {{"Team/a.bin", "a"}})).outcome, Outcome::Imported);
    const Tree before = PackFixtures::snapshot(archive);
    const QString big = pack("big.rar", {{"Team/a.bin", "changed"},
                                         {"Team/b.bin", PackFixtures::modelBytes(3 << 20, 2)},
                                         {"Team/c.bin", "c"}});
    for (int after : {1, 2, 4}) {
        ScriptedUi ui;
        ui.cancelProgressAfter = after;
        auto sink = ui.progress(nullptr, "unpacking", QFileInfo(big).size());
        const auto r = run(big, sink.get());
        EXPECT_EQ(r.outcome, Outcome::Canceled) << after;
        EXPECT_TRUE(r.message.isEmpty());
        EXPECT_EQ(PackFixtures::snapshot(archive), before) << after;
    }
    expectNoStagingLeft();
}

TEST_P(Import, ArchiveFolderIsMadeWhenMissingButNotByACancel)
{
    ScriptedUi ui;
    ui.cancelProgressAfter = 1;
    auto sink = ui.progress(nullptr, "unpacking", 1);
    const QString path = pack("one.rar", {{"a.bin", "a"}});
    EXPECT_EQ(run(path, sink.get()).outcome, Outcome::Canceled);
    EXPECT_FALSE(QFileInfo::exists(archive));

    EXPECT_EQ(run(path).outcome, Outcome::Imported);
    EXPECT_EQ(PackFixtures::snapshot(archive), (Tree{{"a.bin", "a"}}));
}

TEST_P(Import, ReadOnlyOrMismatchedEntriesInTheWayStopTheWholeMerge)
{
    ASSERT_EQ(run(pack("one.rar", {{"Team/locked.bin", "old"}, {"Team B", {}, true}})).outcome, Outcome::Imported);
    QFile::setPermissions(archive + "/Team/locked.bin", QFileDevice::ReadOwner);
    const Tree before = PackFixtures::snapshot(archive);

    auto r = run(pack("two.rar", {{"new.bin", "n"}, {"Team/locked.bin", "new"}}));
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_TRUE(r.message.contains("read-only")) << r.message.toStdString();
    EXPECT_EQ(PackFixtures::snapshot(archive), before);

    r = run(pack("three.rar", {{"new.bin", "n"}, {"Team B", "a file where the archive has a folder"}}));
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_TRUE(r.message.contains("Team B")) << r.message.toStdString();
    EXPECT_EQ(PackFixtures::snapshot(archive), before);
    QFile::setPermissions(archive + "/Team/locked.bin", QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    expectNoStagingLeft();
}

TEST_P(Import, SkippedEntriesAreNamedAndTheRestImported)
{
    const auto r = run(pack("evil.rar", {{"../../escape.bin", "e"}, {"Team/ok.bin", "ok"}}));
    EXPECT_EQ(r.outcome, Outcome::Imported);
    EXPECT_TRUE(r.message.contains("left out")) << r.message.toStdString();
    EXPECT_TRUE(r.message.contains("escape.bin"));
    EXPECT_EQ(PackFixtures::snapshot(archive), (Tree{{"Team", "<folder>"}, {"Team/ok.bin", "ok"}}));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("escape.bin")));
    EXPECT_FALSE(QFileInfo::exists(program + "/escape.bin"));
}

INSTANTIATE_TEST_SUITE_P(Formats, Import, ::testing::Values(Version::Rar4, Version::Rar5),
                         [](const auto& info) { return std::string(RarWriter::name(info.param)); });

TEST(FacePackMessages, EveryFailureSaysWhatHappenedAndWhatToDo)
{
    using S = UnRarExtractor::Status;
    for (S s : {S::Missing, S::Unreadable, S::NotAnArchive, S::Damaged, S::Encrypted, S::Unsupported,
                S::TooManyEntries, S::TooLarge, S::DiskFull, S::WriteFailed}) {
        UnRarExtractor::Result x;
        x.status = s;
        const QString m = FacePackImport::failureMessage("/packs/Season.rar", x);
        EXPECT_TRUE(m.contains("Season.rar")) << int(s);
        EXPECT_TRUE(m.contains("Nothing was added to the archive.")) << int(s);
    }
    UnRarExtractor::Result canceled;
    canceled.status = S::Canceled;
    EXPECT_TRUE(FacePackImport::failureMessage("p.rar", canceled).isEmpty());
}

}  // namespace
