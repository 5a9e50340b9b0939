// The editor's lazy layout through random edits, made as users and commands
// make them, in text and in tables (rows and columns added, removed, merged,
// split, cells typed into, tables inside cells): after each one the table of
// paragraph heights has one entry per paragraph, and every paragraph's place,
// every row's height and what a point hits agree with a layout made afresh
// of the same text.

#include "dialogs/FindReplace.h"
#include "document/frmDocument.h"
#include "helpers/EditorInput.h"
#include "platform/LazyDocumentLayout.h"
#include "platform/RichTextBox.h"

#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <memory>

namespace {

QByteArray rtf(const QByteArray& body)
{
    return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs28 " + body + "}";
}

// Paragraphs whose heights differ: wrapped ones of many lengths, some in a
// large font, so that a height recorded for the wrong paragraph shows.
QByteArray unevenParagraphs(QRandomGenerator& random, int count)
{
    QByteArray body;
    for (int i = 0; i < count; ++i) {
        body += random.bounded(3) == 0 ? "\\pard\\qc\\fs56 " : "\\pard\\fs24 ";
        body += "p" + QByteArray::number(random.bounded(1000));
        for (int w = random.bounded(50); w > 0; --w)
            body += " word";
        body += "\\par\n";
    }
    return rtf(body);
}

QString paragraphs(QRandomGenerator& random)
{
    QString text;
    for (int i = random.bounded(1, 5); i > 0; --i)
        text += QStringLiteral("new ").repeated(random.bounded(40)) + u'\n';
    return text;
}

// A layout made afresh of a copy of the document, on the same page.
struct FreshLayout
{
    std::unique_ptr<QTextDocument> document;
    QAbstractTextDocumentLayout* layout = nullptr;

    explicit FreshLayout(const QTextDocument* live)
        : document(live->clone())
    {
        document->setDocumentLayout(new LazyDocumentLayout(document.get()));
        document->setDefaultFont(live->defaultFont());
        document->setDefaultTextOption(live->defaultTextOption());
        document->setDocumentMargin(live->documentMargin());
        document->setPageSize(live->pageSize());
        layout = document->documentLayout();
    }
};

std::vector<QTextTable*> tablesOf(QTextFrame* frame)
{
    std::vector<QTextTable*> tables;
    for (QTextFrame* child : frame->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(child))
            tables.push_back(table);
        const std::vector<QTextTable*> inner = tablesOf(child);
        tables.insert(tables.end(), inner.begin(), inner.end());
    }
    return tables;
}

QTextTableFormat tableFormat(QRandomGenerator& random, int columns)
{
    QTextTableFormat format;
    format.setBorder(random.bounded(3));
    format.setBorderCollapse(random.bounded(2));
    format.setCellSpacing(random.bounded(3));
    format.setCellPadding(random.bounded(5));
    QList<QTextLength> widths;
    for (int c = 0; c < columns; ++c) {
        switch (random.bounded(3)) {
        case 0: widths.append(QTextLength(QTextLength::FixedLength, 30 + random.bounded(150))); break;
        case 1: widths.append(QTextLength(QTextLength::PercentageLength, 10 + random.bounded(30))); break;
        default: widths.append(QTextLength()); break;
        }
    }
    format.setColumnWidthConstraints(widths);
    return format;
}

// A table with words of many lengths in its cells, at the cursor.
void insertTable(QRandomGenerator& random, QTextCursor& cursor)
{
    const int rows = random.bounded(1, 6);
    const int columns = random.bounded(1, 5);
    cursor.beginEditBlock();
    QTextTable* table = cursor.insertTable(rows, columns, tableFormat(random, columns));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            QTextCursor cell = table->cellAt(r, c).firstCursorPosition();
            cell.insertText(QStringLiteral("cell text ").repeated(random.bounded(12)));
            if (random.bounded(4) == 0)
                cell.insertText(QStringLiteral("\nsecond paragraph"));
        }
    }
    cursor.endEditBlock();
}

// Changes a table the way table commands do; some of them in an edit block
// with typing in a cell.
void editTable(QRandomGenerator& random, QTextTable* table)
{
    const int rows = table->rows();
    const int columns = table->columns();
    // The first and last rows often: they carry the table's edges.
    const int pick = random.bounded(3);
    const int row = pick == 0 ? 0 : pick == 1 ? rows - 1 : random.bounded(rows);
    const int column = random.bounded(columns);
    switch (random.bounded(8)) {
    case 0: table->insertRows(pick == 1 ? rows : row, random.bounded(1, 3)); break;
    case 1: if (rows > 1) table->removeRows(row, 1); break;
    case 2: table->insertColumns(random.bounded(columns + 1), 1); break;
    case 3: if (columns > 1) table->removeColumns(column, 1); break;
    case 4: table->mergeCells(row, column, random.bounded(1, rows - row + 1), random.bounded(1, columns - column + 1)); break;
    case 5: {
        const QTextTableCell cell = table->cellAt(row, column);
        table->splitCell(cell.row(), cell.column(), 1, 1);
        break;
    }
    case 6: {  // a table inside a cell
        QTextCursor cursor = table->cellAt(row, column).lastCursorPosition();
        insertTable(random, cursor);
        break;
    }
    default: {
        QTextCursor cursor = table->cellAt(row, column).lastCursorPosition();
        cursor.beginEditBlock();
        cursor.insertText(QStringLiteral(" more text").repeated(random.bounded(1, 15)));
        if (random.bounded(3) == 0)
            cursor.insertBlock();
        cursor.movePosition(QTextCursor::Up);
        cursor.insertText(QStringLiteral("x"));
        cursor.endEditBlock();
        break;
    }
    }
}

// Edits the way the editor's commands and Qt's own key handling do, many of
// them one edit block that Qt reports to the layout only when it ends.
void edit(QRandomGenerator& random, frmDocument& window)
{
    RichTextBox* box = window.rtfText;
    QTextCursor cursor = box->textCursor();
    const int length = int(box->textLength());
    static const QTextCursor::MoveOperation moves[] = {QTextCursor::Down, QTextCursor::Up, QTextCursor::EndOfLine,
                                                       QTextCursor::StartOfLine, QTextCursor::NextBlock};
    const auto moveAround = [&] {
        for (int n = random.bounded(7); n > 0; --n)
            cursor.movePosition(moves[random.bounded(5)], QTextCursor::MoveAnchor, random.bounded(1, 3));
    };
    if (box->document()->blockCount() > 1500) {  // a large cut keeps the document quick to compare
        cursor.setPosition(random.bounded(length / 2));
        cursor.setPosition(cursor.position() + length / 3, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        QCoreApplication::sendPostedEvents();
        return;
    }
    switch (random.bounded(12)) {
    case 9:  // a table
        cursor.setPosition(random.bounded(length + 1));
        insertTable(random, cursor);
        break;
    case 10:
    case 11: {
        const std::vector<QTextTable*> tables = tablesOf(box->document()->rootFrame());
        if (!tables.empty())
            editTable(random, tables[size_t(random.bounded(int(tables.size())))]);
        break;
    }
    case 0:  // paragraphs inserted, then the cursor moves through them and types
        cursor.setPosition(random.bounded(length + 1));
        cursor.beginEditBlock();
        cursor.insertText(paragraphs(random));
        moveAround();
        if (random.bounded(2))
            cursor.insertBlock();
        cursor.insertText(QStringLiteral("x"));
        cursor.endEditBlock();
        box->setTextCursor(cursor);
        break;
    case 1:  // paragraphs removed, the same
        cursor.setPosition(random.bounded(length + 1));
        cursor.setPosition(std::min(length, cursor.position() + random.bounded(400)), QTextCursor::KeepAnchor);
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        moveAround();
        cursor.insertText(random.bounded(2) ? QStringLiteral("y\n") : QStringLiteral("y"));
        cursor.endEditBlock();
        box->setTextCursor(cursor);
        break;
    case 2:
        box->undo();
        break;
    case 3:
        box->redo();
        break;
    case 4: {
        CommandContext context;
        context.activeForm = [&window] { return &window; };
        static const char* const replacements[] = {"", "w\nw", "longer words\n\nthat wrap"};
        FindReplace(context).replaceAll(QStringLiteral("word"), QString::fromLatin1(replacements[random.bounded(3)]),
                                        Qt::CaseInsensitive);
        break;
    }
    case 5:  // multi-paragraph RTF pasted, more paragraphs than are laid out at once
        box->setSelStart(random.bounded(length + 1));
        box->setSelLength(random.bounded(60));
        box->setSelRTF(unevenParagraphs(random, random.bounded(1, 30)));
        break;
    case 6: {  // keys as Qt's own editing handles them
        static const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Down, Qt::Key_Up};
        box->setSelStart(random.bounded(length + 1));
        for (int n = random.bounded(1, 6); n > 0; --n)
            QTest::keyClick(box, keys[random.bounded(5)]);
        break;
    }
    case 7: {
        QScrollBar* bar = box->verticalScrollBar();
        bar->setValue(random.bounded(bar->maximum() + 1));
        break;
    }
    default:  // a new line length: everything laid out is estimated again
        box->setRightMargin(random.bounded(3000, 7000));
        break;
    }
    QCoreApplication::sendPostedEvents();
}

} // namespace

class TestLayoutEdits : public QObject
{
    Q_OBJECT

private slots:
    void randomEditsKeepTheTableInStep();
};

void TestLayoutEdits::randomEditsKeepTheTableInStep()
{
    QRandomGenerator random(20260417);
    frmDocument window;
    QVERIFY(EditorInput::showExposed(window, 520, 360));
    RichTextBox* box = window.rtfText;
    box->setTextRTF(unevenParagraphs(random, 100));
    QTextDocument* document = box->document();
    auto* layout = qobject_cast<LazyDocumentLayout*>(document->documentLayout());
    QVERIFY(layout);
    const qreal margin = document->documentMargin();

    for (int step = 0; step < 200; ++step) {
        edit(random, window);
        const QString where = QStringLiteral("after step %1").arg(step);
        QVERIFY2(layout->checkTable().isEmpty(), qPrintable(layout->checkTable() + u' ' + where));
        FreshLayout fresh(document);
        QCOMPARE(fresh.document->toPlainText(), document->toPlainText());

        // Every few steps everything is laid out and compared; in between
        // only what is laid out already, so that estimates stay in the mix.
        const bool everything = step % 8 == 7;
        const BlockHeightIndex& heights = layout->heights();
        const auto* freshLayout = static_cast<LazyDocumentLayout*>(fresh.layout);
        QTextBlock other = fresh.document->firstBlock();
        qsizetype index = 0;
        for (QTextBlock block = document->firstBlock(); block.isValid();
             block = block.next(), other = other.next(), ++index) {
            const QRectF expected = fresh.layout->blockBoundingRect(other);
            if (!everything && !heights.isMeasured(index))
                continue;
            // Laid out already, or laid out now on every eighth step; where
            // the paragraphs above are estimates its top may differ.
            const QRectF rect = layout->blockBoundingRect(block);
            const qreal shift = everything ? 0 : rect.top() - expected.top();
            QVERIFY2(rect.translated(0, -shift) == expected,
                     qPrintable(QStringLiteral("paragraph %1 %2").arg(index).arg(where)));
            // What a paragraph carries: its own height, a table row's, or none.
            QVERIFY2(heights.height(index) == freshLayout->heights().height(index),
                     qPrintable(QStringLiteral("entry %1 %2").arg(index).arg(where)));
            // A point on the paragraph's last line hits the same character.
            const QPointF offset(40, std::max<qreal>(0, expected.height() - 4));
            QVERIFY2(layout->hitTest(rect.topLeft() + offset, Qt::FuzzyHit)
                         == fresh.layout->hitTest(expected.topLeft() + offset, Qt::FuzzyHit),
                     qPrintable(QStringLiteral("hit in paragraph %1 %2").arg(index).arg(where)));
        }
        if (everything)
            QCOMPARE(layout->documentSize(), fresh.layout->documentSize());
    }
}

QTEST_MAIN(TestLayoutEdits)
#include "tst_layoutedits.moc"
