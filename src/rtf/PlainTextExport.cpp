#include "PlainTextExport.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace {

class Exporter
{
public:
    Exporter(int from, int to)
        : m_from(from)
        , m_to(to)
    {
    }

    // The items of a frame or cell, joined by `separator`.
    QString items(QTextFrame::iterator it, QChar separator, bool inCell) const
    {
        QString out;
        bool first = true;
        bool afterTable = false;
        bool atStart = true;
        for (; !it.atEnd(); ++it) {
            const bool startOfFrame = atStart;
            atStart = false;
            const bool follows = afterTable;
            afterTable = false;
            QString part;
            if (QTextFrame* frame = it.currentFrame()) {
                afterTable = qobject_cast<QTextTable*>(frame);
                if (frame->lastPosition() < m_from || frame->firstPosition() > m_to)
                    continue;
                auto* table = qobject_cast<QTextTable*>(frame);
                part = table ? this->table(table, inCell) : items(frame->begin(), separator, inCell);
            } else {
                const QTextBlock block = it.currentBlock();
                if (block.position() + block.length() <= m_from)
                    continue;
                if (block.position() > m_to)
                    break;
                if (PlainTextExport::isTableFiller(it, startOfFrame, follows))
                    continue;
                part = text(block, inCell);
            }
            if (!first)
                out += separator;
            out += part;
            first = false;
        }
        return out;
    }

private:
    QString table(QTextTable* table, bool inCell) const
    {
        QString out;
        bool firstRow = true;
        for (int row = 0; row < table->rows(); ++row) {
            if (table->cellAt(row, table->columns() - 1).lastPosition() < m_from
                || table->cellAt(row, 0).firstPosition() > m_to)
                continue;
            if (!firstRow)
                out += inCell ? QLatin1Char(' ') : QLatin1Char('\n');
            firstRow = false;
            for (int column = 0; column < table->columns(); ++column) {
                const QTextTableCell cell = table->cellAt(row, column);
                if (column > 0)
                    out += inCell ? QLatin1Char(' ') : QLatin1Char('\t');
                // A merged cell's text is written once, where it starts; the
                // columns stay in line.
                if (cell.row() == row && cell.column() == column)
                    out += items(cell.begin(), QLatin1Char(' '), true);
            }
        }
        return out;
    }

    QString text(const QTextBlock& block, bool inCell) const
    {
        const int start = std::max(0, m_from - block.position());
        const int end = std::min(block.length() - 1, m_to - block.position());
        QString out = block.text().mid(start, std::max(0, end - start));

        out.remove(QChar::ObjectReplacementCharacter);
        out.replace(QChar::LineSeparator, inCell ? QLatin1Char(' ') : QLatin1Char('\n'));
        return out;
    }

    int m_from;
    int m_to;
};

} // namespace

bool PlainTextExport::isTableFiller(QTextFrame::iterator it, bool startOfFrame, bool afterTable)
{
    if (it.currentBlock().length() != 1)
        return false;
    ++it;
    if (startOfFrame && !it.atEnd() && qobject_cast<QTextTable*>(it.currentFrame()))
        return true;
    return afterTable && it.atEnd();
}

QString PlainTextExport::text(const QTextDocument* document)
{
    if (!document)
        return {};
    return Exporter(0, document->characterCount()).items(document->rootFrame()->begin(), QLatin1Char('\n'), false);
}

QString PlainTextExport::text(const QTextCursor& selection)
{
    const QTextDocument* document = selection.document();
    if (!document || !selection.hasSelection())
        return {};
    return Exporter(selection.selectionStart(), selection.selectionEnd())
        .items(document->rootFrame()->begin(), QLatin1Char('\n'), false);
}
