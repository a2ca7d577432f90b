#include <gtest/gtest.h>

#include "facefolder/FileNameCheck.h"
#include "facefolder/MapLine.h"

using MapLine::Content;
using MapLine::compose;

TEST(MapLine, WorkedExamplesMatchTheAddOnFormatExactly)
{
    EXPECT_EQ(compose("12345", "Sample Player", Content::FaceAndHair),
              R"(12345, "Sample Player_Face.bin", "Sample Player_Hair.bin")");
    EXPECT_EQ(compose("12345", "Sample Player", Content::OnlyFace), R"(12345, "Sample Player_Face.bin")");
    const QString team = MapLine::folderNamePart("Sample Team", "Sample Player");
    EXPECT_EQ(team, R"(Sample Team\Sample Player)");
    EXPECT_EQ(compose("12345", team, Content::OnlyHair), R"(12345, ,"Sample Team\Sample Player_Hair.bin")");
    EXPECT_EQ(compose("12345", team, Content::FaceAndHair),
              R"(12345, "Sample Team\Sample Player_Face.bin", "Sample Team\Sample Player_Hair.bin")");
}

TEST(MapLine, EdgeCasesPassThroughUnchanged)
{
    // No space between the second comma and the quotation mark.
    EXPECT_EQ(compose("7", "A", Content::OnlyHair), R"(7, ,"A_Hair.bin")");
    EXPECT_EQ(compose("12345", "", Content::FaceAndHair), R"(12345, "_Face.bin", "_Hair.bin")");
    EXPECT_EQ(compose("12345", MapLine::folderNamePart("", "Sample Player"), Content::FaceAndHair),
              R"(12345, "\Sample Player_Face.bin", "\Sample Player_Hair.bin")");
    EXPECT_EQ(compose("-1", "<unnamed_-1> ", Content::OnlyFace), R"(-1, "<unnamed_-1> _Face.bin")");
    EXPECT_EQ(compose("0", "  x  ", Content::OnlyFace), R"(0, "  x  _Face.bin")");
    EXPECT_EQ(MapLine::faceFileName("N"), "N_Face.bin");
    EXPECT_EQ(MapLine::hairFileName("N"), "N_Hair.bin");
}

TEST(MapLine, LastPartOfAPath)
{
    EXPECT_EQ(MapLine::lastPart("/data/Ludex/Sample Team"), "Sample Team");
    EXPECT_EQ(MapLine::lastPart("/data/Ludex/"), "");
    EXPECT_EQ(MapLine::lastPart("/"), "");
    EXPECT_EQ(MapLine::lastPart("Team"), "Team");
    EXPECT_EQ(MapLine::lastPart(""), "");
#ifdef Q_OS_WIN
    EXPECT_EQ(MapLine::lastPart("C:\\Ludex\\Team"), "Team");
    EXPECT_EQ(MapLine::lastPart("C:\\"), "");
#endif
}

TEST(FileNameCheck, AcceptsOrdinaryNames)
{
    for (const char* name : {"Sample Player", "A", "Cristiano Ronaldo Jr.x", "Müller", "a.b", "CON_Face.bin", "..a"})
        EXPECT_TRUE(FileNameCheck::isValidName(name)) << name;
}

TEST(FileNameCheck, RefusesWhatWindowsCannotHold)
{
    for (const char* name : {"", ".", "..", "a\\b", "a/b", "a:b", "a*", "a?", "a\"b", "<unnamed_57> ", "a<b",
                             "a>b", "a|b", "trailing ", "trailing.", "CON", "nul.txt", "com1", "LPT9.x"})
        EXPECT_FALSE(FileNameCheck::isValidName(name)) << name;
    EXPECT_FALSE(FileNameCheck::isValidName(QString("a") + QChar(0x0A) + "b"));
    EXPECT_FALSE(FileNameCheck::isValidName(QString("a") + QChar(0x01)));
    EXPECT_FALSE(FileNameCheck::isValidName(QString(256, 'x')));
    EXPECT_TRUE(FileNameCheck::isValidName(QString(255, 'x')));
    // The message names the offending character.
    EXPECT_TRUE(FileNameCheck::nameProblem("a:b").contains(":"));
    EXPECT_TRUE(FileNameCheck::nameProblem("x ").contains("space"));
}

TEST(FileNameCheck, DeviceNamesAreFineAsBaseNames)
{
    EXPECT_TRUE(FileNameCheck::baseNameProblem("Con").isEmpty());
    EXPECT_FALSE(FileNameCheck::baseNameProblem("Con ").isEmpty());
    EXPECT_FALSE(FileNameCheck::baseNameProblem("a:b").isEmpty());
    EXPECT_FALSE(FileNameCheck::baseNameProblem("").isEmpty());
}

TEST(FileNameCheck, CodePage)
{
    EXPECT_TRUE(FileNameCheck::codePageProblem("Müller, Ł?").contains(QChar(0x0141)));  // Ł not in 1252
    EXPECT_TRUE(FileNameCheck::codePageProblem("Müller €").isEmpty());
    EXPECT_FALSE(FileNameCheck::codePageProblem(QString::fromUtf8("😀")).isEmpty());
    EXPECT_TRUE(FileNameCheck::codePageProblem("").isEmpty());
}
