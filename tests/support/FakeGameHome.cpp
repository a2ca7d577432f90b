#include "support/FakeGameHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "support/TestEnv.h"

namespace {

QString realPath(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

void addSorted(QStringList& list, const QString& path)
{
    if (!list.contains(path)) list << path;
    list.sort();
}

}  // namespace

FakeGameHome::FakeGameHome(const QString& home) : home_(home) { QDir().mkpath(home_); }

GameLocator::Options FakeGameHome::options(const QString& winePrefix) const
{
    GameLocator::Options o;
    o.home = home_;
    o.winePrefix = winePrefix;
    return o;
}

QString FakeGameHome::prefix(const QString& relative) const
{
    const QString p = path(relative);
    QDir().mkpath(p + QStringLiteral("/drive_c/windows"));
    return p;
}

QString FakeGameHome::steamPrefix(const QString& library, int appId) const
{
    const QString p = library + QStringLiteral("/steamapps/compatdata/%1/pfx").arg(appId);
    QDir().mkpath(p + QStringLiteral("/drive_c/windows"));
    return p;
}

QString FakeGameHome::steamRoot(const QString& relative, const QStringList& libraries, LibraryFormat format,
                                const QString& fileFolder) const
{
    const QString root = path(relative);
    QDir().mkpath(root + QStringLiteral("/steamapps"));
    TestEnv::writeFile(root + QLatin1Char('/') + fileFolder + QStringLiteral("/libraryfolders.vdf"),
                       libraryFile(libraries, format));
    return root;
}

QString FakeGameHome::faceFolder(const QString& prefix, const QString& relative, bool withMap)
{
    return faceFolderAt(prefix + QStringLiteral("/drive_c/") + relative, withMap);
}

QString FakeGameHome::faceFolderAt(const QString& folder, bool withMap)
{
    QDir().mkpath(folder + QStringLiteral("/Sample Team"));
    TestEnv::writeFile(folder + QStringLiteral("/Sample Team/Sample Player_Face.bin"), "face");
    if (withMap) {
        TestEnv::writeFile(folder + QStringLiteral("/map.txt"),
                           "12345,Sample Player_face.bin,Sample Player_hair.bin\r\n");
        addSorted(plantedFaceFolders, realPath(folder));
    }
    return folder;
}

QString FakeGameHome::editFile(const QString& prefix, const QString& relative, bool expected)
{
    const QString file = prefix + QStringLiteral("/drive_c/") + relative;
    TestEnv::writeFile(file, QByteArray(64, '\0'));
    if (expected) addSorted(plantedEditFiles, realPath(file));
    return file;
}

bool FakeGameHome::link(const QString& target, const QString& link)
{
    QDir().mkpath(QFileInfo(link).path());
    return QFile::link(target, link);
}

QByteArray FakeGameHome::libraryFile(const QStringList& libraries, LibraryFormat format)
{
    // Steam writes backslashes and quotes escaped.
    const auto quoted = [](QString text) {
        text.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
        return QLatin1Char('"') + text + QLatin1Char('"');
    };
    QString out;
    if (format == LibraryFormat::Numbered) {
        out = QStringLiteral(
            "\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\t\"1700000000\"\n"
            "\t\"ContentStatsID\"\t\t\"-4411\"\n");
        for (int i = 0; i < libraries.size(); ++i)
            out += QStringLiteral("\t\"%1\"\t\t%2\n").arg(i + 1).arg(quoted(libraries[i]));
    } else {
        out = QStringLiteral("\"libraryfolders\"\n{\n");
        for (int i = 0; i < libraries.size(); ++i)
            out += QStringLiteral(
                       "\t\"%1\"\n\t{\n\t\t\"path\"\t\t%2\n\t\t\"label\"\t\t\"\"\n"
                       "\t\t\"contentid\"\t\t\"4187\"\n\t\t\"totalsize\"\t\t\"0\"\n"
                       "\t\t\"apps\"\n\t\t{\n\t\t\t\"2011\"\t\t\"8200000\"\n\t\t}\n\t}\n")
                       .arg(i)
                       .arg(quoted(libraries[i]));
    }
    out += QStringLiteral("}\n");
    return out.toUtf8();
}
