#include "app/IniValues.h"

#include "platform/PrivateProfile.h"
#include "platform/ProgramFolder.h"
#include "platform/ReadableFile.h"
#include "platform/UserStore.h"
#include "texts/UiTexts.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString settingsFileName = QStringLiteral("pergalot.ini");

// Whether pergalot.ini can be written in folder: the folder must take new
// files (the file is replaced through a temporary file beside it), and an
// existing file must itself be a writable settings file (not a pipe, a
// device or a huge file, which are left alone).
bool canHoldSettings(const QString& folder, const QString& file)
{
    const QFileInfo folderInfo(folder);
    if (folder.isEmpty() || !folderInfo.isDir() || !folderInfo.isWritable())
        return false;
    const QFileInfo fileInfo(file);
    return !fileInfo.exists() || (fileInfo.isWritable() && !ReadableFile::isForeign(file));
}

} // namespace

QString ReadIniValue(const QString& file, const QString& section, const QString& key,
                     const QString& defaultValue)
{
    QString buffer(256, u' ');
    const qsizetype copied =
        PrivateProfile::GetPrivateProfileString(section, key, defaultValue, buffer, 255, file);
    return buffer.left(copied);
}

void WriteIniValue(const QString& file, const QString& section, const QString& key,
                   const QString& value)
{
    // The private-profile writer stores each CR and each LF as one blank, so
    // the value stays on its line.
    // The per-user folder may not exist before the first setting is stored.
    const QString folder = QFileInfo(file).absolutePath();
    if (!QFileInfo::exists(folder))
        QDir().mkpath(folder);
    PrivateProfile::WritePrivateProfileString(section, key, value, file);
}

QString SettingsFilePath()
{
    const QString folder = ProgramFolder::path();
    const QString inProgramFolder = ProgramFolder::join(folder, settingsFileName);
    if (canHoldSettings(folder, inProgramFolder))
        return inProgramFolder;
    return ProgramFolder::join(UserStore::folder(UiTexts::AppTitle), settingsFileName);
}
