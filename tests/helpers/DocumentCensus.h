#pragma once

#include <QString>

#include <array>

class QTextDocument;

// What a document holds beyond its characters, counted: what a round trip
// through RTF has to keep. Compared as a whole; describe() for messages.
struct DocumentCensus {
    int pictures = 0;  // pictures shown (kept PNG and JPEG)
    int tables = 0;    // tables, nested ones included
    int rows = 0;
    int cells = 0;     // a merged cell counts once
    int merged = 0;    // cells spanning more than one row or column
    int lists = 0;
    int items = 0;
    int links = 0;     // runs of text with one link target
    std::array<int, 9> markers{};  // by RtfObjects::MarkerKind
    QString text;      // PlainTextExport's text

    static DocumentCensus of(const QTextDocument& document);
    int markerCount() const;
    // The counts that are not 0, without the text: "pictures=2 tables=1
    // rows=2 cells=5 merged=1 footnotes=1".
    QString describe() const;
    bool sameElements(const DocumentCensus& other) const { return describe() == other.describe(); }
};
