#include "dialogs/SystemInfo.h"

#include "platform/SystemInfoBackend.h"

#include <QtEndian>

SystemInfo::KeyValue SystemInfo::GetKeyValue(quint32 keyRoot, const QString& keyName, const QString& valueName,
                                             QString& keyVal)
{
    SystemInfoBackend& system = SystemInfoBackend::current();
    SystemInfoBackend::Key key = 0;
    // Read access is all a look-up needs; asking for more is refused to
    // users who may not change the machine's keys.
    if (system.openKey(keyRoot, keyName, 0, KeyRead, &key) != SystemInfoBackend::Success) {
        keyVal.clear();
        return KeyValue::NotRead;
    }
    KeyValue result = KeyValue::Read;
    quint32 type = 0;
    QByteArray data;
    if (system.queryValue(key, valueName, &type, &data, ValueBufferSize) != SystemInfoBackend::Success) {
        keyVal.clear();
        result = KeyValue::NotRead;
    } else if (data.isEmpty()) {
        result = KeyValue::Failed;
    } else if (type == TypeString) {
        if (data.endsWith('\0'))
            data.chop(1);
        keyVal = QString::fromLocal8Bit(data);
    } else if (type == TypeDword) {
        if (data.size() >= 4)
            keyVal = QString::number(qFromLittleEndian<quint32>(data.constData()));
        else
            result = KeyValue::Failed;
    }
    system.closeKey(key);
    return result;
}

bool SystemInfo::StartSysInfo()
{
    QString path;
    KeyValue found = GetKeyValue(LocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                                 QStringLiteral("PATH"), path);
    if (found == KeyValue::Failed)
        return false;
    if (found == KeyValue::NotRead) {
        found = GetKeyValue(LocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                            QStringLiteral("MSINFO"), path);
        if (found != KeyValue::Read)
            return false;
        path += QStringLiteral("\\MSINFO32.EXE");
        if (!SystemInfoBackend::current().fileExists(path))
            return false;
    }
    return !path.isEmpty() && SystemInfoBackend::current().startProgram(path);
}
