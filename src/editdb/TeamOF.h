#pragma once

#include <QString>

#include "editdb/EditTable.h"

// The team table of the edit file: 339 records of 2488 bytes from offset
// 2,608,898. The block in front of it is skipped, since nothing reads it.
class TeamOF : public EditTable {
public:
    static constexpr qint64 kTableOffset = 2608898;
    static constexpr int kRecordCount = 339;
    static constexpr int kRecordSize = 2488;

    TeamOF();

    bool Wczytaj(const QString& Str_Path = QString()) { return load(Str_Path); }

    QString Get_NameTeam(int Index) const;  // cut before the first NUL
    QString Get_Koniec(int Index) const;    // 2416 characters, NULs included
};
