#pragma once

#include <QString>
#include <memory>

class QSettings;

// The per-user settings store of the program: application, section, key.
// On Windows it is the registry key the original program used, so stored
// locations carry over; elsewhere an INI file in the user's configuration folder.
class SettingsStore {
public:
    // `iniFile` empty: the user's real store. Otherwise that INI file (tests).
    explicit SettingsStore(const QString& iniFile = QString());
    ~SettingsStore();

    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) const;
    void SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value);

    // Where the user's real store lives, for the README and the about text.
    static QString defaultLocation(const QString& appName);

private:
    QString iniFile_;
    std::unique_ptr<QSettings> open(const QString& appName) const;
};

inline constexpr const char* kSettingsApp = "Ludex Face Virarur";
inline constexpr const char* kSettingsSection = "Opcje";
inline constexpr const char* kSettingsDefault = "Change...";
