#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "platform/GameLocator.h"

// A Linux player's home in a folder of the test's own: Wine prefixes as Wine,
// Steam's compatibility layer and the Wine front-ends make them, with the
// game's face folders and edit files planted inside. What is planted is
// remembered by its real path (links resolved), as the locator reports it.
class FakeGameHome {
public:
    enum class LibraryFormat { Nested, Numbered };

    explicit FakeGameHome(const QString& home);
    QString home() const { return home_; }
    QString path(const QString& relative) const { return home_ + QLatin1Char('/') + relative; }

    // The locator's options for this home, with `winePrefix` as $WINEPREFIX.
    GameLocator::Options options(const QString& winePrefix = QString()) const;

    // A Wine prefix (with its drive_c) at `relative` below the home; its path.
    QString prefix(const QString& relative) const;
    // A Steam game's prefix in a library: steamapps/compatdata/<appId>/pfx.
    QString steamPrefix(const QString& library, int appId) const;
    // A Steam root or library at `relative` below the home, whose library file
    // (in `fileFolder`: "steamapps" or "config") lists `libraries`.
    QString steamRoot(const QString& relative, const QStringList& libraries, LibraryFormat format,
                      const QString& fileFolder = QStringLiteral("steamapps")) const;

    // A face folder at `relative` below the prefix's drive_c, holding a
    // map.txt unless `withMap` is false (then it is not planted: the locator
    // must not report it); its path.
    QString faceFolder(const QString& prefix, const QString& relative, bool withMap = true);
    // The same at `folder` itself, such as in a Steam library's steamapps/common.
    QString faceFolderAt(const QString& folder, bool withMap = true);
    // An edit file at `relative` below the prefix's drive_c; planted (to be
    // found) when `expected`.
    QString editFile(const QString& prefix, const QString& relative, bool expected = true);

    // A symbolic link at `link` pointing to `target`.
    static bool link(const QString& target, const QString& link);

    // The bytes of a Steam library file listing `libraries`.
    static QByteArray libraryFile(const QStringList& libraries, LibraryFormat format);

    // The typical game folders inside a prefix.
    static QString programFolder() { return QStringLiteral("Program Files (x86)/Kickvale Football 2011"); }
    static QString documentsFolder(const QString& user = QStringLiteral("steamuser"))
    {
        return QStringLiteral("users/") + user + QStringLiteral("/Documents/Kickvale Football 2011");
    }

    QStringList plantedFaceFolders;  // sorted, real paths
    QStringList plantedEditFiles;    // sorted, real paths

private:
    QString home_;
};
