#pragma once

#include <QByteArray>

class QTextCursor;
class QTextDocument;

// Writes a QTextDocument, or the selection of a cursor, as 7-bit Rich Text
// Format in the Windows-1251 code page: a font table (every font with the
// Cyrillic charset), a colour table, paragraphs with their alignment and runs
// with bold, italic, underline (with its line: dotted, dashed, wavy),
// strikethrough, superscript and subscript, font, size and colour: whatever
// RtfReader keeps of a document it reads back from what was written.
// Characters outside ASCII are written as \uN with a Windows-1251 fallback.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument* document);

    // Only the selected part of the cursor's document; an empty selection
    // gives an RTF document with no text.
    static QByteArray write(const QTextCursor& selection);
};
