#include "models/BazaZlib.h"

#include <zlib.h>
#include <QFile>
#include <QtEndian>
#include <cfenv>
#include <cmath>
#include <limits>
#include <new>

namespace {

// Replaces the file's content whole: an older, longer file must not keep a
// stale tail behind the new bytes.
bool writeWhole(const QString& path, const QByteArray& head, const QByteArray& body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    bool ok = file.write(head) == head.size() && file.write(body) == body.size();
    file.close();
    return ok && file.error() == QFileDevice::NoError;
}

}  // namespace

qint64 BazaZlib::CompressCapacity(qint64 n)
{
    const double c = double(n) * 0.01 + double(n) + 12.0;
    // Rounding to nearest, ties to even, whatever mode the process runs in.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(c);
    std::fesetround(previous);
    return qint64(rounded);
}

bool BazaZlib::CompressBuffer(QByteArray& data)
{
    const qint64 capacity = CompressCapacity(data.size());
    QByteArray out(qsizetype(capacity + 1), '\0');
    uLongf destLen = uLongf(capacity);
    const int rc = compress(reinterpret_cast<Bytef*>(out.data()), &destLen,
                            reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()));
    // The capacity always covers zlib's bound, so this only reports a broken
    // zlib; a truncated stream must never be written as if it were whole.
    if (rc != Z_OK) return false;
    out.truncate(qsizetype(destLen));
    data = out;
    return true;
}

QByteArray BazaZlib::UncompressBuffer(const char* stream, qsizetype length, qint32 size)
{
    // A size that this stream cannot possibly unpack to must not make the
    // buffer for it either: 28 bytes would otherwise claim 256 MiB.
    if (size <= 0 || size > kMaxUncompressedSize || qint64(size) > maxUncompressedFrom(length)) return QByteArray();
    // Only the bytes zlib writes are kept, so nothing needs clearing first.
    QByteArray out(qsizetype(size) + 1, Qt::Uninitialized);
    uLongf destLen = uLongf(size);
    // The result code is not examined: a stream cut short or longer than the
    // stored size still yields what zlib produced, up to the stored size.
    uncompress(reinterpret_cast<Bytef*>(out.data()), &destLen, reinterpret_cast<const Bytef*>(stream), uLong(length));
    if (destLen > uLongf(size)) destLen = uLongf(size);
    out.truncate(qsizetype(destLen));
    return out;
}

Result BazaZlib::CompressFile(const QString& Source, const QString& Destination)
{
    QByteArray data;
    {
        QFile in(Source);
        if (!in.open(QIODevice::ReadOnly)) return Result::failure(QStringLiteral("cannot read ") + Source);
        const qint64 n = in.size();
        if (n <= 0) return Result::failure(QStringLiteral("nothing to compress in ") + Source);
        if (n > std::numeric_limits<qint32>::max()) return Result::failure(QStringLiteral("too large: ") + Source);
        data = in.readAll();
        if (data.size() != n) return Result::failure(QStringLiteral("cannot read ") + Source);
    }
    QByteArray file;
    if (!Compress(data, file)) return Result::failure(QStringLiteral("zlib cannot compress ") + Source);
    if (!writeWhole(Destination, QByteArray(), file))
        return Result::failure(QStringLiteral("cannot write ") + Destination);
    return Result::success();
}

bool BazaZlib::Compress(const QByteArray& data, QByteArray& file)
{
    if (data.isEmpty() || data.size() > std::numeric_limits<qint32>::max()) return false;
    QByteArray stream = data;
    if (!CompressBuffer(stream)) return false;
    QByteArray out(4, '\0');
    qToLittleEndian<qint32>(qint32(data.size()), out.data());
    file = out + stream;
    return true;
}

bool BazaZlib::Uncompress(const QByteArray& file, QByteArray& payload) noexcept
{
    try {
        const qint64 length = file.size();
        // A zlib stream never needs much more room than its data; a larger
        // file is not one of ours.
        if (length < 4 || length - 4 > qint64(kMaxUncompressedSize) + kMaxUncompressedSize / 64) return false;
        const qint32 size = qFromLittleEndian<qint32>(file.constData());
        payload = UncompressBuffer(file.constData() + 4, qsizetype(length - 4), size);
        return true;
    } catch (const std::bad_alloc&) {
        // A size the memory cannot hold: the caller keeps what it had.
        return false;
    }
}

void BazaZlib::UncompressFile(const QString& Compressed, const QString& Uncompressed) noexcept
{
    try {
        QByteArray file;
        {
            QFile in(Compressed);
            if (!in.open(QIODevice::ReadOnly)) return;
            // Not read into memory when it is too large to be one of ours.
            if (in.size() - 4 > qint64(kMaxUncompressedSize) + kMaxUncompressedSize / 64) return;
            file = in.readAll();
        }
        QByteArray data;
        if (Uncompress(file, data)) writeWhole(Uncompressed, QByteArray(), data);
    } catch (const std::bad_alloc&) {
        // The output stays as it was, and the caller finds out from it.
    }
}
