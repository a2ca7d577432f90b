#pragma once

#include <QIcon>
#include <QString>

class QWidget;

namespace modSetAlphaIcon {
// Gives the window, and with `toOwner` its top-level owner too, the icon of the
// named resource ("APPICON"). A name without a resource leaves the platform's
// default icon.
void SetIcon(QWidget* window, const QString& name, bool toOwner);
// The icon of a resource name; null when there is none.
QIcon loadIcon(const QString& name);
}  // namespace modSetAlphaIcon
