#include "document/frmDocument.h"

#include "document/SaveThroughDialog.h"
#include "listsearch/CompletionOptions.h"
#include "listsearch/ListSearch.h"
#include "platform/CommonDialog.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"
#include "platform/Twips.h"
#include "texts/UiTexts.h"

#include <QCloseEvent>
#include <QTextCursor>
#include <QTextDocument>

frmDocument::frmDocument(QWidget* parent)
    : QWidget(parent)
    , rtfText(new RichTextBox(this))
    , dlgCommonDialog(new CommonDialog(this))
    , lsMain(new ListSearch(this))
{
    setObjectName(QStringLiteral("frmDocument"));
    rtfText->setObjectName(QStringLiteral("rtfText"));
    dlgCommonDialog->setObjectName(QStringLiteral("dlgCommonDialog"));
    dlgCommonDialog->parentWindow = this;
    setFocusProxy(rtfText);
    connect(rtfText, &RichTextBox::SelChange, this, &frmDocument::rtfText_SelChange);
    connect(rtfText->document(), &QTextDocument::contentsChange, this, &frmDocument::rtfText_Change);
    connect(rtfText, &RichTextBox::MouseUp, this, &frmDocument::rtfText_MouseUp);
    connect(rtfText, &RichTextBox::MouseDown, this, &frmDocument::rtfText_MouseDown);
    connect(rtfText, &RichTextBox::KeyPress, this, &frmDocument::rtfText_KeyPress);
    connect(rtfText, &RichTextBox::ContextMenuKey, this, &frmDocument::rtfText_ContextMenuKey);
    lsMain->setObjectName(QStringLiteral("lsMain"));
    connect(lsMain, &ListSearch::Done, this, &frmDocument::lsMain_Done);
    connect(lsMain, &ListSearch::Escape, this, &frmDocument::lsMain_Escape);
    Form_Load();
}

void frmDocument::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowTitleChange)
        m_untitled = Caption().left(8) == UiTexts::UntitledPrefix;
    QWidget::changeEvent(event);
}

void frmDocument::Form_Load()
{
    // The list always opens at this place over the editor, not at the caret.
    lsMain->setGeometry(twipsToPixels(960), twipsToPixels(360), twipsToPixels(1695), twipsToPixels(2295));
    lsMain->hide();
    lsMain->raise();
    Form_Resize();
}

int frmDocument::twipsToPixels(int twips) const
{
    return Twips::toPixels(twips, logicalDpiX());
}

void frmDocument::Form_Resize()
{
    const int border = twipsToPixels(100);
    const int editorWidth = width() - 2 * border;
    const int editorHeight = height() - 2 * border;
    // Too small a window leaves the editor at its last size.
    if (editorWidth >= 0 && editorHeight >= 0)
        rtfText->setGeometry(border, border, editorWidth, editorHeight);
    rtfText->setRightMargin(Twips::fromPixels(rtfText->width(), logicalDpiX()) - 400);
}

QSize frmDocument::sizeHint() const
{
    return QSize(480, 320);
}

void frmDocument::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

// The toolbar's style and alignment buttons show the formatting at the
// selection; a mixed selection presses none.
void frmDocument::rtfText_SelChange()
{
    emit formattingChanged(rtfText->SelFormatting());
}

// Formats or text changed under a selection that stayed where it was (the
// font dialog, undo, redo): the toolbar shows the new formatting once the
// command is done.
void frmDocument::rtfText_Change(int from, int, int added)
{
    const QTextCursor cursor = rtfText->textCursor();
    // The caret takes the format of the character before it.
    if (m_formattingPosted || from > cursor.selectionEnd() || from + added < cursor.selectionStart() - 1)
        return;
    m_formattingPosted = true;
    QMetaObject::invokeMethod(this, [this] {
        m_formattingPosted = false;
        rtfText_SelChange();
    }, Qt::QueuedConnection);
}

// Only the right button opens the menu, where it was let go.
void frmDocument::rtfText_MouseUp(int button, int, int x, int y)
{
    if (button != 2)
        return;
    const QPoint at(x, y);
    emit contextMenuWanted(rtfText->viewport()->mapToGlobal(at), rtfText->cursorForPosition(at).position());
}

// The menu key and Shift+F10 open the menu under the caret, brought into
// view first.
void frmDocument::rtfText_ContextMenuKey()
{
    rtfText->ensureCursorVisible();
    const QRect caret = rtfText->cursorRect();
    emit contextMenuWanted(rtfText->viewport()->mapToGlobal(QPoint(caret.left(), caret.bottom() + 1)),
                           rtfText->textCursor().position());
}

void frmDocument::rtfText_MouseDown(int, int, int, int)
{
    lsMain->hide();
}

// "<" opens the tag list with the focus in its search box. The editor still
// inserts the "<" after this returns (replacing a selection), so the caret
// stands after it while the list is open.
void frmDocument::rtfText_KeyPress(int& keyAscii)
{
    if (keyAscii != '<')
        return;
    const bool upper = m_completionOptions && m_completionOptions->upperCase();
    if (lsMain->FillWithTags(ProgramFolder::filePath(UiTexts::TagsFileName), upper) != 0) {
        lsMain->show();
        lsMain->setFocus();
    }
}

void frmDocument::lsMain_Done(const QString& name)
{
    const bool closingTag = !m_completionOptions || m_completionOptions->closingTag();
    rtfText->setSelText(name + u'>');
    if (closingTag) {
        // The caret goes back to where the opening tag ends, however the
        // editor counted the characters of the name.
        const qsizetype between = rtfText->SelStart();
        rtfText->setSelText(QStringLiteral("</") + name + u'>');
        rtfText->setSelStart(between);
    }
    lsMain->hide();
    rtfText->setFocus();
}

void frmDocument::lsMain_Escape()
{
    lsMain->hide();
    rtfText->setFocus();
}

void frmDocument::closeEvent(QCloseEvent* event)
{
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void frmDocument::Form_Unload(bool& cancel)
{
    m_promptSavedPath.clear();
    if (rtfText->document()->isEmpty())
        return;
    const MsgResult answer = MsgBox(this, UiTexts::SaveChangesPrefix + Caption() + UiTexts::SaveChangesSuffix,
                                    MsgButtons::YesNoCancel, MsgIcon::Question, UiTexts::AppTitle);
    if (answer == MsgResult::Cancel) {
        cancel = true;
    } else if (answer == MsgResult::Yes) {
        cancel = !saveFromPrompt();
    }
}

// The save dialog of the close prompt: the window's own dialog, and the
// caption changes only when the document was saved as RTF. False keeps the
// window open: the dialog was cancelled or the file could not be written,
// and closing would lose the text.
bool frmDocument::saveFromPrompt()
{
    const SavedFile saved = SaveThroughDialog(*dlgCommonDialog, UiTexts::CloseSaveTitle, *rtfText, this);
    if (saved.path.isEmpty())
        return false;
    if (saved.rtf)
        setCaption(saved.path);
    m_promptSavedPath = saved.path;
    return true;
}
