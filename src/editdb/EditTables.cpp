#include "editdb/EditTables.h"

EditTables EditTables::load(const QString& path)
{
    EditTables t;
    t.players = std::make_unique<Baza>();
    t.teams = std::make_unique<TeamOF>();
    t.playersLoaded = t.players->Wczytaj(path);
    t.teamsLoaded = t.teams->Wczytaj(path);
    return t;
}
