#pragma once

#include "platform/RecoveryCopy.h"

#include <QList>
#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QLockFile;
class TaskThread;

// The recovery copies of this running instance of the program, in a folder
// of the per-user state folder that every instance shares:
//
//   <folder>/<instance>.lock   held while the instance runs (QLockFile)
//   <folder>/<instance>/N.copy the copy of the instance's document N
//
// A lock whose process has ended (killed, crashed, the machine stopped)
// leaves its copies behind; the next instance to start takes them over.
// A running instance's lock is never taken, so two instances never touch
// each other's copies.
//
// Copies are written and removed on a thread of the store's own, one after
// another in the order they were asked for, so the user's typing never
// waits for the disk. Nothing is created before the first copy is written:
// a session without unsaved changes leaves nothing behind.
class RecoveryStore : public QObject
{
    Q_OBJECT
public:
    explicit RecoveryStore(QObject* parent = nullptr);
    // A clean end: the writes and removals asked for are finished, then this
    // instance's folder and lock are removed.
    ~RecoveryStore() override;

    // QStandardPaths::AppLocalDataLocation + "/recovery", or the folder set
    // by setFolderForTesting (an empty string clears it).
    static QString folder();
    static void setFolderForTesting(const QString& folder);

    struct Found
    {
        RecoveryCopy copy;
        QString file;
    };
    struct Damaged
    {
        QString name;     // the document's caption when it could be read, else the file
        QString problem;  // why it was refused, in Russian
        QString keptAt;   // where the file now is, so nothing is deleted unseen
    };
    struct LeftBehind
    {
        QList<Found> copies;  // in the order the documents were made
        QList<Damaged> damaged;
    };
    // The copies of instances that no longer run. Their locks are held by
    // this store from now on, so no other instance takes them as well; each
    // is then adopted or released. Copies that cannot be read are moved to
    // <folder>/damaged and reported, never offered.
    LeftBehind takeLeftBehind();
    // Makes a copy found by takeLeftBehind this instance's copy of document id.
    void adopt(const QString& file, int id);
    // Removes what takeLeftBehind took and was not adopted, and lets go of
    // the locks.
    void releaseLeftBehind();

    // False once a copy could not be written; the store stays off then.
    bool isEnabled() const { return m_enabled; }
    // Replaces the copy of document id, atomically. A write that is still
    // waiting for its turn is replaced by this one.
    void write(int id, RecoveryCopy copy);
    void remove(int id);
    // Waits until everything asked for so far is done on disk.
    void flush();

    // This instance's folder of copies.
    QString ownFolder() const;
    static QString copyFileName(int id);

signals:
    void written(int id);
    // A copy could not be written: the store is off from now on. Emitted
    // once, with the reason in Russian.
    void failed(const QString& reason);

private:
    void fail(const QString& reason);
    // These run as tasks, on the store's thread.
    bool ensureOwnFolder();
    void removeOwnFolder();
    void writeCopy(int id, const RecoveryCopy& copy);
    bool refuse(const QString& reason);
    QString copyPath(int id) const;

    QString m_root;
    QString m_instance;
    bool m_enabled = true;
    struct Taken;
    std::vector<std::unique_ptr<Taken>> m_taken;
    // This instance's lock and folder, made by the first copy; used by the
    // tasks only.
    std::unique_ptr<QLockFile> m_ownLock;
    bool m_ownReady = false;
    bool m_refused = false;
    // Writes waiting for their turn, by document.
    std::mutex m_queueMutex;
    std::map<int, std::shared_ptr<std::optional<RecoveryCopy>>> m_queuedWrites;
    std::unique_ptr<TaskThread> m_tasks;
};
