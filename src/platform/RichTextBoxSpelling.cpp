#include "platform/RichTextBox.h"

#include "platform/LazyDocumentLayout.h"
#include "platform/SpellChecker.h"
#include "platform/SpellMarks.h"

#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>

// The editor's spelling marks and the replacement of a misspelt word.

void RichTextBox::setSpellChecker(SpellChecker* checker)
{
    if (!m_spellMarks) {
        m_spellMarks = new SpellMarks(document(), viewport());
        m_layout->setBlockDecoration([marks = QPointer<SpellMarks>(m_spellMarks)](
                                         QPainter* painter, const QTextBlock& block, const QPointF& offset,
                                         const QRectF& clip) {
            if (marks)
                marks->paint(painter, block, offset, clip);
        });
    }
    m_spellMarks->setChecker(checker);
}

SpellChecker* RichTextBox::spellChecker() const
{
    return m_spellMarks ? m_spellMarks->checker() : nullptr;
}

std::optional<SpellWordScanner::Word> RichTextBox::misspeltWordAt(qsizetype position) const
{
    if (!m_spellMarks || position < 0 || position > textLength())
        return std::nullopt;
    return m_spellMarks->misspeltWordAt(int(position));
}

void RichTextBox::replaceWord(qsizetype start, qsizetype length, const QString& text)
{
    QTextDocument* doc = document();
    start = std::clamp<qsizetype>(start, 0, textLength());
    length = std::clamp<qsizetype>(length, 0, textLength() - start);
    QTextCursor cursor(doc);
    cursor.setPosition(int(start));
    cursor.setPosition(int(start + length), QTextCursor::KeepAnchor);
    const QString old = cursor.selectedText();

    qsizetype prefix = 0;
    while (prefix < old.size() && prefix < text.size() && old[prefix] == text[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < old.size() - prefix && suffix < text.size() - prefix
           && old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix])
        ++suffix;
    const int from = int(start + prefix);
    const int to = int(start + length - suffix);

    // The format of the first character replaced, or of the one before the
    // insertion, or of the one after it at a word's start.
    QTextCursor probe(doc);
    probe.setPosition(to > from || from == start ? from + 1 : from);
    const QTextCharFormat format = probe.charFormat();

    cursor.beginEditBlock();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.insertText(text.mid(prefix, text.size() - prefix - suffix), format);
    cursor.endEditBlock();
    cursor.setPosition(int(start + text.size()));
    setTextCursor(cursor);
}
