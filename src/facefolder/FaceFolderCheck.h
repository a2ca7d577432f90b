#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "facefolder/MapFile.h"

// One look at a face folder: its files and those of its team folders,
// listed once (one directory read per folder, no per-file query), found the
// way Windows finds them, with letter case ignored.
class FolderListing {
public:
    struct File {
        QString relative;      // as on disk: "P_face.bin" or "Sample Team/P_Face.bin"
        QString key;           // as Windows compares it (MapFile::placeKey)
        int depth = 1;         // 1: in the face folder, 2: in a team folder, more: deeper
        bool viaLink = false;  // the file is a link or lies in a linked folder
        int sameKey = -1;      // the next file of this key: names that differ only in letter case
    };

    FolderListing() = default;
    FolderListing(FolderListing&&) = default;
    FolderListing& operator=(FolderListing&&) = default;

    // Lists the face folder and each of its sub-folders. A missing face
    // folder gives an empty listing.
    static FolderListing list(const QString& faceFolder);

    const QString& faceFolder() const { return faceFolder_; }
    QString absolute(const File& file) const { return faceFolder_ + QLatin1Char('/') + file.relative; }
    const File& file(int index) const { return files_[size_t(index)]; }
    int fileCount() const { return int(files_.size()); }

    // The files found under a key (MapFile::placeKey): usually one, none
    // when missing, several only where a disk tells letter case apart.
    // Folders below the team folders are listed on first use.
    QList<int> find(const QString& key);
    int findFirst(const QString& key);

private:
    struct Folder {
        QString relative;  // as on disk; "" for the face folder
        QString key;       // folded
        int depth = 0;
        bool viaLink = false;
        bool listed = false;
        Folder* sameName = nullptr;          // the next sub-folder of the parent whose name differs only in case
        QHash<QString, Folder*> subfolders;  // folded name -> first folder of that name
    };
    void listFolder(Folder& f);
    void listFoldersOf(const QString& key);

    QString faceFolder_;
    std::deque<File> files_;
    QHash<QString, int> byKey_;   // the first file of each key
    std::deque<Folder> folders_;  // the face folder first; elements never move
};

// The health of a face folder: what each line of map.txt finds on disk, and
// what is wrong with it.
namespace FaceFolderCheck {

enum Flag : quint32 {
    FaceMissing = 1u << 0,     // the face file the line names is not there
    HairMissing = 1u << 1,     // the hair file likewise
    Duplicate = 1u << 2,       // another line has the same identifier
    NotUnderstood = 1u << 3,   // not an entry in any form the add-on reads
    NoFinalLineEnd = 1u << 4,  // the last line of the file has no line end
    Outside = 1u << 5,         // a name leaves the face folder
};

struct LineState {
    quint32 flags = 0;
    int firstOfId = -1;  // the first line of this identifier, when a duplicate
    QList<int> others;   // the other lines of this identifier
    QString faceKey;     // where the face file is (MapFile::placeKey); empty when none or outside
    QString hairKey;
    int faceFile = -1;  // the listing's file found there, -1 when missing
    int hairFile = -1;
};

struct Report {
    std::vector<LineState> lines;  // one per line of the document
    std::vector<int> orphans;      // model files of the face folder and its team folders no line names
    int entries = 0;
    int problemLines = 0;
    // How many names of lines point at each place, and the places that lines
    // not understood mention: a file mentioned anywhere is never called unnamed.
    QHash<QString, int> named;
    QSet<QString> mentioned;
};

// True for the files that count as models: "*.bin", any letter case.
bool isModelFile(const QString& name);

// The places a line that is not understood may still mean: every quoted
// text and every comma-separated part.
QStringList mentionedPlaces(const MapFile::Document& doc, const MapFile::Line& line);

Report check(const MapFile::Document& doc, FolderListing& listing);

// The state of one line in words ("face file missing; line 4 comes first
// for this player"); "OK" when nothing is wrong.
QString describe(const MapFile::Document& doc, const Report& report, int line);

}  // namespace FaceFolderCheck
