#include "facefolder/MapRemoval.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>

#include "platform/FileOps.h"
#include "platform/FileSystemObject.h"

namespace MapRemoval {

namespace {

using FileOps::shown;

constexpr int kListedAtMost = 25;  // items of each list in the confirmation
const QString kJournalHeader = QStringLiteral("ludex-removal 1");

QString mapPath(const QString& face) { return face + QStringLiteral("/map.txt"); }
QString bakPath(const QString& face) { return face + QStringLiteral("/map.txt.bak"); }
QString trashName(int k) { return QStringLiteral("f%1").arg(k); }

QByteArray digest(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex(); }

// The bytes of a file into `out` (null when there is no file); false when it
// cannot be read or is larger than any map.
bool readAll(const QString& path, QByteArray& out)
{
    out.clear();
    QFile f(path);
    if (!f.exists()) return true;
    if (f.size() > MapFile::kMaxFileSize || !f.open(QIODevice::ReadOnly)) return false;
    out = f.readAll();
    return f.error() == QFileDevice::NoError;
}

// Moves a file to a free name; never replaces anything.
Result move(const QString& from, const QString& to)
{
    const QFileInfo target(to);
    if (target.exists() || target.isSymLink())
        return Result::failure(QStringLiteral("%1 is in the way").arg(shown(to)));
    bool otherDisk = false;
    Result r = FileOps::renameOver(from, to, &otherDisk);
    if (!r && otherDisk) r.message = QStringLiteral("it lies on another disk than the face folder");
    return r;
}

void appendList(QString& text, const QStringList& items)
{
    for (qsizetype i = 0; i < items.size() && i < kListedAtMost; ++i) text += QStringLiteral("    ") + items[i] + '\n';
    if (items.size() > kListedAtMost) text += QStringLiteral("    ... and %1 more\n").arg(items.size() - kListedAtMost);
}

struct Journal {
    QByteArray oldDigest, newDigest;
    bool rewrite = false;  // map.txt and map.txt.bak are replaced
    bool hadBak = false;   // a map.txt.bak was there before
    QStringList files;     // relative paths; file k lies in the private folder as trashName(k)
};

QByteArray journalText(const Journal& j)
{
    QByteArray t = kJournalHeader.toUtf8() + '\n';
    t += "old " + j.oldDigest + '\n';
    t += "new " + j.newDigest + '\n';
    t += QByteArray("bak ") + (!j.rewrite ? '-' : j.hadBak ? '1' : '0') + '\n';
    // Encoded, so that no name can break a line of the record.
    for (const QString& f : j.files) t += "file " + f.toUtf8().toPercentEncoding() + '\n';
    return t;
}

bool parseJournal(const QByteArray& text, Journal& j)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() < 5 || lines[0] != kJournalHeader.toUtf8() || !lines[1].startsWith("old ") ||
        !lines[2].startsWith("new ") || !lines[3].startsWith("bak "))
        return false;
    j.oldDigest = lines[1].mid(4);
    j.newDigest = lines[2].mid(4);
    j.rewrite = lines[3] != "bak -";
    j.hadBak = lines[3] == "bak 1";
    for (qsizetype i = 4; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) continue;
        if (!lines[i].startsWith("file ")) return false;
        const QString rel = QString::fromUtf8(QByteArray::fromPercentEncoding(lines[i].mid(5)));
        // The journal only ever names files inside the face folder.
        if (rel.isEmpty() || QDir::isAbsolutePath(rel) || rel.split(QLatin1Char('/')).contains(QStringLiteral("..")))
            return false;
        j.files << rel;
    }
    return true;
}

// Removes the private folder: the files parked in it and the journal. Never
// follows a link; anything the program did not put there stays.
bool dropFolder(const QString& folder, int files)
{
    QDir dir(folder);
    for (int k = 0; k < files; ++k) dir.remove(trashName(k));
    dir.remove(QStringLiteral("bak"));
    dir.remove(QStringLiteral("journal"));
    for (const QString& scratch : dir.entryList({QStringLiteral(".ludex-*.tmp")}, QDir::Files | QDir::Hidden))
        dir.remove(scratch);
    const bool gone = QDir().rmdir(folder);
    FileOps::syncFolder(QFileInfo(folder).absolutePath());
    return gone;
}

// Puts the parked files and the old map.txt.bak back; map.txt itself was
// not replaced when this runs.
Result takeBack(const QString& face, const QString& folder, const Journal& j)
{
    QStringList stuck;
    for (qsizetype k = 0; k < j.files.size(); ++k) {
        const QString parked = folder + QLatin1Char('/') + trashName(int(k));
        if (!QFileInfo::exists(parked)) continue;  // not moved yet
        if (const Result r = move(parked, face + QLatin1Char('/') + j.files[k]); !r)
            stuck << shown(face + QLatin1Char('/') + j.files[k]) + QStringLiteral(": ") + r.message;
    }
    const QString parkedBak = folder + QStringLiteral("/bak");
    if (j.hadBak) {
        if (QFileInfo::exists(parkedBak)) {
            if (const Result r = FileOps::renameOver(parkedBak, bakPath(face)); !r)
                stuck << shown(bakPath(face)) + QStringLiteral(": ") + r.message;
        }
    } else if (j.rewrite) {
        // A map.txt.bak holding the old map was written by this removal.
        QByteArray bak;
        if (readAll(bakPath(face), bak) && !bak.isNull() && digest(bak) == j.oldDigest) QFile::remove(bakPath(face));
    }
    if (!stuck.isEmpty())
        return Result::failure(QStringLiteral("These files could not be put back; they are kept in %1:\n%2")
                                   .arg(shown(folder), stuck.join('\n')));
    FileOps::syncFolder(face);
    dropFolder(folder, int(j.files.size()));
    return Result::success();
}

}  // namespace

QString journalFolder(const QString& faceFolder) { return faceFolder + QStringLiteral("/.ludex-removal"); }

Plan plan(const MapFile::Document& doc, FolderListing& listing, const FaceFolderCheck::Report& report,
          const std::vector<int>& lines, const std::vector<int>& orphanFiles)
{
    Plan p;
    p.faceFolder = listing.faceFolder();
    p.oldBytes = doc.bytes;
    std::vector<char> removed(doc.lines.size(), 0);
    for (int i : lines)
        if (i >= 0 && size_t(i) < doc.lines.size()) removed[size_t(i)] = 1;
    for (size_t i = 0; i < removed.size(); ++i)
        if (removed[i]) p.lines.push_back(int(i));

    // The files of the removed lines, in every letter case the disk holds.
    std::vector<int> candidates(orphanFiles.begin(), orphanFiles.end());
    QHash<QString, int> namedByRemoved;
    for (int l : p.lines) {
        const MapFile::Line& line = doc.lines[size_t(l)];
        p.lineTexts << QStringLiteral("line %1: %2").arg(l + 1).arg(doc.text(line, 120));
        if (!line.isEntry()) continue;
        for (const QString& name : {line.face, line.hair}) {
            const QString key = MapFile::placeKey(name);
            if (key.isEmpty()) continue;
            ++namedByRemoved[key];
            for (int f : listing.find(key)) candidates.push_back(f);
        }
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

    // What the remaining lines still need: the files they name, and those
    // that lines not understood mention (the add-on may read them anyway).
    const auto namedBy = [&](const QString& key) {
        if (report.named.value(key) <= namedByRemoved.value(key)) return -1;
        for (size_t i = 0; i < report.lines.size() && i < removed.size(); ++i)
            if (!removed[i] && (report.lines[i].faceKey == key || report.lines[i].hairKey == key)) return int(i);
        return -1;
    };
    std::map<QString, int> mentionedBy;
    for (size_t i = 0; i < doc.lines.size(); ++i)
        if (!removed[i] && doc.lines[i].kind == MapFile::Kind::NotUnderstood)
            for (const QString& key : FaceFolderCheck::mentionedPlaces(doc, doc.lines[i]))
                mentionedBy.emplace(key, int(i));

    for (int idx : candidates) {
        if (idx < 0 || idx >= listing.fileCount()) continue;
        const FolderListing::File& f = listing.file(idx);
        QString why;
        if (f.viaLink)
            why = QStringLiteral("a link, or in a linked folder");
        else if (f.depth > 2)
            why = QStringLiteral("not in the face folder or a team folder");
        else if (!FaceFolderCheck::isModelFile(f.relative))
            why = QStringLiteral("not a model file");
        else if (FileSystemObject::isReadOnly(listing.absolute(f)))
            why = QStringLiteral("read-only");
        else if (const int l = namedBy(f.key); l >= 0)
            why = QStringLiteral("line %1 still names it").arg(l + 1);
        else if (const auto m = mentionedBy.find(f.key); m != mentionedBy.end())
            why = QStringLiteral("line %1 mentions it").arg(m->second + 1);
        if (why.isEmpty())
            p.deleteFiles << f.relative;
        else
            p.keptFiles << shown(f.relative) + QStringLiteral(" (") + why + QLatin1Char(')');
    }
    if (!p.lines.empty())
        p.newBytes = doc.without(p.lines);
    else
        p.newBytes = p.oldBytes;
    return p;
}

QString Plan::confirmation() const
{
    QString text;
    if (!lines.empty()) {
        text += QStringLiteral("Remove %1 %2 from map.txt:\n")
                    .arg(lines.size())
                    .arg(lines.size() == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
        appendList(text, lineTexts);
    }
    if (!deleteFiles.isEmpty()) {
        QStringList shownFiles;
        for (const QString& f : deleteFiles) shownFiles << shown(f);
        text += QStringLiteral("%1 %2 %3 from the face folder:\n")
                    .arg(lines.empty() ? QStringLiteral("Delete") : QStringLiteral("and delete"))
                    .arg(deleteFiles.size())
                    .arg(deleteFiles.size() == 1 ? QStringLiteral("file") : QStringLiteral("files"));
        appendList(text, shownFiles);
    } else if (!lines.empty()) {
        text += QStringLiteral("No file is deleted.\n");
    }
    if (!keptFiles.isEmpty()) {
        text += QStringLiteral("These files stay:\n");
        appendList(text, keptFiles);
    }
    if (!lines.empty()) text += QStringLiteral("The present map.txt is kept as map.txt.bak.\n");
    return text + QStringLiteral("\nContinue?");
}

Result recover(const QString& faceFolder)
{
    const QString folder = journalFolder(faceFolder);
    const QFileInfo info(folder);
    if (!info.exists() && !info.isSymLink()) return Result::success();
    if (FileOps::isLink(info) || !info.isDir())
        return Result::failure(
            QStringLiteral("%1 is in the way of the program's own work folder; move it away.").arg(shown(folder)));
    QByteArray text;
    Journal j;
    if (!QFileInfo::exists(folder + QStringLiteral("/journal"))) {
        // Cut short before the journal was in place: nothing had moved yet.
        const QStringList left =
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : left)
            if (!name.startsWith(QLatin1String(".ludex-")))
                return Result::failure(QStringLiteral("%1 holds files the program did not put there; look at them "
                                                      "and move them away.")
                                           .arg(shown(folder)));
        dropFolder(folder, 0);
        return Result::success();
    }
    if (!readAll(folder + QStringLiteral("/journal"), text) || !parseJournal(text, j))
        return Result::failure(
            QStringLiteral("The record of an interrupted removal in %1 cannot be read; the files parked there "
                           "were left in place.")
                .arg(shown(folder)));
    QByteArray map;
    if (!readAll(mapPath(faceFolder), map))
        return Result::failure(
            QStringLiteral("%1 cannot be read to finish an interrupted removal.").arg(shown(mapPath(faceFolder))));
    // The new map in place is the removal's point of no return.
    if (j.newDigest != j.oldDigest && digest(map) == j.newDigest) {
        if (!dropFolder(folder, int(j.files.size())))
            return Result::failure(QStringLiteral("%1 cannot be removed; delete it by hand.").arg(shown(folder)));
        return Result::success();
    }
    return takeBack(faceFolder, folder, j);
}

Result apply(const Plan& plan, const FaultPoint& fault)
{
    if (plan.isEmpty()) return Result::success();
    const QString face = plan.faceFolder;
    const auto refused = [](const QString& why) {
        return Result::failure(why + QStringLiteral("\nNothing was removed."));
    };
    if (Result r = recover(face); !r) return refused(r.message);

    const QString map = mapPath(face);
    const QFileInfo mapInfo(map);
    const bool rewrite = plan.newBytes != plan.oldBytes;
    if (rewrite) {
        if (FileOps::isLink(mapInfo)) return refused(QStringLiteral("%1 is a link.").arg(shown(map)));
        if (FileSystemObject::isReadOnly(map)) return refused(QStringLiteral("%1 is read-only.").arg(shown(map)));
        const QFileInfo bak(bakPath(face));
        if (bak.isDir() || FileOps::isLink(bak))
            return refused(QStringLiteral("%1 is in the way.").arg(shown(bakPath(face))));
    }
    QByteArray current;
    if (!readAll(map, current) || current != plan.oldBytes)
        return refused(
            QStringLiteral("map.txt has changed since it was read. Read the face folder again and "
                           "choose once more."));
    for (const QString& rel : plan.deleteFiles) {
        const QFileInfo f(face + QLatin1Char('/') + rel);
        if (!f.isFile() || FileOps::isLink(f))
            return refused(QStringLiteral("%1 has changed since the face folder was read.").arg(shown(f.filePath())));
    }

    Journal j;
    j.oldDigest = digest(plan.oldBytes);
    j.newDigest = digest(plan.newBytes);
    j.rewrite = rewrite;
    j.hadBak = rewrite && QFileInfo::exists(bakPath(face));
    j.files = plan.deleteFiles;
    const QString folder = journalFolder(face);

    int step = 0;
    bool crashed = false;
    // Runs one step unless the fault point stops it; false when it failed.
    const auto run = [&](const std::function<Result()>& action, Result& outcome) {
        const Fault f = fault ? fault(step) : Fault::None;
        ++step;
        if (f == Fault::Crash) {
            crashed = true;
            outcome = Result::failure(QStringLiteral("The removal was interrupted."));
            return false;
        }
        outcome = f == Fault::Fail ? Result::failure(QStringLiteral("the system refused")) : action();
        return outcome.ok;
    };
    const auto failed = [&](const QString& what, const Result& outcome) {
        if (crashed) return outcome;
        const Result back = recover(face);
        QString text = what + QStringLiteral(": ") + outcome.message;
        text += back ? QStringLiteral("\nNothing was removed; map.txt and every file are as they were.")
                     : QStringLiteral("\n") + back.message;
        return Result::failure(text);
    };

    Result r;
    if (!run([&] { return QDir().mkdir(folder) ? Result::success() : Result::failure(shown(folder)); }, r))
        return failed(QStringLiteral("Could not make the program's work folder"), r);
    if (!run([&] { return FileOps::replaceFileContents(folder + QStringLiteral("/journal"), journalText(j)); }, r))
        return failed(QStringLiteral("Could not write the removal's record"), r);
    for (qsizetype k = 0; k < j.files.size(); ++k) {
        const QString from = face + QLatin1Char('/') + j.files[k];
        if (!run([&] { return move(from, folder + QLatin1Char('/') + trashName(int(k))); }, r))
            return failed(QStringLiteral("Could not take %1 away").arg(shown(from)), r);
    }
    if (rewrite) {
        if (j.hadBak && !run([&] { return move(bakPath(face), folder + QStringLiteral("/bak")); }, r))
            return failed(QStringLiteral("Could not set the older map.txt.bak aside"), r);
        if (!run([&] { return FileOps::replaceFileContents(bakPath(face), plan.oldBytes); }, r))
            return failed(QStringLiteral("Could not keep map.txt as map.txt.bak"), r);
        if (!run([&] { return FileOps::replaceFileContents(map, plan.newBytes); }, r))
            return failed(QStringLiteral("Could not write map.txt"), r);
    } else {
        FileOps::syncFolder(face);
    }
    // Done: the parked files go. A removal cut short here is finished by the
    // next recovery when it rewrote map.txt, and taken back when it did not.
    if (fault && fault(step) == Fault::Crash) return Result::failure(QStringLiteral("The removal was interrupted."));
    dropFolder(folder, int(j.files.size()));
    return Result::success();
}

}  // namespace MapRemoval
