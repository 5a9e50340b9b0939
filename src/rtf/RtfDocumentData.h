#pragma once

#include <QByteArray>
#include <QColor>
#include <QObject>
#include <QString>

#include <vector>

class QTextDocument;

// What a document read from RTF held outside its text: the font and colour
// tables (kept groups refer to them by number), the document's code page,
// and every document-level group and control word the editor has no use for
// (style sheet, \info, page size and margins, headers, footers, list tables
// no paragraph uses...). It rides on the QTextDocument as a child object, so
// it lives and dies with the document; RtfWriter writes it all back.
class RtfDocumentData : public QObject
{
    Q_OBJECT
public:
    struct Font {
        int number = 0;
        QString family;
    };

    // The document's data, or null when it has none (not read from RTF).
    static RtfDocumentData* of(const QTextDocument* document);
    // The document's data, made empty; replaces whatever was there.
    static RtfDocumentData* reset(QTextDocument* document);
    // Forgets the data: the document now holds plain text.
    static void remove(QTextDocument* document);

    int codePage = 1252;
    int defaultFont = 0;
    QByteArray fontTable;       // the whole \fonttbl group as read
    std::vector<Font> fonts;    // its entries, in order
    std::vector<QColor> colors; // the colour table; an invalid colour is "auto"
    // Document-level control words and groups, verbatim and in their order.
    QByteArray prelude;
    // The \list groups of the list table and the \listoverride groups, kept
    // so that lists no paragraph uses survive; new lists get numbers above.
    QByteArray lists;
    QByteArray listOverrides;
    int highestListId = 0;
    int highestOverride = 0;

private:
    explicit RtfDocumentData(QTextDocument* document);
};
