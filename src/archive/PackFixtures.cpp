#include "archive/PackFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

namespace PackFixtures {

bool write(const QString& path, const QString& format, const std::vector<Entry>& entries)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    archive* a = archive_write_new();
    int r = format == "zip"    ? archive_write_set_format_zip(a)
            : format == "7zip" ? archive_write_set_format_7zip(a)
                               : archive_write_set_format_pax_restricted(a);
    const QByteArray file = QFile::encodeName(path);
    bool ok = r == ARCHIVE_OK && archive_write_open_filename(a, file.constData()) == ARCHIVE_OK;
    for (const Entry& e : entries) {
        if (!ok) break;
        archive_entry* entry = archive_entry_new();
        const QByteArray name = e.name.toUtf8();
        archive_entry_set_pathname_utf8(entry, name.constData());
        archive_entry_set_mtime(entry, 1577836800, 0);
        switch (e.kind) {
        case Entry::Kind::File:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, e.perm);
            archive_entry_set_size(entry, e.data.size());
            break;
        case Entry::Kind::Folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            archive_entry_set_perm(entry, e.perm == 0644 ? 0755 : e.perm);
            break;
        case Entry::Kind::Symlink:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_perm(entry, 0777);
            archive_entry_set_symlink_utf8(entry, e.target.toUtf8().constData());
            break;
        case Entry::Kind::Hardlink:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            archive_entry_set_hardlink_utf8(entry, e.target.toUtf8().constData());
            archive_entry_set_size(entry, 0);
            break;
        }
        ok = archive_write_header(a, entry) == ARCHIVE_OK;
        if (ok && e.kind == Entry::Kind::File && !e.data.isEmpty())
            ok = archive_write_data(a, e.data.constData(), size_t(e.data.size())) == e.data.size();
        archive_entry_free(entry);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

QByteArray modelBytes(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 2463534242u ^ quint32(seed * 2654435761u);
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = char(x & 0xFF);
    }
    return bytes;
}

}  // namespace PackFixtures
