#include "platform/SystemInfoBackend.h"

#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

class SystemBackend : public SystemInfoBackend
{
public:
#ifdef Q_OS_WIN
    long openKey(quint32 root, const QString& subKey, quint32 options, quint32 access, Key* key) override
    {
        // Predefined keys are 32-bit values sign-extended to a handle.
        const auto rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
        HKEY opened = nullptr;
        const LONG result = ::RegOpenKeyExA(rootKey, subKey.toLocal8Bit().constData(), options, access, &opened);
        *key = reinterpret_cast<Key>(opened);
        return result;
    }

    long queryValue(Key key, const QString& valueName, quint32* type, QByteArray* data,
                         quint32 capacity) override
    {
        QByteArray buffer(qsizetype(capacity), '\0');
        DWORD valueType = 0;
        DWORD size = capacity;
        const LONG result = ::RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.toLocal8Bit().constData(),
                                               nullptr, &valueType, reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (result == ERROR_SUCCESS) {
            buffer.truncate(qsizetype(size));
            *data = buffer;
            *type = valueType;
        }
        return result;
    }

    long closeKey(Key key) override { return ::RegCloseKey(reinterpret_cast<HKEY>(key)); }
#else
    // No registry here: every look-up fails as a missing key does.
    long openKey(quint32, const QString&, quint32, quint32, Key* key) override
    {
        *key = 0;
        return FileNotFound;
    }
    long queryValue(Key, const QString&, quint32*, QByteArray*, quint32) override { return InvalidHandle; }
    long closeKey(Key) override { return InvalidHandle; }
#endif

    bool fileExists(const QString& path) override { return QFileInfo(path).isFile(); }

    bool startProgram(const QString& path) override
    {
        return !path.isEmpty() && QProcess::startDetached(path, QStringList());
    }
};

} // namespace

template <>
std::unique_ptr<SystemInfoBackend> ReplaceableBackend<SystemInfoBackend>::makeDefault()
{
    return std::make_unique<SystemBackend>();
}
