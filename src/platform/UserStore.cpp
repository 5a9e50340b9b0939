#include "platform/UserStore.h"

#include "platform/ReadableFile.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QUuid>
#include <QVariant>

#include <memory>

namespace {

QString settingsKey(const QString& section, const QString& key)
{
    return section + u'/' + key;
}

// The store opened on its file alone (not the organisation-wide and
// system-wide files QSettings would also read), or nothing when what stands
// at its path is no settings file. QSettings reads its file on
// construction, so the check comes first.
std::unique_ptr<QSettings> openStore(const QString& appName)
{
    const QString path = UserStore::filePath(appName);
    if (ReadableFile::isForeign(path))
        return nullptr;
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

} // namespace

QString UserStore::GetSetting(const QString& appName, const QString& section, const QString& key,
                              const QString& defaultValue)
{
    const std::unique_ptr<QSettings> store = openStore(appName);
    if (!store)
        return defaultValue;
    const QVariant value = store->value(settingsKey(section, key));
    if (!value.isValid())
        return defaultValue;
    // A value edited by hand to hold a comma reads as a list; give back its text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void UserStore::SaveSetting(const QString& appName, const QString& section, const QString& key,
                            const QString& value)
{
    SaveSettings(appName, section, {{key, value}});
}

void UserStore::SaveSettings(const QString& appName, const QString& section,
                             const QList<QPair<QString, QString>>& keysAndValues)
{
    const std::unique_ptr<QSettings> store = openStore(appName);
    if (!store)
        return;
    for (const auto& [key, value] : keysAndValues)
        store->setValue(settingsKey(section, key), value);
    store->sync();
}

QString UserStore::folder(const QString& appName)
{
    return QFileInfo(filePath(appName)).absolutePath();
}

QString UserStore::filePath(const QString& appName)
{
    // Where QSettings keeps user-scope INI files (QSettings::setPath moves
    // it), learnt from a store of a name no file has, so the probe reads
    // nothing.
    const QString probeName = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QSettings probe(QSettings::IniFormat, QSettings::UserScope, probeName, probeName);
    const QString root = QFileInfo(QFileInfo(probe.fileName()).absolutePath()).absolutePath();
    return root + u'/' + appName + u'/' + appName + QStringLiteral(".ini");
}
