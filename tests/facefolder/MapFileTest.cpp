// Reading map.txt back: the line forms, hand-written variations, lines not
// understood, and randomized round trips and garbage.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <random>

#include "facefolder/FaceFolderCheck.h"
#include "facefolder/MapFile.h"
#include "platform/CodePage.h"
#include "support/FolderSnapshot.h"
#include "support/TestEnv.h"

using MapLine::Content;
using enum MapLine::Content;

namespace {

MapFile::Line parsed(const QByteArray& bytes)
{
    MapFile::Line line;
    MapFile::parseLine(bytes, line);
    return line;
}

TEST(MapFile, ReadsEveryFormTheProgramWritesAndWhatPeopleWriteByHand)
{
    const struct {
        const char* line;
        qint32 id;
        const char* face;
        const char* hair;
    } entries[] = {
        {R"(12345, "Sample Player_Face.bin", "Sample Player_Hair.bin")", 12345, "Sample Player_Face.bin",
         "Sample Player_Hair.bin"},
        {R"(7, "A_Face.bin")", 7, "A_Face.bin", ""},
        {R"(7, ,"A_Hair.bin")", 7, "", "A_Hair.bin"},
        {R"(-1, "Sample Team\P_Face.bin", "Sample Team\P_Hair.bin")", -1, R"(Sample Team\P_Face.bin)",
         R"(Sample Team\P_Hair.bin)"},
        {"  \t8 ,\"  x  _Face.bin\"  ,   \"y.bin\" \t\r", 8, "  x  _Face.bin", "y.bin"},
        {R"(9,"","h.bin")", 9, "", "h.bin"},
        {R"(9, "f.bin", "")", 9, "f.bin", ""},
        {"007, \"M\xFCller \x80_Face.bin\"", 7, "Müller €_Face.bin", ""},
        {R"(-2147483648, "min.bin")", -2147483647 - 1, "min.bin", ""},
    };
    for (const auto& e : entries) {
        const MapFile::Line l = parsed(e.line);
        ASSERT_TRUE(l.isEntry()) << e.line << ": " << l.problem.toStdString();
        EXPECT_EQ(l.id, e.id) << e.line;
        EXPECT_EQ(l.face, QString::fromUtf8(e.face)) << e.line;
        EXPECT_EQ(l.hair, QString::fromUtf8(e.hair)) << e.line;
    }
    EXPECT_EQ(parsed("  \t ").kind, MapFile::Kind::Blank);

    const std::pair<QByteArray, const char*> bad[] = {
        {"abc, \"x.bin\"", "identifier"},
        {"7 \"x.bin\"", "no comma"},
        {"7,", "no file"},
        {"7, \"x.bin\",", "nothing follows"},
        {"7, \"x.bin", "closing quotation"},
        {"7, \"a\", \"b\", \"c\"", "more than"},
        {"7, x.bin", "outside the quotation"},
        {"7, \"x.bin\" y", "text follows"},
        {"7, \"a\x01.bin\"", "control character"},
        {QByteArray("7, \"x.bin\"\0", 11), "NUL"},
        {"2147483648, \"x.bin\"", "out of range"},
        {"7, \"\", \"\"", "names no file"},
        {"7, \"" + QByteArray(5000, 'a') + "\"", "too long"},
    };
    for (const auto& [bytes, why] : bad) {
        const MapFile::Line l = parsed(bytes);
        EXPECT_EQ(l.kind, MapFile::Kind::NotUnderstood) << bytes.left(40).toStdString();
        EXPECT_TRUE(l.problem.contains(why)) << bytes.left(40).toStdString() << ": " << l.problem.toStdString();
    }
}

TEST(MapFile, KeepsEveryByteAndTakesOutOnlyTheChosenLines)
{
    const QByteArray bytes = "1, \"a.bin\"\r\n\r\n  junk\n2, ,\"b.bin\"\r\r\n3, \"c.bin\"";
    const MapFile::Document doc = MapFile::parse(bytes);
    ASSERT_EQ(doc.lines.size(), 5u);
    using MapFile::LineEnd;
    const LineEnd ends[] = {LineEnd::CrLf, LineEnd::CrLf, LineEnd::Lf, LineEnd::CrLf, LineEnd::None};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(doc.lines[i].end, ends[i]) << i;
    EXPECT_TRUE(doc.lines[3].isEntry());  // a stray carriage return before the line end is tolerated
    EXPECT_TRUE(doc.lacksFinalLineEnd());
    EXPECT_EQ(doc.text(doc.lines[2]), "  junk");
    const MapFile::Document nul = MapFile::parse(QByteArray("a\0b", 3));
    EXPECT_EQ(nul.text(nul.lines[0]), QString("a") + QChar(0x2400) + "b");

    EXPECT_EQ(doc.without({}), bytes);
    EXPECT_EQ(doc.without({0, 2}), "\r\n2, ,\"b.bin\"\r\r\n3, \"c.bin\"");
    EXPECT_EQ(doc.without({4}), "1, \"a.bin\"\r\n\r\n  junk\n2, ,\"b.bin\"\r\r\n");
    EXPECT_EQ(doc.without({0, 1, 2, 3, 4, 99, -1}), "");
    EXPECT_FALSE(MapFile::parse("1, \"a.bin\"\n").lacksFinalLineEnd());
    EXPECT_TRUE(MapFile::parse("").lines.empty());
}

TEST(MapFile, PlacesFollowWindowsRulesAndNeverLeaveTheFaceFolder)
{
    const std::pair<const char*, const char*> keys[] = {
        {"P_Face.bin", "p_face.bin"},
        {R"(Sample Team\P_Face.BIN)", "sample team/p_face.bin"},
        {R"(\P_Face.bin)", "p_face.bin"},
        {R"(a/.\\b\c.bin. .)", "a/b/c.bin"},
        {R"(..\x.bin)", ""},
        {R"(C:\x.bin)", ""},
        {"", ""},
    };
    for (const auto& [name, key] : keys) EXPECT_EQ(MapFile::placeKey(name), key) << name;
}

// Names the writer may be given: anything the code page holds except the
// quotation mark and control characters, which the installer refuses.
QString randomName(std::mt19937& rng)
{
    static const QString alphabet = QStringLiteral("abcXYZ019 _-.\\'()[]!,éüß€ÆŠ");
    QString s;
    const int n = int(rng() % 12);
    for (int i = 0; i < n; ++i) s += alphabet[qsizetype(rng() % alphabet.size())];
    return s;
}

TEST(MapFile, EverythingTheWriterProducesParsesBackToTheSameEntry)
{
    std::mt19937 rng(11);
    const Content contents[] = {FaceAndHair, OnlyFace, OnlyHair};
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes;
        std::vector<std::tuple<qint32, QString, Content>> written;
        for (int i = 0; i < 20; ++i) {
            const auto id = static_cast<qint32>(rng());
            QString part = randomName(rng);
            if (rng() % 3 == 0) part = MapLine::folderNamePart(randomName(rng), part);
            const Content c = contents[rng() % 3];
            bytes += CodePage::encode(MapLine::compose(QString::number(id), part, c));
            bytes += rng() % 4 ? "\r\n" : "\n";
            written.emplace_back(id, part, c);
        }
        const MapFile::Document doc = MapFile::parse(bytes);
        ASSERT_EQ(doc.lines.size(), written.size());
        for (size_t i = 0; i < written.size(); ++i) {
            const auto& [id, part, c] = written[i];
            const MapFile::Line& l = doc.lines[i];
            ASSERT_TRUE(l.isEntry()) << doc.text(l).toStdString() << ": " << l.problem.toStdString();
            EXPECT_EQ(l.id, id);
            EXPECT_EQ(l.content(), c);
            EXPECT_EQ(l.face, MapLine::hasFace(c) ? MapLine::faceFileName(part) : QString());
            EXPECT_EQ(l.hair, MapLine::hasHair(c) ? MapLine::hairFileName(part) : QString());
        }
    }
}

TEST(MapFile, ArbitraryBytesNeverBreakTheReaderOrTheCheck)
{
    std::mt19937 rng(13);
    const QByteArray likely = "0123456789-, \t\"\"\\\r\n\n\0xB.bin";
    QTemporaryDir dir;
    FolderListing listing = FolderListing::list(dir.path());
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        const int n = int(rng() % 300);
        // Half the rounds: mutated program lines; the rest: raw or likely bytes.
        if (round % 2) {
            for (int i = 0; i < 5; ++i) bytes += "12345, \"T\\P_Face.bin\", \"P_Hair.bin\"\r\n";
            for (int i = 0; i < 1 + n / 30; ++i) bytes[qsizetype(rng() % bytes.size())] = char(rng());
        } else {
            for (int i = 0; i < n; ++i) bytes += rng() % 2 ? char(rng()) : likely[qsizetype(rng() % likely.size())];
        }
        const MapFile::Document doc = MapFile::parse(bytes);
        QByteArray joined;
        for (const auto& l : doc.lines) {
            joined += doc.raw(l, true).toByteArray();
            EXPECT_FALSE(l.isEntry() && l.face.isEmpty() && l.hair.isEmpty());
            EXPECT_EQ(l.kind == MapFile::Kind::NotUnderstood, !l.problem.isEmpty());
        }
        ASSERT_EQ(joined, bytes);
        const auto report = FaceFolderCheck::check(doc, listing);
        for (size_t i = 0; i < doc.lines.size(); ++i) FaceFolderCheck::describe(doc, report, int(i));
    }
}

TEST(MapFile, RefusesWhatIsNoMapFileAndReadsAgainOnlyAfterAChange)
{
    TestEnv env;
    const QString map = env.faceFolder() + "/map.txt";
    MapFile::Document doc;
    EXPECT_TRUE(MapFile::read(map, doc).ok);  // missing: empty
    EXPECT_TRUE(doc.lines.empty());

    QFile big(map);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(100LL * 1024 * 1024));
    big.close();
    Result r = MapFile::read(map, doc);
    EXPECT_TRUE(!r.ok && r.message.contains("100.0 MB")) << r.message.toStdString();
    QFile::remove(map);
    QDir().mkpath(map);
    EXPECT_FALSE(MapFile::read(map, doc).ok);
    QDir().rmdir(map);

    MapFile::Cache cache;
    TestEnv::writeFile(map, "5, \"a.bin\"\r\n6, \"b.bin\"\r\n5, \"c.bin\"\r\n");
    const auto first = cache.document(map);
    EXPECT_EQ(cache.linesOf(5), QList<int>({0, 2}));
    EXPECT_EQ(cache.document(map), first);  // unchanged: not read again
    QFile f(map);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("6, \"d.bin\"\r\n");
    f.close();
    EXPECT_NE(cache.document(map), first);
    EXPECT_EQ(cache.linesOf(6), QList<int>({1, 3}));
}

}  // namespace
