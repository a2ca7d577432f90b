#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>

#include "platform/ProgramFolder.h"
#include "support/TestEnv.h"

namespace {

// A build keeps its working files beside the executable; an installed copy
// keeps them in the user's data folder even where it could write beside
// itself (a prefix of the user's own, or run by root).
TEST(ProgramFolderTest, AnInstalledCopyNeverWritesBesideItself)
{
    TestEnv env;
    qputenv("XDG_DATA_HOME", QFile::encodeName(env.path("data")));
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    ASSERT_TRUE(data.startsWith(env.path("data")));

    const QString build = env.path("build/src"), installed = env.path("prefix/bin");
    QDir().mkpath(build);
    TestEnv::writeFile(env.path("prefix/share/applications/" LUDEX_APP_ID ".desktop"), "[Desktop Entry]\n");
    QDir().mkpath(installed);

    EXPECT_EQ(ProgramFolder::pathFor(build), build);
    EXPECT_EQ(ProgramFolder::pathFor(installed), data);
    EXPECT_TRUE(QFileInfo(data).isDir());
    EXPECT_EQ(ProgramFolder::pathFor(env.path("missing")), data);
}

}  // namespace
