#pragma once

#include <QString>

#include "editdb/EditTable.h"

// The player table of the edit file: 10160 records of 228 bytes from offset 416.
class Baza : public EditTable {
public:
    static constexpr qint64 kTableOffset = 416;
    static constexpr int kRecordCount = 10160;
    static constexpr int kRecordSize = 228;

    Baza();

    // Loads the table from the given path, or from the stored one when none is
    // given. False when nothing exists there (the object is left untouched) or
    // when the file cannot be read.
    bool Wczytaj(const QString& Str_Path = QString()) { return load(Str_Path); }

    qint32 Get_ID(int Index) const;
    QString Get_Empty(int Index) const;   // 46 characters, NULs included
    QString Get_Nazwa(int Index) const;   // cut before the first NUL
    QString Get_Koniec(int Index) const;  // 132 characters, NULs included
};
