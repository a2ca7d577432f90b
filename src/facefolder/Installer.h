#pragma once

#include <QString>

#include "facefolder/MapLine.h"
#include "platform/Result.h"

// Puts one player's models into the face folder and adds the player's line to
// map.txt, as one step that either happens whole or leaves the folder as it was.
namespace Installer {

struct Request {
    QString faceFolder;           // the face folder, an absolute path
    bool intoTeamFolder = false;  // false: straight into the face folder
    QString teamFolder;           // the sub-folder's name (one name, no path) when intoTeamFolder
    QString baseName;             // the models become {base}_Face.bin and {base}_Hair.bin
    MapLine::Content content = MapLine::Content::FaceAndHair;
    QString line;         // appended to map.txt as it stands
    QString workingFace;  // the model files to install
    QString workingHair;
};

// Every check made before anything is written: the folders exist, the working
// files the content needs exist, the names are valid Windows names, the line is
// a non-empty single line and everything fits the 8-bit code page.
Result check(const Request& request);

// Checks, then copies the models in under temporary names, moves them into
// place (overwriting same-named files) and appends the line with CR LF. When a
// step fails, the models this run put in place are removed, the files they
// replaced come back and map.txt keeps only what it had.
Result install(const Request& request);

// map.txt of a face folder.
QString mapFilePath(const QString& faceFolder);

}  // namespace Installer
