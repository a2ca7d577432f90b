#pragma once

#include <QString>

// The add-on's map.txt entry: one line per player naming the face and hair
// models that the add-on loads for that player's identifier.
namespace MapLine {

// What a line (and an install) covers.
enum class Content { FaceAndHair, OnlyFace, OnlyHair };

inline bool hasFace(Content c) { return c != Content::OnlyHair; }
inline bool hasHair(Content c) { return c != Content::OnlyFace; }

// The file names under which a base name's models are installed, exactly as
// the line names them.
QString faceFileName(const QString& baseName);  // base + "_Face.bin"
QString hairFileName(const QString& baseName);  // base + "_Hair.bin"

// The name part of a line whose models lie in a team sub-folder. The
// backslash is the add-on's own separator on every platform.
QString folderNamePart(const QString& folderName, const QString& baseName);

// Composes the line; id and namePart pass through unchanged:
//   FaceAndHair  {ID}, "{P}_Face.bin", "{P}_Hair.bin"
//   OnlyFace     {ID}, "{P}_Face.bin"
//   OnlyHair     {ID}, ,"{P}_Hair.bin"
QString compose(const QString& id, const QString& namePart, Content content);

// The text after the last folder separator of a path; empty when the path
// ends with a separator (a root). A backslash counts as a separator only
// where it is one.
QString lastPart(const QString& path);

}  // namespace MapLine
