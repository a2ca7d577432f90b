#pragma once

#include <QString>

class ProgressSink;

// The work that CrashRecoveryTest interrupts, in a world it prepared under
// `root` (face folder Ludex/Face, program folder program, working files in
// work, a pack pack.rar), after an earlier install that can be undone:
//   earlier  that earlier install (the test makes it, in its own process);
//   install  one player's face and hair, replacing older models;
//   batch    three installs as one, into the face folder and a team folder;
//   remove   the first line of map.txt with its two models, as Installed... does;
//   undo     the earlier install taken back;
//   merge    a pack import (the test interrupts its merge);
//   import   the same (the test interrupts its extraction, through `progress`).
// Installs keep what they replace for the undo, as the window's do.
// True when the work succeeded.
bool runCrashScenario(const QString& scenario, const QString& root, ProgressSink* progress = nullptr);
