#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Builds edit files of our own making, for the sample world and the tests:
// player records from offset 416 (228 bytes each), team records from offset
// 2,608,898 (2488 bytes each).
class EditFileBuilder {
public:
    static constexpr qsizetype kFullSize = 3452330;

    EditFileBuilder();

    // Player at a record position: identifier and raw 8-bit name bytes (at
    // most 46; shorter names are NUL-padded).
    EditFileBuilder& player(int position, qint32 id, const QByteArray& name);
    // Raw bytes of a whole name field (46 bytes, no padding added).
    EditFileBuilder& playerNameField(int position, const QByteArray& field46);
    EditFileBuilder& playerField(int position, int offsetInRecord, const QByteArray& bytes);
    EditFileBuilder& team(int position, const QByteArray& name);
    EditFileBuilder& teamField(int position, int offsetInRecord, const QByteArray& bytes);
    // Fills every player with "Player <i>" / id 1000+i and every team with "Team <i>".
    EditFileBuilder& fillAll();
    // Total length of the file (default: the full 3,452,330 bytes).
    EditFileBuilder& length(qsizetype bytes);

    QByteArray bytes() const;
    // Writes the file (creating its folder) and returns its path; throws
    // std::runtime_error when it cannot be written.
    QString write(const QString& path) const;

private:
    void put(qsizetype offset, const QByteArray& bytes);
    QByteArray data_;
    qsizetype length_ = kFullSize;
};
