#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString failure(const QString& path, const QFileDevice& file)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("Папка «%1» не найдена.").arg(native(folder.filePath()));
    if (info.isDir())
        return QStringLiteral("«%1» — это папка, а не файл.").arg(native(path));
    if (info.exists() && !info.isWritable())
        return QStringLiteral("Файл «%1» защищён от записи.").arg(native(path));
    if (!folder.isWritable())
        return QStringLiteral("Нет прав на запись в папку «%1».").arg(native(folder.filePath()));
    return QStringLiteral("Не удалось записать файл «%1»: %2.").arg(native(path), file.errorString());
}

bool fail(QString* errorMessage, const QString& reason)
{
    if (errorMessage)
        *errorMessage = reason;
    return false;
}

bool replaceThroughTemporary(const QString& path, const QByteArray& bytes, QString* errorMessage)
{
    QSaveFile file(path);
    const auto failed = [&] {
        const QString reason = failure(path, file);
        file.cancelWriting();
        return fail(errorMessage, reason);
    };
    // Unbuffered: QSaveFile::commit() does not notice a short write while
    // flushing its buffer, and would put a cut-off file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed();
    if (file.write(bytes) != bytes.size())
        return failed();
    if (!file.commit())
        return fail(errorMessage, failure(path, file));
    return true;
}

#ifdef Q_OS_UNIX

QString systemFailure(const QString& path, int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return QStringLiteral("Не хватает места на диске для файла «%1»; файл не изменён.").arg(native(path));
    return QStringLiteral("Не удалось записать файл «%1»: %2.").arg(native(path), QString::fromLocal8Bit(std::strerror(error)));
}

// What a path that is neither a file nor a folder is, for the message.
QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("канал (FIFO)");
    if (S_ISSOCK(mode))
        return QStringLiteral("сокет");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("устройство");
    return QStringLiteral("не обычный файл");
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool readAll(int fd, qsizetype size, QByteArray* bytes)
{
    bytes->resize(size);
    errno = 0;
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes->data() + done, size_t(size - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Space for size bytes, taken before the old content is touched, so a full
// disk fails here. Where the file system cannot reserve, the write goes
// ahead and a failure puts the old bytes back.
int reserve(int fd, qsizetype size)
{
#ifdef Q_OS_LINUX
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) == 0)
        return 0;
    if (errno == EOPNOTSUPP || errno == ENOSYS)
        return 0;
    return errno;
#else
    Q_UNUSED(fd);
    Q_UNUSED(size);
    return 0;
#endif
}

bool writeInPlace(const QString& path, const QByteArray& bytes, QString* errorMessage)
{
    const QByteArray name = QFile::encodeName(path);
    bool haveOld = true;
    int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && errno == EACCES) {
        haveOld = false;  // a file that can be written but not read
        fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    }
    if (fd < 0)
        return fail(errorMessage, systemFailure(path, errno));
    struct stat st;
    QByteArray old;
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (haveOld && !readAll(fd, qsizetype(st.st_size), &old))
        error = errno ? errno : EIO;
    else if (bytes.size() > st.st_size)
        error = reserve(fd, bytes.size());
    if (error == 0) {
        errno = 0;
        const bool written = writeAll(fd, bytes) && ::ftruncate(fd, off_t(bytes.size())) == 0
            && ::fsync(fd) == 0;
        if (!written) {
            error = errno ? errno : EIO;
            if (haveOld && writeAll(fd, old))
                (void)::ftruncate(fd, off_t(old.size()));
        }
    }
    ::close(fd);
    if (error != 0)
        return fail(errorMessage, systemFailure(path, error));
    return true;
}

#endif

} // namespace

bool AtomicFile::write(const QString& path, const QByteArray& bytes, QString* errorMessage)
{
    const QFileInfo info(path);
    if (info.isDir())
        return fail(errorMessage, QStringLiteral("«%1» — это папка, а не файл.").arg(native(path)));
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        // Replacing a pipe or a device with a regular file would break
        // whatever uses it; writing to one could block or never end.
        if (!S_ISREG(st.st_mode))
            return fail(errorMessage, QStringLiteral("«%1» — это %2, а не обычный файл; ничего не записано.")
                                          .arg(native(path), kindOf(st.st_mode)));
        // Renaming over a read-only file would get round its protection.
        if (::access(QFile::encodeName(path).constData(), W_OK) != 0)
            return fail(errorMessage, QStringLiteral("Файл «%1» защищён от записи.").arg(native(path)));
        const QString target = info.canonicalFilePath();
        const QFileInfo folder(QFileInfo(target.isEmpty() ? path : target).absolutePath());
        if (st.st_nlink > 1 || !folder.isWritable())
            return writeInPlace(path, bytes, errorMessage);
    }
#else
    if (info.exists() && !info.isWritable())
        return fail(errorMessage, QStringLiteral("Файл «%1» защищён от записи.").arg(native(path)));
#endif
    return replaceThroughTemporary(path, bytes, errorMessage);
}
