#pragma once

#include <QByteArray>

#include <memory>

class QTextCursor;
class QTextDocument;

// Writes a QTextDocument, or the selection of a cursor, as 7-bit Rich Text
// Format: a font table, a colour table, paragraphs with their alignment and
// runs with bold, italic, underline (with its line: dotted, dashed, wavy),
// strikethrough, superscript and subscript, font, size and colour; pictures
// with the bytes they were read with, tables, lists, hyperlinks and fields,
// and every group RtfReader kept, where it was: whatever RtfReader keeps of
// a document it reads back from what was written. A document read from RTF
// keeps its code page, its font and colour tables (new fonts and colours
// are added after them) and its document-level groups; others are written in
// Windows-1251. Characters outside ASCII are written as \uN with a fallback
// byte of that code page.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument* document);

    // Only the selected part of the cursor's document; an empty selection
    // gives an RTF document with no text.
    static QByteArray write(const QTextCursor& selection);

    // The document written a piece at a time, so that a piece can be
    // written again alone after an edit: each piece starts from the plain
    // character state. The whole RTF is header(), then the pieces in
    // document order, with paragraphBreak() after each piece that ended with
    // its last paragraph, then end(). The header holds every font and colour
    // of the pieces written so far.
    class Pieces
    {
    public:
        explicit Pieces(const QTextDocument* document);
        ~Pieces();
        // The paragraphs that start before to, with their text in [from, to):
        // whole paragraphs, or a long one's part. endsParagraph says whether
        // the last one ended in it, so that a paragraph break must follow.
        QByteArray write(int from, int to, bool* endsParagraph = nullptr);
        QByteArray header() const;
        static QByteArray paragraphBreak();
        static QByteArray end();

    private:
        struct Impl;
        std::unique_ptr<Impl> m_impl;
    };
};
