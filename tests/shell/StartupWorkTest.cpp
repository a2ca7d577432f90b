// The start-up reads made beside the building of the window hand over what
// the window would have read itself. (The recovery they run is checked
// through the window in ShellTest.)
#include <gtest/gtest.h>

#include "editdb/EditFileBuilder.h"
#include "shell/StartupWork.h"
#include "support/TestEnv.h"

TEST(StartupWorkTest, HandsOverTheTablesOfItsOwnPathOnceAndTheDecodedIcon)
{
    TestEnv env;
    const QString edit = EditFileBuilder().fillAll().player(7, 4242, "Quill").write(env.path("EDIT.bin"));
    {
        StartupWork work(env.programFolder(), edit, QStringLiteral("APPICON"));
        EXPECT_TRUE(work.recovered().problems.isEmpty());
        std::optional<EditTables> tables = work.tables(edit);
        ASSERT_TRUE(tables);
        Baza players;
        TeamOF teams;
        EXPECT_EQ(tables->playersLoaded, players.Wczytaj(edit));
        EXPECT_EQ(tables->teamsLoaded, teams.Wczytaj(edit));
        ASSERT_EQ(tables->players->Count(), players.Count());
        EXPECT_EQ(tables->players->Get_Nazwa(7), QStringLiteral("Quill"));
        EXPECT_EQ(tables->players->Get_ID(7), 4242);
        EXPECT_EQ(tables->players->Get_Koniec(9000), players.Get_Koniec(9000));
        EXPECT_EQ(tables->teams->Get_NameTeam(3), teams.Get_NameTeam(3));
        EXPECT_FALSE(work.tables(edit));  // taken once
        EXPECT_FALSE(work.icon().get().isNull());
    }
    // Asked for another path, the tables are not handed over; a missing
    // file and a missing icon come back as Wczytaj and the resource give them.
    StartupWork other(env.programFolder(), edit, QStringLiteral("NOSUCHICON"));
    EXPECT_FALSE(other.tables(env.path("Other.bin")));
    EXPECT_TRUE(other.icon().get().isNull());
    StartupWork missing(env.programFolder(), env.path("Missing.bin"), QString());
    const std::optional<EditTables> none = missing.tables(env.path("Missing.bin"));
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->playersLoaded);
    EXPECT_FALSE(none->teamsLoaded);
    EXPECT_EQ(none->players->Count(), 0);
}
