#include "facefolder/FaceFolderCheck.h"

#include <QDirIterator>
#include <QFileInfo>

#include "platform/CodePage.h"

namespace {

// The program's own scratch entries in the face folder are not the user's files.
bool isScratch(const QString& name) { return name.startsWith(QLatin1String(".ludex-")); }

}  // namespace

FolderListing FolderListing::list(const QString& faceFolder)
{
    FolderListing listing;
    listing.faceFolder_ = faceFolder;
    while (listing.faceFolder_.size() > 1 && listing.faceFolder_.endsWith(QLatin1Char('/')))
        listing.faceFolder_.chop(1);
    Folder& root = listing.folders_[QString()];
    listing.listFolder(QString(), root);
    // The team folders are listed at once: their models count for the check.
    QStringList teams;
    for (const QStringList& paths : std::as_const(root.subfolders)) teams += paths;
    for (const QString& team : std::as_const(teams)) listing.listFolder(team, listing.folders_[team]);
    return listing;
}

void FolderListing::listFolder(const QString& relative, Folder& f)
{
    f.listed = true;
    const QString path = relative.isEmpty() ? faceFolder_ : faceFolder_ + QLatin1Char('/') + relative;
    if (!QFileInfo(path).isDir()) return;
    // One read of the folder; the entries' kinds come with it.
    QDirIterator it(path, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        const QString name = info.fileName();
        if (isScratch(name)) continue;
        const QString rel = relative.isEmpty() ? name : relative + QLatin1Char('/') + name;
        const QString folded = MapFile::foldedName(name);
        const bool link = info.isSymLink();
        if (info.isDir()) {
            f.subfolders[folded].append(rel);
            Folder& sub = folders_[rel];
            sub.key = f.key.isEmpty() ? folded : f.key + QLatin1Char('/') + folded;
            sub.depth = f.depth + 1;
            sub.viaLink = f.viaLink || link;
        } else {
            f.files[folded].append(int(files_.size()));
            files_.push_back(
                {rel, f.key.isEmpty() ? folded : f.key + QLatin1Char('/') + folded, f.depth + 1, f.viaLink || link});
        }
    }
}

QList<int> FolderListing::find(const QStringList& place)
{
    if (place.isEmpty()) return {};
    std::vector<Folder*> current{&folders_[QString()]};
    for (qsizetype i = 0; i + 1 < place.size() && !current.empty(); ++i) {
        const QString folded = MapFile::foldedName(place[i]);
        std::vector<Folder*> next;
        for (Folder* f : current) {
            for (const QString& rel : f->subfolders.value(folded)) {
                Folder& sub = folders_[rel];
                if (!sub.listed) listFolder(rel, sub);
                next.push_back(&sub);
            }
        }
        current.swap(next);
    }
    QList<int> found;
    const QString folded = MapFile::foldedName(place.last());
    for (Folder* f : current) found += f->files.value(folded);
    return found;
}

namespace FaceFolderCheck {

bool isModelFile(const QString& name) { return name.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive); }

QStringList mentionedPlaces(const MapFile::Document& doc, const MapFile::Line& line)
{
    QStringList keys;
    const QByteArrayView raw = doc.raw(line);
    const QString text = CodePage::decode(raw.data(), raw.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != QLatin1Char('"') && text[i] != QLatin1Char(',')) continue;
        const QString piece = text.mid(start, i - start).trimmed();
        start = i + 1;
        if (!isModelFile(piece)) continue;
        if (const QStringList place = MapFile::place(piece); !place.isEmpty()) keys << MapFile::placeKey(place);
    }
    return keys;
}

Report check(const MapFile::Document& doc, FolderListing& listing)
{
    Report r;
    r.lines.resize(doc.lines.size());
    QHash<qint32, QList<int>> byId;
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        const MapFile::Line& line = doc.lines[i];
        LineState& st = r.lines[i];
        if (line.kind == MapFile::Kind::NotUnderstood) {
            st.flags |= NotUnderstood;
            for (const QString& key : mentionedPlaces(doc, line)) r.mentioned.insert(key);
            continue;
        }
        if (!line.isEntry()) continue;
        ++r.entries;
        byId[line.id].append(int(i));
        const auto look = [&](const QString& name, QList<int>& files, Flag missing) {
            if (name.isEmpty()) return;
            const QStringList place = MapFile::place(name);
            if (place.isEmpty()) {
                st.flags |= Outside;
                return;
            }
            r.named[MapFile::placeKey(place)].append(int(i));
            files = listing.find(place);
            if (files.isEmpty()) st.flags |= missing;
        };
        look(line.face, st.faceFiles, FaceMissing);
        look(line.hair, st.hairFiles, HairMissing);
    }
    for (const QList<int>& lines : std::as_const(byId)) {
        if (lines.size() < 2) continue;
        for (int i : lines) {
            LineState& st = r.lines[size_t(i)];
            st.flags |= Duplicate;
            st.firstOfId = lines.first();
            st.others = lines;
            st.others.removeOne(i);
        }
    }
    if (doc.lacksFinalLineEnd()) r.lines.back().flags |= NoFinalLineEnd;

    for (int i = 0; i < listing.fileCount(); ++i) {
        const FolderListing::File& f = listing.file(i);
        if (f.depth > 2 || f.viaLink || !isModelFile(f.relative)) continue;
        if (!r.named.contains(f.key) && !r.mentioned.contains(f.key)) r.orphans.push_back(i);
    }
    for (const LineState& st : r.lines)
        if (st.flags) ++r.problemLines;
    return r;
}

QString describe(const MapFile::Document& doc, const Report& report, int line)
{
    const LineState& st = report.lines[size_t(line)];
    const auto numbers = [](const QList<int>& lines) {
        QStringList n;
        for (int l : lines) n << QString::number(l + 1);
        return n.join(QStringLiteral(", "));
    };
    QStringList parts;
    if (st.flags & NotUnderstood) parts << QStringLiteral("not understood: ") + doc.lines[size_t(line)].problem;
    if (st.flags & FaceMissing) parts << QStringLiteral("face file missing");
    if (st.flags & HairMissing) parts << QStringLiteral("hair file missing");
    if (st.flags & Outside) parts << QStringLiteral("names a file outside the face folder");
    if (st.flags & Duplicate) {
        if (st.firstOfId == line)
            parts << QStringLiteral("this player is also on %1 %2; this line comes first")
                         .arg(st.others.size() > 1 ? QStringLiteral("lines") : QStringLiteral("line"),
                              numbers(st.others));
        else
            parts << QStringLiteral("line %1 comes first for this player").arg(st.firstOfId + 1);
    }
    if (st.flags & NoFinalLineEnd) parts << QStringLiteral("the file ends without a line end");
    return parts.isEmpty() ? QStringLiteral("OK") : parts.join(QStringLiteral("; "));
}

}  // namespace FaceFolderCheck
