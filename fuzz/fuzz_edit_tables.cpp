// The player and team tables of an edit file of any length and content:
// the loads finish, every reader answers for every index.
#include <climits>

#include "FuzzSupport.h"
#include "editdb/Baza.h"
#include "editdb/TeamOF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = FuzzSupport::writeInput(QStringLiteral("EDIT.bin"), data, size);
    Baza players;
    TeamOF teams;
    if (!players.Wczytaj(path) || !teams.Wczytaj(path)) FuzzSupport::broken("a file failed to load");
    if (players.Count() != Baza::kRecordCount || teams.Count() != TeamOF::kRecordCount)
        FuzzSupport::broken("table size");
    for (int i : {INT_MIN, -1, 0, 1, 2, 3, Baza::kRecordCount - 1, INT_MAX}) {
        if (players.Get_Nazwa(i).size() > 46 || players.Get_Empty(i).size() != 46 ||
            players.Get_Koniec(i).size() != 132)
            FuzzSupport::broken("player field length");
        (void)players.Get_ID(i);
        if (teams.Get_NameTeam(i).size() > 72) FuzzSupport::broken("team name length");
        (void)teams.Get_Koniec(i);
    }
    return 0;
}
