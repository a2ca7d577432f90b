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
// whole removal happens or none of it does, also across a crash: a journal
// in a private folder inside the face folder lets recover() finish or take
// back a removal that was cut short.
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

// For tests: asked before each step that changes the disk, numbered from 0.
// Fail makes the step fail as a refused system call would; Crash abandons
// the removal there as a power cut would, leaving the journal behind.
enum class Fault { None, Fail, Crash };
using FaultPoint = std::function<Fault(int step)>;

// Carries out a plan: the files go to a private folder first, map.txt.bak
// receives the previous map.txt, map.txt is replaced through a temporary
// file and a rename, and only then are the files dropped. Refuses when
// map.txt changed since it was read. On failure every file, map.txt and
// map.txt.bak included, is as it was.
Result apply(const Plan& plan, const FaultPoint& fault = {});

// Finishes a removal whose new map.txt was in place when it was cut short,
// or takes back one that was not. Nothing to do: success.
Result recover(const QString& faceFolder);

// The private folder of a removal in progress.
QString journalFolder(const QString& faceFolder);

}  // namespace MapRemoval
