#pragma once

#include <QString>

// Finds the system-information program through the registry and starts it,
// through SystemInfoBackend.
class SystemInfo
{
public:
    static constexpr quint32 LocalMachine = 0x80000002;  // HKEY_LOCAL_MACHINE
    static constexpr quint32 KeyRead = 0x20019;          // KEY_READ
    static constexpr quint32 ValueBufferSize = 1024;
    static constexpr quint32 TypeString = 1;  // REG_SZ
    static constexpr quint32 TypeDword = 4;   // REG_DWORD

    enum class KeyValue {
        Read,     // keyVal holds the value
        NotRead,  // no such key or value, or it did not fit; keyVal is empty
        Failed,   // the value holds no data at all
    };

    // Reads a value: a string as it stands (without its final NUL), a 32-bit
    // number in decimal; a value of another type is read but leaves keyVal
    // as it was. The key is closed again whatever happened.
    static KeyValue GetKeyValue(quint32 keyRoot, const QString& keyName, const QString& valueName, QString& keyVal);

    // Starts the program the registry names: the first value as a full path,
    // else the folder of the second value with MSINFO32.EXE in it, when that
    // file exists. False when no program could be started.
    static bool StartSysInfo();
};
