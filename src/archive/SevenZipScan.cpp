#include "archive/SevenZipScan.h"

#include <archive.h>
#include <QtEndian>
#include <memory>
#include <vector>

namespace {

using Status = SevenZipScan::Status;

constexpr qint64 kStartHeaderBytes = 32;
// Coders chained in one folder, and streams of one coder: 7z writers use four at most.
constexpr quint64 kMaxCoders = 64;

QString damagedList() { return QStringLiteral("the list of files of the 7z pack is damaged"); }

// The property identifiers of the 7z list of files.
enum Id : quint8 {
    kEnd = 0x00,
    kHeader = 0x01,
    kArchiveProperties = 0x02,
    kAdditionalStreamsInfo = 0x03,
    kMainStreamsInfo = 0x04,
    kFilesInfo = 0x05,
    kPackInfo = 0x06,
    kUnpackInfo = 0x07,
    kSubStreamsInfo = 0x08,
    kSize = 0x09,
    kCrc = 0x0a,
    kFolder = 0x0b,
    kCodersUnpackSize = 0x0c,
    kNumUnpackStream = 0x0d,
    kEncodedHeader = 0x17,
};

struct Folder {
    quint64 outStreams = 0;
    bool digest = false;
    quint64 unpackStreams = 1;
    QByteArray method;       // of its first coder
    bool encrypted = false;  // a coder of the chain is AES
    QByteArray properties;
    quint64 coders = 0;
    quint64 packedStreams = 0;
    quint64 unpackSize = 0;  // of its last output, the folder's result
};

struct Streams {
    quint64 packPosition = 0;
    std::vector<quint64> packSizes;
    std::vector<Folder> folders;
};

// Walks the bytes of the list. Every read checks what is left; the first
// fault stops the walk and is kept.
class Walker {
public:
    Walker(const QByteArray& bytes, quint64 maxEntries) : bytes_(bytes), maxEntries_(maxEntries) {}

    bool failed() const { return status_ != Status::Ok; }
    Status status() const { return status_; }
    const QString& text() const { return text_; }
    quint64 left() const { return quint64(bytes_.size() - at_); }

    bool fail(Status status, const QString& text)
    {
        if (!failed()) {
            status_ = status;
            text_ = text;
        }
        return false;
    }
    bool damaged() { return fail(Status::Damaged, damagedList()); }

    bool byte(quint8& b)
    {
        if (at_ >= bytes_.size()) return damaged();
        b = quint8(bytes_[at_++]);
        return true;
    }

    bool expect(quint8 id)
    {
        quint8 b = 0;
        return byte(b) && (b == id || damaged());
    }

    // The 7z number: the leading one bits of the first byte count the bytes
    // that follow, low byte first; the rest of the first byte is the top.
    bool number(quint64& value)
    {
        quint8 first = 0;
        if (!byte(first)) return false;
        value = 0;
        quint8 mask = 0x80;
        for (int i = 0; i < 8; ++i, mask >>= 1) {
            if ((first & mask) == 0) {
                value |= quint64(first & (mask - 1)) << (8 * i);
                return true;
            }
            quint8 b = 0;
            if (!byte(b)) return false;
            value |= quint64(b) << (8 * i);
        }
        return true;
    }

    // A count of things that each take at least one byte of what follows, at most `most`.
    bool count(quint64& value, quint64 most)
    {
        return number(value) && ((value <= most && value <= left()) || damaged());
    }
    // A count of entries, which the entry limit bounds as well.
    bool entries(quint64& value, bool eachTakesAByte = true)
    {
        if (!number(value)) return false;
        if (value > maxEntries_) return tooMany(value);
        return !eachTakesAByte || value <= left() || damaged();
    }
    bool tooMany(quint64 declared)
    {
        return fail(Status::TooManyEntries,
                    QStringLiteral("the 7z pack declares %1 entries, more than %2").arg(declared).arg(maxEntries_));
    }

    bool skip(quint64 n)
    {
        if (n > left()) return damaged();
        at_ += qsizetype(n);
        return true;
    }

    bool take(quint64 n, QByteArray& into)
    {
        if (n > left()) return damaged();
        into = bytes_.mid(at_, qsizetype(n));
        at_ += qsizetype(n);
        return true;
    }

    // A set of `n` CRCs, each one there or not.
    bool digests(quint64 n, std::vector<bool>* defined = nullptr)
    {
        quint8 all = 0;
        if (!byte(all)) return false;
        std::vector<bool> bits(n, all != 0);
        if (all == 0) {
            if ((n + 7) / 8 > left()) return damaged();
            for (quint64 i = 0; i < n; ++i) bits[i] = (quint8(bytes_[at_ + qsizetype(i / 8)]) >> (7 - i % 8)) & 1;
            at_ += qsizetype((n + 7) / 8);
        }
        quint64 present = 0;
        for (bool b : bits) present += b;
        if (present > left() / 4) return damaged();
        at_ += qsizetype(present * 4);
        if (defined) *defined = std::move(bits);
        return true;
    }

    bool folder(Folder& f)
    {
        quint64 inStreams = 0;
        if (!count(f.coders, kMaxCoders)) return false;
        if (f.coders == 0) return damaged();
        for (quint64 c = 0; c < f.coders; ++c) {
            quint8 flags = 0;
            QByteArray id;
            if (!byte(flags) || !take(flags & 0x0f, id)) return false;
            // Alternative methods were never written by any 7z program.
            if (flags & 0x80) return fail(Status::Unsupported, QStringLiteral("a 7z coder with alternatives"));
            quint64 in = 1, out = 1;
            if ((flags & 0x10) && (!count(in, kMaxCoders) || !count(out, kMaxCoders))) return false;
            QByteArray properties;
            quint64 size = 0;
            if ((flags & 0x20) && (!count(size, quint64(SevenZipScan::kMaxListBytes)) || !take(size, properties)))
                return false;
            f.encrypted = f.encrypted || id == QByteArrayView("\x06\xf1\x07\x01", 4);
            if (c == 0) {
                f.method = id;
                f.properties = properties;
            }
            inStreams += in;
            f.outStreams += out;
        }
        if (f.outStreams == 0 || inStreams < f.outStreams - 1) return damaged();
        for (quint64 b = 0; b + 1 < f.outStreams; ++b) {
            quint64 ignored = 0;
            if (!number(ignored) || !number(ignored)) return false;
        }
        f.packedStreams = inStreams - (f.outStreams - 1);
        if (f.packedStreams == 0) return damaged();
        for (quint64 p = 0; f.packedStreams > 1 && p < f.packedStreams; ++p) {
            quint64 ignored = 0;
            if (!number(ignored)) return false;
        }
        return true;
    }

    bool packInfo(Streams& s)
    {
        quint64 n = 0;
        if (!number(s.packPosition) || !entries(n)) return false;
        quint8 id = 0;
        if (!byte(id)) return false;
        if (id == kSize) {
            s.packSizes.resize(n);
            for (quint64& size : s.packSizes)
                if (!number(size)) return false;
            if (!byte(id)) return false;
        }
        if (id == kCrc) {
            if (!digests(n) || !byte(id)) return false;
        }
        return id == kEnd || damaged();
    }

    bool unpackInfo(Streams& s)
    {
        quint64 n = 0;
        quint8 external = 0;
        if (!expect(kFolder) || !entries(n) || !byte(external)) return false;
        if (external != 0) return fail(Status::Unsupported, QStringLiteral("a 7z list of folders kept elsewhere"));
        s.folders.resize(n);
        for (Folder& f : s.folders)
            if (!folder(f)) return false;
        if (!expect(kCodersUnpackSize)) return false;
        for (Folder& f : s.folders)
            for (quint64 o = 0; o < f.outStreams; ++o)
                if (!number(f.unpackSize)) return false;
        quint8 id = 0;
        if (!byte(id)) return false;
        if (id == kCrc) {
            std::vector<bool> defined;
            if (!digests(n, &defined) || !byte(id)) return false;
            for (quint64 i = 0; i < n; ++i) s.folders[i].digest = defined[i];
        }
        return id == kEnd || damaged();
    }

    bool subStreamsInfo(Streams& s)
    {
        quint8 id = 0;
        if (!byte(id)) return false;
        quint64 total = 0;
        if (id == kNumUnpackStream) {
            for (Folder& f : s.folders) {
                if (!entries(f.unpackStreams)) return false;
                total += f.unpackStreams;
                if (total > maxEntries_) return tooMany(total);
            }
            if (!byte(id)) return false;
        }
        if (id == kSize) {
            for (const Folder& f : s.folders)
                for (quint64 i = 1; i < f.unpackStreams; ++i) {
                    quint64 ignored = 0;
                    if (!number(ignored)) return false;
                }
            if (!byte(id)) return false;
        }
        if (id == kCrc) {
            quint64 unknown = 0;
            for (const Folder& f : s.folders)
                if (f.unpackStreams != 1 || !f.digest) unknown += f.unpackStreams;
            if (!digests(unknown) || !byte(id)) return false;
        }
        return id == kEnd || damaged();
    }

    bool streamsInfo(Streams& s)
    {
        quint8 id = 0;
        if (!byte(id)) return false;
        if (id == kPackInfo && (!packInfo(s) || !byte(id))) return false;
        if (id == kUnpackInfo && (!unpackInfo(s) || !byte(id))) return false;
        if (id == kSubStreamsInfo && (!subStreamsInfo(s) || !byte(id))) return false;
        return id == kEnd || damaged();
    }

    bool filesInfo()
    {
        quint64 files = 0;
        if (!entries(files, false)) return false;
        for (;;) {
            quint64 type = 0, size = 0;
            if (!number(type)) return false;
            if (type == kEnd) return true;
            if (!number(size) || !skip(size)) return false;
        }
    }

    bool header()
    {
        quint8 id = 0;
        if (!expect(kHeader) || !byte(id)) return false;
        if (id == kArchiveProperties) {
            for (;;) {
                quint64 type = 0, size = 0;
                if (!number(type)) return false;
                if (type == kEnd) break;
                if (!number(size) || !skip(size)) return false;
            }
            if (!byte(id)) return false;
        }
        Streams ignored;
        if (id == kAdditionalStreamsInfo && (!streamsInfo(ignored) || !byte(id))) return false;
        if (id == kMainStreamsInfo && (!streamsInfo(ignored) || !byte(id))) return false;
        if (id == kFilesInfo && (!filesInfo() || !byte(id))) return false;
        return id == kEnd || damaged();
    }

private:
    const QByteArray& bytes_;
    qsizetype at_ = 0;
    quint64 maxEntries_;
    Status status_ = Status::Ok;
    QString text_;
};

// Unpacks a list packed with LZMA: libarchive's LZMA reader takes the stream
// once it is given the 13-byte header of a ".lzma" file. Empty when the
// stream does not unpack to exactly `size` bytes.
QByteArray unpackLzma(const QByteArray& properties, const QByteArray& packed, qint64 size)
{
    if (properties.size() != 5) return {};
    // The window need not be larger than what is unpacked; a hostile size would
    // have the decoder reserve up to 4 GiB.
    quint32 window = 4096;
    while (window < size) window <<= 1;
    window = std::min(window, qFromLittleEndian<quint32>(properties.constData() + 1));
    QByteArray stream(13, Qt::Uninitialized);
    stream[0] = properties[0];
    qToLittleEndian<quint32>(std::max<quint32>(window, 4096), stream.data() + 1);
    qToLittleEndian<quint64>(quint64(size), stream.data() + 5);
    stream += packed;

    const std::unique_ptr<archive, decltype(&archive_read_free)> reader(archive_read_new(), &archive_read_free);
    archive* a = reader.get();
    archive_entry* entry = nullptr;
    if (archive_read_support_format_raw(a) != ARCHIVE_OK ||
        archive_read_append_filter(a, ARCHIVE_FILTER_LZMA) != ARCHIVE_OK ||
        archive_read_open_memory(a, stream.constData(), size_t(stream.size())) != ARCHIVE_OK ||
        archive_read_next_header(a, &entry) != ARCHIVE_OK)
        return {};
    QByteArray out(qsizetype(size) + 1, Qt::Uninitialized);
    qint64 got = 0;
    while (got < out.size()) {
        const la_ssize_t n = archive_read_data(a, out.data() + got, size_t(out.size() - got));
        if (n < 0) return {};
        if (n == 0) break;
        got += n;
    }
    if (got != size) return {};
    out.truncate(qsizetype(size));
    return out;
}

}  // namespace

SevenZipScan SevenZipScan::of(const ReadAt& read, qint64 size, qint64 maxEntries)
{
    SevenZipScan scan;
    const auto stop = [&scan](Status why, const QString& words) {
        scan.status = why;
        scan.text = words;
        return scan;
    };
    const QString cut = QStringLiteral("the 7z pack ends before its list of files");

    const QByteArray start = read(0, kStartHeaderBytes);
    if (start.size() < kStartHeaderBytes) return stop(Status::Damaged, cut);
    const quint64 offset = qFromLittleEndian<quint64>(start.constData() + 12);
    const quint64 length = qFromLittleEndian<quint64>(start.constData() + 20);
    // Nothing after the start header: an empty pack, which the reader reports as such.
    if (length == 0) return scan;
    const quint64 room = quint64(size - kStartHeaderBytes);
    if (offset > room || length > room - offset) return stop(Status::Damaged, cut);
    if (length > quint64(kMaxListBytes))
        return stop(Status::Unsupported,
                    QStringLiteral("a 7z list of files of more than %1 MiB").arg(kMaxListBytes >> 20));
    QByteArray list = read(kStartHeaderBytes + qint64(offset), qint64(length));
    if (list.size() != qsizetype(length)) return stop(Status::Damaged, cut);

    const auto walked = [&](Walker& w) { return w.failed() ? stop(w.status(), w.text()) : scan; };
    if (!list.isEmpty() && quint8(list[0]) == kEncodedHeader) {
        // The list is itself packed: one folder whose stream unpacks to it.
        Walker w(list, quint64(maxEntries));
        Streams s;
        w.skip(1);
        if (!w.streamsInfo(s)) return walked(w);
        if (s.folders.size() != 1 || s.packSizes.empty()) return stop(Status::Damaged, damagedList());
        const Folder& f = s.folders.front();
        const quint64 packed = s.packSizes.front();
        if (s.packPosition > room || packed > room - s.packPosition) return stop(Status::Damaged, cut);
        if (packed > quint64(kMaxListBytes) || f.unpackSize > quint64(kMaxListBytes))
            return stop(Status::Unsupported,
                        QStringLiteral("a 7z list of files of more than %1 MiB").arg(kMaxListBytes >> 20));
        static const QByteArray copy(1, '\0'), lzma("\x03\x01\x01", 3);
        if (f.encrypted) return stop(Status::Encrypted, QStringLiteral("the pack is protected by a password"));
        if (f.coders != 1 || f.packedStreams != 1 || (f.method != copy && f.method != lzma))
            return stop(Status::Unsupported,
                        QStringLiteral("a 7z list of files packed in a way this program does not read"));
        const QByteArray bytes = read(kStartHeaderBytes + qint64(s.packPosition), qint64(packed));
        if (bytes.size() != qsizetype(packed)) return stop(Status::Damaged, cut);
        list = f.method == copy ? (packed == f.unpackSize ? bytes : QByteArray())
                                : unpackLzma(f.properties, bytes, qint64(f.unpackSize));
        if (list.isEmpty()) return stop(Status::Damaged, damagedList());
    }
    Walker w(list, quint64(maxEntries));
    w.header();
    return walked(w);
}
