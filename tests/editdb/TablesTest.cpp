#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "editdb/Baza.h"
#include "editdb/TeamOF.h"
#include "support/EditFileBuilder.h"

namespace {

class TablesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file(const QString& name) const { return dir.filePath(name); }
};

TEST_F(TablesTest, ReadersAnswerEmptyBeforeAnyLoad)
{
    Baza baza;
    TeamOF teams;
    EXPECT_EQ(baza.Count(), 0);
    EXPECT_EQ(baza.Get_ID(0), 0);
    EXPECT_EQ(baza.Get_Nazwa(0), QString());
    EXPECT_EQ(baza.Get_Empty(3), QString());
    EXPECT_EQ(baza.Get_Koniec(-1), QString());
    EXPECT_EQ(teams.Count(), 0);
    EXPECT_EQ(teams.Get_NameTeam(0), QString());
    EXPECT_EQ(teams.Get_Koniec(0), QString());
}

TEST_F(TablesTest, PlayerRecordsAreReadAtTheirOffsets)
{
    QByteArray koniec(132, '\0');
    koniec[0] = 'K';
    koniec[131] = 'Z';
    const QString path = EditFileBuilder()
                             .player(0, 12345, "Sample Player")
                             .player(1, -1, "Minus")
                             .player(10159, 777, "Last One")
                             .playerField(1, 4, "EMPTYFIELD")
                             .playerField(1, 96, koniec)
                             .write(file("EDIT.bin"));
    Baza baza;
    ASSERT_TRUE(baza.Wczytaj(path));
    EXPECT_EQ(baza.Path(), path);
    EXPECT_EQ(baza.Count(), 10160);
    EXPECT_EQ(baza.Get_ID(0), 12345);
    EXPECT_EQ(baza.Get_Nazwa(0), "Sample Player");
    EXPECT_EQ(baza.Get_ID(1), -1);
    EXPECT_EQ(baza.Get_Nazwa(1), "Minus");
    EXPECT_EQ(baza.Get_ID(10159), 777);
    EXPECT_EQ(baza.Get_Nazwa(10159), "Last One");

    // The two fields returned unchanged keep their full length, NULs included.
    const QString empty = baza.Get_Empty(1);
    ASSERT_EQ(empty.size(), 46);
    EXPECT_TRUE(empty.startsWith("EMPTYFIELD"));
    EXPECT_EQ(empty[45], QChar(0));
    const QString rest = baza.Get_Koniec(1);
    ASSERT_EQ(rest.size(), 132);
    EXPECT_EQ(rest[0], QChar('K'));
    EXPECT_EQ(rest[1], QChar(0));
    EXPECT_EQ(rest[131], QChar('Z'));
}

TEST_F(TablesTest, IndexesAreClampedIntoTheTable)
{
    const QString path = EditFileBuilder().player(0, 1, "First").player(10159, 2, "Last").team(0, "T0").team(338, "T338").write(file("e.bin"));
    Baza baza;
    TeamOF teams;
    ASSERT_TRUE(baza.Wczytaj(path));
    ASSERT_TRUE(teams.Wczytaj(path));
    EXPECT_EQ(baza.Get_Nazwa(-5), "First");
    EXPECT_EQ(baza.Get_ID(-5), 1);
    EXPECT_EQ(baza.Get_Nazwa(10160), "Last");
    EXPECT_EQ(baza.Get_Nazwa(INT_MAX), "Last");
    EXPECT_EQ(baza.Get_Nazwa(INT_MIN), "First");
    EXPECT_EQ(teams.Get_NameTeam(339), "T338");
    EXPECT_EQ(teams.Get_NameTeam(-1), "T0");
    EXPECT_EQ(teams.Count(), 339);
}

TEST_F(TablesTest, NamesAreCutAtTheFirstNul)
{
    QByteArray ab = "AB";
    ab.append(QByteArray(44, '\0'));
    QByteArray inner = "Left";
    inner.append('\0').append("Right");
    inner.append(QByteArray(46 - inner.size(), '\0'));
    QByteArray full(46, 'x');  // no NUL at all: all 46 characters are the name
    QByteArray fullTeam(72, 'T');
    const QString path = EditFileBuilder()
                             .playerNameField(0, ab)
                             .playerNameField(1, inner)
                             .playerNameField(2, full)
                             .player(3, 57, "")
                             .player(4, 9, "After")
                             .teamField(0, 0, fullTeam)
                             .team(1, "")
                             .team(2, "Next")
                             .write(file("e.bin"));
    Baza baza;
    TeamOF teams;
    ASSERT_TRUE(baza.Wczytaj(path));
    ASSERT_TRUE(teams.Wczytaj(path));
    EXPECT_EQ(baza.Get_Nazwa(0), "AB");
    EXPECT_EQ(baza.Get_Nazwa(1), "Left");
    EXPECT_EQ(baza.Get_Nazwa(2), QString(46, 'x'));
    EXPECT_EQ(baza.Get_Nazwa(3), QString());
    EXPECT_EQ(baza.Get_ID(3), 57);
    EXPECT_EQ(baza.Get_Nazwa(4), "After");  // the load went on past the full field
    EXPECT_EQ(teams.Get_NameTeam(0), QString(72, 'T'));
    EXPECT_EQ(teams.Get_NameTeam(1), QString());
    EXPECT_EQ(teams.Get_NameTeam(2), "Next");
}

TEST_F(TablesTest, EightBitTextIsDecodedInTheCodePage)
{
    const QString path = EditFileBuilder()
                             .player(0, 1, "Jos\xE9")
                             .player(1, 2, "\x80uro \x9A")
                             .team(0, "M\xFCnchen")
                             .write(file("e.bin"));
    Baza baza;
    TeamOF teams;
    ASSERT_TRUE(baza.Wczytaj(path));
    ASSERT_TRUE(teams.Wczytaj(path));
    EXPECT_EQ(baza.Get_Nazwa(0), QString::fromUtf8("José"));
    EXPECT_EQ(baza.Get_Nazwa(1), QString::fromUtf8("€uro š"));
    EXPECT_EQ(teams.Get_NameTeam(0), QString::fromUtf8("München"));
}

TEST_F(TablesTest, TeamRecordsAreReadAtTheirOffsets)
{
    QByteArray rest(2416, '\0');
    rest[0] = 'r';
    rest[2415] = 'e';
    const QString path = EditFileBuilder().team(5, "Sample Team").teamField(5, 72, rest).write(file("e.bin"));
    TeamOF teams;
    ASSERT_TRUE(teams.Wczytaj(path));
    EXPECT_EQ(teams.Get_NameTeam(5), "Sample Team");
    const QString koniec = teams.Get_Koniec(5);
    ASSERT_EQ(koniec.size(), 2416);
    EXPECT_EQ(koniec[0], QChar('r'));
    EXPECT_EQ(koniec[2415], QChar('e'));
}

TEST_F(TablesTest, MissingPathLeavesEarlierTableInPlace)
{
    const QString good = EditFileBuilder().player(0, 5, "Kept").team(0, "KeptTeam").write(file("good.bin"));
    Baza baza;
    TeamOF teams;
    EXPECT_FALSE(baza.Wczytaj(file("missing.bin")));
    EXPECT_EQ(baza.Count(), 0);
    ASSERT_TRUE(baza.Wczytaj(good));
    ASSERT_TRUE(teams.Wczytaj(good));
    EXPECT_FALSE(baza.Wczytaj(file("missing.bin")));
    EXPECT_FALSE(teams.Wczytaj(file("missing.bin")));
    EXPECT_EQ(baza.Count(), 10160);
    EXPECT_EQ(baza.Get_Nazwa(0), "Kept");
    EXPECT_EQ(teams.Get_NameTeam(0), "KeptTeam");
    // Without a path the stored one, the last given, is used again.
    EXPECT_EQ(baza.Path(), file("missing.bin"));
    EXPECT_FALSE(baza.Wczytaj());
    baza.setPath(good);
    EXPECT_TRUE(baza.Wczytaj());
}

TEST_F(TablesTest, FolderPathExistsButDoesNotLoad)
{
    const QString good = EditFileBuilder().player(0, 5, "Gone").write(file("good.bin"));
    Baza baza;
    TeamOF teams;
    ASSERT_TRUE(baza.Wczytaj(good));
    ASSERT_TRUE(teams.Wczytaj(good));
    EXPECT_TRUE(baza.File_Exists(dir.path()));
    EXPECT_FALSE(baza.Wczytaj(dir.path()));
    EXPECT_FALSE(teams.Wczytaj(dir.path()));
    EXPECT_EQ(baza.Count(), 0);
    EXPECT_EQ(teams.Count(), 0);
    EXPECT_EQ(baza.Get_Nazwa(0), QString());
    EXPECT_EQ(teams.Get_NameTeam(0), QString());
    // A later good load works again.
    EXPECT_TRUE(baza.Wczytaj(good));
    EXPECT_EQ(baza.Get_Nazwa(0), "Gone");
}

TEST_F(TablesTest, ShortFilesLoadWithEmptyPositionsBeyondTheirEnd)
{
    // Ends inside player 2's name; the team table is missing entirely.
    const qsizetype cut = 416 + 228 * 2 + 50 + 3;
    const QString path = EditFileBuilder().player(0, 1, "Zero").player(1, 2, "One").player(2, 3, "Two Cut").length(cut).write(file("short.bin"));
    Baza baza;
    TeamOF teams;
    EXPECT_TRUE(baza.Wczytaj(path));
    EXPECT_TRUE(teams.Wczytaj(path));
    EXPECT_EQ(baza.Count(), 10160);
    EXPECT_EQ(teams.Count(), 339);
    EXPECT_EQ(baza.Get_Nazwa(1), "One");
    EXPECT_EQ(baza.Get_ID(2), 3);
    EXPECT_EQ(baza.Get_Nazwa(2), "Two");
    EXPECT_EQ(baza.Get_Nazwa(3), QString());
    EXPECT_EQ(baza.Get_ID(10159), 0);
    EXPECT_EQ(teams.Get_NameTeam(0), QString());

    for (qsizetype length : {qsizetype(0), qsizetype(1), qsizetype(415)}) {
        const QString tiny = EditFileBuilder().length(length).write(file("tiny.bin"));
        Baza b;
        EXPECT_TRUE(b.Wczytaj(tiny)) << length;
        EXPECT_EQ(b.Count(), 10160);
        EXPECT_EQ(b.Get_Nazwa(10159), QString());
    }
}

TEST_F(TablesTest, ALongerFileIsReadOnlyUpToTheTable)
{
    QByteArray tail(4096, '\xFF');
    const QString path = EditFileBuilder().team(338, "Last Team").length(EditFileBuilder::kFullSize + tail.size()).write(file("long.bin"));
    TeamOF teams;
    ASSERT_TRUE(teams.Wczytaj(path));
    EXPECT_EQ(teams.Get_NameTeam(338), "Last Team");
}

}  // namespace
