#include "archive/PackExport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

#include "facefolder/FileNameCheck.h"
#include "platform/AtomicOutput.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/Progress.h"

namespace PackExport {

namespace {

using FileOps::shown;

QStringList nameParts(const QString& nameInLine) { return MapFile::placeParts(nameInLine); }

// Why a name of a line cannot go into a pack; empty when it can.
QString nameProblem(const QString& nameInLine)
{
    const QStringList parts = nameParts(nameInLine);
    if (parts.isEmpty()) return QStringLiteral("%1 names no file").arg(FileNameCheck::quoted(nameInLine));
    for (const QString& part : parts)
        if (const Result r = FileNameCheck::checkName(part); !r)
            return QStringLiteral("%1: %2").arg(FileNameCheck::quoted(nameInLine), r.message);
    return QString();
}

QString lineLabel(const MapFile::Line& line, int index)
{
    return line.isEntry() ? QStringLiteral("line %1 (player %2)").arg(index + 1).arg(line.id)
                          : QStringLiteral("line %1").arg(index + 1);
}

constexpr qint64 kChunk = qint64(1) << 20;
// Written data is pushed towards the disk every so often, so that the sync
// before the rename has little left to wait for.
constexpr qint64 kWriteBackEvery = qint64(64) << 20;

struct ArchiveFree {
    void operator()(archive* a) const noexcept { archive_write_free(a); }
};
struct EntryFree {
    void operator()(archive_entry* e) const noexcept { archive_entry_free(e); }
};

}  // namespace

QString teamFolderOf(const QString& nameInLine)
{
    QStringList parts = nameParts(nameInLine);
    if (parts.size() < 2) return QString();
    parts.removeLast();
    return parts.join(QLatin1Char('/'));
}

QString Plan::describeSkipped(int max) const
{
    QStringList lines;
    for (const Skipped& s : skipped) {
        if (lines.size() == max) {
            lines << QStringLiteral("... and %1 more").arg(skipped.size() - size_t(max));
            break;
        }
        lines << s.describe();
    }
    return lines.join(QLatin1Char('\n'));
}

QString cancelledMessage() { return QStringLiteral("The export was cancelled. No face pack was written."); }

Plan plan(const QString& faceFolder, const Selection& selection)
{
    Plan p;
    p.faceFolder = faceFolder;
    if (faceFolder.isEmpty() || !QDir::isAbsolutePath(faceFolder) || !QFileInfo(faceFolder).isDir()) {
        p.status = Result::failure(QStringLiteral("The face folder does not exist: %1").arg(shown(faceFolder)));
        return p;
    }
    MapFile::Document doc;
    if (const Result r = MapFile::read(faceFolder + QStringLiteral("/map.txt"), doc); !r) {
        p.status = r;
        return p;
    }
    FolderListing listing = FolderListing::list(faceFolder);
    const FaceFolderCheck::Report report = FaceFolderCheck::check(doc, listing);
    return plan(faceFolder, doc, listing, report, selection);
}

Plan plan(const QString& faceFolder, const MapFile::Document& map, FolderListing& listing,
          const FaceFolderCheck::Report& report, const Selection& selection)
{
    Plan p;
    p.faceFolder = faceFolder;
    const size_t count = map.lines.size();
    // 0: not chosen, 1: chosen with others (all, a team folder), 2: chosen by itself
    std::vector<char> chosen(count, selection.all ? 1 : 0);

    for (const qint32 id : selection.ids) {
        bool found = false;
        for (size_t i = 0; i < count; ++i) {
            if (map.lines[i].isEntry() && map.lines[i].id == id) {
                chosen[i] = 2;
                found = true;
            }
        }
        if (!found)
            p.skipped.push_back(
                {-1, QStringLiteral("player %1").arg(id), QStringLiteral("map.txt has no line for this player")});
    }
    for (const QString& team : selection.teamFolders) {
        const QString key = MapFile::placeKey(team);
        bool found = false;
        for (size_t i = 0; i < count && !key.isEmpty(); ++i) {
            const MapFile::Line& l = map.lines[i];
            if (!l.isEntry()) continue;
            for (const QString& name : {l.face, l.hair}) {
                if (name.isEmpty() || MapFile::placeKey(teamFolderOf(name)) != key) continue;
                chosen[i] = std::max<char>(chosen[i], 1);
                found = true;
            }
        }
        if (!found)
            p.skipped.push_back({-1, QStringLiteral("team folder %1").arg(FileNameCheck::quoted(team)),
                                 QStringLiteral("no line of map.txt names a file in it")});
    }
    for (const int line : selection.lines)
        if (line >= 0 && size_t(line) < count) chosen[size_t(line)] = 2;

    QHash<QString, int> exportedBy;          // place key of a model -> the line that exports it
    QHash<QString, QString> folderSpelling;  // folded folder -> its name in the pack, as first seen
    const auto entryName = [&](const QString& nameInLine) {
        QStringList parts = nameParts(nameInLine);
        QString folded;
        for (qsizetype k = 0; k + 1 < parts.size(); ++k) {
            folded += MapFile::foldedName(parts[k]) + QLatin1Char('/');
            const auto it = folderSpelling.constFind(folded);
            if (it == folderSpelling.cend())
                folderSpelling.insert(folded, parts[k]);
            else
                parts[k] = *it;
        }
        return parts.join(QLatin1Char('/'));
    };

    for (size_t i = 0; i < count; ++i) {
        if (!chosen[i]) continue;
        const MapFile::Line& line = map.lines[i];
        const FaceFolderCheck::LineState& st = report.lines[i];
        const QString what = lineLabel(line, int(i));
        if (line.kind == MapFile::Kind::Blank) {
            if (chosen[i] == 2) p.skipped.push_back({int(i), what, QStringLiteral("the line is blank")});
            continue;
        }
        if (line.kind == MapFile::Kind::NotUnderstood) {
            p.skipped.push_back({int(i), what, QStringLiteral("not understood: ") + line.problem});
            continue;
        }
        QStringList why;
        if (st.flags & FaceFolderCheck::Outside) why << QStringLiteral("a name leaves the face folder");
        if (st.flags & FaceFolderCheck::Duplicate) {
            QStringList others;
            for (int o : st.others) others << QString::number(o + 1);
            why << QStringLiteral("the identifier is on %1 %2 too")
                       .arg(others.size() == 1 ? QStringLiteral("line") : QStringLiteral("lines"),
                            others.join(QStringLiteral(", ")));
        }
        Entry e;
        struct Model {
            const QString& name;
            int file;
            const char* kind;
            QString key;
            QString& source;  // where the entry keeps it
            QString& entry;
        };
        const Model models[2] = {{line.face, st.faceFile, "face", st.faceKey, e.faceSource, e.faceEntry},
                                 {line.hair, st.hairFile, "hair", st.hairKey, e.hairSource, e.hairEntry}};
        for (const Model& m : models) {
            if (m.name.isEmpty() || (st.flags & FaceFolderCheck::Outside)) continue;
            if (const QString problem = nameProblem(m.name); !problem.isEmpty()) {
                why << problem;
                continue;
            }
            if (m.file < 0) {
                why << QStringLiteral("the %1 file %2 is missing")
                           .arg(QLatin1String(m.kind), FileNameCheck::quoted(m.name));
                continue;
            }
            const FolderListing::File& f = listing.file(m.file);
            if (f.viaLink || FileOps::isLink(listing.absolute(f)))
                why << QStringLiteral("the %1 file %2 is a link or lies in a linked folder; links are not followed")
                           .arg(QLatin1String(m.kind), FileNameCheck::quoted(m.name));
            else if (!QFileInfo(listing.absolute(f)).isFile())
                why << QStringLiteral("the %1 file %2 is not a plain file")
                           .arg(QLatin1String(m.kind), FileNameCheck::quoted(m.name));
            else if (const auto it = exportedBy.constFind(m.key); it != exportedBy.cend())
                why << QStringLiteral(
                           "its %1 file is exported with line %2 already; a pack installs each file for one "
                           "player")
                           .arg(QLatin1String(m.kind))
                           .arg(*it + 1);
        }
        if (!line.face.isEmpty() && !line.hair.isEmpty() && !st.faceKey.isEmpty() && st.faceKey == st.hairKey)
            why << QStringLiteral("the face and the hair are the same file");
        if (!why.isEmpty()) {
            why.removeDuplicates();
            p.skipped.push_back({int(i), what, why.join(QStringLiteral("; "))});
            continue;
        }
        e.line = int(i);
        e.id = line.id;
        e.lineBytes = map.raw(line).toByteArray();
        for (const Model& m : models) {
            if (m.name.isEmpty()) continue;
            m.source = listing.absolute(listing.file(m.file));
            m.entry = entryName(m.name);
            e.bytes += QFileInfo(m.source).size();
            exportedBy.insert(m.key, int(i));
            ++p.files;
        }
        p.bytes += e.bytes;
        p.entries.push_back(std::move(e));
    }
    return p;
}

namespace {

// One pack being written: libarchive over the descriptor of an AtomicOutput.
class ZipWriter {
public:
    explicit ZipWriter(AtomicOutput& out) : out_(out), a_(archive_write_new()) {}

    Result open()
    {
        if (!a_ || archive_write_set_format_zip(a_.get()) != ARCHIVE_OK ||
            // Names are stored as UTF-8 and flagged so, for every unpacker.
            archive_write_set_options(a_.get(), "zip:hdrcharset=UTF-8") != ARCHIVE_OK ||
            archive_write_set_bytes_in_last_block(a_.get(), 1) != ARCHIVE_OK ||
            archive_write_open_fd(a_.get(), out_.handle()) != ARCHIVE_OK)
            return failure();
        return Result::success();
    }

    Result folder(const QString& name)
    {
        const std::unique_ptr<archive_entry, EntryFree> e(archive_entry_new());
        archive_entry_set_pathname_utf8(e.get(), (name + QLatin1Char('/')).toUtf8().constData());
        archive_entry_set_filetype(e.get(), AE_IFDIR);
        archive_entry_set_perm(e.get(), 0755);
        archive_entry_set_mtime(e.get(), QDateTime::currentSecsSinceEpoch(), 0);
        archive_write_zip_set_compression_store(a_.get());
        return archive_write_header(a_.get(), e.get()) == ARCHIVE_OK ? Result::success() : failure();
    }

    Result begin(const QString& name, qint64 size, qint64 mtime, bool deflate)
    {
        const std::unique_ptr<archive_entry, EntryFree> e(archive_entry_new());
        archive_entry_set_pathname_utf8(e.get(), name.toUtf8().constData());
        archive_entry_set_filetype(e.get(), AE_IFREG);
        archive_entry_set_perm(e.get(), 0644);
        archive_entry_set_size(e.get(), size);
        archive_entry_set_mtime(e.get(), mtime, 0);
        if (deflate)
            archive_write_zip_set_compression_deflate(a_.get());
        else
            archive_write_zip_set_compression_store(a_.get());
        return archive_write_header(a_.get(), e.get()) == ARCHIVE_OK ? Result::success() : failure();
    }

    Result data(const char* bytes, qint64 size)
    {
        while (size > 0) {
            const la_ssize_t n = archive_write_data(a_.get(), bytes, size_t(size));
            if (n <= 0) return failure();
            bytes += n;
            size -= n;
        }
        return Result::success();
    }

    Result file(const QString& name, const QByteArray& bytes, bool deflate)
    {
        if (Result r = begin(name, bytes.size(), QDateTime::currentSecsSinceEpoch(), deflate); !r) return r;
        return data(bytes.constData(), bytes.size());
    }

    Result close()
    {
        const int r = archive_write_close(a_.get());
        return r == ARCHIVE_OK ? Result::success() : failure();
    }

private:
    Result failure() const
    {
        const char* text = a_ ? archive_error_string(a_.get()) : nullptr;
        return Result::failure(QStringLiteral("The face pack could not be written: %1")
                                   .arg(text ? QString::fromLocal8Bit(text) : QStringLiteral("out of memory")));
    }

    AtomicOutput& out_;
    std::unique_ptr<archive, ArchiveFree> a_;
};

QByteArray readme(const Plan& plan, const QString& version)
{
    const QString text =
        QStringLiteral(
            "Face pack made by Visagery Ludex Manager %1 on %2.\n"
            "\n"
            "It holds the faces and hair of %3 players for the Visagery face-loading add-on: map.txt has one line "
            "for each player, and the model files lie in the team folders and under the names that the lines give.\n"
            "\n"
            "To install it, open it in Visagery Ludex Manager (tab Face Pack, Browse) and choose Face Folder > "
            "Install from Archive...: every player is installed with its own identifier and team folder. By hand: "
            "unpack the folders into the add-on's Ludex\\Face folder and add the lines of this map.txt to the "
            "map.txt there.\n")
            .arg(version, QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'")))
            .arg(plan.entries.size());
    return CodePage::encode(text).replace("\n", "\r\n");
}

}  // namespace

Result write(const Plan& plan, const QString& zipPath, const Options& options)
{
    if (plan.entries.empty())
        return Result::failure(
            QStringLiteral("There is nothing to export: none of the chosen entries can go into a "
                           "face pack."));
    const QString target = QDir::cleanPath(QFileInfo(zipPath).absoluteFilePath());
    const bool targetExists = QFileInfo::exists(zipPath);
    const auto isTarget = [&](const QString& path) {
        return !path.isEmpty() && (QDir::cleanPath(QFileInfo(path).absoluteFilePath()) == target ||
                                   (targetExists && FileOps::sameFile(path, zipPath)));
    };
    bool exported = isTarget(plan.faceFolder + QStringLiteral("/map.txt"));
    for (const Entry& e : plan.entries) exported = exported || isTarget(e.faceSource) || isTarget(e.hairSource);
    if (exported)
        return Result::failure(QStringLiteral("%1 is a file of the face folder that the pack takes; choose "
                                              "another name for the face pack.")
                                   .arg(shown(zipPath)));
    const QString journal = options.journalFolder.isEmpty() ? QDir::tempPath() : options.journalFolder;
    AtomicOutput out(zipPath, journal);
    if (Result r = out.open(); !r) return r;
    ZipWriter zip(out);
    if (Result r = zip.open(); !r) return r;

    QString version = options.programVersion;
    if (version.isEmpty()) version = QCoreApplication::applicationVersion();
    if (version.isEmpty()) version = QStringLiteral("(version unknown)");
    QByteArray map;
    for (const Entry& e : plan.entries) map += e.lineBytes + "\r\n";
    if (Result r = zip.file(QStringLiteral("readme.txt"), readme(plan, version), true); !r) return r;
    if (Result r = zip.file(QStringLiteral("map.txt"), map, true); !r) return r;

    ProgressSink* progress = options.progress;
    const auto cancelled = [&] { return progress && progress->wasCanceled(); };
    QSet<QString> folders;
    QByteArray buffer(int(kChunk), Qt::Uninitialized);
    qint64 done = 0, sinceWriteBack = 0;
    for (const Entry& e : plan.entries) {
        for (const auto& [source, name] :
             {std::pair{e.faceSource, e.faceEntry}, std::pair{e.hairSource, e.hairEntry}}) {
            if (source.isEmpty()) continue;
            // The team folders, each once, before their first file.
            const QStringList parts = name.split(QLatin1Char('/'));
            for (qsizetype k = 1; k < parts.size(); ++k) {
                const QString folder = parts.mid(0, k).join(QLatin1Char('/'));
                if (folders.contains(folder)) continue;
                folders.insert(folder);
                if (Result r = zip.folder(folder); !r) return r;
            }
            QFile in;
            if (Result r = FileOps::openForReading(in, source); !r) return r;
            const qint64 size = in.size();
            const qint64 mtime = QFileInfo(source).lastModified().toSecsSinceEpoch();
            if (Result r = zip.begin(name, size, mtime, options.deflateModels); !r) return r;
            for (qint64 left = size; left > 0;) {
                const qint64 n = in.read(buffer.data(), std::min(left, kChunk));
                if (n <= 0)
                    return Result::failure(
                        QStringLiteral("%1 could not be read, or it changed while it was exported%2")
                            .arg(shown(source), n < 0 ? QStringLiteral(": ") + in.errorString() : QStringLiteral(".")));
                if (Result r = zip.data(buffer.constData(), n); !r) return r;
                left -= n;
                done += n;
                sinceWriteBack += n;
                if (sinceWriteBack >= kWriteBackEvery && out.syncsOnCommit()) {
                    out.startWriteBack();
                    sinceWriteBack = 0;
                }
                if (progress) progress->setValue(done);
                if (cancelled()) return Result::failure(cancelledMessage());
            }
        }
    }
    if (Result r = zip.close(); !r) return r;
    if (cancelled()) return Result::failure(cancelledMessage());
    return out.commit();
}

}  // namespace PackExport
