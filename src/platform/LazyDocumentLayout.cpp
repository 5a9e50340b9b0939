#include "platform/LazyDocumentLayout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>
#include <vector>

namespace {

// Lines never wrap: as wide as a line can be.
constexpr qreal UnlimitedWidth = 1.0e7;
// A change to at most this many paragraphs that were laid out is laid out
// again at once (typing, a paste), so that the caret's place is exact.
constexpr qsizetype ImmediateLayoutLimit = 16;
// Paragraphs at least this long keep their shaped glyphs after layout.
// Otherwise every paint and every caret move shapes the whole paragraph
// again, which on a paragraph of a megabyte costs a tenth of a second each
// time; the glyphs cost about 25 bytes a character.
constexpr int CachedGlyphsFrom = 4096;
// Qt finds a line's end in a word longer than the line by measuring the rest
// of the word, for every line it fills with it: a run of 200,000 characters
// with nowhere to break (binary data, an encoded picture) takes seconds. A
// paragraph with a run longer than this wraps anywhere instead.
constexpr qsizetype LongestUnbreakableRun = 4096;

bool hasLongUnbreakableRun(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    qsizetype last = 0;
    for (qsizetype at = finder.toNextBoundary(); at >= 0; at = finder.toNextBoundary()) {
        if (at - last > LongestUnbreakableRun)
            return true;
        last = at;
    }
    return false;
}

QFont resolvedFont(const QTextCharFormat& format, const QFont& defaultFont)
{
    return format.font().resolve(defaultFont);
}

} // namespace

LazyDocumentLayout::LazyDocumentLayout(QTextDocument* document)
    : QAbstractTextDocumentLayout(document)
{
    rebuild();
}

int LazyDocumentLayout::pageCount() const
{
    return 1;
}

qreal LazyDocumentLayout::contentWidth() const
{
    return m_pageWidth > 0 ? std::max<qreal>(1, m_pageWidth - 2 * m_margin) : -1;
}

QSizeF LazyDocumentLayout::documentSize() const
{
    const qreal width = m_pageWidth > 0 ? m_pageWidth : 2 * m_margin;
    return QSizeF(width, m_heights.total() + 2 * m_margin);
}

QRectF LazyDocumentLayout::frameBoundingRect(QTextFrame* frame) const
{
    if (frame && frame == document()->rootFrame())
        return QRectF(QPointF(0, 0), documentSize());
    return QRectF();
}

// --- estimates ----------------------------------------------------------------

// Line height and character width from a sample of the document's paragraphs,
// so a document written in 10-point text is not estimated in 14-point lines.
BlockHeightIndex::Estimate LazyDocumentLayout::estimateFor(qreal lineWidth) const
{
    QTextDocument* doc = document();
    std::vector<qreal> lineHeights;
    std::vector<qreal> charWidths;
    const int blocks = doc->blockCount();
    const int samples = std::min(blocks, 16);
    for (int i = 0; i < samples; ++i) {
        const QTextBlock block = doc->findBlockByNumber(int(qint64(blocks) * i / samples));
        const QTextBlock::iterator first = block.begin();
        const QTextCharFormat format = first.atEnd() ? block.charFormat() : first.fragment().charFormat();
        const QFontMetricsF metrics(resolvedFont(format, m_defaultFont), paintDevice());
        lineHeights.push_back(qCeil(metrics.ascent() + metrics.descent() + metrics.leading()));
        charWidths.push_back(metrics.averageCharWidth());
    }
    BlockHeightIndex::Estimate estimate;
    if (!lineHeights.empty()) {
        std::nth_element(lineHeights.begin(), lineHeights.begin() + lineHeights.size() / 2, lineHeights.end());
        std::nth_element(charWidths.begin(), charWidths.begin() + charWidths.size() / 2, charWidths.end());
        estimate.lineHeight = std::max<qreal>(1, lineHeights[lineHeights.size() / 2]);
        estimate.charWidth = std::max<qreal>(0.5, charWidths[charWidths.size() / 2]);
    }
    estimate.lineWidth = lineWidth;
    return estimate;
}

// What the layout of every paragraph depends on.
void LazyDocumentLayout::updateGeometry()
{
    QTextDocument* doc = document();
    m_pageWidth = doc->pageSize().width();
    m_margin = doc->rootFrame()->frameFormat().margin();
    m_defaultFont = doc->defaultFont();
    m_option = doc->defaultTextOption();
}

// Every paragraph estimated afresh: after a new document was read in.
void LazyDocumentLayout::rebuild()
{
    QTextDocument* doc = document();
    updateGeometry();
    m_heights.clear();
    m_heights.setEstimate(estimateFor(contentWidth()));
    QTextBlock block = doc->begin();
    m_heights.assign(doc->blockCount(), [&block] {
        const qsizetype length = block.length();
        block.clearLayout();
        block = block.next();
        return length;
    });
    m_characterCount = doc->characterCount();
}

// --- changes ------------------------------------------------------------------

void LazyDocumentLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    QTextDocument* doc = document();
    const qreal oldTotal = m_heights.total();
    const int length = doc->characterCount();
    const int blockCount = doc->blockCount();
    const qreal oldWidth = m_pageWidth;
    const qreal oldMargin = m_margin;
    const QFont oldFont = m_defaultFont;
    const QTextOption oldOption = m_option;
    updateGeometry();

    qsizetype changedFrom = 0;
    qsizetype changedTo = 0;  // what debug builds check of a large document
    // The whole document reported unchanged: the page, its default font or
    // its text options were set, to new values or to the same ones.
    const bool sameContent = from == 0 && charsRemoved == 0 && charsAdded == length
        && m_characterCount == length && blockCount == m_heights.size();
    if (sameContent && m_defaultFont == oldFont) {
        const bool sameOption = m_option.alignment() == oldOption.alignment()
            && m_option.wrapMode() == oldOption.wrapMode() && m_option.flags() == oldOption.flags()
            && m_option.tabStopDistance() == oldOption.tabStopDistance()
            && m_option.textDirection() == oldOption.textDirection();
        if (m_pageWidth == oldWidth && m_margin == oldMargin && sameOption)
            return;
        relayoutAll();
    } else if (sameContent || m_heights.size() == 0
               || (from == 0 && (charsAdded >= length - 1 || charsRemoved >= m_characterCount - 1))) {
        rebuild();
    } else {
        const int last = std::clamp(from + charsAdded, 0, std::max(0, length - 1));
        const QTextBlock firstBlock = doc->findBlock(std::clamp(from, 0, std::max(0, length - 1)));
        const QTextBlock lastBlock = doc->findBlock(last);
        const qsizetype first = firstBlock.blockNumber();
        const qsizetype newLast = lastBlock.blockNumber();
        const qsizetype oldLast = newLast - (blockCount - m_heights.size());
        if (first < 0 || newLast < first || oldLast < first - 1 || oldLast >= m_heights.size()) {
            rebuild();
        } else {
            const bool wasLaidOut = m_heights.isMeasured(first);
            std::vector<qsizetype> lengths;
            lengths.reserve(size_t(newLast - first + 1));
            for (QTextBlock block = firstBlock; block.isValid(); block = block.next()) {
                lengths.push_back(block.length());
                block.clearLayout();  // lines of the old text
                if (block == lastBlock)
                    break;
            }
            m_heights.replace(first, oldLast - first + 1, lengths);
            m_characterCount = length;
            if (wasLaidOut && qsizetype(lengths.size()) <= ImmediateLayoutLimit) {
                qsizetype index = first;
                for (QTextBlock block = firstBlock; block.isValid(); block = block.next(), ++index) {
                    ensureLaidOut(block, index);
                    if (block == lastBlock)
                        break;
                }
            }
            changedFrom = first;
            changedTo = newLast;
        }
    }
    m_characterCount = length;
    checkAfterEdit(changedFrom, changedTo);
    emit update(QRectF(0, m_margin + m_heights.top(changedFrom), 1.0e9, 1.0e9));
    if (m_heights.total() != oldTotal || m_pageWidth != oldWidth)
        emit documentSizeChanged(documentSize());
}

// A new line width (the window was resized) or new text options: what was
// laid out is estimated again, from the lengths kept in the index. Its old
// lines go too, since the caret's moves follow a paragraph's lines.
void LazyDocumentLayout::relayoutAll()
{
    qsizetype lastLaidOut = m_heights.size() - 1;
    while (lastLaidOut >= 0 && !m_heights.isMeasured(lastLaidOut))
        --lastLaidOut;
    qsizetype index = 0;
    for (QTextBlock block = document()->begin(); block.isValid() && index <= lastLaidOut;
         block = block.next(), ++index) {
        if (m_heights.isMeasured(index)) {
            block.clearLayout();
            m_heights.setEstimated(index, m_heights.length(index));
        }
    }
    BlockHeightIndex::Estimate estimate = m_heights.estimate();
    estimate.lineWidth = contentWidth();
    m_heights.setEstimate(estimate);
}

// --- laying out -------------------------------------------------------------

qreal LazyDocumentLayout::layOut(const QTextBlock& block) const
{
    QTextLayout* layout = block.layout();
    const QTextBlockFormat format = block.blockFormat();
    const Qt::LayoutDirection direction = block.textDirection();

    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(direction);
    option.setTabs(format.tabPositions());
    const Qt::Alignment alignment =
        format.hasProperty(QTextFormat::BlockAlignment) ? format.alignment() : option.alignment();
    option.setAlignment(QStyle::visualAlignment(direction, alignment));
    const qreal available = contentWidth();
    if (format.nonBreakableLines() || available <= 0)
        option.setWrapMode(QTextOption::ManualWrap);
    else if (option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere && block.length() > LongestUnbreakableRun
             && hasLongUnbreakableRun(block.text()))
        option.setWrapMode(QTextOption::WrapAnywhere);
    layout->setTextOption(option);
    layout->setPosition(QPointF(0, 0));
    layout->setCacheEnabled(block.length() >= CachedGlyphsFrom);

    const qreal indent = format.indent() * document()->indentWidth();
    const qreal leftMargin = format.leftMargin() + (direction == Qt::RightToLeft ? 0 : indent);
    const qreal rightMargin = format.rightMargin() + (direction == Qt::RightToLeft ? indent : 0);
    const qreal lineWidth = available > 0 ? std::max<qreal>(1, available - leftMargin - rightMargin) : UnlimitedWidth;
    const qreal scaling = paintDevice() && paintDevice()->logicalDpiY() != 96
        ? qreal(paintDevice()->logicalDpiY()) / 96
        : 1;

    qreal y = format.topMargin();
    bool firstLine = true;
    layout->beginLayout();
    for (;;) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        const qreal textIndent = firstLine ? format.textIndent() : 0;
        firstLine = false;
        line.setLineWidth(std::max<qreal>(1, lineWidth - textIndent));
        const qreal x = direction == Qt::RightToLeft ? leftMargin : leftMargin + textIndent;
        const qreal raw = qCeil(line.ascent() + line.descent() + line.leading());
        qreal adjustment = 0;
        if (format.lineHeightType() == QTextBlockFormat::FixedHeight)
            adjustment = line.ascent() + std::max<qreal>(line.leading(), 0) - format.lineHeight(raw, scaling) * 4 / 5;
        else if (format.lineHeightType() == QTextBlockFormat::MinimumHeight)
            adjustment = line.height() - format.lineHeight(raw, scaling);
        line.setPosition(QPointF(x, y - adjustment));
        y += format.lineHeight(raw, scaling);
    }
    layout->endLayout();
    return y + format.bottomMargin();
}

qreal LazyDocumentLayout::ensureLaidOut(const QTextBlock& block, qsizetype index) const
{
    // Painting shows what was laid out before it; an edit not yet reported
    // may number the paragraphs differently from the table.
    if (m_drawing || !inStep())
        return 0;
    if (m_heights.isMeasured(index) && block.layout()->lineCount() > 0)
        return 0;
    return m_heights.setMeasured(index, layOut(block), block.length());
}

bool LazyDocumentLayout::isReady(const QTextBlock& block, qsizetype index) const
{
    return m_heights.isMeasured(index) && block.layout()->lineCount() > 0;
}

// Why counting is enough: one edit outside an edit block always changes the
// document's length. Inside an edit block both counts can agree again while
// the paragraphs between the first and the last change are numbered
// differently from their entries; but the report at the block's end covers
// that whole stretch, so whatever was recorded for them is replaced then.
// Before the first change and after the last one, numbers and entries agree.
bool LazyDocumentLayout::inStep() const
{
    const QTextDocument* doc = document();
    return doc->blockCount() == m_heights.size() && doc->characterCount() == m_characterCount;
}

QString LazyDocumentLayout::checkTable(qsizetype first, qsizetype last) const
{
    const QTextDocument* doc = document();
    if (doc->blockCount() != m_heights.size())
        return QStringLiteral("%1 paragraphs, %2 entries").arg(doc->blockCount()).arg(m_heights.size());
    if (last < 0 || last >= m_heights.size())
        last = m_heights.size() - 1;
    first = std::max<qsizetype>(first, 0);
    qsizetype index = first;
    for (QTextBlock block = doc->findBlockByNumber(int(first)); block.isValid() && index <= last;
         block = block.next(), ++index) {
        if (m_heights.length(index) != block.length())
            return QStringLiteral("paragraph %1 has %2 characters, its entry %3")
                .arg(index).arg(block.length()).arg(m_heights.length(index));
        // A paragraph measured without lines is drawn as nothing and the caret
        // cannot enter it.
        if (m_heights.isMeasured(index) && block.layout()->lineCount() == 0)
            return QStringLiteral("paragraph %1 is measured but has no lines").arg(index);
    }
    return QString();
}

// Debug builds check the table after every edit: all of it for documents of
// ordinary size, the changed stretch and its neighbours for large ones.
void LazyDocumentLayout::checkAfterEdit([[maybe_unused]] qsizetype first, [[maybe_unused]] qsizetype last) const
{
#ifndef QT_NO_DEBUG
    constexpr qsizetype WholeUpTo = 20000;
    constexpr qsizetype Around = 64;
    const QString error = m_heights.size() <= WholeUpTo ? checkTable() : checkTable(first - Around, last + Around);
    Q_ASSERT_X(error.isEmpty(), "LazyDocumentLayout", qPrintable(error));
#endif
}

void LazyDocumentLayout::sizeMayHaveChanged(qreal oldTotal) const
{
    if (m_heights.total() != oldTotal)
        emit const_cast<LazyDocumentLayout*>(this)->documentSizeChanged(documentSize());
}

QRectF LazyDocumentLayout::blockBoundingRect(const QTextBlock& block) const
{
    if (!block.isValid() || block.document() != document())
        return QRectF();
    const qsizetype index = block.blockNumber();
    if (!inStep()) {
        // Asked in the middle of an edit block, by a cursor moving through
        // the paragraphs: laid out for the caret to move through, recorded
        // nowhere, and laid out again when the edit is reported.
        const qreal height = m_drawing ? 0 : layOut(block);
        const qreal top = m_heights.top(std::min(index, m_heights.size()));
        const qreal width = contentWidth() > 0 ? contentWidth() : block.layout()->boundingRect().width();
        return QRectF(m_margin, m_margin + top, width, height);
    }
    if (index < 0 || index >= m_heights.size())
        return QRectF();
    const qreal oldTotal = m_heights.total();
    ensureLaidOut(block, index);
    sizeMayHaveChanged(oldTotal);
    const qreal width = contentWidth() > 0 ? contentWidth() : block.layout()->boundingRect().width();
    return QRectF(m_margin, m_margin + m_heights.top(index), width, m_heights.height(index));
}

bool LazyDocumentLayout::isLaidOut(qreal top, qreal height) const
{
    if (m_heights.size() == 0 || !inStep())
        return true;
    qsizetype index = m_heights.indexAt(top - m_margin);
    qreal y = m_margin + m_heights.top(index);
    for (QTextBlock block = document()->findBlockByNumber(int(index));
         block.isValid() && index < m_heights.size() && y < top + height; block = block.next(), ++index) {
        if (!isReady(block, index))
            return false;
        y += m_heights.height(index);
    }
    return true;
}

qreal LazyDocumentLayout::layoutViewport(qreal top, qreal height, int caretPosition)
{
    if (m_heights.size() == 0 || !inStep())
        return top;
    QTextDocument* doc = document();
    const qreal oldTotal = m_heights.total();
    const bool atEnd = top > 0 && top + height >= oldTotal + 2 * m_margin - 1;

    // What the user sees and should keep seeing where it is.
    qsizetype anchor = -1;
    const QTextBlock caretBlock = doc->findBlock(std::clamp(caretPosition, 0, std::max(0, m_characterCount - 1)));
    if (caretBlock.isValid()) {
        const qsizetype index = caretBlock.blockNumber();
        const qreal caretTop = m_margin + m_heights.top(index);
        if (index >= 0 && index < m_heights.size() && m_heights.isMeasured(index) && caretTop < top + height
            && caretTop + m_heights.height(index) > top)
            anchor = index;
    }
    if (anchor < 0) {
        qsizetype index = m_heights.indexAt(top - m_margin);
        for (qreal y = m_margin + m_heights.top(index); index < m_heights.size() && y < top + height; ++index) {
            if (m_heights.isMeasured(index)) {
                anchor = index;
                break;
            }
            y += m_heights.height(index);
        }
    }
    const qreal anchorOffset = anchor >= 0 ? m_margin + m_heights.top(anchor) - top : 0;

    // Laying out may move what is in view, so go round until it is all laid out.
    for (int pass = 0; pass < 8; ++pass) {
        qsizetype index = m_heights.indexAt(top - m_margin);
        qreal y = m_margin + m_heights.top(index);
        bool changed = false;
        for (QTextBlock block = doc->findBlockByNumber(int(index));
             block.isValid() && index < m_heights.size() && y < top + height; block = block.next(), ++index) {
            if (!isReady(block, index)) {
                ensureLaidOut(block, index);
                changed = true;
            }
            y += m_heights.height(index);
        }
        qreal newTop = top;
        if (atEnd)
            newTop = m_heights.total() + 2 * m_margin - height;
        else if (anchor >= 0)
            newTop = m_margin + m_heights.top(anchor) - anchorOffset;
        newTop = std::max<qreal>(0, newTop);
        if (!changed && newTop == top)
            break;
        top = newTop;
    }
    sizeMayHaveChanged(oldTotal);
    return top;
}

// --- painting and hit testing ---------------------------------------------------

// Painting lays nothing out and changes no size: the editor lays out what it
// is about to show before it paints. A paragraph that is not laid out yet is
// left blank until then, and nothing is painted while an edit is still to be
// reported, as the paragraphs' numbers may not be their entries'.
void LazyDocumentLayout::draw(QPainter* painter, const PaintContext& context)
{
    if (m_heights.size() == 0 || !inStep())
        return;
    const QSizeF size = documentSize();
    const QRectF clip = context.clip.isValid() ? context.clip : QRectF(QPointF(0, 0), size);
    m_drawing = true;
    qsizetype index = m_heights.indexAt(clip.top() - m_margin);
    qreal y = m_margin + m_heights.top(index);
    for (QTextBlock block = document()->findBlockByNumber(int(index));
         block.isValid() && index < m_heights.size() && y < clip.bottom(); block = block.next(), ++index) {
        const qreal height = m_heights.height(index);
        if (y + height >= clip.top() && isReady(block, index))
            drawBlock(painter, context, block, QPointF(m_margin, y), clip);
        y += height;
    }
    m_drawing = false;
}

// Draws one laid-out paragraph with its selections and the caret, as Qt's own
// layout does for a paragraph of the root frame.
void LazyDocumentLayout::drawBlock(QPainter* painter, const PaintContext& context, const QTextBlock& block,
                                   const QPointF& offset, const QRectF& clip) const
{
    QTextLayout* layout = block.layout();
    const QTextBlockFormat format = block.blockFormat();
    const int position = block.position();
    const int length = block.length();

    const QBrush background = format.background();
    if (background.style() != Qt::NoBrush) {
        const qreal width = contentWidth() > 0 ? contentWidth() : layout->boundingRect().width();
        painter->fillRect(QRectF(offset, QSizeF(width, layout->boundingRect().bottom())), background);
    }

    QList<QTextLayout::FormatRange> selections;
    for (const Selection& selection : context.selections) {
        const int start = selection.cursor.selectionStart() - position;
        const int end = selection.cursor.selectionEnd() - position;
        if (start < length && end > 0 && end > start) {
            QTextLayout::FormatRange range;
            range.start = start;
            range.length = end - start;
            range.format = selection.format;
            selections.append(range);
        } else if (!selection.cursor.hasSelection() && selection.format.hasProperty(QTextFormat::FullWidthSelection)
                   && block.contains(selection.cursor.position())) {
            // A whole-line highlight needs only a position to name the line.
            const QTextLine line = layout->lineForTextPosition(selection.cursor.position() - position);
            if (!line.isValid())
                continue;
            QTextLayout::FormatRange range;
            range.start = line.textStart();
            range.length = line.textLength();
            if (range.start + range.length == length - 1)
                ++range.length;  // with the paragraph's end
            range.format = selection.format;
            selections.append(range);
        }
    }

    const QPen oldPen = painter->pen();
    painter->setPen(context.palette.color(QPalette::Text));
    layout->draw(painter, offset, selections, clip);
    painter->setPen(oldPen);

    const int cursorPosition = context.cursorPosition;
    const bool preedit = cursorPosition < -1 && !layout->preeditAreaText().isEmpty();
    if ((cursorPosition >= position && cursorPosition < position + length) || preedit) {
        const int at = preedit ? layout->preeditAreaPosition() - (cursorPosition + 2) : cursorPosition - position;
        bool ok = false;
        int width = property("cursorWidth").toInt(&ok);
        if (!ok)
            width = 1;
        layout->drawCursor(painter, offset, at, width);
    }
}

int LazyDocumentLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const
{
    if (m_heights.size() == 0)
        return -1;
    const qreal y = point.y() - m_margin;
    if (accuracy == Qt::ExactHit && (y < 0 || y >= m_heights.total()))
        return -1;
    const qreal oldTotal = m_heights.total();
    qsizetype index = std::min<qsizetype>(m_heights.indexAt(y), document()->blockCount() - 1);
    QTextBlock block = document()->findBlockByNumber(int(index));
    if (inStep()) {
        // Laying a paragraph out can shorten it so that y falls below it.
        for (;;) {
            ensureLaidOut(block, index);
            if (y < m_heights.top(index) + m_heights.height(index) || !block.next().isValid())
                break;
            block = block.next();
            ++index;
        }
        sizeMayHaveChanged(oldTotal);
    } else if (!m_drawing) {
        layOut(block);  // for now, as blockBoundingRect does
    }

    const QTextLayout* layout = block.layout();
    const QPointF local = point - QPointF(m_margin, m_margin + m_heights.top(index));
    const int lines = layout->lineCount();
    if (lines == 0)
        return accuracy == Qt::ExactHit ? -1 : block.position();
    int lineIndex = lines - 1;
    for (int i = 0; i < lines; ++i) {
        if (local.y() < layout->lineAt(i).rect().bottom()) {
            lineIndex = i;
            break;
        }
    }
    const QTextLine line = layout->lineAt(lineIndex);
    if (accuracy == Qt::ExactHit) {
        const QRectF rect = line.naturalTextRect();
        if (!rect.contains(local))
            return -1;
    }
    return block.position() + line.xToCursor(local.x());
}
