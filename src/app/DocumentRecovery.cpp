#include "app/DocumentRecovery.h"

#include "app/RecoverySchedule.h"
#include "document/frmDocument.h"
#include "platform/MessageBox.h"
#include "platform/RecoveryStore.h"
#include "platform/RichTextBox.h"
#include "texts/UiTexts.h"

#include <QTextDocument>

struct DocumentRecovery::Watched
{
    QPointer<frmDocument> document;
    int id = 0;
    RecoverySchedule* schedule = nullptr;
    bool hasCopy = false;
};

DocumentRecovery::DocumentRecovery(QWidget* window, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_store(std::make_unique<RecoveryStore>())
{
    connect(m_store.get(), &RecoveryStore::failed, this, &DocumentRecovery::storeFailed);
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
    RecoveryCopy copy;
    copy.caption = document->Caption();
    copy.untitled = document->isUntitled();
    copy.format = editor->textFileFormat();
    copy.rtf = {editor->TextRTF()};
    m_store->write(watched.id, std::move(copy));
    watched.hasCopy = true;
}

void DocumentRecovery::dropCopy(Watched& watched)
{
    watched.schedule->stop();
    if (!watched.hasCopy)
        return;
    m_store->remove(watched.id);
    watched.hasCopy = false;
}

// The window closed, whatever its prompt was answered.
void DocumentRecovery::forget(QObject* document)
{
    for (qsizetype i = 0; i < m_watched.size(); ++i) {
        Watched* watched = m_watched[i];
        if (watched->document && watched->document != document)
            continue;
        if (watched->hasCopy)
            m_store->remove(watched->id);
        m_watched.removeAt(i--);
        delete watched->schedule;
        delete watched;
    }
}

void DocumentRecovery::copyDueNow()
{
    for (Watched* watched : std::as_const(m_watched)) {
        if (watched->schedule->isPending()) {
            watched->schedule->stop();
            takeCopy(*watched);
        }
    }
}

void DocumentRecovery::storeFailed(const QString& reason)
{
    for (Watched* watched : std::as_const(m_watched))
        watched->schedule->stop();
    MsgBox(m_window, UiTexts::RecoveryOff.arg(reason), MsgButtons::OKOnly, MsgIcon::Exclamation);
}

void DocumentRecovery::offerLeftBehind(const std::function<frmDocument*()>& createDocument)
{
    const RecoveryStore::LeftBehind found = m_store->takeLeftBehind();
    QStringList damaged;
    for (const RecoveryStore::Damaged& copy : found.damaged)
        damaged.append(UiTexts::RecoveryDamagedLine.arg(copy.name, copy.problem, copy.keptAt));
    const QString damagedText = damaged.isEmpty() ? QString() : UiTexts::RecoveryDamaged.arg(damaged.join(u'\n'));
    if (found.copies.isEmpty()) {
        if (!damaged.isEmpty())
            MsgBox(m_window, damagedText, MsgButtons::OKOnly, MsgIcon::Exclamation);
        m_store->releaseLeftBehind();
        return;
    }

    QStringList names;
    for (const RecoveryStore::Found& found : found.copies)
        names.append(found.copy.caption);
    QString question = UiTexts::RecoveryOffer.arg(names.join(u'\n'));
    if (!damagedText.isEmpty())
        question += QStringLiteral("\n\n") + damagedText;
    if (MsgBox(m_window, question, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes) {
        for (const RecoveryStore::Found& found : found.copies) {
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
