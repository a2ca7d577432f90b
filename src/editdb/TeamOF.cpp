#include "editdb/TeamOF.h"

TeamOF::TeamOF() : EditTable(kTableOffset, kRecordCount, kRecordSize, 0, 72) {}

QString TeamOF::Get_NameTeam(int Index) const
{
    const int p = CheckIndex(Index);
    return p < 0 ? QString() : name(p);
}

QString TeamOF::Get_Koniec(int Index) const
{
    const int p = CheckIndex(Index);
    return p < 0 ? QString() : decodeField(p, 72, 2416);
}
