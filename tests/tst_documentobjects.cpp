// What the editor shows of a document besides its paragraphs: tables (cells
// side by side, rows below each other, merged cells, the caret and the mouse
// in cells, a table of ten thousand rows laid out a screenful at a time),
// pictures decoded only when drawn, markers of kept RTF elements with their
// tooltips, list bullets and numbers, and printing of all of them.

#include "helpers/EditorInput.h"
#include "platform/LazyDocumentLayout.h"
#include "platform/PictureObject.h"
#include "platform/RichTextBox.h"
#include "rtf/RtfObjects.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QHelpEvent>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>
#include <QToolTip>
#include <QUrl>

namespace {

LazyDocumentLayout* layoutOf(RichTextBox& box)
{
    return qobject_cast<LazyDocumentLayout*>(box.document()->documentLayout());
}

// A picture as the RTF reader keeps one: its bytes under an "rtfpict:" name.
QTextImageFormat addPicture(QTextDocument* document, const QByteArray& bytes, QSizeF size)
{
    const QString name = RtfObjects::PictureScheme + u':'
        + QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
    document->addResource(QTextDocument::ImageResource, QUrl(name), bytes);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(size.width());
    format.setHeight(size.height());
    return format;
}

QByteArray png(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QTextCharFormat marker(RtfObjects::MarkerKind kind, const QString& text)
{
    QTextCharFormat format;
    format.setObjectType(RtfObjects::MarkerObjectType);
    format.setProperty(RtfObjects::MarkerKindProperty, int(kind));
    format.setProperty(RtfObjects::MarkerText, text);
    return format;
}

// Where the character at position is drawn, in document coordinates.
QRectF charRect(RichTextBox& box, int position)
{
    const QTextBlock block = box.document()->findBlock(position);
    const QRectF origin = box.document()->documentLayout()->blockBoundingRect(block);
    const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
    const qreal left = line.cursorToX(position - block.position());
    const qreal right = line.cursorToX(position - block.position() + 1);
    return QRectF(origin.left() + left, origin.top() + line.y(), right - left, line.height());
}

// The text rect of a cell's first paragraph.
QRectF cellRect(RichTextBox& box, const QTextTableCell& cell)
{
    return box.document()->documentLayout()->blockBoundingRect(cell.firstCursorPosition().block());
}

qreal cellBottom(RichTextBox& box, const QTextTableCell& cell)
{
    return box.document()->documentLayout()->blockBoundingRect(cell.lastCursorPosition().block()).bottom();
}

} // namespace

class TestDocumentObjects : public QObject
{
    Q_OBJECT

private slots:
    void tableCellsStandInRowsAndColumns_data();
    void tableCellsStandInRowsAndColumns();
    void textOfTablesKeepsPositions();
    void largeTableLaysOutOnlyWhatIsShown();
    void picturesAreDecodedOnlyWhenShown();
    void viewOfPicturesSettles();
    void markersShowTheirTextAsTooltip();
    void listItemsShowTheirMarkers_data();
    void listItemsShowTheirMarkers();
    void printingShowsPicturesAndTables();
};

void TestDocumentObjects::tableCellsStandInRowsAndColumns_data()
{
    QTest::addColumn<bool>("collapsed");
    QTest::addColumn<int>("border");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<int>("padding");
    QTest::newRow("collapsed grid, as RTF tables") << true << 1 << 0 << 3;
    QTest::newRow("separate borders, spaced") << false << 2 << 3 << 5;
    QTest::newRow("no border, no padding") << true << 0 << 0 << 0;
}

// Three columns (80 and 120 pixels and the rest), four rows; cell (0, 1)
// wraps over many lines, the first column's cells of rows 1 and 2 are one
// cell holding more text than the two rows need otherwise.
void TestDocumentObjects::tableCellsStandInRowsAndColumns()
{
    QFETCH(bool, collapsed);
    QFETCH(int, border);
    QFETCH(int, spacing);
    QFETCH(int, padding);
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 600, 500));
    QTextCursor cursor(box.document());
    cursor.insertText(QStringLiteral("before"));
    cursor.insertBlock();
    QTextTableFormat format;
    format.setBorderCollapse(collapsed);
    format.setBorder(border);
    format.setCellSpacing(spacing);
    format.setCellPadding(padding);
    const qreal widths[] = {80, 120};
    format.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, widths[0]),
                                      QTextLength(QTextLength::FixedLength, widths[1]), QTextLength()});
    QTextTable* table = cursor.insertTable(4, 3, format);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c)
            table->cellAt(r, c).firstCursorPosition().insertText(QStringLiteral("r%1c%2").arg(r).arg(c));
    }
    table->cellAt(0, 1).lastCursorPosition().insertText(QStringLiteral(" wrapping words").repeated(12));
    table->mergeCells(1, 0, 2, 1);
    table->cellAt(1, 0).lastCursorPosition().insertText(QStringLiteral("\nmore\nand more\nand more\nstill"));
    QCoreApplication::sendPostedEvents();

    const qreal gap = collapsed ? border : 2 * border + spacing;
    for (int r = 0; r < 4; ++r) {
        // A row's cells start at one height, side by side at the columns'
        // widths.
        const QTextTableCell third = table->cellAt(r, 2);
        QCOMPARE(cellRect(box, third).top(), cellRect(box, table->cellAt(r, 1)).top());
        const qreal step = cellRect(box, third).left() - cellRect(box, table->cellAt(r, 1)).left();
        QCOMPARE(step, widths[1] + gap);
        if (r != 2) {
            QCOMPARE(cellRect(box, table->cellAt(r, 1)).top(), cellRect(box, table->cellAt(r, 0)).top());
            QCOMPARE(cellRect(box, table->cellAt(r, 1)).left() - cellRect(box, table->cellAt(r, 0)).left(),
                     widths[0] + gap);
        }
    }
    // A row is as high as its highest cell: row 0 as the wrapped cell.
    QCOMPARE(cellRect(box, table->cellAt(1, 2)).top(),
             cellBottom(box, table->cellAt(0, 1)) + 2 * padding + gap);
    QVERIFY(cellRect(box, table->cellAt(0, 1)).height() > 4 * cellRect(box, table->cellAt(0, 2)).height());
    // The merged cell fits into its two rows, the last of them taking what
    // the first does not need.
    QVERIFY(cellBottom(box, table->cellAt(1, 0)) + padding <= cellRect(box, table->cellAt(3, 2)).top() - gap);
    QCOMPARE(cellRect(box, table->cellAt(2, 2)).top(), cellBottom(box, table->cellAt(1, 2)) + 2 * padding + gap);

    // The mouse finds each cell, and the caret moves down a column.
    auto* layout = layoutOf(box);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            const int hit = layout->hitTest(cellRect(box, cell).center(), Qt::FuzzyHit);
            QCOMPARE(table->cellAt(hit), cell);
        }
    }
    QTextCursor caret = table->cellAt(0, 2).firstCursorPosition();
    box.setTextCursor(caret);
    for (int r = 1; r < 4; ++r) {
        QTest::keyClick(&box, Qt::Key_Down);
        QCOMPARE(table->cellAt(box.textCursor().position()), table->cellAt(r, 2));
    }
    QVERIFY(layout->checkTable().isEmpty());
}

void TestDocumentObjects::textOfTablesKeepsPositions()
{
    RichTextBox box;
    QTextCursor cursor(box.document());
    cursor.insertText(QStringLiteral("a"));
    cursor.insertBlock();
    QTextTable* table = cursor.insertTable(2, 3);
    const char* const cells[2][3] = {{"b", "c", "d"}, {"e", "f", "g"}};
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c)
            table->cellAt(r, c).firstCursorPosition().insertText(QString::fromLatin1(cells[r][c]));
    }
    table->mergeCells(0, 1, 2, 1);  // "f" goes into "c" as a paragraph
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("h"));
    // The empty paragraph Qt keeps before a table is the "\n" after "a".
    QCOMPARE(box.Text(), QStringLiteral("a\n\nb\tc\nf\td\ne\tg\nh"));
    QCOMPARE(box.Text().size(), box.textLength());
    const int g = int(box.Text().indexOf(u'g'));
    QCOMPARE(table->cellAt(g), table->cellAt(1, 2));
}

// Ten thousand rows: showing the table, going to its end, paging and typing
// lay out a screenful of rows each, not the table.
void TestDocumentObjects::largeTableLaysOutOnlyWhatIsShown()
{
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 500, 400));
    QTextDocument* document = box.document();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    QTextTableFormat format;
    format.setBorderCollapse(true);
    cursor.beginEditBlock();  // as a file is read
    QTextTable* table = cursor.insertTable(10000, 3, format);
    for (int r = 0; r < 10000; r += 97)
        table->cellAt(r, 1).firstCursorPosition().insertText(QStringLiteral("row %1").arg(r));
    cursor.endEditBlock();
    document->setUndoRedoEnabled(true);
    box.setTextCursor(QTextCursor(document));
    QCoreApplication::sendPostedEvents();
    box.viewport()->repaint();

    auto* layout = layoutOf(box);
    const auto measured = [&] {
        qsizetype count = 0;
        for (qsizetype i = 0; i < layout->heights().size(); ++i)
            count += layout->heights().isMeasured(i) ? 1 : 0;
        return count;
    };
    // A screenful is some 20 rows of 3 cells; each step adds at most a few.
    QVERIFY2(measured() < 300, qPrintable(QString::number(measured())));
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QCoreApplication::sendPostedEvents();
    QVERIFY(box.textCursor().atEnd());
    QVERIFY(box.viewport()->rect().contains(box.cursorRect()));
    QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_PageDown);
    QCoreApplication::sendPostedEvents();
    QVERIFY(table->cellAt(box.textCursor().position()).row() > 5);
    QTest::keyClicks(&box, QStringLiteral("x"));
    QCoreApplication::sendPostedEvents();
    box.viewport()->repaint();
    QVERIFY2(measured() < 600, qPrintable(QString::number(measured())));
    QVERIFY(layout->checkTable().isEmpty());
}

void TestDocumentObjects::picturesAreDecodedOnlyWhenShown()
{
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 500, 400));
    QTextCursor cursor(box.document());
    for (int i = 0; i < 40; ++i) {
        cursor.insertText(QStringLiteral("picture %1 ").arg(i));
        cursor.insertImage(addPicture(box.document(), png(200, 150, QColor::fromHsv(i * 9, 200, 200)), {200, 150}));
        cursor.insertBlock();
    }
    // Bytes that are no picture: a placeholder of the size given.
    cursor.insertImage(addPicture(box.document(), QByteArray("not a picture"), {60, 40}));
    PictureObject* pictures = layoutOf(box)->pictures();
    pictures->cache().setBudget(200 * 150 * 4 * 3);
    box.setTextCursor(QTextCursor(box.document()));
    QCoreApplication::sendPostedEvents();
    box.viewport()->repaint();
    QVERIFY(pictures->decodeCount() >= 1);
    QVERIFY2(pictures->decodeCount() <= 4, qPrintable(QString::number(pictures->decodeCount())));

    const QTextBlock first = box.document()->firstBlock();
    QVERIFY(box.document()->documentLayout()->blockBoundingRect(first).height() >= 150);
    const QImage shown = box.viewport()->grab().toImage();
    const QRectF picture = charRect(box, first.position() + int(first.text().indexOf(QChar::ObjectReplacementCharacter)));
    QCOMPARE(picture.width(), 200.0);
    QCOMPARE(shown.pixel(picture.center().toPoint()), QColor::fromHsv(0, 200, 200).rgb());

    for (int step = 0; step < 40; ++step) {
        box.verticalScrollBar()->setValue(box.verticalScrollBar()->value() + 300);
        QCoreApplication::sendPostedEvents();
        box.viewport()->repaint();
        QVERIFY(pictures->cache().bytes() <= pictures->cache().budget());
    }
    QVERIFY(pictures->decodeCount() >= 30);
    const QTextBlock last = box.document()->lastBlock();
    QCOMPARE(charRect(box, last.position()).width(), 60.0);
    QVERIFY(charRect(box, last.position()).height() >= 40);
}

// Pictures taller than the window together, though their paragraphs'
// lengths promise a few lines. When the scroll bar comes, the text gets
// narrower and is laid out again; until then it must keep the height it had,
// or the scroll bar goes, the text widens, and so on for ever.
void TestDocumentObjects::viewOfPicturesSettles()
{
    RichTextBox box;
    QTextCursor cursor(box.document());
    for (int i = 0; i < 3; ++i) {
        cursor.insertImage(addPicture(box.document(), png(100, 150, Qt::blue), {100, 150}));
        cursor.insertBlock();
    }
    QVERIFY(EditorInput::showExposed(box, 400, 400));
    QCoreApplication::sendPostedEvents();
    const qreal height = box.document()->documentLayout()->documentSize().height();
    QVERIFY(height > 450);
    box.document()->setPageSize(QSizeF(box.document()->pageSize().width() - 15, -1));
    QCOMPARE(box.document()->documentLayout()->documentSize().height(), height);
    QVERIFY(!layoutOf(box)->heights().isMeasured(0));  // to be laid out again all the same
}

void TestDocumentObjects::markersShowTheirTextAsTooltip()
{
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 500, 300));
    QTextCursor cursor(box.document());
    cursor.insertText(QStringLiteral("Текст"));
    const QTextCharFormat footnote = marker(RtfObjects::MarkerKind::Footnote, QStringLiteral("Источник: архив"));
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), footnote);
    cursor.insertText(QStringLiteral(" и закладка"), QTextCharFormat());
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), marker(RtfObjects::MarkerKind::Bookmark, QStringLiteral("начало")));
    QCoreApplication::sendPostedEvents();
    box.viewport()->repaint();

    const auto tooltipAt = [&](int position) {
        const QRectF rect = charRect(box, position);
        const QPoint at = (rect.center() - QPointF(box.horizontalScrollBar()->value(), box.verticalScrollBar()->value()))
                              .toPoint();
        QHelpEvent event(QEvent::ToolTip, at, box.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(box.viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(charRect(box, 5).width(), RtfObjects::DefaultMarkerSize.width());
    QCOMPARE(tooltipAt(2), QString());  // first: a tooltip takes a while to go
    QCOMPARE(tooltipAt(5), QStringLiteral("Сноска: Источник: архив"));
    QCOMPARE(tooltipAt(int(box.Text().size()) - 1), QStringLiteral("Закладка: начало"));
}

void TestDocumentObjects::listItemsShowTheirMarkers_data()
{
    QTest::addColumn<int>("style");
    QTest::newRow("disc") << int(QTextListFormat::ListDisc);
    QTest::newRow("circle") << int(QTextListFormat::ListCircle);
    QTest::newRow("square") << int(QTextListFormat::ListSquare);
    QTest::newRow("decimal") << int(QTextListFormat::ListDecimal);
    QTest::newRow("letters") << int(QTextListFormat::ListLowerAlpha);
    QTest::newRow("roman") << int(QTextListFormat::ListUpperRoman);
}

// An item stands in by its list's indent and has its marker in front; a
// paragraph indented as far without a list has nothing there.
void TestDocumentObjects::listItemsShowTheirMarkers()
{
    QFETCH(int, style);
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 400, 200));
    QTextCursor cursor(box.document());
    QTextBlockFormat indented;
    indented.setIndent(2);
    cursor.setBlockFormat(indented);
    cursor.insertText(QStringLiteral("plain"));
    cursor.insertBlock(QTextBlockFormat());
    QTextListFormat format;
    format.setStyle(QTextListFormat::Style(style));
    format.setIndent(2);
    cursor.createList(format);
    cursor.insertText(QStringLiteral("item"));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("item"));
    QCoreApplication::sendPostedEvents();
    box.viewport()->repaint();
    const QImage shown = box.viewport()->grab().toImage();

    const auto inkBefore = [&](int blockNumber) {
        const QTextBlock block = box.document()->findBlockByNumber(blockNumber);
        const QRectF text = charRect(box, block.position());
        int ink = 0;
        for (int x = int(text.left()) - 30; x < int(text.left()) - 1; ++x) {
            for (int y = int(text.top()); y < int(text.bottom()); ++y)
                ink += shown.pixelColor(x, y).lightness() < 128 ? 1 : 0;
        }
        return std::pair(text.left(), ink);
    };
    const auto [plainLeft, plainInk] = inkBefore(0);
    const auto [itemLeft, itemInk] = inkBefore(1);
    QCOMPARE(itemLeft, plainLeft);
    QCOMPARE(plainInk, 0);
    QVERIFY(itemInk > 3);
    QVERIFY(inkBefore(2).second > 3);
}

// Printed to PDF: the pictures' bytes reach Qt's layout of the copy it
// prints, for the whole document and for a selection.
void TestDocumentObjects::printingShowsPicturesAndTables()
{
    RichTextBox box;
    QTextCursor cursor(box.document());
    cursor.insertText(QStringLiteral("picture "));
    cursor.insertImage(addPicture(box.document(), png(60, 40, Qt::red), {60, 40}));
    cursor.insertText(QStringLiteral(" footnote"));
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), marker(RtfObjects::MarkerKind::Footnote, QStringLiteral("x")));
    cursor.insertBlock();
    QTextTable* table = cursor.insertTable(2, 2);
    table->cellAt(1, 1).firstCursorPosition().insertText(QStringLiteral("cell"));
    QTemporaryDir dir;
    const auto print = [&](const QString& name) {
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(name));
        box.SelPrint(&printer);
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QVERIFY(print(QStringLiteral("whole.pdf")).contains("/Subtype /Image"));
    QTextCursor selection(box.document());
    selection.setPosition(3);
    selection.setPosition(12, QTextCursor::KeepAnchor);
    box.setTextCursor(selection);
    QVERIFY(print(QStringLiteral("selection.pdf")).contains("/Subtype /Image"));
    selection.setPosition(0);
    selection.setPosition(4, QTextCursor::KeepAnchor);
    box.setTextCursor(selection);
    QVERIFY(!print(QStringLiteral("text.pdf")).contains("/Subtype /Image"));
}

QTEST_MAIN(TestDocumentObjects)
#include "tst_documentobjects.moc"
