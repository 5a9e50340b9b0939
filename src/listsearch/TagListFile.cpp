#include "listsearch/TagListFile.h"

#include "platform/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

TagListFile::Result failure(int error, const QString& description)
{
    TagListFile::Result result;
    result.error = error;
    result.description = description;
    return result;
}

} // namespace

QStringList TagListFile::parse(const QString& text, bool upper)
{
    QStringList entries;
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = text.indexOf(u'\r', start);
        if (end < 0)
            end = size;
        if (end > start) {
            const QString line = text.mid(start, end - start);
            entries.append(upper ? line.toUpper() : line.toLower());
        }
        start = end + 1;
        if (start < size && text.at(start) == u'\n')
            ++start;
    }
    return entries;
}

QStringList TagListFile::parse(const QByteArray& bytes, bool upper)
{
    return parse(TextCodec::decode(bytes), upper);
}

TagListFile::Result TagListFile::read(const QString& path, bool upper)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failure(FileNotFound, QStringLiteral("Файл «%1» не найден.").arg(nativePath(path)));
    if (info.isDir())
        return failure(PathFileAccessError, QStringLiteral("«%1» — это папка, а не файл.").arg(nativePath(path)));
    // A pipe or a device could block the program or never end.
    if (!info.isFile())
        return failure(PathFileAccessError, QStringLiteral("«%1» — не обычный файл.").arg(nativePath(path)));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.error() == QFileDevice::PermissionsError || !info.isReadable())
            return failure(PermissionDenied, QStringLiteral("Нет прав на чтение файла «%1».").arg(nativePath(path)));
        return failure(PathFileAccessError, QStringLiteral("Не удалось открыть файл «%1»: %2.")
                                                .arg(nativePath(path), file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() == QFileDevice::NoError) {
        Result result;
        result.entries = parse(bytes, upper);
        return result;
    }

    // The lines that ended before the failure are kept.
    Result result = failure(DeviceIoError, QStringLiteral("Не удалось прочитать файл «%1»: %2.")
                                               .arg(nativePath(path), file.errorString()));
    QString text = TextCodec::decode(bytes);
    text.truncate(std::max<qsizetype>(text.lastIndexOf(u'\r'), 0));
    result.entries = parse(text, upper);
    return result;
}
