#include "editdb/Baza.h"

#include <QtEndian>

Baza::Baza() : EditTable(kTableOffset, kRecordCount, kRecordSize, 50, 46) {}

qint32 Baza::Get_ID(int Index) const
{
    const int p = CheckIndex(Index);
    return p < 0 ? 0 : qFromLittleEndian<qint32>(record(p));
}

QString Baza::Get_Empty(int Index) const
{
    const int p = CheckIndex(Index);
    return p < 0 ? QString() : decodeField(p, 4, 46);
}

QString Baza::Get_Nazwa(int Index) const
{
    const int p = CheckIndex(Index);
    return p < 0 ? QString() : name(p);
}

QString Baza::Get_Koniec(int Index) const
{
    const int p = CheckIndex(Index);
    return p < 0 ? QString() : decodeField(p, 96, 132);
}
