#include "platform/UserStore.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace {

QString settingsKey(const QString& section, const QString& key)
{
    return section + u'/' + key;
}

} // namespace

QString UserStore::GetSetting(const QString& appName, const QString& section, const QString& key,
                              const QString& defaultValue)
{
    const QSettings store(QSettings::IniFormat, QSettings::UserScope, appName, appName);
    const QVariant value = store.value(settingsKey(section, key));
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
    QSettings store(QSettings::IniFormat, QSettings::UserScope, appName, appName);
    for (const auto& [key, value] : keysAndValues)
        store.setValue(settingsKey(section, key), value);
    store.sync();
}

QString UserStore::folder(const QString& appName)
{
    const QSettings store(QSettings::IniFormat, QSettings::UserScope, appName, appName);
    return QFileInfo(store.fileName()).absolutePath();
}
