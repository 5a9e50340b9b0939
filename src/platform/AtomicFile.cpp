#include "platform/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString failure(const QString& path, const QFileDevice& file)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("Папка «%1» не найдена.").arg(QDir::toNativeSeparators(folder.filePath()));
    if (info.isDir())
        return QStringLiteral("«%1» — это папка, а не файл.").arg(QDir::toNativeSeparators(path));
    if (info.exists() && !info.isWritable())
        return QStringLiteral("Файл «%1» защищён от записи.").arg(QDir::toNativeSeparators(path));
    if (!folder.isWritable())
        return QStringLiteral("Нет прав на запись в папку «%1».")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    return QStringLiteral("Не удалось записать файл «%1»: %2.")
        .arg(QDir::toNativeSeparators(path), file.errorString());
}

} // namespace

bool AtomicFile::write(const QString& path, const QByteArray& bytes, QString* errorMessage)
{
    QSaveFile file(path);
    const auto fail = [&] {
        if (errorMessage)
            *errorMessage = failure(path, file);
        file.cancelWriting();
        return false;
    };
    const QFileInfo info(path);
    // Renaming over a read-only file would get round its protection.
    if (info.isDir() || (info.exists() && !info.isWritable()))
        return fail();
    // Unbuffered: QSaveFile::commit() does not notice a short write while
    // flushing its buffer, and would put a cut-off file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail();
    if (file.write(bytes) != bytes.size())
        return fail();
    if (!file.commit()) {
        if (errorMessage)
            *errorMessage = failure(path, file);
        return false;
    }
    return true;
}
