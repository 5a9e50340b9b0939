#include "platform/LazyDocumentLayout.h"

#include "platform/ListMarker.h"
#include "platform/MarkerObject.h"
#include "platform/PictureObject.h"
#include "platform/TableRows.h"
#include "rtf/RtfObjects.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>
#include <QtMath>

#include <algorithm>
#include <limits>
#include <vector>

using Kind = BlockHeightIndex::Kind;

namespace {

// Lines never wrap: as wide as a line can be.
constexpr qreal UnlimitedWidth = 1.0e7;
// A change to at most this many paragraphs (or table rows) that were laid
// out is laid out again at once (typing, a paste), so that the caret's place
// is exact.
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
// The brush QTextLayout lays, half transparent, over a selected picture or
// marker: a property of the selection's format that Qt reads but does not
// name in its headers.
constexpr int ObjectSelectionBrush = 0x822;

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

bool isTableKind(Kind kind)
{
    return kind == Kind::RowStart || kind == Kind::InRow;
}

// Tables not inside another table, in document order.
void collectTables(QTextFrame* frame, std::vector<QTextTable*>& tables)
{
    for (QTextFrame* child : frame->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(child))
            tables.push_back(table);
        else
            collectTables(child, tables);
    }
}

// The kinds of paragraphs met in document order, from any paragraph on:
// what a table row's first paragraph is, which are the row's others, and
// which empty paragraphs only separate a table from what is before it.
class KindWalker
{
public:
    explicit KindWalker(const QTextDocument* document)
    {
        collectTables(document->rootFrame(), m_tables);
    }

    Kind next(const QTextBlock& block)
    {
        const int position = block.position();
        while (m_table < m_tables.size() && m_tables[m_table]->lastPosition() < position) {
            ++m_table;
            m_row = -1;
        }
        if (m_table < m_tables.size()) {
            const QTextTable* table = m_tables[m_table];
            if (position >= table->firstPosition()) {
                // The next row start at or after the paragraph, found from
                // the paragraph's own row the first time.
                if (m_row < 0) {
                    const QTextTableCell cell = table->cellAt(position);
                    m_row = cell.isValid() ? cell.row() : 0;
                    m_start = TableRows::rowStart(table, m_row);
                }
                while (m_start < position) {
                    if (++m_row >= table->rows()) {
                        m_start = std::numeric_limits<int>::max();
                        break;
                    }
                    m_start = TableRows::rowStart(table, m_row);  // -1 for a covered row: on
                }
                return m_start == position ? Kind::RowStart : Kind::InRow;
            }
            if (block.length() == 1 && table->firstPosition() == position + 1)
                return Kind::Hidden;
        }
        return Kind::Paragraph;
    }

private:
    std::vector<QTextTable*> m_tables;
    size_t m_table = 0;
    int m_row = -1;    // of the current table: the row whose start is m_start
    int m_start = -1;
};

} // namespace

LazyDocumentLayout::LazyDocumentLayout(QTextDocument* document)
    : QAbstractTextDocumentLayout(document)
    , m_pictures(new PictureObject(this))
    , m_markers(new MarkerObject(this))
{
    registerHandler(QTextFormat::ImageObject, m_pictures);
    registerHandler(RtfObjects::MarkerObjectType, m_markers);
    rebuild();
}

void LazyDocumentLayout::shareObjectHandlers(QAbstractTextDocumentLayout* other) const
{
    if (!other)
        return;
    other->registerHandler(QTextFormat::ImageObject, m_pictures);
    other->registerHandler(RtfObjects::MarkerObjectType, m_markers);
}

int LazyDocumentLayout::pageCount() const
{
    return 1;
}

qreal LazyDocumentLayout::contentWidth() const
{
    return m_pageWidth > 0 ? std::max<qreal>(1, m_pageWidth - 2 * m_margin) : -1;
}

// As wide as the page, or as the widest table laid out when that is wider
// (its columns' widths are its own): the editor then scrolls sideways.
QSizeF LazyDocumentLayout::documentSize() const
{
    const qreal width = std::max(m_pageWidth > 0 ? m_pageWidth : 0, m_widestTable + 2 * m_margin);
    return QSizeF(width, m_heights.total() + 2 * m_margin);
}

QRectF LazyDocumentLayout::frameBoundingRect(QTextFrame* frame) const
{
    if (!frame)
        return QRectF();
    if (frame == document()->rootFrame())
        return QRectF(QPointF(0, 0), documentSize());
    // Any other frame (a table): the stretch of the paragraphs that hold it,
    // as wide as the text; what repaints after a change to it.
    if (!inStep() || frame->document() != document())
        return QRectF();
    const QTextBlock first = document()->findBlock(frame->firstPosition());
    const QTextBlock last = document()->findBlock(frame->lastPosition());
    if (!first.isValid() || !last.isValid())
        return QRectF();
    // A table inside a cell is where the rows that hold it are.
    qsizetype from = first.blockNumber();
    qsizetype to = last.blockNumber();
    if (isTableKind(m_heights.kind(from)))
        from = unitAt(from).first;
    if (isTableKind(m_heights.kind(to)))
        to = unitAt(to).last;
    const qreal top = m_heights.top(from);
    const qreal bottom = m_heights.top(to + 1);
    const qreal width = contentWidth() > 0 ? contentWidth() : UnlimitedWidth;
    return QRectF(m_margin, m_margin + top, width, bottom - top);
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
    m_nested.clear();
    m_rootFrames = doc->rootFrame()->childFrames().size();
    updateWidestTable();
    m_heights.setEstimate(estimateFor(contentWidth()));
    KindWalker kinds(doc);
    QTextBlock block = doc->begin();
    m_heights.assign(doc->blockCount(), [&block, &kinds] {
        const BlockHeightIndex::Item item{block.length(), kinds.next(block)};
        block.clearLayout();
        block = block.next();
        return item;
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
        QTextBlock firstBlock = doc->findBlock(std::clamp(from, 0, std::max(0, length - 1)));
        QTextBlock lastBlock = doc->findBlock(last);
        // A change inside a table changes whole groups of rows: the rows its
        // paragraphs now belong to are laid out together from now on. The
        // groups next to it change as well when they become the table's
        // first or last (which carry the table's edges), so they go too.
        // Further ones are as they were: Qt reports the cells whose spans it
        // changed as changed.
        const QTextBlock before = firstBlock.previous();
        const qsizetype tables = doc->rootFrame()->childFrames().size();
        bool tableChanged = tables != m_rootFrames;  // one came or went
        m_rootFrames = tables;
        if (before.isValid() && TableRows::outermostAt(doc, before.position())) {
            firstBlock = doc->findBlockByNumber(int(tableUnit(before).first));
            tableChanged = true;
        } else if (TableRows::outermostAt(doc, firstBlock.position())) {
            firstBlock = doc->findBlockByNumber(int(tableUnit(firstBlock).first));
            tableChanged = true;
        }
        const QTextBlock after = lastBlock.next();
        if (after.isValid() && TableRows::outermostAt(doc, after.position())) {
            lastBlock = doc->findBlockByNumber(int(tableUnit(after).last));
            tableChanged = true;
        } else if (TableRows::outermostAt(doc, lastBlock.position())) {
            lastBlock = doc->findBlockByNumber(int(tableUnit(lastBlock).last));
            tableChanged = true;
        }
        if (tableChanged)
            updateWidestTable();
        const qsizetype first = firstBlock.blockNumber();
        const qsizetype newLast = lastBlock.blockNumber();
        const qsizetype oldLast = newLast - (blockCount - m_heights.size());
        if (first < 0 || newLast < first || oldLast < first - 1 || oldLast >= m_heights.size()) {
            rebuild();
        } else {
            const bool wasLaidOut = m_heights.isMeasured(first);
            std::vector<BlockHeightIndex::Item> items;
            items.reserve(size_t(newLast - first + 1));
            KindWalker kinds(doc);
            for (QTextBlock block = firstBlock; block.isValid(); block = block.next()) {
                items.push_back(BlockHeightIndex::Item{block.length(), kinds.next(block)});
                block.clearLayout();  // lines of the old text
                if (block == lastBlock)
                    break;
            }
            m_heights.replace(first, oldLast - first + 1, items);
            m_characterCount = length;
            if (wasLaidOut) {
                qsizetype index = first;
                for (qsizetype units = 0; index <= newLast && units < ImmediateLayoutLimit; ++units) {
                    const Unit unit = unitAt(index);
                    index = unit.last + 1;
                }
                // Few enough to lay out now: all of them.
                for (qsizetype at = first; index > newLast && at <= newLast;) {
                    const Unit unit = unitAt(at);
                    ensureLaidOut(unit);
                    at = unit.last + 1;
                }
            }
            changedFrom = first;
            changedTo = newLast;
        }
    }
    m_characterCount = length;
    checkAfterEdit(changedFrom, changedTo);
    emit update(QRectF(0, m_margin + m_heights.top(changedFrom), 1.0e9, 1.0e9));
    if (m_heights.total() != oldTotal || m_pageWidth != oldWidth || documentSize().width() != m_reportedWidth) {
        m_reportedWidth = documentSize().width();
        emit documentSizeChanged(documentSize());
    }
}

// A new line width (the window was resized) or new text options: what was
// laid out is to be laid out again, and stands in with the height it had
// until then (closer than an estimate from its length: a picture is as high
// at any width). Its old lines go, since the caret's moves follow a
// paragraph's lines. Were it estimated from its length, a document whose
// pictures fill the window would shrink below the window's height, lose its
// scroll bar, widen, and grow back, over and over.
void LazyDocumentLayout::relayoutAll()
{
    qsizetype lastLaidOut = m_heights.size() - 1;
    while (lastLaidOut >= 0 && !m_heights.isMeasured(lastLaidOut))
        --lastLaidOut;
    BlockHeightIndex::Estimate estimate = m_heights.estimate();
    estimate.lineWidth = contentWidth();
    m_heights.setEstimate(estimate);  // those never laid out
    qsizetype index = 0;
    for (QTextBlock block = document()->begin(); block.isValid() && index <= lastLaidOut;
         block = block.next(), ++index) {
        if (m_heights.isMeasured(index)) {
            block.clearLayout();
            m_heights.keepAsEstimate(index);
        }
    }
    updateWidestTable();
}

// --- units ----------------------------------------------------------------------

LazyDocumentLayout::Unit LazyDocumentLayout::unitAt(qsizetype index) const
{
    if (!isTableKind(m_heights.kind(index)))
        return Unit{index, index};
    return tableUnit(document()->findBlockByNumber(int(index)));
}

LazyDocumentLayout::Unit LazyDocumentLayout::tableUnit(const QTextBlock& block) const
{
    const qsizetype index = block.blockNumber();
    const QTextDocument* doc = document();
    QTextTable* table = TableRows::outermostAt(doc, block.position());
    if (!table)
        return Unit{index, index};
    const QTextTableCell cell = table->cellAt(block.position());
    const auto [firstRow, lastRow] = TableRows::group(table, cell.isValid() ? cell.row() : 0);
    const int start = TableRows::rowStart(table, firstRow);
    const int end = TableRows::groupEnd(table, lastRow);
    Unit unit;
    unit.table = table;
    unit.firstRow = firstRow;
    unit.lastRow = lastRow;
    unit.first = start >= 0 ? doc->findBlock(start).blockNumber() : index;
    unit.last = std::max(unit.first, qsizetype(doc->findBlock(end).blockNumber()));
    return unit;
}

qreal LazyDocumentLayout::unitTop(const Unit& unit) const
{
    return m_heights.top(unit.first);
}

qreal LazyDocumentLayout::unitHeight(const Unit& unit) const
{
    if (unit.first == unit.last)
        return m_heights.height(unit.first);
    return m_heights.top(unit.last + 1) - m_heights.top(unit.first);
}

// Laid out and measured as the table has it: what painting may show.
bool LazyDocumentLayout::isReady(const Unit& unit) const
{
    QTextBlock block = document()->findBlockByNumber(int(unit.first));
    for (qsizetype index = unit.first; index <= unit.last; ++index, block = block.next()) {
        if (!block.isValid() || !m_heights.isMeasured(index) || block.layout()->lineCount() == 0)
            return false;
    }
    return true;
}

// Lays the unit out if it is not; returns how much it grew.
qreal LazyDocumentLayout::ensureLaidOut(const Unit& unit) const
{
    // Painting shows what was laid out before it; an edit not yet reported
    // may number the paragraphs differently from the table.
    if (m_drawing || !inStep() || isReady(unit))
        return 0;
    if (unit.table) {
        const qreal before = unitHeight(unit);
        layOutUnit(unit);
        return unitHeight(unit) - before;
    }
    const QTextBlock block = document()->findBlockByNumber(int(unit.first));
    const qreal height = layOutParagraph(block, contentWidth(), QPointF(0, 0));
    return m_heights.setMeasured(unit.first, m_heights.kind(unit.first) == Kind::Hidden ? 0 : height,
                                 block.length());
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
    KindWalker kinds(doc);
    qsizetype index = first;
    for (QTextBlock block = doc->findBlockByNumber(int(first)); block.isValid() && index <= last;
         block = block.next(), ++index) {
        if (m_heights.length(index) != block.length())
            return QStringLiteral("paragraph %1 has %2 characters, its entry %3")
                .arg(index).arg(block.length()).arg(m_heights.length(index));
        const Kind kind = kinds.next(block);
        if (m_heights.kind(index) != kind)
            return QStringLiteral("paragraph %1 is of kind %2, its entry %3")
                .arg(index).arg(int(kind)).arg(int(m_heights.kind(index)));
        if ((kind == Kind::InRow || kind == Kind::Hidden) && m_heights.height(index) != 0)
            return QStringLiteral("paragraph %1 carries no height but has %2").arg(index).arg(m_heights.height(index));
        // A paragraph measured without lines is drawn as nothing and the caret
        // cannot enter it.
        if (m_heights.isMeasured(index) && block.layout()->lineCount() == 0)
            return QStringLiteral("paragraph %1 is measured but has no lines").arg(index);
        // A row group is laid out as one or not at all.
        if (kind == Kind::RowStart) {
            const Unit unit = tableUnit(block);
            for (qsizetype other = unit.first; other <= unit.last; ++other) {
                if (m_heights.isMeasured(other) != m_heights.isMeasured(index))
                    return QStringLiteral("paragraphs %1 and %2 of one row group are not laid out together")
                        .arg(index).arg(other);
            }
        }
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
    if (m_heights.total() != oldTotal || documentSize().width() != m_reportedWidth) {
        m_reportedWidth = documentSize().width();
        emit const_cast<LazyDocumentLayout*>(this)->documentSizeChanged(documentSize());
    }
}

// --- laying out paragraphs ------------------------------------------------------

qreal LazyDocumentLayout::layOutParagraph(const QTextBlock& block, qreal available, const QPointF& position) const
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
    if (format.nonBreakableLines() || available <= 0)
        option.setWrapMode(QTextOption::ManualWrap);
    else if (option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere && block.length() > LongestUnbreakableRun
             && hasLongUnbreakableRun(block.text()))
        option.setWrapMode(QTextOption::WrapAnywhere);
    layout->setTextOption(option);
    layout->setPosition(position);
    layout->setCacheEnabled(block.length() >= CachedGlyphsFrom);

    // A list item stands in by its list's indent as well as its own.
    qreal indentSteps = format.indent();
    if (const QTextList* list = block.textList())
        indentSteps += list->format().indent();
    const qreal indent = indentSteps * document()->indentWidth();
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

qreal LazyDocumentLayout::layOutDetached(const QTextBlock& block) const
{
    const QTextLayout* layout = block.layout();
    const QPointF position = layout->lineCount() > 0 ? layout->position() : QPointF(0, 0);
    return layOutParagraph(block, flowWidthAt(block.position()), position);
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
        const qreal height = m_drawing ? 0 : layOutDetached(block);
        const qreal top = m_heights.top(std::min(index, m_heights.size()));
        const qreal width = contentWidth() > 0 ? contentWidth() : block.layout()->boundingRect().width();
        return QRectF(QPointF(m_margin, m_margin + top) + block.layout()->position(), QSizeF(width, height));
    }
    if (index < 0 || index >= m_heights.size())
        return QRectF();
    const qreal oldTotal = m_heights.total();
    const Unit unit = unitAt(index);
    ensureLaidOut(unit);
    sizeMayHaveChanged(oldTotal);
    if (!unit.table) {
        const qreal width = contentWidth() > 0 ? contentWidth() : block.layout()->boundingRect().width();
        return QRectF(m_margin, m_margin + m_heights.top(index), width, m_heights.height(index));
    }
    const QTextLayout* layout = block.layout();
    return QRectF(QPointF(m_margin, m_margin + unitTop(unit)) + layout->position(),
                  QSizeF(layout->boundingRect().right() + block.blockFormat().rightMargin(), paragraphHeight(block)));
}

// The height layOutParagraph gave a laid-out paragraph, from its lines.
qreal LazyDocumentLayout::paragraphHeight(const QTextBlock& block) const
{
    const QTextLayout* layout = block.layout();
    const QTextBlockFormat format = block.blockFormat();
    const qreal scaling = paintDevice() && paintDevice()->logicalDpiY() != 96
        ? qreal(paintDevice()->logicalDpiY()) / 96
        : 1;
    qreal height = format.topMargin() + format.bottomMargin();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        height += format.lineHeight(qCeil(line.ascent() + line.descent() + line.leading()), scaling);
    }
    return height;
}

bool LazyDocumentLayout::isLaidOut(qreal top, qreal height) const
{
    if (m_heights.size() == 0 || !inStep())
        return true;
    for (qsizetype index = m_heights.indexAt(top - m_margin); index < m_heights.size();) {
        const Unit unit = unitAt(index);
        if (m_margin + unitTop(unit) >= top + height)
            break;
        if (!isReady(unit))
            return false;
        index = unit.last + 1;
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
    if (caretBlock.isValid() && caretBlock.blockNumber() < m_heights.size()) {
        const Unit unit = unitAt(caretBlock.blockNumber());
        const qreal caretTop = m_margin + unitTop(unit);
        if (m_heights.isMeasured(unit.first) && caretTop < top + height && caretTop + unitHeight(unit) > top)
            anchor = unit.first;
    }
    if (anchor < 0) {
        for (qsizetype index = m_heights.indexAt(top - m_margin); index < m_heights.size();) {
            const Unit unit = unitAt(index);
            if (m_margin + unitTop(unit) >= top + height)
                break;
            if (m_heights.isMeasured(unit.first)) {
                anchor = unit.first;
                break;
            }
            index = unit.last + 1;
        }
    }
    const qreal anchorOffset = anchor >= 0 ? m_margin + m_heights.top(anchor) - top : 0;

    // Laying out may move what is in view, so go round until it is all laid out.
    for (int pass = 0; pass < 8; ++pass) {
        bool changed = false;
        for (qsizetype index = m_heights.indexAt(top - m_margin); index < m_heights.size();) {
            const Unit unit = unitAt(index);
            if (m_margin + unitTop(unit) >= top + height)
                break;
            if (!isReady(unit)) {
                ensureLaidOut(unit);
                changed = true;
            }
            index = unit.last + 1;
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
    for (qsizetype index = m_heights.indexAt(clip.top() - m_margin); index < m_heights.size();) {
        const Unit unit = unitAt(index);
        const qreal y = m_margin + unitTop(unit);
        if (y >= clip.bottom())
            break;
        if (y + unitHeight(unit) >= clip.top() && isReady(unit)) {
            if (unit.table) {
                drawUnit(painter, context, unit, clip);
            } else {
                const QTextBlock block = document()->findBlockByNumber(int(unit.first));
                drawBlock(painter, context, block, QPointF(m_margin, y), clip, contentWidth());
            }
        }
        index = unit.last + 1;
    }
    m_drawing = false;
}

// Draws one laid-out paragraph with its selections and the caret, as Qt's own
// layout does. offset: where the paragraph's unit stands (the layout's own
// position is added to it); width: the width of the text it stands in.
void LazyDocumentLayout::drawBlock(QPainter* painter, const PaintContext& context, const QTextBlock& block,
                                   const QPointF& offset, const QRectF& clip, qreal width) const
{
    QTextLayout* layout = block.layout();
    const QTextBlockFormat format = block.blockFormat();
    const int position = block.position();
    const int length = block.length();
    const QPointF origin = offset + layout->position();

    const QBrush background = format.background();
    if (background.style() != Qt::NoBrush) {
        const qreal fill = width > 0 ? width : layout->boundingRect().width();
        painter->fillRect(QRectF(origin, QSizeF(fill, layout->boundingRect().bottom())), background);
    }

    QList<QTextLayout::FormatRange> selections;
    const QTextCharFormat* markerSelection = nullptr;
    for (const Selection& selection : context.selections) {
        int start = selection.cursor.selectionStart() - position;
        int end = selection.cursor.selectionEnd() - position;
        if (selection.cursor.hasComplexSelection()) {
            // Cells of a table selected: a paragraph is all selected or not.
            int firstRow = 0, rows = 0, firstColumn = 0, columns = 0;
            selection.cursor.selectedTableCells(&firstRow, &rows, &firstColumn, &columns);
            const auto* table = qobject_cast<QTextTable*>(document()->frameAt(selection.cursor.position()));
            const QTextTableCell cell = table ? table->cellAt(position) : QTextTableCell();
            const bool inside = cell.isValid() && cell.row() >= firstRow && cell.row() < firstRow + rows
                && cell.column() >= firstColumn && cell.column() < firstColumn + columns;
            start = inside ? 0 : length;
            end = inside ? length : 0;
        }
        if (start < length && end > 0 && end > start) {
            QTextLayout::FormatRange range;
            range.start = start;
            range.length = end - start;
            range.format = selection.format;
            // Qt lays this over a selected picture or marker.
            range.format.setProperty(ObjectSelectionBrush, selection.format.background());
            selections.append(range);
            if (start <= 0)
                markerSelection = &selection.format;
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

    if (block.textList())
        ListMarker::draw(painter, block, origin, context.palette, markerSelection);
    // The decoration knows the paragraph's lines, which start at its layout's
    // own place (in a table cell, not the row's).
    if (m_decoration)
        m_decoration(painter, block, origin, clip);
    const QPen oldPen = painter->pen();
    painter->setPen(context.palette.color(QPalette::Text));
    layout->draw(painter, offset, selections, clip);
    painter->setPen(oldPen);

    const int cursorPosition = context.cursorPosition;
    const bool preedit = cursorPosition < -1 && !layout->preeditAreaText().isEmpty();
    if ((cursorPosition >= position && cursorPosition < position + length) || preedit) {
        const int at = preedit ? layout->preeditAreaPosition() - (cursorPosition + 2) : cursorPosition - position;
        bool ok = false;
        int cursorWidth = property("cursorWidth").toInt(&ok);
        if (!ok)
            cursorWidth = 1;
        layout->drawCursor(painter, offset, at, cursorWidth);
    }
}

int LazyDocumentLayout::hitInBlock(const QTextBlock& block, const QPointF& local, Qt::HitTestAccuracy accuracy) const
{
    const QTextLayout* layout = block.layout();
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
        // The character under the point, as Qt's layout answers.
        return block.position() + line.xToCursor(local.x(), QTextLine::CursorOnCharacter);
    }
    return block.position() + line.xToCursor(local.x());
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
    if (!inStep()) {
        const QTextBlock block = document()->findBlockByNumber(int(index));
        if (!m_drawing)
            layOutDetached(block);  // for now, as blockBoundingRect does
        const QPointF origin = QPointF(m_margin, m_margin + m_heights.top(index)) + block.layout()->position();
        return hitInBlock(block, point - origin, accuracy);
    }
    // Laying a paragraph out can shorten it so that y falls below it.
    Unit unit = unitAt(index);
    for (;;) {
        ensureLaidOut(unit);
        if (y < unitTop(unit) + unitHeight(unit) || unit.last + 1 >= m_heights.size())
            break;
        unit = unitAt(unit.last + 1);
    }
    sizeMayHaveChanged(oldTotal);
    if (unit.table)
        return hitInUnit(unit, point, accuracy);
    const QTextBlock block = document()->findBlockByNumber(int(unit.first));
    return hitInBlock(block, point - QPointF(m_margin, m_margin + unitTop(unit)), accuracy);
}

QTextFormat LazyDocumentLayout::objectFormatAt(const QPointF& point) const
{
    const int position = hitTest(point, Qt::ExactHit);
    if (position < 0 || document()->characterAt(position) != QChar::ObjectReplacementCharacter)
        return QTextFormat();
    const QTextBlock block = document()->findBlock(position);
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.contains(position))
            return fragment.charFormat();
    }
    return QTextFormat();
}
