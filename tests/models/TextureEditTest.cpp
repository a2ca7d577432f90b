#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include "models/ModelFileBuilder.h"
#include "models/ModelTexture.h"
#include "models/TextureEdit.h"
#include "models/TextureEncoder.h"
#include "support/DdsWriter.h"
#include "support/FolderSnapshot.h"
#include "support/TestEnv.h"
#include "support/TexturePictures.h"

namespace {

using ModelTexture::Format;

quint32 le32(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); }

// A texture of `format` with `mipmaps` levels, made from a picture.
QByteArray texture(Format format, int size, quint32 mipmaps, const RgbaImage& picture)
{
    const char* codes[] = {"DXT1", "DXT3", "DXT5", nullptr, nullptr};
    const quint32 bits = format == Format::Rgba ? 32 : format == Format::Rgb ? 24 : 0;
    QByteArray header = DdsWriter::header(quint32(size), quint32(size), codes[int(format)], bits);
    if (mipmaps > 1) {
        qToLittleEndian<quint32>(le32(header, 8) | 0x20000, header.data() + 8);
        qToLittleEndian<quint32>(mipmaps, header.data() + 28);
    }
    ModelTexture::DdsInfo info;
    EXPECT_TRUE(ModelTexture::parseDds(header + QByteArray(size * size * 8, '\0'), &info).ok);
    return TextureEncoder::encodeDds(header, info, picture, TextureEncoder::Effort::Fast);
}

struct Case {
    const char* name;
    Format format;
    quint32 mipmaps;
    bool hair;  // a hair-like picture, with alpha
    double minPsnr;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class TextureEditTest : public ::testing::TestWithParam<Case> {
protected:
    TestEnv env;
};

// Export as DDS and replace with it: the very same file back, whatever the
// format, with a stream-length field and bytes after the stream kept.
TEST_P(TextureEditTest, ExportedDdsPutBackGivesTheIdenticalFile)
{
    const Case& c = GetParam();
    const RgbaImage picture = c.hair ? TexturePictures::hairLike(128) : TexturePictures::faceLike(128);
    ModelFileBuilder builder;
    builder.dds(texture(c.format, 128, c.mipmaps, picture)).trailing(QByteArray(12, '\0'));
    const QByteArray stream = ModelFileBuilder::zlibStream(builder.payload());
    QByteArray lead("LUDEXMD0\0\0\0\0", 12);
    qToLittleEndian<quint32>(quint32(stream.size()), lead.data() + 8);
    const QString model = builder.leading(lead).write(env.path("Face.bin"));

    ASSERT_TRUE(TextureEdit::exportTexture(model, env.path("face.dds")).ok);
    const Result replaced = TextureEdit::replaceTexture(model, env.path("face.dds"), env.path("New.bin"));
    ASSERT_TRUE(replaced.ok) << replaced.message.toStdString();
    EXPECT_EQ(TestEnv::readFile(env.path("New.bin")), TestEnv::readFile(model));
}

// An edited picture goes in: the new model shows it (within what the format
// keeps), its mipmaps are made again, everything else of the file is as it
// was, and the original is untouched.
TEST_P(TextureEditTest, EditedPictureReplacesOnlyTheTexture)
{
    const Case& c = GetParam();
    const RgbaImage old = c.hair ? TexturePictures::hairLike(128, 1) : TexturePictures::faceLike(128, 1);
    const RgbaImage edited = c.hair ? TexturePictures::hairLike(128, 2) : TexturePictures::faceLike(128, 2);
    const QByteArray lead("KEEP-THESE12", 12);  // bytes 8-11 are not the stream's length here
    const QString model =
        ModelFileBuilder().leading(lead).dds(texture(c.format, 128, c.mipmaps, old)).write(env.path("Face.bin"));
    const QByteArray original = TestEnv::readFile(model);
    TestEnv::writeFile(env.path("edited.png"), TexturePictures::png(edited));

    const Result replaced = TextureEdit::replaceTexture(model, env.path("edited.png"), env.path("New.bin"));
    ASSERT_TRUE(replaced.ok) << replaced.message.toStdString();
    EXPECT_EQ(TestEnv::readFile(model), original);

    ModelTexture::Model before, after;
    ASSERT_TRUE(ModelTexture::fromBytes(original, &before).ok);
    ASSERT_TRUE(ModelTexture::read(env.path("New.bin"), &after).ok);
    const QByteArray newFile = TestEnv::readFile(env.path("New.bin"));
    EXPECT_EQ(newFile.first(12), lead);
    EXPECT_EQ(qint32(le32(newFile, 12)), after.payload.size());
    EXPECT_EQ(after.payload.size(), before.payload.size());
    EXPECT_EQ(after.ddsOffset, before.ddsOffset);
    EXPECT_EQ(after.payload.first(after.ddsOffset), before.payload.first(before.ddsOffset));
    const qsizetype end = after.ddsOffset + after.dds.length;
    EXPECT_EQ(after.payload.sliced(end), before.payload.sliced(end));
    EXPECT_EQ(after.ddsBytes().first(128), before.ddsBytes().first(128));
    EXPECT_EQ(after.dds.format, c.format);
    EXPECT_EQ(after.dds.mipmaps, c.mipmaps);

    RgbaImage shown;
    ASSERT_TRUE(ModelTexture::decode(after, &shown).ok);
    EXPECT_GE(TexturePictures::psnr(edited, shown), c.minPsnr);
    if (c.format == Format::Rgba) {
        EXPECT_EQ(TexturePictures::maxDifference(edited, shown), 0);
    }
    if (c.mipmaps > 1) {
        // The second level is the picture halved, in the same format.
        ModelTexture::DdsInfo info = after.dds;
        RgbaImage level1;
        QByteArray single = after.ddsBytes().first(128).toByteArray();
        qToLittleEndian<quint32>(64, single.data() + 12);
        qToLittleEndian<quint32>(64, single.data() + 16);
        qToLittleEndian<quint32>(1, single.data() + 28);
        const bool blocks = c.format != Format::Rgb && c.format != Format::Rgba;
        qToLittleEndian<quint32>(quint32(blocks ? info.levelLength(1) : 64 * info.rgbBits / 8), single.data() + 20);
        single += after.ddsBytes().sliced(128 + info.levelLength(0), info.levelLength(1));
        ASSERT_TRUE(Pictures::decode(single, QStringLiteral("level 1"), &level1).ok);
        EXPECT_GE(TexturePictures::psnr(TextureEncoder::halve(edited), level1), c.minPsnr - 3);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, TextureEditTest,
                         ::testing::Values(Case{"Dxt1Face", Format::Dxt1, 1, false, 32},
                                           Case{"Dxt1FaceMipmapped", Format::Dxt1, 8, false, 32},
                                           Case{"Dxt3Hair", Format::Dxt3, 4, true, 30},
                                           Case{"Dxt5HairMipmapped", Format::Dxt5, 8, true, 30},
                                           Case{"Rgb24Face", Format::Rgb, 3, false, 60},
                                           Case{"Rgba32Hair", Format::Rgba, 8, true, 99}),
                         [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

// Each bad input is refused with a message that says what is wrong, and
// nothing is written.
TEST(TextureEditRefusalTest, BadInputsAreRefusedAndNothingIsWritten)
{
    TestEnv env;
    const RgbaImage face = TexturePictures::faceLike(64);
    const QString model = ModelFileBuilder().dds(texture(Format::Dxt1, 64, 1, face)).write(env.path("Face.bin"));
    const QByteArray whole = texture(Format::Dxt5, 64, 1, face);
    const QString cut = ModelFileBuilder().dds(whole.first(whole.size() - 100)).write(env.path("Cut.bin"));
    const QByteArray png = TexturePictures::png(face);
    const ModelFileBuilder whole64 = ModelFileBuilder().dds(texture(Format::Dxt1, 64, 1, face) + "payload tail");
    const QString shortStored =
        ModelFileBuilder(whole64).storedSize(qint32(whole64.payload().size() - 2)).write(env.path("Short.bin"));
    // A PNG header that states 30,000 x 30,000 pixels.
    QByteArray huge = png.first(33);
    qToBigEndian<quint32>(30000, huge.data() + 16);
    qToBigEndian<quint32>(30000, huge.data() + 20);
    huge += png.sliced(33);
    const struct {
        const char* file;
        QByteArray bytes;
        QString model;
        QString expected;
    } cases[] = {
        {"small.png", TexturePictures::png(TexturePictures::faceLike(32)), model,
         "32 x 32 pixels; the model's texture is 64 x 64"},
        {"alpha.png", TexturePictures::png(TexturePictures::hairLike(64)), model, "transparent pixels"},
        {"notes.png", "these are notes, not a picture", model, "is not a PNG, BMP, TGA or DDS picture"},
        {"damaged.png", png.first(png.size() / 2), model, "cannot be read as a picture"},
        {"huge.png", huge, model, "30000 x 30000"},
        {"good.png", png, cut, "cut short"},
        {"good.png", png, shortStored, "stored payload size"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TestEnv::writeFile(env.path(c.file), c.bytes);
        const FolderSnapshot before = snapshotFolder(env.root());
        const Result r = TextureEdit::replaceTexture(c.model, env.path(c.file), env.path("New.bin"));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.message.contains(c.expected)) << r.message.toStdString();
        EXPECT_EQ(snapshotFolder(env.root()), before);
    }
    // Never over the source, and only the export formats it knows.
    EXPECT_FALSE(TextureEdit::replaceTexture(model, env.path("good.png"), model).ok);
    EXPECT_FALSE(TextureEdit::exportTexture(model, model).ok);
    EXPECT_FALSE(TextureEdit::exportTexture(model, env.path("face.jpg")).ok);
    EXPECT_FALSE(QFile::exists(env.path("face.jpg")));
}

// A PNG export keeps the alpha and decodes to the texture's own picture.
TEST(TextureEditExportTest, PngKeepsTheTexturePictureWithAlpha)
{
    TestEnv env;
    const RgbaImage hair = TexturePictures::hairLike(64);
    const QString model = ModelFileBuilder().dds(texture(Format::Dxt5, 64, 1, hair)).write(env.path("Hair.bin"));
    ASSERT_TRUE(TextureEdit::exportTexture(model, env.path("Hair.PNG")).ok);
    ModelTexture::Model m;
    ASSERT_TRUE(ModelTexture::read(model, &m).ok);
    RgbaImage expected, exported;
    ASSERT_TRUE(ModelTexture::decode(m, &expected).ok);
    ASSERT_TRUE(Pictures::decode(TestEnv::readFile(env.path("Hair.PNG")), QStringLiteral("png"), &exported).ok);
    EXPECT_TRUE(exported.hasAlpha());
    EXPECT_EQ(TexturePictures::maxDifference(expected, exported), 0);
    EXPECT_EQ(QDir(env.root()).entryList(QStringList() << QStringLiteral(".ludex-*"), QDir::Hidden | QDir::Files),
              QStringList());
}

// BMP and TGA pictures are taken as PNG ones are, alpha of a TGA included.
TEST(TextureEditExportTest, BmpAndTgaPicturesReplaceTheTexture)
{
    TestEnv env;
    const RgbaImage face = TexturePictures::faceLike(64, 3), hair = TexturePictures::hairLike(64, 3);
    const QString faceModel = ModelFileBuilder().dds(texture(Format::Dxt1, 64, 1, face)).write(env.path("Face.bin"));
    const QString hairModel = ModelFileBuilder().dds(texture(Format::Rgba, 64, 1, face)).write(env.path("Hair.bin"));
    TestEnv::writeFile(env.path("face.bmp"), TexturePictures::bmp(face));
    TestEnv::writeFile(env.path("hair.tga"), TexturePictures::tga(hair));
    TextureEdit::Replacement r;
    ASSERT_TRUE(TextureEdit::prepareReplacement(faceModel, env.path("face.bmp"), &r).ok);
    EXPECT_GE(TexturePictures::psnr(face, r.after), 32);
    const Result tga = TextureEdit::prepareReplacement(hairModel, env.path("hair.tga"), &r);
    ASSERT_TRUE(tga.ok) << tga.message.toStdString();
    EXPECT_EQ(TexturePictures::maxDifference(hair, r.after), 0);
}

// Bytes 8-11 that held the old stream's length hold the new one's; the
// bytes after the stream stay behind it.
TEST(TextureEditExportTest, StreamLengthFieldFollowsTheNewStream)
{
    TestEnv env;
    ModelFileBuilder builder;
    builder.dds(texture(Format::Dxt5, 64, 7, TexturePictures::hairLike(64, 1))).trailing("TAIL");
    QByteArray lead("LUDEXMD0\0\0\0\0", 12);
    qToLittleEndian<quint32>(quint32(ModelFileBuilder::zlibStream(builder.payload()).size()), lead.data() + 8);
    const QString model = builder.leading(lead).write(env.path("Hair.bin"));
    TestEnv::writeFile(env.path("hair.png"), TexturePictures::png(TexturePictures::hairLike(64, 9)));
    ASSERT_TRUE(TextureEdit::replaceTexture(model, env.path("hair.png"), env.path("New.bin")).ok);
    const QByteArray file = TestEnv::readFile(env.path("New.bin"));
    EXPECT_NE(file.size(), TestEnv::readFile(model).size());
    EXPECT_EQ(file.first(8), lead.first(8));
    EXPECT_EQ(qint64(le32(file, 8)), file.size() - 16 - 4);
    EXPECT_TRUE(file.endsWith("TAIL"));
}

}  // namespace
