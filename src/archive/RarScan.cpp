#include "archive/RarScan.h"

#include <QByteArray>
#include <QIODevice>

namespace {

constexpr qint64 kMaxHeader = qint64(2) << 20;

// A RAR 5 variable-length integer from `bytes` at `*at`; false when it runs past the end.
bool vint(const QByteArray& bytes, qsizetype* at, quint64* value)
{
    *value = 0;
    for (int i = 0; i < 10 && *at < bytes.size(); ++i) {
        const quint8 byte = quint8(bytes[(*at)++]);
        *value |= quint64(byte & 0x7F) << (7 * i);
        if (!(byte & 0x80)) return true;
    }
    return false;
}

quint32 le(const QByteArray& b, int at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | quint8(b[at + i]);
    return v;
}

// The extra area of a RAR 5 file header holds an encryption record (type 1).
bool hasEncryptionRecord(const QByteArray& extra)
{
    qsizetype at = 0;
    while (at < extra.size()) {
        quint64 size = 0, type = 0;
        if (!vint(extra, &at, &size) || size == 0 || size > quint64(extra.size() - at)) return false;
        const qsizetype next = at + qsizetype(size);
        if (!vint(extra, &at, &type)) return false;
        if (type == 0x01) return true;
        at = next;
    }
    return false;
}

void scanRar5(QIODevice& f, RarScan& scan)
{
    const qint64 size = f.size();
    qint64 at = 8;
    bool main = false;
    while (at < size) {
        // CRC32, then the header's size, then the header.
        if (!f.seek(at + 4)) return;
        const QByteArray sizeBytes = f.read(3);
        qsizetype sizeLength = 0;
        quint64 headerSize = 0;
        if (!vint(sizeBytes, &sizeLength, &headerSize) || headerSize == 0 || qint64(headerSize) > kMaxHeader) return;
        if (!f.seek(at + 4 + sizeLength)) return;
        const QByteArray h = f.read(qint64(headerSize));
        if (h.size() != qsizetype(headerSize)) return;
        qsizetype p = 0;
        quint64 type = 0, flags = 0, extra = 0, data = 0;
        if (!vint(h, &p, &type) || !vint(h, &p, &flags)) return;
        if ((flags & 0x0001) && !vint(h, &p, &extra)) return;
        if ((flags & 0x0002) && !vint(h, &p, &data)) return;
        if (extra > quint64(h.size() - p) || data > quint64(size)) return;
        switch (type) {
        case 1: {  // main header: archive flags, then the volume number when flag 2 says so
            quint64 archiveFlags = 0, number = 0;
            if (!vint(h, &p, &archiveFlags)) return;
            main = true;
            scan.volume = archiveFlags & 0x0001;
            scan.solid = archiveFlags & 0x0004;
            if (archiveFlags & 0x0002) {
                if (!vint(h, &p, &number) || number > 100000) return;
                scan.number = int(number);
            } else if (scan.volume) {
                scan.number = 0;
            }
            break;
        }
        case 2:  // file header: its extra area closes the header
            if (hasEncryptionRecord(h.right(qsizetype(extra)))) scan.encrypted = true;
            break;
        case 4:  // encrypted headers: nothing more can be read without the password
            scan.encrypted = true;
            scan.complete = main;
            return;
        case 5: {  // end of archive
            quint64 endFlags = 0;
            vint(h, &p, &endFlags);
            scan.more = endFlags & 0x0001;
            scan.complete = main;
            return;
        }
        default: break;
        }
        const qint64 end = at + 4 + sizeLength + qint64(headerSize) + qint64(data);
        if (end > size) return;
        at = end;
    }
}

void scanRar4(QIODevice& f, RarScan& scan)
{
    const qint64 size = f.size();
    qint64 at = 7;
    bool main = false;
    while (at < size) {
        if (!f.seek(at)) return;
        const QByteArray h = f.read(36);
        if (h.size() < 7) return;
        const quint8 type = quint8(h[2]);
        const quint32 flags = le(h, 3, 2);
        const quint32 headSize = le(h, 5, 2);
        if (headSize < 7) return;
        qint64 total = headSize;
        if (flags & 0x8000) {
            if (h.size() < 11) return;
            total += le(h, 7, 4);
        }
        switch (type) {
        case 0x73:  // main header
            main = true;
            scan.volume = flags & 0x0001;
            scan.solid = scan.solid || (flags & 0x0008);
            if (flags & 0x0080) {  // encrypted headers
                scan.encrypted = true;
                scan.complete = true;
                return;
            }
            break;
        case 0x74: {  // file header
            if (h.size() < 32 || headSize < 32) return;
            if (flags & 0x0100) {  // 64-bit sizes: the high half of the packed size
                f.seek(at + 32);
                const QByteArray high = f.read(4);
                if (high.size() < 4) return;
                total += qint64(le(high, 0, 4)) << 32;
            }
            if (flags & 0x0004) scan.encrypted = true;
            if (flags & 0x0010) scan.solid = true;
            RarScan::Entry e;
            e.offset = at;
            e.folder = (flags & 0x00E0) == 0x00E0;
            if (e.folder) {
                // The name, up to the second (compressed Unicode) copy where there is one.
                f.seek(at + 32 + ((flags & 0x0100) ? 8 : 0));
                QByteArray name = f.read(le(h, 26, 2));
                name.truncate(name.indexOf('\0') < 0 ? name.size() : name.indexOf('\0'));
                e.name = (flags & 0x0200) ? QString::fromUtf8(name) : QString::fromLatin1(name);
            }
            if (quint8(h[15]) == 3) {  // made on Unix: the attributes are a file mode
                const quint32 kind = le(h, 28, 4) & 0xF000;
                e.link = kind == 0xA000;
                e.device = !e.link && kind != 0x8000 && kind != 0x4000 && kind != 0;
            }
            scan.entries.push_back(e);
            break;
        }
        case 0x7B: {  // end of archive: another volume follows; the volume's number
            scan.more = flags & 0x0001;
            const int numberAt = 7 + ((flags & 0x0002) ? 4 : 0);
            if ((flags & 0x0008) && headSize >= quint32(numberAt + 2) && h.size() >= numberAt + 2)
                scan.number = int(le(h, numberAt, 2));
            scan.complete = main && at + total <= size;
            return;
        }
        default: break;
        }
        if (at + total > size) return;
        at += total;
    }
}

}  // namespace

RarScan RarScan::of(QIODevice& file)
{
    RarScan scan;
    if (!file.seek(0)) return scan;
    const QByteArray start = file.read(8);
    static const QByteArray rar4("Rar!\x1a\x07\x00", 7);
    static const QByteArray rar5("Rar!\x1a\x07\x01\x00", 8);
    if (start.startsWith(rar5)) {
        scan.format = Format::Rar5;
        scanRar5(file, scan);
    } else if (start.startsWith(rar4)) {
        scan.format = Format::Rar4;
        scanRar4(file, scan);
    }
    return scan;
}
