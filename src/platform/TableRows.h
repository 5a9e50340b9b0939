#pragma once

#include <utility>

class QTextDocument;
class QTextTable;

// What the layout needs to know of a table's rows, read from Qt's table
// structure. A table's cells follow each other in the document row by row,
// each cell's paragraphs together, so a row is a run of paragraphs: from the
// first paragraph of the first cell that starts in it to the paragraph before
// the next row's. A row whose every column is covered by cells reaching down
// from the rows above starts no cell and holds no paragraph ("covered").
class TableRows
{
public:
    // The table, not inside another, that holds the position; nullptr outside
    // tables.
    static QTextTable* outermostAt(const QTextDocument* document, int position);
    // The innermost table that holds the position, or nullptr.
    static QTextTable* innermostAt(const QTextDocument* document, int position);

    // Where the row's first own cell starts, or -1 for a covered row.
    static int rowStart(const QTextTable* table, int row);
    // The rows that must be laid out together with the row: those that cells
    // spanning several rows tie to it, directly or through each other.
    static std::pair<int, int> group(const QTextTable* table, int row);
    // The position of the last character of row `last` (its last cell's
    // closing mark), where rows [.., last] end a group.
    static int groupEnd(const QTextTable* table, int last);
};
