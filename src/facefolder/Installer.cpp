#include "facefolder/Installer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QStringList>
#include <algorithm>

#include "facefolder/FileNameCheck.h"
#include "facefolder/InstallUndo.h"
#include "facefolder/MapFile.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/FileSystemObject.h"
#include "platform/FileTransaction.h"

namespace Installer {

namespace {

using FileOps::shown;

QString destinationFolder(const Request& r)
{
    return !r.intoTeamFolder ? r.faceFolder : r.faceFolder + QLatin1Char('/') + r.teamFolder;
}

// The models an install puts in place: working file and target.
std::vector<std::pair<QString, QString>> placements(const Request& r)
{
    std::vector<std::pair<QString, QString>> result;
    if (r.isPackEntry()) {
        for (const auto& [source, target] :
             {std::pair{r.workingFace, r.faceTarget}, std::pair{r.workingHair, r.hairTarget}})
            if (!target.isEmpty()) result.emplace_back(source, r.faceFolder + QLatin1Char('/') + target);
        return result;
    }
    const QString folder = destinationFolder(r) + QLatin1Char('/');
    if (MapLine::hasFace(r.content)) result.emplace_back(r.workingFace, folder + MapLine::faceFileName(r.baseName));
    if (MapLine::hasHair(r.content)) result.emplace_back(r.workingHair, folder + MapLine::hairFileName(r.baseName));
    return result;
}

// Room kept free beyond the models: the lines, the journal, the folder entries.
constexpr qint64 kSpareBytes = 1 << 20;

FreeSpaceProbe& freeSpaceProbe()
{
    static FreeSpaceProbe probe;
    return probe;
}

qint64 freeBytes(const QString& folder)
{
    return freeSpaceProbe() ? freeSpaceProbe()(folder) : FileOps::freeBytes(folder);
}

// The folders of a pack entry's targets that are missing, outermost first.
QStringList missingFolders(const Request& r)
{
    QStringList missing;
    for (const QString& target : {r.faceTarget, r.hairTarget}) {
        const QStringList parts = target.split(QLatin1Char('/'));
        QString folder = r.faceFolder;
        for (qsizetype k = 0; k + 1 < parts.size(); ++k) {
            folder += QLatin1Char('/') + parts[k];
            if (!QFileInfo::exists(folder) && !FileOps::isLink(folder) && !missing.contains(folder)) missing << folder;
        }
    }
    return missing;
}

Result failed(const QString& why)
{
    return Result::failure(why + QStringLiteral("\nNothing was installed and map.txt was left as it was."));
}

Result checkMapFile(const QString& faceFolder)
{
    const QString mapPath = mapFilePath(faceFolder);
    const QFileInfo map(mapPath);
    if (FileOps::isLink(map))
        return Result::failure(QStringLiteral("Could not add the line to %1: it is a link, and nothing is written "
                                              "through links. Put the file itself there.")
                                   .arg(shown(mapPath)));
    if (map.exists() && !map.isFile()) {
        QFile probe;  // refused without being opened; says what is there
        return Result::failure(
            QStringLiteral("Could not add the line: %1.").arg(FileOps::openForReading(probe, mapPath).message));
    }
    if (map.exists() && FileSystemObject::isReadOnly(mapPath))
        return Result::failure(
            QStringLiteral("Could not add the line to %1: the file is read-only.").arg(shown(mapPath)));
    return Result::success();
}

// The checks of a request composed by the program: its folder, its names,
// its line, and the working files it copies.
Result checkComposed(const Request& r)
{
    if (r.intoTeamFolder) {
        if (const Result p = FileNameCheck::checkName(r.teamFolder); !p)
            return Result::failure(QStringLiteral("The team folder name is not valid: %1.").arg(p.message));
        const QString sub = destinationFolder(r);
        if (FileOps::isLink(sub))
            return Result::failure(
                QStringLiteral("The team folder %1 is a link, not a folder of the face folder; nothing is installed "
                               "through links.")
                    .arg(shown(sub)));
        if (!QFileInfo(sub).isDir())
            return Result::failure(QStringLiteral("The team folder does not exist: %1").arg(shown(sub)));
    }

    if (const Result p = FileNameCheck::checkBaseName(r.baseName); !p)
        return Result::failure(QStringLiteral("The file name is not valid: %1.").arg(p.message));
    for (const QString& name : {MapLine::faceFileName(r.baseName), MapLine::hairFileName(r.baseName)})
        if (const Result p = FileNameCheck::checkName(name); !p)
            return Result::failure(QStringLiteral("The file name is not valid: %1.").arg(p.message));

    if (r.line.trimmed().isEmpty())
        return Result::failure(QStringLiteral("The map line is empty: pick a player first."));
    for (QChar c : r.line)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return Result::failure(QStringLiteral("The map line holds a line break or another control character: %1")
                                       .arg(FileNameCheck::quoted(r.line)));

    // The line must name what is installed: a line left from another player
    // or option would point the add-on at files that are not there.
    const QString part = r.intoTeamFolder ? MapLine::folderNamePart(r.teamFolder, r.baseName) : r.baseName;
    const QString faceName = QLatin1Char('"') + MapLine::faceFileName(part) + QLatin1Char('"');
    const QString hairName = QLatin1Char('"') + MapLine::hairFileName(part) + QLatin1Char('"');
    if (r.line.contains(faceName) != MapLine::hasFace(r.content) ||
        r.line.contains(hairName) != MapLine::hasHair(r.content))
        return Result::failure(QStringLiteral("The map line does not name the files about to be installed (%1): %2\n"
                                              "Pick the player again to compose it anew.")
                                   .arg(MapLine::hasFace(r.content) && MapLine::hasHair(r.content)
                                            ? faceName + QStringLiteral(", ") + hairName
                                        : MapLine::hasFace(r.content) ? faceName
                                                                      : hairName,
                                        r.line));

    for (const QString& text : {r.line, r.baseName, r.teamFolder})
        if (const Result p = FileNameCheck::checkCodePage(text); !p)
            return Result::failure(p.message + QLatin1Char('.'));

    if (MapLine::hasFace(r.content) && !QFileInfo(r.workingFace).isFile())
        return Result::failure(
            QStringLiteral("No face model has been chosen: the working file %1 is missing.").arg(shown(r.workingFace)));
    if (MapLine::hasHair(r.content) && !QFileInfo(r.workingHair).isFile())
        return Result::failure(
            QStringLiteral("No hair model has been chosen: the working file %1 is missing.").arg(shown(r.workingHair)));
    return Result::success();
}

// The checks of a face pack's entry: its line is one entry that names
// exactly the files about to be installed, every name on the way is one
// Windows takes, and nothing but folders and replaceable files stands there.
Result checkPackEntry(const Request& r)
{
    if (r.lineBytes.contains('\r') || r.lineBytes.contains('\n') || r.lineBytes.contains('\0'))
        return Result::failure(QStringLiteral("The map line holds a line break or a NUL byte."));
    MapFile::Line line;
    MapFile::parseLine(r.lineBytes, line);
    if (!line.isEntry())
        return Result::failure(QStringLiteral("The pack's line is not understood (%1): %2")
                                   .arg(line.problem, CodePage::decode(r.lineBytes)));
    const auto sameName = [](const QString& inLine, const QString& target) {
        return inLine.isEmpty() ? target.isEmpty() : MapFile::placeKey(inLine) == MapFile::placeKey(target);
    };
    if (!sameName(line.face, r.faceTarget) || !sameName(line.hair, r.hairTarget))
        return Result::failure(QStringLiteral("The pack's line does not name the files about to be installed: %1")
                                   .arg(CodePage::decode(r.lineBytes)));
    for (const auto& [source, target] :
         {std::pair{r.workingFace, r.faceTarget}, std::pair{r.workingHair, r.hairTarget}}) {
        if (target.isEmpty()) continue;
        QString path = r.faceFolder;
        for (const QString& part : target.split(QLatin1Char('/'))) {
            if (const Result p = FileNameCheck::checkName(part); !p)
                return Result::failure(QStringLiteral("The file name is not valid: %1.").arg(p.message));
            if (const Result p = FileNameCheck::checkCodePage(part); !p)
                return Result::failure(p.message + QLatin1Char('.'));
            path += QLatin1Char('/') + part;
            if (path.size() == r.faceFolder.size() + target.size() + 1) break;  // the model itself, below
            const QFileInfo folder(path);
            if (FileOps::isLink(folder))
                return Result::failure(QStringLiteral("%1 is a link, not a folder of the face folder; nothing is "
                                                      "installed through links.")
                                           .arg(shown(path)));
            if (folder.exists() && !folder.isDir())
                return Result::failure(QStringLiteral("Could not install %1: a file stands where its folder %2 goes.")
                                           .arg(shown(r.faceFolder + QLatin1Char('/') + target), shown(path)));
        }
        if (!QFileInfo(source).isFile())
            return Result::failure(QStringLiteral("The pack's file %1 is missing.").arg(shown(source)));
    }
    return Result::success();
}

}  // namespace

QString mapFilePath(const QString& faceFolder) { return faceFolder + QStringLiteral("/map.txt"); }

Result check(const Request& r)
{
    const QFileInfo face(r.faceFolder);
    if (r.faceFolder.isEmpty() || !QDir::isAbsolutePath(r.faceFolder) || !face.isDir())
        return Result::failure(QStringLiteral("The face folder does not exist: %1").arg(shown(r.faceFolder)));

    if (const Result p = r.isPackEntry() ? checkPackEntry(r) : checkComposed(r); !p) return p;

    // Where a model goes, only a file that may be replaced can stand.
    for (const auto& [source, target] : placements(r)) {
        const QFileInfo t(target);
        if (t.isDir() && !FileOps::isLink(t))
            return Result::failure(
                QStringLiteral("Could not install %1: a folder of that name is in the way.").arg(shown(target)));
        if (t.exists() && !FileOps::isLink(t) && FileSystemObject::isReadOnly(target))
            return Result::failure(
                QStringLiteral("Could not install %1: the file there is read-only.").arg(shown(target)));
    }

    return checkMapFile(r.faceFolder);
}

void setFreeSpaceProbe(FreeSpaceProbe probe) { freeSpaceProbe() = std::move(probe); }

qint64 bytesToCopy(const std::vector<Request>& requests)
{
    qint64 bytes = 0;
    for (const Request& r : requests)
        for (const auto& placement : placements(r)) bytes += QFileInfo(placement.first).size();
    return bytes;
}

Result install(const Request& r, const Options& options) { return install(std::vector<Request>{r}, options); }

Result install(const std::vector<Request>& requests, const Options& options)
{
    if (requests.empty()) return Result::success();
    // The old models an earlier install replaced are still being removed
    // beside it; their space counts as free below.
    FileTransaction::waitForTidying();
    QHash<QString, QString> targets;  // folded as Windows compares names -> as written
    QHash<QString, qint64> needed;    // face folder -> bytes
    for (const Request& r : requests) {
        if (Result problem = check(r); !problem) return problem;
        for (const auto& [source, target] : placements(r)) {
            const QString key = QDir::cleanPath(target).toCaseFolded();
            if (targets.contains(key))
                return failed(QStringLiteral("Two models would be installed as the same file: %1 and %2.")
                                  .arg(shown(targets.value(key)), shown(target)));
            targets.insert(key, target);
        }
        needed[r.faceFolder] += bytesToCopy({r}) + std::max(r.line.size(), r.lineBytes.size()) + 2;
    }
    for (auto it = needed.cbegin(); it != needed.cend(); ++it) {
        const qint64 free = freeBytes(it.key());
        const QLocale words = QLocale::c();
        if (free >= 0 && free < it.value() + kSpareBytes)
            return failed(
                QStringLiteral("There is not enough free space for the install on the disk of %1: it "
                               "needs %2, and %3 are free.")
                    .arg(shown(it.key()),
                         words.formattedDataSize(it.value() + kSpareBytes, 1, QLocale::DataSizeTraditionalFormat),
                         words.formattedDataSize(free, 1, QLocale::DataSizeTraditionalFormat)));
    }

    const QString journalFolder = requests.front().journalFolder;
    FileTransaction transaction(journalFolder);
    transaction.setProgress(options.progress);
    for (const Request& r : requests) {
        for (const auto& [source, target] : placements(r)) transaction.place(source, target);
        transaction.appendLine(mapFilePath(r.faceFolder), r.isPackEntry() ? r.lineBytes : CodePage::encode(r.line));
    }
    // The record goes in with the models and the lines, so that a kill can
    // never part a whole install from its undo. An install that cannot be
    // recorded stands all the same; only its undo is lost.
    if (options.keepForUndo) InstallUndo::recordIn(transaction, journalFolder, requests.front().faceFolder);
    // A pack's entries bring their team folders: made just before, and taken
    // away again (when still empty) if the install does not happen. A kill
    // in between leaves an empty team folder at most, which holds nothing
    // the add-on reads.
    QStringList made;
    const auto unmake = [&made] {
        for (auto it = made.crbegin(); it != made.crend(); ++it) QDir().rmdir(*it);
    };
    for (const Request& r : requests) {
        for (const QString& folder : missingFolders(r)) {
            if (!QDir().mkdir(folder)) {
                unmake();
                return failed(QStringLiteral("The folder %1 could not be made.").arg(shown(folder)));
            }
            made << folder;
        }
    }
    if (Result done = transaction.commit(); !done) {
        if (!transaction.leftUnfinished()) unmake();
        return transaction.leftUnfinished() ? done : failed(done.message);
    }
    return Result::success();
}

}  // namespace Installer
