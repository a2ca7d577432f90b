#include "models/ModelFileBuilder.h"

#include <zlib.h>
#include <QtEndian>
#include <stdexcept>

#include "platform/FileOps.h"

namespace {
void put32(QByteArray& bytes, int offset, qint32 value) { qToLittleEndian<qint32>(value, bytes.data() + offset); }
}  // namespace

ModelFileBuilder::ModelFileBuilder() : leading_("LUDEXMODEL01"), model_(200, 'm') {}

ModelFileBuilder& ModelFileBuilder::dds(const QByteArray& file)
{
    dds_ = file;
    return *this;
}

ModelFileBuilder& ModelFileBuilder::model(const QByteArray& block)
{
    model_ = block;
    return *this;
}

ModelFileBuilder& ModelFileBuilder::leading(const QByteArray& twelve)
{
    leading_ = twelve.leftJustified(12, '\0', true);
    return *this;
}

QByteArray ModelFileBuilder::payload() const
{
    QByteArray header(kHeaderSize, 'h');
    const qint32 m = modelOffset();
    const qint32 b = 8;
    const qint32 t = textureOffset();
    put32(header, 8, m_.value_or(m));
    put32(header, 12, a_.value_or(m + qint32(model_.size()) - 48 - b));
    put32(header, 24, b_.value_or(b));
    put32(header, 32, t_.value_or(t));
    put32(header, 36, u_.value_or(t + 16 + qint32(dds_.size())));
    return header + model_ + QByteArray(16, 't') + dds_;
}

QByteArray ModelFileBuilder::zlibStream(const QByteArray& data)
{
    uLongf length = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(length), '\0');
    if (compress(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(data.constData()),
                 uLong(data.size())) != Z_OK)
        throw std::runtime_error("zlib compress failed");
    out.truncate(qsizetype(length));
    return out;
}

QByteArray ModelFileBuilder::codecFile(const QByteArray& data, qint32 stored)
{
    QByteArray size(4, '\0');
    put32(size, 0, stored);
    return size + zlibStream(data);
}

QByteArray ModelFileBuilder::bytes() const
{
    const QByteArray data = payload();
    return leading_ + codecFile(data, stored_.value_or(qint32(data.size()))) + trailing_;
}

QString ModelFileBuilder::write(const QString& path) const
{
    if (const Result written = FileOps::writeFile(path, bytes()); !written)
        throw std::runtime_error(written.message.toStdString());
    return path;
}
