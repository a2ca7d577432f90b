#include "platform/modBrowseFolder.h"

#include <QDir>

#include "platform/UiSeam.h"

QString modBrowseFolder::BrowseForFolder(UiSeam& ui, const QString& prompt, QWidget* owner)
{
    const QString chosen = ui.browseForFolder(owner, prompt);
    if (chosen.isEmpty()) return QString();
    return QDir::toNativeSeparators(chosen);
}
