#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QFile>
#include <QTemporaryDir>

#include "editdb/Baza.h"
#include "editdb/EditFileBuilder.h"
#include "editdb/TeamOF.h"

namespace {

class TablesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Baza baza;
    TeamOF teams;

    // Writes the file and loads both tables from it; true when both loaded.
    bool load(const EditFileBuilder& builder)
    {
        const QString path = builder.write(dir.filePath("EDIT.bin"));
        const bool players = baza.Wczytaj(path);
        return teams.Wczytaj(path) && players;
    }
};

TEST_F(TablesTest, RecordsAreReadAtTheirOffsetsNamesDecodedAndIndexesClamped)
{
    const QByteArray koniec = "K" + QByteArray(130, '\0') + "Z";
    const QByteArray rest = QByteArray(2415, '\0') + "e";
    ASSERT_TRUE(load(EditFileBuilder()
                         .player(0, 12345, "Sample Player")
                         .player(10159, -1, "Last One")
                         .playerField(1, 4, "EMPTYFIELD")
                         .playerField(1, 96, koniec)
                         .player(2, 1, QByteArray("Left\0Right", 10))
                         .player(3, 2, QByteArray(46, 'x'))
                         .player(4, 57, "")
                         .player(5, 4, "Jos\xE9 \x80")
                         .team(0, QByteArray(72, 'T'))
                         .team(1, "")
                         .team(2, "M\xFCnchen")
                         .team(5, "Sample Team")
                         .teamField(5, 72, rest)
                         .team(338, "Last Team")));
    EXPECT_EQ(baza.Get_Nazwa(0), "Sample Player");
    EXPECT_EQ(baza.Get_ID(10159), -1);
    EXPECT_EQ(baza.Get_Nazwa(10159), "Last One");
    // Positions outside the table are clamped into it.
    for (int index : {-5, INT_MIN}) EXPECT_EQ(baza.Get_Nazwa(index), "Sample Player") << index;
    for (int index : {10160, INT_MAX}) EXPECT_EQ(baza.Get_ID(index), -1) << index;
    EXPECT_EQ(teams.Get_NameTeam(339), "Last Team");
    // The fields handed on unchanged keep their full length, NULs included.
    EXPECT_EQ(baza.Get_Empty(1), "EMPTYFIELD" + QString(36, QChar(0)));
    EXPECT_EQ(baza.Get_Koniec(1), QString::fromLatin1(koniec));
    EXPECT_EQ(teams.Get_NameTeam(5), "Sample Team");
    EXPECT_EQ(teams.Get_Koniec(5), QString::fromLatin1(rest));
    // Names end at their first NUL and are decoded in the code page.
    EXPECT_EQ(baza.Get_Nazwa(2), "Left");
    EXPECT_EQ(baza.Get_Nazwa(3), QString(46, 'x'));  // no NUL: the whole field
    EXPECT_EQ(baza.Get_Nazwa(4), QString());
    EXPECT_EQ(baza.Get_ID(4), 57);
    EXPECT_EQ(baza.Get_Nazwa(5), QString::fromUtf8("José €"));  // Windows-1252, not Latin-1
    EXPECT_EQ(teams.Get_NameTeam(0), QString(72, 'T'));
    EXPECT_EQ(teams.Get_NameTeam(1), QString());
    EXPECT_EQ(teams.Get_NameTeam(2), QString::fromUtf8("München"));
}

TEST_F(TablesTest, AFailedReloadKeepsOrEmptiesTheTablesAndOnlyARegularFileIsOpened)
{
    ASSERT_TRUE(load(EditFileBuilder().player(0, 5, "Kept").team(0, "Kept")));
    // A missing file leaves the tables as they were.
    EXPECT_FALSE(baza.Wczytaj(dir.filePath("missing.bin")));
    EXPECT_FALSE(teams.Wczytaj(dir.filePath("missing.bin")));
    EXPECT_EQ(baza.Get_Nazwa(0), "Kept");
    EXPECT_EQ(teams.Get_NameTeam(0), "Kept");
    // Something there that is no edit file: nothing loads, the tables are
    // empty and the reason is kept. A pipe would wait for a writer for ever;
    // a device may never end.
    const QString pipe = dir.filePath("pipe.bin");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    const std::pair<QString, const char*> cases[] = {
        {pipe, "named pipe"}, {"/dev/zero", "device"}, {dir.path(), "folder"}};
    for (const auto& [path, why] : cases) {
        EXPECT_FALSE(baza.Wczytaj(path)) << why;
        EXPECT_FALSE(teams.Wczytaj(path)) << why;
        EXPECT_TRUE(baza.loadError().contains(why)) << baza.loadError().toStdString();
        EXPECT_EQ(baza.Count() + teams.Count(), 0) << why;
        EXPECT_EQ(baza.Get_Nazwa(0), QString());
        ASSERT_TRUE(load(EditFileBuilder().player(0, 5, "Kept").team(0, "Kept")));
        EXPECT_EQ(baza.loadError(), QString());
    }
}

TEST_F(TablesTest, ShortAndLongFilesLoadWhatTheyHold)
{
    // Ends three bytes into player 2's name; the team table is missing entirely.
    const qsizetype cut = 416 + 228 * 2 + 50 + 3;
    ASSERT_TRUE(load(EditFileBuilder().player(2, 3, "Two Cut").length(cut)));
    EXPECT_EQ(baza.Count(), 10160);
    EXPECT_EQ(baza.Get_ID(2), 3);
    EXPECT_EQ(baza.Get_Nazwa(2), "Two");
    EXPECT_EQ(baza.Get_Nazwa(3), QString());
    EXPECT_EQ(teams.Get_NameTeam(0), QString());
    for (qsizetype length : {0, 1, 415}) {
        EXPECT_TRUE(load(EditFileBuilder().length(length))) << length;
        EXPECT_EQ(baza.Get_Nazwa(10159), QString());
    }
    ASSERT_TRUE(load(EditFileBuilder().team(338, "Last Team").length(EditFileBuilder::kFullSize + 4096)));
    EXPECT_EQ(teams.Get_NameTeam(338), "Last Team");
}

}  // namespace
