#pragma once

#include <QString>
#include <memory>

#include "shell/frmMain.h"

class SampleWorld;

// The main window on a fresh sample world (ludex-manager --demo). The window
// keeps its program folder and settings in the world, so the user's stored
// locations are neither read nor written; the world is removed with this
// object, after the window.
class SampleWindow {
public:
    // `options` give everything but the program folder and the settings
    // file. Null, with the reason in `why`, when the world could not be made.
    static std::unique_ptr<SampleWindow> open(MainOptions options, QString* why = nullptr);
    ~SampleWindow();

    frmMain& window() const { return *window_; }
    const SampleWorld& world() const { return *world_; }

private:
    SampleWindow() = default;
    std::unique_ptr<SampleWorld> world_;
    std::unique_ptr<frmMain> window_;  // goes first
};
