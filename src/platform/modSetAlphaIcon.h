#pragma once

#include <QIcon>
#include <QImage>
#include <QString>
#include <future>

class QWidget;

namespace modSetAlphaIcon {
// Gives the window, and with `toOwner` its top-level owner too, the icon of the
// named resource ("APPICON"). A name without a resource leaves the platform's
// default icon.
void SetIcon(QWidget* window, const QString& name, bool toOwner);
// The icon of a resource name; null when there is none.
QIcon loadIcon(const QString& name);
// The picture of the named icon, decoded; null when there is none. Safe on
// any thread, so that start-up can decode it (and load the image readers)
// beside the building of the window.
QImage decodeIcon(const QString& name);
// The next loadIcon or SetIcon of `name` takes the picture `decoded` gives,
// waiting for it if need be, instead of decoding the resource itself. From
// the window's thread only.
void Preload(const QString& name, std::shared_future<QImage> decoded);
}  // namespace modSetAlphaIcon
