// A face-pack export killed at any moment leaves neither a pack nor a
// temporary behind once the next start has run its recovery; an older file
// of the pack's name stays as it was until the new pack replaces it whole.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include "platform/AtomicOutput.h"
#include "support/FaceFolderFixture.h"
#include "support/TestEnv.h"

namespace {

struct KillCase {
    bool nameless;
    bool oldPack;  // a file of the pack's name is there before
    const char* killAt;
};

std::string caseName(const ::testing::TestParamInfo<KillCase>& info)
{
    std::string at = info.param.killAt;
    if (at[0] >= '0' && at[0] <= '9')
        at = "Report" + at;
    else
        at[0] = char(at[0] - 'a' + 'A');
    return std::string(info.param.nameless ? "Nameless" : "Named") + (info.param.oldPack ? "OverOld" : "New") + "At" +
           at;
}

// What a failure message and the test listing show of a case: its name,
// never its bytes.
void PrintTo(const KillCase& c, std::ostream* os) { *os << caseName(::testing::TestParamInfo<KillCase>(c, 0)); }

class ExportKill : public ::testing::TestWithParam<KillCase> {};

TEST_P(ExportKill, LeavesNothingAfterRecovery)
{
    const KillCase& c = GetParam();
    TestEnv env;
    FaceFolderFixture::build(env.faceFolder(), {.entries = 12, .teams = 2, .modelBytes = 1 << 20});
    const QString out = env.path("out"), pack = out + "/Pack.zip";
    QDir().mkpath(out);
    if (c.oldPack) TestEnv::writeFile(pack, "the old pack");

    QProcess child;
    QStringList args{env.faceFolder(), pack, env.programFolder(), c.killAt};
    if (!c.nameless) args << "named";
    child.start(LUDEX_EXPORT_CHILD, args);
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << child.readAllStandardError().toStdString();

    const auto leftInOut = [&] { return QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };
    const QStringList before = leftInOut();
    const bool renamed = QByteArray(c.killAt) == "renamed";
    // Written without a name, a pack killed while it is written leaves nothing even before a recovery.
    if (c.nameless && !renamed && QByteArray(c.killAt) != "named")
        EXPECT_EQ(before, c.oldPack ? QStringList{"Pack.zip"} : QStringList());
    else
        EXPECT_FALSE(
            QDir(env.programFolder()).entryList({".ludex-output-journal-*"}, QDir::Files | QDir::Hidden).isEmpty());

    EXPECT_EQ(AtomicOutput::recover(env.programFolder()), before.size() - (c.oldPack || renamed ? 1 : 0));
    EXPECT_EQ(QDir(env.programFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());
    if (renamed) {
        EXPECT_EQ(leftInOut(), QStringList{"Pack.zip"});
        EXPECT_GT(QFileInfo(pack).size(), 12 << 20);  // the new pack, whole
    } else if (c.oldPack) {
        EXPECT_EQ(leftInOut(), QStringList{"Pack.zip"});
        EXPECT_EQ(TestEnv::readFile(pack), "the old pack");
    } else {
        EXPECT_EQ(leftInOut(), QStringList());
    }
}

// Killed while the models are written (at the first and a later report), just
// after the pack got its scratch name, and once it has its own name.
INSTANTIATE_TEST_SUITE_P(AtEveryStage, ExportKill,
                         ::testing::Values(KillCase{true, false, "1"}, KillCase{true, true, "9"},
                                           KillCase{true, true, "named"}, KillCase{true, true, "renamed"},
                                           KillCase{false, false, "1"}, KillCase{false, true, "9"},
                                           KillCase{false, false, "named"}, KillCase{false, true, "renamed"}),
                         caseName);

}  // namespace
