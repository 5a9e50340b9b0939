#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Gives a test its own settings for as long as the object lives: QStandardPaths
// in test mode, a fresh temporary program folder (ProgramFolder), and an empty
// per-user store in a temporary folder (QSettings::setPath), no personal word
// list and no spelling dictionaries (a test that wants them sets
// SpellChecker::setDictionaryFolderForTesting afterwards), so that every test
// starts as a first start with no settings and nothing reaches the user's own
// configuration. Recovery copies go to a temporary folder too. The destructor puts everything back.
class IsolatedSettings
{
public:
    IsolatedSettings();
    ~IsolatedSettings();
    IsolatedSettings(const IsolatedSettings&) = delete;
    IsolatedSettings& operator=(const IsolatedSettings&) = delete;

    QString programFolder() const;
    QString iniPath() const; // programFolder() + "/pergalot.ini"
    // The folder that holds the per-user store for this object's lifetime.
    QString userFolder() const;
    // The folder of the recovery copies of every instance, for this
    // object's lifetime.
    QString recoveryFolder() const;

    // Puts a settings file in the program folder.
    void writeIni(const QByteArray& bytes) const;
    // The settings file's bytes; empty when it does not exist.
    QByteArray readIni() const;

    // Makes the program folder (and pergalot.ini in it, if present) read-only.
    // For a user whom file permissions do not stop (root), the folder is also
    // marked immutable where the file system allows it.
    void makeProgramFolderReadOnly() const;
    // Whether the program folder now refuses new files; a test that needs a
    // read-only folder skips when it does not.
    bool programFolderIsReadOnly() const;
    // The same for the recovery folder (made if need be); false when it
    // still takes new files.
    bool makeRecoveryFolderReadOnly() const;

private:
    void restoreProgramFolderWrites() const;
    void makeReadOnly(const QString& folder) const;

    QTemporaryDir m_programDir;
    QTemporaryDir m_userDir;
    QTemporaryDir m_recoveryDir;
    bool m_previousTestMode = false;
    QString m_previousIniPath;
    QString m_previousNativePath;
    mutable QStringList m_readOnly;   // folders made read-only
    mutable QStringList m_immutable;  // ... and marked immutable
};
