#include "platform/RichTextBox.h"
#include "helpers/EditorInput.h"
#include "helpers/DocumentCensus.h"
#include "helpers/TestFiles.h"
#include "rtf/RtfObjects.h"
#include "rtf/RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <array>
#include <optional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// QCOMPARE prints the tri-state reads.
namespace QTest {
#define OPTIONAL_TO_STRING(T) \
    template <> \
    char* toString(const std::optional<T>& value) \
    { \
        return value ? QTest::toString(*value) : qstrdup("nullopt"); \
    }
OPTIONAL_TO_STRING(bool)
OPTIONAL_TO_STRING(int)
OPTIONAL_TO_STRING(float)
OPTIONAL_TO_STRING(QString)
OPTIONAL_TO_STRING(QColor)
#undef OPTIONAL_TO_STRING
} // namespace QTest

namespace {

qsizetype pdfPageCount(const QByteArray& pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return QString::fromLatin1(pdf).count(page);
}

using StyleValues = QList<std::optional<bool>>;

struct Style {
    const char* name;
    std::optional<bool> (RichTextBox::*get)() const;
    void (RichTextBox::*set)(bool);
};

const Style Styles[] = {
    {"bold", &RichTextBox::SelBold, &RichTextBox::setSelBold},
    {"italic", &RichTextBox::SelItalic, &RichTextBox::setSelItalic},
    {"underline", &RichTextBox::SelUnderline, &RichTextBox::setSelUnderline},
    {"strikethrough", &RichTextBox::SelStrikeThru, &RichTextBox::setSelStrikeThru},
};

} // namespace

class TestRichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void startsEmptyInTimesNewRoman();
    void positionsInTextMatchSelStart();
    void selectionIsClampedToText();
    void writingSelTextLeavesCaretAfterIt();
    void characterStylesReadTriState_data();
    void characterStylesReadTriState();
    void underlineOfAnyStyleCounts();
    void caretFormatIsWhatTypingUses();
    void fontNameSizeAndColour();
    void paragraphAlignment();
    void formattingReadsEveryCharacter_data();
    void formattingReadsEveryCharacter();
    void loadFileDecidesByContent();
    void failedLoadLeavesDocument();
    void savedRtfReadsBack();
    void failedSaveKeepsOldFile();
    void selRtfInsertsFormattedOrPlain();
    void keyPressComesBeforeInsertion();
    void keyPressCanChangeOrCancel();
    void keyPressCoversEnterAndTabOnly();
    void inputMethodTextGoesThroughKeyPress();
    void insertTogglesOverwrite();
    void selChangeFollowsCaret();
    void mouseEventsReportButtonAndShift();
    void noContextMenuOfItsOwn();
    void rightMarginSetsLineLength();
    void selPrintPrintsSelectionOrAll();
    void ownClipboardAndDropsCarryPlainText();
    void keptElementsFollowEdits();
    void documentWithTablesAndPicturesIsShown();
};

void TestRichTextBox::startsEmptyInTimesNewRoman()
{
    RichTextBox box;
    QCOMPARE(box.Text(), QString());
    QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("Times New Roman")));
    QCOMPARE(box.SelFontSize(), std::optional<float>(14.25f));
    QCOMPARE(box.SelBold(), std::optional<bool>(false));
    QVERIFY(!box.overwriteMode());

    QTest::keyClicks(&box, QStringLiteral("abc"));
    box.setSelStart(0);
    box.setSelLength(3);
    QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("Times New Roman")));
    QCOMPARE(box.SelFontSize(), std::optional<float>(14.25f));
    QCOMPARE(box.SelBold(), std::optional<bool>(false));

    // RTF stores half points: 14.25 comes back as the nearest of them.
    const QByteArray rtf = box.TextRTF();
    QVERIFY(rtf.size() >= box.Text().size());
    RichTextBox copy;
    copy.setTextRTF(rtf);
    QCOMPARE(copy.Text(), QStringLiteral("abc"));
    copy.setSelLength(3);
    QCOMPARE(copy.SelFontName(), std::optional<QString>(QStringLiteral("Times New Roman")));
    QVERIFY(copy.SelFontSize());
    QVERIFY(qAbs(*copy.SelFontSize() - 14.25f) <= 0.25f);
}

void TestRichTextBox::positionsInTextMatchSelStart()
{
    RichTextBox box;
    box.setText(QStringLiteral("первый\nвторой\n\nчетвёртый"));
    // a line break inside a paragraph, as Shift+Enter makes it
    box.setSelStart(box.Text().indexOf(QStringLiteral("второй")) + 3);
    QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
    // a non-breaking space and a picture (an object character)
    box.setSelStart(box.textLength());
    box.setSelText(QString(QChar::Nbsp) + QStringLiteral("x"));
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QTextCursor cursor = box.textCursor();
    cursor.insertImage(picture);
    box.setTextCursor(cursor);
    box.setSelText(QStringLiteral("конец"));

    const QString text = box.Text();
    QCOMPARE(text.size(), box.textLength());
    QCOMPARE(text.count(QLatin1Char('\n')), 4);
    QVERIFY(text.contains(QChar::Nbsp));
    QVERIFY(text.contains(QChar::ObjectReplacementCharacter));
    for (const QString& word : {QStringLiteral("первый"), QStringLiteral("вто"), QStringLiteral("рой"),
                                QStringLiteral("четвёртый"), QStringLiteral("x"), QStringLiteral("конец")}) {
        const qsizetype at = text.indexOf(word);
        box.setSelStart(at);
        box.setSelLength(word.size());
        QCOMPARE(box.SelStart(), at);
        QCOMPARE(box.SelText(), word);
    }
    box.setSelStart(0);
    box.setSelLength(text.size());
    QCOMPARE(box.SelText(), text);
}

void TestRichTextBox::selectionIsClampedToText()
{
    RichTextBox box;
    box.setText(QStringLiteral("abc\ndef"));
    box.setSelStart(-5);
    QCOMPARE(box.SelStart(), 0);
    box.setSelStart(100);
    QCOMPARE(box.SelStart(), 7);
    QCOMPARE(box.SelLength(), 0);

    box.setSelStart(5);
    box.setSelLength(100);
    QCOMPARE(box.SelStart(), 5);
    QCOMPARE(box.SelLength(), 2);
    QCOMPARE(box.SelText(), QStringLiteral("ef"));
    QVERIFY(!box.isSelectionEmpty());
    box.setSelLength(-3);
    QCOMPARE(box.SelStart(), 5);
    QCOMPARE(box.SelLength(), 0);
    QVERIFY(box.isSelectionEmpty());

    box.setSelStart(1);
    box.setSelLength(3);
    box.setSelStart(2);  // collapses the selection
    QCOMPARE(box.SelLength(), 0);
    QCOMPARE(box.SelText(), QString());
}

void TestRichTextBox::writingSelTextLeavesCaretAfterIt()
{
    RichTextBox box;
    box.setText(QStringLiteral("один два три"));
    EditorInput::selectWord(box, QStringLiteral("два"));
    box.setSelText(QStringLiteral("2\nдва"));
    QCOMPARE(box.Text(), QStringLiteral("один 2\nдва три"));
    QCOMPARE(box.SelStart(), 10);
    QCOMPARE(box.SelLength(), 0);
    QCOMPARE(box.document()->blockCount(), 2);

    box.setSelStart(0);
    box.setSelText(QStringLiteral(">"));
    QCOMPARE(box.Text(), QStringLiteral(">один 2\nдва три"));
    QCOMPARE(box.SelStart(), 1);

    // CR LF from other programs is one paragraph break
    box.setSelText(QStringLiteral("a\r\nb"));
    QCOMPARE(box.Text(), QStringLiteral(">a\nbодин 2\nдва три"));
    QCOMPARE(box.SelStart(), 4);

    EditorInput::selectWord(box, QStringLiteral(" три"));
    box.setSelText(QString());
    QCOMPARE(box.Text(), QStringLiteral(">a\nbодин 2\nдва"));
}

void TestRichTextBox::characterStylesReadTriState_data()
{
    QTest::addColumn<int>("style");
    for (int i = 0; i < int(std::size(Styles)); ++i)
        QTest::newRow(Styles[i].name) << i;
}

void TestRichTextBox::characterStylesReadTriState()
{
    QFETCH(int, style);
    const Style& s = Styles[style];
    RichTextBox box;
    box.setText(QStringLiteral("plain styled plain"));
    EditorInput::selectWord(box, QStringLiteral("styled"));
    (box.*s.set)(true);
    QCOMPARE((box.*s.get)(), std::optional<bool>(true));

    box.setSelStart(9);  // caret inside the styled word
    QCOMPARE((box.*s.get)(), std::optional<bool>(true));
    box.setSelStart(2);
    QCOMPARE((box.*s.get)(), std::optional<bool>(false));

    box.setSelStart(3);
    box.setSelLength(6);  // half plain, half styled
    QCOMPARE((box.*s.get)(), std::nullopt);

    // as the toolbar toggles: writing a value makes a mixed selection uniform
    (box.*s.set)(true);
    QCOMPARE((box.*s.get)(), std::optional<bool>(true));
    (box.*s.set)(false);
    QCOMPARE((box.*s.get)(), std::optional<bool>(false));
    box.setSelStart(11);  // the rest of the word keeps its style
    QCOMPARE((box.*s.get)(), std::optional<bool>(true));
    box.setSelStart(8);
    QCOMPARE((box.*s.get)(), std::optional<bool>(false));
}

void TestRichTextBox::underlineOfAnyStyleCounts()
{
    RichTextBox box;
    box.setText(QStringLiteral("wavy text"));
    QTextCursor cursor(box.document());
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    QTextCharFormat wavy;
    wavy.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    cursor.mergeCharFormat(wavy);

    EditorInput::selectWord(box, QStringLiteral("wavy"));
    QCOMPARE(box.SelUnderline(), std::optional<bool>(true));
    box.setSelUnderline(false);
    QCOMPARE(box.SelUnderline(), std::optional<bool>(false));
}

void TestRichTextBox::caretFormatIsWhatTypingUses()
{
    RichTextBox box;
    box.setText(QStringLiteral("ab"));
    box.setSelStart(1);
    box.setSelBold(true);
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    QCOMPARE(box.Text(), QStringLiteral("ab"));
    QTest::keyClicks(&box, QStringLiteral("X"));
    QCOMPARE(box.Text(), QStringLiteral("aXb"));
    EditorInput::selectWord(box, QStringLiteral("X"));
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    EditorInput::selectWord(box, QStringLiteral("a"));
    QCOMPARE(box.SelBold(), std::optional<bool>(false));

    box.setSelStart(box.textLength());
    box.setSelFontName(QStringLiteral("DejaVu Sans"));
    box.setSelFontSize(20.5f);
    box.setSelColor(QColor(200, 10, 20));
    QTest::keyClicks(&box, QStringLiteral("Y"));
    EditorInput::selectWord(box, QStringLiteral("Y"));
    QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("DejaVu Sans")));
    QCOMPARE(box.SelFontSize(), std::optional<float>(20.5f));
    QCOMPARE(box.SelColor(), std::optional<QColor>(QColor(200, 10, 20)));
}

void TestRichTextBox::fontNameSizeAndColour()
{
    RichTextBox box;
    box.setText(QStringLiteral("alpha beta"));
    EditorInput::selectWord(box, QStringLiteral("beta"));
    box.setSelFontName(QStringLiteral("Arial"));
    box.setSelFontSize(9.5f);
    box.setSelColor(QColor(10, 20, 30));
    QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
    QCOMPARE(box.SelFontSize(), std::optional<float>(9.5f));
    QCOMPARE(box.SelColor(), std::optional<QColor>(QColor(10, 20, 30)));

    // values that name nothing change nothing
    box.setSelFontName(QString());
    box.setSelFontSize(0);
    box.setSelColor(QColor());
    QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
    QCOMPARE(box.SelFontSize(), std::optional<float>(9.5f));
    QCOMPARE(box.SelColor(), std::optional<QColor>(QColor(10, 20, 30)));

    EditorInput::selectWord(box, QStringLiteral("alpha"));
    QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("Times New Roman")));
    QCOMPARE(box.SelColor(), std::optional<QColor>(box.palette().color(QPalette::Text)));

    box.setSelStart(0);
    box.setSelLength(box.textLength());
    QCOMPARE(box.SelFontName(), std::nullopt);
    QCOMPARE(box.SelFontSize(), std::nullopt);
    QCOMPARE(box.SelColor(), std::nullopt);

    RichTextBox copy;
    copy.setTextRTF(box.TextRTF());
    EditorInput::selectWord(copy, QStringLiteral("beta"));
    QCOMPARE(copy.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
    QCOMPARE(copy.SelFontSize(), std::optional<float>(9.5f));
    QCOMPARE(copy.SelColor(), std::optional<QColor>(QColor(10, 20, 30)));
}

// SelFormatting, which walks runs and skips what the document's formats
// already decide, against a reading of every selected character.
void TestRichTextBox::formattingReadsEveryCharacter_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    // "жирный курсив черта" (0-19), "второй абзац" (20-32, centred), an
    // empty paragraph (33), "последний" (34-43).
    QTest::newRow("caret in bold") << 2 << 0;
    QTest::newRow("one run") << 0 << 6;
    QTest::newRow("two runs") << 3 << 8;
    QTest::newRow("first paragraph with its break") << 0 << 20;
    QTest::newRow("paragraph start to the middle of the next") << 20 << 17;
    QTest::newRow("middle to middle over three breaks") << 10 << 26;
    QTest::newRow("only the empty paragraph's break") << 33 << 1;
    QTest::newRow("whole document") << 0 << 43;
}

void TestRichTextBox::formattingReadsEveryCharacter()
{
    QFETCH(int, start);
    QFETCH(int, length);
    RichTextBox box;
    box.setText(QStringLiteral("жирный курсив черта\nвторой абзац\n\nпоследний"));
    QTextDocument& doc = *box.document();
    const auto format = [&](int from, int to, QTextCharFormat f) {
        QTextCursor cursor(&doc);
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(f);
    };
    QTextCharFormat bold, italic, struck, underlined;
    bold.setFontWeight(QFont::Bold);
    italic.setFontItalic(true);
    struck.setFontStrikeOut(true);
    underlined.setFontUnderline(true);
    format(0, 6, bold);
    format(7, 13, italic);
    format(14, 19, struck);
    format(14, 19, bold);
    format(20, 26, underlined);
    format(34, 43, bold);
    format(34, 43, italic);
    // A format of the document that no character uses any more.
    QTextCursor gone(&doc);
    gone.setPosition(33);
    gone.insertText(QStringLiteral("удалённое"), struck);
    gone.setPosition(33, QTextCursor::KeepAnchor);
    gone.removeSelectedText();
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    QTextCursor(doc.findBlock(20)).mergeBlockFormat(centred);
    box.setSelStart(start);
    box.setSelLength(length);

    // Each style over every selected character but paragraph breaks, or the
    // typing format without one; the alignment over the paragraphs touched.
    const auto bits = [](const QTextCharFormat& f) {
        return std::array<bool, 4>{f.fontWeight() >= QFont::DemiBold, f.fontItalic(), f.fontUnderline(),
                                   f.fontStrikeOut()};
    };
    QList<std::array<bool, 4>> chars;
    for (int p = start; p < start + length; ++p) {
        QTextCursor at(&doc);
        at.setPosition(p + 1);
        if (doc.characterAt(p) != QChar::ParagraphSeparator)
            chars.append(bits(at.charFormat()));
    }
    if (chars.isEmpty())
        chars.append(bits(box.textCursor().charFormat()));
    const auto uniform = [&chars](int i) -> std::optional<bool> {
        for (const auto& c : chars) {
            if (c[i] != chars.first()[i])
                return std::nullopt;
        }
        return chars.first()[i];
    };
    const int firstBlock = doc.findBlock(start).blockNumber();
    const int lastBlock = doc.findBlock(length > 0 ? start + length - 1 : start).blockNumber();
    std::optional<int> alignment = ParagraphAlignment::Left;  // only paragraph 1 is centred
    if (firstBlock <= 1 && lastBlock >= 1)
        alignment = firstBlock == lastBlock ? std::optional<int>(ParagraphAlignment::Center) : std::nullopt;
    const RichTextBox::Formatting read = box.SelFormatting();
    const StyleValues shown = {read.bold, read.italic, read.underline, read.strikeThru};
    QCOMPARE(shown, (StyleValues{uniform(0), uniform(1), uniform(2), uniform(3)}));
    QCOMPARE(read.alignment, alignment);
    QCOMPARE(shown, (StyleValues{box.SelBold(), box.SelItalic(), box.SelUnderline(), box.SelStrikeThru()}));
    QCOMPARE(read.alignment, box.SelAlignment());
}

void TestRichTextBox::paragraphAlignment()
{
    RichTextBox box;
    box.setText(QStringLiteral("first\nsecond\nthird"));
    box.setSelStart(8);
    QCOMPARE(box.SelAlignment(), std::optional<int>(0));
    box.setSelAlignment(1);
    QCOMPARE(box.SelAlignment(), std::optional<int>(1));
    box.setSelStart(2);
    QCOMPARE(box.SelAlignment(), std::optional<int>(0));

    box.setSelAlignment(2);
    box.setSelStart(2);
    box.setSelLength(6);  // from the centred paragraph into the right-aligned one
    QCOMPARE(box.SelAlignment(), std::nullopt);

    // a paragraph selected with its break is all the selection touches
    box.setSelStart(0);
    box.setSelLength(6);
    QCOMPARE(box.SelAlignment(), std::optional<int>(2));
    box.setSelAlignment(0);
    QCOMPARE(box.SelAlignment(), std::optional<int>(0));
    box.setSelStart(8);
    QCOMPARE(box.SelAlignment(), std::optional<int>(1));

    // values other than 0, 1 and 2 change nothing
    box.setSelAlignment(7);
    QCOMPARE(box.SelAlignment(), std::optional<int>(1));

    // justified is none of left, right and centre
    QTextCursor cursor(box.document()->lastBlock());
    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    cursor.mergeBlockFormat(justified);
    box.setSelStart(box.textLength());
    QCOMPARE(box.SelAlignment(), std::nullopt);

    box.setSelStart(0);
    box.setSelLength(box.textLength());
    box.setSelAlignment(2);
    QCOMPARE(box.SelAlignment(), std::optional<int>(2));
    box.setSelStart(8);
    box.setSelAlignment(1);

    RichTextBox copy;
    copy.setTextRTF(box.TextRTF());
    copy.setSelStart(8);
    QCOMPARE(copy.SelAlignment(), std::optional<int>(1));
    copy.setSelStart(0);
    QCOMPARE(copy.SelAlignment(), std::optional<int>(2));
}

void TestRichTextBox::loadFileDecidesByContent()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    RichTextBox box;

    const QString rtfInText = dir.filePath(QStringLiteral("rtf-inside.txt"));
    QVERIFY(TestFiles::writeFile(rtfInText, "{\\rtf1\\ansi {\\b bold} text}"));
    QString message;
    QVERIFY(box.LoadFile(rtfInText, &message));
    QCOMPARE(box.Text(), QStringLiteral("bold text"));
    QCOMPARE(box.SelStart(), 0);
    QCOMPARE(box.SelBold(), std::optional<bool>(true));  // the caret stands in bold text

    const QString plainInRtf = dir.filePath(QStringLiteral("plain-inside.rtf"));
    QVERIFY(TestFiles::writeFile(plainInRtf, "not {\\rtf at the start\r\nsecond line"));
    QVERIFY(box.LoadFile(plainInRtf));
    QCOMPARE(box.Text(), QStringLiteral("not {\\rtf at the start\nsecond line"));
    // plain text takes the editor's default font, not the format of what was there before
    box.setSelLength(box.textLength());
    QCOMPARE(box.SelBold(), std::optional<bool>(false));
    QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("Times New Roman")));
    QCOMPARE(box.SelFontSize(), std::optional<float>(14.25f));

    const QString cyrillic = dir.filePath(QStringLiteral("windows-1251.txt"));
    QVERIFY(TestFiles::writeFile(cyrillic, "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0"));
    QVERIFY(box.LoadFile(cyrillic));
    QCOMPARE(box.Text(), QStringLiteral("Привет, мир"));

    // a loaded file is where undo stops
    QVERIFY(!box.document()->isUndoAvailable());
    box.setSelStart(box.textLength());
    QTest::keyClicks(&box, QStringLiteral("!"));
    box.undo();
    QCOMPARE(box.Text(), QStringLiteral("Привет, мир"));
    QVERIFY(!box.document()->isUndoAvailable());
}

void TestRichTextBox::failedLoadLeavesDocument()
{
    QTemporaryDir dir;
    RichTextBox box;
    box.setText(QStringLiteral("keep me"));
    EditorInput::selectWord(box, QStringLiteral("keep"));
    box.setSelBold(true);

    QString message;
    QVERIFY(!box.LoadFile(dir.filePath(QStringLiteral("missing.txt")), &message));
    QVERIFY(message.contains(QStringLiteral("missing.txt")));
    QVERIFY(message.contains(QStringLiteral("не найден")));
    message.clear();
    QVERIFY(!box.LoadFile(dir.path(), &message));
    QVERIFY(!message.isEmpty());
    QVERIFY(!box.LoadFile(dir.filePath(QStringLiteral("missing.txt"))));

    QCOMPARE(box.Text(), QStringLiteral("keep me"));
    EditorInput::selectWord(box, QStringLiteral("keep"));
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
}

void TestRichTextBox::savedRtfReadsBack()
{
    QTemporaryDir dir;
    RichTextBox box;
    box.setText(QStringLiteral("Жирный и обычный\nвторая строка"));
    EditorInput::selectWord(box, QStringLiteral("Жирный"));
    box.setSelBold(true);
    box.setSelStart(box.textLength());
    box.setSelAlignment(1);

    // the name plays no part: SaveFile always writes RTF
    const QString path = dir.filePath(QStringLiteral("saved.txt"));
    QString message;
    QVERIFY2(box.SaveFile(path, &message), qPrintable(message));
    QVERIFY(TestFiles::readFile(path).startsWith("{\\rtf"));

    RichTextBox back;
    QVERIFY(back.LoadFile(path));
    QCOMPARE(back.Text(), box.Text());
    EditorInput::selectWord(back, QStringLiteral("Жирный"));
    QCOMPARE(back.SelBold(), std::optional<bool>(true));
    EditorInput::selectWord(back, QStringLiteral("обычный"));
    QCOMPARE(back.SelBold(), std::optional<bool>(false));
    back.setSelStart(back.textLength());
    QCOMPARE(back.SelAlignment(), std::optional<int>(1));
}

void TestRichTextBox::failedSaveKeepsOldFile()
{
    QTemporaryDir dir;
    RichTextBox box;
    box.setText(QStringLiteral("a line of text that is long enough\n").repeated(4000));

    QString message;
    QVERIFY(!box.SaveFile(dir.filePath(QStringLiteral("no/such/folder/a.rtf")), &message));
    QVERIFY(message.contains(QStringLiteral("не найдена")));
    message.clear();
    QVERIFY(!box.SaveFile(dir.path(), &message));
    QVERIFY(!message.isEmpty());

#ifdef Q_OS_UNIX
    // A write that fails half way (here: the process may not write files
    // larger than 4 KB) must leave the old file whole.
    const QString path = dir.filePath(QStringLiteral("old.rtf"));
    QVERIFY(TestFiles::writeFile(path, "old content"));
    rlimit previous{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    message.clear();
    const bool saved = box.SaveFile(path, &message);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!saved);
    QVERIFY(!message.isEmpty());
    QCOMPARE(TestFiles::readFile(path), QByteArray("old content"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.rtf")});
#endif
}

void TestRichTextBox::selRtfInsertsFormattedOrPlain()
{
    RichTextBox box;
    box.setText(QStringLiteral("один три"));
    box.setSelStart(5);
    box.setSelRTF(QByteArray("{\\rtf1\\ansi\\ansicpg1251 {\\b \\'e4\\'e2\\'e0 }}"));
    QCOMPARE(box.Text(), QStringLiteral("один два три"));
    QCOMPARE(box.SelStart(), 9);
    EditorInput::selectWord(box, QStringLiteral("два"));
    QCOMPARE(box.SelBold(), std::optional<bool>(true));

    // bytes that are not RTF are text in the plain-file code page
    EditorInput::selectWord(box, QStringLiteral("три"));
    box.setSelRTF(QByteArray("\xF7\xE5\xF2\xFB\xF0\xE5"));
    QCOMPARE(box.Text(), QStringLiteral("один два четыре"));
    QCOMPARE(box.SelStart(), box.textLength());

    // text: RTF source with characters decoded before it arrived, and mark-up
    // that is not RTF, which stays as typed
    box.setSelRTF(QStringLiteral("{\\rtf1\\ansi {\\i \u00AB\u043F\u044F\u0442\u044C\u00BB}}"));
    box.setSelRTF(QStringLiteral(" <b>"));
    QCOMPARE(box.Text(), QStringLiteral("один два четыре«пять» <b>"));
    EditorInput::selectWord(box, QStringLiteral("«пять»"));
    QCOMPARE(box.SelItalic(), std::optional<bool>(true));
}

void TestRichTextBox::keyPressComesBeforeInsertion()
{
    RichTextBox box;
    box.setText(QStringLiteral("аб"));
    box.setSelStart(2);
    QString seenText;
    int seenCode = -1;
    connect(&box, &RichTextBox::KeyPress, &box, [&](int& code) {
        seenText = box.Text();
        seenCode = code;
    });
    EditorInput::typeText(&box, QStringLiteral("ж"));
    QCOMPARE(seenCode, 0x0436);
    QCOMPARE(seenText, QStringLiteral("аб"));
    QCOMPARE(box.Text(), QStringLiteral("абж"));
    QCOMPARE(box.SelStart(), 3);
}

void TestRichTextBox::keyPressCanChangeOrCancel()
{
    RichTextBox box;
    connect(&box, &RichTextBox::KeyPress, &box, [](int& code) {
        if (code == 'a')
            code = 0x044F;  // я
        else if (code == 'x')
            code = 0;
    });
    QTest::keyClicks(&box, QStringLiteral("axa<"));
    QCOMPARE(box.Text(), QStringLiteral("яя<"));
    QCOMPARE(box.SelStart(), 3);

    // a changed character still obeys overwrite mode
    box.setText(QStringLiteral("123"));
    box.setSelStart(0);
    QTest::keyClick(&box, Qt::Key_Insert);
    QTest::keyClicks(&box, QStringLiteral("ab"));
    QCOMPARE(box.Text(), QStringLiteral("яb3"));
}

void TestRichTextBox::keyPressCoversEnterAndTabOnly()
{
    RichTextBox box;
    QList<int> codes;
    connect(&box, &RichTextBox::KeyPress, &box, [&](int& code) { codes.append(code); });
    box.setText(QStringLiteral("ab"));
    box.setSelStart(1);

    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClick(&box, Qt::Key_Tab);
    QCOMPARE(codes, (QList<int>{13, 9}));
    QCOMPARE(box.Text(), QStringLiteral("a\n\tb"));

    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_X, Qt::AltModifier);
    QCOMPARE(box.Text(), QStringLiteral("a\nb"));
    // Ctrl+A belongs to the window's Edit menu; it types nothing.
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(box.Text(), QStringLiteral("a\nb"));
    QCOMPARE(codes, (QList<int>{13, 9}));

    // Enter changed by the handler into a letter inserts the letter
    disconnect(&box, &RichTextBox::KeyPress, nullptr, nullptr);
    connect(&box, &RichTextBox::KeyPress, &box, [](int& code) {
        if (code == 13)
            code = '>';
    });
    box.setSelStart(box.textLength());
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(box.Text(), QStringLiteral("a\nb>"));
}

void TestRichTextBox::inputMethodTextGoesThroughKeyPress()
{
    RichTextBox box;
    QList<int> codes;
    connect(&box, &RichTextBox::KeyPress, &box, [&](int& code) {
        codes.append(code);
        if (code == 0x044E)  // ю
            code = 0x044F;   // я
    });
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("юж"));
    QApplication::sendEvent(&box, &commit);
    QCOMPARE(codes, (QList<int>{0x044E, 0x0436}));
    QCOMPARE(box.Text(), QStringLiteral("яж"));
}

void TestRichTextBox::insertTogglesOverwrite()
{
    RichTextBox box;
    QList<bool> reported;
    connect(&box, &RichTextBox::overwriteModeChanged, &box, [&](bool on) { reported.append(on); });
    box.setText(QStringLiteral("abc"));
    box.setSelStart(0);

    QTest::keyClick(&box, Qt::Key_Insert);
    QVERIFY(box.overwriteMode());
    QTest::keyClicks(&box, QStringLiteral("X"));
    QCOMPARE(box.Text(), QStringLiteral("Xbc"));

    QApplication::clipboard()->clear();
    QTest::keyClick(&box, Qt::Key_Insert, Qt::ShiftModifier);  // paste, not a toggle
    QVERIFY(box.overwriteMode());

    QTest::keyClick(&box, Qt::Key_Insert);
    QVERIFY(!box.overwriteMode());
    QTest::keyClicks(&box, QStringLiteral("Y"));
    QCOMPARE(box.Text(), QStringLiteral("XYbc"));
    QCOMPARE(reported, (QList<bool>{true, false}));
}

void TestRichTextBox::selChangeFollowsCaret()
{
    RichTextBox box;
    box.setText(QStringLiteral("hello world"));
    int changes = 0;
    connect(&box, &RichTextBox::SelChange, &box, [&] { ++changes; });

    box.setSelStart(3);
    QCOMPARE(changes, 1);
    box.setSelStart(3);
    QCOMPARE(changes, 1);
    box.setSelLength(2);
    QCOMPARE(changes, 2);
    box.setSelStart(box.textLength());
    QCOMPARE(changes, 3);
    QTest::keyClicks(&box, QStringLiteral("!"));
    QCOMPARE(changes, 4);

    // new content with the caret at the start again is still a change
    box.setSelStart(0);
    const int before = changes;
    box.setText(QStringLiteral("other"));
    QCOMPARE(changes, before + 1);
}

void TestRichTextBox::mouseEventsReportButtonAndShift()
{
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 400, 300));

    QList<QList<int>> downs, ups;
    connect(&box, &RichTextBox::MouseDown, &box,
            [&](int button, int shift, int x, int y) { downs.append({button, shift, x, y}); });
    connect(&box, &RichTextBox::MouseUp, &box,
            [&](int button, int shift, int x, int y) { ups.append({button, shift, x, y}); });

    QTest::mousePress(box.viewport(), Qt::RightButton, Qt::ControlModifier, QPoint(20, 30));
    QTest::mouseRelease(box.viewport(), Qt::RightButton, Qt::ControlModifier, QPoint(20, 30));
    QTest::mousePress(box.viewport(), Qt::MiddleButton, Qt::ShiftModifier | Qt::AltModifier, QPoint(5, 6));
    QTest::mouseRelease(box.viewport(), Qt::MiddleButton, Qt::ShiftModifier | Qt::AltModifier, QPoint(5, 6));
    QCOMPARE(downs, (QList<QList<int>>{{2, 2, 20, 30}, {4, 5, 5, 6}}));
    QCOMPARE(ups, (QList<QList<int>>{{2, 2, 20, 30}, {4, 5, 5, 6}}));

    // a left click places the caret before MouseDown reports it
    box.setText(QStringLiteral("abcdef"));
    QTextCursor at(box.document());
    at.setPosition(3);
    const QPoint point = box.cursorRect(at).center();
    qsizetype caretAtPress = -1;
    connect(&box, &RichTextBox::MouseDown, &box, [&] { caretAtPress = box.SelStart(); });
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, point);
    QCOMPARE(box.SelStart(), 3);
    QCOMPARE(caretAtPress, 3);
    QCOMPARE(downs.last().at(0), 1);
    QCOMPARE(ups.last().at(0), 1);
}

void TestRichTextBox::noContextMenuOfItsOwn()
{
    RichTextBox box;
    box.setText(QStringLiteral("text"));
    QVERIFY(EditorInput::showExposed(box, 300, 200));

    // a menu of QTextEdit's own would run modally; close it and remember
    bool menuShown = false;
    QTimer::singleShot(50, &box, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            menuShown = true;
            popup->close();
        }
    });
    const QPoint at(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, box.viewport()->mapToGlobal(at));
    QApplication::sendEvent(box.viewport(), &event);
    QTest::qWait(100);
    QVERIFY(!menuShown);
}

void TestRichTextBox::rightMarginSetsLineLength()
{
    RichTextBox box;
    box.resize(900, 400);
    box.show();
    box.setText(QStringLiteral("слово ").repeated(80));
    auto lines = [&] {
        const QTextBlock block = box.document()->firstBlock();
        box.document()->documentLayout()->blockBoundingRect(block);  // lays the paragraph out
        return block.layout()->lineCount();
    };

    box.setRightMargin(1440);  // one inch
    QCOMPARE(box.rightMargin(), 1440);
    QCOMPARE(box.lineWrapColumnOrWidth(), box.logicalDpiX());
    const int narrow = lines();
    box.setRightMargin(4 * 1440);
    const int wide = lines();
    QVERIFY2(wide < narrow, qPrintable(QStringLiteral("%1 lines at 4\", %2 at 1\"").arg(wide).arg(narrow)));

    box.setRightMargin(-200);
    QCOMPARE(box.rightMargin(), 0);
    QCOMPARE(box.lineWrapMode(), QTextEdit::WidgetWidth);
}

void TestRichTextBox::selPrintPrintsSelectionOrAll()
{
    QTemporaryDir dir;
    RichTextBox box;
    QStringList paragraphs;
    for (int i = 1; i <= 200; ++i)
        paragraphs.append(QStringLiteral("Абзац номер %1").arg(i));
    box.setText(paragraphs.join(QLatin1Char('\n')));
    const QString text = box.Text();

    auto print = [&](const QString& name) {
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(name));
        box.SelPrint(&printer);
        return TestFiles::readFile(dir.filePath(name));
    };

    const QByteArray whole = print(QStringLiteral("whole.pdf"));
    QVERIFY(whole.startsWith("%PDF"));
    QVERIFY(pdfPageCount(whole) > 1);

    EditorInput::selectWord(box, QStringLiteral("Абзац номер 150"));
    const QByteArray part = print(QStringLiteral("part.pdf"));
    QVERIFY(part.startsWith("%PDF"));
    QCOMPARE(pdfPageCount(part), 1);

    // printing leaves the document and the selection alone
    QCOMPARE(box.Text(), text);
    QCOMPARE(box.SelText(), QStringLiteral("Абзац номер 150"));
    box.SelPrint(nullptr);
}

// QTextEdit's own copy and paste, drag and drop and the X11 selection all go
// through the same conversions: what leaves the editor is plain text only,
// and what comes in is the text of the data, never its HTML or picture.
void TestRichTextBox::ownClipboardAndDropsCarryPlainText()
{
    RichTextBox box;
    box.setText(QStringLiteral("жирный текст "));
    EditorInput::selectWord(box, QStringLiteral("жирный"));
    box.setSelBold(true);
    box.copy();
    QCOMPARE(QApplication::clipboard()->mimeData()->formats(), QStringList{QStringLiteral("text/plain")});
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("жирный"));
    box.setSelStart(box.textLength());
    box.paste();
    QCOMPARE(box.Text(), QStringLiteral("жирный текст жирный"));
    EditorInput::selectWord(box, QStringLiteral("жирный"), 1);
    QCOMPARE(box.SelBold(), std::optional<bool>(false));

    // HTML and a picture without text: nothing to insert.
    auto* rich = new QMimeData;
    rich->setHtml(QStringLiteral("<b>html</b>"));
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    rich->setImageData(image);
    QApplication::clipboard()->setMimeData(rich);
    QVERIFY(!box.canPaste());
    box.setSelStart(0);
    box.paste();
    QCOMPARE(box.Text(), QStringLiteral("жирный текст жирный"));

    // Beside text, the HTML is ignored.
    auto* both = new QMimeData;
    both->setHtml(QStringLiteral("<b>html</b>"));
    both->setText(QStringLiteral("текст"));
    QApplication::clipboard()->setMimeData(both);
    box.paste();
    QCOMPARE(box.Text(), QStringLiteral("текстжирный текст жирный"));
}

// A footnote and a picture in the text: deleting one deletes it from what
// is saved, undo brings it back, the RTF of a selection carries it to
// another place; plain text for files has neither, nor Text()'s positions.
void TestRichTextBox::keptElementsFollowEdits()
{
    const QByteArray png = QByteArray::fromHex(
        "89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c49444154789c63f8cfc0000003010100c9fe92ef0000000049454e44ae426082");
    RichTextBox box;
    box.setTextRTF("{\\rtf1 one{\\footnote note}two{\\pict\\pngblip " + png.toHex() + "}three}");
    QCOMPARE(box.Text(), QStringLiteral("one\uFFFCtwo\uFFFCthree"));
    QCOMPARE(box.fileText(), QStringLiteral("onetwothree"));
    auto census = [&box] { return DocumentCensus::of(*box.document()).describe(); };
    auto saved = [&box] {
        QTextDocument again;
        RtfReader::read(box.TextRTF(), &again);
        return DocumentCensus::of(again).describe();
    };
    QCOMPARE(saved(), QStringLiteral("pictures=1 footnotes=1"));

    box.setSelStart(3);
    box.setSelLength(1);
    QCOMPARE(box.SelPlainText(), QString());
    const QByteArray footnote = box.SelRTF();
    box.setSelText(QString());
    QCOMPARE(saved(), QStringLiteral("pictures=1"));
    box.undo();
    QCOMPARE(saved(), QStringLiteral("pictures=1 footnotes=1"));

    // Copied to the end, twice: three footnotes, the picture kept once.
    box.setSelStart(box.textLength());
    box.setSelRTF(footnote);
    box.setSelRTF(footnote);
    QCOMPARE(census(), QStringLiteral("pictures=1 footnotes=3"));
    box.setSelStart(0);
    box.setSelLength(box.textLength());
    box.setSelRTF(box.SelRTF());
    QCOMPARE(saved(), QStringLiteral("pictures=1 footnotes=3"));

    // Plain text loaded afterwards forgets the RTF document's kept groups.
    box.setTextRTF("{\\rtf1{\\stylesheet{\\s0 Kept;}}x}");
    QVERIFY(box.TextRTF().contains("Kept;"));
    box.setText(QStringLiteral("plain"));
    QVERIFY(!box.TextRTF().contains("Kept;"));
}

// Until the layout draws tables and pictures, a document holding them is
// still shown, scrolled, typed into and printed.
void TestRichTextBox::documentWithTablesAndPicturesIsShown()
{
    RichTextBox box;
    box.resize(500, 300);
    box.show();
    QVERIFY(box.LoadFile(QStringLiteral(PERGALOT_FIXTURES_DIR "/handwritten/keeps.rtf")));
    QVERIFY(!box.grab().isNull());
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&box, "x");
    for (int i = 0; i < 40; ++i)
        QTest::keyClick(&box, Qt::Key_Up);
    QTest::keyClicks(&box, "y");
    QVERIFY(!box.grab().isNull());
    QVERIFY(box.fileText().contains(QStringLiteral("LastCell")));
    // Printed by Qt's own layout, which finds the kept picture bytes too.
    QTemporaryDir dir;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("keeps.pdf")));
    box.SelPrint(&printer);
    QVERIFY(TestFiles::readFile(dir.filePath(QStringLiteral("keeps.pdf"))).startsWith("%PDF"));
}

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
