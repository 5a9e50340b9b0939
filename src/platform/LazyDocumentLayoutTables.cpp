#include "platform/LazyDocumentLayout.h"

#include "platform/TableRows.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>

// Tables: a group of rows laid out at once, drawn and hit where the height
// table puts it. See LazyDocumentLayout.h.

namespace {

struct CellPlace
{
    QTextTableCell cell;
    int row = 0;
    int column = 0;
    int rows = 1;
    int columns = 1;
    qreal need = 0;  // height of its box: padding and text
    QPointF inset;   // from the box's top left to its text
    size_t nestedFrom = 0;
    size_t nestedTo = 0;
    QTextCharFormat::VerticalAlignment alignment = QTextCharFormat::AlignTop;
};

// An empty paragraph that only opens a table standing after it: laid out
// (the caret can stand in it) but taking no room, as in Qt's own layout.
bool separatesTable(const QTextBlock& block, QTextFrame::iterator it)
{
    if (block.length() != 1)
        return false;
    ++it;
    return !it.atEnd() && qobject_cast<QTextTable*>(it.currentFrame());
}

Qt::PenStyle penStyleOf(QTextFrameFormat::BorderStyle style)
{
    switch (style) {
    case QTextFrameFormat::BorderStyle_Dotted: return Qt::DotLine;
    case QTextFrameFormat::BorderStyle_Dashed: return Qt::DashLine;
    case QTextFrameFormat::BorderStyle_DotDash: return Qt::DashDotLine;
    case QTextFrameFormat::BorderStyle_DotDotDash: return Qt::DashDotDotLine;
    default: return Qt::SolidLine;
    }
}

// A frame of `width` drawn just outside rect.
void strokeAround(QPainter* painter, const QRectF& rect, qreal width, const QBrush& brush, Qt::PenStyle style)
{
    if (width <= 0)
        return;
    QPen pen(brush, width, style, Qt::SquareCap, Qt::MiterJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(-width / 2, -width / 2, width / 2, width / 2));
}

} // namespace

// The columns' widths come from the tables' formats, so this needs no
// layout: what the document's width is, whatever is laid out.
void LazyDocumentLayout::updateWidestTable()
{
    m_widestTable = 0;
    std::vector<const QTextFrame*> frames{document()->rootFrame()};
    while (!frames.empty()) {
        const QTextFrame* frame = frames.back();
        frames.pop_back();
        for (QTextFrame* child : frame->childFrames()) {
            if (const auto* table = qobject_cast<const QTextTable*>(child)) {
                const TableGeometry geometry = geometryOf(table);
                m_widestTable = std::max(m_widestTable, geometry.left + geometry.width);
            } else {
                frames.push_back(child);
            }
        }
    }
}

qreal LazyDocumentLayout::tableWidth() const
{
    return contentWidth();
}

TableGeometry LazyDocumentLayout::geometryOf(const QTextTable* table) const
{
    return TableGeometry::of(table, tableWidth());
}

qreal LazyDocumentLayout::flowWidthAt(int position) const
{
    const QTextTable* table = TableRows::innermostAt(document(), position);
    if (!table)
        return contentWidth();
    return cellTextWidth(table, table->cellAt(position));
}

qreal LazyDocumentLayout::cellTextWidth(const QTextTable* table, const QTextTableCell& cell) const
{
    // The mark that opens the table stands in the text around it.
    const TableGeometry geometry = TableGeometry::of(table, flowWidthAt(table->firstPosition() - 1));
    const QTextFormat format = cell.format();
    return std::max<qreal>(1, geometry.cellWidth(cell.column(), cell.columnSpan())
                                  - geometry.paddingOf(format, QTextFormat::TableCellLeftPadding)
                                  - geometry.paddingOf(format, QTextFormat::TableCellRightPadding));
}

// --- laying out ---------------------------------------------------------------

// Lays out the cells that start in rows [first, last] and places their text
// (and the tables inside them) with the first row's cell boxes at origin.
// Every cell's text is laid out at the origin first, as the rows' heights are
// known only once all of it is, and then moved into place.
LazyDocumentLayout::Rows LazyDocumentLayout::layOutRows(QTextTable* table, const TableGeometry& geometry, int first,
                                                         int last, const QPointF& origin) const
{
    const int count = last - first + 1;
    Rows rows;
    rows.first = first;
    rows.top.assign(size_t(count), 0);
    rows.height.assign(size_t(count), 0);
    rows.covered.assign(size_t(count), 1);
    std::vector<CellPlace> places;
    const int columns = table->columns();
    for (int row = first; row <= last; ++row) {
        for (int column = 0; column < columns;) {
            const QTextTableCell cell = table->cellAt(row, column);
            if (!cell.isValid())
                break;
            const int span = std::max(1, cell.columnSpan());
            if (cell.row() == row && cell.column() == column) {
                rows.covered[size_t(row - first)] = 0;
                const QTextTableCellFormat format = cell.format().toTableCellFormat();
                CellPlace place;
                place.cell = cell;
                place.row = row;
                place.column = column;
                place.rows = std::clamp(cell.rowSpan(), 1, last - row + 1);
                place.columns = span;
                const qreal left = geometry.paddingOf(format, QTextFormat::TableCellLeftPadding);
                const qreal right = geometry.paddingOf(format, QTextFormat::TableCellRightPadding);
                const qreal top = geometry.paddingOf(format, QTextFormat::TableCellTopPadding);
                const qreal bottom = geometry.paddingOf(format, QTextFormat::TableCellBottomPadding);
                const qreal width = std::max<qreal>(1, geometry.cellWidth(column, span) - left - right);
                place.nestedFrom = m_nestedLaidOut.size();
                place.need = top + layOutFlow(cell.begin(), width, QPointF(0, 0)) + bottom;
                place.nestedTo = m_nestedLaidOut.size();
                place.inset = QPointF(left, top);
                place.alignment = format.verticalAlignment();
                places.push_back(place);
            }
            column = cell.column() + span;
        }
    }

    // A row is as high as its highest cell; a cell spanning rows that are
    // too low for it makes the last of them higher.
    for (const CellPlace& place : places) {
        if (place.rows == 1) {
            qreal& height = rows.height[size_t(place.row - first)];
            height = std::max(height, place.need);
        }
    }
    std::vector<const CellPlace*> spanning;
    for (const CellPlace& place : places) {
        if (place.rows > 1)
            spanning.push_back(&place);
    }
    std::stable_sort(spanning.begin(), spanning.end(), [](const CellPlace* a, const CellPlace* b) {
        return a->row + a->rows < b->row + b->rows;
    });
    for (const CellPlace* place : spanning) {
        const int from = place->row - first;
        const int to = from + place->rows - 1;
        qreal sum = 0;
        int highest = from;
        for (int k = from; k <= to; ++k) {
            if (rows.covered[size_t(k)])
                continue;
            if (k > from)
                sum += geometry.gap;
            sum += rows.height[size_t(k)];
            highest = k;
        }
        if (place->need > sum)
            rows.height[size_t(highest)] += place->need - sum;
    }
    for (int k = 1; k < count; ++k) {
        rows.top[size_t(k)] = rows.top[size_t(k - 1)] + rows.height[size_t(k - 1)]
            + (rows.covered[size_t(k)] ? 0 : geometry.gap);
    }

    for (const CellPlace& place : places) {
        const int from = place.row - first;
        const int to = from + place.rows - 1;
        const qreal boxHeight = rows.top[size_t(to)] + rows.height[size_t(to)] - rows.top[size_t(from)];
        qreal lower = 0;
        if (place.alignment == QTextCharFormat::AlignMiddle)
            lower = std::max<qreal>(0, (boxHeight - place.need) / 2);
        else if (place.alignment == QTextCharFormat::AlignBottom)
            lower = std::max<qreal>(0, boxHeight - place.need);
        const QPointF delta = origin + QPointF(geometry.cellLeft(place.column), rows.top[size_t(from)] + lower)
            + place.inset;
        shiftCell(place.cell, delta, place.nestedFrom, place.nestedTo);
    }
    return rows;
}

// The paragraphs and tables of a cell (or of a frame in one), one below the
// other from origin; returns their height.
qreal LazyDocumentLayout::layOutFlow(QTextFrame::iterator it, qreal width, const QPointF& origin) const
{
    qreal y = 0;
    for (; !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            if (auto* nested = qobject_cast<QTextTable*>(frame))
                y += layOutNested(nested, width, origin + QPointF(0, y));
            else
                y += layOutFlow(frame->begin(), width, origin + QPointF(0, y));
            continue;
        }
        const QTextBlock block = it.currentBlock();
        if (!block.isValid())
            continue;
        const qreal height = layOutParagraph(block, width, origin + QPointF(0, y));
        if (!separatesTable(block, it))
            y += height;
    }
    return y;
}

// A table inside a cell: laid out whole, with the row that holds it.
qreal LazyDocumentLayout::layOutNested(QTextTable* table, qreal available, const QPointF& origin) const
{
    const TableGeometry geometry = TableGeometry::of(table, available);
    m_nestedLaidOut.push_back(table);
    Rows rows = layOutRows(table, geometry, 0, table->rows() - 1, origin + QPointF(0, geometry.topExtra));
    const qreal height = geometry.topExtra + rows.top.back() + rows.height.back() + geometry.bottomExtra;
    NestedTable& record = m_nested[table];
    record.origin = origin;
    record.geometry = geometry;
    record.rows = std::move(rows);
    return height;
}

void LazyDocumentLayout::shiftCell(const QTextTableCell& cell, const QPointF& delta, size_t nestedFrom,
                                   size_t nestedTo) const
{
    const int end = cell.lastPosition();
    for (QTextBlock block = document()->findBlock(cell.firstPosition()); block.isValid() && block.position() <= end;
         block = block.next()) {
        QTextLayout* layout = block.layout();
        layout->setPosition(layout->position() + delta);
    }
    for (size_t i = nestedFrom; i < nestedTo; ++i)
        m_nested[m_nestedLaidOut[i]].origin += delta;
}

// The row group's heights go into the table: each row's on its first
// paragraph, with what lies between it and the next row (or, for the table's
// first and last rows, what lies above and below them); none on the others.
void LazyDocumentLayout::layOutUnit(const Unit& unit) const
{
    QTextTable* table = unit.table;
    const TableGeometry geometry = geometryOf(table);
    m_nestedLaidOut.clear();
    const qreal above = unit.firstRow == 0 ? geometry.topExtra : 0;
    const Rows rows = layOutRows(table, geometry, unit.firstRow, unit.lastRow, QPointF(0, above));
    m_nestedLaidOut.clear();

    const int count = unit.lastRow - unit.firstRow + 1;
    std::vector<std::pair<int, qreal>> carried;  // (first position, height) of rows with paragraphs
    bool rowFollows = unit.lastRow < table->rows() - 1;
    for (int k = count - 1; k >= 0; --k) {
        if (rows.covered[size_t(k)])
            continue;
        const int row = unit.firstRow + k;
        const qreal height = (row == 0 ? geometry.topExtra : 0) + rows.height[size_t(k)]
            + (rowFollows ? geometry.gap : geometry.bottomExtra);
        carried.emplace_back(TableRows::rowStart(table, row), height);
        rowFollows = true;
    }
    std::reverse(carried.begin(), carried.end());
    size_t next = 0;
    QTextBlock block = document()->findBlockByNumber(int(unit.first));
    for (qsizetype index = unit.first; index <= unit.last && block.isValid(); ++index, block = block.next()) {
        qreal height = 0;
        if (next < carried.size() && carried[next].first == block.position())
            height = carried[next++].second;
        m_heights.setMeasured(index, height, block.length());
    }
}

// The rows of a laid-out group as the height table has them.
LazyDocumentLayout::Rows LazyDocumentLayout::rowsFromIndex(const Unit& unit, const TableGeometry& geometry) const
{
    const QTextTable* table = unit.table;
    const int count = unit.lastRow - unit.firstRow + 1;
    Rows rows;
    rows.first = unit.firstRow;
    rows.top.assign(size_t(count), 0);
    rows.height.assign(size_t(count), 0);
    rows.covered.assign(size_t(count), 1);
    const qreal base = unitTop(unit) + (unit.firstRow == 0 ? geometry.topExtra : 0);
    bool rowFollows = unit.lastRow < table->rows() - 1;
    for (int k = count - 1; k >= 0; --k) {
        const int row = unit.firstRow + k;
        const int start = TableRows::rowStart(table, row);
        if (start < 0)
            continue;
        rows.covered[size_t(k)] = 0;
        const qsizetype index = document()->findBlock(start).blockNumber();
        const qreal above = row == 0 ? geometry.topExtra : 0;
        rows.top[size_t(k)] = m_heights.top(index) + above - base;
        rows.height[size_t(k)] = std::max<qreal>(
            0, m_heights.height(index) - above - (rowFollows ? geometry.gap : geometry.bottomExtra));
        rowFollows = true;
    }
    for (int k = 1; k < count; ++k) {
        if (rows.covered[size_t(k)])
            rows.top[size_t(k)] = rows.top[size_t(k - 1)] + rows.height[size_t(k - 1)];
    }
    return rows;
}

// --- painting ---------------------------------------------------------------------

void LazyDocumentLayout::drawUnit(QPainter* painter, const PaintContext& context, const Unit& unit,
                                  const QRectF& clip) const
{
    const TableGeometry geometry = geometryOf(unit.table);
    const Rows rows = rowsFromIndex(unit, geometry);
    const QPointF unitOrigin(m_margin, m_margin + unitTop(unit));
    const QPointF rowsOrigin = unitOrigin + QPointF(0, unit.firstRow == 0 ? geometry.topExtra : 0);
    drawRows(painter, context, unit.table, geometry, rows, rowsOrigin, unit.firstRow == 0,
             unit.lastRow == unit.table->rows() - 1);
    const int columns = unit.table->columns();
    for (int row = unit.firstRow; row <= unit.lastRow; ++row) {
        for (int column = 0; column < columns;) {
            const QTextTableCell cell = unit.table->cellAt(row, column);
            if (!cell.isValid())
                break;
            if (cell.row() == row && cell.column() == column) {
                const QTextFormat format = cell.format();
                const qreal width = geometry.cellWidth(column, cell.columnSpan())
                    - geometry.paddingOf(format, QTextFormat::TableCellLeftPadding)
                    - geometry.paddingOf(format, QTextFormat::TableCellRightPadding);
                drawCellContent(painter, context, cell, unitOrigin, clip, width);
            }
            column = cell.column() + std::max(1, cell.columnSpan());
        }
    }
}

// Backgrounds, selected cells and borders of the rows, below their text.
void LazyDocumentLayout::drawRows(QPainter* painter, const PaintContext& context, QTextTable* table,
                                  const TableGeometry& geometry, const Rows& rows, const QPointF& origin,
                                  bool tableTop, bool tableBottom) const
{
    const int count = int(rows.top.size());
    if (count == 0)
        return;
    const qreal bandTop = origin.y() - (tableTop ? geometry.topExtra - geometry.topMargin : 0);
    const qreal bandBottom = origin.y() + rows.top.back() + rows.height.back()
        + (tableBottom ? geometry.bottomExtra - geometry.bottomMargin : geometry.gap);
    const QRectF band(origin.x() + geometry.left, bandTop, geometry.width, bandBottom - bandTop);
    painter->save();
    if (geometry.background.style() != Qt::NoBrush)
        painter->fillRect(band, geometry.background);

    // Cells selected as a block of the table.
    const QTextTable* selectedTable = nullptr;
    const QTextCharFormat* selectionFormat = nullptr;
    int firstRow = 0, selectedRows = 0, firstColumn = 0, selectedColumns = 0;
    for (const Selection& selection : context.selections) {
        if (!selection.cursor.hasComplexSelection())
            continue;
        const auto* frame = qobject_cast<QTextTable*>(document()->frameAt(selection.cursor.position()));
        if (frame == table) {
            selection.cursor.selectedTableCells(&firstRow, &selectedRows, &firstColumn, &selectedColumns);
            selectedTable = frame;
            selectionFormat = &selection.format;
        }
    }

    const int columns = table->columns();
    const Qt::PenStyle style = penStyleOf(table->format().borderStyle());
    for (int k = 0; k < count; ++k) {
        const int row = rows.first + k;
        for (int column = 0; column < columns;) {
            const QTextTableCell cell = table->cellAt(row, column);
            if (!cell.isValid())
                break;
            const int span = std::max(1, cell.columnSpan());
            if (cell.row() == row && cell.column() == column) {
                const int last = std::clamp(k + cell.rowSpan() - 1, k, count - 1);
                const QRectF box(origin.x() + geometry.cellLeft(column), origin.y() + rows.top[size_t(k)],
                                 geometry.cellWidth(column, span),
                                 rows.top[size_t(last)] + rows.height[size_t(last)] - rows.top[size_t(k)]);
                const QBrush background = cell.format().background();
                if (background.style() != Qt::NoBrush)
                    painter->fillRect(box, background);
                if (selectedTable && row >= firstRow && row < firstRow + selectedRows && column >= firstColumn
                    && column < firstColumn + selectedColumns)
                    painter->fillRect(box, selectionFormat->background());
                if (geometry.drawsBorders) {
                    strokeAround(painter, box, geometry.collapsed ? geometry.border : geometry.cellBorder,
                                 geometry.borderBrush, style);
                }
            }
            column = cell.column() + span;
        }
    }
    // Apart from the cells', the table's own border, of this band.
    if (geometry.drawsBorders && !geometry.collapsed) {
        const qreal b = geometry.border;
        painter->fillRect(QRectF(band.left(), band.top(), b, band.height()), geometry.borderBrush);
        painter->fillRect(QRectF(band.right() - b, band.top(), b, band.height()), geometry.borderBrush);
        if (tableTop)
            painter->fillRect(QRectF(band.left(), band.top(), band.width(), b), geometry.borderBrush);
        if (tableBottom)
            painter->fillRect(QRectF(band.left(), band.bottom() - b, band.width(), b), geometry.borderBrush);
    }
    painter->restore();
}

// A cell's paragraphs, and the tables inside it with theirs.
void LazyDocumentLayout::drawCellContent(QPainter* painter, const PaintContext& context, const QTextTableCell& cell,
                                         const QPointF& origin, const QRectF& clip, qreal width) const
{
    std::vector<QTextFrame::iterator> stack{cell.begin()};
    while (!stack.empty()) {
        QTextFrame::iterator& it = stack.back();
        if (it.atEnd()) {
            stack.pop_back();
            continue;
        }
        const QTextFrame::iterator here = it;
        ++it;
        if (QTextFrame* frame = here.currentFrame()) {
            auto* nested = qobject_cast<QTextTable*>(frame);
            const auto record = nested ? m_nested.find(nested) : m_nested.end();
            if (record == m_nested.end()) {
                stack.push_back(frame->begin());
                continue;
            }
            const NestedTable& table = record->second;
            const QPointF tableOrigin = origin + table.origin;
            drawRows(painter, context, nested, table.geometry, table.rows,
                     tableOrigin + QPointF(0, table.geometry.topExtra), true, true);
            for (int row = 0; row < nested->rows(); ++row) {
                for (int column = 0; column < nested->columns();) {
                    const QTextTableCell inner = nested->cellAt(row, column);
                    if (!inner.isValid())
                        break;
                    if (inner.row() == row && inner.column() == column) {
                        const QTextFormat format = inner.format();
                        const qreal innerWidth = table.geometry.cellWidth(column, inner.columnSpan())
                            - table.geometry.paddingOf(format, QTextFormat::TableCellLeftPadding)
                            - table.geometry.paddingOf(format, QTextFormat::TableCellRightPadding);
                        drawCellContent(painter, context, inner, origin, clip, innerWidth);
                    }
                    column = inner.column() + std::max(1, inner.columnSpan());
                }
            }
            continue;
        }
        const QTextBlock block = here.currentBlock();
        if (!block.isValid() || block.layout()->lineCount() == 0)
            continue;
        const QRectF lines = block.layout()->boundingRect().translated(origin + block.layout()->position());
        if (lines.bottom() < clip.top() || lines.top() > clip.bottom())
            continue;
        drawBlock(painter, context, block, origin, clip, width);
    }
}

// --- hit testing ------------------------------------------------------------------

int LazyDocumentLayout::hitInUnit(const Unit& unit, const QPointF& point, Qt::HitTestAccuracy accuracy) const
{
    const TableGeometry geometry = geometryOf(unit.table);
    const Rows rows = rowsFromIndex(unit, geometry);
    const QPointF unitOrigin(m_margin, m_margin + unitTop(unit));
    const QPointF local = point - unitOrigin - QPointF(0, unit.firstRow == 0 ? geometry.topExtra : 0);
    int k = 0;
    for (int j = 0; j < int(rows.top.size()); ++j) {
        if (!rows.covered[size_t(j)] && rows.top[size_t(j)] <= local.y())
            k = j;
    }
    int column = 0;
    for (int j = 0; j < int(geometry.columnLeft.size()); ++j) {
        if (geometry.columnLeft[size_t(j)] - geometry.gap / 2 <= local.x())
            column = j;
    }
    const QTextTableCell cell = unit.table->cellAt(rows.first + k, column);
    if (!cell.isValid())
        return accuracy == Qt::ExactHit ? -1 : document()->findBlockByNumber(int(unit.first)).position();
    return hitInCell(cell, point - unitOrigin, accuracy);
}

// The paragraph of the cell nearest the point (inside one, or the nearest
// above or below, then left or right), then the character.
int LazyDocumentLayout::hitInCell(const QTextTableCell& cell, const QPointF& local, Qt::HitTestAccuracy accuracy) const
{
    QTextBlock best;
    qreal bestDy = 0;
    qreal bestDx = 0;
    const int end = cell.lastPosition();
    for (QTextBlock block = document()->findBlock(cell.firstPosition()); block.isValid() && block.position() <= end;
         block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (layout->lineCount() == 0)
            continue;
        // An empty paragraph that opens a table stands where the table does.
        const QTextTable* after = block.length() == 1 ? TableRows::innermostAt(document(), block.position() + 1)
                                                      : nullptr;
        const bool separator = after && after->firstPosition() == block.position() + 1;
        const QRectF rect(layout->position(),
                          QSizeF(layout->boundingRect().right(), separator ? 0 : paragraphHeight(block)));
        const qreal dy = local.y() < rect.top() ? rect.top() - local.y()
            : local.y() >= rect.bottom()        ? local.y() - rect.bottom() + (separator ? 0.5 : 0)
                                                : 0;
        const qreal dx = local.x() < rect.left() ? rect.left() - local.x()
            : local.x() > rect.right()          ? local.x() - rect.right()
                                                : 0;
        if (!best.isValid() || dy < bestDy || (dy == bestDy && dx < bestDx)) {
            best = block;
            bestDy = dy;
            bestDx = dx;
        }
    }
    if (!best.isValid())
        return accuracy == Qt::ExactHit ? -1 : cell.firstPosition();
    return hitInBlock(best, local - best.layout()->position(), accuracy);
}
