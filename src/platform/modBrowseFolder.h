#pragma once

#include <QString>

class UiSeam;
class QWidget;

namespace modBrowseFolder {
// The chosen folder's path, or the empty text when the user cancelled.
QString BrowseForFolder(UiSeam& ui, const QString& prompt, QWidget* owner = nullptr);
}  // namespace modBrowseFolder
