#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class frmDocument;
class QWidget;
class RecoverySchedule;
class RecoveryStore;
struct RecoveryCopy;

// Keeps a recovery copy of every document with changes not yet saved, and
// offers the copies back at the next start when the program did not end
// cleanly.
//
// A document's changes count from its last load or save (the editor
// document's modified flag; the close prompt does not look at it). A copy
// is written about 2 s after the typing pauses and at least every 10 s while
// it goes on; saving the document, undoing back to what was saved and
// closing the window remove it; so does a clean end of the program, with
// the store. A document opened and never changed has none, and neither has
// an empty untitled one, which has nothing to lose.
class DocumentRecovery : public QObject
{
    Q_OBJECT
public:
    // Message boxes are shown over window.
    explicit DocumentRecovery(QWidget* window, QObject* parent = nullptr);
    ~DocumentRecovery() override;

    RecoveryStore* store() const { return m_store.get(); }

    // Follows a new document window from now until it closes.
    void watch(frmDocument* document);

    // At start: when instances that no longer run left copies behind, asks
    // once whether to restore them (naming the documents). Yes opens each in
    // a window from createDocument; No removes them. Copies that cannot be
    // read are named and kept aside. Without copies nothing is shown.
    void offerLeftBehind(const std::function<frmDocument*()>& createDocument);

    // Takes the copies that are due now rather than when their time comes
    // (tests and benchmarks).
    void copyDueNow();

private:
    struct Watched;
    Watched* find(const frmDocument* document) const;
    void changed(Watched& watched);
    void takeCopy(Watched& watched);
    void dropCopy(Watched& watched);
    void forget(QObject* document);
    void storeFailed(const QString& reason);
    void restore(frmDocument* document, const RecoveryCopy& copy);

    QWidget* m_window;
    std::unique_ptr<RecoveryStore> m_store;
    QList<Watched*> m_watched;
    int m_nextId = 1;
};
