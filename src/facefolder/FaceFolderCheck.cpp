#include "facefolder/FaceFolderCheck.h"

#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>

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
    listing.folders_.emplace_back();
    listing.listFolder(listing.folders_.front());
    // The team folders are listed at once: their models count for the check.
    const size_t teams = listing.folders_.size();
    for (size_t i = 1; i < teams; ++i) listing.listFolder(listing.folders_[i]);
    return listing;
}

void FolderListing::listFolder(Folder& f)
{
    f.listed = true;
    const QString path = f.relative.isEmpty() ? faceFolder_ : faceFolder_ + QLatin1Char('/') + f.relative;
    if (faceFolder_.isEmpty() || !QFileInfo(path).isDir()) return;
    const QString relPrefix = f.relative.isEmpty() ? QString() : f.relative + QLatin1Char('/');
    const QString keyPrefix = f.key.isEmpty() ? QString() : f.key + QLatin1Char('/');
    // One read of the folder; the entries' kinds come with it.
    QDirIterator it(path, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        const QString name = info.fileName();
        if (isScratch(name)) continue;
        const QString folded = MapFile::foldedName(name);
        const bool viaLink = f.viaLink || info.isSymLink();
        if (info.isDir()) {
            Folder& sub = folders_.emplace_back();
            sub.relative = relPrefix + name;
            sub.key = keyPrefix + folded;
            sub.depth = f.depth + 1;
            sub.viaLink = viaLink;
            Folder*& first = f.subfolders[folded];
            sub.sameName = first;
            first = &sub;
        } else {
            QString key = keyPrefix.isEmpty() ? folded : keyPrefix + folded;
            const int previous = byKey_.value(key, -1);
            byKey_.insert(key, int(files_.size()));
            files_.push_back({relPrefix + name, std::move(key), f.depth + 1, viaLink, previous});
        }
    }
}

void FolderListing::listFoldersOf(const QString& key)
{
    // The face folder and the team folders are listed already.
    if (key.count(QLatin1Char('/')) < 2 || folders_.empty()) return;
    const QList<QStringView> parts = QStringView(key).split(u'/');
    std::vector<Folder*> current{&folders_.front()};
    for (qsizetype i = 0; i + 1 < parts.size() && !current.empty(); ++i) {
        std::vector<Folder*> next;
        for (Folder* f : current) {
            for (Folder* sub = f->subfolders.value(parts[i].toString()); sub; sub = sub->sameName) {
                if (!sub->listed) listFolder(*sub);
                next.push_back(sub);
            }
        }
        current.swap(next);
    }
}

int FolderListing::findFirst(const QString& key)
{
    if (key.isEmpty()) return -1;
    listFoldersOf(key);
    return byKey_.value(key, -1);
}

QList<int> FolderListing::find(const QString& key)
{
    QList<int> found;
    for (int i = findFirst(key); i >= 0; i = files_[size_t(i)].sameKey) found.append(i);
    return found;
}

namespace FaceFolderCheck {

bool isModelFile(const QString& name) { return name.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive); }

namespace {
// The same for a folded key, without a comparison that ignores case.
bool isModelKey(const QString& key) { return key.endsWith(QLatin1String(".bin")); }
}  // namespace

QStringList mentionedPlaces(const MapFile::Document& doc, const MapFile::Line& line)
{
    QStringList keys;
    const QByteArrayView raw = doc.raw(line);
    // Most such lines name no model at all: a look at the bytes settles that.
    bool hasBin = false;
    for (qsizetype i = raw.indexOf('.'); i >= 0 && i + 3 < raw.size() && !hasBin; i = raw.indexOf('.', i + 1))
        hasBin = (raw[i + 1] | 0x20) == 'b' && (raw[i + 2] | 0x20) == 'i' && (raw[i + 3] | 0x20) == 'n';
    if (!hasBin) return keys;
    const QString text = CodePage::decode(raw.data(), raw.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != QLatin1Char('"') && text[i] != QLatin1Char(',')) continue;
        const QString piece = text.mid(start, i - start).trimmed();
        start = i + 1;
        if (!isModelFile(piece)) continue;
        if (const QString key = MapFile::placeKey(piece); !key.isEmpty()) keys << key;
    }
    return keys;
}

Report check(const MapFile::Document& doc, FolderListing& listing)
{
    Report r;
    r.lines.resize(doc.lines.size());
    r.named.reserve(qsizetype(doc.lines.size()) * 2);
    std::vector<std::pair<qint32, int>> byId;  // identifier, line
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
        byId.emplace_back(line.id, int(i));
        const auto look = [&](const QString& name, QString& key, int& file, Flag missing) {
            if (name.isEmpty()) return;
            key = MapFile::placeKey(name);
            if (key.isEmpty()) {
                st.flags |= Outside;
                return;
            }
            ++r.named[key];
            file = listing.findFirst(key);
            if (file < 0) st.flags |= missing;
        };
        look(line.face, st.faceKey, st.faceFile, FaceMissing);
        look(line.hair, st.hairKey, st.hairFile, HairMissing);
    }
    // Lines of one identifier end up next to each other, in file order.
    std::sort(byId.begin(), byId.end());
    for (size_t a = 0, b = 0; a < byId.size(); a = b) {
        for (b = a + 1; b < byId.size() && byId[b].first == byId[a].first;) ++b;
        if (b - a < 2) continue;
        QList<int> lines;
        for (size_t k = a; k < b; ++k) lines.append(byId[k].second);
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
        if (f.depth > 2 || f.viaLink || !isModelKey(f.key)) continue;
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
