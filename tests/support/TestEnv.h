#pragma once

#include <QString>
#include <QTemporaryDir>

#include "facefolder/Installer.h"

// A private world for one test: a program folder, a face folder and a
// settings file, all inside one temporary folder, where the user's cache
// folder ($XDG_CACHE_HOME, for thumbnails) points too.
class TestEnv {
public:
    TestEnv();

    QString root() const { return dir_.path(); }
    QString programFolder() const { return programFolder_; }                         // exists
    QString faceFolder() const { return faceFolder_; }                               // exists
    QString settingsFile() const { return settingsFile_; }                           // not written until asked
    QString path(const QString& relative) const { return dir_.filePath(relative); }  // root + "/" + relative

    // Stores the two locations as the program would have stored them.
    void storeLocations(const QString& editFile, const QString& faceFolder);
    // Writes a full synthetic edit file (every player and team named) and returns its path.
    QString writeFullEditFile(const QString& name = "EDIT.bin") const;
    // Writes a file with the given bytes, creating its folders.
    static void writeFile(const QString& path, const QByteArray& bytes);
    static QByteArray readFile(const QString& path);

    // The value stored under a key of the program's section ("Edit", "Map"),
    // or `fallback` when nothing is stored there.
    QString storedSetting(const QString& key, const QString& fallback = QStringLiteral("<none>")) const;

private:
    QTemporaryDir dir_;
    QString programFolder_;
    QString faceFolder_;
    QString settingsFile_;
};

// The request the window makes to install `base`'s models from `workFace` and
// `workHair` into the face folder `face`, or into its team folder `team`, with
// the map line for the identifier `id`; the journal goes into `program`.
inline Installer::Request installRequest(const QString& face, const QString& program, const QString& id,
                                         const QString& base, MapLine::Content content, const QString& team,
                                         const QString& workFace, const QString& workHair)
{
    const QString part = team.isEmpty() ? base : MapLine::folderNamePart(team, base);
    return {face,     !team.isEmpty(), team,   base, content, MapLine::compose(id, part, content),
            workFace, workHair,        program};
}
