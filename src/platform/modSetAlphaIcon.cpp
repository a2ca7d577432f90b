#include "platform/modSetAlphaIcon.h"

#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QWidget>
#include <utility>

namespace {

QString resourceOf(const QString& name) { return QStringLiteral(":/") + name + QStringLiteral(".png"); }

// A picture decoded ahead for the next loadIcon of its name.
struct Ahead {
    QString name;
    std::shared_future<QImage> decoded;
};

Ahead& ahead()
{
    static Ahead a;
    return a;
}

}  // namespace

QImage modSetAlphaIcon::decodeIcon(const QString& name)
{
    if (name.isEmpty()) return QImage();
    QImageReader reader(resourceOf(name));
    return reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void modSetAlphaIcon::Preload(const QString& name, std::shared_future<QImage> decoded)
{
    ahead() = {name, std::move(decoded)};
}

QIcon modSetAlphaIcon::loadIcon(const QString& name)
{
    if (name.isEmpty()) return QIcon();
    if (Ahead& a = ahead(); a.decoded.valid() && a.name == name) {
        const QImage image = std::exchange(a, Ahead()).decoded.get();
        if (!image.isNull()) return QIcon(QPixmap::fromImage(image));
    }
    const QString resource = resourceOf(name);
    if (!QFile::exists(resource)) return QIcon();
    return QIcon(resource);
}

void modSetAlphaIcon::SetIcon(QWidget* window, const QString& name, bool toOwner)
{
    if (!window) return;
    // A missing resource gives a null icon, which puts the platform's default back.
    const QIcon icon = loadIcon(name);
    if (toOwner) {
        QWidget* owner = window->window();
        while (owner->parentWidget()) owner = owner->parentWidget()->window();
        if (owner != window) owner->setWindowIcon(icon);
    }
    window->setWindowIcon(icon);
}
