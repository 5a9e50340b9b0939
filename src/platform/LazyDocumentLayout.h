#pragma once

#include "platform/BlockHeightIndex.h"

#include <QAbstractTextDocumentLayout>
#include <QTextOption>

class QTextBlock;

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
// in the root frame, with their alignment, margins, indents and line height.
// Tables and floating frames are not part of such documents.
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
    // count, each entry's length, and lines for every measured paragraph.
    // Empty when all agree, otherwise the first disagreement. Debug builds
    // check after every reported edit.
    QString checkTable(qsizetype first = 0, qsizetype last = -1) const;

    const BlockHeightIndex& heights() const { return m_heights; }

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    qreal layOut(const QTextBlock& block) const;
    // Lays the paragraph out if it is not; returns how much it grew.
    qreal ensureLaidOut(const QTextBlock& block, qsizetype index) const;
    // Laid out and measured as the table has it: what painting may show.
    bool isReady(const QTextBlock& block, qsizetype index) const;
    void checkAfterEdit(qsizetype first, qsizetype last) const;
    void rebuild();
    void relayoutAll();
    void updateGeometry();
    BlockHeightIndex::Estimate estimateFor(qreal lineWidth) const;
    qreal contentWidth() const;
    void drawBlock(QPainter* painter, const PaintContext& context, const QTextBlock& block,
                   const QPointF& offset, const QRectF& clip) const;
    void sizeMayHaveChanged(qreal oldTotal) const;

    mutable BlockHeightIndex m_heights;
    int m_characterCount = 0;   // the document's length when it last changed
    qreal m_pageWidth = -1;     // the document's page width when last laid out
    qreal m_margin = 0;
    QFont m_defaultFont;
    QTextOption m_option;
    // Set while painting, which must lay nothing out.
    mutable bool m_drawing = false;
};
