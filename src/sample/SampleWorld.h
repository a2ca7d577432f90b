#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A small world of invented files to try the program on, all in one
// temporary folder that goes with the object:
//
//   Kickvale Football 2011/save/EDIT.bin      the game's edit file: invented players and teams
//   Kickvale Football 2011/Visagery/Ludex/Face the add-on's face folder: a map.txt whose lines
//                                              name models that are there, and two team folders
//   Downloads/Face.bin, Downloads/Hair.bin     two single model files with DXT1 and DXT5 textures
//   Downloads/Sample Face Pack.zip             a face pack with folders
//   Program/                                   the program folder; its archive already holds that pack
//   settings.ini                               the world's own settings, naming the edit file and face folder
class SampleWorld {
public:
    // A fresh world; null, with the reason in `why`, when it could not be made.
    static std::unique_ptr<SampleWorld> create(QString* why = nullptr);

    QString root() const { return dir_.path(); }
    QString programFolder() const;
    QString settingsFile() const;
    QString editFile() const;
    QString faceFolder() const;
    QString downloads() const;
    QString faceModel() const;  // Downloads/Face.bin
    QString hairModel() const;  // Downloads/Hair.bin
    QString facePack() const;   // Downloads/Sample Face Pack.zip

    // The names in the edit file, in record order; every later record is a
    // numbered "Player <n>" or "Team <n>".
    static QStringList players();
    static QStringList teams();

private:
    SampleWorld();
    void build() const;  // throws std::runtime_error with the reason

    // The world carries its owner, so that one left by a demo that was
    // killed is removed by the next.
    static const QString kFolderPrefix;
    QTemporaryDir dir_;
};
