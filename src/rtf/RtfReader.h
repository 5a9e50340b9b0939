#pragma once

#include <QByteArray>

class QTextCursor;
class QTextDocument;

// Reads Rich Text Format into a QTextDocument: the text, paragraph alignment
// and the character formats the editor offers (bold, italic, underline,
// strikethrough, font, size, colour); pictures (PNG, JPEG) as images whose
// bytes are kept as read, tables (QTextTable, merged cells, widths, nested
// tables), lists (\ls with the list table, and \pn) and hyperlinks; other
// fields show their result. Everything else is kept, never dropped: inline
// groups (footnotes, annotations, objects, other pictures, bookmarks,
// shapes) and hidden text behind marker characters, document-level groups
// and settings on the document's RtfDocumentData (RtfObjects.h says how to
// find them).
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
