#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

#include "facefolder/FaceFolderCheck.h"
#include "facefolder/MapFile.h"
#include "platform/Result.h"

class ProgressSink;

// Hands a face folder's players on as a face pack: a ZIP that holds the
// chosen entries' model files in the team folders they are installed in,
// under the names map.txt gives them, a map.txt of exactly those entries'
// lines (their bytes as in the face folder, each ended with CR LF) and a
// short readme.txt. Install from Archive recognises such a pack by its
// map.txt and installs every entry back with its own identifier and folders.
//
// Made in two steps, so that the user hears which entries cannot go before
// anything is written:
//
//     PackExport::Plan plan = PackExport::plan(faceFolder, {.all = true});
//     if (!plan.status) fail(plan.status.message);
//     for (const auto& s : plan.skipped) warn(s.describe());
//     Result written = PackExport::write(plan, "/home/me/My Faces.zip", {.journalFolder = programFolder});
namespace PackExport {

// Which entries: all of them, or those of the given players, those whose
// files lie in the given team folders (letter case ignored), and the given
// lines of map.txt (0-based), together.
struct Selection {
    bool all = false;
    QList<qint32> ids;
    QStringList teamFolders;
    std::vector<int> lines;
};

struct Entry {
    int line = -1;  // in map.txt, 0-based
    qint32 id = 0;
    QByteArray lineBytes;            // the line's bytes without its line end
    QString faceSource, hairSource;  // the files in the face folder; empty when the line names none
    QString faceEntry, hairEntry;    // their names in the pack ("Team/P_Face.bin")
    qint64 bytes = 0;                // of both models
};

struct Skipped {
    int line = -1;  // -1: a choice that no line matched
    QString what;   // "line 12 (12345)", or the player or team folder asked for
    QString why;
    QString describe() const { return what + QStringLiteral(": ") + why; }
};

struct Plan {
    Result status;  // why the face folder or map.txt could not be read
    QString faceFolder;
    std::vector<Entry> entries;
    std::vector<Skipped> skipped;
    qint64 bytes = 0;  // of all the models
    int files = 0;     // model files in the pack

    // The skipped entries in words, one per line, at most `max` of them.
    QString describeSkipped(int max = 20) const;
};

// Reads map.txt and the face folder and decides, for every chosen line,
// whether it can go into the pack. Not exported, each with its reason: a
// line that is not understood, a missing model, an identifier that another
// line has too, a name that leaves the face folder or that Windows would
// not take, a model that is a link or lies in a linked folder, a model that
// an earlier exported line names too. Lines that only a team folder or
// "all" chose are skipped silently when they are blank.
Plan plan(const QString& faceFolder, const Selection& selection);
// The same on a face folder already read (the "Installed..." window's).
Plan plan(const QString& faceFolder, const MapFile::Document& map, FolderListing& listing,
          const FaceFolderCheck::Report& report, const Selection& selection);

struct Options {
    // The program folder: a killed export's scratch is named there, for the
    // next start to remove. Without one, the system's temporary folder,
    // which no start looks into.
    QString journalFolder;
    // Models are zlib streams already and gain next to nothing from
    // deflating; they are stored unless asked. map.txt and readme.txt are
    // always deflated.
    bool deflateModels = false;
    ProgressSink* progress = nullptr;  // in bytes of the models; cancel is honoured until the end
    QString programVersion;            // for readme.txt; the application's own when empty
};

// Writes the pack to `zipPath` (replacing a file there) as AtomicOutput
// does: until it is complete nothing is at the path, and a failure or a
// cancel leaves nothing. An empty plan is refused, and so is a path that is
// the face folder's map.txt or one of the models the pack takes.
Result write(const Plan& plan, const QString& zipPath, const Options& options);

// The message of a cancelled export.
QString cancelledMessage();

// The team folder part of a name in a line ("Team\P_Face.bin" -> "Team");
// empty for a file in the face folder itself.
QString teamFolderOf(const QString& nameInLine);

}  // namespace PackExport
