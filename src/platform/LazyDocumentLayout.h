#pragma once

#include "platform/BlockHeightIndex.h"

#include <QAbstractTextDocumentLayout>
#include <QTextOption>
#include <QTimer>

#include <functional>

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

    // Whether every paragraph in [top, top + height) is laid out.
    bool isLaidOut(qreal top, qreal height) const;

    const BlockHeightIndex& heights() const { return m_heights; }

    // Drawn for every paragraph painted, before its text, with the
    // paragraph's top left corner: what the view shows over the text without
    // it being part of the document (spelling marks).
    using BlockDecoration = std::function<void(QPainter* painter, const QTextBlock& block,
                                               const QPointF& offset, const QRectF& clip)>;
    void setBlockDecoration(BlockDecoration decoration) { m_decoration = std::move(decoration); }

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    qreal layOut(const QTextBlock& block) const;
    // Lays the paragraph out if it is not; returns how much it grew.
    qreal ensureLaidOut(const QTextBlock& block, qsizetype index) const;
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
    // Set while painting: a change of size is then announced afterwards.
    mutable bool m_drawing = false;
    mutable QTimer m_sizeChanged;
    BlockDecoration m_decoration;
};
