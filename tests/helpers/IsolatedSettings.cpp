#include "helpers/IsolatedSettings.h"

#include "platform/PersonalDictionary.h"
#include "platform/ProgramFolder.h"
#include "platform/SpellChecker.h"
#include "platform/RecoveryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

const QString iniName = QStringLiteral("pergalot.ini");

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
constexpr bool nativeFormatIsIni = true;
#else
constexpr bool nativeFormatIsIni = false;
#endif

// The folder QSettings currently uses for format in the user scope; there is
// no getter, so it is read back from the file name of a store never written.
QString currentUserPath(QSettings::Format format)
{
    const QSettings probe(format, QSettings::UserScope, QStringLiteral("pergalot-path-probe"),
                          QStringLiteral("probe"));
    QDir dir = QFileInfo(probe.fileName()).dir(); // <path>/pergalot-path-probe
    dir.cdUp();
    return dir.path();
}

#ifdef Q_OS_LINUX
bool setImmutable(const QString& folder, bool on)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}
#endif

void removePersonalWords()
{
    const QString path = PersonalDictionary::defaultPath();
    if (!QFile::remove(path))
        QDir(path).removeRecursively();
}

} // namespace

IsolatedSettings::IsolatedSettings()
{
    m_previousTestMode = QStandardPaths::isTestModeEnabled();
    m_previousIniPath = currentUserPath(QSettings::IniFormat);
    if (nativeFormatIsIni)
        m_previousNativePath = currentUserPath(QSettings::NativeFormat);

    QStandardPaths::setTestModeEnabled(true);
    // QSettings works out its default folders once per process, so test mode
    // alone does not move a store that was already used; point it here.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_userDir.path());
    if (nativeFormatIsIni)
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_userDir.path());
    ProgramFolder::setPathForTesting(m_programDir.path());
    // The personal word list lives in the data folder, which test mode moves
    // to ~/.qttest; start without the words (or the folder in its way) an
    // earlier test left there.
    removePersonalWords();
    // No dictionaries unless a test asks for them: loading them costs each
    // main window a fifth of a second.
    SpellChecker::setDictionaryFolderForTesting(m_programDir.filePath(QStringLiteral("no-dictionaries")));
    RecoveryStore::setFolderForTesting(recoveryFolder());
}

IsolatedSettings::~IsolatedSettings()
{
    restoreProgramFolderWrites();
    removePersonalWords();
    SpellChecker::setDictionaryFolderForTesting(QString());
    ProgramFolder::setPathForTesting(QString());
    RecoveryStore::setFolderForTesting(QString());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_previousIniPath);
    if (nativeFormatIsIni)
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_previousNativePath);
    QStandardPaths::setTestModeEnabled(m_previousTestMode);
}

QString IsolatedSettings::programFolder() const
{
    return m_programDir.path();
}

QString IsolatedSettings::recoveryFolder() const
{
    return m_recoveryDir.filePath(QStringLiteral("recovery"));
}

QString IsolatedSettings::iniPath() const
{
    return m_programDir.filePath(iniName);
}

QString IsolatedSettings::userFolder() const
{
    return m_userDir.path();
}

void IsolatedSettings::writeIni(const QByteArray& bytes) const
{
    QFile file(iniPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray IsolatedSettings::readIni() const
{
    QFile file(iniPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void IsolatedSettings::makeProgramFolderReadOnly() const
{
    if (QFile::exists(iniPath()))
        QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    makeReadOnly(programFolder());
}

bool IsolatedSettings::makeRecoveryFolderReadOnly() const
{
    QDir().mkpath(recoveryFolder());
    makeReadOnly(recoveryFolder());
    return !QFileInfo(recoveryFolder()).isWritable();
}

void IsolatedSettings::makeReadOnly(const QString& folder) const
{
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
        | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(folder, readOnly);
    m_readOnly.append(folder);
#ifdef Q_OS_LINUX
    if (QFileInfo(folder).isWritable() && setImmutable(folder, true))
        m_immutable.append(folder);
#endif
}

bool IsolatedSettings::programFolderIsReadOnly() const
{
    return !QFileInfo(programFolder()).isWritable();
}

void IsolatedSettings::restoreProgramFolderWrites() const
{
#ifdef Q_OS_LINUX
    for (const QString& folder : std::as_const(m_immutable))
        setImmutable(folder, false);
#endif
    m_immutable.clear();
    for (const QString& folder : std::as_const(m_readOnly))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!m_readOnly.isEmpty() && QFile::exists(iniPath()))
        QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner);
    m_readOnly.clear();
}
