#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class frmDocument;
class QTimer;
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
//
// Taking a copy never holds up the user: the document's RTF is kept by an
// IncrementalRtfWriter, brought up to date in slices of at most SliceMs
// between the events the user makes (a large document's first copy takes
// several slices, later ones only what was edited), and the store writes
// the file on its own thread.
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

    // How long one slice of taking copies may keep the user waiting.
    static constexpr int SliceMs = 10;

    // Starts the copies that are pending as if their time had come, in
    // slices (benchmarks).
    void takePendingCopies();
    // Takes them now, whole, without slices (tests).
    void copyDueNow();
    // Whether a copy is being taken in slices.
    bool isCopying() const;

private:
    struct Watched;
    Watched* find(const frmDocument* document) const;
    void changed(Watched& watched);
    void takeCopy(Watched& watched);
    void continueCopies();
    void finishCopy(Watched& watched);
    void dropCopy(Watched& watched);
    void forget(QObject* document);
    void storeFailed(const QString& reason);
    void restore(frmDocument* document, const RecoveryCopy& copy);

    QWidget* m_window;
    std::unique_ptr<RecoveryStore> m_store;
    QList<Watched*> m_watched;
    QTimer* m_slices;  // runs only while a copy is being taken
    int m_nextId = 1;
};
