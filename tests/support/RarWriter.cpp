#include "support/RarWriter.h"

#include <zlib.h>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

#include "platform/FileOps.h"

namespace RarWriter {
namespace {

// RAR 5 header flags.
constexpr quint64 kRar5HasExtra = 0x0001;
constexpr quint64 kRar5HasData = 0x0002;

// Windows file attributes.
constexpr quint32 kAttrDirectory = 0x10;
constexpr quint32 kAttrArchive = 0x20;

// 2020-01-01 00:00:00 in DOS form (date in the high half) and as Unix time.
constexpr quint32 kDosTime = (quint32(2020 - 1980) << 25) | (1u << 21) | (1u << 16);
constexpr quint32 kUnixTime = 1577836800u;

quint32 crc(const char* p, qsizetype size) { return quint32(crc32(0L, reinterpret_cast<const Bytef*>(p), uInt(size))); }
quint32 crc(const QByteArray& bytes) { return crc(bytes.constData(), bytes.size()); }

// `v` as `size` bytes, lowest first.
void le(QByteArray& b, quint32 v, int size)
{
    for (int i = 0; i < size; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

void vint(QByteArray& b, quint64 v)
{
    do {
        quint8 byte = v & 0x7F;
        v >>= 7;
        if (v) byte |= 0x80;
        b.append(char(byte));
    } while (v);
}

// A piece's CRC: its own bytes when the file goes on in the next volume,
// the whole file's otherwise.
quint32 pieceCrc(const QByteArray& data, qsizetype offset, qsizetype size)
{
    return offset + size < data.size() ? crc(data.constData() + offset, size) : crc(data);
}

// A RAR 4 block: the low half of its header's CRC32, then the header.
QByteArray rar4Block(const QByteArray& head)
{
    QByteArray block;
    le(block, crc(head) & 0xFFFF, 2);
    return block + head;
}

QByteArray rar5Header(quint64 type, quint64 flags, const QByteArray& fields, quint64 dataSize = 0,
                      const QByteArray& extra = {})
{
    QByteArray body;
    vint(body, type);
    vint(body, flags);
    if (flags & kRar5HasExtra) vint(body, quint64(extra.size()));
    if (flags & kRar5HasData) vint(body, dataSize);
    body += fields;
    body += extra;
    QByteArray sized;
    vint(sized, quint64(body.size()));
    sized += body;
    QByteArray block;
    le(block, crc(sized), 4);
    return block + sized;
}

// The signature and the main header of volume `number` of a set, or of a
// lone archive when `number` is -1.
QByteArray opening(Version version, bool solid, int number, Naming naming)
{
    const bool inSet = number >= 0;
    if (version == Version::Rar4) {
        quint16 flags = solid ? 0x0008 : 0;                     // solid
        if (inSet) flags |= 0x0001;                             // a volume
        if (inSet && naming == Naming::Parts) flags |= 0x0010;  // named with the new numbering
        if (number == 0) flags |= 0x0100;                       // the first volume
        QByteArray head(1, char(0x73));                         // main header
        le(head, flags, 2);
        le(head, 13, 2);                   // header size
        head.append(QByteArray(6, '\0'));  // reserved
        return QByteArray("Rar!\x1A\x07\x00", 7) + rar4Block(head);
    }
    QByteArray fields;
    // Archive flags: a volume, with its number unless it is the first; solid.
    vint(fields, (inSet ? 0x0001 : 0) | (number > 0 ? 0x0002 : 0) | (solid ? 0x0004 : 0));
    if (number > 0) vint(fields, quint64(number));
    return QByteArray("Rar!\x1A\x07\x01\x00", 8) + rar5Header(1, 0, fields);  // main header
}

QByteArray rar4FileHeader(const Entry& e, qsizetype offset, qsizetype size, bool continues)
{
    QString stored = e.name;
    stored.replace('/', '\\');
    // A name beyond ASCII is stored as UTF-8 under the Unicode flag,
    // without the second (compressed Unicode) copy.
    const bool ascii = std::all_of(stored.begin(), stored.end(), [](QChar c) { return c.unicode() < 0x80; });
    const QByteArray name = stored.toUtf8();
    quint16 flags = 0x8000;                                           // data follows the header
    if (e.folder) flags |= 0x00E0;                                    // a folder: dictionary bits all set
    if (!ascii) flags |= 0x0200;                                      // Unicode name
    if (continues) flags |= 0x0010;                                   // solid: continues the file before
    if (e.encrypted) flags |= 0x0004;                                 // protected by a password
    if (offset > 0) flags |= 0x0001;                                  // continued from the volume before
    if (!e.folder && offset + size < e.data.size()) flags |= 0x0002;  // goes on in the next volume
    QByteArray head(1, char(0x74));                                   // file header
    le(head, flags, 2);
    le(head, quint32(7 + 25 + name.size()), 2);
    le(head, quint32(size), 4);                          // packed size: this piece
    le(head, e.folder ? 0 : quint32(e.data.size()), 4);  // unpacked size: the whole file
    head.append(char(2));                                // made on Windows
    le(head, e.folder ? 0 : pieceCrc(e.data, offset, size), 4);
    le(head, kDosTime, 4);
    head.append(char(e.folder ? 20 : 29));  // version needed to unpack
    head.append(char(0x30));                // method: store
    le(head, quint32(name.size()), 2);
    le(head, e.folder ? kAttrDirectory : kAttrArchive, 4);
    return rar4Block(head + name);
}

QByteArray rar5FileHeader(const Entry& e, qsizetype offset, qsizetype size, bool continues)
{
    const QByteArray utf8 = e.name.toUtf8();
    QByteArray fields;
    vint(fields, e.folder ? 0x0003 : 0x0006);  // a folder or a file with a CRC32; both with a time
    vint(fields, e.folder ? 0 : quint64(e.data.size()));
    vint(fields, e.folder ? kAttrDirectory : kAttrArchive);
    le(fields, kUnixTime, 4);
    if (!e.folder) le(fields, pieceCrc(e.data, offset, size), 4);
    vint(fields, continues ? 0x40 : 0);  // compression: version 0, solid bit, method 0 (store), smallest dictionary
    vint(fields, 0);                     // made on Windows
    vint(fields, quint64(utf8.size()));
    fields += utf8;
    QByteArray extra;
    if (e.encrypted) {
        // The encryption record: AES-256, a password check value present,
        // 2^15 rounds; salt, IV and check value as zeros.
        QByteArray record;
        vint(record, 0x01);
        vint(record, 0);
        vint(record, 0x0001);
        record.append(char(15));
        record.append(QByteArray(16 + 16 + 12, '\0'));
        vint(extra, quint64(record.size()));
        extra += record;
    }
    quint64 flags = kRar5HasData | (extra.isEmpty() ? 0 : kRar5HasExtra);
    if (offset > 0) flags |= 0x0008;                                  // continued from the volume before
    if (!e.folder && offset + size < e.data.size()) flags |= 0x0010;  // goes on in the next volume
    return rar5Header(2, flags, fields, quint64(size), extra);        // file header
}

// The end header of volume `number` (-1: a lone archive), saying whether another follows.
QByteArray ending(Version version, int number, bool more)
{
    if (version == Version::Rar5) return rar5Header(5, 0, QByteArray(1, more ? 0x01 : 0));  // "not the last volume"
    QByteArray head(1, char(0x7B));
    // The "skip if unknown" flag; in a set, the volume's number and whether one follows.
    le(head, 0x4000 | (number >= 0 ? 0x0008 : 0) | (more ? 0x0001 : 0), 2);
    le(head, number >= 0 ? 9 : 7, 2);
    if (number >= 0) le(head, quint32(number), 2);
    return rar4Block(head);
}

// The entries as `parts` volumes of a set (one lone archive unless
// `inSet`), the file data spread evenly over them.
std::vector<QByteArray> volumes(Version version, const std::vector<Entry>& entries, bool solid, int parts, bool inSet,
                                Naming naming = Naming::Parts)
{
    std::vector<QByteArray> bytes;
    for (int v = 0; v < parts; ++v) bytes.push_back(opening(version, solid, inSet ? v : -1, naming));
    qint64 total = 0;
    for (const Entry& e : entries) total += e.folder ? 0 : e.data.size();
    // Volume v carries the data from bound(v) to bound(v + 1) of the whole stream.
    const auto bound = [&](int v) { return total * v / parts; };
    int v = 0;
    qint64 at = 0;     // place in the whole stream of file data
    int begunIn = -1;  // the volume where a file last began: in a solid archive, the next ones there continue it
    for (const Entry& e : entries) {
        qsizetype offset = 0;
        do {
            while (v < parts - 1 && at >= bound(v + 1)) ++v;
            const qsizetype size =
                e.folder ? 0 : qsizetype(std::min<qint64>(e.data.size() - offset, bound(v + 1) - at));
            const bool continues = solid && !e.folder && begunIn == v;
            if (!e.folder && offset == 0) begunIn = v;
            bytes[v] += version == Version::Rar4 ? rar4FileHeader(e, offset, size, continues)
                                                 : rar5FileHeader(e, offset, size, continues);
            bytes[v] += e.data.mid(offset, size);
            offset += size;
            at += size;
        } while (!e.folder && offset < e.data.size());
    }
    for (v = 0; v < parts; ++v) bytes[v] += ending(version, inSet ? v : -1, inSet && v < parts - 1);
    return bytes;
}

}  // namespace

QByteArray build(Version version, const std::vector<Entry>& entries, bool solid)
{
    return volumes(version, entries, solid, 1, false)[0];
}

bool write(const QString& path, Version version, const std::vector<Entry>& entries, bool solid)
{
    return FileOps::writeFile(path, build(version, entries, solid)).ok;
}

QStringList writeSplit(const QString& firstPath, Version version, const std::vector<Entry>& entries, int parts,
                       Naming naming, bool solid)
{
    const QFileInfo first(firstPath);
    QString base = first.fileName();
    base.remove(QRegularExpression(QStringLiteral("(\\.part\\d+)?\\.rar$"), QRegularExpression::CaseInsensitiveOption));
    // Part numbers are padded to the count's digits; old-style names go on from .r00.
    const int width = int(QString::number(parts).size());
    QStringList paths;
    const std::vector<QByteArray> bytes = volumes(version, entries, solid, parts, true, naming);
    for (int v = 0; v < parts; ++v) {
        const QString name = naming == Naming::Parts
                                 ? QStringLiteral("%1.part%2.rar").arg(base).arg(v + 1, width, 10, QChar('0'))
                             : v == 0 ? base + ".rar"
                                      : QStringLiteral("%1.r%2").arg(base).arg(v - 1, 2, 10, QChar('0'));
        paths << first.absoluteDir().filePath(name);
        if (!FileOps::writeFile(paths.last(), bytes[size_t(v)])) return {};
    }
    return paths;
}

}  // namespace RarWriter
