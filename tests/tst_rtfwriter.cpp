#include "helpers/DocumentCensus.h"
#include "helpers/TestFiles.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

namespace {

// What the writer promises to keep of one character.
struct CharState {
    QString family;
    int halfPoints = 0;
    bool bold = false, italic = false, strike = false;
    int underline = QTextCharFormat::NoUnderline;  // the line's style
    int vertical = QTextCharFormat::AlignNormal;   // super- or subscript
    QRgb color = 0;
    bool hasColor = false;

    bool operator==(const CharState&) const = default;
};

QString describe(const CharState& s)
{
    return QStringLiteral("%1 %2hp%3%4 u%5%6 v%7 %8")
        .arg(s.family)
        .arg(s.halfPoints)
        .arg(s.bold ? " b" : "", s.italic ? " i" : "")
        .arg(s.underline)
        .arg(s.strike ? " s" : "")
        .arg(s.vertical)
        .arg(s.hasColor ? QColor(s.color).name() : QStringLiteral("auto"));
}

CharState stateOf(const QTextCharFormat& f, const QFont& documentFont)
{
    CharState s;
    const QStringList families = f.fontFamilies().toStringList();
    s.family = families.isEmpty() ? documentFont.family() : families.first();
    s.halfPoints = qRound(2 * (f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize()
                                                                          : documentFont.pointSizeF()));
    s.bold = f.fontWeight() >= QFont::DemiBold;
    s.italic = f.fontItalic();
    s.underline = f.hasProperty(QTextFormat::TextUnderlineStyle)
        ? f.underlineStyle()
        : (f.fontUnderline() ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline);
    s.strike = f.fontStrikeOut();
    const auto vertical = f.verticalAlignment();
    if (vertical == QTextCharFormat::AlignSuperScript || vertical == QTextCharFormat::AlignSubScript)
        s.vertical = vertical;
    s.hasColor = f.foreground().style() != Qt::NoBrush;
    s.color = s.hasColor ? (f.foreground().color().rgb() & RGB_MASK) : 0;
    return s;
}

// Per character: the text, the format state and the paragraph alignment.
struct Snapshot {
    QString text;
    std::vector<CharState> chars;
    std::vector<Qt::Alignment> alignments;
};

Snapshot snapshot(const QTextDocument& doc)
{
    Snapshot snap;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        Qt::Alignment a = b.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        // An empty paragraph in a table cell shows no alignment; Qt's cell
        // merging may give it its neighbour's.
        if (b.length() == 1 && QTextCursor(b).currentTable())
            a = Qt::AlignLeft;
        snap.alignments.push_back(a ? a : Qt::AlignLeft);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fr = it.fragment();
            const CharState s = stateOf(fr.charFormat(), doc.defaultFont());
            for (int i = 0; i < fr.length(); ++i)
                snap.chars.push_back(s);
        }
        if (b.next().isValid())
            snap.chars.push_back(CharState{});  // the paragraph mark
    }
    snap.text = doc.toRawText();
    return snap;
}

void compareSnapshots(const Snapshot& got, const Snapshot& want, const QByteArray& context)
{
    QVERIFY2(got.text == want.text, context + ": text differs");
    QVERIFY2(got.alignments == want.alignments, context + ": alignment differs");
    QCOMPARE(got.chars.size(), want.chars.size());
    for (size_t i = 0; i < want.chars.size(); ++i) {
        if (want.text.at(int(i)) == QChar::ParagraphSeparator)
            continue;
        QVERIFY2(got.chars[i] == want.chars[i],
                 qPrintable(QStringLiteral("%1: character %2 (%3): got %4, wanted %5")
                                .arg(QString::fromUtf8(context))
                                .arg(i)
                                .arg(want.text.at(int(i)))
                                .arg(describe(got.chars[i]), describe(want.chars[i]))));
    }
}

// The committed fixtures and, where it is present, the shared RTF corpus
// (PERGALOT_RTF_CORPUS names another place for it).
QStringList roundTripRoots()
{
    QStringList roots{QStringLiteral(PERGALOT_FIXTURES_DIR)};
    const QByteArray env = qgetenv("PERGALOT_RTF_CORPUS");
    const QString corpus = env.isEmpty() ? QStringLiteral(PERGALOT_SOURCE_DIR "/../shared/rtf-corpus")
                                         : QString::fromLocal8Bit(env);
    if (QFileInfo(corpus).isDir())
        roots << QDir::cleanPath(corpus);
    else
        qInfo("RTF corpus not found at %s; round trips of the fixtures only", qPrintable(corpus));
    return roots;
}

QTextDocument* newEditorDocument(QObject* parent)
{
    auto* doc = new QTextDocument(parent);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(14.25);
    doc->setDefaultFont(font);
    return doc;
}

} // namespace

class TestRtfWriter : public QObject
{
    Q_OBJECT

private slots:
    void headerTablesAndSevenBitOutput();
    void escapesAndUnicode();
    void defaultFontSurvives();
    void awkwardFontNamesSurvive();
    void randomDocumentsRoundTrip();
    void selectionOnly();
    void documentGroupsAreWrittenBack_data();
    void documentGroupsAreWrittenBack();
    void readWriteReadKeepsWhatTheReaderKeeps_data();
    void readWriteReadKeepsWhatTheReaderKeeps();
};

void TestRtfWriter::headerTablesAndSevenBitOutput()
{
    QTextDocument* doc = newEditorDocument(this);
    QTextCursor c(doc);
    QTextCharFormat red;
    red.setForeground(QColor(200, 10, 20));
    red.setFontFamilies({QStringLiteral("Arial")});
    c.insertText(QStringLiteral("Привет "), red);
    c.insertText(QStringLiteral("world"), QTextCharFormat());
    const QByteArray rtf = RtfWriter::write(doc);

    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251\\deff0"));
    QVERIFY(rtf.contains("{\\fonttbl{\\f0\\fnil\\fcharset204 Times New Roman;}{\\f1\\fnil\\fcharset204 Arial;}}"));
    QVERIFY(rtf.contains("{\\colortbl ;\\red200\\green10\\blue20;}"));
    QVERIFY(rtf.contains("\\uc1"));
    QVERIFY(rtf.trimmed().endsWith('}'));
    for (char ch : rtf)
        QVERIFY2(static_cast<unsigned char>(ch) < 0x80, "output must be 7-bit");
    QVERIFY(rtf.size() >= doc->toPlainText().size());
}

void TestRtfWriter::escapesAndUnicode()
{
    QTextDocument doc;
    const QString text = QStringLiteral("a\\b{c}d П€\u0100 ") + QString::fromUcs4(U"\U0001F600")
        + QStringLiteral("\tx\u2028y");
    QTextCursor(&doc).insertText(text);
    const QByteArray rtf = RtfWriter::write(&doc);
    QVERIFY(rtf.contains("a\\\\b\\{c\\}d"));
    QVERIFY(rtf.contains("\\u1055\\'cf"));    // in Windows-1251
    QVERIFY(rtf.contains("\\u8364\\'88"));    // the euro sign is 0x88 there
    QVERIFY(rtf.contains("\\u256?"));         // not in Windows-1251
    QVERIFY(rtf.contains("\\u-10179?\\u-8704?"));  // a surrogate pair, signed 16-bit
    QVERIFY(rtf.contains("\\tab"));
    QVERIFY(rtf.contains("\\line"));

    QTextDocument back;
    QVERIFY(RtfReader::read(rtf, &back));
    QCOMPARE(back.toRawText(), text);
}

void TestRtfWriter::awkwardFontNamesSurvive()
{
    QTextDocument doc;
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("Semi;Colon {Пт}\u0001")});
    QTextCursor(&doc).insertText(QStringLiteral("x"), f);
    const QByteArray once = RtfWriter::write(&doc);
    QTextDocument back;
    RtfReader::read(once, &back);
    QTextCursor c(&back);
    c.setPosition(1);
    QCOMPARE(c.charFormat().fontFamilies().toStringList(), QStringList{"Semi;Colon {Пт}"});
    QCOMPARE(RtfWriter::write(&back), once);
}

void TestRtfWriter::defaultFontSurvives()
{
    // A new document's text in Times New Roman 14.25 pt, as the editor starts.
    QTextDocument* doc = newEditorDocument(this);
    QTextCursor(doc).insertText(QStringLiteral("Текст"));
    QTextDocument back;
    RtfReader::read(RtfWriter::write(doc), &back);
    QTextCursor c(&back);
    c.setPosition(1);
    QCOMPARE(c.charFormat().fontFamilies().toStringList(), QStringList{"Times New Roman"});
    QVERIFY(qAbs(c.charFormat().fontPointSize() - 14.25) <= 0.25);
}

void TestRtfWriter::randomDocumentsRoundTrip()
{
    static const QStringList words = {
        QStringLiteral("Привет"), QStringLiteral("мир"), QStringLiteral("Ёлка"), QStringLiteral("щука"),
        QStringLiteral("hello"), QStringLiteral("world"), QStringLiteral("{brace}"), QStringLiteral("back\\slash"),
        QStringLiteral("№5"), QStringLiteral("«ёж»"), QStringLiteral("—"), QStringLiteral("€"),
        QStringLiteral("ÆØÅ"), QStringLiteral("日本"), QStringLiteral("Ω"), QStringLiteral("\t"),
        QString::fromUcs4(U"\U0001F600"), QString::fromUcs4(U"\U0001F1F7\U0001F1FA"), QStringLiteral("  "),
        QStringLiteral("42"), QStringLiteral("-"), QStringLiteral("\u2028"), QStringLiteral("?"),
    };
    static const QStringList families = {QStringLiteral("Times New Roman"), QStringLiteral("Arial"),
                                         QStringLiteral("Courier New"), QStringLiteral("DejaVu Sans")};
    static const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter,
                                               Qt::AlignJustify};
    static const QTextCharFormat::UnderlineStyle underlines[] = {
        QTextCharFormat::SingleUnderline, QTextCharFormat::DashUnderline, QTextCharFormat::DotLine,
        QTextCharFormat::DashDotLine, QTextCharFormat::DashDotDotLine, QTextCharFormat::WaveUnderline};
    const quint32 firstSeed = QRandomGenerator::global()->generate();
    for (quint32 seed = firstSeed; seed < firstSeed + 60; ++seed) {
        QRandomGenerator rng(seed);
        QTextDocument* doc = newEditorDocument(nullptr);
        QTextCursor c(doc);
        const int paragraphs = 1 + rng.bounded(6);
        for (int p = 0; p < paragraphs; ++p) {
            if (p > 0)
                c.insertBlock();
            QTextBlockFormat bf;
            bf.setAlignment(alignments[rng.bounded(4)]);
            c.setBlockFormat(bf);
            const int runs = rng.bounded(8);
            for (int r = 0; r < runs; ++r) {
                QTextCharFormat f;
                if (rng.bounded(2))
                    f.setFontWeight(QFont::Bold);
                f.setFontItalic(rng.bounded(2));
                if (rng.bounded(3) == 0)
                    f.setUnderlineStyle(underlines[rng.bounded(int(std::size(underlines)))]);
                f.setFontStrikeOut(rng.bounded(4) == 0);
                if (rng.bounded(4) == 0)
                    f.setVerticalAlignment(rng.bounded(2) ? QTextCharFormat::AlignSuperScript
                                                          : QTextCharFormat::AlignSubScript);
                if (rng.bounded(2))
                    f.setFontFamilies({families[rng.bounded(families.size())]});
                if (rng.bounded(2))
                    f.setFontPointSize(4 + rng.bounded(120) / 2.0);  // half-point sizes survive exactly
                if (rng.bounded(2))
                    f.setForeground(QColor(rng.bounded(256), rng.bounded(256), rng.bounded(256)));
                QString text;
                const int n = 1 + rng.bounded(4);
                for (int w = 0; w < n; ++w)
                    text += words[rng.bounded(words.size())] + QLatin1Char(' ');
                c.insertText(text, f);
            }
        }
        // The default 14.25 pt counts as the half point it is written as.
        const Snapshot want = snapshot(*doc);
        QTextDocument* back = newEditorDocument(nullptr);
        QVERIFY(RtfReader::read(RtfWriter::write(doc), back));
        compareSnapshots(snapshot(*back), want, "seed " + QByteArray::number(seed));
        delete doc;
        delete back;
        if (QTest::currentTestFailed())
            return;
    }
}

void TestRtfWriter::selectionOnly()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("one "));
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("ДВА"), bold);
    c.insertText(QStringLiteral(" three"), QTextCharFormat());
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    c.insertBlock(centred);
    c.insertText(QStringLiteral("four five"));

    QTextCursor sel(&doc);
    sel.setPosition(5);                             // inside "ДВА"
    sel.setPosition(doc.characterCount() - 5, QTextCursor::KeepAnchor);  // before "five"
    QTextDocument back;
    RtfReader::read(RtfWriter::write(sel), &back);
    QCOMPARE(back.toPlainText(), QStringLiteral("ВА three\nfour "));
    QTextCursor probe(&back);
    probe.setPosition(1);
    QVERIFY(probe.charFormat().fontWeight() >= QFont::Bold);
    probe.setPosition(5);
    QVERIFY(probe.charFormat().fontWeight() < QFont::Bold);
    QCOMPARE(back.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);

    // Nothing selected: a valid RTF document with no text.
    QTextCursor caret(&doc);
    caret.setPosition(3);
    const QByteArray empty = RtfWriter::write(caret);
    QVERIFY(RtfReader::isRtf(empty));
    RtfReader::read(empty, &back);
    QCOMPARE(back.toPlainText(), QString());
}

// Every file from another program: what the reader made of it is written
// What a document read from RTF holds outside its text comes back in what is
// written, as it was read: each row a piece of the source that must appear
// in the output unchanged.
void TestRtfWriter::documentGroupsAreWrittenBack_data()
{
    QTest::addColumn<QByteArray>("kept");
    for (const char* piece :
         {"{\\stylesheet{\\s0 Normal;}{\\*\\cs10\\ul Link;}}", "{\\info{\\title \\'d2\\'e8\\'f2\\'f3\\'eb}}",
          "\\paperw11906\\paperh16838\\margl1701 ", "{\\header \\pard\\qc\\f5 \\'c2\\'e5\\'f0\\'f5\\par}",
          "{\\f5\\fswiss\\fcharset204 Arial;}", "\\ansicpg1251", "{\\list\\listid77{\\listlevel\\levelnfc0}}",
          "{\\listoverride\\listid77\\ls3}", "{\\*\\footnote \\pard\\f5 note}", "{\\*\\bkmkstart here}",
          "{\\v hidden \\{note\\}}", "{\\field{\\*\\fldinst PAGE}{\\fldrslt {\\v 7}}}", "{\\v{\\*\\bkmkend here}}"})
        QTest::newRow(piece) << QByteArray(piece);
}

void TestRtfWriter::documentGroupsAreWrittenBack()
{
    QFETCH(QByteArray, kept);
    const QByteArray source =
        "{\\rtf1\\ansi\\ansicpg1251\\deff5{\\fonttbl{\\f5\\fswiss\\fcharset204 Arial;}}"
        "{\\colortbl;\\red0\\green0\\blue255;}{\\stylesheet{\\s0 Normal;}{\\*\\cs10\\ul Link;}}"
        "{\\info{\\title \\'d2\\'e8\\'f2\\'f3\\'eb}}"
        "{\\*\\listtable{\\list\\listid77{\\listlevel\\levelnfc0}}}{\\*\\listoverridetable{\\listoverride\\listid77\\ls3}}"
        "\\paperw11906\\paperh16838\\margl1701 \\sectd{\\header \\pard\\qc\\f5 \\'c2\\'e5\\'f0\\'f5\\par}"
        "\\pard\\plain\\f5 text{\\*\\footnote \\pard\\f5 note}{\\*\\bkmkstart here} {\\cf1 blue}"
        "{\\v hidden \\{note\\}}{\\field{\\*\\fldinst PAGE}{\\fldrslt {\\v 7}}}\\v{\\*\\bkmkend here}\\par}";
    QTextDocument doc;
    QVERIFY(RtfReader::read(source, &doc));
    // Typed text in a font the table lacks goes beside the kept fonts.
    QTextCursor end(&doc);
    end.movePosition(QTextCursor::End);
    QTextCharFormat courier;
    courier.setFontFamilies({QStringLiteral("Courier New")});
    end.insertText(QStringLiteral("typed"), courier);
    const QByteArray written = RtfWriter::write(&doc);
    QVERIFY2(written.contains(kept), written.constData());
    // The document's own numbers stay theirs: Arial is still \\f5 and the
    // default, blue \\cf1; a new font gets the next number.
    QVERIFY(written.contains("\\deff5"));
    QVERIFY(written.contains("\\cf1 blue"));
    QVERIFY(written.contains("{\\f6\\fnil\\fcharset204 Courier New;}"));
    QTextDocument again;
    QVERIFY(RtfReader::read(written, &again));
    QCOMPARE(DocumentCensus::of(again).describe(), DocumentCensus::of(doc).describe());
    QCOMPARE(again.toPlainText(), doc.toPlainText());
}

// and read again, and gives the same text and formats.
void TestRtfWriter::readWriteReadKeepsWhatTheReaderKeeps_data()
{
    QTest::addColumn<QString>("path");
    for (const QString& root : roundTripRoots()) {
        QStringList files;
        QDirIterator it(root, {QStringLiteral("*.rtf")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        files.sort();
        for (const QString& file : files)
            QTest::newRow(qPrintable(QDir(root).dirName() + QLatin1Char('/') + QDir(root).relativeFilePath(file)))
                << file;
    }
}

void TestRtfWriter::readWriteReadKeepsWhatTheReaderKeeps()
{
    QFETCH(QString, path);
    const QByteArray data = TestFiles::readFile(path);
    if (!RtfReader::isRtf(data))
        QSKIP("not a whole RTF document");
    QTextDocument once;
    QVERIFY(RtfReader::read(data, &once));
    QTextDocument twice;
    QVERIFY(RtfReader::read(RtfWriter::write(&once), &twice));
    compareSnapshots(snapshot(twice), snapshot(once), QFileInfo(path).fileName().toUtf8());
    // Pictures, tables, lists, links and kept elements as well.
    QCOMPARE(DocumentCensus::of(twice).describe(), DocumentCensus::of(once).describe());
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
