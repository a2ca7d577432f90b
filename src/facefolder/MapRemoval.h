#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "facefolder/FaceFolderCheck.h"
#include "facefolder/MapFile.h"
#include "platform/Result.h"

// Taking entries out of a face folder: their lines leave map.txt and their
// model files go, except any file that a remaining line still names. The
// whole removal is one FileTransaction, so that it happens or none of it
// does, also across a kill: its journal lies in the program folder, and the
// recovery of every transaction finishes or takes it back.
namespace MapRemoval {

struct Plan {
    QString faceFolder;
    std::vector<int> lines;   // positions in the document, ascending
    QStringList lineTexts;    // those lines as shown, for the confirmation
    QStringList deleteFiles;  // relative to the face folder, as on disk
    QStringList keptFiles;    // named by the removed lines but kept, each with the reason
    QByteArray oldBytes;      // map.txt as read
    QByteArray newBytes;      // map.txt without the removed lines

    bool isEmpty() const { return lines.empty() && deleteFiles.isEmpty(); }
    // What will be deleted, for the question put to the user.
    QString confirmation() const;
};

// What removing these lines (document positions) and these unnamed model
// files (listing indexes, FaceFolderCheck::Report::orphans) would delete. A
// file is deleted only when it is a model file ("*.bin") in the face folder
// or a team folder, not a link nor in a linked folder, and no remaining line
// names or mentions it (letter case ignored, as on Windows).
Plan plan(const MapFile::Document& doc, FolderListing& listing, const FaceFolderCheck::Report& report,
          const std::vector<int>& lines, const std::vector<int>& orphanFiles = {});

// For tests: asked before each step of the removal's transaction, numbered
// from 0. Fail makes the step fail as a refused system call would; Crash
// abandons the removal there as a kill would, leaving the journal behind.
enum class Fault { None, Fail, Crash };
using FaultPoint = std::function<Fault(int step)>;

// Carries out a plan as one transaction journalled in `programFolder`:
// map.txt.bak receives the previous map.txt, map.txt the new bytes, and the
// files go, each replaced or removed in one step and kept under a second
// name until the end. Refuses when map.txt changed since it was read. On
// failure every file, map.txt and map.txt.bak included, is as it was.
Result apply(const Plan& plan, const QString& programFolder, const FaultPoint& fault = {});
// The same for a caller without a program folder: the journal lies in a
// private folder inside the face folder (journalFolder()), which recover()
// looks at.
Result apply(const Plan& plan, const FaultPoint& fault = {});

// What a removal cut short left in the face folder itself: one journalled
// inside it (see above), or by an earlier version, whose own record is still
// honoured (finished when its new map.txt was in place, taken back when not).
// Removals journalled in the program folder are FileTransaction::recover()'s.
// Nothing to do: success.
Result recover(const QString& faceFolder);

// Removes the copies of map.txt that an earlier version, killed while it
// wrote them beside their targets, left in the face folder: those its record
// names go with recover(), the others once they have lain there an hour.
// A directory read of the face folder: for the start, not for every removal.
void removeOldScratch(const QString& faceFolder);

// The private folder of a removal in progress.
QString journalFolder(const QString& faceFolder);

}  // namespace MapRemoval
