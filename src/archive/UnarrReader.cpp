#include <QByteArray>
#include <QDir>

#include <unarr.h>
#include <memory>

#include "archive/PackReaders.h"

namespace {

using Status = UnRarExtractor::Status;
using Kind = PackEntryWriter::Kind;

constexpr size_t kReadBlock = size_t(1) << 20;
// Windows file times count 100 ns steps from 1601; Unix seconds from 1970.
constexpr qint64 kFileTimeToUnix = 11644473600LL;

struct StreamCloser {
    void operator()(ar_stream* s) const { ar_close(s); }
};
struct ArchiveCloser {
    void operator()(ar_archive* a) const { ar_close_archive(a); }
};

}  // namespace

void PackReaders::readWithUnarr(const QString& path, const RarScan& scan, qint64 size, PackEntryWriter& out)
{
#ifdef Q_OS_WIN
    std::unique_ptr<ar_stream, StreamCloser> stream(
        ar_open_file_w(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16())));
#else
    std::unique_ptr<ar_stream, StreamCloser> stream(ar_open_file(QFile::encodeName(path).constData()));
#endif
    if (!stream) return void(out.stop(Status::Unreadable, QStringLiteral("the file cannot be opened")));
    std::unique_ptr<ar_archive, ArchiveCloser> ar(ar_open_rar_archive(stream.get()));
    if (!ar) return void(out.stop(Status::Damaged, QStringLiteral("its headers cannot be read")));

    // unarr passes over folders; they are made from the headers as the reader passes them.
    size_t next = 0;
    const auto foldersBefore = [&](qint64 offset) {
        for (; next < scan.entries.size() && scan.entries[next].offset < offset; ++next) {
            const RarScan::Entry& e = scan.entries[next];
            bool wanted = false;
            if (e.folder && !out.beginEntry(e.name, Kind::Folder, 0, &wanted)) return false;
        }
        if (next < scan.entries.size() && scan.entries[next].offset == offset) ++next;
        return true;
    };

    std::unique_ptr<char[]> buffer(new char[kReadBlock]);
    while (ar_parse_entry(ar.get())) {
        const qint64 offset = ar_entry_get_offset(ar.get());
        const RarScan::Entry* header = nullptr;
        if (!foldersBefore(offset)) return;
        if (next > 0 && scan.entries[next - 1].offset == offset) header = &scan.entries[next - 1];
        const char* utf8 = ar_entry_get_name(ar.get());
        const QString name = utf8 ? QString::fromUtf8(utf8) : QString();
        const qint64 entrySize = qint64(ar_entry_get_size(ar.get()));
        const Kind kind = !header          ? Kind::File
                          : header->folder ? Kind::Folder
                          : header->link   ? Kind::Link
                          : header->device ? Kind::Other
                                           : Kind::File;
        out.setRead(ar_tell(stream.get()), size);
        bool wanted = false;
        if (!out.beginEntry(name, kind, entrySize, &wanted)) return;
        if (!wanted) continue;  // the next entry is found by its header's offset
        for (qint64 done = 0; done < entrySize;) {
            const size_t n = size_t(std::min<qint64>(qint64(kReadBlock), entrySize - done));
            if (!ar_entry_uncompress(ar.get(), buffer.get(), n))
                return void(out.stop(Status::Damaged, QStringLiteral("\"%1\": the data cannot be unpacked").arg(name)));
            out.setRead(ar_tell(stream.get()), size);
            if (!out.write(buffer.get(), qint64(n), done)) return;
            done += qint64(n);
        }
        const time64_t stamp = ar_entry_get_filetime(ar.get());
        if (!out.endFile(entrySize, stamp > 0 ? stamp / 10000000 - kFileTimeToUnix : -1)) return;
    }
    if (!ar_at_eof(ar.get())) return void(out.stop(Status::Damaged, QStringLiteral("its headers cannot be read")));
    foldersBefore(size + 1);
}
