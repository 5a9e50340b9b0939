#pragma once

#include <QByteArray>

class QTextCursor;
class QTextDocument;

// Reads Rich Text Format into a QTextDocument: the text, paragraph alignment
// and the character formats the editor offers (bold, italic, underline,
// strikethrough, font, size, colour). Pictures, objects, headers, footers and
// other non-text destinations are skipped; field results and table cell text
// are kept (cells separated by a tab, each row one paragraph).
//
// Any input is safe: bad or truncated RTF never crashes, hangs or reads
// outside the buffer, and whatever text can be recovered is recovered. Time
// and memory are linear in the input.
class RtfReader
{
public:
    // True when the bytes begin with "{\rtf".
    static bool isRtf(const QByteArray& data);

    // Replaces the document's content with what the RTF holds. Returns false,
    // leaving the document untouched, when the data is not RTF.
    static bool read(const QByteArray& data, QTextDocument* document);

    // Replaces the cursor's selection (or inserts at the caret) with what the
    // RTF holds and leaves the cursor after the new text. Returns false,
    // changing nothing, when the data is not RTF.
    static bool insert(const QByteArray& data, QTextCursor& cursor);
};
