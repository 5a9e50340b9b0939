#include "platform/TableGeometry.h"

#include <QTextTable>
#include <QTextTableFormat>

#include <algorithm>

namespace {

// Columns without a width of their own get this much when lines do not wrap
// and so the table has no width to share.
constexpr qreal UnwrappedColumnWidth = 160;
// Nor is a column narrower than this, whatever its format says.
constexpr qreal NarrowestColumn = 4;
// Nor wider: a width of a million pixels is a damaged file, not a layout.
constexpr qreal WidestColumn = 20000;

} // namespace

TableGeometry TableGeometry::of(const QTextTable* table, qreal available)
{
    const QTextTableFormat format = table->format();
    TableGeometry g;
    const int columns = std::max(1, table->columns());
    g.border = std::clamp<qreal>(format.border(), 0, 50);
    g.collapsed = format.borderCollapse();
    g.cellBorder = g.collapsed ? 0 : g.border;
    g.spacing = g.collapsed ? 0 : std::clamp<qreal>(format.cellSpacing(), 0, 50);
    g.padding = std::clamp<qreal>(format.cellPadding(), 0, 100);
    g.drawsBorders = g.border > 0 && format.borderStyle() != QTextFrameFormat::BorderStyle_None;
    g.borderBrush = format.borderBrush().style() == Qt::NoBrush ? QBrush(Qt::darkGray) : format.borderBrush();
    g.background = format.background();

    const qreal framePadding = std::clamp<qreal>(format.padding(), 0, 100);
    // From the border's outer edge to the first cell box, and between boxes.
    const qreal edge = g.collapsed ? g.border : g.border + g.spacing + g.cellBorder;
    const qreal between = g.collapsed ? g.border : 2 * g.cellBorder + g.spacing;
    g.gap = between;
    g.topMargin = std::clamp<qreal>(format.topMargin(), 0, 1000);
    g.bottomMargin = std::clamp<qreal>(format.bottomMargin(), 0, 1000);
    g.topExtra = g.topMargin + framePadding + edge;
    g.bottomExtra = g.bottomMargin + framePadding + edge;

    const qreal leftMargin = std::clamp<qreal>(format.leftMargin(), 0, 1000);
    const qreal rightMargin = std::clamp<qreal>(format.rightMargin(), 0, 1000);
    const qreal fixedWidth = available > 0 ? available - leftMargin - rightMargin : -1;
    qreal tableWidth = fixedWidth;  // outer width the columns are shared out of
    const QTextLength length = format.width();
    if (length.type() == QTextLength::FixedLength)
        tableWidth = std::clamp<qreal>(length.rawValue(), 0, WidestColumn * columns);
    else if (length.type() == QTextLength::PercentageLength && fixedWidth > 0)
        tableWidth = fixedWidth * std::clamp<qreal>(length.rawValue(), 0, 100) / 100;
    const qreal chrome = 2 * (edge + framePadding) + (columns - 1) * between;
    const qreal inner = tableWidth > 0 ? std::max<qreal>(0, tableWidth - chrome) : -1;

    const QList<QTextLength> constraints = format.columnWidthConstraints();
    g.columnWidth.assign(size_t(columns), 0);
    qreal remaining = inner;
    int variable = 0;
    for (int column = 0; column < columns; ++column) {
        const QTextLength constraint = column < constraints.size() ? constraints.at(column) : QTextLength();
        qreal& width = g.columnWidth[size_t(column)];
        if (constraint.type() == QTextLength::FixedLength) {
            width = constraint.rawValue();
        } else if (constraint.type() == QTextLength::PercentageLength && inner > 0) {
            width = inner * std::clamp<qreal>(constraint.rawValue(), 0, 100) / 100;
        } else {
            ++variable;
            width = -1;
            continue;
        }
        width = std::clamp(width, NarrowestColumn, WidestColumn);
        remaining -= width;
    }
    if (variable > 0) {
        const qreal share = inner > 0 ? std::max(NarrowestColumn * 4, remaining / variable) : UnwrappedColumnWidth;
        for (qreal& width : g.columnWidth) {
            if (width < 0)
                width = std::min(share, WidestColumn);
        }
    }

    qreal outer = chrome;
    for (const qreal width : g.columnWidth)
        outer += width;
    g.width = outer;
    g.left = leftMargin;
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (fixedWidth > outer) {
        if (alignment & Qt::AlignHCenter)
            g.left += (fixedWidth - outer) / 2;
        else if (alignment & Qt::AlignRight)
            g.left += fixedWidth - outer;
    }
    g.columnLeft.resize(size_t(columns));
    qreal x = g.left + framePadding + edge;
    for (int column = 0; column < columns; ++column) {
        g.columnLeft[size_t(column)] = x;
        x += g.columnWidth[size_t(column)] + between;
    }
    return g;
}

qreal TableGeometry::cellLeft(int column) const
{
    return columnLeft[size_t(std::clamp<int>(column, 0, int(columnLeft.size()) - 1))];
}

qreal TableGeometry::cellWidth(int column, int columnSpan) const
{
    const int first = std::clamp<int>(column, 0, int(columnLeft.size()) - 1);
    const int last = std::clamp<int>(column + std::max(1, columnSpan) - 1, first, int(columnLeft.size()) - 1);
    return columnLeft[size_t(last)] + columnWidth[size_t(last)] - columnLeft[size_t(first)];
}

qreal TableGeometry::paddingOf(const QTextFormat& cellFormat, QTextFormat::Property side) const
{
    return cellFormat.hasProperty(side) ? std::clamp<qreal>(cellFormat.doubleProperty(side), 0, 100) : padding;
}
