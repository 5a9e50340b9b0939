#include "app/DocumentRecovery.h"

#include "app/RecoverySchedule.h"
#include "document/frmDocument.h"
#include "platform/MessageBox.h"
#include "platform/RecoveryStore.h"
#include "platform/RichTextBox.h"
#include "rtf/IncrementalRtfWriter.h"
#include "texts/UiTexts.h"

#include <QDeadlineTimer>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

struct DocumentRecovery::Watched
{
    QPointer<frmDocument> document;
    const QObject* window = nullptr;  // the same, to know it by while it is destroyed
    int id = 0;
    RecoverySchedule* schedule = nullptr;
    bool hasCopy = false;
    // The document's RTF, kept from the first copy on while it has unsaved
    // changes, so that later copies write only what was edited.
    std::unique_ptr<IncrementalRtfWriter> rtf;
    bool copying = false;
};

DocumentRecovery::DocumentRecovery(QWidget* window, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_store(std::make_unique<RecoveryStore>())
    , m_slices(new QTimer(this))
{
    connect(m_store.get(), &RecoveryStore::failed, this, &DocumentRecovery::storeFailed);
    // The next slice comes once the events that arrived meanwhile are handled.
    m_slices->setSingleShot(true);
    m_slices->setInterval(0);
    connect(m_slices, &QTimer::timeout, this, &DocumentRecovery::continueCopies);
}

DocumentRecovery::~DocumentRecovery()
{
    for (Watched* watched : std::as_const(m_watched)) {
        if (watched->document)
            disconnect(watched->document, nullptr, this, nullptr);
    }
    for (Watched* watched : std::as_const(m_watched))
        delete watched->schedule;
    qDeleteAll(m_watched);
}

DocumentRecovery::Watched* DocumentRecovery::find(const frmDocument* document) const
{
    for (Watched* watched : m_watched) {
        if (watched->document == document)
            return watched;
    }
    return nullptr;
}

void DocumentRecovery::watch(frmDocument* document)
{
    auto* watched = new Watched;
    watched->document = document;
    watched->window = document;
    watched->id = m_nextId++;
    watched->schedule = new RecoverySchedule(this);
    m_watched.append(watched);

    QTextDocument* text = document->rtfText->document();
    connect(watched->schedule, &RecoverySchedule::due, this, [this, watched] { takeCopy(*watched); });
    connect(text, &QTextDocument::contentsChanged, this, [this, watched] { changed(*watched); });
    // Saved, or undone back to what was saved: nothing is left to keep.
    connect(text, &QTextDocument::modificationChanged, this, [this, watched](bool modified) {
        if (modified)
            changed(*watched);
        else
            dropCopy(*watched);
    });
    // The copy names the document by its caption.
    connect(document, &QWidget::windowTitleChanged, this, [this, watched] { changed(*watched); });
    connect(document, &QObject::destroyed, this, &DocumentRecovery::forget);
}

void DocumentRecovery::changed(Watched& watched)
{
    if (!m_store->isEnabled() || !watched.document || !watched.document->rtfText->document()->isModified())
        return;
    watched.schedule->changed();
}

void DocumentRecovery::takeCopy(Watched& watched)
{
    frmDocument* document = watched.document;
    if (!document || !m_store->isEnabled())
        return;
    RichTextBox* editor = document->rtfText;
    QTextDocument* text = editor->document();
    if (!text->isModified() || (text->isEmpty() && document->isUntitled())) {
        dropCopy(watched);
        return;
    }
    if (!watched.rtf)
        watched.rtf = std::make_unique<IncrementalRtfWriter>(text);
    watched.copying = true;
    m_slices->start();
}

// One slice: the copies being taken are brought up to date until the slice
// is over; those that are current are handed to the store.
void DocumentRecovery::continueCopies()
{
    const QDeadlineTimer slice(SliceMs);
    for (Watched* watched : std::as_const(m_watched)) {
        if (!watched->copying)
            continue;
        if (!watched->rtf->update(slice))
            break;
        finishCopy(*watched);
    }
    if (isCopying())
        m_slices->start();
}

void DocumentRecovery::finishCopy(Watched& watched)
{
    watched.copying = false;
    frmDocument* document = watched.document;
    if (!document || !m_store->isEnabled())
        return;
    RecoveryCopy copy;
    copy.caption = document->Caption();
    copy.untitled = document->isUntitled();
    copy.format = document->rtfText->textFileFormat();
    copy.rtf = watched.rtf->pieces();
    m_store->write(watched.id, std::move(copy));
    watched.hasCopy = true;
}

bool DocumentRecovery::isCopying() const
{
    return std::any_of(m_watched.begin(), m_watched.end(), [](const Watched* watched) { return watched->copying; });
}

void DocumentRecovery::dropCopy(Watched& watched)
{
    watched.schedule->stop();
    watched.copying = false;
    watched.rtf.reset();
    if (!watched.hasCopy)
        return;
    m_store->remove(watched.id);
    watched.hasCopy = false;
}

// The window closed, whatever its prompt was answered. It is half destroyed
// by now, so it is known by its address alone.
void DocumentRecovery::forget(QObject* document)
{
    for (qsizetype i = 0; i < m_watched.size(); ++i) {
        Watched* watched = m_watched[i];
        if (watched->window != document)
            continue;
        if (watched->hasCopy)
            m_store->remove(watched->id);
        m_watched.removeAt(i--);
        delete watched->schedule;
        delete watched;
    }
}

void DocumentRecovery::takePendingCopies()
{
    for (Watched* watched : std::as_const(m_watched)) {
        if (watched->schedule->isPending()) {
            watched->schedule->stop();
            takeCopy(*watched);
        }
    }
}

void DocumentRecovery::copyDueNow()
{
    takePendingCopies();
    for (Watched* watched : std::as_const(m_watched)) {
        if (watched->copying) {
            watched->rtf->update();
            finishCopy(*watched);
        }
    }
    m_slices->stop();
}

void DocumentRecovery::storeFailed(const QString& reason)
{
    m_slices->stop();
    for (Watched* watched : std::as_const(m_watched)) {
        watched->schedule->stop();
        watched->copying = false;
        watched->rtf.reset();
    }
    MsgBox(m_window, UiTexts::RecoveryOff.arg(reason), MsgButtons::OKOnly, MsgIcon::Exclamation);
}

void DocumentRecovery::offerLeftBehind(const std::function<frmDocument*()>& createDocument)
{
    const RecoveryStore::LeftBehind left = m_store->takeLeftBehind();
    QStringList damaged;
    for (const RecoveryStore::Damaged& copy : left.damaged)
        damaged.append(UiTexts::RecoveryDamagedLine.arg(copy.name, copy.problem, copy.keptAt));
    const QString damagedText = damaged.isEmpty() ? QString() : UiTexts::RecoveryDamaged.arg(damaged.join(u'\n'));
    if (left.copies.isEmpty()) {
        if (!damaged.isEmpty())
            MsgBox(m_window, damagedText, MsgButtons::OKOnly, MsgIcon::Exclamation);
        m_store->releaseLeftBehind();
        return;
    }

    QStringList names;
    for (const RecoveryStore::Found& found : left.copies)
        names.append(found.copy.caption);
    QString question = UiTexts::RecoveryOffer.arg(names.join(u'\n'));
    if (!damagedText.isEmpty())
        question += QStringLiteral("\n\n") + damagedText;
    if (MsgBox(m_window, question, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes) {
        for (const RecoveryStore::Found& found : left.copies) {
            frmDocument* document = createDocument();
            Watched* watched = document ? find(document) : nullptr;
            if (!watched)
                continue;
            restore(document, found.copy);
            // The copy holds what the window now shows; it becomes this
            // instance's copy of the document and is written again only when
            // something changes (or when the untitled document's new number
            // should be in it).
            watched->schedule->stop();
            m_store->adopt(found.file, watched->id);
            watched->hasCopy = true;
            if (document->Caption() != found.copy.caption)
                watched->schedule->changed();
        }
    }
    m_store->releaseLeftBehind();
}

// A file-backed document gets its path as its caption and its file's
// encoding and line ends back, so Save writes there as before; an untitled
// one keeps the number its new window was given.
void DocumentRecovery::restore(frmDocument* document, const RecoveryCopy& copy)
{
    RichTextBox* editor = document->rtfText;
    editor->setTextRTF(copy.rtfBytes());
    editor->setTextFileFormat(copy.format);
    if (!copy.untitled)
        document->setCaption(copy.caption);
    // What was restored is not saved anywhere yet.
    editor->document()->setModified(true);
}
