#include "platform/RecoveryStore.h"

#include "platform/TaskThread.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const QString CopySuffix = QStringLiteral(".copy");
const QString LockSuffix = QStringLiteral(".lock");
const QString DamagedFolder = QStringLiteral("damaged");

QString& testingOverride()
{
    static QString folder;
    return folder;
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Why nothing can be written in folder, as the user should read it.
QString folderProblem(const QString& folder, const QString& detail)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("«%1» — это файл, а не папка.").arg(native(folder));
    if (info.isDir() && !info.isWritable())
        return QStringLiteral("Нет прав на запись в папку «%1».").arg(native(folder));
    return QStringLiteral("Не удалось записать в папку «%1»: %2.").arg(native(folder), detail);
}

// The lock of an instance that no longer runs, now held by this process;
// nullptr while its instance runs. A lock file that does not even name its
// process (cut short by a power cut) counts as left behind once it is a
// few seconds old and nobody holds it.
std::unique_ptr<QLockFile> takeLock(const QString& path)
{
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);  // a lock is never too old while its process runs
    if (lock->tryLock(0))
        return lock;
    const bool unnamed = lock->error() == QLockFile::LockFailedError && !lock->getLockInfo(nullptr, nullptr, nullptr);
    const qint64 age = QFileInfo(path).lastModified().secsTo(QDateTime::currentDateTime());
    if (unnamed && age > 10 && lock->removeStaleLockFile() && lock->tryLock(0))
        return lock;
    return nullptr;
}

// The file a folder's entry names is on disk, but the entry itself may not
// be until the folder is synced: a copy renamed into place just before a
// power cut would be lost.
void syncFolder(const QString& folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

// The document number of a copy's file name, for ordering; -1 for other names.
int copyNumber(const QString& fileName)
{
    if (!fileName.endsWith(CopySuffix))
        return -1;
    bool ok = false;
    const int number = fileName.chopped(CopySuffix.size()).toInt(&ok);
    return ok ? number : -1;
}

} // namespace

// What takeLeftBehind holds: the folder of an instance that no longer runs,
// and its lock.
struct RecoveryStore::Taken
{
    QString folder;
    std::unique_ptr<QLockFile> lock;
};

// This instance's lock and folder, made by the first task that needs them.
bool RecoveryStore::ensureOwnFolder()
{
    if (m_ownReady)
        return true;
    if (m_refused)
        return false;
    if (!QDir().mkpath(m_root))
        return refuse(folderProblem(m_root, QStringLiteral("папку нельзя создать")));
    m_ownLock = std::make_unique<QLockFile>(m_root + u'/' + m_instance + LockSuffix);
    m_ownLock->setStaleLockTime(0);  // a lock is never too old while its process runs
    if (!m_ownLock->tryLock(0)) {
        m_ownLock.reset();
        return refuse(folderProblem(m_root, QStringLiteral("не создаётся файл блокировки")));
    }
    if (!QDir().mkpath(ownFolder())) {
        m_ownLock.reset();
        return refuse(folderProblem(m_root, QStringLiteral("папку нельзя создать")));
    }
    m_ownReady = true;
    return true;
}

// The clean end: this instance's copies, folder and lock go.
void RecoveryStore::removeOwnFolder()
{
    if (!m_ownReady)
        return;
    QDir(ownFolder()).removeRecursively();
    m_ownLock.reset();  // unlocks, removing the lock file
    m_ownReady = false;
}

QString RecoveryStore::copyPath(int id) const
{
    return ownFolder() + u'/' + copyFileName(id);
}

void RecoveryStore::writeCopy(int id, const RecoveryCopy& copy)
{
    if (!ensureOwnFolder())
        return;
    QSaveFile file(copyPath(id));
    // Unbuffered, so that a short write is seen here and not lost in a
    // flush inside commit().
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (const QByteArray& piece : copy.fileBytes()) {
        if (!ok)
            break;
        ok = file.write(piece) == piece.size();
    }
    if (!ok || !file.commit()) {
        const QString detail = file.errorString();
        file.cancelWriting();
        refuse(folderProblem(ownFolder(), detail));
        return;
    }
    syncFolder(ownFolder());
    QMetaObject::invokeMethod(this, [this, id] { emit written(id); }, Qt::QueuedConnection);
}

// What the task thread reports reaches the store as a queued call; the
// store waits for the thread before it goes, so none reaches a store that
// is gone.
bool RecoveryStore::refuse(const QString& reason)
{
    m_refused = true;
    QMetaObject::invokeMethod(this, [this, reason] { fail(reason); }, Qt::QueuedConnection);
    return false;
}

RecoveryStore::RecoveryStore(QObject* parent)
    : QObject(parent)
    , m_root(folder())
    , m_instance(QStringLiteral("%1-%2")
                     .arg(QCoreApplication::applicationPid())
                     .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')))
    , m_tasks(std::make_unique<TaskThread>())
{
}

RecoveryStore::~RecoveryStore()
{
    releaseLeftBehind();
    // Only a run that asked for something can have left anything on disk.
    if (m_tasks->hasStarted())
        m_tasks->push([this] { removeOwnFolder(); });
    m_tasks.reset();  // waits until every task has run
}

QString RecoveryStore::folder()
{
    if (!testingOverride().isEmpty())
        return testingOverride();
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/recovery");
}

void RecoveryStore::setFolderForTesting(const QString& folder)
{
    testingOverride() = folder;
}

QString RecoveryStore::ownFolder() const
{
    return m_root + u'/' + m_instance;
}

QString RecoveryStore::copyFileName(int id)
{
    return QString::number(id) + CopySuffix;
}

RecoveryStore::LeftBehind RecoveryStore::takeLeftBehind()
{
    LeftBehind found;
    const QDir root(m_root);
    if (!root.exists())
        return found;  // the usual start: nothing was ever left
    const QString damagedFolder = root.filePath(DamagedFolder);
    const auto keepDamaged = [&](const QString& instance, const QFileInfo& file, const QString& name,
                                 const QString& problem) {
        QString keptAt = file.filePath();
        const QString target = damagedFolder + u'/' + instance + u'-' + file.fileName();
        if (QDir().mkpath(damagedFolder) && QFile::rename(file.filePath(), target))
            keptAt = target;
        found.damaged.append({name.isEmpty() ? native(keptAt) : name, problem, native(keptAt)});
    };

    const QFileInfoList entries = root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString instance = entry.fileName();
        if (instance == m_instance || instance == DamagedFolder)
            continue;
        std::unique_ptr<QLockFile> lock = takeLock(root.filePath(instance + LockSuffix));
        if (!lock)
            continue;  // that instance is running
        QFileInfoList files = QDir(entry.filePath()).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
        std::sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
            return copyNumber(a.fileName()) < copyNumber(b.fileName());
        });
        for (const QFileInfo& info : files) {
            if (copyNumber(info.fileName()) < 0) {
                // What a write cut short left: the copy before it is whole.
                QFile::remove(info.filePath());
                continue;
            }
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly)) {
                keepDamaged(instance, info, QString(), QStringLiteral("копию нельзя прочитать: %1").arg(file.errorString()));
                continue;
            }
            const QByteArray bytes = file.readAll();
            file.close();
            QString problem;
            QString caption;
            if (std::optional<RecoveryCopy> copy = RecoveryCopy::read(bytes, &problem, &caption))
                found.copies.append({std::move(*copy), info.filePath()});
            else
                keepDamaged(instance, info, caption, problem);
        }
        m_taken.push_back(std::make_unique<Taken>(Taken{entry.filePath(), std::move(lock)}));
    }
    // Locks without a folder: an instance that stopped before its first copy.
    for (const QFileInfo& entry : root.entryInfoList({QStringLiteral("*") + LockSuffix}, QDir::Files)) {
        if (!QFileInfo(root.filePath(entry.completeBaseName())).exists())
            takeLock(entry.filePath());  // removed again at once when its instance is gone
    }
    return found;
}

void RecoveryStore::adopt(const QString& file, int id)
{
    m_tasks->push([this, file, id] {
        if (!ensureOwnFolder())
            return;
        const QString target = copyPath(id);
        QFile::remove(target);
        if (!QFile::rename(file, target) && QFile::copy(file, target))
            QFile::remove(file);
        if (QFile::exists(target))
            QMetaObject::invokeMethod(this, [this, id] { emit written(id); }, Qt::QueuedConnection);
    });
}

void RecoveryStore::releaseLeftBehind()
{
    if (m_taken.empty())
        return;
    auto taken = std::make_shared<std::vector<std::unique_ptr<Taken>>>(std::move(m_taken));
    m_taken.clear();
    m_tasks->push([taken] {
        for (const std::unique_ptr<Taken>& instance : *taken) {
            QDir(instance->folder).removeRecursively();
            instance->lock.reset();
        }
    });
}

// A write still waiting for its turn carries a slot that a later write of
// the same document fills instead of queueing another, and that a removal
// empties.
void RecoveryStore::write(int id, RecoveryCopy copy)
{
    if (!m_enabled)
        return;
    std::lock_guard guard(m_queueMutex);
    auto queued = m_queuedWrites.find(id);
    if (queued != m_queuedWrites.end()) {
        *queued->second = std::move(copy);
        return;
    }
    auto slot = std::make_shared<std::optional<RecoveryCopy>>(std::move(copy));
    m_queuedWrites[id] = slot;
    m_tasks->push([this, id, slot] {
        std::optional<RecoveryCopy> taken;
        {
            std::lock_guard inner(m_queueMutex);
            const auto queued = m_queuedWrites.find(id);
            if (queued != m_queuedWrites.end() && queued->second == slot)
                m_queuedWrites.erase(queued);
            taken.swap(*slot);
        }
        if (taken)
            writeCopy(id, *taken);
    });
}

void RecoveryStore::remove(int id)
{
    {
        std::lock_guard guard(m_queueMutex);
        const auto queued = m_queuedWrites.find(id);
        if (queued != m_queuedWrites.end()) {
            queued->second->reset();
            m_queuedWrites.erase(queued);
        }
    }
    m_tasks->push([this, id] {
        if (m_ownReady)
            QFile::remove(copyPath(id));
    });
}

void RecoveryStore::flush()
{
    m_tasks->flush();
}

void RecoveryStore::fail(const QString& reason)
{
    if (!m_enabled)
        return;
    m_enabled = false;
    emit failed(reason);
}
