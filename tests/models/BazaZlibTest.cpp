#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <stdexcept>

#include "models/BazaZlib.h"
#include "support/ModelFileBuilder.h"
#include "support/TestEnv.h"

namespace {

class BazaZlibTest : public ::testing::Test {
protected:
    QString at(const QString& name) const { return dir.filePath(name); }
    static QByteArray codecFile(const QByteArray& data, qint32 stored, const QByteArray& after = {})
    {
        QByteArray head(4, '\0');
        qToLittleEndian<qint32>(stored, head.data());
        return head + ModelFileBuilder::zlibStream(data) + after;
    }
    static QByteArray sample(int n)
    {
        QByteArray data(n, '\0');
        for (int i = 0; i < n; ++i) data[i] = char((i * 31 + i / 7) & 0xFF);
        return data;
    }

    QTemporaryDir dir;
    BazaZlib zlib;
};

TEST_F(BazaZlibTest, RoundTripWritesSizePrefixAndDefaultLevelStream)
{
    const QByteArray data = sample(100000);
    TestEnv::writeFile(at("src"), data);
    zlib.CompressFile(at("src"), at("packed"));

    const QByteArray packed = TestEnv::readFile(at("packed"));
    ASSERT_GE(packed.size(), 4);
    EXPECT_EQ(qFromLittleEndian<qint32>(packed.constData()), 100000);
    EXPECT_EQ(packed.mid(4), ModelFileBuilder::zlibStream(data));

    zlib.UncompressFile(at("packed"), at("back"));
    EXPECT_EQ(TestEnv::readFile(at("back")), data);
}

TEST_F(BazaZlibTest, SamePathForInputAndOutputLeavesOnlyTheData)
{
    const QByteArray data = QByteArray("payload ").repeated(500);
    TestEnv::writeFile(at("temp.bin"), codecFile(data, data.size(), QByteArray(12, '\0')));
    zlib.UncompressFile(at("temp.bin"), at("temp.bin"));
    EXPECT_EQ(TestEnv::readFile(at("temp.bin")), data);
}

TEST_F(BazaZlibTest, BytesAfterTheStreamAreIgnored)
{
    const QByteArray data = sample(3000);
    TestEnv::writeFile(at("zeros"), codecFile(data, data.size(), QByteArray(12, '\0')));
    TestEnv::writeFile(at("junk"), codecFile(data, data.size(), QByteArray("trailing junk bytes")));
    zlib.UncompressFile(at("zeros"), at("a"));
    zlib.UncompressFile(at("junk"), at("b"));
    EXPECT_EQ(TestEnv::readFile(at("a")), data);
    EXPECT_EQ(TestEnv::readFile(at("b")), data);
}

TEST_F(BazaZlibTest, StoredSizeSmallerThanTheDataCutsTheOutput)
{
    const QByteArray data = sample(5000);
    TestEnv::writeFile(at("in"), codecFile(data, 1234));
    zlib.UncompressFile(at("in"), at("out"));
    EXPECT_EQ(TestEnv::readFile(at("out")), data.left(1234));
}

TEST_F(BazaZlibTest, OutputReplacesALongerExistingFileWhole)
{
    const QByteArray stale(20000, 'S');
    const QByteArray data = sample(100);

    TestEnv::writeFile(at("out"), stale);
    TestEnv::writeFile(at("in"), codecFile(data, data.size()));
    zlib.UncompressFile(at("in"), at("out"));
    EXPECT_EQ(TestEnv::readFile(at("out")), data);

    TestEnv::writeFile(at("packed"), stale);
    TestEnv::writeFile(at("src"), data);
    zlib.CompressFile(at("src"), at("packed"));
    const QByteArray packed = TestEnv::readFile(at("packed"));
    EXPECT_EQ(packed.mid(4), ModelFileBuilder::zlibStream(data));
}

TEST_F(BazaZlibTest, CapacityIsOnePercentPlusTwelveRoundedHalfToEven)
{
    EXPECT_EQ(BazaZlib::CompressCapacity(1000), 1022);
    EXPECT_EQ(BazaZlib::CompressCapacity(50), 62);    // 62.5
    EXPECT_EQ(BazaZlib::CompressCapacity(150), 164);  // 163.5
    EXPECT_EQ(BazaZlib::CompressCapacity(1), 13);     // 13.01
    // The capacity is enough for incompressible data, small or large.
    QRandomGenerator rng(7);
    for (int n : {1, 2, 7, 64, 70000}) {
        QByteArray noise(n, '\0');
        for (char& c : noise) c = char(rng.bounded(256));
        TestEnv::writeFile(at("noise"), noise);
        ASSERT_NO_THROW(zlib.CompressFile(at("noise"), at("noise.z"))) << n;
        zlib.UncompressFile(at("noise.z"), at("noise.back"));
        EXPECT_EQ(TestEnv::readFile(at("noise.back")), noise) << n;
    }
}

TEST_F(BazaZlibTest, CompressFileRaisesWhatItCannotDo)
{
    EXPECT_THROW(zlib.CompressFile(at("missing"), at("out")), std::runtime_error);
    TestEnv::writeFile(at("empty"), QByteArray());
    EXPECT_THROW(zlib.CompressFile(at("empty"), at("out")), std::runtime_error);
    TestEnv::writeFile(at("src"), "data");
    EXPECT_THROW(zlib.CompressFile(at("src"), at("no/such/folder/out")), std::runtime_error);
}

TEST_F(BazaZlibTest, UnreadableInputLeavesTheOutputAlone)
{
    TestEnv::writeFile(at("out"), "keep");
    zlib.UncompressFile(at("missing"), at("out"));
    EXPECT_EQ(TestEnv::readFile(at("out")), QByteArray("keep"));

    TestEnv::writeFile(at("short"), "abc");
    zlib.UncompressFile(at("short"), at("out"));
    EXPECT_EQ(TestEnv::readFile(at("out")), QByteArray("keep"));

    // An output that cannot be written does not escape either.
    TestEnv::writeFile(at("in"), codecFile("x", 1));
    zlib.UncompressFile(at("in"), at("no/such/folder/out"));
}

TEST_F(BazaZlibTest, ImplausibleStoredSizeGivesEmptyOutputWithoutAllocating)
{
    const QByteArray data = sample(2000);
    for (qint32 stored : {0, -1, -2147483647 - 1, BazaZlib::kMaxUncompressedSize + 1, 2147483647}) {
        TestEnv::writeFile(at("in"), codecFile(data, stored));
        TestEnv::writeFile(at("out"), "stale");
        zlib.UncompressFile(at("in"), at("out"));
        EXPECT_TRUE(QFile::exists(at("out"))) << stored;
        EXPECT_EQ(TestEnv::readFile(at("out")).size(), 0) << stored;
    }
}

TEST_F(BazaZlibTest, DamagedStreamGivesWhatCouldBeDecodedAndNeverMore)
{
    const QByteArray data = sample(50000);
    QByteArray file = codecFile(data, data.size());
    const QByteArray cut = file.left(file.size() / 2);
    TestEnv::writeFile(at("cut"), cut);
    zlib.UncompressFile(at("cut"), at("out"));
    const QByteArray out = TestEnv::readFile(at("out"));
    EXPECT_LT(out.size(), data.size());
    EXPECT_EQ(out, data.left(out.size()));

    // Noise after a valid size: whatever comes out is bounded by the size.
    QRandomGenerator rng(11);
    for (int round = 0; round < 50; ++round) {
        QByteArray noise(int(rng.bounded(1, 400)), '\0');
        for (char& c : noise) c = char(rng.bounded(256));
        if (round % 2) noise[0] = 0x78;  // looks like a zlib header
        QByteArray head(4, '\0');
        qToLittleEndian<qint32>(1000, head.data());
        TestEnv::writeFile(at("noise"), head + noise);
        zlib.UncompressFile(at("noise"), at("noise.out"));
        EXPECT_LE(TestEnv::readFile(at("noise.out")).size(), 1000);
    }
}

}  // namespace
