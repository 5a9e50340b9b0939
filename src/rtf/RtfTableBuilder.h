#pragma once

#include <QTextCursor>

#include <vector>

class QTextTable;

// Turns the cells and rows an RTF reader meets into QTextTables at its
// cursor. RTF has no table object: a paragraph marked as in a table (at some
// nesting depth) is cell text, \cell (\nestcell) ends a cell, \row (\nestrow)
// ends a row, and the row's \cellx definitions give the cells' right edges,
// their merging and the column widths. The builder opens a table when cell
// text first comes, appends rows and columns as they come, merges cells
// (\clmgf/\clmrg, \clvmgf/\clvmrg, and rows with fewer, wider cells than the
// first) and leaves the cursor where the next text goes.
//
// Bounded for any input: at most MaxColumns columns (more cells go into the
// last one) and MaxDepth levels of tables inside tables (deeper ones are
// laid out as paragraphs of the deepest cell).
class RtfTableBuilder
{
public:
    static constexpr int MaxColumns = 64;
    static constexpr int MaxDepth = 6;

    struct CellDef {
        int right = 0;  // twips
        bool mergeFirst = false;
        bool mergeNext = false;
        bool vmergeFirst = false;
        bool vmergeNext = false;
    };
    struct RowDefs {
        std::vector<CellDef> cells;
        int left = 0;
    };

    explicit RtfTableBuilder(QTextCursor& cursor);

    // The table depth the cursor stands at.
    int depth() const { return int(m_levels.size()); }

    // Readies the cursor for text of a paragraph at table depth `depth`
    // (0 outside tables): closes deeper tables, opens new ones, starts the
    // row after one that ended. Returns true when the cursor moved.
    bool enter(int depth, const RowDefs* defs);
    // \cell or \nestcell: the cell at `depth` ends; the cursor moves to the
    // next. False, doing nothing, for a depth deeper than MaxDepth: the
    // caller ends a paragraph instead.
    bool endCell(int depth, const RowDefs* defs);
    // \row or \nestrow; false as endCell.
    bool endRow(int depth, const RowDefs* defs);
    // The end of the document: every open table is finished.
    void closeAll();

private:
    struct Span {
        int column = 0;
        int columns = 1;
    };
    struct VerticalMerge {
        int firstRow = -1;
        int lastRow = -1;
        int columns = 1;
    };
    struct Level {
        QTextTable* table = nullptr;
        int row = 0;            // the row being filled, or the next one
        int allocatedRows = 0;  // rows in the table, some of them not used yet
        bool inRow = false;
        bool cellOpen = false;  // the cursor stands in the cell being filled
        int cellIndex = 0;      // the cell of the row being filled
        int column = 0;         // its column
        int nextColumn = 0;     // where the next cell of the row goes
        bool overflow = false;  // the row has more cells than the table columns
        std::vector<int> edges;  // right edges of the columns, twips
        int left = 0;
        std::vector<Span> rowSpans;
        std::vector<VerticalMerge> vertical;  // per column
        struct Area { int row, column, rows, columns; };
        std::vector<Area> areas;  // vertical merges, applied at the end
    };

    void open(const RowDefs* defs);
    void close();
    void ensureCell(Level& level, const RowDefs* defs);
    void startRow(Level& level, const RowDefs* defs);
    void beginCell(Level& level, const RowDefs* defs);
    void placeCursor(Level& level, QTextTable* table);
    // What the definition of the row's cell `index`, standing at `column`,
    // says of merging; the columns it spans, 0 when it is part of the cell
    // before. mapEdges: a row of fewer cells spans columns by its edges.
    int noteMerges(Level& level, const RowDefs& defs, int index, int column, bool mapEdges);
    void setWidths(Level& level);
    void closeVertical(Level& level, int column);
    static std::vector<int> edgesOf(const RowDefs* defs);

    QTextCursor& m_cursor;
    std::vector<Level> m_levels;
};
