#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "facefolder/MapLine.h"
#include "platform/Result.h"

// Reading map.txt back: every line with its exact bytes, and what the line
// means when it is an entry. Lines that people wrote by hand are taken as the
// add-on would likely take them (extra spaces, LF-only ends, blank lines);
// anything else is kept as a line that is not understood, never dropped.
namespace MapFile {

// A face folder's map holds one short line per player: about 60 bytes, for
// some ten thousand players, a few times over at most. A file above this is
// not one and is refused unread, which also bounds the memory and time that
// reading foreign bytes can take.
inline constexpr qint64 kMaxFileSize = 8 * 1024 * 1024;
// A line longer than this is not an entry and is not parsed.
inline constexpr qsizetype kMaxLineLength = 4096;

enum class LineEnd : quint8 { CrLf, Lf, None };
enum class Kind : quint8 { Entry, Blank, NotUnderstood };

struct Line {
    qsizetype offset = 0;  // first byte in the file
    qsizetype length = 0;  // bytes before the line end
    LineEnd end = LineEnd::None;
    Kind kind = Kind::Blank;
    qint32 id = 0;
    QString face;     // the face file as the line names it ("Team\P_Face.bin"); empty when none
    QString hair;     // the hair file, likewise
    QString problem;  // why the line is not understood

    qsizetype fullLength() const { return length + (end == LineEnd::CrLf ? 2 : end == LineEnd::Lf ? 1 : 0); }
    bool isEntry() const { return kind == Kind::Entry; }
    MapLine::Content content() const;  // of an entry
};

struct Document {
    QByteArray bytes;  // the whole file as read
    std::vector<Line> lines;

    // The line's bytes, with or without its line end.
    QByteArrayView raw(const Line& line, bool withEnd = false) const;
    // The line decoded for display, cut to `maxChars` with an ellipsis.
    QString text(const Line& line, qsizetype maxChars = 300) const;
    // True when the file's last line has no line end, so that a line
    // appended as it stands would be glued to it.
    bool lacksFinalLineEnd() const { return !lines.empty() && lines.back().end == LineEnd::None; }
    // The file with the lines at these positions taken out; every other byte as it was.
    QByteArray without(const std::vector<int>& lineIndexes) const;
};

// Splits and parses the bytes; never fails. The lines cover the bytes
// exactly: their full bytes put together give the input back.
Document parse(const QByteArray& bytes);
// Parses one line's bytes (without the line end) into `line`.
void parseLine(QByteArrayView bytes, Line& line);

// Reads and parses a map file; a missing file is an empty document. Refuses
// anything that is not a regular file or is larger than kMaxFileSize.
Result read(const QString& path, Document& out);

// One file or folder name as Windows compares it: trailing dots and spaces
// dropped, letter case folded.
QString foldedName(const QString& name);
// The key under which Windows would find the file a line names, relative
// to the face folder: the folder and file names folded and joined by "/"
// ("sample team/p_face.bin"). Backslashes and slashes both separate; empty
// and "." parts are dropped. Empty when the name leaves the face folder
// (".." or a drive, root or stream) or names nothing.
QString placeKey(const QString& nameInLine);
// The folder and file names a line's name walks through, as the line
// writes them (empty and "." parts dropped); empty when placeKey() is:
// the name leaves the face folder or names nothing. What a face pack's
// files are called, in the pack and when it is installed.
QStringList placeParts(const QString& nameInLine);

// map.txt of one face folder, read again only when its size or time
// changed, with the lines of each identifier at hand.
class Cache {
public:
    // The current document (empty when the file is missing or refused;
    // `status` then says why).
    std::shared_ptr<const Document> document(const QString& path, Result* status = nullptr);
    // Positions of the entries for an identifier, in file order, as of the
    // last document() call.
    QList<int> linesOf(qint32 id) const { return byId_.value(id); }

private:
    QString path_;
    qint64 size_ = -1;
    QDateTime modified_;
    Result status_;
    std::shared_ptr<const Document> doc_ = std::make_shared<Document>();
    QHash<qint32, QList<int>> byId_;
};

}  // namespace MapFile
