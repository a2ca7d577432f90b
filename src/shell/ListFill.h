#pragma once

class Baza;
class QListWidget;
class TeamOF;

// Filling the two lists from the loaded tables: one entry per record in
// record order, empty names included, so that entry position and record
// position stay equal. The list's former entries are replaced.
namespace ListFill {
void Players(QListWidget* list, const Baza& baza);
void Teams(QListWidget* list, const TeamOF& teams);
}  // namespace ListFill
