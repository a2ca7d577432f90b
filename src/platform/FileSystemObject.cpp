#include "platform/FileSystemObject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/FileOps.h"

namespace {

using FileOps::isLink;
using FileOps::shown;

QString normalised(const QString& path)
{
#ifdef Q_OS_WIN
    return QDir::fromNativeSeparators(path);
#else
    return path;
#endif
}

bool hasWildcards(const QString& name) { return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?')); }

// Splits "folder/name" at its last separator. A bare name lies in the current folder.
void splitPattern(const QString& pattern, QString& folder, QString& name)
{
    const QString p = normalised(pattern);
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        folder = QStringLiteral(".");
        name = p;
        return;
    }
    folder = slash == 0 ? QStringLiteral("/") : p.left(slash);
    if (folder.endsWith(QLatin1Char(':'))) folder += QLatin1Char('/');  // "C:" is the drive's root
    name = p.mid(slash + 1);
}

// A folder path without trailing separators, the root left as it is.
QString withoutTrailingSeparator(const QString& path)
{
    QString p = normalised(path);
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')) && !p.endsWith(QLatin1String(":/"))) p.chop(1);
    return p;
}

// Entries of one folder whose names match, sorted by name for a stable order.
// Links are listed as entries of their own and never looked through here.
QFileInfoList matchingEntries(const QString& folder, const QString& name)
{
    QFileInfoList result;
    if (!hasWildcards(name)) {
        QFileInfo info(QDir(folder).filePath(name));
        if (info.exists() || isLink(info)) result.append(info);
        return result;
    }
    const QFileInfoList all = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : all)
        if (FileSystemObject::matches(name, info.fileName())) result.append(info);
    return result;
}

// A file entry: anything that is not a folder (a link to a folder counts as a folder).
bool isFileEntry(const QFileInfo& info) { return !info.isDir(); }
// A folder or a link to one: deleting takes only the link.
bool isFolderEntry(const QFileInfo& info) { return info.isDir(); }

bool nameAllowed(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
    for (const QChar c : name) {
        if (c.unicode() < 32) return false;
        if (QStringLiteral("<>:\"|?*\\/").contains(c)) return false;
    }
    return true;
}

// The entries that a pattern names in its folder and that `keep` accepts;
// empty, with the reason in `error`, when it names none. `kind` ("file" or
// "folder") is what the messages call them.
QFileInfoList namedEntries(const QString& pattern, const char* kind, bool (*keep)(const QFileInfo&), QString& error)
{
    QString folder, name;
    splitPattern(pattern, folder, name);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        error = QStringLiteral("No %1 name given in %2").arg(QLatin1String(kind), shown(pattern));
        return {};
    }
    if (!QFileInfo(folder).isDir()) {
        error = QStringLiteral("The folder does not exist: %1").arg(shown(folder));
        return {};
    }
    QFileInfoList found;
    for (const QFileInfo& info : matchingEntries(folder, name))
        if (keep(info)) found.append(info);
    if (found.isEmpty()) error = QStringLiteral("No %1 matches %2").arg(QLatin1String(kind), shown(pattern));
    return found;
}

}  // namespace

bool FileSystemObject::matches(const QString& pattern, const QString& name)
{
    // Windows lets a trailing ".*" also match a name without any dot, so
    // "*.*" takes every name and "face.*" takes "face" too.
    if (pattern.endsWith(QLatin1String(".*")) && !name.contains(QLatin1Char('.')) &&
        matches(pattern.left(pattern.size() - 2), name))
        return true;

    // Classic glob walk with one backtrack point: linear in practice, never exponential.
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == QLatin1Char('?') || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*')) ++p;
    return p == pattern.size();
}

bool FileSystemObject::isReadOnly(const QString& path)
{
    const QFileInfo info(normalised(path));
    if (isLink(info) || !info.exists()) return false;  // a link carries no attribute of its own
    return !(info.permissions() & QFileDevice::WriteOwner);
}

bool FileSystemObject::FileExists(const QString& path) const
{
    return !path.isEmpty() && QFileInfo(normalised(path)).isFile();
}

bool FileSystemObject::FolderExists(const QString& path) const
{
    return !path.isEmpty() && QFileInfo(normalised(path)).isDir();
}

Result FileSystemObject::CreateFolder(const QString& path)
{
    const QString p = withoutTrailingSeparator(path);
    if (p.isEmpty()) return Result::failure(QStringLiteral("No folder name given"));
    QString parent, name;
    splitPattern(p, parent, name);
    if (!nameAllowed(name)) return Result::failure(QStringLiteral("The folder name is not allowed: %1").arg(shown(p)));
    const QFileInfo target(p);
    if (target.exists() || isLink(target))
        return Result::failure(QStringLiteral("The folder already exists: %1").arg(shown(p)));
    if (!QFileInfo(parent).isDir())
        return Result::failure(QStringLiteral("The parent folder does not exist: %1").arg(shown(parent)));
    if (!QDir(parent).mkdir(name)) return Result::failure(QStringLiteral("Cannot create the folder %1").arg(shown(p)));
    return Result::success();
}

Result FileSystemObject::DeleteFile(const QString& pattern, bool force)
{
    QString error;
    const QFileInfoList files = namedEntries(pattern, "file", isFileEntry, error);
    if (files.isEmpty()) return Result::failure(error);

    for (const QFileInfo& info : files) {
        const QString path = info.filePath();
        if (!force && isReadOnly(path))
            return Result::failure(QStringLiteral("The file is read-only: %1").arg(shown(path)));
        if (!QFile::remove(path)) return Result::failure(QStringLiteral("Cannot delete the file %1").arg(shown(path)));
    }
    return Result::success();
}

Result FileSystemObject::removeTree(const QString& path, bool force)
{
    const QFileInfo info(path);
    if (isLink(info) || !info.isDir()) {
        // A link is removed itself: what it points at is none of our business.
        if (!isLink(info) && !force && isReadOnly(path))
            return Result::failure(QStringLiteral("The file is read-only: %1").arg(shown(path)));
        if (!QFile::remove(path)) return Result::failure(QStringLiteral("Cannot delete %1").arg(shown(path)));
        return Result::success();
    }
    const QFileInfoList entries = QDir(path).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries)
        if (Result r = removeTree(entry.filePath(), force); !r) return r;
    if (!QDir().rmdir(path)) return Result::failure(QStringLiteral("Cannot delete the folder %1").arg(shown(path)));
    return Result::success();
}

Result FileSystemObject::DeleteFolder(const QString& pattern, bool force)
{
    QString error;
    const QFileInfoList folders = namedEntries(withoutTrailingSeparator(pattern), "folder", isFolderEntry, error);
    if (folders.isEmpty()) return Result::failure(error);

    for (const QFileInfo& info : folders)
        if (Result r = removeTree(info.filePath(), force); !r) return r;
    return Result::success();
}
