#include <gtest/gtest.h>

#include <QtEndian>

#include "archive/PackFixtures.h"
#include "archive/SevenZipScan.h"
#include "support/FolderSnapshot.h"
#include "support/TestEnv.h"

namespace {

using Status = UnRarExtractor::Status;
constexpr qint64 kMaxEntries = 50000;

// The 7z number: as many leading one bits in the first byte as bytes follow.
QByteArray num(quint64 v)
{
    QByteArray out;
    int extra = 0;
    while (extra < 8 && v >= (quint64(1) << (7 * (extra + 1)))) ++extra;
    const quint8 top = extra == 8 ? 0 : quint8(v >> (8 * extra));
    out += char(quint8(0xff00 >> extra) | top);
    for (int i = 0; i < extra; ++i) out += char(quint8(v >> (8 * i)));
    return out;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values) out += char(v);
    return out;
}

// A 7z file: start header, `data`, then the list of files.
QByteArray sevenZip(const QByteArray& list, const QByteArray& data = {})
{
    QByteArray out("7z\xbc\xaf\x27\x1c\x00\x04", 8);
    out += QByteArray(24, '\0');
    qToLittleEndian<quint64>(quint64(data.size()), out.data() + 12);
    qToLittleEndian<quint64>(quint64(list.size()), out.data() + 20);
    return out + data + list;
}

// A list packed by one coder (`method`, with `properties`) into `packed`, which unpacks to `size` bytes.
QByteArray encodedList(const QByteArray& method, quint64 folders, quint64 packed, quint64 size,
                       const QByteArray& properties = {})
{
    QByteArray coder = bytes({int(method.size()) | (properties.isEmpty() ? 0 : 0x20)}) + method;
    if (!properties.isEmpty()) coder += num(quint64(properties.size())) + properties;
    return bytes({0x17, 0x06}) + num(0) + num(1) + bytes({0x09}) + num(packed) + bytes({0x00, 0x07, 0x0b}) +
           num(folders) + bytes({0x00, 0x01}) + coder + bytes({0x0c}) + num(size) + bytes({0x00, 0x00});
}

SevenZipScan scan(const QByteArray& pack)
{
    return SevenZipScan::of([&](qint64 at, qint64 n) { return pack.mid(at, n); }, pack.size(), kMaxEntries);
}

TEST(SevenZipScan, PacksAs7zWritersMakeThemPassAndCutShortAnywhereAreDamaged)
{
    TestEnv env;
    const QString path = env.path("p.7z");
    std::vector<PackFixtures::Entry> entries;
    for (int i = 0; i < 40; ++i)
        entries.push_back({QStringLiteral("Team %1/face_%2.bin").arg(i % 3).arg(i), PackFixtures::modelBytes(900, i)});
    ASSERT_TRUE(PackFixtures::write(path, "7zip", entries));
    const QByteArray whole = TestEnv::readFile(path);
    ASSERT_EQ(quint8(whole[32 + qFromLittleEndian<quint64>(whole.constData() + 12)]), 0x17) << "a packed list";
    EXPECT_EQ(scan(whole).status, Status::Ok) << qPrintable(scan(whole).text);

    for (qsizetype cut = 0; cut < whole.size(); cut += cut < 64 ? 1 : 97)
        EXPECT_EQ(scan(whole.left(cut)).status, Status::Damaged) << cut;
    // A wrong byte anywhere in the packed list is refused or read, never more.
    const qsizetype list = 32 + qsizetype(qFromLittleEndian<quint64>(whole.constData() + 12));
    for (qsizetype at = list; at < whole.size(); ++at) {
        QByteArray bad = whole;
        bad[at] = char(bad[at] ^ 0x5a);
        (void)scan(bad);
    }
}

TEST(SevenZipScan, CountsThePackCannotHoldAreRefusedBeforeTheReaderReservesForThem)
{
    const QByteArray copy = bytes({0x00});
    const QByteArray huge = num(0x01000090);
    const QByteArray manyFiles = bytes({0x01, 0x05}) + num(100000000) + bytes({0x00, 0x00});
    const QByteArray fewFiles = bytes({0x01, 0x05}) + num(3) + bytes({0x00, 0x00});
    const struct {
        const char* what;
        QByteArray pack;
        Status expected;
    } cases[] = {
        {"plain list, 16 M folders",
         sevenZip(bytes({0x01, 0x04, 0x07, 0x0b}) + huge + bytes({0x00, 0x01, 0x01, 0x00, 0x0c, 0x01, 0x00, 0x00})),
         Status::TooManyEntries},
        {"plain list, 1000 folders in 20 bytes",
         sevenZip(bytes({0x01, 0x04, 0x07, 0x0b}) + num(1000) + bytes({0x00, 0x01, 0x01, 0x00, 0x0c, 0x01, 0x00})),
         Status::Damaged},
        {"a folder of 1000 coders",
         sevenZip(bytes({0x01, 0x04, 0x07, 0x0b, 0x01, 0x00}) + num(1000) + QByteArray(2000, 1)), Status::Damaged},
        {"packed list, 16 M folders", sevenZip(encodedList(copy, 0x01000090, 6, 6), fewFiles), Status::TooManyEntries},
        {"packed list unpacking to 100 M files", sevenZip(encodedList(copy, 1, 6, 6), manyFiles),
         Status::TooManyEntries},
        {"packed list unpacking to 3 files", sevenZip(encodedList(copy, 1, 6, 6), fewFiles), Status::Ok},
        {"packed list of 1 GiB", sevenZip(encodedList(copy, 1, 6, quint64(1) << 30), fewFiles), Status::Unsupported},
        {"packed list beyond the end", sevenZip(encodedList(copy, 1, 600, 600), fewFiles), Status::Damaged},
        {"packed list with a password", sevenZip(encodedList(bytes({6, 0xf1, 7, 1}), 1, 6, 6), fewFiles),
         Status::Encrypted},
        {"packed list in PPMd", sevenZip(encodedList(bytes({3, 4, 1}), 1, 6, 6, QByteArray(5, 6)), fewFiles),
         Status::Unsupported},
        {"LZMA list that does not unpack",
         sevenZip(encodedList(bytes({3, 1, 1}), 1, 6, 6, QByteArray(5, 0x5d)), fewFiles), Status::Damaged},
        {"list beyond the end", sevenZip(fewFiles).left(34), Status::Damaged},
    };
    for (const auto& c : cases)
        EXPECT_EQ(scan(c.pack).status, c.expected) << c.what << ": " << qPrintable(scan(c.pack).text);
}

TEST(SevenZipScan, AHostilePackIsReportedAndWritesNothing)
{
    TestEnv env;
    const QString path = env.path("hostile.7z");
    TestEnv::writeFile(path, sevenZip(encodedList(bytes({0x00}), 0x01000090, 6, 6), QByteArray(6, 1)));
    const auto r = UnRarExtractor().Extract(path, env.path("out"));
    EXPECT_EQ(r.status, Status::TooManyEntries) << qPrintable(r.errorText);
    EXPECT_TRUE(snapshotFolder(env.path("out")).empty());
}

}  // namespace
