#include "shell/SampleWindow.h"

#include "sample/SampleWorld.h"

std::unique_ptr<SampleWindow> SampleWindow::open(MainOptions options, QString* why)
{
    std::unique_ptr<SampleWindow> sample(new SampleWindow);
    sample->world_ = SampleWorld::create(why);
    if (!sample->world_) return nullptr;
    options.programFolder = sample->world_->programFolder();
    options.settingsFile = sample->world_->settingsFile();
    options.gameSearch.reset();  // the sample world is all there is
    sample->window_ = std::make_unique<frmMain>(options);
    return sample;
}

SampleWindow::~SampleWindow() = default;
