#include "dialogs/FindReplace.h"

#include "dialogs/TextPattern.h"
#include "platform/RichTextBox.h"

#include <QTextCursor>
#include <QTextDocument>

namespace {

// The text to search: the editor's Text(), or, when the text to find holds
// no line break, the document's raw text, which differs from Text() only in
// the characters that stand for breaks and saves a pass over the document.
QString searchableText(RichTextBox* editor, QStringView what)
{
    for (const QChar ch : what) {
        switch (ch.unicode()) {
        case u'\n':
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0:
        case 0xFDD1:
            return editor->Text();
        default:
            break;
        }
    }
    return editor->document()->toRawText();
}

qsizetype searchFrom(const TextPattern& pattern, QStringView text, qsizetype start)
{
    start = std::max<qsizetype>(start, 1);
    const qsizetype index = pattern.indexIn(text, start - 1);
    return index < 0 ? 0 : index + 1;
}

} // namespace

FindReplace::FindReplace(CommandContext context)
    : m_context(std::move(context))
{
}

qsizetype FindReplace::search(QStringView text, QStringView what, qsizetype start, Qt::CaseSensitivity cs)
{
    return searchFrom(TextPattern(what, cs), text, start);
}

QList<qsizetype> FindReplace::replaceAllMatches(QStringView text, QStringView what, qsizetype start,
                                                Qt::CaseSensitivity cs)
{
    QList<qsizetype> starts;
    if (what.isEmpty())
        return starts;  // every position would match, without end
    const TextPattern pattern(what, cs);
    for (qsizetype at = searchFrom(pattern, text, start); at >= 1; at = searchFrom(pattern, text, at + what.size()))
        starts.append(at - 1);
    return starts;
}

FindReplace::Outcome FindReplace::searchStep(RichTextBox* editor, const QString& what, Qt::CaseSensitivity cs)
{
    m_findPos = search(searchableText(editor, what), what, m_findPos + 1, cs);
    if (m_findPos == 0)
        return Outcome::NotFound;
    // One cursor change: the editor scrolls to the match once.
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(int(m_findPos - 1));
    cursor.setPosition(int(m_findPos - 1 + what.size()), QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    return Outcome::Found;
}

FindReplace::Outcome FindReplace::find(const QString& what, Qt::CaseSensitivity cs)
{
    RichTextBox* editor = m_context.activeEditor();
    if (!editor || what.isEmpty())
        return Outcome::NothingToDo;
    m_findPos = 0;
    return searchStep(editor, what, cs);
}

FindReplace::Outcome FindReplace::findNext(const QString& what, Qt::CaseSensitivity cs)
{
    RichTextBox* editor = m_context.activeEditor();
    if (!editor || what.isEmpty())
        return Outcome::NothingToDo;
    return searchStep(editor, what, cs);
}

FindReplace::Outcome FindReplace::replace(const QString& what, const QString& with, Qt::CaseSensitivity cs)
{
    RichTextBox* editor = m_context.activeEditor();
    if (!editor || what.isEmpty())
        return Outcome::NothingToDo;
    editor->setSelText(with);
    return searchStep(editor, what, cs);
}

FindReplace::Outcome FindReplace::replaceAll(const QString& what, const QString& with, Qt::CaseSensitivity cs)
{
    RichTextBox* editor = m_context.activeEditor();
    if (!editor || what.isEmpty())
        return Outcome::NothingToDo;

    // The text is read once; the matches a replace-and-search-on loop would
    // visit are computed on it and replaced in one edit block, which is also
    // one undo step. Each replacement takes the format of the text it
    // replaces, and the text around it keeps its own.
    QTextCursor cursor = editor->textCursor();
    cursor.beginEditBlock();
    cursor.insertText(with);
    const QList<qsizetype> starts = replaceAllMatches(searchableText(editor, what), what, m_findPos + 1, cs);
    qsizetype shift = 0;  // how far earlier replacements moved the text after them
    for (const qsizetype start : starts) {
        const qsizetype at = start + shift;
        cursor.setPosition(int(at));
        cursor.setPosition(int(at + what.size()), QTextCursor::KeepAnchor);
        cursor.insertText(with);
        // Measured, not computed: "\r\n" in the replacement is one break.
        shift += cursor.position() - at - what.size();
    }
    cursor.endEditBlock();
    editor->setTextCursor(cursor);  // the caret after the last replacement
    m_findPos = 0;
    return Outcome::Replaced;
}
