// Large documents in the editor: the index of paragraph heights against a
// plain model, loading and moving through documents of hundreds of thousands
// of paragraphs, a view that stays put while estimated heights become real
// ones, and paints that lay nothing out.

#include "helpers/EditorInput.h"
#include "helpers/TestFiles.h"
#include "platform/BlockHeightIndex.h"
#include "platform/LazyDocumentLayout.h"
#include "platform/RichTextBox.h"

#include <QAbstractTextDocumentLayout>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <vector>

namespace {

QByteArray rtf(const QByteArray& body)
{
    return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs28 " + body + "}";
}

// Paragraphs whose heights the estimates get wrong: wrapped ones of many
// lengths, and every third one in a large font.
QByteArray unevenParagraphs(int count)
{
    QByteArray body;
    for (int i = 0; i < count; ++i) {
        body += i % 3 == 0 ? "\\pard\\qc\\fs56 " : "\\pard\\fs24 ";
        body += "P" + QByteArray::number(i);
        for (int w = 0; w < (i * 7) % 60; ++w)
            body += " word";
        body += "\\par\n";
    }
    return rtf(body);
}

// Loads the bytes through a file, as opening a document does.
void load(RichTextBox& box, const QByteArray& bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("document"));
    QVERIFY(TestFiles::writeFile(path, bytes));
    QVERIFY(box.LoadFile(path));
}

// As the event loop paints: the work posted before the paint runs first.
void paint(RichTextBox& box)
{
    QCoreApplication::sendPostedEvents();
    box.viewport()->repaint();
}

// Where the caret would be drawn for a position, in viewport pixels.
QRect caretRect(RichTextBox& box, int position)
{
    QTextCursor cursor(box.document());
    cursor.setPosition(position);
    return box.cursorRect(cursor);
}

} // namespace

class TestLargeDocument : public QObject
{
    Q_OBJECT

private slots:
    void heightIndexAgreesWithPlainSums();
    void movesToTheEndAndEditsThere_data();
    void movesToTheEndAndEditsThere();
    void thousandsOfLineBreaksSplitIntoParagraphs();
    void alignmentAndFormatsAreShown();
    void scrollingUpKeepsWhatIsShownInPlace();
    void scrollBarReachesTheEnd();
    void clickLandsUnderThePointer();
    void paintingLaysNothingOut_data();
    void paintingLaysNothingOut();
};

// Random replacements, measurements and re-estimates against a vector of
// heights summed by hand.
void TestLargeDocument::heightIndexAgreesWithPlainSums()
{
    QRandomGenerator random(20261207);
    BlockHeightIndex index;
    BlockHeightIndex::Estimate estimate;
    estimate.lineHeight = 10;
    estimate.charWidth = 2;
    estimate.lineWidth = 100;
    index.setEstimate(estimate);
    std::vector<qreal> model;
    std::vector<qsizetype> lengths;
    std::vector<BlockHeightIndex::Kind> kinds;  // table rows' paragraphs and separators estimate differently
    const auto estimated = [&](size_t i) { return index.estimate().height(lengths[i], kinds[i]); };

    for (int step = 0; step < 3000; ++step) {
        const int action = random.bounded(10);
        const qsizetype size = qsizetype(model.size());
        if (action < 5 || size == 0) {
            const qsizetype first = size ? random.bounded(int(size + 1)) : 0;
            const qsizetype removed = std::min<qsizetype>(size - first, random.bounded(action == 0 ? 600 : 4));
            std::vector<BlockHeightIndex::Item> added(size_t(random.bounded(action == 1 ? 700 : 4)));
            for (BlockHeightIndex::Item& item : added)
                item = {1 + random.bounded(300), BlockHeightIndex::Kind(random.bounded(4))};
            index.replace(first, removed, added);
            model.erase(model.begin() + first, model.begin() + first + removed);
            lengths.erase(lengths.begin() + first, lengths.begin() + first + removed);
            kinds.erase(kinds.begin() + first, kinds.begin() + first + removed);
            for (size_t i = 0; i < added.size(); ++i) {
                const size_t at = size_t(first) + i;
                lengths.insert(lengths.begin() + qsizetype(at), added[i].length);
                kinds.insert(kinds.begin() + qsizetype(at), added[i].kind);
                model.insert(model.begin() + qsizetype(at), estimated(at));
                QCOMPARE(index.kind(qsizetype(at)), added[i].kind);
            }
        } else if (action < 8) {
            const qsizetype at = random.bounded(int(size));
            const qreal height = random.bounded(50);
            const qreal before = model[size_t(at)];
            QCOMPARE(index.setMeasured(at, height, lengths[size_t(at)]), height - before);
            model[size_t(at)] = height;
        } else if (action < 9) {
            const qsizetype at = random.bounded(int(size));
            if (random.bounded(2)) {
                index.setEstimated(at, lengths[size_t(at)]);
                model[size_t(at)] = estimated(size_t(at));
            } else {
                index.keepAsEstimate(at);  // the height stays until the next estimate
                QVERIFY(!index.isMeasured(at));
            }
        } else {
            estimate.lineWidth = 50 + random.bounded(200);
            index.setEstimate(estimate);
            for (size_t i = 0; i < model.size(); ++i) {
                if (!index.isMeasured(qsizetype(i)))
                    model[i] = estimated(i);
            }
        }

        QCOMPARE(index.size(), qsizetype(model.size()));
        qreal sum = 0;
        for (size_t i = 0; i < model.size(); ++i) {
            if (i % 37 == 0 || i + 1 == model.size()) {
                QCOMPARE(index.top(qsizetype(i)), sum);
                QCOMPARE(index.height(qsizetype(i)), model[i]);
            }
            // The paragraph that holds a point inside it, and its top edge
            if (model[i] > 0 && i % 11 == 0) {
                QCOMPARE(index.indexAt(sum + model[i] / 2), qsizetype(i));
                QCOMPARE(index.indexAt(sum), qsizetype(i));
            }
            sum += model[i];
        }
        QCOMPARE(index.total(), sum);
        if (!model.empty()) {
            QCOMPARE(index.indexAt(-5), qsizetype(0));
            QCOMPARE(index.indexAt(sum + 5), qsizetype(model.size() - 1));
        }
    }
}

void TestLargeDocument::movesToTheEndAndEditsThere_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("paragraphs");

    QByteArray pars;
    for (int i = 0; i < 400000; ++i)
        pars += "\\par ";
    QTest::newRow("400,000 empty RTF paragraphs") << rtf(pars) << 400001;

    QByteArray lines;
    for (int i = 0; i < 100000; ++i)
        lines += "строка " + QByteArray::number(i) + " of a plain text file\n";
    QTest::newRow("100,000 lines of text") << lines << 100001;

    // Binary data or an encoded picture: nowhere to break a line
    QTest::newRow("a paragraph of 1,000,000 characters without a break") << QByteArray(1000000, 'x') << 1;
}

// Hangs showed here first: Ctrl+End on a few hundred thousand paragraphs.
void TestLargeDocument::movesToTheEndAndEditsThere()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, paragraphs);

    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 600, 400));
    load(box, bytes);
    paint(box);
    QCOMPARE(box.document()->blockCount(), paragraphs);
    QCOMPARE(box.SelStart(), 0);

    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    paint(box);
    QCOMPARE(box.SelStart(), box.textLength());
    QVERIFY(box.viewport()->rect().contains(box.cursorRect().center()));

    QTest::keyClicks(&box, "xyz");
    paint(box);
    QVERIFY(box.Text().endsWith(QLatin1String("xyz")));
    QCOMPARE(box.Text().size(), box.textLength());
    QCOMPARE(box.SelStart(), box.textLength());

    QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_PageDown);
    paint(box);
    QVERIFY(box.SelStart() > 0);
    QVERIFY(box.viewport()->rect().contains(box.cursorRect().center()));

    box.selectAll();
    QCOMPARE(box.SelLength(), box.textLength());
}

void TestLargeDocument::thousandsOfLineBreaksSplitIntoParagraphs()
{
    QByteArray body = "\\qr ";
    for (int i = 0; i < 2500; ++i)
        body += "a\\line ";
    RichTextBox box;
    box.setTextRTF(rtf(body));
    // 1000 line breaks stay in a paragraph; the next one starts another.
    QCOMPARE(box.document()->blockCount(), 3);
    QCOMPARE(box.Text(), QStringLiteral("a\n").repeated(2500));
    QCOMPARE(box.document()->firstBlock().text().count(QChar::LineSeparator), 1000);
    box.setSelStart(box.textLength());
    QCOMPARE(box.SelAlignment(), std::optional<int>(1));
}

void TestLargeDocument::alignmentAndFormatsAreShown()
{
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 500, 300));
    load(box, rtf("\\pard\\ql left\\par\\pard\\qc {\\b centre}\\par\\pard\\qr {\\i right}\\par"));
    paint(box);
    QTextBlock block = box.document()->firstBlock();
    const auto lineX = [&](const QTextBlock& b) {
        box.document()->documentLayout()->blockBoundingRect(b);
        return b.layout()->lineAt(0).cursorToX(0);
    };
    const qreal left = lineX(block);
    block = block.next();
    const qreal centre = lineX(block);
    const qreal right = lineX(block.next());
    QVERIFY2(left < centre && centre < right, qPrintable(QStringLiteral("%1 %2 %3").arg(left).arg(centre).arg(right)));

    box.setSelStart(box.Text().indexOf(QLatin1String("centre")) + 1);
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    QCOMPARE(box.SelAlignment(), std::optional<int>(2));
    box.setSelStart(box.Text().indexOf(QLatin1String("right")) + 1);
    QCOMPARE(box.SelItalic(), std::optional<bool>(true));
    QCOMPARE(box.SelAlignment(), std::optional<int>(1));

    // What is drawn: the centred word's pixels lie right of the left word's.
    const QImage image = box.viewport()->grab().toImage();
    const auto firstInk = [&](int top, int bottom) {
        for (int x = 0; x < image.width(); ++x)
            for (int y = top; y < bottom; ++y)
                if (qGray(image.pixel(x, y)) < 128)
                    return x;
        return -1;
    };
    const QRect leftRect = caretRect(box, 0);
    const QRect centreRect = caretRect(box, int(box.Text().indexOf(QLatin1String("centre"))));
    QVERIFY(firstInk(leftRect.top(), leftRect.bottom()) < firstInk(centreRect.top(), centreRect.bottom()));
}

// Estimated paragraphs above the view become real as they scroll in; what
// the user sees moves exactly as far as the scroll, no more.
void TestLargeDocument::scrollingUpKeepsWhatIsShownInPlace()
{
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 500, 300));
    load(box, unevenParagraphs(3000));
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    paint(box);
    // Move the caret out of the way: the view keeps the text in view in place.
    QScrollBar* bar = box.verticalScrollBar();
    for (int step = 0; step < 40; ++step) {
        const int marker = box.cursorForPosition(QPoint(100, 150)).position();
        const int before = caretRect(box, marker).top();
        bar->setValue(bar->value() - 90);
        paint(box);
        QCOMPARE(caretRect(box, marker).top(), before + 90);
    }
}

void TestLargeDocument::scrollBarReachesTheEnd()
{
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 500, 300));
    load(box, unevenParagraphs(3000));
    paint(box);
    QScrollBar* bar = box.verticalScrollBar();
    // The range follows the heights learnt on the way; a few drags settle it.
    for (int drag = 0; drag < 5 && bar->value() != bar->maximum(); ++drag) {
        bar->setValue(bar->maximum());
        paint(box);
    }
    bar->setValue(bar->maximum());
    paint(box);
    QCOMPARE(bar->value(), bar->maximum());
    const QRect end = caretRect(box, int(box.textLength()));
    QVERIFY(box.viewport()->rect().contains(end.center()));
}

void TestLargeDocument::clickLandsUnderThePointer()
{
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 500, 300));
    load(box, unevenParagraphs(3000));
    QScrollBar* bar = box.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    paint(box);
    const int target = box.cursorForPosition(QPoint(120, 140)).position();
    const QRect rect = caretRect(box, target);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, rect.center() + QPoint(1, 0));
    QCOMPARE(box.SelStart(), target);
    QCOMPARE(caretRect(box, target), rect);
}

void TestLargeDocument::paintingLaysNothingOut_data()
{
    QTest::addColumn<int>("change");
    QTest::newRow("scroll bar dragged") << 0;
    QTest::newRow("window narrowed") << 1;
    QTest::newRow("another document loaded") << 2;
    QTest::newRow("paragraphs inserted above the caret") << 3;
}

// What is about to be shown is laid out before the paint; the paint itself
// lays nothing out and moves neither the scroll range nor the view.
void TestLargeDocument::paintingLaysNothingOut()
{
    QFETCH(int, change);
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 500, 300));
    load(box, unevenParagraphs(3000));
    QScrollBar* bar = box.verticalScrollBar();
    switch (change) {
    case 0:
        bar->setValue(bar->maximum() / 2);
        break;
    case 1:
        box.resize(380, 300);
        break;
    case 2:
        load(box, unevenParagraphs(2000));
        break;
    default:
        // Not the editor's cursor: the view stays where it is, over new text.
        QTextCursor(box.document()).insertText(QStringLiteral("inserted\n").repeated(200));
        QCoreApplication::sendPostedEvents();
        break;
    }
    auto* layout = qobject_cast<LazyDocumentLayout*>(box.document()->documentLayout());
    QVERIFY(layout->isLaidOut(bar->value(), box.viewport()->height()));
    const qreal total = layout->heights().total();
    const int value = bar->value();
    const int maximum = bar->maximum();
    QSignalSpy sizes(layout, &QAbstractTextDocumentLayout::documentSizeChanged);
    box.viewport()->repaint();
    QCOMPARE(layout->heights().total(), total);
    QCOMPARE(sizes.count(), 0);
    QCOMPARE(bar->maximum(), maximum);
    QCOMPARE(bar->value(), value);
}

QTEST_MAIN(TestLargeDocument)
#include "tst_largedocument.moc"
