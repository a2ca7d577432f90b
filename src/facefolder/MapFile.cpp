#include "facefolder/MapFile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/FileOps.h"

namespace MapFile {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Walks the bytes of one line.
struct Cursor {
    const char* p;
    const char* end;
    void skipSpaces()
    {
        while (p < end && isSpace(*p)) ++p;
    }
    bool atEnd() const { return p == end; }
    bool at(char c) const { return p < end && *p == c; }
};

// Reads "-123" at the cursor into `id`; false with `problem` set when there is none.
bool readId(Cursor& c, qint32& id, QString& problem)
{
    const bool negative = c.at('-');
    if (negative) ++c.p;
    qint64 value = 0;
    int digits = 0;
    while (c.p < c.end && *c.p >= '0' && *c.p <= '9') {
        if (value <= 2147483648LL) value = value * 10 + (*c.p - '0');
        ++c.p;
        ++digits;
    }
    if (digits == 0) {
        problem = QStringLiteral("it does not begin with a player's identifier");
        return false;
    }
    if (value > (negative ? 2147483648LL : 2147483647LL)) {
        problem = QStringLiteral("the identifier is out of range");
        return false;
    }
    id = qint32(negative ? -value : value);
    return true;
}

// The fields after the identifier: a quoted name or an empty field each,
// separated by commas; at most two (face, hair).
bool readFields(Cursor& c, QString (&names)[2], int& count, QString& problem)
{
    count = 0;
    for (;;) {
        if (count == 2) {
            problem = QStringLiteral("it has more than a face and a hair field");
            return false;
        }
        c.skipSpaces();
        if (c.at('"')) {
            const char* open = ++c.p;
            const auto* close = static_cast<const char*>(std::memchr(open, '"', size_t(c.end - open)));
            if (!close) {
                problem = QStringLiteral("a file name lacks its closing quotation mark");
                return false;
            }
            if (std::any_of(open, close, isControl)) {
                problem = QStringLiteral("a file name holds a control character");
                return false;
            }
            names[count++] = CodePage::decode(open, close - open);
            c.p = close + 1;
        } else if (c.at(',')) {
            names[count++] = QString();  // the empty face field of a hair-only line
        } else {
            problem = c.atEnd() ? (count == 0 ? QStringLiteral("no file is named after the identifier")
                                              : QStringLiteral("nothing follows the last comma"))
                                : QStringLiteral("text stands outside the quotation marks");
            return false;
        }
        c.skipSpaces();
        if (c.atEnd()) return true;
        if (!c.at(',')) {
            problem = QStringLiteral("text follows a file name");
            return false;
        }
        ++c.p;
    }
}

QString stripTrailingDotsAndSpaces(QString part)
{
    if (part == QLatin1String(".") || part == QLatin1String("..")) return part;
    while (!part.isEmpty() && (part.back() == QLatin1Char(' ') || part.back() == QLatin1Char('.'))) part.chop(1);
    return part;
}

}  // namespace

MapLine::Content Line::content() const
{
    if (face.isEmpty()) return MapLine::Content::OnlyHair;
    return hair.isEmpty() ? MapLine::Content::OnlyFace : MapLine::Content::FaceAndHair;
}

void parseLine(QByteArrayView bytes, Line& line)
{
    line.kind = Kind::NotUnderstood;
    line.id = 0;
    line.face.clear();
    line.hair.clear();
    line.problem.clear();
    if (bytes.size() > kMaxLineLength) {
        line.problem = QStringLiteral("a line of %1 bytes is too long for an entry").arg(bytes.size());
        return;
    }
    Cursor c{bytes.data(), bytes.data() + bytes.size()};
    c.skipSpaces();
    if (c.atEnd()) {
        line.kind = Kind::Blank;
        return;
    }
    if (bytes.contains('\0')) {
        line.problem = QStringLiteral("it holds a NUL byte");
        return;
    }
    if (!readId(c, line.id, line.problem)) return;
    c.skipSpaces();
    if (!c.at(',')) {
        line.problem = QStringLiteral("no comma follows the identifier");
        return;
    }
    ++c.p;
    QString names[2];
    int count = 0;
    if (!readFields(c, names, count, line.problem)) return;
    if (names[0].isEmpty() && names[1].isEmpty()) {
        line.problem = QStringLiteral("it names no file");
        return;
    }
    line.face = names[0];
    line.hair = names[1];
    line.kind = Kind::Entry;
}

Document parse(const QByteArray& bytes)
{
    Document doc;
    doc.bytes = bytes;
    // About one line per 60 bytes in a map written by the program.
    doc.lines.reserve(size_t(bytes.size() / 48 + 1));
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    while (start < size) {
        const auto* nl = static_cast<const char*>(std::memchr(data + start, '\n', size_t(size - start)));
        Line line;
        line.offset = start;
        if (nl) {
            const qsizetype at = nl - data;
            const bool cr = at > start && data[at - 1] == '\r';
            line.length = at - start - (cr ? 1 : 0);
            line.end = cr ? LineEnd::CrLf : LineEnd::Lf;
            start = at + 1;
        } else {
            line.length = size - start;
            line.end = LineEnd::None;
            start = size;
        }
        parseLine(QByteArrayView(data + line.offset, line.length), line);
        doc.lines.push_back(std::move(line));
    }
    return doc;
}

QByteArrayView Document::raw(const Line& line, bool withEnd) const
{
    return QByteArrayView(bytes.constData() + line.offset, withEnd ? line.fullLength() : line.length);
}

QString Document::text(const Line& line, qsizetype maxChars) const
{
    const QByteArrayView r = raw(line);
    QString t = CodePage::decode(r.data(), std::min(r.size(), maxChars));
    // Control characters are shown as their pictures, so that a NUL or a
    // stray carriage return can be seen.
    for (QChar& ch : t)
        if (ch.unicode() < 0x20) ch = QChar(0x2400 + ch.unicode());
    if (r.size() > maxChars) t += QChar(0x2026);
    return t;
}

QByteArray Document::without(const std::vector<int>& lineIndexes) const
{
    std::vector<char> drop(lines.size(), 0);
    for (int i : lineIndexes)
        if (i >= 0 && size_t(i) < lines.size()) drop[size_t(i)] = 1;
    QByteArray out;
    out.reserve(bytes.size());
    // Copies runs of kept lines in one piece each.
    qsizetype runStart = -1, runEnd = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        if (drop[i]) {
            if (runStart >= 0) out.append(bytes.constData() + runStart, runEnd - runStart);
            runStart = -1;
            continue;
        }
        if (runStart < 0) runStart = l.offset;
        runEnd = l.offset + l.fullLength();
    }
    if (runStart >= 0) out.append(bytes.constData() + runStart, runEnd - runStart);
    return out;
}

Result read(const QString& path, Document& out)
{
    out = Document();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return Result::success();
    if (!info.isFile())
        return Result::failure(QStringLiteral("%1 is not a file and was not read.").arg(FileOps::shown(path)));
    const auto tooLarge = [&](qint64 size) {
        return Result::failure(QStringLiteral("%1 is %2 MB. A face folder's map holds one short line per player; a "
                                              "file above %3 MB is not one, and it was not read.")
                                   .arg(FileOps::shown(path))
                                   .arg(double(size) / (1024 * 1024), 0, 'f', 1)
                                   .arg(kMaxFileSize / (1024 * 1024)));
    };
    if (info.size() > kMaxFileSize) return tooLarge(info.size());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::failure(QStringLiteral("%1 cannot be read: %2").arg(FileOps::shown(path), file.errorString()));
    // Never more than the limit, even when the file grows while it is read.
    QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return Result::failure(QStringLiteral("%1 cannot be read: %2").arg(FileOps::shown(path), file.errorString()));
    if (bytes.size() > kMaxFileSize) return tooLarge(bytes.size());
    out = parse(bytes);
    return Result::success();
}

QString foldedName(const QString& name)
{
    QString folded = stripTrailingDotsAndSpaces(name);
    // Character by character, as Windows compares names; much quicker than
    // the full Unicode folding of a whole text.
    for (QChar& c : folded) c = c.toCaseFolded();
    return folded;
}

QString placeKey(const QString& nameInLine)
{
    // Built and folded in one pass: the check makes one for every name of every line.
    QString key(nameInLine.size(), Qt::Uninitialized);
    QChar* out = key.data();
    qsizetype length = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= nameInLine.size(); ++i) {
        if (i < nameInLine.size() && nameInLine[i] != QLatin1Char('\\') && nameInLine[i] != QLatin1Char('/')) continue;
        QStringView part = QStringView(nameInLine).mid(start, i - start);
        start = i + 1;
        const bool dots =
            !part.isEmpty() && part[0] == u'.' && (part.size() == 1 || (part.size() == 2 && part[1] == u'.'));
        // A parent folder, a drive or a stream leaves the face folder's files.
        if ((dots && part.size() == 2) || part.contains(u':')) return QString();
        if (dots) continue;
        while (!part.isEmpty() && (part.back() == u' ' || part.back() == u'.')) part.chop(1);
        if (part.isEmpty()) continue;
        if (length > 0) out[length++] = QLatin1Char('/');
        for (QChar c : part) out[length++] = c.toCaseFolded();
    }
    key.truncate(length);
    return key;
}

QStringList placeParts(const QString& nameInLine)
{
    if (placeKey(nameInLine).isEmpty()) return {};
    QStringList parts;
    for (const QString& part : nameInLine.split(QLatin1Char('\\'))) {
        for (const QString& piece : part.split(QLatin1Char('/')))
            if (!piece.isEmpty() && piece != QLatin1String(".")) parts << piece;
    }
    return parts;
}

std::shared_ptr<const Document> Cache::document(const QString& path, Result* status)
{
    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    if (path != path_ || size != size_ || modified != modified_) {
        auto doc = std::make_shared<Document>();
        status_ = read(path, *doc);
        byId_.clear();
        for (size_t i = 0; i < doc->lines.size(); ++i)
            if (doc->lines[i].isEntry()) byId_[doc->lines[i].id].append(int(i));
        doc_ = std::move(doc);
        path_ = path;
        size_ = size;
        modified_ = modified;
    }
    if (status) *status = status_;
    return doc_;
}

}  // namespace MapFile
