#include "facefolder/TeamFolders.h"

#include <QDir>
#include <QFileInfo>

#include "facefolder/FileNameCheck.h"
#include "platform/FileOps.h"
#include "platform/FileSystemObject.h"

namespace TeamFolders {

namespace {

using FileOps::shown;

Result checkFaceFolder(const QString& faceFolder)
{
    if (faceFolder.isEmpty() || !QDir::isAbsolutePath(faceFolder) || !QFileInfo(faceFolder).isDir())
        return Result::failure(QStringLiteral("The face folder does not exist: %1").arg(shown(faceFolder)));
    return Result::success();
}

// True when `folder` is `root` or lies below it, links resolved.
bool isWithin(const QString& folder, const QString& root)
{
    const QString f = QFileInfo(folder).canonicalFilePath();
    QString r = QFileInfo(root).canonicalFilePath();
    if (f.isEmpty() || r.isEmpty()) return false;
    if (f == r) return true;
    if (!r.endsWith(QLatin1Char('/'))) r += QLatin1Char('/');
    return f.startsWith(r);
}

bool hasFiles(const QString& folder)
{
    return !QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty();
}

}  // namespace

Result checkTeamFolder(const QString& faceFolder, const QString& name, const QString& what)
{
    if (Result r = checkFaceFolder(faceFolder); !r) return r;
    if (name.isEmpty())
        return Result::failure(
            QStringLiteral("No team folder to %1: open the team folder in the folder list and click in it.").arg(what));
    if (const Result r = FileNameCheck::checkName(name); !r)
        return Result::failure(
            QStringLiteral("Cannot %1 %2: only a team folder directly inside the face folder can be named (%3).")
                .arg(what, FileNameCheck::quoted(name), r.message));
    const QString path = faceFolder + QLatin1Char('/') + name;
    const QFileInfo info(path);
    if (FileOps::isLink(info))
        return Result::failure(QStringLiteral("Cannot %1 %2: it is a link, not a team folder.").arg(what, shown(path)));
    if (info.exists() && !info.isDir())
        return Result::failure(QStringLiteral("Cannot %1 %2: it is a file, not a team folder.").arg(what, shown(path)));
    return Result::success();
}

Result checkAdd(const QString& faceFolder, const QString& parent, const QString& team)
{
    if (Result r = checkFaceFolder(faceFolder); !r) return r;
    if (const Result r = FileNameCheck::checkName(team); !r)
        return Result::failure(QStringLiteral("The team name cannot be a folder name: %1.").arg(r.message));
    const QString where = parent.isEmpty() ? faceFolder : parent;
    if (!isWithin(where, faceFolder))
        return Result::failure(QStringLiteral("Team folders are made inside the face folder %1; %2 lies outside it.")
                                   .arg(shown(faceFolder), shown(where)));
    const QString path = where + QLatin1Char('/') + team;
    const QFileInfo info(path);
    if (!info.isDir() && (info.exists() || FileOps::isLink(info)))
        return Result::failure(
            QStringLiteral("Cannot make the team folder %1: a file of that name is in the way.").arg(shown(path)));
    return Result::success();
}

Result add(FileSystemObject& fso, const QString& faceFolder, const QString& parent, const QString& team)
{
    if (Result r = checkAdd(faceFolder, parent, team); !r) return r;
    const QString path = (parent.isEmpty() ? faceFolder : parent) + QLatin1Char('/') + team;
    if (QFileInfo(path).isDir()) return Result::success();  // already there: nothing to do
    if (const Result r = fso.CreateFolder(path); !r)
        return Result::failure(QStringLiteral("Cannot make the team folder %1: %2").arg(shown(path), r.message));
    return Result::success();
}

Result remove(FileSystemObject& fso, const QString& faceFolder, const QString& name)
{
    if (Result r = checkTeamFolder(faceFolder, name, QStringLiteral("delete")); !r) return r;
    const QString path = faceFolder + QLatin1Char('/') + name;
    if (!QFileInfo(path).isDir()) return Result::success();  // nothing of that name
    Result deleted = Result::success();
    if (hasFiles(path)) deleted = fso.DeleteFile(path + QStringLiteral("/*"), false);
    if (deleted) deleted = fso.DeleteFolder(path, false);
    if (!deleted || QFileInfo::exists(path))
        return Result::failure(
            QStringLiteral("The team folder %1 could not be deleted completely: %2").arg(shown(path), deleted.message));
    return Result::success();
}

Result clear(FileSystemObject& fso, const QString& faceFolder, const QString& name)
{
    if (Result r = checkTeamFolder(faceFolder, name, QStringLiteral("clear")); !r) return r;
    const QString path = faceFolder + QLatin1Char('/') + name;
    if (!QFileInfo(path).isDir() || !hasFiles(path)) return Result::success();
    const Result deleted = fso.DeleteFile(path + QStringLiteral("/*"), false);
    if (!deleted || hasFiles(path))
        return Result::failure(QStringLiteral("Some files of the team folder %1 could not be deleted: %2")
                                   .arg(shown(path), deleted.message));
    return Result::success();
}

}  // namespace TeamFolders
