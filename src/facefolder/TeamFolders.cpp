#include "facefolder/TeamFolders.h"

#include <QDir>
#include <QFileInfo>

#include "facefolder/FileNameCheck.h"
#include "platform/FileSystemObject.h"

namespace TeamFolders {

namespace {

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString faceFolderProblem(const QString& faceFolder)
{
    if (faceFolder.isEmpty() || !QDir::isAbsolutePath(faceFolder) || !QFileInfo(faceFolder).isDir())
        return QStringLiteral("The face folder does not exist: %1").arg(shown(faceFolder));
    return QString();
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

QString teamFolderProblem(const QString& faceFolder, const QString& name, const QString& what)
{
    if (const QString p = faceFolderProblem(faceFolder); !p.isEmpty()) return p;
    if (name.isEmpty())
        return QStringLiteral("No team folder to %1: open the team folder in the folder list and click in it.")
            .arg(what);
    if (const QString p = FileNameCheck::nameProblem(name); !p.isEmpty())
        return QStringLiteral("Cannot %1 %2: only a team folder directly inside the face folder can be named (%3).")
            .arg(what, FileNameCheck::quoted(name), p);
    const QString path = faceFolder + QLatin1Char('/') + name;
    const QFileInfo info(path);
    if (info.isSymLink())
        return QStringLiteral("Cannot %1 %2: it is a link, not a team folder.").arg(what, shown(path));
    if (info.exists() && !info.isDir())
        return QStringLiteral("Cannot %1 %2: it is a file, not a team folder.").arg(what, shown(path));
    return QString();
}

Result add(FileSystemObject& fso, const QString& faceFolder, const QString& parent, const QString& team)
{
    if (const QString p = faceFolderProblem(faceFolder); !p.isEmpty()) return {false, p};
    if (const QString p = FileNameCheck::nameProblem(team); !p.isEmpty())
        return {false, QStringLiteral("The team name cannot be a folder name: %1.").arg(p)};
    const QString where = parent.isEmpty() ? faceFolder : parent;
    if (!isWithin(where, faceFolder))
        return {false, QStringLiteral("Team folders are made inside the face folder %1; %2 lies outside it.")
                           .arg(shown(faceFolder), shown(where))};
    const QString path = where + QLatin1Char('/') + team;
    const QFileInfo info(path);
    if (info.isDir()) return {true, QString()};  // already there: nothing to do
    if (info.exists() || info.isSymLink())
        return {false,
                QStringLiteral("Cannot make the team folder %1: a file of that name is in the way.").arg(shown(path))};
    if (!fso.CreateFolder(path))
        return {true, QStringLiteral("Cannot make the team folder %1: %2").arg(shown(path), fso.lastError())};
    return {true, QString()};
}

Result remove(FileSystemObject& fso, const QString& faceFolder, const QString& name)
{
    if (const QString p = teamFolderProblem(faceFolder, name, QStringLiteral("delete")); !p.isEmpty())
        return {false, p};
    const QString path = faceFolder + QLatin1Char('/') + name;
    if (!QFileInfo(path).isDir()) return {true, QString()};  // nothing of that name
    if (hasFiles(path)) fso.DeleteFile(path + QStringLiteral("/*"), false);
    fso.DeleteFolder(path, false);
    if (QFileInfo::exists(path))
        return {
            true,
            QStringLiteral("The team folder %1 could not be deleted completely: %2").arg(shown(path), fso.lastError())};
    return {true, QString()};
}

Result clear(FileSystemObject& fso, const QString& faceFolder, const QString& name)
{
    if (const QString p = teamFolderProblem(faceFolder, name, QStringLiteral("clear")); !p.isEmpty()) return {false, p};
    const QString path = faceFolder + QLatin1Char('/') + name;
    if (!QFileInfo(path).isDir() || !hasFiles(path)) return {true, QString()};
    fso.DeleteFile(path + QStringLiteral("/*"), false);
    if (hasFiles(path))
        return {true, QStringLiteral("Some files of the team folder %1 could not be deleted: %2")
                          .arg(shown(path), fso.lastError())};
    return {true, QString()};
}

}  // namespace TeamFolders
