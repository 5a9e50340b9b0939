#include "platform/RecoveryStore.h"

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
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

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

// Runs the store's file work one task after another on a thread of its
// own, started with the first task. What it reports reaches the store as
// queued calls; the store joins the thread before it goes, so they never
// reach a store that is gone. A write waiting for its turn carries a
// slot that a later write of the same document fills instead of queueing
// another, and that a removal empties.
class RecoveryStore::Worker
{
public:
    Worker(RecoveryStore* store, QString root, QString instance)
        : m_store(store)
        , m_root(std::move(root))
        , m_own(m_root + u'/' + instance)
        , m_lockPath(m_root + u'/' + instance + LockSuffix)
    {
    }

    ~Worker()
    {
        {
            std::lock_guard guard(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void write(int id, RecoveryCopy copy)
    {
        std::unique_lock guard(m_mutex);
        auto queued = m_queuedWrites.find(id);
        if (queued != m_queuedWrites.end() && queued->second) {
            *queued->second = std::move(copy);
            return;
        }
        auto slot = std::make_shared<std::optional<RecoveryCopy>>(std::move(copy));
        m_queuedWrites[id] = slot;
        pushLocked(guard, [this, id, slot] {
            std::optional<RecoveryCopy> taken;
            {
                std::lock_guard inner(m_mutex);
                if (m_queuedWrites[id] == slot)
                    m_queuedWrites.erase(id);
                taken.swap(*slot);
            }
            if (taken)
                writeCopy(id, *taken);
        });
    }

    void remove(int id)
    {
        std::unique_lock guard(m_mutex);
        auto queued = m_queuedWrites.find(id);
        if (queued != m_queuedWrites.end()) {
            if (queued->second)
                queued->second->reset();
            m_queuedWrites.erase(queued);
        }
        pushLocked(guard, [this, id] {
            if (m_ownReady)
                QFile::remove(copyPath(id));
        });
    }

    void push(std::function<void()> task)
    {
        std::unique_lock guard(m_mutex);
        pushLocked(guard, std::move(task));
    }

    // Whether any task was ever asked for: only then can there be
    // anything of this instance on disk.
    bool hasStarted()
    {
        std::lock_guard guard(m_mutex);
        return m_thread.joinable();
    }

    void flush()
    {
        std::unique_lock guard(m_mutex);
        m_idle.wait(guard, [this] { return m_tasks.empty() && !m_busy; });
    }

    // Makes this instance's lock and folder, once; false when they cannot be
    // made (the failure is reported).
    bool ensureOwnFolder()
    {
        if (m_ownReady)
            return true;
        if (m_refused)
            return false;
        if (!QDir().mkpath(m_root))
            return refuse(folderProblem(m_root, QStringLiteral("папку нельзя создать")));
        m_lock = std::make_unique<QLockFile>(m_lockPath);
        m_lock->setStaleLockTime(0);
        if (!m_lock->tryLock(0)) {
            m_lock.reset();
            return refuse(folderProblem(m_root, QStringLiteral("не создаётся файл блокировки")));
        }
        if (!QDir().mkpath(m_own)) {
            m_lock.reset();
            return refuse(folderProblem(m_root, QStringLiteral("папку нельзя создать")));
        }
        m_ownReady = true;
        return true;
    }

    // The clean end: this instance's copies, folder and lock go.
    void removeOwnFolder()
    {
        if (!m_ownReady)
            return;
        QDir(m_own).removeRecursively();
        m_lock.reset();  // unlocks, removing the lock file
        m_ownReady = false;
    }

    QString copyPath(int id) const { return m_own + u'/' + RecoveryStore::copyFileName(id); }

private:
    void pushLocked(std::unique_lock<std::mutex>&, std::function<void()> task)
    {
        m_tasks.push_back(std::move(task));
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
        m_wake.notify_one();
    }

    void run()
    {
        std::unique_lock guard(m_mutex);
        for (;;) {
            m_wake.wait(guard, [this] { return m_stopping || !m_tasks.empty(); });
            if (m_tasks.empty())
                return;  // stopping, and everything asked for is done
            std::function<void()> task = std::move(m_tasks.front());
            m_tasks.pop_front();
            m_busy = true;
            guard.unlock();
            task();
            guard.lock();
            m_busy = false;
            if (m_tasks.empty())
                m_idle.notify_all();
        }
    }

    void writeCopy(int id, const RecoveryCopy& copy)
    {
        if (!ensureOwnFolder())
            return;
        const QString path = copyPath(id);
        QSaveFile file(path);
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
            refuse(folderProblem(m_own, detail));
            return;
        }
        syncFolder(m_own);
        RecoveryStore* store = m_store;
        QMetaObject::invokeMethod(store, [store, id] { emit store->written(id); }, Qt::QueuedConnection);
    }

    bool refuse(const QString& reason)
    {
        m_refused = true;
        RecoveryStore* store = m_store;
        QMetaObject::invokeMethod(store, [store, reason] { store->fail(reason); }, Qt::QueuedConnection);
        return false;
    }

    RecoveryStore* m_store;
    const QString m_root;
    const QString m_own;
    const QString m_lockPath;
    // Used by the worker thread only (and by the owner once it has joined).
    std::unique_ptr<QLockFile> m_lock;
    bool m_ownReady = false;
    bool m_refused = false;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_tasks;
    std::map<int, std::shared_ptr<std::optional<RecoveryCopy>>> m_queuedWrites;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

RecoveryStore::RecoveryStore(QObject* parent)
    : QObject(parent)
    , m_root(folder())
    , m_instance(QStringLiteral("%1-%2")
                     .arg(QCoreApplication::applicationPid())
                     .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')))
    , m_worker(std::make_unique<Worker>(this, m_root, m_instance))
{
}

RecoveryStore::~RecoveryStore()
{
    releaseLeftBehind();
    Worker* worker = m_worker.get();
    if (worker->hasStarted())
        worker->push([worker] { worker->removeOwnFolder(); });
    m_worker.reset();  // joins once every task has run
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
    Worker* worker = m_worker.get();
    m_worker->push([this, worker, file, id] {
        if (!worker->ensureOwnFolder())
            return;
        const QString target = worker->copyPath(id);
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
    m_worker->push([taken] {
        for (const std::unique_ptr<Taken>& instance : *taken) {
            QDir(instance->folder).removeRecursively();
            instance->lock.reset();
        }
    });
}

void RecoveryStore::write(int id, RecoveryCopy copy)
{
    if (m_enabled)
        m_worker->write(id, std::move(copy));
}

void RecoveryStore::remove(int id)
{
    m_worker->remove(id);
}

void RecoveryStore::flush()
{
    m_worker->flush();
}

void RecoveryStore::fail(const QString& reason)
{
    if (!m_enabled)
        return;
    m_enabled = false;
    emit failed(reason);
}
