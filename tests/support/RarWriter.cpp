#include "support/RarWriter.h"

#include <zlib.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <memory>

namespace {

// RAR 4 block types and flags.
constexpr quint8 kRar4MainHead = 0x73;
constexpr quint8 kRar4FileHead = 0x74;
constexpr quint8 kRar4EndHead = 0x7B;
constexpr quint16 kRar4LongBlock = 0x8000;
constexpr quint16 kRar4SplitBefore = 0x0001;
constexpr quint16 kRar4SplitAfter = 0x0002;
constexpr quint16 kRar4Password = 0x0004;
constexpr quint16 kRar4SolidFile = 0x0010;
constexpr quint16 kRar4Directory = 0x00E0;  // dictionary bits all set
constexpr quint16 kRar4Unicode = 0x0200;
constexpr quint16 kRar4Volume = 0x0001;
constexpr quint16 kRar4Solid = 0x0008;
constexpr quint16 kRar4NewNumbering = 0x0010;
constexpr quint16 kRar4FirstVolume = 0x0100;
constexpr quint16 kRar4NextVolume = 0x0001;
constexpr quint16 kRar4VolumeNumber = 0x0008;
constexpr quint8 kRar4HostWin32 = 2;
constexpr quint8 kRar4Store = 0x30;
constexpr quint8 kRar4Version = 29;

// RAR 5 header types and flags.
constexpr quint64 kRar5Main = 1;
constexpr quint64 kRar5File = 2;
constexpr quint64 kRar5End = 5;
constexpr quint64 kRar5HasExtra = 0x0001;
constexpr quint64 kRar5HasData = 0x0002;
constexpr quint64 kRar5SplitBefore = 0x0008;
constexpr quint64 kRar5SplitAfter = 0x0010;
constexpr quint64 kRar5Directory = 0x0001;
constexpr quint64 kRar5HasTime = 0x0002;
constexpr quint64 kRar5HasCrc = 0x0004;
constexpr quint64 kRar5HostWindows = 0;
constexpr quint64 kRar5Encryption = 0x01;  // extra record of a file header

constexpr quint32 kAttrDirectory = 0x10;
constexpr quint32 kAttrArchive = 0x20;

// 2020-01-01 00:00:00 in DOS form (date in the high half) and as Unix time.
constexpr quint32 kDosTime = (quint32(2020 - 1980) << 25) | (1u << 21) | (1u << 16);
constexpr quint32 kUnixTime = 1577836800u;

quint32 crc(const char* p, qsizetype size) { return quint32(crc32(0L, reinterpret_cast<const Bytef*>(p), uInt(size))); }
quint32 crc(const QByteArray& bytes) { return crc(bytes.constData(), bytes.size()); }

void le16(QByteArray& b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void le32(QByteArray& b, quint32 v)
{
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
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

}  // namespace

RarWriter::RarWriter(QIODevice& out, Version version, bool solid) : RarWriter(out, version, solid, Volume()) {}

RarWriter::RarWriter(QIODevice& out, Version version, bool solid, const Volume& volume)
    : out_(out), version_(version), solid_(solid), volume_(volume)
{
    if (version_ == Version::Rar4) {
        static const char marker[] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
        quint16 flags = solid_ ? kRar4Solid : 0;
        if (volume_.inSet) {
            flags |= kRar4Volume;
            if (volume_.naming == Naming::Parts) flags |= kRar4NewNumbering;
            if (volume_.number == 0) flags |= kRar4FirstVolume;
        }
        QByteArray head;
        head.append(char(kRar4MainHead));
        le16(head, flags);
        le16(head, 13);  // header size
        le16(head, 0);   // reserved
        le32(head, 0);   // reserved
        QByteArray block;
        le16(block, quint16(crc(head) & 0xFFFF));
        block += head;
        ok_ = out_.write(marker, sizeof marker) == qint64(sizeof marker) && out_.write(block) == block.size();
    } else {
        static const char signature[] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};
        QByteArray fields;
        // Archive flags: a volume, with its number unless it is the first; solid.
        const bool numbered = volume_.inSet && volume_.number > 0;
        vint(fields, (volume_.inSet ? 0x0001 : 0) | (numbered ? 0x0002 : 0) | (solid_ ? 0x0004 : 0));
        if (numbered) vint(fields, quint64(volume_.number));
        QByteArray block = rar5Header(kRar5Main, 0, fields, 0);
        ok_ = out_.write(signature, sizeof signature) == qint64(sizeof signature) && out_.write(block) == block.size();
    }
}

bool RarWriter::addFile(const QString& name, const QByteArray& data) { return add({name, data}); }

bool RarWriter::addFolder(const QString& name) { return add({name, {}, true}); }

bool RarWriter::add(const Entry& entry) { return addPiece(entry, 0, entry.folder ? 0 : entry.data.size()); }

bool RarWriter::addPiece(const Entry& e, qsizetype offset, qsizetype size)
{
    if (!ok_) return false;
    const bool continues = solid_ && !e.folder && !firstFile_;
    if (!e.folder && offset == 0) firstFile_ = false;
    const QByteArray header = version_ == Version::Rar4 ? rar4FileHeader(e, offset, size, continues)
                                                        : rar5FileHeader(e, offset, size, continues);
    ok_ = out_.write(header) == header.size();
    if (ok_ && size > 0) ok_ = out_.write(e.data.constData() + offset, size) == size;
    return ok_;
}

QByteArray RarWriter::rar4FileHeader(const Entry& e, qsizetype offset, qsizetype size, bool continues) const
{
    QString stored = e.name;
    stored.replace('/', '\\');
    bool ascii = true;
    for (QChar c : stored) ascii = ascii && c.unicode() < 0x80;
    // A name beyond ASCII is stored as UTF-8 under the Unicode flag,
    // without the second (compressed Unicode) copy.
    const QByteArray name = stored.toUtf8();
    const quint16 nameSize = quint16(name.size());
    QByteArray head;
    head.append(char(kRar4FileHead));
    quint16 flags = kRar4LongBlock;
    if (e.folder) flags |= kRar4Directory;
    if (!ascii) flags |= kRar4Unicode;
    if (continues) flags |= kRar4SolidFile;
    if (e.encrypted) flags |= kRar4Password;
    if (offset > 0) flags |= kRar4SplitBefore;
    if (!e.folder && offset + size < e.data.size()) flags |= kRar4SplitAfter;
    le16(head, flags);
    le16(head, quint16(7 + 25 + nameSize));
    le32(head, quint32(size));                          // packed size: this piece
    le32(head, e.folder ? 0 : quint32(e.data.size()));  // unpacked size: the whole file
    head.append(char(kRar4HostWin32));
    le32(head, e.folder ? 0 : pieceCrc(e.data, offset, size));
    le32(head, kDosTime);
    head.append(char(e.folder ? 20 : kRar4Version));
    head.append(char(kRar4Store));
    le16(head, nameSize);
    le32(head, e.folder ? kAttrDirectory : kAttrArchive);
    head += name;
    QByteArray block;
    le16(block, quint16(crc(head) & 0xFFFF));
    return block + head;
}

QByteArray RarWriter::rar5FileHeader(const Entry& e, qsizetype offset, qsizetype size, bool continues) const
{
    const QByteArray utf8 = e.name.toUtf8();
    QByteArray fields;
    vint(fields, e.folder ? (kRar5Directory | kRar5HasTime) : (kRar5HasTime | kRar5HasCrc));
    vint(fields, e.folder ? 0 : quint64(e.data.size()));
    vint(fields, e.folder ? kAttrDirectory : kAttrArchive);
    le32(fields, kUnixTime);
    if (!e.folder) le32(fields, pieceCrc(e.data, offset, size));
    vint(fields, continues ? 0x40 : 0);  // compression: version 0, solid bit, method 0 (store), smallest dictionary
    vint(fields, kRar5HostWindows);
    vint(fields, quint64(utf8.size()));
    fields += utf8;
    QByteArray extra;
    if (e.encrypted) {
        // AES-256, a password check value present, 2^15 rounds; salt, IV and check value as zeros.
        QByteArray record;
        vint(record, kRar5Encryption);
        vint(record, 0);
        vint(record, 0x0001);
        record.append(char(15));
        record.append(QByteArray(16 + 16 + 12, '\0'));
        vint(extra, quint64(record.size()));
        extra += record;
    }
    quint64 flags = kRar5HasData | (extra.isEmpty() ? 0 : kRar5HasExtra);
    if (offset > 0) flags |= kRar5SplitBefore;
    if (!e.folder && offset + size < e.data.size()) flags |= kRar5SplitAfter;
    return rar5Header(kRar5File, flags, fields, quint64(size), extra);
}

QByteArray RarWriter::rar5Header(quint64 type, quint64 flags, const QByteArray& fields, quint64 dataSize,
                                 const QByteArray& extra) const
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
    le32(block, crc(sized));
    return block + sized;
}

bool RarWriter::finish()
{
    if (!ok_) return false;
    const bool more = volume_.inSet && !volume_.last;
    QByteArray block;
    if (version_ == Version::Rar4) {
        QByteArray head;
        head.append(char(kRar4EndHead));
        // The "skip if unknown" flag; in a set, the volume's number and whether one follows.
        le16(head, 0x4000 | (volume_.inSet ? kRar4VolumeNumber : 0) | (more ? kRar4NextVolume : 0));
        le16(head, volume_.inSet ? 9 : 7);
        if (volume_.inSet) le16(head, quint16(volume_.number));
        le16(block, quint16(crc(head) & 0xFFFF));
        block += head;
    } else {
        QByteArray fields;
        vint(fields, more ? 0x0001 : 0);  // "not the last volume"
        block = rar5Header(kRar5End, 0, fields, 0);
    }
    ok_ = out_.write(block) == block.size();
    return ok_;
}

QByteArray RarWriter::build(Version version, const std::vector<Entry>& entries, bool solid)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    RarWriter writer(buffer, version, solid);
    for (const Entry& e : entries) writer.add(e);
    writer.finish();
    buffer.close();
    return bytes;
}

bool RarWriter::write(const QString& path, Version version, const std::vector<Entry>& entries, bool solid)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    RarWriter writer(file, version, solid);
    for (const Entry& e : entries)
        if (!writer.add(e)) return false;
    return writer.finish() && file.flush();
}

QString RarWriter::volumeName(const QString& base, Naming naming, int index, int count)
{
    if (naming == Naming::OldStyle)
        return index == 0 ? base + ".rar" : QStringLiteral("%1.r%2").arg(base).arg(index - 1, 2, 10, QChar('0'));
    const int width = int(QString::number(count).size());
    return QStringLiteral("%1.part%2.rar").arg(base).arg(index + 1, width, 10, QChar('0'));
}

QStringList RarWriter::writeSplit(const QString& firstPath, Version version, const std::vector<Entry>& entries,
                                  int parts, Naming naming, bool solid)
{
    const QFileInfo first(firstPath);
    QDir().mkpath(first.absolutePath());
    QString base = first.fileName();
    base.remove(QRegularExpression(QStringLiteral("(\\.part\\d+)?\\.rar$"), QRegularExpression::CaseInsensitiveOption));
    qint64 total = 0;
    for (const Entry& e : entries) total += e.folder ? 0 : e.data.size();
    // Volume v carries the data from bound(v) to bound(v + 1) of the whole stream.
    const auto bound = [&](int v) { return total * v / parts; };

    QStringList paths;
    QFile file;
    std::unique_ptr<RarWriter> writer;
    const auto open = [&](int v) {
        if (writer && !(writer->finish() && file.flush())) return false;
        file.close();
        paths << first.absoluteDir().filePath(volumeName(base, naming, v, parts));
        file.setFileName(paths.last());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
        writer = std::make_unique<RarWriter>(file, version, solid, Volume{true, v, v == parts - 1, naming});
        return writer->ok_;
    };
    int v = 0;
    if (!open(0)) return {};
    qint64 at = 0;  // place in the whole stream of file data
    for (const Entry& e : entries) {
        qsizetype offset = 0;
        do {
            while (v < parts - 1 && at >= bound(v + 1))
                if (!open(++v)) return {};
            const qsizetype size =
                e.folder
                    ? 0
                    : qsizetype(std::min<qint64>(e.data.size() - offset, (v < parts - 1 ? bound(v + 1) : total) - at));
            if (!writer->addPiece(e, offset, size)) return {};
            offset += size;
            at += size;
        } while (!e.folder && offset < e.data.size());
    }
    while (v < parts - 1)
        if (!open(++v)) return {};
    if (!writer->finish() || !file.flush()) return {};
    return paths;
}
