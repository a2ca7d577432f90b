#include "shell/StartupWork.h"

#include "archive/FacePackImport.h"
#include "platform/AtomicOutput.h"
#include "platform/modSetAlphaIcon.h"

StartupWork::StartupWork(const QString& programFolder, const QString& editFile, const QString& iconName)
    : editFile_(editFile),
      icon_(iconPromise_.get_future().share()),
      recovered_(recoveredPromise_.get_future()),
      tables_(tablesPromise_.get_future())
{
    worker_ = std::thread([this, programFolder, iconName] {
        tablesPromise_.set_value(editFile_.isEmpty() ? EditTables() : EditTables::load(editFile_));
        recoveredPromise_.set_value(recover(programFolder));
        iconPromise_.set_value(modSetAlphaIcon::decodeIcon(iconName));
    });
}

FileTransaction::Recovery StartupWork::recover(const QString& programFolder)
{
    FileTransaction::Recovery recovery = FileTransaction::recover(programFolder);
    FacePackImport::removeStaleStaging(programFolder);
    AtomicOutput::recover(programFolder);  // the scratch of exports that were killed
    return recovery;
}

StartupWork::~StartupWork()
{
    if (worker_.joinable()) worker_.join();
}

FileTransaction::Recovery StartupWork::recovered()
{
    return recovered_.valid() ? recovered_.get() : FileTransaction::Recovery();
}

std::optional<EditTables> StartupWork::tables(const QString& editFile)
{
    if (!tables_.valid()) return std::nullopt;
    EditTables loaded = tables_.get();
    if (editFile_.isEmpty() || editFile != editFile_) return std::nullopt;
    return loaded;
}
