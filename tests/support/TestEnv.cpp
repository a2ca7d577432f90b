#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <stdexcept>

#include "editdb/EditFileBuilder.h"
#include "platform/FileOps.h"
#include "platform/SettingsStore.h"

TestEnv::TestEnv()
{
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    programFolder_ = dir_.filePath("program");
    faceFolder_ = dir_.filePath("Ludex/Face");
    settingsFile_ = dir_.filePath("settings.ini");
    QDir().mkpath(programFolder_);
    QDir().mkpath(faceFolder_);
    // The user's own caches (thumbnails) are never touched by a test.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir_.filePath("cache")));
}

void TestEnv::storeLocations(const QString& editFile, const QString& faceFolder)
{
    SettingsStore store(settingsFile_);
    store.SaveSetting(kSettingsApp, kSettingsSection, "Edit", editFile);
    store.SaveSetting(kSettingsApp, kSettingsSection, "Map", faceFolder);
}

QString TestEnv::writeFullEditFile(const QString& name) const
{
    return EditFileBuilder().fillAll().write(dir_.filePath(name));
}

void TestEnv::writeFile(const QString& path, const QByteArray& bytes)
{
    if (const Result written = FileOps::writeFile(path, bytes); !written)
        throw std::runtime_error(written.message.toStdString());
}

QByteArray TestEnv::readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return file.readAll();
}

QString TestEnv::storedSetting(const QString& key, const QString& fallback) const
{
    return SettingsStore(settingsFile_).GetSetting(kSettingsApp, kSettingsSection, key, fallback);
}
