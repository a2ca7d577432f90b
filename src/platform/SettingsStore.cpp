#include "platform/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
#ifdef Q_OS_WIN
// Where the Windows program kept its settings, so stored locations carry over.
const QString kRegistryRoot = QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\");
#endif
}  // namespace

SettingsStore::SettingsStore(const QString& iniFile) : iniFile_(iniFile) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::defaultLocation(const QString& appName)
{
#ifdef Q_OS_WIN
    return kRegistryRoot + appName;
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/ludex-manager/") +
           appName + QStringLiteral(".ini");
#endif
}

std::unique_ptr<QSettings> SettingsStore::open(const QString& appName) const
{
    if (!iniFile_.isEmpty()) return std::make_unique<QSettings>(iniFile_, QSettings::IniFormat);
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(defaultLocation(appName), QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(defaultLocation(appName), QSettings::IniFormat);
#endif
}

QString SettingsStore::GetSetting(const QString& appName, const QString& section, const QString& key,
                                  const QString& defaultValue) const
{
    auto settings = open(appName);
    settings->beginGroup(section);
    const QVariant value = settings->value(key);
    return value.isValid() ? value.toString() : defaultValue;
}

void SettingsStore::SaveSetting(const QString& appName, const QString& section, const QString& key,
                                const QString& value)
{
    auto settings = open(appName);
    if (settings->format() == QSettings::IniFormat) QDir().mkpath(QFileInfo(settings->fileName()).absolutePath());
    settings->beginGroup(section);
    settings->setValue(key, value);
    settings->endGroup();
    settings->sync();
}
