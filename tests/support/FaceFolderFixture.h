#pragma once

#include <QByteArray>
#include <QString>

// A face folder as a modder's looks after a season of installs: map.txt
// lines in every form the create commands write (face and hair, face only,
// hair only; in the face folder and in team folders), a few written by hand
// (extra spaces, a line feed alone, letters beyond ASCII), and the models
// they name, the face copies in small letters as the create commands make
// them. For the export and round-trip tests and the export benchmark.
namespace FaceFolderFixture {

struct Options {
    int entries = 300;
    int teams = 4;           // "Team 1" ... "Team N"; every fourth entry stays in the face folder itself
    int modelBytes = 2048;   // the size of a face model; a hair model is half as large
    qint32 firstId = 10000;  // the entries' identifiers count up from here
};

// Writes the folders, the models and map.txt into `faceFolder` (which must
// exist) and returns the bytes of map.txt.
QByteArray build(const QString& faceFolder, const Options& options = {});

// The team folder of entry `i` ("" for the face folder itself).
QString teamOf(int i, const Options& options = {});

}  // namespace FaceFolderFixture
