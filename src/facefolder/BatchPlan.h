#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "facefolder/Installer.h"
#include "facefolder/MapFile.h"
#include "platform/Result.h"

// Installing many players at once from the face packs in the archive folder:
// the face and hair entries found there are matched to players by the
// identifier or the name in their file names, and each match becomes a row
// that the user reviews before the ticked rows are installed as one.
namespace BatchPlan {

struct Player {
    qint32 id = 0;
    QString name;
};

enum class Part { Face, Hair };

// Tells a face or hair entry by its file name, letter case ignored:
// "12345_face.bin", "Some Name_Hair.bin", "face 12345.bin", "Some Name - Hair.bin".
// `key` is the rest of the name (what names the player), trimmed of
// separators; it is empty for a bare "Face.bin". False for any other file.
bool classify(const QString& fileName, Part& part, QString& key);

struct Settings {
    QString folder;                // walked with all its sub-folders
    QString archiveFolder;         // an entry lying directly in it has no team folder
    QString faceFolder;            // where the rows install
    QString journalFolder;         // the program folder
    bool keepTeamFolders = false;  // a row installs into the team folder named like its entries' folder
};

struct Row {
    bool matched = false;  // a player was found
    qint32 id = 0;
    QString player;                // the player's name as the edit file holds it
    QString faceEntry, hairEntry;  // relative to the archive folder; empty when none
    QString teamFolder;            // empty: the face folder itself
    Installer::Request request;    // what installing the row does (for a matched row)
    QStringList problems;          // conflicts and failed checks, in words
    bool blocked = false;          // the row cannot be installed; problems say why
    bool ticked = false;           // at first: every row that has no problem
    QString packMap;               // the face pack's map.txt whose line the row is; empty: matched by file name
};

struct Plan {
    Result status;  // why the folder could not be read
    std::vector<Row> rows;
    int ignored = 0;  // files that are no face or hair entry
};

// A face pack made to install back exactly (PackExport writes them) is known
// by its map.txt: every entry line of a map.txt found in the folder or below
// becomes a row of its own, with the line's identifier and exact bytes, its
// models taken from beside that map.txt under the names the line gives and
// installed under the same names (the team folders made when missing; a
// folder or file that is there already in another letter case is used).
// The pack's map.txt is foreign input: a name that would leave the pack or
// the face folder, a missing or linked file and a line not understood make
// rows that cannot be installed. The files such lines name are not matched
// by file name again.
//
// Walks the folder (never through links) and matches its entries to the
// players: a key of digits (or one that begins with digits and a separator)
// is an identifier, anything else a name, compared with letter case,
// underscores and runs of spaces ignored. An entry named just "Face.bin" or
// "Hair.bin" takes the name of its folder. Face and hair of one player in one
// folder make one row, whose line is composed as the create commands compose
// theirs, with the player's name as the base name (the identifier when the
// player has no name). The rows are in the order of their entries' paths.
// Conflicts: no player or two players for a name, a failed install check, an
// identifier that has a line in `map` already, a file or a player that an
// earlier row installs too. Only rows without any are ticked at first.
Plan plan(const Settings& settings, const std::vector<Player>& players, const MapFile::Document& map);

// Ticks every row that the user could tick by hand (matched, not blocked),
// conflicts with map.txt included, except a row for a player or a file that
// a row ticked before it installs too: those could only fail together.
void tickConflicting(Plan& plan);

// The installs of the rows that are ticked and not blocked.
std::vector<Installer::Request> tickedRequests(const Plan& plan);

}  // namespace BatchPlan
