#include "platform/ReadableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ReadableFile {

QString problem(const QString& path)
{
    const QFileInfo info(path);
    const QString name = QDir::toNativeSeparators(path);
    if (!info.exists())
        return QStringLiteral("Файл «%1» не найден.").arg(name);
    if (info.isDir())
        return QStringLiteral("«%1» — это папка, а не файл.").arg(name);
    if (!info.isFile())
        return QStringLiteral("«%1» — это не обычный файл.").arg(name);
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return QString();
    if (!info.isReadable())
        return QStringLiteral("Нет прав на чтение файла «%1».").arg(name);
    return QStringLiteral("Не удалось прочитать файл «%1»: %2.").arg(name, file.errorString());
}

} // namespace ReadableFile
