// The first start: with no location stored, the game is looked for where
// players keep it (Wine and Steam prefixes on Linux), beside the start-up
// work, and what was found is offered in place of the bare "Change...".
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <utility>

#include "platform/FolderList.h"
#include "platform/SettingsStore.h"
#include "platform/UiSeam.h"
#include "shell/GameSearch.h"
#include "shell/frmMain.h"

namespace {

const QString kLocateEditKey = QStringLiteral("Edit");
const QString kLocateMapKey = QStringLiteral("Map");

bool nothingStored(const SettingsStore& settings)
{
    const QString unset = QString::fromLatin1(kSettingsDefault);
    return settings.GetSetting(kSettingsApp, kSettingsSection, kLocateEditKey, unset) == unset &&
           settings.GetSetting(kSettingsApp, kSettingsSection, kLocateMapKey, unset) == unset;
}

}  // namespace

void frmMain::startGameSearch()
{
    if (!options_.gameSearch || !nothingStored(settings())) return;
    gameSearch_ = std::make_unique<GameSearch>(*options_.gameSearch, this, [this](const GameLocator::Found& found) {
        gameSearch_.reset();
        if (!found.editFiles.isEmpty() || !found.faceFolders.isEmpty()) foundGame_ = found;
        offerFoundLocations();
    });
}

void frmMain::offerFoundLocations()
{
    // Only over a window that is up, after its activation (and its "Lack - "
    // box), never inside another box; otherwise the next activation offers it.
    if (!foundGame_ || unloaded_ || activating_ || !activatedOnce_ || !isVisible()) return;
    // A dialog the user is busy with (a file chooser, a progress) goes first.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(250, this, &frmMain::offerFoundLocations);
        return;
    }
    const GameLocator::Found found = *std::exchange(foundGame_, std::nullopt);
    // A location the user chose meanwhile through the menus stays as it is.
    if (!nothingStored(settings())) return;
    const std::optional<UiSeam::Locations> chosen = ui().chooseLocations(this, found.editFiles, found.faceFolders);
    if (!chosen) return;
    // Taken as if they had been stored at start: the tables and lists of the
    // edit file, the folder lists on the face folder.
    if (!chosen->editFile.isEmpty()) {
        Lokalizacja->setText(chosen->editFile);
        settings().SaveSetting(kSettingsApp, kSettingsSection, kLocateEditKey, chosen->editFile);
        OtworzOF();
    }
    if (!chosen->faceFolder.isEmpty()) {
        Lokalizacja2->setText(chosen->faceFolder);
        settings().SaveSetting(kSettingsApp, kSettingsSection, kLocateMapKey, chosen->faceFolder);
        Dir->setPath(chosen->faceFolder);
        Dir2->setPath(chosen->faceFolder);
    }
}
