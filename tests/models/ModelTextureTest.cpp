#include <gtest/gtest.h>

#include "models/ModelFileBuilder.h"
#include "models/ModelTexture.h"
#include "support/DdsWriter.h"
#include "support/TexturePictures.h"

// A model's texture is found by its header, read whole and decoded to the
// picture the DDS holds, in every format a model may carry.
TEST(ModelTextureTest, ReadsAndDecodesTheTextureOfEachFormat)
{
    const DdsWriter::Dds dds[] = {DdsWriter::dxt1(64, 32, DdsWriter::checkerBlock),
                                  DdsWriter::dxt5(32, 64, DdsWriter::checkerBlock, 128),
                                  DdsWriter::rgba32(DdsWriter::testPattern(16, 8))};
    const ModelTexture::Format formats[] = {ModelTexture::Format::Dxt1, ModelTexture::Format::Dxt5,
                                            ModelTexture::Format::Rgba};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ModelTexture::Model model;
        ASSERT_TRUE(ModelTexture::fromBytes(ModelFileBuilder().dds(dds[i].bytes).bytes(), &model).ok);
        EXPECT_EQ(model.dds.format, formats[i]);
        EXPECT_EQ(model.ddsBytes(), QByteArrayView(dds[i].bytes));
        RgbaImage picture;
        const Result decoded = ModelTexture::decode(model, &picture);
        ASSERT_TRUE(decoded.ok) << decoded.message.toStdString();
        EXPECT_TRUE(DdsWriter::sameColours(TexturePictures::toImage(picture), dds[i].expected));
    }
}

// Damage is told apart from a texture, never read past the payload.
TEST(ModelTextureTest, RefusesModelsWhoseTextureIsCutShortOrForeign)
{
    const QByteArray whole = DdsWriter::dxt5(64, 64, DdsWriter::checkerBlock).bytes;
    ModelTexture::Model model;
    const Result cut = ModelTexture::fromBytes(ModelFileBuilder().dds(whole.left(whole.size() - 100)).bytes(), &model);
    EXPECT_FALSE(cut.ok);
    EXPECT_TRUE(cut.message.contains(QStringLiteral("cut short"))) << cut.message.toStdString();
    EXPECT_FALSE(ModelTexture::fromBytes(ModelFileBuilder().dds(whole).T(1 << 30).bytes(), &model).ok);
    EXPECT_FALSE(ModelTexture::fromBytes(QByteArray("not a model file at all"), &model).ok);
    EXPECT_FALSE(
        ModelTexture::fromBytes(ModelFileBuilder().dds(DdsWriter::header(70000, 4, "DXT5")).bytes(), &model).ok);
}
