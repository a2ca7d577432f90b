#include "platform/modSetAlphaIcon.h"

#include <QFile>
#include <QWidget>

QIcon modSetAlphaIcon::loadIcon(const QString& name)
{
    if (name.isEmpty()) return QIcon();
    const QString resource = QStringLiteral(":/") + name + QStringLiteral(".png");
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
