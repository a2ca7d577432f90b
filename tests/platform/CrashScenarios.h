#pragma once

#include <QString>

class ProgressSink;

// The work that CrashRecoveryTest interrupts, in a world it prepared under
// `root` (face folder Ludex/Face, program folder program, working files in
// work, a pack pack.rar):
//   install  one player's face and hair, replacing older models;
//   batch    three installs as one, into the face folder and a team folder;
//   merge    a pack import (the test interrupts its merge);
//   import   the same (the test interrupts its extraction, through `progress`).
// True when the work succeeded.
bool runCrashScenario(const QString& scenario, const QString& root, ProgressSink* progress = nullptr);
