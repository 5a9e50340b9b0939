#include "platform/TableRows.h"

#include <QTextDocument>
#include <QTextTable>

#include <algorithm>

QTextTable* TableRows::outermostAt(const QTextDocument* document, int position)
{
    QTextTable* found = nullptr;
    const QTextFrame* root = document->rootFrame();
    for (QTextFrame* frame = document->frameAt(position); frame && frame != root; frame = frame->parentFrame()) {
        if (auto* table = qobject_cast<QTextTable*>(frame))
            found = table;
    }
    return found;
}

QTextTable* TableRows::innermostAt(const QTextDocument* document, int position)
{
    const QTextFrame* root = document->rootFrame();
    for (QTextFrame* frame = document->frameAt(position); frame && frame != root; frame = frame->parentFrame()) {
        if (auto* table = qobject_cast<QTextTable*>(frame))
            return table;
    }
    return nullptr;
}

int TableRows::rowStart(const QTextTable* table, int row)
{
    const int columns = table->columns();
    for (int column = 0; column < columns;) {
        const QTextTableCell cell = table->cellAt(row, column);
        if (!cell.isValid())
            return -1;
        if (cell.row() == row)
            return cell.firstPosition();
        column = cell.column() + std::max(1, cell.columnSpan());
    }
    return -1;
}

std::pair<int, int> TableRows::group(const QTextTable* table, int row)
{
    const int rows = table->rows();
    const int columns = table->columns();
    int first = std::clamp(row, 0, std::max(0, rows - 1));
    int last = first;
    // Widen until no cell reaches out of [first, last]: in a table without
    // merged rows this is one look at each cell of the row.
    for (int scanned = first; scanned <= last; ++scanned) {
        for (int column = 0; column < columns;) {
            const QTextTableCell cell = table->cellAt(scanned, column);
            if (!cell.isValid())
                break;
            const int top = cell.row();
            const int bottom = std::min(rows - 1, top + std::max(1, cell.rowSpan()) - 1);
            if (top < first) {
                first = top;
                scanned = first - 1;  // look at the new rows too
                break;
            }
            last = std::max(last, bottom);
            column = cell.column() + std::max(1, cell.columnSpan());
        }
    }
    return {first, last};
}

int TableRows::groupEnd(const QTextTable* table, int last)
{
    for (int row = last + 1; row < table->rows(); ++row) {
        const int start = rowStart(table, row);
        if (start >= 0)
            return start - 1;  // the mark that opens the next row's first cell
    }
    return table->lastPosition();
}
