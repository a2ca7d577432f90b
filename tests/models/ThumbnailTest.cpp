// Thumbnails of model files: the decoder and shrinking, the disk cache and
// its keys, and the loader's workers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include "models/ModelFileBuilder.h"
#include "models/ThumbnailCache.h"
#include "models/ThumbnailLoader.h"
#include "models/Thumbnails.h"
#include "support/DdsWriter.h"
#include "support/TexturePictures.h"

namespace {

// Each thumbnail pixel of a texture four times its size is one solid 4x4 block.
QImage everyFourth(const QImage& image)
{
    QImage out(image.width() / 4, image.height() / 4, QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) out.setPixel(x, y, image.pixel(x * 4, y * 4));
    return out;
}

QStringList scratchFiles(const QString& folder) { return QDir(folder).entryList({"*.part"}, QDir::Files); }

}  // namespace

TEST(ThumbnailTest, ShrinksEachFormatToItsEdgeAndDecodesBlocksAsFreeImageDoes)
{
    const DdsWriter::Dds dxt5 = DdsWriter::dxt5(512, 256, DdsWriter::checkerBlock, 128);
    ModelTexture::Model model;
    ASSERT_TRUE(ModelTexture::fromBytes(ModelFileBuilder().dds(dxt5.bytes).bytes(), &model).ok);
    RgbaImage thumb;
    ASSERT_TRUE(Thumbnails::fromModel(model, 128, &thumb).ok);
    EXPECT_EQ(QSize(thumb.width, thumb.height), QSize(128, 64));
    EXPECT_TRUE(DdsWriter::sameColours(TexturePictures::toImage(thumb), everyFourth(dxt5.expected)));
    EXPECT_EQ(qAlpha(TexturePictures::toImage(thumb).pixel(5, 5)), 128);

    // Uncompressed textures go through FreeImage; a small one keeps its size.
    const DdsWriter::Dds rgba = DdsWriter::rgba32(DdsWriter::testPattern(40, 20));
    ASSERT_TRUE(ModelTexture::fromBytes(ModelFileBuilder().dds(rgba.bytes).bytes(), &model).ok);
    ASSERT_TRUE(Thumbnails::fromModel(model, 128, &thumb).ok);
    EXPECT_TRUE(DdsWriter::sameColours(TexturePictures::toImage(thumb), rgba.expected));
    ASSERT_TRUE(Thumbnails::fromModel(model, 10, &thumb).ok);
    EXPECT_EQ(QSize(thumb.width, thumb.height), QSize(10, 5));

    // Blocks of every kind, with interpolated colours and alphas: the same
    // picture as FreeImage's decoder, give or take its rounding.
    for (const char* format : {"DXT1", "DXT3", "DXT5"}) {
        SCOPED_TRACE(format);
        QByteArray dds = DdsWriter::header(16, 8, format);
        QRandomGenerator random(7);
        for (int i = 0; i < (format[3] == '1' ? 64 : 128); ++i) dds.append(char(random.bounded(256)));
        ASSERT_TRUE(ModelTexture::fromBytes(ModelFileBuilder().dds(dds).bytes(), &model).ok);
        RgbaImage ours, theirs, averages;
        ASSERT_TRUE(Thumbnails::decodeBlocks(model, 0, &ours).ok);
        ASSERT_TRUE(ModelTexture::decode(model, &theirs).ok);
        ASSERT_EQ(ours.pixels.size(), theirs.pixels.size());
        for (qsizetype i = 0; i < ours.pixels.size(); ++i)
            ASSERT_LE(std::abs(int(uchar(ours.pixels[i])) - int(uchar(theirs.pixels[i]))), 2) << "byte " << i;
        // Each block's average without its pixels: the box filter of the decode.
        ASSERT_TRUE(Thumbnails::averageBlocks(model, 0, &averages).ok);
        const RgbaImage boxed = Thumbnails::fit(ours, 4);
        EXPECT_EQ(averages.pixels, boxed.pixels);
    }
}

TEST(ThumbnailTest, CacheKeepsPicturesAndFailuresByKeyAndRefusesDamage)
{
    QTemporaryDir dir;
    ThumbnailCache cache(dir.filePath("thumbs"));
    RgbaImage picture;
    picture.width = 3;
    picture.height = 2;
    picture.pixels = QByteArray("abcdefghijklmnopqrstuvwx");
    const ThumbnailCache::Key key{"/faces/A_face.bin", 1000, 123456789, 128};
    ASSERT_TRUE(cache.store(key, {picture, QString()}).ok);
    ThumbnailCache::Entry found;
    ASSERT_TRUE(cache.find(key, &found));
    EXPECT_EQ(found.picture.pixels, picture.pixels);
    EXPECT_EQ(found.picture.width, 3);

    // Another size, time or edge of the same file is another picture.
    ThumbnailCache::Key others[3] = {key, key, key};
    others[0].size += 1;
    others[1].modified += 1;
    others[2].edge = 64;
    for (const ThumbnailCache::Key& other : others) EXPECT_FALSE(cache.find(other, &found) || cache.has(other));
    EXPECT_TRUE(cache.has(key));
    // An opaque picture is kept without its alpha and comes back whole.
    RgbaImage opaque = picture;
    for (qsizetype i = 3; i < opaque.pixels.size(); i += 4) opaque.pixels[i] = char(255);
    const ThumbnailCache::Key other{"/faces/C_face.bin", 1000, 123456789, 128};
    ASSERT_TRUE(cache.store(other, {opaque, QString()}).ok);
    ASSERT_TRUE(cache.find(other, &found));
    EXPECT_EQ(found.picture.pixels, opaque.pixels);
    EXPECT_LT(ThumbnailCache::encode(other, {opaque, {}}).size(), ThumbnailCache::encode(other, {picture, {}}).size());

    const ThumbnailCache::Key broken{"/faces/B_face.bin", 10, 1, 128};
    ASSERT_TRUE(cache.store(broken, {RgbaImage(), "the texture is cut short"}).ok);
    ASSERT_TRUE(cache.find(broken, &found));
    EXPECT_TRUE(found.picture.isNull());
    EXPECT_EQ(found.failure, "the texture is cut short");
    EXPECT_EQ(scratchFiles(cache.folder()), QStringList());

    // Any damage to a file fails its check: cut short, a byte changed, foreign.
    const QByteArray whole = ThumbnailCache::encode(key, {picture, QString()});
    ThumbnailCache::Key k;
    for (qsizetype cut = 0; cut < whole.size(); ++cut)
        ASSERT_FALSE(ThumbnailCache::decode(whole.left(cut), &k, &found).ok);
    for (qsizetype at = 0; at < whole.size(); ++at) {
        QByteArray flipped = whole;
        flipped[at] = char(flipped[at] ^ 0x10);
        ASSERT_FALSE(ThumbnailCache::decode(flipped, &k, &found).ok) << at;
    }
    QFile file(cache.fileFor(key.path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(whole.left(whole.size() / 2));
    file.close();
    EXPECT_FALSE(cache.find(key, &found));
}

TEST(ThumbnailTest, CacheOverItsLimitDropsTheOldestFilesFirst)
{
    QTemporaryDir dir;
    RgbaImage picture;
    picture.width = picture.height = 64;
    picture.pixels = QByteArray(64 * 64 * 4, Qt::Uninitialized);
    QRandomGenerator random(3);
    for (char& c : picture.pixels) c = char(random.bounded(256));  // does not pack
    const qint64 one = ThumbnailCache::encode({"/f/0", 1, 1, 64}, {picture, {}}).size();
    ThumbnailCache cache(dir.path(), one * 10);
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-3);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(cache.store({QStringLiteral("/f/%1").arg(i), 1, 1, 64}, {picture, {}}).ok);
        QFile f(cache.fileFor(QStringLiteral("/f/%1").arg(i)));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(start.addSecs(i * 60), QFileDevice::FileModificationTime);
    }
    ThumbnailCache::Entry found;
    ASSERT_TRUE(cache.find({"/f/0", 1, 1, 64}, &found));  // used again: now the newest
    ASSERT_TRUE(cache.store({"/f/10", 1, 1, 64}, {picture, {}}).ok);
    EXPECT_LE(cache.usedBytes(), one * 10 / 4 * 3);
    EXPECT_TRUE(cache.find({"/f/0", 1, 1, 64}, &found));
    EXPECT_TRUE(cache.find({"/f/10", 1, 1, 64}, &found));
    EXPECT_FALSE(cache.find({"/f/1", 1, 1, 64}, &found));
    EXPECT_FALSE(cache.find({"/f/3", 1, 1, 64}, &found));

    // Thumbnails made ahead, never shown, go before those that were shown.
    QTemporaryDir second;
    ThumbnailCache ahead(second.path(), one * 10);
    for (int i = 0; i < 11; ++i)
        ASSERT_TRUE(ahead.store({QStringLiteral("/g/%1").arg(i), 1, 1, 64}, {picture, {}}, i < 5 || i == 10).ok);
    int shownLeft = 0, aheadLeft = 0;
    for (int i = 0; i < 11; ++i)
        (i < 5 || i == 10 ? shownLeft : aheadLeft) += ahead.has({QStringLiteral("/g/%1").arg(i), 1, 1, 64});
    EXPECT_EQ(shownLeft, 6);
    EXPECT_EQ(aheadLeft, 1);
}

TEST(ThumbnailTest, LoaderMakesOnWorkersFromTheCacheWhenItCanAndLeavesNothingRunning)
{
    QTemporaryDir dir;
    const QByteArray model = ModelFileBuilder().dds(DdsWriter::dxt5(256, 256, DdsWriter::checkerBlock).bytes).bytes();
    QStringList files;
    for (int i = 0; i < 40; ++i) {
        files << dir.filePath(QStringLiteral("faces/P%1_face.bin").arg(i));
        ModelFileBuilder().dds(DdsWriter::dxt5(256, 256, DdsWriter::checkerBlock).bytes).write(files.back());
    }
    const QString broken = dir.filePath("faces/Broken_face.bin");
    QDir().mkpath(dir.filePath("faces"));
    QFile b(broken);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write(model.left(200));
    b.close();
    const QString cacheFolder = dir.filePath("cache");

    const auto waitIdle = [](ThumbnailLoader& loader) {
        QElapsedTimer t;
        t.start();
        while (!loader.idle() && t.elapsed() < 20000) {
            QCoreApplication::processEvents();
            QThread::msleep(2);
        }
        QCoreApplication::processEvents();
    };
    {
        ThumbnailLoader loader({cacheFolder, ThumbnailCache::kDefaultLimit, 2, 600});
        int readySignals = 0;
        QObject::connect(&loader, &ThumbnailLoader::ready, [&] { ++readySignals; });
        EXPECT_EQ(loader.get(files[0], 128).state, ThumbnailLoader::Thumb::State::Pending);
        EXPECT_EQ(loader.get(broken, 128).state, ThumbnailLoader::Thumb::State::Pending);
        std::vector<std::pair<QString, int>> rest;
        for (const QString& f : files) rest.emplace_back(f, 128);
        loader.queueRest(rest);
        waitIdle(loader);
        EXPECT_GT(readySignals, 0);
        const ThumbnailLoader::Thumb ok = loader.get(files[0], 128);
        ASSERT_EQ(ok.state, ThumbnailLoader::Thumb::State::Ready);
        EXPECT_EQ(ok.picture.width, 128);
        const ThumbnailLoader::Thumb bad = loader.get(broken, 128);
        EXPECT_EQ(bad.state, ThumbnailLoader::Thumb::State::Failed);
        EXPECT_FALSE(bad.failure.isEmpty());
        EXPECT_FALSE(bad.failure.contains(broken)) << "the path is not repeated in the reason";
        // Everything queued reached the disk cache.
        EXPECT_EQ(QDir(cacheFolder).entryList({"*.thumb"}, QDir::Files).size(), files.size() + 1);
    }
    EXPECT_EQ(ThumbnailLoader::runningWorkers(), 0);

    // Stopped in the middle of making: no thread left, no scratch file.
    QDir(cacheFolder).removeRecursively();
    {
        ThumbnailLoader loader({cacheFolder, ThumbnailCache::kDefaultLimit, 2, 600});
        std::vector<std::pair<QString, int>> rest;
        for (const QString& f : files) rest.emplace_back(f, 64);
        loader.queueRest(rest);
        QThread::msleep(5);
        loader.stop();
        EXPECT_EQ(ThumbnailLoader::runningWorkers(), 0);
        EXPECT_FALSE(loader.idle() && loader.threadCount() > 0);
    }
    EXPECT_EQ(scratchFiles(cacheFolder), QStringList());
}
