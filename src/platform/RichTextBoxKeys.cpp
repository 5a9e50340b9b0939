#include "platform/RichTextBox.h"

#include "platform/LazyDocumentLayout.h"
#include "rtf/RtfObjects.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolTip>

namespace {

// Characters QTextEdit itself would insert for a key or an input method.
bool isInsertable(char32_t c)
{
    if (c == U'\t' || c == U'\r')
        return true;
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    const QChar::Category category = QChar::category(c);
    return QChar::isPrint(c) || category == QChar::Other_Format || category == QChar::Other_PrivateUse;
}

bool isPrintableText(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\t' || c == U'\r' || !isInsertable(c))
            return false;
    }
    return true;
}

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

} // namespace

// --- keyboard and mouse -----------------------------------------------------

RichTextBox::Typed RichTextBox::runKeyPress(const QString& typed, QString* result)
{
    const QPointer<RichTextBox> alive(this);
    Typed outcome = Typed::Unchanged;
    result->clear();
    for (const char32_t original : typed.toUcs4()) {
        int code = int(original);
        emit KeyPress(code);
        if (!alive)
            return Typed::Destroyed;
        if (code != int(original))
            outcome = Typed::Changed;
        // 0 cancels; codes that no key could type are dropped as well
        if (code > 0 && isInsertable(char32_t(code))) {
            const char32_t c = char32_t(code);
            result->append(QString::fromUcs4(&c, 1));
        }
    }
    return outcome;
}

void RichTextBox::insertTyped(const QString& text)
{
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    if (overwriteMode() && !cursor.hasSelection() && !cursor.atBlockEnd())
        cursor.deleteChar();
    const int firstBlock = document()->findBlock(cursor.selectionStart()).blockNumber();
    cursor.insertText(text);  // a "\r" starts a paragraph
    if (m_ownLineEnds)
        giveFileLineEnds(firstBlock, cursor.blockNumber());
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

bool RichTextBox::isEditCommandKey(const QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Copy)
        || event->matches(QKeySequence::Paste) || event->matches(QKeySequence::SelectAll))
        return true;
    // The alternative keys every platform's editors know, whatever the
    // platform's own bindings list.
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    const QKeyCombination combination(modifiers, Qt::Key(event->key()));
    return combination == QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete)
        || combination == QKeyCombination(Qt::ControlModifier, Qt::Key_Insert)
        || combination == QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert);
}

bool RichTextBox::event(QEvent* event)
{
    // Not claiming the key lets the window's shortcut run the command.
    if (event->type() == QEvent::ShortcutOverride && isEditCommandKey(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return QTextEdit::event(event);
}

// Over a marker of a kept RTF element (a footnote, a bookmark...), the
// tooltip says what it is, with its text.
bool RichTextBox::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QPointF point = help->pos() + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
        const QString text = RtfObjects::markerToolTip(m_layout->objectFormatAt(point));
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, viewport());
        }
        return true;
    }
    return QTextEdit::viewportEvent(event);
}

void RichTextBox::keyPressEvent(QKeyEvent* event)
{
    // It arrives here only when no enabled menu item took it: QTextEdit's own
    // rich-text clipboard must not run instead.
    if (isEditCommandKey(event)) {
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    if ((event->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)
        || (event->key() == Qt::Key_Menu && modifiers == Qt::NoModifier)) {
        event->accept();
        // Where the window system made a context-menu event of the menu key,
        // that event came first and asked for the menu already.
        if (event->key() == Qt::Key_F10 || !m_menuKeyHasEvent)
            emit ContextMenuKey();
        return;
    }
    if (event->key() == Qt::Key_Insert && modifiers == Qt::NoModifier) {
        setOverwriteMode(!overwriteMode());
        event->accept();
        emit overwriteModeChanged(overwriteMode());
        return;
    }
    if (isReadOnly()) {
        QTextEdit::keyPressEvent(event);
        return;
    }

    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool alt = modifiers & Qt::AltModifier;
    QString typed;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!ctrl && !alt)
            typed = QStringLiteral("\r");
        break;
    case Qt::Key_Tab:
        if (!ctrl && !alt)
            typed = QStringLiteral("\t");
        break;
    default:
        if (!isPrintableText(event->text()))
            break;
        if (alt && !ctrl) {
            // Alt with a letter belongs to the menus, not to the text.
            event->ignore();
            return;
        }
        if (!ctrl || alt)  // Ctrl alone is a shortcut; Ctrl+Alt is AltGr
            typed = event->text();
        break;
    }
    if (typed.isEmpty()) {
        QTextEdit::keyPressEvent(event);
        return;
    }

    QString result;
    const bool focused = hasFocus();
    switch (runKeyPress(typed, &result)) {
    case Typed::Destroyed:
        return;
    case Typed::Unchanged:
        // QTextEdit inserts it as usual (overwrite mode, undo grouping),
        // unless the handler moved the focus away (the tag list opened):
        // QTextEdit would then show its caret again beside the new focus.
        // A new paragraph in a file with mixed line ends takes the file's
        // line end in the same undo step.
        if ((focused && !hasFocus())
            || (m_ownLineEnds && typed == QLatin1String("\r") && !overwriteMode())) {
            event->accept();
            insertTyped(result);
            return;
        }
        QTextEdit::keyPressEvent(event);
        return;
    case Typed::Changed:
        event->accept();
        if (!result.isEmpty())
            insertTyped(result);
        return;
    }
}

void RichTextBox::inputMethodEvent(QInputMethodEvent* event)
{
    if (isReadOnly() || event->commitString().isEmpty() || !event->preeditString().isEmpty()
        || event->replacementLength() != 0) {
        QTextEdit::inputMethodEvent(event);
        return;
    }
    QString result;
    const bool focused = hasFocus();
    switch (runKeyPress(event->commitString(), &result)) {
    case Typed::Destroyed:
        return;
    case Typed::Unchanged:
        if (focused && !hasFocus()) {  // as for a key
            event->accept();
            insertTyped(result);
            return;
        }
        QTextEdit::inputMethodEvent(event);
        return;
    case Typed::Changed: {
        QInputMethodEvent changed(QString(), event->attributes());
        changed.setCommitString(result);
        QTextEdit::inputMethodEvent(&changed);
        event->accept();
        return;
    }
    }
}

void RichTextBox::mousePressEvent(QMouseEvent* event)
{
    QTextEdit::mousePressEvent(event);
    if (const int button = buttonCode(event->button())) {
        const QPoint at = event->position().toPoint();
        event->accept();  // reported, so not passed on to the window behind
        emit MouseDown(button, shiftCode(event->modifiers()), at.x(), at.y());
    }
}

void RichTextBox::mouseReleaseEvent(QMouseEvent* event)
{
    // The release handler may open a modal menu, so the editor finishes its
    // own part of the click first.
    QTextEdit::mouseReleaseEvent(event);
    if (const int button = buttonCode(event->button())) {
        const QPoint at = event->position().toPoint();
        event->accept();  // reported, so not passed on to the window behind
        emit MouseUp(button, shiftCode(event->modifiers()), at.x(), at.y());
    }
}

void RichTextBox::contextMenuEvent(QContextMenuEvent* event)
{
    // No menu of QTextEdit's own: the document window shows the program's
    // menu when the right button is released, and when the keyboard asks.
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        m_menuKeyHasEvent = true;
        emit ContextMenuKey();
    }
}

