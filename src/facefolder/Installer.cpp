#include "facefolder/Installer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <vector>

#include "facefolder/FileNameCheck.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/FileSystemObject.h"

namespace Installer {

namespace {

using FileOps::shown;

QString destinationFolder(const Request& r)
{
    return !r.intoTeamFolder ? r.faceFolder : r.faceFolder + QLatin1Char('/') + r.teamFolder;
}

QString scratchName(const QString& folder, const QString& kind)
{
    return folder + QStringLiteral("/.ludex-") + QUuid::createUuid().toString(QUuid::WithoutBraces) + QLatin1Char('.') +
           kind;
}

struct Placement {
    QString source;
    QString target;
    QString temp;    // the copy before it is moved into place
    QString backup;  // the file it replaced, kept until the whole install succeeded
    bool placed = false;
};

// Puts back what this run changed, newest first.
void rollBack(std::vector<Placement>& steps)
{
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (it->placed) QFile::remove(it->target);
        if (!it->backup.isEmpty()) QFile::rename(it->backup, it->target);
        if (!it->temp.isEmpty()) QFile::remove(it->temp);
    }
}

Result failed(const QString& why)
{
    return Result::failure(why + QStringLiteral("\nNothing was installed and map.txt was left as it was."));
}

}  // namespace

QString mapFilePath(const QString& faceFolder) { return faceFolder + QStringLiteral("/map.txt"); }

Result check(const Request& r)
{
    const QFileInfo face(r.faceFolder);
    if (r.faceFolder.isEmpty() || !QDir::isAbsolutePath(r.faceFolder) || !face.isDir())
        return Result::failure(QStringLiteral("The face folder does not exist: %1").arg(shown(r.faceFolder)));

    if (r.intoTeamFolder) {
        if (const Result p = FileNameCheck::checkName(r.teamFolder); !p)
            return Result::failure(QStringLiteral("The team folder name is not valid: %1.").arg(p.message));
        const QString sub = destinationFolder(r);
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

    const QFileInfo map(mapFilePath(r.faceFolder));
    if (map.exists() && !map.isFile())
        return Result::failure(QStringLiteral("map.txt is not a file: %1").arg(shown(map.filePath())));
    return Result::success();
}

Result install(const Request& r)
{
    if (Result problem = check(r); !problem) return problem;

    const QString folder = destinationFolder(r);
    std::vector<Placement> steps;
    if (MapLine::hasFace(r.content))
        steps.push_back({r.workingFace, folder + QLatin1Char('/') + MapLine::faceFileName(r.baseName), {}, {}, false});
    if (MapLine::hasHair(r.content))
        steps.push_back({r.workingHair, folder + QLatin1Char('/') + MapLine::hairFileName(r.baseName), {}, {}, false});

    // 1. Copy each model in under a temporary name: a failing copy (full disk)
    //    leaves no half-written model under its real name.
    for (auto& s : steps) {
        s.temp = scratchName(folder, QStringLiteral("tmp"));
        if (!QFile::copy(s.source, s.temp)) {
            QFile::remove(s.temp);  // a partial copy
            s.temp.clear();
            rollBack(steps);
            return failed(QStringLiteral("Could not copy %1 into %2.").arg(shown(s.source), shown(folder)));
        }
        // The installed model stays writable, so that installing it again can replace it.
        QFile::setPermissions(s.temp, QFile::permissions(s.temp) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    }

    // 2. Move them into place, keeping any file they replace until the end.
    for (auto& s : steps) {
        const QFileInfo target(s.target);
        if (target.exists() || target.isSymLink()) {
            QString why;
            if (target.isDir())
                why = QStringLiteral("a folder of that name is in the way");
            else if (FileSystemObject::isReadOnly(s.target))
                why = QStringLiteral("the file there is read-only");
            if (why.isEmpty()) {
                s.backup = scratchName(folder, QStringLiteral("bak"));
                if (!QFile::rename(s.target, s.backup)) {
                    s.backup.clear();
                    why = QStringLiteral("the file there cannot be replaced (in use?)");
                }
            }
            if (!why.isEmpty()) {
                rollBack(steps);
                return failed(QStringLiteral("Could not install %1: %2.").arg(shown(s.target), why));
            }
        }
        if (!QFile::rename(s.temp, s.target)) {
            rollBack(steps);
            return failed(QStringLiteral("Could not install %1.").arg(shown(s.target)));
        }
        s.temp.clear();
        s.placed = true;
    }

    // 3. Append the line; map.txt is only ever appended to, never rewritten.
    const QString mapPath = mapFilePath(r.faceFolder);
    QFile map(mapPath);
    const bool existed = map.exists();
    const qint64 oldSize = existed ? map.size() : 0;
    QString why;
    if (existed && FileSystemObject::isReadOnly(mapPath)) {
        why = QStringLiteral("the file is read-only");
    } else if (!map.open(QIODevice::WriteOnly | QIODevice::Append)) {
        why = map.errorString();
    } else {
        const QByteArray bytes = CodePage::encode(r.line) + QByteArrayLiteral("\r\n");
        const bool written = map.write(bytes) == bytes.size() && map.flush();
        if (!written) why = map.errorString();
        map.close();
        if (!written) {
            // Take back a partly written line so that no broken entry stays.
            if (existed)
                QFile::resize(mapPath, oldSize);
            else
                QFile::remove(mapPath);
        }
    }
    if (!why.isEmpty()) {
        rollBack(steps);
        return failed(QStringLiteral("Could not add the line to %1: %2.").arg(shown(mapPath), why));
    }

    for (const auto& s : steps)
        if (!s.backup.isEmpty()) QFile::remove(s.backup);
    return Result::success();
}

}  // namespace Installer
