// The RTF kept up to date piece by piece says what the whole-document writer
// says of the same document, after any edits, however the writing was cut
// into turns: random edits (typing, deletions across paragraphs and pieces,
// paragraph splits and joins, formats, alignment, tables, undo) on a
// document of long and short paragraphs, checked by reading both back.

#include "helpers/TextChecks.h"
#include "rtf/IncrementalRtfWriter.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace {

// Paragraphs with their alignment, and runs of equal formatting with their
// text, of the document the RTF reads back as.
QString readBack(const QByteArray& rtf)
{
    QTextDocument document;
    if (!RtfReader::read(rtf, &document))
        return QStringLiteral("(not RTF)");
    QString out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        out += QStringLiteral("[%1]").arg(int(block.blockFormat().alignment()));
        QString last;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString format = TextChecks::describe(it.fragment().charFormat());
            if (format != last)
                out += u'{' + format + u'}';
            last = format;
            out += TextChecks::visible(it.fragment().text());
        }
        out += u'\n';
    }
    return out;
}

QTextCharFormat randomFormat(QRandomGenerator& random)
{
    QTextCharFormat format;
    format.setFontWeight(random.bounded(2) ? QFont::Bold : QFont::Normal);
    format.setFontItalic(random.bounded(3) == 0);
    if (random.bounded(4) == 0)
        format.setForeground(QColor::fromRgb(random.bounded(256), 0, 128));
    if (random.bounded(5) == 0)
        format.setFontFamilies({QStringLiteral("Arial")});
    return format;
}

QString randomText(QRandomGenerator& random, int length)
{
    static const QString letters = QStringLiteral("абвгдеёжзabcdefgh ,.{}\\\t");
    QString text;
    for (int i = 0; i < length; ++i)
        text += letters.at(random.bounded(int(letters.size())));
    return text;
}

// One edit a user could make, somewhere in the document.
void edit(QTextDocument& document, QRandomGenerator& random)
{
    const int length = document.characterCount() - 1;
    QTextCursor cursor(&document);
    cursor.setPosition(random.bounded(length + 1));
    const auto selectSome = [&](int most) {
        cursor.setPosition(std::min(length, cursor.position() + random.bounded(most) + 1), QTextCursor::KeepAnchor);
    };
    switch (random.bounded(9)) {
    case 0:
    case 1:
        cursor.insertText(randomText(random, 1 + random.bounded(6)), randomFormat(random));
        break;
    case 2:
        selectSome(random.bounded(2) ? 5 : 400);
        cursor.removeSelectedText();
        break;
    case 3:
        cursor.insertBlock();
        break;
    case 4:
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.deleteChar();  // joins the next paragraph
        break;
    case 5:
        selectSome(300);
        cursor.mergeCharFormat(randomFormat(random));
        break;
    case 6: {
        QTextBlockFormat block;
        block.setAlignment(random.bounded(2) ? Qt::AlignHCenter : Qt::AlignRight);
        selectSome(200);
        cursor.mergeBlockFormat(block);
        break;
    }
    case 7:
        if (!cursor.currentTable() && random.bounded(4) == 0) {
            QTextTable* table = cursor.insertTable(2, 2);
            table->cellAt(1, 1).firstCursorPosition().insertText(QStringLiteral("клетка"));
            break;
        }
        [[fallthrough]];
    default:
        document.undo();
        break;
    }
}

} // namespace

class TestIncrementalRtf : public QObject
{
    Q_OBJECT

private slots:
    void saysWhatTheWholeWriterSays_data();
    void saysWhatTheWholeWriterSays();
};

void TestIncrementalRtf::saysWhatTheWholeWriterSays_data()
{
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<quint32>("seed");
    for (const int size : {1, 40, 300, IncrementalRtfWriter::PieceSize}) {
        for (const quint32 seed : {1u, 2u, 3u})
            QTest::addRow("pieces of %d, seed %u", size, seed) << size << seed;
    }
}

void TestIncrementalRtf::saysWhatTheWholeWriterSays()
{
    QFETCH(int, pieceSize);
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    QTextDocument document;
    QTextCursor cursor(&document);
    for (int paragraph = 0; paragraph < 40; ++paragraph) {
        if (paragraph)
            cursor.insertBlock();
        const int words = paragraph % 10 == 3 ? 200 : 1 + random.bounded(12);
        for (int word = 0; word < words; ++word)
            cursor.insertText(randomText(random, 2 + random.bounded(8)) + u' ', randomFormat(random));
    }
    IncrementalRtfWriter incremental(&document, pieceSize);

    for (int step = 1; step <= 150; ++step) {
        edit(document, random);
        // Some turns stop at once, after one piece; edits land between them.
        if (random.bounded(3) == 0)
            incremental.update(QDeadlineTimer(0));
        if (step % 10 != 0)
            continue;
        QVERIFY(incremental.update());
        QVERIFY(incremental.isCurrent());
        QCOMPARE(readBack(incremental.pieces().join()).split(u'\n'), readBack(RtfWriter::write(&document)).split(u'\n'));
    }
}

QTEST_MAIN(TestIncrementalRtf)
#include "tst_incrementalrtf.moc"
