#include <QDir>

#include <archive.h>
#include <archive_entry.h>
#include <cerrno>

#include "archive/PackReaders.h"
#include "archive/SevenZipScan.h"

namespace {

using Status = UnRarExtractor::Status;
using Kind = PackEntryWriter::Kind;

constexpr qint64 kBlock = qint64(1) << 20;

// The parts as one stream that libarchive reads, seeks and skips in: a RAR
// set's volumes follow each other, and the pieces of a ZIP or 7z pack cut
// into ".001" files make the pack again.
class Joined {
public:
    explicit Joined(PackReaders::Parts& parts) : parts_(parts), buffer_(int(kBlock), Qt::Uninitialized)
    {
        qint64 start = 0;
        for (const auto& f : parts_.files) {
            starts_.push_back(start);
            start += f->size();
        }
        starts_.push_back(start);  // the end, as the sizes were when the parts were opened
    }

    qint64 position() const { return at_; }

    // Bytes from `offset` across the parts, the reader's place left alone.
    QByteArray readAt(qint64 offset, qint64 length)
    {
        QByteArray bytes;
        const qint64 end = std::min(starts_.back(), offset + length);
        for (qint64 at = offset; at < end;) {
            const size_t i = partAt(at);
            QFile& f = *parts_.files[i];
            const QByteArray piece =
                f.seek(at - starts_[i]) ? f.read(std::min(end, starts_[i + 1]) - at) : QByteArray();
            if (piece.isEmpty()) break;
            bytes += piece;
            at += piece.size();
        }
        return bytes;
    }

    static la_ssize_t read(archive* a, void* self, const void** block)
    {
        auto* j = static_cast<Joined*>(self);
        *block = j->buffer_.constData();
        if (j->at_ >= j->starts_.back()) return 0;
        const size_t i = j->partAt(j->at_);
        QFile& f = *j->parts_.files[i];
        const qint64 n = f.seek(j->at_ - j->starts_[i])
                             ? f.read(j->buffer_.data(), std::min<qint64>(kBlock, j->starts_[i + 1] - j->at_))
                             : -1;
        if (n < 0) {
            archive_set_error(a, EIO, "%s", qPrintable(f.errorString()));
            return -1;
        }
        j->at_ += n;  // nothing read: the file got shorter since it was opened, and ends here
        return la_ssize_t(n);
    }

    static la_int64_t seek(archive*, void* self, la_int64_t offset, int whence)
    {
        auto* j = static_cast<Joined*>(self);
        const qint64 end = j->starts_.back();
        const qint64 base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? j->at_ : end;
        const qint64 to = base + offset;
        if (to < 0) return ARCHIVE_FATAL;
        j->at_ = std::min(to, end);
        return j->at_;
    }

    static la_int64_t skip(archive*, void* self, la_int64_t request)
    {
        auto* j = static_cast<Joined*>(self);
        const qint64 n = std::clamp<qint64>(request, 0, j->starts_.back() - j->at_);
        j->at_ += n;
        return n;
    }

private:
    size_t partAt(qint64 offset) const
    {
        size_t i = 0;
        while (i + 2 < starts_.size() && starts_[i + 1] <= offset) ++i;
        return i;
    }

    PackReaders::Parts& parts_;
    std::vector<qint64> starts_;
    QByteArray buffer_;
    qint64 at_ = 0;
};

struct ReaderDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};

QString readerError(archive* a)
{
    const char* text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QString();
}

// Sorts the reader's complaint after the archive was recognised.
Status classify(archive* a, const QString& text)
{
    if (archive_read_has_encrypted_entries(a) > 0 || text.contains("ncrypt", Qt::CaseInsensitive) ||
        text.contains("password", Qt::CaseInsensitive))
        return Status::Encrypted;
    if (text.contains("upport", Qt::CaseInsensitive)) return Status::Unsupported;
    return Status::Damaged;
}

// libarchive's way of saying that it has no decoder for solid RAR 4 packs.
bool refusesSolid(archive* a, const QString& text)
{
    return archive_format(a) == ARCHIVE_FORMAT_RAR && text.contains("solid", Qt::CaseInsensitive);
}

// The entry's name as the reader decoded it; empty when it cannot be decoded.
QString entryName(archive_entry* e)
{
    if (const wchar_t* w = archive_entry_pathname_w(e)) return QString::fromWCharArray(w);
    if (const char* u = archive_entry_pathname_utf8(e)) return QString::fromUtf8(u);
    if (const char* m = archive_entry_pathname(e)) return QString::fromLocal8Bit(m);
    return QString();
}

Kind kindOf(archive_entry* e)
{
    const auto type = archive_entry_filetype(e);
    if (archive_entry_hardlink(e) != nullptr || type == AE_IFLNK) return Kind::Link;
    if (type == AE_IFDIR) return Kind::Folder;
    return type == AE_IFREG ? Kind::File : Kind::Other;
}

}  // namespace

bool PackReaders::readWithLibarchive(Parts& parts, PackEntryWriter& out)
{
    std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
    archive* a = reader.get();
    // A pack that opens with a RAR, ZIP or 7z signature is read as that alone:
    // the ZIP reader looks for its directory at the end of the file, and finds
    // it in a small RAR pack that ends with a ZIP pack stored in it.
    QFile& first = *parts.files.front();
    const QByteArray head = first.seek(0) ? first.read(8) : QByteArray();
    const bool sevenZip = head.startsWith("7z\xbc\xaf\x27\x1c");
    if (head.startsWith("Rar!\x1a\x07")) {
        archive_read_support_format_rar(a);
        archive_read_support_format_rar5(a);
    } else if (head.startsWith("PK\x03\x04")) {
        archive_read_support_format_zip(a);
    } else if (sevenZip) {
        archive_read_support_format_7zip(a);
    } else {
        // Named formats only: the catch-all set would also take plain text as an
        // mtree listing, which reads files named in it from this computer's disk.
        // No 7z here: a 7z pack opens with its signature, and one hidden in a
        // program file would escape the look at its list of files below.
        archive_read_support_format_rar(a);
        archive_read_support_format_rar5(a);
        archive_read_support_format_zip(a);
        archive_read_support_format_tar(a);
        archive_read_support_format_cab(a);
        archive_read_support_format_lha(a);
        archive_read_support_format_iso9660(a);
        archive_read_support_filter_gzip(a);
        archive_read_support_filter_bzip2(a);
        archive_read_support_filter_xz(a);
        archive_read_support_filter_lzma(a);
        archive_read_support_filter_zstd(a);
    }

    // Every stop is reported in the writer; the pack was read, or refused for good.
    const auto stop = [&out](Status status, const QString& text) {
        out.stop(status, text);
        return true;
    };

    Joined in(parts);
    if (sevenZip) {
        const SevenZipScan scan = SevenZipScan::of(
            [&in](qint64 offset, qint64 length) { return in.readAt(offset, length); }, parts.total, out.maxEntries());
        if (scan.status != Status::Ok) return stop(scan.status, scan.text);
    }
    archive_read_set_callback_data(a, &in);
    archive_read_set_read_callback(a, &Joined::read);
    archive_read_set_seek_callback(a, &Joined::seek);
    archive_read_set_skip_callback(a, &Joined::skip);
    if (archive_read_open1(a) != ARCHIVE_OK) {
        const QString text = readerError(a);
        // EILSEQ is libarchive's "file format" error.
        if (archive_errno(a) == EILSEQ || text.contains("nrecognized", Qt::CaseInsensitive))
            return stop(Status::NotAnArchive, text);
        if (archive_errno(a) == EIO) return stop(Status::Unreadable, text);
        return stop(classify(a, text), text);
    }

    qint64 entries = 0;
    int retries = 0;
    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF) break;
        if (r == ARCHIVE_RETRY && ++retries <= 3) continue;
        if (r < ARCHIVE_WARN || r == ARCHIVE_RETRY) {
            const QString text = readerError(a);
            if (refusesSolid(a, text)) return false;
            // Nothing read yet and no sense made of the first header: not an archive after all.
            if (entries == 0 && archive_format(a) == 0) return stop(Status::NotAnArchive, text);
            return stop(classify(a, text), text);
        }
        retries = 0;
        ++entries;
        out.setRead(in.position(), parts.total);

        const QString name = entryName(entry);
        if (archive_entry_is_encrypted(entry))
            return stop(Status::Encrypted, QStringLiteral("\"%1\" is protected by a password").arg(name));
        const qint64 size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        bool wanted = false;
        if (!out.beginEntry(name, kindOf(entry), std::max<qint64>(size, 0), &wanted)) return true;  // stopped
        if (!wanted) continue;  // the reader skips the entry's data on the next header

        for (;;) {
            const void* block = nullptr;
            size_t n = 0;
            la_int64_t offset = 0;
            const int d = archive_read_data_block(a, &block, &n, &offset);
            if (d == ARCHIVE_EOF) break;
            if ((d == ARCHIVE_RETRY || n == 0) && !out.idle(name)) return true;
            if (d == ARCHIVE_RETRY) continue;
            if (d < ARCHIVE_WARN) {
                const QString text = readerError(a);
                return stop(classify(a, text), QStringLiteral("\"%1\": %2").arg(name, text));
            }
            out.setRead(in.position(), parts.total);
            if (!out.write(static_cast<const char*>(block), qint64(n), qint64(offset))) return true;
        }
        if (!out.endFile(size, archive_entry_mtime_is_set(entry) ? qint64(archive_entry_mtime(entry)) : -1))
            return true;
    }
    return true;
}
