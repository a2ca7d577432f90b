#include "support/RarWriter.h"

#include <zlib.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// RAR 4 block types and flags.
constexpr quint8 kRar4MainHead = 0x73;
constexpr quint8 kRar4FileHead = 0x74;
constexpr quint8 kRar4EndHead = 0x7B;
constexpr quint16 kRar4LongBlock = 0x8000;
constexpr quint16 kRar4Directory = 0x00E0;  // dictionary bits all set
constexpr quint16 kRar4Unicode = 0x0200;
constexpr quint8 kRar4HostWin32 = 2;
constexpr quint8 kRar4Store = 0x30;
constexpr quint8 kRar4Version = 29;

// RAR 5 header types and flags.
constexpr quint64 kRar5Main = 1;
constexpr quint64 kRar5File = 2;
constexpr quint64 kRar5End = 5;
constexpr quint64 kRar5HasData = 0x0002;
constexpr quint64 kRar5Directory = 0x0001;
constexpr quint64 kRar5HasTime = 0x0002;
constexpr quint64 kRar5HasCrc = 0x0004;
constexpr quint64 kRar5HostWindows = 0;

constexpr quint32 kAttrDirectory = 0x10;
constexpr quint32 kAttrArchive = 0x20;

// 2020-01-01 00:00:00 in DOS form (date in the high half) and as Unix time.
constexpr quint32 kDosTime = (quint32(2020 - 1980) << 25) | (1u << 21) | (1u << 16);
constexpr quint32 kUnixTime = 1577836800u;

quint32 crc(const QByteArray& bytes)
{
    return quint32(crc32(0L, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}

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

}  // namespace

RarWriter::RarWriter(QIODevice& out, Version version, bool solid) : out_(out), version_(version), solid_(solid)
{
    if (version_ == Version::Rar4) {
        static const char marker[] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
        QByteArray head;
        head.append(char(kRar4MainHead));
        le16(head, solid_ ? 0x0008 : 0);  // flags: solid archive
        le16(head, 13);                   // header size
        le16(head, 0);                    // reserved
        le32(head, 0);                    // reserved
        QByteArray block;
        le16(block, quint16(crc(head) & 0xFFFF));
        block += head;
        ok_ = out_.write(marker, sizeof marker) == qint64(sizeof marker) && out_.write(block) == block.size();
    } else {
        static const char signature[] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};
        QByteArray fields;
        vint(fields, solid_ ? 0x0004 : 0);  // archive flags: one volume, solid or not
        QByteArray block = rar5Header(kRar5Main, 0, fields, 0);
        ok_ = out_.write(signature, sizeof signature) == qint64(sizeof signature) && out_.write(block) == block.size();
    }
}

bool RarWriter::addFile(const QString& name, const QByteArray& data) { return add(name, data, false); }

bool RarWriter::addFolder(const QString& name) { return add(name, QByteArray(), true); }

bool RarWriter::add(const QString& name, const QByteArray& data, bool folder)
{
    if (!ok_) return false;
    const bool continues = solid_ && !folder && !firstFile_;
    if (!folder) firstFile_ = false;
    if (version_ == Version::Rar4) {
        QString stored = name;
        stored.replace('/', '\\');
        bool ascii = true;
        for (QChar c : stored) ascii = ascii && c.unicode() < 0x80;
        // A name beyond ASCII is stored as UTF-8 under the Unicode flag,
        // without the second (compressed Unicode) copy.
        QByteArray header = rar4FileHeader(stored.toUtf8(), data, folder, !ascii, continues);
        ok_ = out_.write(header) == header.size();
    } else {
        QByteArray utf8 = name.toUtf8();
        QByteArray fields;
        vint(fields, folder ? (kRar5Directory | kRar5HasTime) : (kRar5HasTime | kRar5HasCrc));
        vint(fields, folder ? 0 : quint64(data.size()));
        vint(fields, folder ? kAttrDirectory : kAttrArchive);
        le32(fields, kUnixTime);
        if (!folder) le32(fields, crc(data));
        vint(fields, continues ? 0x40 : 0);  // compression: version 0, solid bit, method 0 (store), smallest dictionary
        vint(fields, kRar5HostWindows);
        vint(fields, quint64(utf8.size()));
        fields += utf8;
        QByteArray header = rar5Header(kRar5File, kRar5HasData, fields, folder ? 0 : quint64(data.size()));
        ok_ = out_.write(header) == header.size();
    }
    if (ok_ && !folder && !data.isEmpty()) ok_ = out_.write(data) == data.size();
    return ok_;
}

QByteArray RarWriter::rar4FileHeader(const QByteArray& name, const QByteArray& data, bool folder, bool unicode,
                                     bool continues) const
{
    const quint16 nameSize = quint16(name.size());
    QByteArray head;
    head.append(char(kRar4FileHead));
    quint16 flags = kRar4LongBlock;
    if (folder) flags |= kRar4Directory;
    if (unicode) flags |= kRar4Unicode;
    if (continues) flags |= 0x0010;
    le16(head, flags);
    le16(head, quint16(7 + 25 + nameSize));
    le32(head, folder ? 0 : quint32(data.size()));  // packed size
    le32(head, folder ? 0 : quint32(data.size()));  // unpacked size
    head.append(char(kRar4HostWin32));
    le32(head, folder ? 0 : crc(data));
    le32(head, kDosTime);
    head.append(char(folder ? 20 : kRar4Version));
    head.append(char(kRar4Store));
    le16(head, nameSize);
    le32(head, folder ? kAttrDirectory : kAttrArchive);
    head += name;
    QByteArray block;
    le16(block, quint16(crc(head) & 0xFFFF));
    return block + head;
}

QByteArray RarWriter::rar5Header(quint64 type, quint64 flags, const QByteArray& fields, quint64 dataSize) const
{
    QByteArray body;
    vint(body, type);
    vint(body, flags);
    if (flags & kRar5HasData) vint(body, dataSize);
    body += fields;
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
    QByteArray block;
    if (version_ == Version::Rar4) {
        QByteArray head;
        head.append(char(kRar4EndHead));
        le16(head, 0x4000);  // the end block's "skip if unknown" flag
        le16(head, 7);
        le16(block, quint16(crc(head) & 0xFFFF));
        block += head;
    } else {
        QByteArray fields;
        vint(fields, 0);  // last volume flag clear: a single-volume archive
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
    for (const Entry& e : entries) e.folder ? writer.addFolder(e.name) : writer.addFile(e.name, e.data);
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
        if (!(e.folder ? writer.addFolder(e.name) : writer.addFile(e.name, e.data))) return false;
    return writer.finish() && file.flush();
}
