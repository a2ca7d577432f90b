#include "facefolder/InstallUndo.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUuid>

#include "facefolder/Installer.h"
#include "facefolder/MapFile.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/FileSystemObject.h"
#include "platform/FileTransaction.h"

namespace InstallUndo {

namespace {

using FileOps::shown;

const QByteArray kHeader = "ludex-undo 1";
constexpr int kListedAtMost = 25;  // items of each list in the confirmation
constexpr qint64 kMaxRecordSize = 16 << 20;

QString cleaned(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

// Beside the transactions' journals, so that the undo's own journal never
// names a folder that is gone when it is recovered.
QString recordPath(const QString& programFolder) { return programFolder + QStringLiteral("/.ludex-undo-record"); }

// Names are encoded, so that no name can break a line of the record.
QByteArray encoded(const QString& text) { return text.toUtf8().toPercentEncoding(); }
QString decoded(const QByteArray& text) { return QString::fromUtf8(QByteArray::fromPercentEncoding(text)); }

// A file's size and hash; false when it is no regular file or cannot be read.
bool fingerprint(const QString& path, qint64& size, QByteArray& hash)
{
    if (FileOps::isLink(path)) return false;
    QFile f;
    if (!FileOps::openForReading(f, path)) return false;
    QCryptographicHash h(QCryptographicHash::Sha1);
    if (!h.addData(&f)) return false;
    size = f.size();
    hash = h.result().toHex();
    return true;
}

// True when the file is still the one recorded.
bool unchanged(const QString& path, qint64 size, const QByteArray& hash)
{
    qint64 nowSize = -1;
    QByteArray nowHash;
    return QFileInfo(path).size() == size && fingerprint(path, nowSize, nowHash) && nowSize == size && nowHash == hash;
}

QByteArray recordText(const Record& r)
{
    QByteArray t = kHeader + '\n';
    t += "face " + encoded(r.faceFolder) + '\n';
    t += "map " + QByteArray::number(r.mapOldSize) + ' ' + r.appended.toBase64() + '\n';
    for (const Record::File& f : r.files) {
        t += "file " + encoded(f.target) + ' ' + QByteArray::number(f.size) + ' ' + f.hash;
        if (f.replaced)
            t += f.kept.isEmpty()
                     ? QByteArray(" lost")
                     : " kept " + encoded(f.kept) + ' ' + QByteArray::number(f.keptSize) + ' ' + f.keptHash;
        t += '\n';
    }
    return t;
}

// True when `path` lies inside `face` and names no folder above it.
bool inside(const QString& face, const QString& path)
{
    if (!path.startsWith(face + QLatin1Char('/'))) return false;
    const QStringList parts = path.mid(face.size() + 1).split(QLatin1Char('/'));
    for (const QString& p : parts)
        if (p.isEmpty() || p == QLatin1String(".") || p == QLatin1String("..")) return false;
    return true;
}

bool parseRecord(const QByteArray& text, Record& r)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() < 3 || lines[0] != kHeader || !lines[1].startsWith("face ") || !lines[2].startsWith("map "))
        return false;
    r.faceFolder = decoded(lines[1].mid(5));
    const QList<QByteArray> map = lines[2].split(' ');
    bool ok = false;
    if (map.size() != 3 || r.faceFolder.isEmpty()) return false;
    r.mapOldSize = map[1].toLongLong(&ok);
    if (!ok || r.mapOldSize < -1) return false;
    r.appended = QByteArray::fromBase64(map[2]);
    for (qsizetype i = 3; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) continue;
        const QList<QByteArray> p = lines[i].split(' ');
        if (p.size() < 4 || p[0] != "file") return false;
        Record::File f;
        f.target = decoded(p[1]);
        f.size = p[2].toLongLong(&ok);
        f.hash = p[3];
        // A record names nothing outside its face folder, and kept files only in its own.
        if (!ok || !inside(r.faceFolder, f.target)) return false;
        if (p.size() == 5 && p[4] == "lost") {
            f.replaced = true;
        } else if (p.size() == 8 && p[4] == "kept") {
            f.replaced = true;
            f.kept = decoded(p[5]);
            f.keptSize = p[6].toLongLong(&ok);
            f.keptHash = p[7];
            if (!ok || f.kept.isEmpty() || f.kept.contains(QLatin1Char('/')) || f.kept.contains(QLatin1Char('\\')) ||
                f.kept.startsWith(QLatin1Char('.')))
                return false;
        } else if (p.size() != 4) {
            return false;
        }
        r.files.push_back(f);
    }
    return !r.appended.isEmpty();
}

// The files of the folder, without the scratch of transactions (which
// their recovery removes, and which a transaction at work still needs).
QStringList keptFiles(const QString& programFolder)
{
    QStringList names = QDir(folder(programFolder)).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeIf([](const QString& name) { return name.startsWith(FileTransaction::scratchPrefix()); });
    return names;
}

// Removes every file of the folder but those the record keeps, and the
// folder when nothing is left in it. A journal still waiting (for a face
// folder on a drive not plugged in, say) may name files in the folder, and
// waits for every folder it names: the folder stays for it.
void dropOthers(const QString& programFolder, const QSet<QString>& keep)
{
    QDir dir(folder(programFolder));
    for (const QString& name : keptFiles(programFolder))
        if (!keep.contains(name)) dir.remove(name);
    const QStringList journals =
        QDir(programFolder)
            .entryList({FileTransaction::journalPrefix() + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
    if (journals.isEmpty()) QDir().rmdir(folder(programFolder));
}

// Scratch beside the record that an earlier version wrote it through (a
// write beside and a rename) and left when it was killed: by name a UUID,
// by content a record.
void dropOldRecordScratch(const QString& programFolder)
{
    QDir dir(programFolder);
    for (const QString& name : dir.entryList({QStringLiteral(".ludex-*.tmp")}, QDir::Files | QDir::Hidden)) {
        const QString id = name.mid(7, name.size() - 11);
        if (id.size() != 36 || QUuid::fromString(id).isNull()) continue;
        QFile f;
        if (FileOps::openForReading(f, dir.filePath(name)) && f.read(kHeader.size() + 1) == kHeader + '\n')
            dir.remove(name);
    }
}

// The record of an install's transaction as it was planned; null when what
// it does cannot be recorded.
QByteArray composeRecord(const FileTransaction& t, const QString& face)
{
    Record r;
    r.faceFolder = face;
    const QString map = Installer::mapFilePath(face);
    if (t.appends().size() != 1 || cleaned(t.appends().front().file) != map) return QByteArray();
    r.mapOldSize = t.appends().front().oldSize;
    r.appended = t.appends().front().bytes;
    for (const FileTransaction::File& planned : t.files()) {
        if (planned.kind != FileTransaction::Kind::Place) continue;
        Record::File f;
        f.target = cleaned(planned.target);
        f.replaced = planned.existed;
        // The models are copies of their sources: the source's fingerprint is the model's.
        if (!inside(face, f.target) || planned.how != FileTransaction::How::Copy ||
            !fingerprint(planned.source, f.size, f.hash))
            return QByteArray();
        // The replaced file is still in place, under the name it will be kept as.
        if (!planned.kept.isEmpty() && fingerprint(planned.target, f.keptSize, f.keptHash))
            f.kept = QFileInfo(planned.kept).fileName();
        r.files.push_back(f);
    }
    return r.appended.isEmpty() ? QByteArray() : recordText(r);
}

void appendList(QString& text, const QStringList& items)
{
    for (qsizetype i = 0; i < items.size() && i < kListedAtMost; ++i) text += QStringLiteral("    ") + items[i] + '\n';
    if (items.size() > kListedAtMost) text += QStringLiteral("    ... and %1 more\n").arg(items.size() - kListedAtMost);
}

}  // namespace

QString folder(const QString& programFolder) { return programFolder + QStringLiteral("/.ludex-undo"); }

void discard(const QString& programFolder)
{
    QFile::remove(recordPath(programFolder));
    dropOthers(programFolder, {});
}

void tidy(const QString& programFolder)
{
    dropOldRecordScratch(programFolder);
    QFile file;
    Record r;
    if (FileOps::openForReading(file, recordPath(programFolder)) && file.size() <= kMaxRecordSize &&
        parseRecord(file.read(kMaxRecordSize), r)) {
        QSet<QString> kept;
        for (const Record::File& f : r.files) kept.insert(f.kept);
        dropOthers(programFolder, kept);
    } else if (QFileInfo::exists(folder(programFolder)) || QFileInfo::exists(recordPath(programFolder))) {
        discard(programFolder);
    }
}

void recordIn(FileTransaction& install, const QString& programFolder, const QString& faceFolder)
{
    install.keepReplaced(folder(programFolder));
    // What the install before kept goes with the install, and comes back
    // when the install is taken back.
    for (const QString& name : keptFiles(programFolder))
        install.remove(folder(programFolder) + QLatin1Char('/') + name);
    install.write(recordPath(programFolder),
                  [face = cleaned(faceFolder)](const FileTransaction& t) { return composeRecord(t, face); });
}

QString Plan::confirmation() const
{
    QStringList removed, restored;
    for (const Record::File& f : record.files)
        (f.replaced ? restored : removed) << shown(f.target.mid(record.faceFolder.size() + 1));
    QString text = QStringLiteral("Undo the last install into %1:\n\n").arg(shown(record.faceFolder));
    text += record.mapOldSize < 0 ? QStringLiteral("Remove map.txt, which the install made, with its %1 %2:\n")
                                  : QStringLiteral("Remove the last %1 %2 of map.txt:\n");
    text = text.arg(lines.size()).arg(lines.size() == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
    appendList(text, lines);
    if (!removed.isEmpty()) {
        text += QStringLiteral("Delete the %1 %2 it added:\n")
                    .arg(removed.size())
                    .arg(removed.size() == 1 ? QStringLiteral("file") : QStringLiteral("files"));
        appendList(text, removed);
    }
    if (!restored.isEmpty()) {
        text += QStringLiteral("Put back the %1 %2 it replaced:\n")
                    .arg(restored.size())
                    .arg(restored.size() == 1 ? QStringLiteral("file") : QStringLiteral("files"));
        appendList(text, restored);
    }
    return text + QStringLiteral("\nContinue?");
}

Plan prepare(const QString& programFolder, const QString& faceFolder)
{
    Plan p;
    const auto refuse = [&](const QString& why) {
        p.refusal = Result::failure(why);
        return p;
    };
    const QString path = recordPath(programFolder);
    if (!QFileInfo::exists(path)) return refuse(QStringLiteral("There is no install to undo."));
    QFile file;
    const bool read = FileOps::openForReading(file, path) && file.size() <= kMaxRecordSize;
    if (!read || !parseRecord(file.read(kMaxRecordSize), p.record))
        return refuse(QStringLiteral("The record of the last install cannot be read, so it cannot be undone."));
    const Record& r = p.record;
    if (r.faceFolder != cleaned(faceFolder))
        return refuse(QStringLiteral("The last install went into the face folder %1, not into the one chosen now. "
                                     "Choose that face folder again to undo it.")
                          .arg(shown(r.faceFolder)));
    if (!QFileInfo(r.faceFolder).isDir())
        return refuse(QStringLiteral("The face folder does not exist: %1").arg(shown(r.faceFolder)));

    const QString mapPath = Installer::mapFilePath(r.faceFolder);
    const QString changed = QStringLiteral("map.txt has changed since the install: ");
    if (FileOps::isLink(mapPath)) return refuse(changed + QStringLiteral("it is a link now."));
    if (!QFileInfo::exists(mapPath)) return refuse(changed + QStringLiteral("it is gone."));
    MapFile::Document doc;
    if (Result readMap = MapFile::read(mapPath, doc); !readMap) return refuse(readMap.message);
    p.mapBytes = doc.bytes;
    const qint64 start = qMax<qint64>(0, r.mapOldSize);
    const qint64 end = start + r.appended.size();
    if (p.mapBytes.size() < end || p.mapBytes.mid(start, r.appended.size()) != r.appended)
        return refuse(changed + QStringLiteral("its last lines are no longer the ones the install added. Use "
                                               "Face Folder > Installed... to remove entries instead."));
    if (p.mapBytes.size() > end)
        return refuse(changed + QStringLiteral("lines were added after the ones of the install. Only the last "
                                               "install can be undone; use Face Folder > Installed... to remove "
                                               "entries instead."));
    if (FileSystemObject::isReadOnly(mapPath))
        return refuse(QStringLiteral("%1 is read-only, so the install cannot be undone.").arg(shown(mapPath)));

    for (const Record::File& f : r.files) {
        const QFileInfo target(f.target);
        if (FileOps::isLink(target) || (!target.exists() && !target.isSymLink()))
            return refuse(QStringLiteral("%1, which the install put there, is gone, so the install cannot be undone.")
                              .arg(shown(f.target)));
        if (!unchanged(f.target, f.size, f.hash))
            return refuse(QStringLiteral("%1 has changed since the install, so the install cannot be undone.")
                              .arg(shown(f.target)));
        if (FileSystemObject::isReadOnly(f.target))
            return refuse(QStringLiteral("%1 is read-only, so the install cannot be undone.").arg(shown(f.target)));
        if (!f.replaced) continue;
        const QString cannot = QStringLiteral("The file that the install replaced at %1 cannot be put back: %2");
        if (f.kept.isEmpty()) return refuse(cannot.arg(shown(f.target), QStringLiteral("it could not be kept.")));
        if (!unchanged(folder(programFolder) + QLatin1Char('/') + f.kept, f.keptSize, f.keptHash))
            return refuse(cannot.arg(shown(f.target), QStringLiteral("its kept copy is gone or damaged.")));
    }
    for (const QByteArray& line : r.appended.split('\n')) {
        const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
        if (!text.isEmpty()) p.lines << CodePage::decode(text);
    }
    return p;
}

Result undo(const QString& programFolder, const Plan& plan)
{
    if (!plan.refusal) return plan.refusal;
    const Record& r = plan.record;
    const QString mapPath = Installer::mapFilePath(r.faceFolder);
    MapFile::Document now;
    if (!MapFile::read(mapPath, now) || now.bytes != plan.mapBytes)
        return Result::failure(QStringLiteral("map.txt has changed meanwhile. Nothing was undone."));

    FileTransaction t(programFolder);
    // The lines go first: at no moment does a line name a file already gone.
    if (r.mapOldSize < 0)
        t.remove(mapPath);
    else
        t.write(mapPath, plan.mapBytes.left(r.mapOldSize));
    for (auto f = r.files.rbegin(); f != r.files.rend(); ++f) {
        if (f->replaced)
            t.place(folder(programFolder) + QLatin1Char('/') + f->kept, f->target);
        else
            t.remove(f->target);
    }
    t.remove(recordPath(programFolder));
    for (const QString& name : keptFiles(programFolder)) t.remove(folder(programFolder) + QLatin1Char('/') + name);
    if (Result done = t.commit(); !done)
        return t.leftUnfinished() ? done : Result::failure(done.message + QStringLiteral("\nNothing was undone."));
    // The kept files' backups lie in the folder until they are tidied away.
    FileTransaction::waitForTidying();
    dropOthers(programFolder, {});
    return Result::success();
}

}  // namespace InstallUndo
