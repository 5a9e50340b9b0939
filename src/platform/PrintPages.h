#pragma once

class QPrinter;
class QTextDocument;

// Prints a document as QTextDocument::print lays it out (2 cm margins, the
// page number at the foot of each page), honouring what the print dialog
// asked for: the page range, the number of copies (made here when the
// printer cannot make them itself, as a PDF file cannot), collation, and
// the last page first.
void PrintPages(const QTextDocument& document, QPrinter* printer);
