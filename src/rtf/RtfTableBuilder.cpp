#include "RtfTableBuilder.h"

#include <QTextTable>
#include <QTextTableFormat>

#include <algorithm>

namespace {

// Rows are added in growing batches (and the unused ones removed at the
// end): adding them one at a time costs a walk over the whole table each.
constexpr int LargestRowBatch = 512;
// Cell edges this close count as the same column edge (twips).
constexpr int EdgeTolerance = 30;
constexpr qreal TwipsPerPixel = 15;

} // namespace

RtfTableBuilder::RtfTableBuilder(QTextCursor& cursor)
    : m_cursor(cursor)
{
}

std::vector<int> RtfTableBuilder::edgesOf(const RowDefs* defs)
{
    std::vector<int> edges;
    if (!defs)
        return edges;
    int previous = defs->left;
    edges.reserve(defs->cells.size());
    for (const CellDef& cell : defs->cells) {
        // Edges out of order, or negative widths: a narrow column.
        previous = std::max(cell.right, previous + 1);
        edges.push_back(previous);
    }
    return edges;
}

bool RtfTableBuilder::enter(int depth, const RowDefs* defs)
{
    depth = std::clamp(depth, 0, MaxDepth);
    const int before = m_cursor.position();
    while (this->depth() > depth)
        close();
    if (depth > 0) {
        while (this->depth() < depth) {
            if (!m_levels.empty())
                ensureCell(m_levels.back(), nullptr);
            // Only a top-level row is defined before its cells; a nested
            // one at its end, so what is known now belongs to another row.
            open(this->depth() == 0 && depth == 1 ? defs : nullptr);
        }
        ensureCell(m_levels.back(), defs);
    }
    return m_cursor.position() != before;
}

bool RtfTableBuilder::endCell(int depth, const RowDefs* defs)
{
    depth = std::max(depth, 1);
    if (depth > MaxDepth)
        return false;
    enter(depth, defs);
    Level& level = m_levels.back();
    level.cellOpen = false;
    ++level.cellIndex;
    if (level.nextColumn < level.table->columns())
        beginCell(level, defs);
    return true;
}

bool RtfTableBuilder::endRow(int depth, const RowDefs* defs)
{
    depth = std::max(depth, 1);
    if (depth > MaxDepth)
        return false;
    if (this->depth() < depth)
        return true;  // a row without cells
    while (this->depth() > depth)
        close();
    Level& level = m_levels.back();
    if (!level.inRow)
        return true;
    if (defs && &level != &m_levels.front()) {
        const int cells = std::min({int(defs->cells.size()), level.cellIndex + (level.cellOpen ? 1 : 0),
                                    level.table->columns()});
        for (int index = 0; index < cells; ++index)
            noteMerges(level, *defs, index, index, false);
        level.nextColumn = std::max(level.nextColumn, cells);
        level.cellOpen = false;
    }
    for (const Span& span : level.rowSpans) {
        if (span.columns > 1)
            level.table->mergeCells(level.row, span.column, 1, span.columns);
    }
    // Columns this row has no cell in end their vertical merges.
    const int reached = level.cellOpen ? level.column : level.nextColumn;
    for (int column = reached; column < level.table->columns(); ++column)
        closeVertical(level, column);
    // The first row's cell definitions are the column widths; nested
    // tables define their rows at the end of the row.
    if (level.row == 0 && defs && !defs->cells.empty()) {
        if (level.edges.empty() || level.edges.back() == 0) {
            level.edges = edgesOf(defs);
            level.left = defs->left;
        }
        setWidths(level);
    }
    ++level.row;
    level.inRow = false;
    level.cellOpen = false;
    return true;
}

void RtfTableBuilder::closeAll()
{
    while (!m_levels.empty())
        close();
}

void RtfTableBuilder::open(const RowDefs* defs)
{
    const int columns = std::clamp(defs ? int(defs->cells.size()) : 1, 1, MaxColumns);
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(3);
    Level level;
    level.table = m_cursor.insertTable(1, columns, format);
    level.allocatedRows = 1;
    level.edges = edgesOf(defs);
    level.edges.resize(size_t(columns), level.edges.empty() ? 0 : level.edges.back());
    level.left = defs ? defs->left : 0;
    level.vertical.resize(size_t(columns));
    m_levels.push_back(std::move(level));
    startRow(m_levels.back(), defs);
}

void RtfTableBuilder::close()
{
    Level& level = m_levels.back();
    QTextTable* table = level.table;
    const int used = std::max(1, level.inRow ? level.row + 1 : level.row);
    for (int column = 0; column < table->columns(); ++column)
        closeVertical(level, column);
    for (const Level::Area& area : level.areas) {
        if (area.row + area.rows <= used)
            table->mergeCells(area.row, area.column, area.rows, area.columns);
    }
    if (level.allocatedRows > used)
        table->removeRows(used, level.allocatedRows - used);
    m_cursor = table->lastCursorPosition();
    m_cursor.movePosition(QTextCursor::NextBlock);
    m_levels.pop_back();
}

void RtfTableBuilder::ensureCell(Level& level, const RowDefs* defs)
{
    if (!level.inRow)
        startRow(level, defs);
    else if (!level.cellOpen)
        beginCell(level, defs);
}

void RtfTableBuilder::startRow(Level& level, const RowDefs* defs)
{
    if (level.row >= level.allocatedRows) {
        const int batch = std::clamp(level.allocatedRows, 1, LargestRowBatch);
        level.table->appendRows(batch);
        level.allocatedRows += batch;
    }
    level.inRow = true;
    level.cellIndex = 0;
    level.nextColumn = 0;
    level.overflow = false;
    level.rowSpans.clear();
    beginCell(level, defs);
}

void RtfTableBuilder::beginCell(Level& level, const RowDefs* defs)
{
    QTextTable* table = level.table;
    level.column = level.nextColumn;
    if (level.column >= table->columns()) {
        if (table->columns() < MaxColumns) {
            table->appendColumns(1);
            const size_t index = size_t(level.cellIndex);
            const int right = defs && index < defs->cells.size() ? defs->cells[index].right : 0;
            level.edges.push_back(std::max(right, level.edges.empty() ? 1 : level.edges.back() + 1));
            level.vertical.emplace_back();
        } else {
            level.column = table->columns() - 1;
            level.overflow = true;
        }
    }
    // A nested table's row is defined at its end (\\nesttableprops): its
    // merges are noted then.
    int columns = 1;
    if (defs && &level == &m_levels.front() && !level.overflow && size_t(level.cellIndex) < defs->cells.size()) {
        columns = noteMerges(level, *defs, level.cellIndex, level.column, true);
        if (columns == 0) {
            placeCursor(level, table);
            return;
        }
    }
    placeCursor(level, table);
    level.nextColumn = level.column + columns;
}

int RtfTableBuilder::noteMerges(Level& level, const RowDefs& defs, int index, int column, bool mapEdges)
{
    QTextTable* table = level.table;
    const CellDef& def = defs.cells[size_t(index)];
    const bool continues = !level.rowSpans.empty()
        && level.rowSpans.back().column + level.rowSpans.back().columns == column;
    if (def.mergeNext && continues) {
        // Part of the cell before: so is its share of a vertical merge.
        Span& span = level.rowSpans.back();
        ++span.columns;
        VerticalMerge& first = level.vertical[size_t(span.column)];
        if (first.firstRow >= 0 && first.lastRow == level.row)
            first.columns = span.columns;
        return 0;
    }
    int columns = 1;
    if (mapEdges && int(defs.cells.size()) < table->columns()) {
        // A row with fewer cells than the table has columns: a cell spans
        // the columns up to its right edge.
        const int right = edgesOf(&defs)[size_t(index)];
        int last = column;
        while (last + 1 < table->columns() && level.edges[size_t(last)] < right - EdgeTolerance)
            ++last;
        columns = last - column + 1;
    }
    level.rowSpans.push_back(Span{column, columns});
    VerticalMerge& vertical = level.vertical[size_t(column)];
    if (def.vmergeFirst) {
        closeVertical(level, column);
        vertical = VerticalMerge{level.row, level.row, columns};
    } else if (def.vmergeNext && vertical.firstRow >= 0) {
        vertical.lastRow = level.row;
    } else {
        closeVertical(level, column);
    }
    return columns;
}

void RtfTableBuilder::placeCursor(Level& level, QTextTable* table)
{
    const QTextTableCell cell = table->cellAt(level.row, level.column);
    if (level.overflow) {
        // More cells than the table takes: their text follows in the last one.
        m_cursor = cell.lastCursorPosition();
        if (cell.firstPosition() != cell.lastPosition())
            m_cursor.insertBlock();
    } else {
        m_cursor = cell.firstCursorPosition();
    }
    level.cellOpen = true;
    level.nextColumn = level.column + 1;
}

void RtfTableBuilder::closeVertical(Level& level, int column)
{
    VerticalMerge& vertical = level.vertical[size_t(column)];
    if (vertical.firstRow >= 0 && vertical.lastRow > vertical.firstRow)
        level.areas.push_back(
            Level::Area{vertical.firstRow, column, vertical.lastRow - vertical.firstRow + 1, vertical.columns});
    vertical = VerticalMerge{};
}

void RtfTableBuilder::setWidths(Level& level)
{
    QTextTableFormat format = level.table->format();
    QList<QTextLength> widths;
    int previous = level.left;
    for (int column = 0; column < level.table->columns() && size_t(column) < level.edges.size(); ++column) {
        const int width = level.edges[size_t(column)] - previous;
        previous = level.edges[size_t(column)];
        widths.append(width > 0 && width < 31680 ? QTextLength(QTextLength::FixedLength, width / TwipsPerPixel)
                                                 : QTextLength());
    }
    format.setColumnWidthConstraints(widths);
    level.table->setFormat(format);
}
