#pragma once

#include <QFileInfo>
#include <QString>
#include <vector>

#include "cli/Command.h"
#include "editdb/Baza.h"
#include "facefolder/BatchPlan.h"
#include "platform/FileOps.h"

namespace Cli {

// The player table of the edit file (the given one, or the one the window
// stored). False, with the window's words in `why`, when there is none or it
// cannot be read.
inline bool loadPlayerTable(const Context& context, Baza& baza, QString* why)
{
    if (context.editFile.isEmpty()) {
        *why = QStringLiteral(
            "No edit file is known: give one with --edit-file FILE, or choose it in the window "
            "(File > Location - Edit.bin).");
        return false;
    }
    if (!QFileInfo(context.editFile).isFile()) {
        *why = QStringLiteral("Lack - ") + context.editFile;
        return false;
    }
    if (!baza.Wczytaj(context.editFile)) {
        *why = QStringLiteral("The edit file could not be read: %1").arg(FileOps::shown(context.editFile));
        return false;
    }
    return true;
}

// The players of that table, in record order.
inline bool loadPlayers(const Context& context, std::vector<BatchPlan::Player>& players, QString* why)
{
    Baza baza;
    if (!loadPlayerTable(context, baza, why)) return false;
    players.reserve(size_t(baza.Count()));
    for (int i = 0; i < baza.Count(); ++i) players.push_back({baza.Get_ID(i), baza.Get_Nazwa(i)});
    return true;
}

}  // namespace Cli
