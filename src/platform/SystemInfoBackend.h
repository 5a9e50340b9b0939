#pragma once

#include "platform/ReplaceableBackend.h"

#include <QByteArray>
#include <QString>

#include <memory>

// What the About box needs from the system to start the system-information
// program: three registry calls, a file-exists test and a program start.
// On Windows they are the registry and the process of the system; elsewhere
// every registry call fails. Tests install a fake.
class SystemInfoBackend : public ReplaceableBackend<SystemInfoBackend>
{
public:
    using Key = quintptr;
    // Error codes of the registry calls, as the system returns them.
    static constexpr long Success = 0;
    static constexpr long FileNotFound = 2;
    static constexpr long InvalidHandle = 6;
    static constexpr long MoreData = 234;

    virtual ~SystemInfoBackend() = default;

    // The registry calls RegOpenKeyEx, RegQueryValueEx and RegCloseKey. root
    // is a predefined key (0x80000002 for the local machine).
    virtual long openKey(quint32 root, const QString& subKey, quint32 options, quint32 access, Key* key) = 0;
    // Reads at most `capacity` bytes of the value's data (MoreData when it
    // does not fit); on success `data` holds what the call returned.
    virtual long queryValue(Key key, const QString& valueName, quint32* type, QByteArray* data,
                                 quint32 capacity) = 0;
    virtual long closeKey(Key key) = 0;

    // A file (not a folder) at that full path.
    virtual bool fileExists(const QString& path) = 0;
    // Starts the program without waiting for it; false when it did not start.
    virtual bool startProgram(const QString& path) = 0;
};

template <>
std::unique_ptr<SystemInfoBackend> ReplaceableBackend<SystemInfoBackend>::makeDefault();
