#include "models/ThumbnailCache.h"

#include <zlib.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QtEndian>
#include <algorithm>
#include <vector>

#include "platform/FileOps.h"

namespace {

constexpr char kMagic[4] = {'L', 'X', 'T', 'N'};
constexpr quint32 kVersion = 1;
// A picture, one with every pixel opaque (kept without its alpha), and a
// model that gave none.
constexpr quint32 kPicture = 0, kFailure = 1, kOpaquePicture = 2;
constexpr qsizetype kMaxText = 16 * 1024;
const QString kSuffix = QStringLiteral(".thumb");
const QString kScratch = QStringLiteral(".part");
// A cache file that was read this long after it was written is marked as
// used again, so that the trim keeps it over files nobody looks at.
constexpr qint64 kTouchAfterMs = 24LL * 3600 * 1000;

class CacheFileWriter {
public:
    void u32(quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        bytes.append(b, 4);
    }
    void i64(qint64 v)
    {
        char b[8];
        qToLittleEndian(v, b);
        bytes.append(b, 8);
    }
    void text(const QString& s)
    {
        const QByteArray utf8 = s.toUtf8();
        tooLong = tooLong || utf8.size() > kMaxText;
        u32(quint32(utf8.size()));
        bytes.append(utf8);
    }
    QByteArray bytes;
    bool tooLong = false;
};

class CacheFileReader {
public:
    explicit CacheFileReader(QByteArrayView b) : b_(b) {}
    bool u32(quint32* v)
    {
        if (b_.size() - at_ < 4) return false;
        *v = qFromLittleEndian<quint32>(b_.data() + at_);
        at_ += 4;
        return true;
    }
    bool i64(qint64* v)
    {
        if (b_.size() - at_ < 8) return false;
        *v = qFromLittleEndian<qint64>(b_.data() + at_);
        at_ += 8;
        return true;
    }
    bool bytes(qsizetype n, QByteArrayView* out)
    {
        if (n < 0 || b_.size() - at_ < n) return false;
        *out = b_.sliced(at_, n);
        at_ += n;
        return true;
    }
    bool text(QString* s)
    {
        quint32 n = 0;
        QByteArrayView v;
        if (!u32(&n) || n > kMaxText || !bytes(qsizetype(n), &v)) return false;
        *s = QString::fromUtf8(v);
        return true;
    }
    qsizetype at() const { return at_; }

private:
    QByteArrayView b_;
    qsizetype at_ = 0;
};

quint32 checksum(QByteArrayView b)
{
    return quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(b.data()), uInt(b.size())));
}

// Each byte stored as its difference from the same channel of the pixel to
// its left (`channels` bytes a pixel: 3 drops the alpha): smooth pictures
// then pack into far fewer bytes.
QByteArray leftDeltas(const RgbaImage& p, int channels)
{
    QByteArray out(qsizetype(p.width) * p.height * channels, Qt::Uninitialized);
    auto* d = reinterpret_cast<uchar*>(out.data());
    for (int y = 0; y < p.height; ++y) {
        const uchar* s = p.row(y);
        uchar last[4] = {0, 0, 0, 0};
        for (int x = 0; x < p.width; ++x, s += 4)
            for (int c = 0; c < channels; ++c) {
                *d++ = uchar(s[c] - last[c]);
                last[c] = s[c];
            }
    }
    return out;
}

void undoLeftDeltas(const QByteArray& deltas, int channels, RgbaImage* p)
{
    const auto* s = reinterpret_cast<const uchar*>(deltas.constData());
    for (int y = 0; y < p->height; ++y) {
        uchar* d = p->row(y);
        uchar last[4] = {0, 0, 0, 0};
        for (int x = 0; x < p->width; ++x, d += 4) {
            for (int c = 0; c < channels; ++c) d[c] = last[c] = uchar(last[c] + *s++);
            if (channels == 3) d[3] = 255;
        }
    }
}

// A zlib stream of the bytes, made for speed: after the deltas above most
// of what deflate can gain is in its Huffman codes and runs, and searching
// for longer matches would cost more than the rest of a thumbnail.
QByteArray packDeltas(const QByteArray& raw)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK) return QByteArray();
    QByteArray out(qsizetype(deflateBound(&z, uLong(raw.size()))), Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    z.avail_in = uInt(raw.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    const bool done = deflate(&z, Z_FINISH) == Z_STREAM_END;
    out.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return done ? out : QByteArray();
}

// The key at the start of a cache file, after its magic.
bool readKey(CacheFileReader& r, ThumbnailCache::Key* key)
{
    QByteArrayView magic;
    quint32 version = 0, edge = 0;
    if (!r.bytes(4, &magic) || !r.u32(&version) || version != kVersion) return false;
    if (!r.u32(&edge) || edge == 0 || edge > quint32(ThumbnailCache::kMaxEdge)) return false;
    key->edge = int(edge);
    return r.i64(&key->size) && r.i64(&key->modified) && r.text(&key->path);
}

}  // namespace

bool ThumbnailCache::Key::of(const QString& path, int edge, Key* key)
{
    const QFileInfo info(path);
    if (!info.isFile()) return false;
    key->path = info.absoluteFilePath();
    key->size = info.size();
    key->modified = info.lastModified().toMSecsSinceEpoch();
    key->edge = edge;
    return true;
}

QString ThumbnailCache::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/ludex-manager/thumbnails");
}

ThumbnailCache::ThumbnailCache(const QString& folder, qint64 limitBytes) : folder_(folder), limit_(limitBytes) {}

QString ThumbnailCache::fileFor(const QString& modelPath) const
{
    const QByteArray hash = QCryptographicHash::hash(modelPath.toUtf8(), QCryptographicHash::Md5).toHex();
    return folder_ + QLatin1Char('/') + QString::fromLatin1(hash) + kSuffix;
}

QByteArray ThumbnailCache::encode(const Key& key, const Entry& entry)
{
    CacheFileWriter w;
    w.bytes.append(kMagic, 4);
    w.u32(kVersion);
    w.u32(quint32(key.edge));
    w.i64(key.size);
    w.i64(key.modified);
    w.text(key.path);
    if (entry.picture.isNull()) {
        w.u32(kFailure);
        w.text(entry.failure);
    } else {
        const bool opaque = !entry.picture.hasAlpha();
        w.u32(opaque ? kOpaquePicture : kPicture);
        w.u32(quint32(entry.picture.width));
        w.u32(quint32(entry.picture.height));
        const QByteArray stream = packDeltas(leftDeltas(entry.picture, opaque ? 3 : 4));
        if (stream.isEmpty()) return QByteArray();
        w.u32(quint32(stream.size()));
        w.bytes.append(stream);
    }
    if (w.tooLong) return QByteArray();  // the reader would refuse it
    w.u32(checksum(w.bytes));
    return w.bytes;
}

Result ThumbnailCache::decode(QByteArrayView bytes, Key* key, Entry* entry)
{
    *key = Key();
    *entry = Entry();
    const auto damaged = [](const char* why) {
        return Result::failure(QStringLiteral("damaged thumbnail file: %1").arg(QLatin1String(why)));
    };
    if (bytes.size() < 8 || std::memcmp(bytes.data(), kMagic, 4) != 0) return damaged("not a thumbnail file");
    const QByteArrayView body = bytes.first(bytes.size() - 4);
    if (qFromLittleEndian<quint32>(bytes.data() + body.size()) != checksum(body)) return damaged("checksum");
    CacheFileReader r(body);
    if (!readKey(r, key)) return damaged("header");
    const quint32 edge = quint32(key->edge);
    quint32 kind = 0;
    if (!r.u32(&kind)) return damaged("header");
    if (kind == kFailure) {
        if (!r.text(&entry->failure)) return damaged("reason");
    } else if (kind == kPicture || kind == kOpaquePicture) {
        const int channels = kind == kPicture ? 4 : 3;
        quint32 width = 0, height = 0, length = 0;
        QByteArrayView stream;
        if (!r.u32(&width) || !r.u32(&height) || !r.u32(&length) || !r.bytes(qsizetype(length), &stream))
            return damaged("picture header");
        if (width == 0 || height == 0 || width > edge || height > edge) return damaged("picture size");
        RgbaImage& p = entry->picture;
        p.width = int(width);
        p.height = int(height);
        QByteArray deltas(qsizetype(width) * height * channels, Qt::Uninitialized);
        uLongf unpacked = uLongf(deltas.size());
        if (uncompress(reinterpret_cast<Bytef*>(deltas.data()), &unpacked,
                       reinterpret_cast<const Bytef*>(stream.data()), uLong(stream.size())) != Z_OK ||
            unpacked != uLongf(deltas.size())) {
            *entry = Entry();
            return damaged("pixels");
        }
        p.pixels = QByteArray(qsizetype(width) * height * 4, Qt::Uninitialized);
        undoLeftDeltas(deltas, channels, &p);
    } else {
        return damaged("kind");
    }
    if (r.at() != body.size()) {
        *entry = Entry();
        return damaged("trailing bytes");
    }
    return Result::success();
}

bool ThumbnailCache::has(const Key& key) const
{
    QFile file(fileFor(key.path));
    if (!file.open(QIODevice::ReadOnly)) return false;
    // The fixed fields and the path, at most as long as a path may be.
    const QByteArray head = file.read(28 + 4 + kMaxText);
    if (head.size() < 4 || std::memcmp(head.data(), kMagic, 4) != 0) return false;
    CacheFileReader r(head);
    Key stored;
    return readKey(r, &stored) && stored == key;
}

bool ThumbnailCache::find(const Key& key, Entry* entry) const
{
    const QString name = fileFor(key.path);
    QFile file(name);
    // Larger than any thumbnail file can be: damage, not data.
    constexpr qint64 kMaxFile = qint64(kMaxEdge) * kMaxEdge * 5 + 2 * kMaxText + 4096;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFile) return false;
    const QByteArray bytes = file.readAll();
    Key stored;
    if (!decode(bytes, &stored, entry) || !(stored == key)) {
        *entry = Entry();
        return false;
    }
    const QDateTime written = file.fileTime(QFileDevice::FileModificationTime);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (written.msecsTo(now) > kTouchAfterMs) file.setFileTime(now, QFileDevice::FileModificationTime);
    return true;
}

Result ThumbnailCache::store(const Key& key, const Entry& entry, bool shown)
{
    const QByteArray bytes = encode(key, entry);
    if (bytes.isEmpty()) return Result::failure(QStringLiteral("the thumbnail could not be packed"));
    if (!QDir().mkpath(folder_))
        return Result::failure(QStringLiteral("The thumbnail folder %1 cannot be made").arg(FileOps::shown(folder_)));
    const QString target = fileFor(key.path);
    QTemporaryFile scratch(target + QStringLiteral(".XXXXXX") + kScratch);
    if (!scratch.open()) return Result::failure(scratch.errorString());
    if (Result w = FileOps::writeAll(scratch, bytes); !w) return w;
    // Made ahead and never looked at: dated back, so that the trim takes
    // these before any that was on screen. The first look dates it anew.
    if (!shown)
        scratch.setFileTime(QDateTime::currentDateTimeUtc().addMSecs(-2 * kTouchAfterMs),
                            QFileDevice::FileModificationTime);
    scratch.close();
    const qint64 replaced = QFileInfo(target).size();
    if (Result r = FileOps::renameOver(scratch.fileName(), target); !r) return r;
    scratch.setAutoRemove(false);

    bool over = false;
    {
        QMutexLocker lock(&mutex_);
        if (used_ < 0)
            countUsed();  // the new file among them
        else
            used_ += bytes.size() - replaced;
        over = used_ > limit_;
    }
    if (over) trim();
    return Result::success();
}

void ThumbnailCache::countUsed()
{
    used_ = 0;
    QDirIterator it(folder_, {QLatin1Char('*') + kSuffix}, QDir::Files);
    while (it.hasNext()) {
        it.next();
        used_ += it.fileInfo().size();
    }
}

qint64 ThumbnailCache::usedBytes() const
{
    QMutexLocker lock(&mutex_);
    return used_;
}

void ThumbnailCache::trim()
{
    QMutexLocker lock(&mutex_);
    struct File {
        QString path;
        qint64 size;
        qint64 modified;
    };
    std::vector<File> files;
    qint64 total = 0;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QDirIterator it(folder_, QDir::Files);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const qint64 modified = info.lastModified().toMSecsSinceEpoch();
        if (info.fileName().endsWith(kScratch)) {
            // Left by a program that was killed while writing (a live
            // writer renames its scratch file within moments).
            if (now - modified > 3600LL * 1000) QFile::remove(info.filePath());
        } else if (info.fileName().endsWith(kSuffix)) {
            files.push_back({info.filePath(), info.size(), modified});
            total += info.size();
        }
    }
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.modified < b.modified; });
    for (const File& f : files) {
        if (total <= limit_ / 4 * 3) break;
        if (QFile::remove(f.path)) total -= f.size;
    }
    used_ = total;
}
