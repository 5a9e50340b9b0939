#pragma once

#include <QBrush>
#include <QTextFormat>

#include <vector>

class QTextTable;
class QTextTableCell;

// Where a table's columns stand and what surrounds its cells, from the
// table's format alone: fixed column widths as given, percentages of the
// width the table has, and the rest shared out evenly among the other
// columns. The cells' text never widens a column, so a row can be laid out
// without looking at the others: what lets a table of thousands of rows be
// laid out a screenful at a time.
//
// x is measured from the left edge of the text the table stands in, y from
// the table's top edge (its top margin included). A cell's box is the area
// inside its borders: its padding and its text.
struct TableGeometry
{
    std::vector<qreal> columnLeft;   // left edge of each column's cell box
    std::vector<qreal> columnWidth;  // width of each column's cell box
    qreal left = 0;                  // outer edge of the table's border
    qreal width = 0;                 // from outer border edge to outer border edge
    qreal border = 0;                // the table's border
    qreal cellBorder = 0;            // each cell's own border (not when collapsed)
    qreal spacing = 0;               // between the borders of neighbouring cells
    qreal padding = 0;               // of cells that give none of their own
    qreal topExtra = 0;              // from the table's top to the first row's cell box
    qreal gap = 0;                   // between the cell boxes of two rows
    qreal bottomExtra = 0;           // from the last row's cell box to below the table
    qreal topMargin = 0;             // outside the border
    qreal bottomMargin = 0;
    bool collapsed = false;          // one grid line between cells
    bool drawsBorders = false;
    QBrush borderBrush;
    QBrush background;

    // available: the width of the text the table stands in; 0 or less when
    // lines do not wrap.
    static TableGeometry of(const QTextTable* table, qreal available);

    qreal cellLeft(int column) const;
    qreal cellWidth(int column, int columnSpan) const;
    qreal paddingOf(const QTextFormat& cellFormat, QTextFormat::Property side) const;
};
