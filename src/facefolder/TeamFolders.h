#pragma once

#include <QString>

class FileSystemObject;

// Team sub-folders of the face folder: made, deleted and emptied by name,
// never anything else. Every refusal says why; a name that does not exist
// changes nothing and says nothing.
namespace TeamFolders {

struct Result {
    bool acted = false;  // false: refused before touching the disk
    QString message;     // a warning to show, or empty
};

// Creates {parent}/{team}. `parent` is the folder open in the folder list and
// must be the face folder or lie inside it (empty: the face folder). An
// existing folder of that name is left as it is, silently.
Result add(FileSystemObject& fso, const QString& faceFolder, const QString& parent, const QString& team);

// Deletes {faceFolder}/{name} with everything in it.
Result remove(FileSystemObject& fso, const QString& faceFolder, const QString& name);

// Deletes the files lying directly in {faceFolder}/{name}; its sub-folders stay.
Result clear(FileSystemObject& fso, const QString& faceFolder, const QString& name);

// Why `name` cannot address a team folder directly inside the face folder, or
// empty. `what` names the command for the message ("delete", "clear").
QString teamFolderProblem(const QString& faceFolder, const QString& name, const QString& what);

}  // namespace TeamFolders
