#include "shell/ListFill.h"

#include <QListWidget>
#include <QStringList>

#include "editdb/Baza.h"
#include "editdb/TeamOF.h"

namespace ListFill {

namespace {
// Added in one call: the player table has ten thousand records, and one
// insertion lays the view out once instead of ten thousand times.
void replace(QListWidget* list, const QStringList& names)
{
    list->clear();
    list->addItems(names);
}
}  // namespace

void Players(QListWidget* list, const Baza& baza)
{
    if (!list) return;
    QStringList names;
    names.reserve(baza.Count());
    for (int i = 0; i < baza.Count(); ++i) names.append(baza.Get_Nazwa(i));
    replace(list, names);
}

void Teams(QListWidget* list, const TeamOF& teams)
{
    if (!list) return;
    QStringList names;
    names.reserve(teams.Count());
    for (int i = 0; i < teams.Count(); ++i) names.append(teams.Get_NameTeam(i));
    replace(list, names);
}

}  // namespace ListFill
