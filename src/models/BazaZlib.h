#pragma once

#include <QByteArray>
#include <QString>

#include "platform/Result.h"

// Turns a whole file into a size-prefixed zlib file and back: 4 bytes of
// uncompressed size (signed 32-bit, little-endian), then a zlib stream.
// Bytes after the end of the stream are ignored on reading.
class BazaZlib {
public:
    // Largest uncompressed size that UncompressFile accepts. Model payloads are
    // a few megabytes; a stored size beyond this is damage, not data, and
    // must not drive an allocation.
    static constexpr qint32 kMaxUncompressedSize = 256 * 1024 * 1024;

    // zlib's deflate makes at most about 1,032 bytes of data out of one byte
    // of stream: the most that a stream of this length can unpack to. A
    // stored size beyond it is damage, and is refused before anything is
    // allocated for it.
    static constexpr qint64 kMaxExpansion = 1032;
    static qint64 maxUncompressedFrom(qint64 streamLength) { return streamLength * kMaxExpansion; }

    // Fails when the source cannot be read or is empty, or the destination
    // cannot be written. The destination is replaced whole.
    Result CompressFile(const QString& Source, const QString& Destination);
    // Never fails. `Compressed` and `Uncompressed` may be the same path: the
    // whole input is read and closed before the output is opened.
    //
    // The output holds what zlib produced, at most the stored size (a damaged
    // stream gives what could be decoded, possibly nothing). When the input
    // cannot be read (missing, shorter than 4 bytes, too large) the output is
    // left untouched; when the stored size is 0 or less, beyond
    // kMaxUncompressedSize or beyond what the stream's length can hold
    // (maxUncompressedFrom), the output is written empty.
    void UncompressFile(const QString& Compressed, const QString& Uncompressed) noexcept;
    // What UncompressFile writes for a codec file already in memory: false
    // where it would leave its output untouched, `payload` unchanged then.
    static bool Uncompress(const QByteArray& file, QByteArray& payload) noexcept;
    // What CompressFile writes for data already in memory: the size, then the
    // stream. False (`file` unchanged) when the data is empty, beyond a signed
    // 32-bit size, or zlib fails.
    static bool Compress(const QByteArray& data, QByteArray& file);

    // Output capacity for compressing n bytes: n * 0.01 + n + 12 in double
    // precision, rounded to nearest with ties to even (1,000 gives 1,022).
    static qint64 CompressCapacity(qint64 n);

private:
    static bool CompressBuffer(QByteArray& data);
    static QByteArray UncompressBuffer(const char* stream, qsizetype length, qint32 size);
};
