#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Builds face and hair model files, for the sample world and the tests: 12 leading bytes, the payload's
// uncompressed size (signed 32-bit, little-endian), the zlib stream of the
// payload. The payload carries a header with M (at 8), A (12), B (24), T (32)
// and U (36), a model block from M to A + B + 48, and a texture block at T
// whose DDS starts at T + 16; U - T is the DDS length plus 16.
//
// Every header value and the stored size can be overridden to build damaged files.
class ModelFileBuilder {
public:
    static constexpr int kHeaderSize = 64;

    ModelFileBuilder();

    ModelFileBuilder& dds(const QByteArray& file);
    ModelFileBuilder& model(const QByteArray& block);
    ModelFileBuilder& leading(const QByteArray& twelve);
    ModelFileBuilder& M(qint32 v)
    {
        m_ = v;
        return *this;
    }
    ModelFileBuilder& A(qint32 v)
    {
        a_ = v;
        return *this;
    }
    ModelFileBuilder& B(qint32 v)
    {
        b_ = v;
        return *this;
    }
    ModelFileBuilder& T(qint32 v)
    {
        t_ = v;
        return *this;
    }
    ModelFileBuilder& U(qint32 v)
    {
        u_ = v;
        return *this;
    }
    // The size written before the stream (default: the payload's length).
    ModelFileBuilder& storedSize(qint32 v)
    {
        stored_ = v;
        return *this;
    }
    // Bytes after the zlib stream.
    ModelFileBuilder& trailing(const QByteArray& bytes)
    {
        trailing_ = bytes;
        return *this;
    }

    // Offsets of the blocks in the payload as built.
    qint32 modelOffset() const { return kHeaderSize; }
    qint32 textureOffset() const { return kHeaderSize + qint32(model_.size()); }

    QByteArray payload() const;
    QByteArray bytes() const;
    // Writes the file (creating its folder) and returns the path; throws
    // std::runtime_error when it cannot be written.
    QString write(const QString& path) const;

    // A zlib stream of the data, as zlib's one-shot compress makes it.
    static QByteArray zlibStream(const QByteArray& data);
    // A size-prefixed zlib file: `stored` (signed 32-bit, little-endian), then
    // the zlib stream of the data.
    static QByteArray codecFile(const QByteArray& data, qint32 stored);

private:
    QByteArray leading_;
    QByteArray model_;
    QByteArray dds_;
    QByteArray trailing_;
    std::optional<qint32> m_, a_, b_, t_, u_, stored_;
};
