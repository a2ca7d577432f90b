#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

#include "facefolder/MapLine.h"
#include "platform/Result.h"

class ProgressSink;

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
    QString journalFolder;  // the program folder: an install cut short leaves its journal there

    // An entry of a face pack's own map.txt: the line goes in as these
    // bytes exactly (without a line end), and the models go where the line
    // names them, relative to the face folder with "/" between folders.
    // Folders missing on the way are made (and taken away again when the
    // install fails). Empty: the line and names composed above.
    QByteArray lineBytes;
    QString faceTarget, hairTarget;  // empty: no such model
    bool isPackEntry() const { return !lineBytes.isEmpty(); }
};

// Every check made before anything is written: the folders exist and are no
// links, the working files the content needs exist, the names are valid
// Windows names, nothing read-only or a folder stands where a model goes,
// map.txt is a plain writable file (or missing), the line is a non-empty
// single line and everything fits the 8-bit code page.
Result check(const Request& request);

struct Options {
    // The install is recorded so that InstallUndo can take it back, and the
    // files it replaces are kept for that until the next such install.
    bool keepForUndo = false;
    // Told the bytes copied so far; a cancel is honoured until the first
    // model takes its place.
    ProgressSink* progress = nullptr;
};

// Checks, then installs as one FileTransaction: the models are copied in
// under scratch names and synced, each is renamed over its target (so a
// target is at every instant the old model or the new one), and only then is
// the line appended with CR LF and synced (a last line left without its line
// end is ended first). When a step fails, everything is taken back; when the
// process dies, the journal in `journalFolder` lets the next start (or the
// next install) finish or take back the install.
// Refused before anything is written when the disk of the face folder has
// less room than the models take plus a margin.
Result install(const Request& request, const Options& options = {});

// Several installs as one: every model and every line, or nothing. All
// requests share the journal folder of the first. Two models bound for one
// file (letter case ignored, as on Windows) are refused.
Result install(const std::vector<Request>& requests, const Options& options = {});

// The bytes of the models an install copies.
qint64 bytesToCopy(const std::vector<Request>& requests);

// For tests: the free bytes on the disk of a folder (-1: unknown). An empty
// function puts the system's answer back.
using FreeSpaceProbe = std::function<qint64(const QString& folder)>;
void setFreeSpaceProbe(FreeSpaceProbe probe);

// map.txt of a face folder.
QString mapFilePath(const QString& faceFolder);

}  // namespace Installer
