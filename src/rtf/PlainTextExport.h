#pragma once

#include <QString>
#include <QTextFrame>

class QTextCursor;
class QTextDocument;

// A document as a plain-text file or the clipboard's text holds it: its
// paragraphs one to a line, a line break a line end; a table's cells
// separated by tabs and its rows by line ends (the paragraphs of one cell by
// spaces, a table inside a cell flattened into it); pictures and the markers
// of kept RTF groups write nothing, as formatting writes nothing.
//
// Not the editor's Text(): that one keeps one character for every position
// of the document, so that a position in it is a caret position.
class PlainTextExport
{
public:
    static QString text(const QTextDocument* document);
    // Only the selected part of the cursor's document.
    static QString text(const QTextCursor& selection);

    // Qt keeps a paragraph before a table that starts a frame or a cell, and
    // after one that ends it; empty, it stands for nothing the document
    // holds. `it` is at a paragraph; startOfFrame when nothing comes before
    // it in its frame or cell, afterTable when a table does.
    static bool isTableFiller(QTextFrame::iterator it, bool startOfFrame, bool afterTable);
};
