#include <gtest/gtest.h>

#include <QDir>

#include "archive/FacePackImport.h"
#include "support/FolderSnapshot.h"
#include "support/RarPackTest.h"

namespace {

using Outcome = FacePackImport::Outcome;

class Import : public RarPackTest {
protected:
    FacePackImport::Report run(const QString& path)
    {
        QDir().mkpath(program);
        const auto result = FacePackImport(unrar, archive, program).run(path);
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

INSTANTIATE_TEST_SUITE_P(Layouts, Import, RarPackTest::layouts(), RarPackTest::layoutName);

}  // namespace
