#include "platform/FileSystemObject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>
#include <system_error>

namespace {

QString normalised(const QString& path)
{
#ifdef Q_OS_WIN
    return QDir::fromNativeSeparators(path);
#else
    return path;
#endif
}

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

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

bool isLink(const QFileInfo& info) { return info.isSymbolicLink() || info.isJunction(); }

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

// A folder entry for the folder operations: a real folder, not a link to one.
bool isRealFolder(const QFileInfo& info) { return info.isDir() && !isLink(info); }
// A file entry: anything that is not a folder (a link to a folder counts as a folder).
bool isFileEntry(const QFileInfo& info) { return !info.isDir(); }
// A folder or a link to one: deleting takes only the link.
bool isFolderEntry(const QFileInfo& info) { return info.isDir(); }

std::filesystem::path fsPath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

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

// Where each entry is copied to: inside `dest` when it is taken as a folder,
// else `dest` itself, which can then take only one entry. Empty, with the
// reason in `error`, when the destination does not fit.
QStringList copyTargets(const QFileInfoList& entries, const QString& dest, bool intoFolder, const QString& notAFolder,
                        QString& error)
{
    QStringList targets;
    if (dest.isEmpty()) {
        error = QStringLiteral("No destination given");
    } else if (intoFolder && !QFileInfo(dest).isDir()) {
        error = QStringLiteral("The folder does not exist: %1").arg(shown(dest));
    } else if (intoFolder) {
        for (const QFileInfo& info : entries) targets.append(QDir(dest).filePath(info.fileName()));
    } else if (entries.size() > 1) {
        error = notAFolder;
    } else if (!QFileInfo(QFileInfo(dest).absolutePath()).isDir()) {
        error = QStringLiteral("The folder of %1 does not exist").arg(shown(dest));
    } else {
        targets.append(dest);
    }
    return targets;
}

}  // namespace

bool FileSystemObject::fail(const QString& message)
{
    lastError_ = message;
    return false;
}

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

bool FileSystemObject::CreateFolder(const QString& path)
{
    const QString p = withoutTrailingSeparator(path);
    if (p.isEmpty()) return fail(QStringLiteral("No folder name given"));
    QString parent, name;
    splitPattern(p, parent, name);
    if (!nameAllowed(name)) return fail(QStringLiteral("The folder name is not allowed: %1").arg(shown(p)));
    const QFileInfo target(p);
    if (target.exists() || isLink(target)) return fail(QStringLiteral("The folder already exists: %1").arg(shown(p)));
    if (!QFileInfo(parent).isDir())
        return fail(QStringLiteral("The parent folder does not exist: %1").arg(shown(parent)));
    if (!QDir(parent).mkdir(name)) return fail(QStringLiteral("Cannot create the folder %1").arg(shown(p)));
    return true;
}

bool FileSystemObject::DeleteFile(const QString& pattern, bool force)
{
    QString error;
    const QFileInfoList files = namedEntries(pattern, "file", isFileEntry, error);
    if (files.isEmpty()) return fail(error);

    for (const QFileInfo& info : files) {
        const QString path = info.filePath();
        if (!force && isReadOnly(path)) return fail(QStringLiteral("The file is read-only: %1").arg(shown(path)));
        if (!QFile::remove(path)) return fail(QStringLiteral("Cannot delete the file %1").arg(shown(path)));
    }
    return true;
}

bool FileSystemObject::removeTree(const QString& path, bool force)
{
    const QFileInfo info(path);
    if (isLink(info) || !info.isDir()) {
        // A link is removed itself: what it points at is none of our business.
        if (!isLink(info) && !force && isReadOnly(path))
            return fail(QStringLiteral("The file is read-only: %1").arg(shown(path)));
        if (!QFile::remove(path)) return fail(QStringLiteral("Cannot delete %1").arg(shown(path)));
        return true;
    }
    const QFileInfoList entries = QDir(path).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries)
        if (!removeTree(entry.filePath(), force)) return false;
    if (!QDir().rmdir(path)) return fail(QStringLiteral("Cannot delete the folder %1").arg(shown(path)));
    return true;
}

bool FileSystemObject::DeleteFolder(const QString& pattern, bool force)
{
    QString error;
    const QFileInfoList folders = namedEntries(withoutTrailingSeparator(pattern), "folder", isFolderEntry, error);
    if (folders.isEmpty()) return fail(error);

    for (const QFileInfo& info : folders)
        if (!removeTree(info.filePath(), force)) return false;
    return true;
}

bool FileSystemObject::copyOne(const QString& source, const QString& target, bool overwrite)
{
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() || isLink(targetInfo)) {
        if (targetInfo.isDir()) return fail(QStringLiteral("A folder is in the way: %1").arg(shown(target)));
        if (!overwrite) return fail(QStringLiteral("The file already exists: %1").arg(shown(target)));
        if (isReadOnly(target)) return fail(QStringLiteral("The file is read-only: %1").arg(shown(target)));
    }

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return fail(QStringLiteral("Cannot read %1").arg(shown(source)));

    // The copy goes to a temporary file beside the target and replaces the
    // target only when complete: a failed copy never leaves half a file.
    const QString folder = targetInfo.absolutePath();
    QTemporaryFile out(QDir(folder).filePath(QStringLiteral(".ludex-copy-XXXXXX")));
    if (!out.open()) return fail(QStringLiteral("Cannot write into the folder %1").arg(shown(folder)));
    QByteArray buffer;
    for (;;) {
        buffer = in.read(1 << 20);
        if (buffer.isEmpty()) break;
        if (out.write(buffer) != buffer.size()) return fail(QStringLiteral("Cannot write %1").arg(shown(target)));
    }
    if (in.error() != QFileDevice::NoError) return fail(QStringLiteral("Cannot read %1").arg(shown(source)));
    if (!out.flush()) return fail(QStringLiteral("Cannot write %1").arg(shown(target)));
    // The copy keeps the source's permissions but stays writable for its owner,
    // so that a later copy or clean-up is not blocked by it.
    out.setPermissions(in.permissions() | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    out.close();

    std::error_code ec;
    std::filesystem::rename(fsPath(out.fileName()), fsPath(target), ec);
    if (ec) return fail(QStringLiteral("Cannot write %1").arg(shown(target)));
    out.setAutoRemove(false);
    return true;
}

bool FileSystemObject::CopyFile(const QString& pattern, const QString& destination, bool overwrite)
{
    QString error;
    const QFileInfoList files = namedEntries(pattern, "file", isFileEntry, error);
    if (files.isEmpty()) return fail(error);

    const QString dest = normalised(destination);
    const bool intoFolder = dest.endsWith(QLatin1Char('/')) || QFileInfo(dest).isDir();
    const QStringList targets = copyTargets(
        files, dest, intoFolder,
        QStringLiteral("Several files match %1 but %2 is not a folder").arg(shown(pattern), shown(dest)), error);
    if (targets.isEmpty()) return fail(error);
    for (qsizetype i = 0; i < files.size(); ++i)
        if (!copyOne(files[i].filePath(), targets[i], overwrite)) return false;
    return true;
}

bool FileSystemObject::copyTree(const QString& source, const QString& target, bool overwrite)
{
    const QFileInfo targetInfo(target);
    if (isLink(targetInfo)) return fail(QStringLiteral("A link is in the way: %1").arg(shown(target)));
    if (targetInfo.exists() && !targetInfo.isDir())
        return fail(QStringLiteral("A file is in the way: %1").arg(shown(target)));
    if (!targetInfo.exists() && !QDir().mkdir(target))
        return fail(QStringLiteral("Cannot create the folder %1").arg(shown(target)));

    const QFileInfoList entries = QDir(source).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        if (isLink(entry)) continue;  // links are not followed out of the tree, nor copied
        const QString to = QDir(target).filePath(entry.fileName());
        const bool ok =
            entry.isDir() ? copyTree(entry.filePath(), to, overwrite) : copyOne(entry.filePath(), to, overwrite);
        if (!ok) return false;
    }
    return true;
}

bool FileSystemObject::CopyFolder(const QString& pattern, const QString& destination, bool overwrite)
{
    QString error;
    const QFileInfoList folders = namedEntries(withoutTrailingSeparator(pattern), "folder", isRealFolder, error);
    if (folders.isEmpty()) return fail(error);

    const QString dest = normalised(destination);
    const QStringList targets =
        copyTargets(folders, dest, dest.endsWith(QLatin1Char('/')),
                    QStringLiteral("Several folders match %1 but %2 does not end with a separator")
                        .arg(shown(pattern), shown(dest)),
                    error);
    if (targets.isEmpty()) return fail(error);

    for (qsizetype i = 0; i < folders.size(); ++i) {
        // A folder copied into itself would grow without end.
        const QString from = folders[i].canonicalFilePath();
        const QString toParent = QFileInfo(QFileInfo(targets[i]).absolutePath()).canonicalFilePath();
        const QString to = QDir(toParent).filePath(QFileInfo(targets[i]).fileName());
        if (to == from || to.startsWith(from + QLatin1Char('/')))
            return fail(QStringLiteral("Cannot copy the folder %1 into itself").arg(shown(folders[i].filePath())));
        if (!copyTree(folders[i].filePath(), targets[i], overwrite)) return false;
    }
    return true;
}
