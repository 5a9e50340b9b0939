#include "platform/ReadableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

std::optional<QByteArray> readSmallFile(const QString& path, qint64 maxSize)
{
#ifdef Q_OS_UNIX
    // Opened without waiting and judged by what was opened, so a pipe put
    // in the file's place between a check and the read is still refused.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxSize) {
        ::close(fd);
        return std::nullopt;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    // Read at most one byte more than allowed: a file that grew meanwhile
    // is refused rather than read without end.
    QByteArray bytes = file.read(maxSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maxSize)
        return std::nullopt;
    return bytes;
#else
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxSize)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(maxSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maxSize)
        return std::nullopt;
    return bytes;
#endif
}

bool isForeign(const QString& path, qint64 maxSize)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    return !info.isFile() || info.size() > maxSize;
}

} // namespace ReadableFile
