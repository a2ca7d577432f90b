#include "platform/GameLocator.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#ifdef Q_OS_WIN
#include <QStandardPaths>
#endif
#include <chrono>
#include <vector>

namespace GameLocator {

namespace {

// ----- Steam's library file -----

// The tokens of Valve's key-value text: quoted or bare strings, braces.
// Comments ("// ...") and platform conditions ("[$WIN32]") carry nothing here.
class VdfTokens {
public:
    enum class Kind { String, Open, Close, End, Bad };

    explicit VdfTokens(const QByteArray& bytes) : p_(bytes.constData()), end_(p_ + bytes.size()) {}

    Kind next(QByteArray& text)
    {
        for (;;) {
            while (p_ < end_ && isSpace(*p_)) ++p_;
            if (p_ == end_) return Kind::End;
            if (*p_ == '/' && p_ + 1 < end_ && p_[1] == '/') {
                while (p_ < end_ && *p_ != '\n') ++p_;
                continue;
            }
            if (*p_ == '[') {
                while (p_ < end_ && *p_ != ']') ++p_;
                if (p_ == end_) return Kind::Bad;
                ++p_;
                continue;
            }
            break;
        }
        text.clear();
        if (*p_ == '{') return ++p_, Kind::Open;
        if (*p_ == '}') return ++p_, Kind::Close;
        if (*p_ == '"') {
            for (++p_; p_ < end_ && *p_ != '"'; ++p_) {
                if (*p_ != '\\' || p_ + 1 == end_) {
                    text += *p_;
                    continue;
                }
                ++p_;
                text += *p_ == 'n' ? '\n' : *p_ == 't' ? '\t' : *p_;
            }
            if (p_ == end_) return Kind::Bad;  // a quote left open
            ++p_;
            return Kind::String;
        }
        while (p_ < end_ && !isSpace(*p_) && *p_ != '{' && *p_ != '}' && *p_ != '"') text += *p_++;
        return Kind::String;
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
    const char* p_;
    const char* end_;
};

bool isNumber(const QByteArray& key)
{
    if (key.isEmpty()) return false;
    for (char c : key)
        if (c < '0' || c > '9') return false;
    return true;
}

// ----- the walk -----

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The sub-folders of `folder` whose names pass `wanted`, links to folders
// included: these steps lead to the roots of the walk, and a root that is a
// link is where the user keeps the thing.
template <class Wanted>
QStringList subFolders(const QString& folder, Wanted wanted)
{
    QStringList out;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name))
        if (wanted(name)) out << dir.filePath(name);
    return out;
}

// The one sub-folder of `folder` called `name` in any letter case; the exact
// spelling first when there are several.
QString subFolder(const QString& folder, const QString& name)
{
    if (QFileInfo(folder + QLatin1Char('/') + name).isDir()) return folder + QLatin1Char('/') + name;
    const QStringList found = subFolders(folder, [&](const QString& n) { return sameName(n, name); });
    return found.value(0);
}

class Walk {
public:
    Walk(const Options& options, const std::atomic<bool>* stop)
        : options_(options),
          stop_(stop),
          deadline_(std::chrono::steady_clock::now() + std::chrono::milliseconds(qMax(0, options.timeLimitMs)))
    {}

    Found run()
    {
#ifdef Q_OS_WIN
        windowsPlaces();
#else
        if (!options_.winePrefix.isEmpty()) prefix(options_.winePrefix);
        if (!options_.home.isEmpty()) homePrefixes();
#endif
        found_.faceFolders = sorted(faces_);
        found_.editFiles = sorted(edits_);
        return found_;
    }

private:
    bool over()
    {
        if (found_.timedOut) return true;
        if ((stop_ && stop_->load(std::memory_order_relaxed)) || std::chrono::steady_clock::now() >= deadline_)
            found_.timedOut = true;
        return found_.timedOut;
    }

    static QStringList sorted(const QSet<QString>& set)
    {
        QStringList out(set.begin(), set.end());
        out.sort();
        return out;
    }

    QString home(const QString& relative) const { return options_.home + QLatin1Char('/') + relative; }

#ifdef Q_OS_WIN
    void windowsPlaces()
    {
        // The program folders first, then the user's documents.
        for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"})
            start(QDir::fromNativeSeparators(qEnvironmentVariable(variable)), 1, true);
        for (const QString& documents : {QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                         home(QStringLiteral("Documents")), home(QStringLiteral("My Documents"))})
            start(documents, 3, true);
    }
#else
    void homePrefixes()
    {
        prefix(home(QStringLiteral(".wine")));
        steam();
        // The default prefix folders of the common Wine front-ends: each
        // folder in them is one prefix.
        for (const char* front :
             {".local/share/bottles/bottles", ".var/app/com.usebottles.bottles/data/bottles/bottles", "Games",
              ".PlayOnLinux/wineprefix"})
            for (const QString& each : subFolders(home(QLatin1String(front)), [](const QString&) { return true; }))
                prefix(each);
        // Steam installs a game for its compatibility layer outside the
        // prefix, in the library's steamapps/common, where the face-loading
        // add-on sits beside it. Walked last: a library of many big games
        // may take what is left of the time.
        for (const QString& common : steamCommon_) start(common, 1, true);
    }

    void steam()
    {
        std::vector<QString> libraries;
        QSet<QString> seen;
        const auto addLibrary = [&](const QString& path) {
            const QString real = QFileInfo(path).canonicalFilePath();
            if (real.isEmpty() || seen.contains(real)) return false;
            seen.insert(real);
            libraries.push_back(real);
            return true;
        };
        for (const char* root :
             {".steam/steam", ".local/share/Steam", ".steam/debian-installation",
              ".var/app/com.valvesoftware.Steam/.local/share/Steam", ".var/app/com.valvesoftware.Steam/data/Steam",
              "snap/steam/common/.local/share/Steam"}) {
            if (over()) return;
            const QString path = home(QLatin1String(root));
            if (!addLibrary(path)) continue;
            // Every root lists its further libraries, and maybe itself again.
            const QString real = libraries.back();
            for (const QString& file : {subFolder(real, QStringLiteral("steamapps")), real + QStringLiteral("/config")})
                if (!file.isEmpty())
                    for (const QString& library :
                         steamLibraries(readLibraryFile(file + QStringLiteral("/libraryfolders.vdf"))))
                        if (QDir::isAbsolutePath(library)) addLibrary(library);
        }
        for (const QString& library : libraries) {
            const QString steamapps = subFolder(library, QStringLiteral("steamapps"));
            if (steamapps.isEmpty()) continue;
            if (const QString common = subFolder(steamapps, QStringLiteral("common")); !common.isEmpty())
                steamCommon_ << common;
            const QString compatdata = subFolder(steamapps, QStringLiteral("compatdata"));
            if (compatdata.isEmpty()) continue;
            for (const QString& game : subFolders(compatdata, [](const QString&) { return true; })) {
                if (over()) return;
                const QString pfx = subFolder(game, QStringLiteral("pfx"));
                if (!pfx.isEmpty()) prefix(pfx);
            }
        }
    }

    static QByteArray readLibraryFile(const QString& path)
    {
        // Only a plain file: opening a named pipe would wait for a writer.
        if (!QFileInfo(path).isFile()) return {};
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxLibraryFileSize) return {};
        return file.read(kMaxLibraryFileSize);
    }
#endif

    // One Wine prefix: its program folders and the documents of its users.
    void prefix(const QString& path)
    {
        if (over()) return;
        const QString real = QFileInfo(path).canonicalFilePath();
        if (real.isEmpty() || prefixes_.contains(real)) return;
        const QString driveC = subFolder(real, QStringLiteral("drive_c"));
        if (driveC.isEmpty()) return;
        prefixes_.insert(real);
        found_.roots << real;
        for (const QString& programs : subFolders(driveC, [](const QString& n) {
                 return n.startsWith(QLatin1String("program files"), Qt::CaseInsensitive);
             }))
            start(programs, 1, false);
        const QString users = subFolder(driveC, QStringLiteral("users"));
        if (users.isEmpty()) return;
        for (const QString& user : subFolders(users, [](const QString&) { return true; }))
            for (const QString& documents : subFolders(user, [](const QString& n) {
                     return sameName(n, QStringLiteral("Documents")) || sameName(n, QStringLiteral("My Documents"));
                 }))
                start(documents, 3, false);
    }

    // One folder the walk starts from, at `depth` below drive_c. It may be a
    // link (Wine links a user's documents to the home's); nothing below it is.
    void start(const QString& path, int depth, bool isRoot)
    {
        if (path.isEmpty() || over()) return;
        const QFileInfo info(path);
        const QString real = info.canonicalFilePath();
        if (real.isEmpty() || !QFileInfo(real).isDir() || started_.contains(real)) return;
        started_.insert(real);
        if (isRoot) found_.roots << real;
        folder(real, depth, sameName(info.fileName(), QStringLiteral("save")));
    }

    void folder(const QString& path, int depth, bool underSave)
    {
        if (depth > options_.maxDepth || over()) return;
        QStringList folders;
        bool mapTxt = false;
        QStringList editFiles;
        QDirIterator it(path, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks);
        // A folder of many thousand files is no reason to overrun the limit.
        for (int seen = 1; it.hasNext(); ++seen) {
            if (seen % 512 == 0 && over()) return;
            it.next();
            const QFileInfo entry = it.fileInfo();
            const QString name = entry.fileName();
            if (entry.isDir()) {
                folders << entry.filePath();
            } else if (sameName(name, QStringLiteral("map.txt"))) {
                mapTxt = true;
            } else if (underSave && sameName(name, QStringLiteral("EDIT.bin"))) {
                editFiles << entry.filePath();
            }
        }
        for (const QString& file : editFiles) edits_.insert(file);
        const QFileInfo self(path);
        if (mapTxt && sameName(self.fileName(), QStringLiteral("Face")) &&
            sameName(QFileInfo(self.path()).fileName(), QStringLiteral("Ludex"))) {
            // Its team folders hold only models.
            faces_.insert(path);
            return;
        }
        for (const QString& sub : folders)
            folder(sub, depth + 1, underSave || sameName(QFileInfo(sub).fileName(), QStringLiteral("save")));
    }

    const Options& options_;
    const std::atomic<bool>* stop_;
    const std::chrono::steady_clock::time_point deadline_;
    Found found_;
    QSet<QString> faces_, edits_, prefixes_, started_;
    QStringList steamCommon_;  // each Steam library's steamapps/common
};

}  // namespace

Options fromEnvironment()
{
    Options o;
    o.home = QDir::homePath();
    o.winePrefix = qEnvironmentVariable("WINEPREFIX");
    return o;
}

Found find(const Options& options) { return Walk(options, nullptr).run(); }

Found find(const Options& options, const std::atomic<bool>& stop) { return Walk(options, &stop).run(); }

QStringList steamLibraries(const QByteArray& vdf)
{
    // The file is one object, "libraryfolders" (older files: "LibraryFolders").
    // In it each library is a numbered key: mapped to an object with a "path"
    // now, to the path itself before.
    constexpr int kMaxNesting = 64;
    VdfTokens tokens(vdf);
    QStringList out;
    QSet<QString> listed;
    std::vector<QByteArray> keys;  // the keys of the objects we are inside
    QByteArray text, key;
    bool haveKey = false;
    for (;;) {
        const VdfTokens::Kind kind = tokens.next(text);
        if (kind == VdfTokens::Kind::End || kind == VdfTokens::Kind::Bad) break;
        if (kind == VdfTokens::Kind::Close) {
            if (haveKey || keys.empty()) break;
            keys.pop_back();
            continue;
        }
        if (kind == VdfTokens::Kind::Open) {
            if (!haveKey || keys.size() >= kMaxNesting) break;
            keys.push_back(key);
            haveKey = false;
            continue;
        }
        if (!haveKey) {
            key = text;
            haveKey = true;
            continue;
        }
        // A key and its text.
        haveKey = false;
        const bool inFile = !keys.empty() && keys.front().compare("libraryfolders", Qt::CaseInsensitive) == 0;
        QString path;
        if (inFile && keys.size() == 1 && isNumber(key))
            path = QString::fromUtf8(text);
        else if (inFile && keys.size() == 2 && isNumber(keys[1]) && key.compare("path", Qt::CaseInsensitive) == 0)
            path = QString::fromUtf8(text);
        if (!path.isEmpty() && !listed.contains(path)) {
            listed.insert(path);
            out << path;
        }
    }
    return out;
}

}  // namespace GameLocator
