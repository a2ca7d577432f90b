#include "editdb/EditFileBuilder.h"

#include <QtEndian>
#include <stdexcept>

#include "platform/FileOps.h"

namespace {
constexpr qsizetype kPlayers = 416;
constexpr qsizetype kPlayerSize = 228;
constexpr qsizetype kTeams = 2608898;
constexpr qsizetype kTeamSize = 2488;
}  // namespace

EditFileBuilder::EditFileBuilder() : data_(kFullSize, '\0') {}

void EditFileBuilder::put(qsizetype offset, const QByteArray& bytes)
{
    if (offset + bytes.size() > data_.size()) data_.resize(offset + bytes.size(), '\0');
    std::copy(bytes.begin(), bytes.end(), data_.begin() + offset);
}

EditFileBuilder& EditFileBuilder::player(int position, qint32 id, const QByteArray& name)
{
    QByteArray idBytes(4, '\0');
    qToLittleEndian<qint32>(id, idBytes.data());
    put(kPlayers + kPlayerSize * position, idBytes);
    QByteArray field = name.left(46);
    field.append(QByteArray(46 - field.size(), '\0'));
    return playerNameField(position, field);
}

EditFileBuilder& EditFileBuilder::playerNameField(int position, const QByteArray& field46)
{
    return playerField(position, 50, field46);
}

EditFileBuilder& EditFileBuilder::playerField(int position, int offsetInRecord, const QByteArray& bytes)
{
    put(kPlayers + kPlayerSize * position + offsetInRecord, bytes);
    return *this;
}

EditFileBuilder& EditFileBuilder::team(int position, const QByteArray& name)
{
    QByteArray field = name.left(72);
    field.append(QByteArray(72 - field.size(), '\0'));
    return teamField(position, 0, field);
}

EditFileBuilder& EditFileBuilder::teamField(int position, int offsetInRecord, const QByteArray& bytes)
{
    put(kTeams + kTeamSize * position + offsetInRecord, bytes);
    return *this;
}

EditFileBuilder& EditFileBuilder::fillAll()
{
    for (int i = 0; i < 10160; ++i) player(i, 1000 + i, "Player " + QByteArray::number(i));
    for (int i = 0; i < 339; ++i) team(i, "Team " + QByteArray::number(i));
    return *this;
}

EditFileBuilder& EditFileBuilder::length(qsizetype bytes)
{
    length_ = bytes;
    return *this;
}

QByteArray EditFileBuilder::bytes() const
{
    QByteArray out = data_.left(length_);
    if (out.size() < length_) out.append(QByteArray(length_ - out.size(), '\0'));
    return out;
}

QString EditFileBuilder::write(const QString& path) const
{
    if (const Result written = FileOps::writeFile(path, bytes()); !written)
        throw std::runtime_error(written.message.toStdString());
    return path;
}
