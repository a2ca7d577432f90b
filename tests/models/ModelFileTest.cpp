#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include "archive/PackFixtures.h"
#include "models/BazaZlib.h"
#include "models/ModelFileBuilder.h"
#include "models/TexturePreview.h"
#include "support/DdsWriter.h"
#include "support/TestEnv.h"

namespace {

using Files = QSet<QString>;
using Model = ModelFileBuilder;

// The codec and the preview pipeline without a window: the picture is
// "shown" by loading the bitmap file.
class ModelFileTest : public ::testing::Test {
protected:
    QString at(const QString& name) const { return dir.filePath(name); }
    Files files() const
    {
        const auto n = QDir(dir.path()).entryList(QDir::Files);
        return {n.begin(), n.end()};
    }
    // What the codec writes for a file; decoding the same bytes in memory,
    // as the preview does, must give the same.
    QByteArray uncompress(const QByteArray& in)
    {
        TestEnv::writeFile(at("in"), in);
        TestEnv::writeFile(at("out"), QByteArray(20000, 'S'));  // longer than any output
        zlib.UncompressFile(at("in"), at("out"));
        const QByteArray out = TestEnv::readFile(at("out"));
        QByteArray inMemory = "untouched";
        EXPECT_EQ(BazaZlib::Uncompress(in, inMemory) ? inMemory : QByteArray(20000, 'S'), out);
        return out;
    }
    Result run()
    {
        const auto show = [this](const QString& f) {
            shown = QImage(f);
            return showWorks && !shown.isNull();
        };
        return preview.Preview("\\Face", "\\Face.bmp", show);
    }

    QTemporaryDir dir;
    BazaZlib zlib;
    TexturePreview preview{dir.path(), zlib};
    QImage shown;
    bool showWorks = true;
    const ModelFileBuilder good = Model().dds(DdsWriter::dxt5(16, 16, DdsWriter::checkerBlock).bytes);
};

TEST_F(ModelFileTest, CompressWritesTheSizeAndAStreamThatComesBack)
{
    EXPECT_EQ(BazaZlib::CompressCapacity(1000), 1022);
    for (int n : {1, 64, 100000}) {  // incompressible data still fits the capacity
        const QByteArray data = PackFixtures::modelBytes(n, n);
        TestEnv::writeFile(at("src"), data);
        TestEnv::writeFile(at("packed"), QByteArray(200000, 'S'));
        ASSERT_TRUE(zlib.CompressFile(at("src"), at("packed")));
        EXPECT_EQ(TestEnv::readFile(at("packed")), Model::codecFile(data, n)) << n;
        EXPECT_EQ(uncompress(Model::codecFile(data, n)), data) << n;
    }
}

TEST_F(ModelFileTest, UncompressGivesAtMostTheStoredSizeAndNoStaleTail)
{
    const QByteArray data = QByteArray("payload ").repeated(600);
    const QByteArray file = Model::codecFile(data, 4800);
    EXPECT_EQ(uncompress(file + QByteArray(12, '\0')), data);
    EXPECT_EQ(uncompress(file + "trailing junk"), data);
    EXPECT_EQ(uncompress(Model::codecFile(data, 1234)), data.left(1234));
    EXPECT_EQ(uncompress("abc"), QByteArray(20000, 'S'));  // no room for a size: the output is not touched
    for (qint32 bad : {0, -1, BazaZlib::kMaxUncompressedSize + 1})
        EXPECT_EQ(uncompress(Model::codecFile(data, bad)), QByteArray()) << bad;
    // Deflate makes at most about 1,032 bytes of one byte of stream: a size
    // that the stream cannot reach is damage and allocates nothing, while
    // the densest real stream (zeros) still comes back whole.
    EXPECT_EQ(uncompress(Model::codecFile("hello", BazaZlib::kMaxUncompressedSize)), QByteArray());
    const QByteArray zeros(8 << 20, '\0');
    EXPECT_EQ(uncompress(Model::codecFile(zeros, qint32(zeros.size()))), zeros);
    // The preview decodes in place: the same path in and out.
    TestEnv::writeFile(at("same"), file + QByteArray(12, '\0'));
    zlib.UncompressFile(at("same"), at("same"));
    EXPECT_EQ(TestEnv::readFile(at("same")), data);
}

TEST_F(ModelFileTest, DamagedInputGivesNoMoreThanCouldBeDecodedAndNeverEscapes)
{
    const QByteArray data = PackFixtures::modelBytes(50000, 1);
    const QByteArray cut = uncompress(Model::codecFile(data, 50000).left(25000));  // what could be decoded
    EXPECT_TRUE(cut.size() < data.size() && data.startsWith(cut));
    const QImage texture = DdsWriter::dxt5(16, 16, DdsWriter::checkerBlock).expected;
    for (int round = 0; round < 50; ++round) {
        QByteArray stream = PackFixtures::modelBytes(1 + round * 8, round);
        if (round % 2) stream[0] = 0x78;  // looks like a zlib header
        EXPECT_LE(uncompress(Model::codecFile({}, 1000).left(4) + stream).size(), 1000);
        // A model whose header or model block is damaged: its texture shows
        // as it is, or nothing shows and no bitmap is left.
        QByteArray payload = good.payload();
        for (int k = 0; k < 4; ++k) payload[8 + (round * 7 + k * 13) % 120] = stream[k % stream.size()];
        TestEnv::writeFile(at("Face"), QByteArray(12, 'L') + Model::codecFile(payload, qint32(payload.size())));
        shown = QImage();
        const bool ok = bool(run());
        SCOPED_TRACE(round);
        EXPECT_EQ(ok, QFile::exists(at("Face.bmp")));
        EXPECT_EQ(ok, !shown.isNull());
        EXPECT_TRUE(!ok || (DdsWriter::sameColours(shown, texture) && QImage(at("Face.bmp")) == shown));
    }
}

TEST_F(ModelFileTest, BitmapShowsTheTextureThatWentIn)
{
    for (const auto& dds :
         {DdsWriter::rgba32(DdsWriter::testPattern(64, 32)), DdsWriter::dxt1(128, 64, DdsWriter::checkerBlock),
          DdsWriter::dxt5(64, 128, DdsWriter::checkerBlock),
          DdsWriter::dxt5(512, 512, DdsWriter::checkerBlock)}) {  // large: its files are written beside
        Model().dds(dds.bytes).write(at("Face"));
        const Result r = run();
        ASSERT_TRUE(r) << r.message.toStdString();
        EXPECT_TRUE(DdsWriter::sameColours(shown, dds.expected));
        EXPECT_TRUE(DdsWriter::sameColours(QImage(at("Face.bmp")), dds.expected));
    }
    // Every scratch file but the bitmap is gone; the archive's bitmaps stay.
    TestEnv::writeFile(at("Face2.bmp"), "archive preview");
    ASSERT_TRUE(run());
    EXPECT_EQ(files(), (Files{"Face", "Face.bmp", "Face2.bmp"}));
}

TEST_F(ModelFileTest, TexDdsIsAlwaysTheBufferSizeCutOrZeroPadded)
{
    const int size = 16777345;
    // The short one after the long one: nothing of the earlier texture survives.
    for (const QByteArray& dds : {"no texture" + QByteArray(size, 'L'), QByteArray("short, no texture")}) {
        Model().dds(dds).write(at("Face"));
        EXPECT_FALSE(run());
        const QByteArray tex = TestEnv::readFile(at("Tex.dds"));
        ASSERT_EQ(tex.size(), size);
        EXPECT_TRUE(tex.startsWith(dds.left(size)));
        EXPECT_EQ(tex.count('\0'), qMax<qsizetype>(0, size - dds.size()));
    }
}

TEST_F(ModelFileTest, EachKindOfPreviewFailureShowsNothingAndLeavesItsScratchFiles)
{
    const qint32 t = good.textureOffset();
    const Files read{"Face", "temp.bin"}, model = read + Files{"KTMDL"};
    const Files tex = model + Files{"Nag.dds", "Tex.dds"};
    const struct {
        const char* what;
        QByteArray face;
        Files left;
    } cases[] = {
        {"missing working copy", {}, {}},
        {"stored size huge", Model(good).storedSize(2147483647).bytes(), read},
        {"model block overflows", Model(good).A(2147483647).B(10).bytes(), read},
        {"model block outside the payload", Model(good).M(1 << 20).A(1 << 21).bytes(), read},
        {"texture block below 1", Model(good).U(t - 16777344).bytes(), model},
        {"texture block outside the payload", Model(good).T(-4).bytes(), model},
        {"huge DDS picture", Model().dds(DdsWriter::header(60000, 60000, "DXT1")).bytes(), tex},
        {"picture cannot be shown", good.bytes(), tex + Files{"Face.bmp"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(dir.path()).removeRecursively();
        if (!c.face.isEmpty()) TestEnv::writeFile(at("Face"), c.face);
        shown = QImage();
        showWorks = !c.left.contains("Face.bmp");
        EXPECT_FALSE(run());
        EXPECT_EQ(shown.isNull(), showWorks);
        EXPECT_EQ(files(), c.left);
    }
    // Delete takes every scratch file and both bitmaps of the Normal tab, not the archive's.
    TestEnv::writeFile(at("Hair.bmp"), "hair preview");
    TestEnv::writeFile(at("Face2.bmp"), "archive preview");
    preview.Delete();
    EXPECT_EQ(files(), (Files{"Face", "Face2.bmp"}));
    QFile::remove(at("Face2.bmp"));
    // A large texture's scratch files are written beside its decoding: one
    // that cannot be written fails the preview all the same, the files
    // before it left, nothing shown.
    Model().dds(DdsWriter::dxt5(512, 512, DdsWriter::checkerBlock).bytes).write(at("Face"));
    QDir().mkpath(at("Tex.dds"));
    shown = QImage();
    const Result blocked = run();
    EXPECT_TRUE(!blocked && blocked.message.contains("Tex.dds")) << blocked.message.toStdString();
    EXPECT_TRUE(shown.isNull());
    EXPECT_EQ(files(), model + Files{"Nag.dds"});
    QDir(at("Tex.dds")).removeRecursively();
    ASSERT_TRUE(QFile(at("Face")).resize(TexturePreview::kMaxModelFileSize + 1));  // too large to be a model
    EXPECT_FALSE(run());
    EXPECT_EQ(files(), Files{"Face"});
}

}  // namespace
