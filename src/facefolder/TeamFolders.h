#pragma once

#include <QString>

#include "platform/Result.h"

class FileSystemObject;

// Team sub-folders of the face folder: made, deleted and emptied by name,
// never anything else. Each command is refused, with the reason, before it
// touches the disk when its names do not address a team folder; a well-formed
// name of a folder that does not exist changes nothing and says nothing.
namespace TeamFolders {

// Whether `team` may be made inside `parent`, the folder open in the folder
// list, which must be the face folder or lie inside it (empty: the face folder).
Result checkAdd(const QString& faceFolder, const QString& parent, const QString& team);
// Whether `name` addresses a team folder directly inside the face folder.
// `what` names the command for the message ("delete", "clear").
Result checkTeamFolder(const QString& faceFolder, const QString& name, const QString& what);

// Creates {parent}/{team}; an existing folder of that name is left as it is.
Result add(FileSystemObject& fso, const QString& faceFolder, const QString& parent, const QString& team);

// Deletes {faceFolder}/{name} with everything in it.
Result remove(FileSystemObject& fso, const QString& faceFolder, const QString& name);

// Deletes the files lying directly in {faceFolder}/{name}; its sub-folders stay.
Result clear(FileSystemObject& fso, const QString& faceFolder, const QString& name);

}  // namespace TeamFolders
