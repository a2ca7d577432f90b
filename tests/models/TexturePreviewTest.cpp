#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>

#include "models/BazaZlib.h"
#include "models/TexturePreview.h"
#include "support/DdsWriter.h"
#include "support/ModelFileBuilder.h"
#include "support/TestEnv.h"

namespace {

using Files = QSet<QString>;

// The pipeline without a window: the picture is "shown" by loading the
// bitmap file the way an image box does.
class TexturePreviewTest : public ::testing::Test {
protected:
    TexturePreviewTest() : preview(dir.path(), zlib) {}

    QString at(const QString& name) const { return dir.filePath(name); }
    Files files() const
    {
        const QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        return Files(names.begin(), names.end());
    }
    bool run(const char* working = "\\Face", const char* bitmap = "\\Face.bmp")
    {
        return preview.Preview(QString::fromLatin1(working), QString::fromLatin1(bitmap), [this](const QString& f) {
            ++shows;
            shown = QImage(f);
            shownFile = f;
            return !shown.isNull() && showResult;
        });
    }
    void writeFace(const ModelFileBuilder& model) { model.write(at("Face")); }

    static void expectSamePixels(const QImage& actual, const QImage& expected, bool withAlpha)
    {
        ASSERT_EQ(actual.size(), expected.size());
        const QImage a = actual.convertToFormat(QImage::Format_ARGB32);
        int wrong = 0;
        for (int y = 0; y < expected.height() && wrong < 5; ++y) {
            for (int x = 0; x < expected.width() && wrong < 5; ++x) {
                QRgb got = a.pixel(x, y), want = expected.pixel(x, y);
                if (!withAlpha) got |= 0xFF000000u, want |= 0xFF000000u;
                if (got != want) {
                    ++wrong;
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " != " << want;
                }
            }
        }
    }

    QTemporaryDir dir;
    BazaZlib zlib;
    TexturePreview preview;
    QImage shown;
    QString shownFile;
    int shows = 0;
    bool showResult = true;
};

TEST_F(TexturePreviewTest, BitmapShowsTheTextureThatWentIn)
{
    struct Case {
        const char* name;
        DdsWriter::Dds dds;
        bool alpha;
    };
    const Case cases[] = {
        {"uncompressed 32-bit", DdsWriter::rgba32(DdsWriter::testPattern(64, 32)), false},
        {"DXT1", DdsWriter::dxt1(128, 64, DdsWriter::checkerBlock), false},
        {"DXT5", DdsWriter::dxt5(64, 128, DdsWriter::checkerBlock), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFace(ModelFileBuilder().dds(c.dds.bytes));
        ASSERT_TRUE(run()) << preview.lastError().toStdString();
        EXPECT_EQ(shownFile, at("Face.bmp"));
        expectSamePixels(shown, c.dds.expected, c.alpha);
        expectSamePixels(QImage(at("Face.bmp")), c.dds.expected, c.alpha);
        EXPECT_EQ(preview.ModelPath(), at("Face"));
    }
}

TEST_F(TexturePreviewTest, SuccessKeepsOnlyTheBitmapAndTheWorkingCopies)
{
    const auto dds = DdsWriter::dxt1(16, 16, DdsWriter::checkerBlock);
    writeFace(ModelFileBuilder().dds(dds.bytes));
    ModelFileBuilder().dds(dds.bytes).write(at("Hair"));
    // Leftovers of an older program version are cleared on the way.
    for (const char* old : {"tempa.bin", "KTMDL2", "Nag", "New.dds", "WE00", "DDSOffset", "NewHD.bin", "NewHD.Bin.zlib"})
        TestEnv::writeFile(at(old), "old");

    ASSERT_TRUE(run("\\Hair", "\\Hair.bmp"));
    EXPECT_EQ(files(), (Files{"Face", "Hair", "Hair.bmp"}));
    EXPECT_EQ(preview.ModelPath(), at("Hair"));

    // A face preview removes the hair bitmap; the archive bitmaps are never cleared.
    TestEnv::writeFile(at("Face2.bmp"), "older archive bitmap");
    TestEnv::writeFile(at("Textura.png"), "left by an old version");
    ASSERT_TRUE(run());
    EXPECT_EQ(files(), (Files{"Face", "Hair", "Face.bmp", "Face2.bmp"}));

    ASSERT_TRUE(run("\\Hair", "\\Hair2.bmp"));
    EXPECT_EQ(files(), (Files{"Face", "Hair", "Face2.bmp", "Hair2.bmp"}));

    preview.Delete();
    EXPECT_EQ(files(), (Files{"Face", "Hair", "Face2.bmp", "Hair2.bmp"}));
}

TEST_F(TexturePreviewTest, TexDdsIsAlwaysTheFixedSizeCutOrPadded)
{
    // A small texture: the payload from T + 16 on, then zeros.
    const auto small = DdsWriter::dxt1(8, 8, DdsWriter::checkerBlock);
    writeFace(ModelFileBuilder().dds(small.bytes));
    ASSERT_TRUE(run());
    const QByteArray& buffer = preview.TexBuffer();
    ASSERT_EQ(buffer.size(), 16777345);
    EXPECT_EQ(buffer.left(small.bytes.size()), small.bytes);
    EXPECT_EQ(buffer.mid(small.bytes.size()).count('\0'), 16777345 - small.bytes.size());

    // A DDS longer than the buffer is cut to it and still decodes.
    const auto big = DdsWriter::rgba32(DdsWriter::testPattern(2048, 2048));  // 16,777,344 bytes
    const QByteArray longer = big.bytes + QByteArray(5000, char(0xAB));
    writeFace(ModelFileBuilder().dds(longer));
    ASSERT_TRUE(run()) << preview.lastError().toStdString();
    EXPECT_EQ(preview.TexBuffer(), longer.left(16777345));
    EXPECT_EQ(quint8(preview.TexBuffer().back()), 0xABu);
    expectSamePixels(shown, big.expected, false);

    // A texture block shorter than 17 bytes past T: nothing of the previous
    // preview survives beyond the data that was read.
    writeFace(ModelFileBuilder().dds(small.bytes).U(ModelFileBuilder().dds(small.bytes).textureOffset() + 1));
    EXPECT_TRUE(run()) << preview.lastError().toStdString();
    EXPECT_EQ(preview.TexBuffer().left(small.bytes.size()), small.bytes);
    EXPECT_EQ(preview.TexBuffer().mid(small.bytes.size()).count('\0'), 16777345 - small.bytes.size());

    // What FreeImage is handed when it cannot decode stays behind, full size.
    writeFace(ModelFileBuilder().dds(QByteArray("not a texture at all")));
    EXPECT_FALSE(run());
    EXPECT_EQ(QFileInfo(at("Tex.dds")).size(), 16777345);
    EXPECT_TRUE(TestEnv::readFile(at("Tex.dds")).startsWith("not a texture at all"));
}

TEST_F(TexturePreviewTest, EachFailureLeavesItsScratchFilesAndShowsNothing)
{
    const auto dds = DdsWriter::dxt5(16, 16, DdsWriter::checkerBlock);
    const ModelFileBuilder good = ModelFileBuilder().dds(dds.bytes);
    const qint32 m = good.modelOffset();
    const qint32 t = good.textureOffset();
    struct Case {
        const char* what;
        std::function<void()> prepare;
        Files left;
    };
    const Case cases[] = {
        {"missing working copy", [] {}, {}},
        {"empty working copy", [&] { TestEnv::writeFile(at("Face"), {}); }, {"Face"}},
        {"working copy too large",
         [&] {
             QFile big(at("Face"));
             ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(TexturePreview::kMaxModelFileSize + 1));
         },
         {"Face"}},
        {"shorter than its header", [&] { TestEnv::writeFile(at("Face"), "abc"); }, {"Face", "temp.bin"}},
        {"not a zlib stream", [&] { TestEnv::writeFile(at("Face"), QByteArray(400, 'x')); }, {"Face", "temp.bin"}},
        {"stored size 0", [&] { writeFace(ModelFileBuilder(good).storedSize(0)); }, {"Face", "temp.bin"}},
        {"stored size negative", [&] { writeFace(ModelFileBuilder(good).storedSize(-40)); }, {"Face", "temp.bin"}},
        {"stored size huge", [&] { writeFace(ModelFileBuilder(good).storedSize(2147483647)); }, {"Face", "temp.bin"}},
        {"model block below 1", [&] { writeFace(ModelFileBuilder(good).A(m - 56)); }, {"Face", "temp.bin"}},
        {"model block overflows", [&] { writeFace(ModelFileBuilder(good).A(2147483647).B(10)); }, {"Face", "temp.bin"}},
        {"model block huge", [&] { writeFace(ModelFileBuilder(good).A(2000000000)); }, {"Face", "temp.bin"}},
        {"M outside payload", [&] { writeFace(ModelFileBuilder(good).M(1 << 20).A(1 << 21)); }, {"Face", "temp.bin"}},
        {"M negative", [&] { writeFace(ModelFileBuilder(good).M(-8)); }, {"Face", "temp.bin"}},
        {"texture block below 1", [&] { writeFace(ModelFileBuilder(good).U(t - 16777344)); },
         {"Face", "temp.bin", "KTMDL"}},
        {"texture block overflows", [&] { writeFace(ModelFileBuilder(good).U(2147483647)); },
         {"Face", "temp.bin", "KTMDL"}},
        {"texture block huge", [&] { writeFace(ModelFileBuilder(good).U(t + 100000000)); },
         {"Face", "temp.bin", "KTMDL"}},
        {"T outside payload", [&] { writeFace(ModelFileBuilder(good).T(t + 100000).U(t + 100100)); },
         {"Face", "temp.bin", "KTMDL"}},
        {"T negative", [&] { writeFace(ModelFileBuilder(good).T(-4)); }, {"Face", "temp.bin", "KTMDL"}},
        {"texture not decodable", [&] { writeFace(ModelFileBuilder().dds(QByteArray(300, 'z'))); },
         {"Face", "temp.bin", "KTMDL", "Nag.dds", "Tex.dds"}},
        {"DDS claims a huge picture",
         [&] { writeFace(ModelFileBuilder().dds(DdsWriter::header(60000, 60000, "DXT1"))); },
         {"Face", "temp.bin", "KTMDL", "Nag.dds", "Tex.dds"}},
        {"DDS format not supported", [&] { writeFace(ModelFileBuilder().dds(DdsWriter::header(16, 16, "ATI2") + QByteArray(256, 1))); },
         {"Face", "temp.bin", "KTMDL", "Nag.dds", "Tex.dds"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        shows = 0;
        c.prepare();
        EXPECT_FALSE(run());
        EXPECT_FALSE(preview.lastError().isEmpty());
        EXPECT_EQ(shows, 0);
        EXPECT_EQ(files(), c.left);
    }
}

TEST_F(TexturePreviewTest, PictureThatCannotBeShownFailsAndKeepsTheScratchFiles)
{
    writeFace(ModelFileBuilder().dds(DdsWriter::dxt1(8, 8, DdsWriter::checkerBlock).bytes));
    showResult = false;
    EXPECT_FALSE(run());
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(files(), (Files{"Face", "temp.bin", "KTMDL", "Nag.dds", "Tex.dds", "Face.bmp"}));

    // The next preview starts from a clean folder.
    showResult = true;
    EXPECT_TRUE(run());
    EXPECT_EQ(files(), (Files{"Face", "Face.bmp"}));
}

TEST_F(TexturePreviewTest, ArbitraryBytesNeverCrash)
{
    QRandomGenerator rng(2024);
    const auto dds = DdsWriter::dxt1(8, 8, DdsWriter::checkerBlock);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        if (round % 2 == 0) {
            QByteArray noise(int(rng.bounded(1, 3000)), '\0');
            for (char& c : noise) c = char(rng.bounded(256));
            TestEnv::writeFile(at("Face"), noise);
        } else {
            // A valid stream whose header and DDS header are damaged at random.
            QByteArray payload = ModelFileBuilder().dds(dds.bytes).payload();
            for (int k = 0; k < 6; ++k) {
                const int offsets[] = {8, 12, 24, 32, 36};
                const int o = rng.bounded(3) ? offsets[rng.bounded(5)] : int(rng.bounded(payload.size() - 4));
                qToLittleEndian<quint32>(rng.generate(), payload.data() + o);
            }
            QByteArray size(4, '\0');
            qToLittleEndian<qint32>(qint32(payload.size()), size.data());
            TestEnv::writeFile(at("Face"), QByteArray(12, 'L') + size + ModelFileBuilder::zlibStream(payload));
        }
        run();  // success or failure, but always back here
    }
}

}  // namespace
