#include "archive/UnRarExtractor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "archive/PackEntryWriter.h"
#include "archive/PackReaders.h"
#include "archive/PackVolumes.h"
#include "archive/RarScan.h"

namespace {

using Status = UnRarExtractor::Status;

#ifndef Q_OS_WIN
QString notAFile(mode_t mode)
{
    if (S_ISDIR(mode)) return QStringLiteral("it is a folder");
    if (S_ISFIFO(mode)) return QStringLiteral("it is a named pipe, not a file");
    if (S_ISSOCK(mode)) return QStringLiteral("it is a socket, not a file");
    return QStringLiteral("it is a device, not a file");
}
#endif

// Opens one file of a pack for reading. Only a plain file will do: opening a
// named pipe waits for a writer that never comes, and a device is never a
// pack (opening some has effects of its own), so neither is opened at all.
Status openPart(const QString& path, QFile& file, QString* why)
{
#ifndef Q_OS_WIN
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0) {
        const int err = errno;
        *why = QString::fromLocal8Bit(std::strerror(err));
        return err == ENOENT || err == ENOTDIR ? Status::Missing : Status::Unreadable;
    }
    if (!S_ISREG(st.st_mode)) {
        *why = notAFile(st.st_mode);
        return Status::NotAFile;
    }
    // Not blocking, in case a pipe took the file's place since.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return Status::Unreadable;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *why = notAFile(st.st_mode);
        return Status::NotAFile;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *why = file.errorString();
        return Status::Unreadable;
    }
#else
    const QFileInfo info(path);
    if (!info.exists()) {
        *why = QStringLiteral("the file does not exist");
        return Status::Missing;
    }
    const QString native = QDir::toNativeSeparators(path);
    if (!info.isFile() || native.startsWith(QLatin1String("\\\\.\\")) || native.startsWith(QLatin1String("\\\\?\\"))) {
        *why = info.isDir() ? QStringLiteral("it is a folder") : QStringLiteral("it is a device, not a file");
        return Status::NotAFile;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        *why = file.errorString();
        return Status::Unreadable;
    }
#endif
    return Status::Ok;
}

}  // namespace

UnRarExtractor::UnRarExtractor() = default;
UnRarExtractor::~UnRarExtractor() = default;

QString UnRarExtractor::safeRelativePath(const QString& entryName)
{
    QString name = entryName;
    name.replace('\\', '/');
    if (name.startsWith('/') || name.contains(QChar(0))) return QString();
    QStringList parts;
    const QStringList raw = name.split('/', Qt::SkipEmptyParts);
    for (const QString& part : raw) {
        if (part == QLatin1String(".")) continue;
        if (part == QLatin1String("..")) return QString();
        parts << part;
    }
    // "C:" at the front is a drive on the system that made the pack, also
    // behind "." parts that fall away.
    if (!parts.isEmpty() && parts.first().size() >= 2 && parts.first()[1] == ':' && parts.first()[0].isLetter())
        return QString();
    return parts.join('/');
}

qint64 UnRarExtractor::packBytes(const QString& archivePath)
{
    const QFileInfo chosen(archivePath);
    const PackVolumes::Set set = PackVolumes::findOnDisk(archivePath);
    if (!chosen.isFile() || !set.split()) return chosen.isFile() ? chosen.size() : 0;
    qint64 total = 0;
    for (const QString& part : set.parts) total += QFileInfo(chosen.dir().filePath(part)).size();
    return total;
}

UnRarExtractor::Report UnRarExtractor::Extract(const QString& archivePath, const QString& destination,
                                               const Progress& progress) const
{
    Report result;
    PackEntryWriter out(destination, limits_, progress, result);
    const auto stop = [&](Status status, const QString& text) {
        out.stop(status, text);
        return result;
    };
    // A failure about one part of a split pack names it.
    PackVolumes::Set set;
    const auto stopAtPart = [&](Status status, const QString& text, int place, int count) {
        result.partNumber = place;
        result.partCount = count;
        result.partName = PackVolumes::partName(set, place);
        return stop(status, text);
    };

    auto first = std::make_unique<QFile>();
    QString why;
    if (const Status s = openPart(archivePath, *first, &why); s != Status::Ok) return stop(s, why);
    const RarScan chosenScan = RarScan::of(*first);
    const QFileInfo chosen(archivePath);

    // The parts, in order; a RAR file that is no volume is read alone whatever its name says.
    if (chosenScan.format == RarScan::Format::None || chosenScan.volume) set = PackVolumes::findOnDisk(archivePath);
    if (!set.split()) {
        set = PackVolumes::find(chosen.fileName(), {});
        set.scheme = PackVolumes::Scheme::Single;
        // The first volume of a RAR 4 set named the old way, its ".r00" not beside it.
        if (chosenScan.volume && chosen.suffix().compare(QLatin1String("rar"), Qt::CaseInsensitive) == 0) {
            set.scheme = PackVolumes::Scheme::RarOldStyle;
            set.stem = chosen.completeBaseName();
        }
    }
    if (set.scheme == PackVolumes::Scheme::ZipSpanned)
        return stop(Status::Unsupported, QStringLiteral("a ZIP pack spanned over .z01, .z02... files"));

    PackReaders::Parts parts;
    std::vector<RarScan> scans;
    for (const QString& name : set.parts) {
        const QString path = chosen.dir().filePath(name);
        std::unique_ptr<QFile> file;
        if (name == chosen.fileName()) {
            file = std::move(first);
        } else {
            file = std::make_unique<QFile>();
            if (const Status s = openPart(path, *file, &why); s != Status::Ok)
                return stopAtPart(s, why, set.numbers[qsizetype(parts.files.size())], set.last());
        }
        scans.push_back(name == chosen.fileName() ? chosenScan : RarScan::of(*file));
        parts.total += file->size();
        parts.files.push_back(std::move(file));
    }
    result.parts = int(parts.files.size());

    // A RAR set's volumes each say where they belong; the pieces of a pack cut
    // into numbered files say nothing.
    const bool rar = chosenScan.format != RarScan::Format::None && set.scheme != PackVolumes::Scheme::Numbered;
    const bool continues = rar && chosenScan.volume && scans.back().more;
    if (set.firstMissing)
        return stopAtPart(Status::PartMissing, QString(), set.firstMissing, continues ? 0 : set.last());
    // RAR 5 numbers its volumes from 0: a first volume found with a higher number is not the first.
    if (rar && chosenScan.format == RarScan::Format::Rar5 && chosenScan.volume && scans.front().number > 0 &&
        set.numbers.front() == 1)
        return stopAtPart(Status::PartMissing, QString(), 1, 0);
    if (continues) return stopAtPart(Status::PartMissing, QString(), set.last() + 1, 0);
    for (size_t i = 0; rar && i < scans.size(); ++i) {
        const RarScan& s = scans[i];
        const int place = set.numbers[qsizetype(i)];
        const int count = set.split() ? set.last() : 0;
        // Volumes that count themselves count on by one, as their names do.
        const bool outOfPlace =
            s.number >= 0 && scans[0].number >= 0 && s.number - scans[0].number != place - set.numbers[0];
        if (s.format != chosenScan.format || s.volume != chosenScan.volume || outOfPlace)
            return stopAtPart(Status::Damaged, QStringLiteral("it does not belong at this place in the set"), place,
                              count);
        if (!s.complete) {
            const QString text = QStringLiteral("the pack ends before its last entry");
            return set.split() ? stopAtPart(Status::Damaged, text, place, count) : stop(Status::Damaged, text);
        }
        if (s.encrypted) return stop(Status::Encrypted, QStringLiteral("the pack is protected by a password"));
    }

    if (!out.start()) return result;
    if (!PackReaders::readWithLibarchive(parts, out)) {
        // A solid RAR 4 pack: read again, from the start, by the reader that knows them.
        if (parts.files.size() > 1)
            return stop(Status::Unsupported, QStringLiteral("a solid RAR 4 pack split into parts"));
        out.restart();
        result.solidReader = true;
        PackReaders::readWithUnarr(chosen.absoluteFilePath(), chosenScan, parts.total, out);
    }
    if (result.ok() && result.files == 0)
        return stop(Status::Empty, result.skipped.isEmpty() ? QString() : QStringLiteral("every entry was left out"));
    return result;
}
