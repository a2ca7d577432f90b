#include "facefolder/MapRemoval.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <map>

#include "platform/FileOps.h"
#include "platform/FileSystemObject.h"
#include "platform/FileTransaction.h"

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

// The record of a removal made by an earlier version, which parked the files
// in the private folder and wrote map.txt beside itself; still honoured.
struct Journal {
    QByteArray oldDigest, newDigest;
    bool rewrite = false;  // map.txt and map.txt.bak are replaced
    bool hadBak = false;   // a map.txt.bak was there before
    QStringList files;     // relative paths; file k lies in the private folder as trashName(k)
};

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

namespace {

// A name of the scratch that an earlier version wrote map.txt and
// map.txt.bak through: a UUID with its dashes (the transactions' own have none).
bool isOldScratch(const QString& name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\.ludex-[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\.tmp$"));
    return pattern.match(name).hasMatch();
}

// Removes the scratch an earlier version left beside map.txt when it was
// killed: a copy of the old or the new map that a removal's record names by
// its hash, or any such file that has lain there for an hour (nothing
// writes under such a name for that long; a write of it at work is not met).
void dropOldMapScratch(const QString& face, const Journal* j)
{
    QDir dir(face);
    const QDateTime hourAgo = QDateTime::currentDateTimeUtc().addSecs(-3600);
    for (const QFileInfo& info : dir.entryInfoList({QStringLiteral(".ludex-*.tmp")}, QDir::Files | QDir::Hidden)) {
        if (!isOldScratch(info.fileName()) || FileOps::isLink(info)) continue;
        bool named = false;
        if (j) {
            QByteArray bytes;
            named = readAll(info.filePath(), bytes) && !bytes.isNull() &&
                    (digest(bytes) == j->oldDigest || digest(bytes) == j->newDigest);
        }
        if (named || info.lastModified().toUTC() < hourAgo) dir.remove(info.fileName());
    }
}

// Thrown by the step hook where a test asks for a kill: the transaction is
// left where it stands, journal and scratch and all, as a kill leaves it.
struct Interrupted {};

// The removal's transaction with `journals` as its journal folder; the
// fault point becomes the transaction's step hook while it runs.
Result commitRemoval(const Plan& plan, const QString& journals, const FaultPoint& fault)
{
    bool interrupted = false;
    const QString face = plan.faceFolder;
    FileTransaction t(journals);
    if (plan.newBytes != plan.oldBytes) {
        // The lines go before the files: at no moment does a line name a file already gone.
        t.write(bakPath(face), plan.oldBytes);
        t.write(mapPath(face), plan.newBytes);
    }
    for (const QString& rel : plan.deleteFiles) t.remove(face + QLatin1Char('/') + rel);
    if (fault)
        FileTransaction::setStepHook([&fault](int step) {
            const Fault f = fault(step - 1);
            if (f == Fault::Crash) throw Interrupted();
            return f != Fault::Fail;
        });
    Result r;
    try {
        r = t.commit();
    } catch (const Interrupted&) {
        interrupted = true;
        r = Result::failure(QStringLiteral("The removal was interrupted."));
    }
    if (fault) FileTransaction::setStepHook({});
    if (!r && !interrupted && !t.leftUnfinished())
        r.message += QStringLiteral("\nNothing was removed; map.txt and every file are as they were.");
    return r;
}

}  // namespace

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
        // Transactions journalled here: finished or taken back as any other.
        const FileTransaction::Recovery recovered = FileTransaction::recover(folder);
        if (!recovered.problems.isEmpty())
            return Result::failure(QStringLiteral("An interrupted removal could not be put right: %1")
                                       .arg(recovered.problems.join(QStringLiteral("; "))));
        const QStringList left =
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : left) {
            if (!name.startsWith(FileTransaction::scratchPrefix()))
                return Result::failure(QStringLiteral("%1 holds files the program did not put there; look at them "
                                                      "and move them away.")
                                           .arg(shown(folder)));
            // A removal still at work in another process of the program.
            if (name.startsWith(FileTransaction::journalPrefix())) return Result::success();
        }
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
    dropOldMapScratch(faceFolder, &j);
    // The new map in place is the removal's point of no return.
    if (j.newDigest != j.oldDigest && digest(map) == j.newDigest) {
        if (!dropFolder(folder, int(j.files.size())))
            return Result::failure(QStringLiteral("%1 cannot be removed; delete it by hand.").arg(shown(folder)));
        return Result::success();
    }
    return takeBack(faceFolder, folder, j);
}

namespace {

Result refused(const QString& why) { return Result::failure(why + QStringLiteral("\nNothing was removed.")); }

// Checks that the face folder is still as the plan read it, then commits.
Result checkAndCommit(const Plan& plan, const QString& journals, const FaultPoint& fault)
{
    const QString face = plan.faceFolder;

    const QString map = mapPath(face);
    const QFileInfo mapInfo(map);
    if (plan.newBytes != plan.oldBytes) {
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
    return commitRemoval(plan, journals, fault);
}

}  // namespace

void removeOldScratch(const QString& faceFolder) { dropOldMapScratch(faceFolder, nullptr); }

Result apply(const Plan& plan, const QString& programFolder, const FaultPoint& fault)
{
    if (plan.isEmpty()) return Result::success();
    if (Result r = recover(plan.faceFolder); !r) return refused(r.message);
    return checkAndCommit(plan, programFolder, fault);
}

Result apply(const Plan& plan, const FaultPoint& fault)
{
    if (plan.isEmpty()) return Result::success();
    // Without a program folder the journal stays with the face folder: a
    // folder of the program's own inside it, which recover() looks at.
    const QString folder = journalFolder(plan.faceFolder);
    if (Result r = recover(plan.faceFolder); !r) return refused(r.message);
    if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder))
        return refused(QStringLiteral("Could not make the program's work folder %1.").arg(shown(folder)));
    const Result r = checkAndCommit(plan, folder, fault);
    // An interrupted removal leaves its journal there for recover().
    FileTransaction::waitForTidying();
    if (QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        QDir().rmdir(folder);
    return r;
}

}  // namespace MapRemoval
