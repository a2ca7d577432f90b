#pragma once

#include <QString>
#include <memory>

#include "editdb/Baza.h"
#include "editdb/TeamOF.h"

// The player and the team table of one edit file, loaded on fresh objects:
// exactly what their Wczytaj makes of the path, the results included. Needs
// nothing but the file, so it may run on any thread.
struct EditTables {
    std::unique_ptr<Baza> players;
    std::unique_ptr<TeamOF> teams;
    bool playersLoaded = false;  // what Baza::Wczytaj returned
    bool teamsLoaded = false;    // what TeamOF::Wczytaj returned

    static EditTables load(const QString& path);
};
