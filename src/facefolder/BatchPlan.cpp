#include "facefolder/BatchPlan.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <limits>

#include "facefolder/FaceFolderCheck.h"
#include "facefolder/FileNameCheck.h"
#include "facefolder/MapLine.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"

namespace BatchPlan {

namespace {

using MapLine::Content;

const QString kSeparators = QStringLiteral(" _.-()[]");

QString trimmedOfSeparators(const QString& text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && (kSeparators.contains(text[from]) || text[from].isSpace())) ++from;
    while (to > from && (kSeparators.contains(text[to - 1]) || text[to - 1].isSpace())) --to;
    return text.mid(from, to - from);
}

// A name as the matching compares it: letter case, underscores and runs of
// spaces do not count.
QString folded(const QString& name)
{
    return QString(name).replace(QLatin1Char('_'), QLatin1Char(' ')).simplified().toCaseFolded();
}

QString cleaned(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

struct Found {
    QString path;
    Part part = Part::Face;
    QString key;
    QString folder;      // where the entry lies
    QString teamFolder;  // the folder whose name is the team's
};

// The players by identifier and by folded name (-1: two players have it).
struct Players {
    explicit Players(const std::vector<Player>& list)
    {
        for (int i = 0; i < int(list.size()); ++i) {
            if (!byId.contains(list[size_t(i)].id)) byId.insert(list[size_t(i)].id, i);  // the first one wins
            const QString name = folded(list[size_t(i)].name);
            if (name.isEmpty()) continue;
            const auto it = byName.constFind(name);
            byName.insert(name, it == byName.cend() ? i : -1);
        }
    }

    // The player a key names; -1 when none, and the reason in `why`.
    int match(const QString& key, QString& why) const
    {
        static const QRegularExpression leadingId(QStringLiteral(R"(^(\d{1,10})(?:$|[\s_.\-]))"));
        if (const auto m = leadingId.match(key); m.hasMatch()) {
            const qint64 id = m.captured(1).toLongLong();
            if (id <= std::numeric_limits<qint32>::max() && byId.contains(qint32(id))) return byId.value(qint32(id));
            if (m.capturedLength(0) == key.size()) {
                why = QStringLiteral("no player has the identifier %1").arg(key);
                return -1;
            }
        }
        const int index = byName.value(folded(key), -2);
        if (index >= 0) return index;
        why = index == -1 ? QStringLiteral("several players are named \"%1\"; name the file by the identifier").arg(key)
              : key.isEmpty() ? QStringLiteral("the file name names no player")
                              : QStringLiteral("no player is named \"%1\"").arg(key);
        return -1;
    }

    QHash<qint32, int> byId;
    QHash<QString, int> byName;
};

// The targets of a row's request, as Windows compares them.
QStringList targetKeys(const Installer::Request& r)
{
    if (r.isPackEntry()) {
        QStringList keys;
        for (const QString& target : {r.faceTarget, r.hairTarget})
            if (!target.isEmpty()) keys << target.toCaseFolded();
        return keys;
    }
    const QString folder = r.intoTeamFolder ? r.teamFolder + QLatin1Char('/') : QString();
    QStringList keys;
    if (MapLine::hasFace(r.content)) keys << (folder + MapLine::faceFileName(r.baseName)).toCaseFolded();
    if (MapLine::hasHair(r.content)) keys << (folder + MapLine::hairFileName(r.baseName)).toCaseFolded();
    return keys;
}

void buildRequest(Row& row, const Player& p, const Settings& s)
{
    Installer::Request& r = row.request;
    const QString base = p.name.isEmpty() ? QString::number(p.id) : p.name;
    r.faceFolder = s.faceFolder;
    r.intoTeamFolder = !row.teamFolder.isEmpty();
    r.teamFolder = row.teamFolder;
    r.baseName = base;
    r.content = row.faceEntry.isEmpty()   ? Content::OnlyHair
                : row.hairEntry.isEmpty() ? Content::OnlyFace
                                          : Content::FaceAndHair;
    r.line = MapLine::compose(QString::number(p.id),
                              r.intoTeamFolder ? MapLine::folderNamePart(r.teamFolder, base) : base, r.content);
    r.journalFolder = s.journalFolder;
    if (r.intoTeamFolder && FileNameCheck::isValidName(r.teamFolder) &&
        !QFileInfo(s.faceFolder + QLatin1Char('/') + r.teamFolder).isDir()) {
        row.blocked = true;
        row.problems << QStringLiteral(
                            "the face folder has no team folder \"%1\": add it on the tab \"Folder "
                            "Setting\", or install without the pack's team folders")
                            .arg(r.teamFolder);
    } else if (const Result checked = Installer::check(r); !checked) {
        row.blocked = true;
        row.problems << checked.message;
    }
}

bool isMapFile(const QString& name) { return name.compare(QLatin1String("map.txt"), Qt::CaseInsensitive) == 0; }

// Where the names of a pack's lines land in the face folder: each folder
// and file in the letter case the face folder has it in already, where it
// has it (Windows would take that one), else as the line writes it.
class FaceFolderNames {
public:
    explicit FaceFolderNames(const QString& faceFolder) : root_(faceFolder) {}

    QString resolve(const QString& nameInLine)
    {
        QString relative, absolute = root_;
        for (const QString& part : MapFile::placeParts(nameInLine)) {
            const QString actual = namesIn(absolute).value(MapFile::foldedName(part), part);
            relative += (relative.isEmpty() ? QString() : QStringLiteral("/")) + actual;
            absolute += QLatin1Char('/') + actual;
        }
        return relative;
    }

private:
    const QHash<QString, QString>& namesIn(const QString& folder)
    {
        if (const auto it = cache_.constFind(folder); it != cache_.cend()) return *it;
        QHash<QString, QString> names;
        QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        while (it.hasNext()) {
            const QString name = it.nextFileInfo().fileName();
            const QString folded = MapFile::foldedName(name);
            if (!names.contains(folded)) names.insert(folded, name);
        }
        return *cache_.insert(folder, names);
    }

    QString root_;
    QHash<QString, QHash<QString, QString>> cache_;
};

// The rows of one face pack's map.txt; the files they take are put in `taken`.
void addPackRows(const QString& mapPath, const Settings& s, const QHash<qint32, QString>& names, const QString& archive,
                 FaceFolderNames& faceNames, Plan& result, QSet<QString>& taken)
{
    const QString root = QFileInfo(mapPath).path();
    const auto shownPath = [&](const QString& path) {
        return QDir::toNativeSeparators(QDir(archive).relativeFilePath(path));
    };
    MapFile::Document doc;
    if (const Result read = MapFile::read(mapPath, doc); !read) {
        Row row;
        row.packMap = mapPath;
        row.faceEntry = shownPath(mapPath);
        row.blocked = true;
        row.problems << read.message;
        result.rows.push_back(row);
        return;
    }
    FolderListing listing = FolderListing::list(root);
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        const MapFile::Line& line = doc.lines[i];
        if (line.kind == MapFile::Kind::Blank) continue;
        Row row;
        row.packMap = mapPath;
        if (!line.isEntry()) {
            row.faceEntry = shownPath(mapPath);
            row.blocked = true;
            row.problems
                << QStringLiteral("line %1 of the pack's map.txt is not understood: %2").arg(i + 1).arg(line.problem);
            result.rows.push_back(row);
            continue;
        }
        row.matched = true;
        row.id = line.id;
        row.player = names.value(line.id);
        Installer::Request& r = row.request;
        r.faceFolder = s.faceFolder;
        r.journalFolder = s.journalFolder;
        r.lineBytes = doc.raw(line).toByteArray();
        r.line = CodePage::decode(r.lineBytes);
        r.content = line.content();
        struct Model {
            const QString& name;
            QString& entry;
            QString& working;
            QString& target;
        };
        for (const Model& m : {Model{line.face, row.faceEntry, r.workingFace, r.faceTarget},
                               Model{line.hair, row.hairEntry, r.workingHair, r.hairTarget}}) {
            if (m.name.isEmpty()) continue;
            const QString key = MapFile::placeKey(m.name);
            if (key.isEmpty()) {
                row.problems << QStringLiteral("the line names %1, which would leave the pack's folder")
                                    .arg(FileNameCheck::quoted(m.name));
                continue;
            }
            const int file = listing.findFirst(key);
            if (file < 0) {
                row.problems << QStringLiteral("the pack has no file %1").arg(FileNameCheck::quoted(m.name));
                continue;
            }
            const FolderListing::File& f = listing.file(file);
            m.working = cleaned(listing.absolute(f));
            m.entry = shownPath(m.working);
            taken.insert(m.working);
            if (f.viaLink) {
                row.problems << QStringLiteral("%1 is a link; links are not followed").arg(m.entry);
                continue;
            }
            m.target = faceNames.resolve(m.name);
        }
        const QString target = r.faceTarget.isEmpty() ? r.hairTarget : r.faceTarget;
        row.teamFolder = target.contains(QLatin1Char('/')) ? target.section(QLatin1Char('/'), 0, -2) : QString();
        if (row.problems.isEmpty())
            if (const Result checked = Installer::check(r); !checked) row.problems << checked.message;
        row.blocked = !row.problems.isEmpty();
        result.rows.push_back(row);
    }
}

}  // namespace

bool classify(const QString& fileName, Part& part, QString& key)
{
    if (!fileName.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive)) return false;
    const QString stem = fileName.chopped(4);
    // The last whole word "face" or "hair", between separators or at an end.
    static const QRegularExpression word(QStringLiteral(R"((?<![^\s_.\-()\[\]])(face|hair)(?![^\s_.\-()\[\]]))"),
                                         QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch last;
    for (auto it = word.globalMatch(stem); it.hasNext();) last = it.next();
    if (!last.hasMatch()) return false;
    part = last.captured(1).compare(QLatin1String("face"), Qt::CaseInsensitive) == 0 ? Part::Face : Part::Hair;
    key = trimmedOfSeparators(stem.left(last.capturedStart(1)) + QLatin1Char(' ') + stem.mid(last.capturedEnd(1)));
    return true;
}

Plan plan(const Settings& s, const std::vector<Player>& players, const MapFile::Document& map)
{
    Plan result;
    if (s.folder.isEmpty() || !QFileInfo(s.folder).isDir()) {
        result.status =
            Result::failure(QStringLiteral("The archive folder does not exist: %1. Unpack a face pack first.")
                                .arg(FileOps::shown(s.folder)));
        return result;
    }
    const QString archive = cleaned(s.archiveFolder);
    const auto insideArchive = [&](const QString& folder) { return folder.startsWith(archive + QLatin1Char('/')); };

    std::vector<Found> found;
    QStringList packMaps;
    QDirIterator it(s.folder, QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (isMapFile(info.fileName())) {
            packMaps << cleaned(info.filePath());
            continue;
        }
        Found f;
        if (!classify(info.fileName(), f.part, f.key)) {
            ++result.ignored;
            continue;
        }
        f.path = cleaned(info.filePath());
        f.folder = QFileInfo(f.path).path();
        f.teamFolder = f.folder;
        // "Player Name/Face.bin": the folder names the player, the one above it the team.
        if (f.key.isEmpty() && insideArchive(f.folder)) {
            f.key = trimmedOfSeparators(QFileInfo(f.folder).fileName());
            f.teamFolder = QFileInfo(f.folder).path();
        }
        found.push_back(std::move(f));
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.path < b.path; });

    // Face packs that say themselves what goes where come first.
    packMaps.sort();
    QSet<QString> taken;
    if (!packMaps.isEmpty()) {
        QHash<qint32, QString> names;
        for (const Player& p : players)
            if (!names.contains(p.id)) names.insert(p.id, p.name);
        FaceFolderNames faceNames(s.faceFolder);
        for (const QString& packMap : packMaps) addPackRows(packMap, s, names, archive, faceNames, result, taken);
        std::erase_if(found, [&](const Found& f) { return taken.contains(f.path); });
    }

    const Players known(players);
    QHash<QString, QList<int>> groups;  // player (or key) and folder -> its rows
    std::vector<int> playerOf(result.rows.size(), -1);
    for (const Found& f : found) {
        QString why;
        const int p = known.match(f.key, why);
        const QString group =
            (p >= 0 ? QString::number(p) : QLatin1Char('?') + folded(f.key)) + QLatin1Char('\n') + f.folder;
        // The first row of the group with this part still free, or a new one.
        int rowIndex = -1;
        for (int r : groups.value(group)) {
            const Row& row = result.rows[size_t(r)];
            if ((f.part == Part::Face ? row.faceEntry : row.hairEntry).isEmpty()) {
                rowIndex = r;
                break;
            }
        }
        if (rowIndex < 0) {
            rowIndex = int(result.rows.size());
            groups[group] << rowIndex;
            Row row;
            row.matched = p >= 0;
            if (p >= 0) {
                row.id = players[size_t(p)].id;
                row.player = players[size_t(p)].name;
            } else {
                row.blocked = true;
                row.problems << why;
            }
            if (p >= 0 && s.keepTeamFolders && insideArchive(f.teamFolder))
                row.teamFolder = QFileInfo(f.teamFolder).fileName();
            result.rows.push_back(row);
            playerOf.push_back(p);
        }
        Row& row = result.rows[size_t(rowIndex)];
        const QString shown = QDir::toNativeSeparators(QDir(archive).relativeFilePath(f.path));
        (f.part == Part::Face ? row.faceEntry : row.hairEntry) = shown;
        (f.part == Part::Face ? row.request.workingFace : row.request.workingHair) = f.path;
    }

    QHash<qint32, QList<int>> mapLines;
    for (size_t i = 0; i < map.lines.size(); ++i)
        if (map.lines[i].isEntry()) mapLines[map.lines[i].id] << int(i) + 1;
    QHash<QString, int> targetRow;
    QHash<qint32, int> playerRow;
    for (size_t i = 0; i < result.rows.size(); ++i) {
        Row& row = result.rows[i];
        if (!row.matched) continue;
        if (row.packMap.isEmpty()) buildRequest(row, players[size_t(playerOf[i])], s);
        if (row.blocked) continue;
        if (const QList<int> lines = mapLines.value(row.id); !lines.isEmpty()) {
            QStringList numbers;
            for (int l : lines) numbers << QString::number(l);
            row.problems << QStringLiteral("the player has %1 in map.txt already (%2 %3)")
                                .arg(lines.size() == 1 ? QStringLiteral("a line")
                                                       : QString::number(lines.size()) + QStringLiteral(" lines"),
                                     lines.size() == 1 ? QStringLiteral("line") : QStringLiteral("lines"),
                                     numbers.join(QStringLiteral(", ")));
        }
        for (const QString& key : targetKeys(row.request)) {
            if (const auto t = targetRow.constFind(key); t != targetRow.cend())
                row.problems << QStringLiteral("row %1 installs the same file").arg(*t + 1);
            else
                targetRow.insert(key, int(i));
        }
        if (const auto p = playerRow.constFind(row.id); p != playerRow.cend())
            row.problems << QStringLiteral("row %1 is for this player too").arg(*p + 1);
        else
            playerRow.insert(row.id, int(i));
        row.problems.removeDuplicates();
        row.ticked = row.problems.isEmpty();
    }
    return result;
}

void tickConflicting(Plan& plan)
{
    QSet<QString> targets;
    QSet<qint32> ids;
    for (Row& row : plan.rows) {
        if (!row.matched || row.blocked) continue;
        const QStringList keys = targetKeys(row.request);
        bool clash = ids.contains(row.id);
        for (const QString& key : keys) clash = clash || targets.contains(key);
        row.ticked = !clash;
        if (clash) continue;
        ids.insert(row.id);
        for (const QString& key : keys) targets.insert(key);
    }
}

std::vector<Installer::Request> tickedRequests(const Plan& plan)
{
    std::vector<Installer::Request> requests;
    for (const Row& row : plan.rows)
        if (row.ticked && row.matched && !row.blocked) requests.push_back(row.request);
    return requests;
}

}  // namespace BatchPlan
