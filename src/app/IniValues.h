#pragma once

#include <QString>

// The program's settings file pergalot.ini and the two calls that read and
// write it.

// The value of key in [section] of file, or defaultValue when the file, the
// section or the key is missing. At most 254 characters come back.
QString ReadIniValue(const QString& file, const QString& section, const QString& key,
                     const QString& defaultValue);

// Stores value under key in [section] of file, creating the file (and its
// folder), the section or the key as needed. Every CR and every LF in value
// becomes one blank. A failed write is not reported.
void WriteIniValue(const QString& file, const QString& section, const QString& key,
                   const QString& value);

// pergalot.ini in the program folder; when that folder, or an existing
// pergalot.ini in it, cannot be written, pergalot.ini in the per-user
// configuration folder beside the per-user store. Reads and writes both use
// the path this returns.
QString SettingsFilePath();
