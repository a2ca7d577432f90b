#pragma once

#include <QString>

// Turns a whole file into a size-prefixed zlib file and back: 4 bytes of
// uncompressed size (signed 32-bit, little-endian), then a zlib stream.
class BazaZlib {
public:
    // Raises std::runtime_error when the source cannot be read or is empty,
    // or the destination cannot be written.
    void CompressFile(const QString& Source, const QString& Destination);
    // Never raises. `Compressed` and `Uncompressed` may be the same path.
    void UncompressFile(const QString& Compressed, const QString& Uncompressed) noexcept;
};
