#pragma once

#include "platform/BlockHeightIndex.h"
#include "platform/TableGeometry.h"

#include <QAbstractTextDocumentLayout>
#include <QTextFrame>
#include <QTextOption>

#include <functional>
#include <unordered_map>
#include <vector>

class MarkerObject;
class PictureObject;
class QTextBlock;
class QTextTable;
class QTextTableCell;

// The editor's document layout. Qt's own rich-text layout places every
// paragraph below the one before it, so moving to the end of a document, or
// typing into one, lays out everything above the caret: seconds on a document
// of a few hundred thousand paragraphs. This layout lays out only the
// paragraphs that are shown or that the caret visits, and stands the others
// in with heights estimated from their length, kept in a BlockHeightIndex that
// turns a paragraph into its top edge (and back) in logarithmic time. An
// estimate becomes the real height the first time the paragraph is laid out.
//
// It lays out what the editor's documents hold: paragraphs of formatted text
// with their alignment, margins, indents and line height; list items with
// their bullets and numbers; pictures and the markers of kept RTF groups
// (sized and drawn by PictureObject and MarkerObject, which Qt's layout
// uses too when the document is printed); and tables, one group of rows at a
// time (a row, or the rows that cells spanning several rows tie together),
// with column widths from the table's format (TableGeometry), so a table of
// ten thousand rows costs what the rows on screen cost. Tables inside cells
// are laid out whole with the row that holds them. Frames other than tables
// are laid out as the paragraphs they hold.
//
// The table is numbered as the document's paragraphs are, and is changed only
// while it is in step with them (inStep()): Qt reports an edit made inside an
// edit block only when the block ends, while cursor moves inside the block
// already ask for paragraph sizes. Until the edit is reported, paragraphs are
// laid out for the caret but nothing is recorded. Painting lays nothing out:
// the editor lays out what it is about to show beforehand (layoutViewport).
class LazyDocumentLayout : public QAbstractTextDocumentLayout
{
    Q_OBJECT
public:
    explicit LazyDocumentLayout(QTextDocument* document);

    void draw(QPainter* painter, const PaintContext& context) override;
    int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override;
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame* frame) const override;
    QRectF blockBoundingRect(const QTextBlock& block) const override;

    // Lays out every paragraph that a view of the given height starting at
    // top shows, and returns the top at which the view should stand so that
    // what the user was looking at stays in place: the paragraph holding the
    // caret (at caretPosition) if it is in view and laid out already,
    // otherwise the first laid-out paragraph in view, otherwise nothing moves;
    // a view at the end of the document stays at the end.
    qreal layoutViewport(qreal top, qreal height, int caretPosition);

    // Whether every paragraph in [top, top + height) is laid out; true as well
    // while an edit is still to be reported, when nothing can be laid out.
    bool isLaidOut(qreal top, qreal height) const;

    // Whether the table has one entry per paragraph of the document as it
    // stands, so that paragraph n is entry n.
    bool inStep() const;
    // Checks entries [first, last] (clamped) against the document: the entry
    // count, each entry's length and kind, that the paragraphs of a table row
    // are laid out together or not at all, and lines for every measured
    // paragraph. Empty when all agree, otherwise the first disagreement.
    // Debug builds check after every reported edit.
    QString checkTable(qsizetype first = 0, qsizetype last = -1) const;

    const BlockHeightIndex& heights() const { return m_heights; }

    // The format of the picture or marker character under the point, or an
    // invalid format when there is none.
    QTextFormat objectFormatAt(const QPointF& point) const;
    // Gives another layout (of a copy of the document made to print it) the
    // same picture and marker handlers.
    void shareObjectHandlers(QAbstractTextDocumentLayout* other) const;
    PictureObject* pictures() const { return m_pictures; }

    // Drawn for every paragraph painted, before its text, with the
    // paragraph's top left corner: what the view shows over the text without
    // it being part of the document (spelling marks).
    using BlockDecoration = std::function<void(QPainter* painter, const QTextBlock& block,
                                               const QPointF& offset, const QRectF& clip)>;
    void setBlockDecoration(BlockDecoration decoration) { m_decoration = std::move(decoration); }

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    // What is laid out at once: one paragraph, or a group of table rows.
    struct Unit
    {
        qsizetype first = 0;
        qsizetype last = -1;
        QTextTable* table = nullptr;  // a table not inside another
        int firstRow = 0;
        int lastRow = -1;
    };
    // Rows of a table as laid out: tops relative to the first row's box.
    struct Rows
    {
        int first = 0;
        std::vector<qreal> top;
        std::vector<qreal> height;
        std::vector<char> covered;
    };
    // A table inside a cell: where its rows are, relative to the row group
    // that holds it.
    struct NestedTable
    {
        QPointF origin;  // the table's top left (left of the text it stands in)
        TableGeometry geometry;
        Rows rows;
    };

    // --- units (LazyDocumentLayout.cpp)
    Unit unitAt(qsizetype index) const;
    Unit tableUnit(const QTextBlock& block) const;
    bool isReady(const Unit& unit) const;
    qreal ensureLaidOut(const Unit& unit) const;
    qreal unitTop(const Unit& unit) const;
    qreal unitHeight(const Unit& unit) const;

    // --- paragraphs
    qreal layOutParagraph(const QTextBlock& block, qreal available, const QPointF& position) const;
    qreal paragraphHeight(const QTextBlock& block) const;
    // For the caret while an edit is still to be reported: the paragraph laid
    // out where it stands, at its width; returns its height.
    qreal layOutDetached(const QTextBlock& block) const;
    void drawBlock(QPainter* painter, const PaintContext& context, const QTextBlock& block, const QPointF& offset,
                   const QRectF& clip, qreal width) const;
    int hitInBlock(const QTextBlock& block, const QPointF& local, Qt::HitTestAccuracy accuracy) const;

    // --- tables (LazyDocumentLayoutTables.cpp)
    qreal tableWidth() const;
    void updateWidestTable();
    TableGeometry geometryOf(const QTextTable* table) const;
    void layOutUnit(const Unit& unit) const;
    Rows layOutRows(QTextTable* table, const TableGeometry& geometry, int first, int last,
                    const QPointF& origin) const;
    qreal layOutFlow(QTextFrame::iterator it, qreal width, const QPointF& origin) const;
    qreal layOutNested(QTextTable* table, qreal available, const QPointF& origin) const;
    void shiftCell(const QTextTableCell& cell, const QPointF& delta, size_t nestedFrom, size_t nestedTo) const;
    Rows rowsFromIndex(const Unit& unit, const TableGeometry& geometry) const;
    void drawUnit(QPainter* painter, const PaintContext& context, const Unit& unit, const QRectF& clip) const;
    void drawRows(QPainter* painter, const PaintContext& context, QTextTable* table, const TableGeometry& geometry,
                  const Rows& rows, const QPointF& origin, bool tableTop, bool tableBottom) const;
    void drawCellContent(QPainter* painter, const PaintContext& context, const QTextTableCell& cell,
                         const QPointF& origin, const QRectF& clip, qreal width) const;
    int hitInUnit(const Unit& unit, const QPointF& point, Qt::HitTestAccuracy accuracy) const;
    int hitInCell(const QTextTableCell& cell, const QPointF& local, Qt::HitTestAccuracy accuracy) const;
    // The width of the text a paragraph inside a table is laid out in.
    qreal cellTextWidth(const QTextTable* table, const QTextTableCell& cell) const;
    qreal flowWidthAt(int position) const;

    // --- upkeep
    void checkAfterEdit(qsizetype first, qsizetype last) const;
    void rebuild();
    void relayoutAll();
    void updateGeometry();
    BlockHeightIndex::Estimate estimateFor(qreal lineWidth) const;
    qreal contentWidth() const;
    void sizeMayHaveChanged(qreal oldTotal) const;

    mutable BlockHeightIndex m_heights;
    int m_characterCount = 0;   // the document's length when it last changed
    qreal m_pageWidth = -1;     // the document's page width when last laid out
    qreal m_margin = 0;
    QFont m_defaultFont;
    QTextOption m_option;
    // Set while painting, which must lay nothing out.
    mutable bool m_drawing = false;
    qreal m_widestTable = 0;            // right edge of the widest table
    qsizetype m_rootFrames = 0;         // tables and frames of the root frame
    mutable qreal m_reportedWidth = 0;  // the width documentSizeChanged last gave
    mutable std::unordered_map<const QTextTable*, NestedTable> m_nested;
    mutable std::vector<const QTextTable*> m_nestedLaidOut;  // in the row group being laid out
    PictureObject* m_pictures = nullptr;
    MarkerObject* m_markers = nullptr;
    BlockDecoration m_decoration;
};
