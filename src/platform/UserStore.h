#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The per-user store of text values, addressed by application name, section
// and key. It is an INI-format QSettings in the user's configuration folder
// (~/.config/<appName>/<appName>.ini on Linux), so that tests can move it with
// QSettings::setPath and it never touches the Windows registry.
//
// Only a regular file of sane size is the store: anything else at its path
// (a pipe, a device, a huge file) reads as an empty store and is never
// written over.
class UserStore
{
public:
    // The stored text, or defaultValue when nothing is stored.
    static QString GetSetting(const QString& appName, const QString& section, const QString& key,
                              const QString& defaultValue);
    // Any text round-trips, Cyrillic and line breaks included.
    static void SaveSetting(const QString& appName, const QString& section, const QString& key,
                            const QString& value);
    // Several keys of one section, written to the store in one go.
    static void SaveSettings(const QString& appName, const QString& section,
                             const QList<QPair<QString, QString>>& keysAndValues);

    // The folder that holds appName's store; it need not exist yet.
    static QString folder(const QString& appName);
    // The store's file in that folder.
    static QString filePath(const QString& appName);
};
