#include "helpers/DocumentCensus.h"
#include "rtf/PlainTextExport.h"
#include "rtf/RtfObjects.h"
#include "rtf/RtfReader.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// The document's text with line separators and no-break spaces as they are,
// paragraphs joined by "\n".
QString rawText(const QTextDocument& doc)
{
    return doc.toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

// The text a plain-text file gets: tables with tabs and line ends, kept
// groups and pictures as nothing.
QString textOf(const QByteArray& rtf)
{
    QTextDocument doc;
    if (!RtfReader::read(rtf, &doc))
        return QStringLiteral("<not read>");
    return PlainTextExport::text(&doc);
}

// The character format at the first occurrence of a word.
QTextCharFormat formatAt(const QTextDocument& doc, const QString& word)
{
    const QTextCursor found = doc.find(word);
    if (found.isNull())
        return {};
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

Qt::Alignment alignmentOf(const QTextDocument& doc, int block)
{
    return doc.findBlockByNumber(block).blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void recognisesRtf();
    void characterFormatsFollowGroups();
    void underlineKindsAndOffForms();
    void fontsSizesAndColours();
    void paragraphsAndAlignment();
    void specialCharacters();
    void codePages_data();
    void codePages();
    void doubleByteCodePages();
    void unicodeEscapes_data();
    void unicodeEscapes();
    void skippedDestinations_data();
    void skippedDestinations();
    void structures_data();
    void structures();
    void picturesAndMarkers();
    void insertAtCursor();
    void badInput_data();
    void badInput();
    void deepNestingIsLinear();
};

void TestRtfReader::recognisesRtf()
{
    QVERIFY(RtfReader::isRtf("{\\rtf1 x}"));
    QVERIFY(!RtfReader::isRtf(" {\\rtf1 x}"));
    QVERIFY(!RtfReader::isRtf("{\\rt"));
    QVERIFY(!RtfReader::isRtf("Hello"));

    // Not RTF: the document keeps what it had.
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("keep"));
    QVERIFY(!RtfReader::read("plain text {\\rtf1 x}", &doc));
    QCOMPARE(doc.toPlainText(), QStringLiteral("keep"));
    QTextCursor cursor(&doc);
    QVERIFY(!RtfReader::insert("plain", cursor));
    QCOMPARE(doc.toPlainText(), QStringLiteral("keep"));
}

void TestRtfReader::characterFormatsFollowGroups()
{
    QTextDocument doc;
    RtfReader::read("{\\rtf1 n0 {\\b b1 {\\i bi2 \\b0 i3} b4} n5 \\b\\i x6 \\plain n7 \\strike s8 "
                    "\\strike0 n9 \\striked1 s10 \\striked0 n11}",
                    &doc);
    QCOMPARE(doc.toPlainText(), QStringLiteral("n0 b1 bi2 i3 b4 n5 x6 n7 s8 n9 s10 n11"));
    auto bold = [&](const char* w) { return formatAt(doc, QString::fromLatin1(w)).fontWeight() >= QFont::Bold; };
    auto italic = [&](const char* w) { return formatAt(doc, QString::fromLatin1(w)).fontItalic(); };
    auto strike = [&](const char* w) { return formatAt(doc, QString::fromLatin1(w)).fontStrikeOut(); };
    QVERIFY(!bold("n0") && bold("b1") && bold("bi2") && !bold("i3") && bold("b4") && !bold("n5"));
    QVERIFY(!italic("b1") && italic("bi2") && italic("i3") && !italic("b4"));
    QVERIFY(bold("x6") && italic("x6"));
    QVERIFY(!bold("n7") && !italic("n7"));
    QVERIFY(strike("s8") && !strike("n9") && strike("s10") && !strike("n11"));
}

void TestRtfReader::underlineKindsAndOffForms()
{
    QTextDocument doc;
    RtfReader::read("{\\rtf1 \\ul u1\\ul0 n1 \\uld u2\\ulnone n2 \\ulwave u3 \\ul0 n3 "
                    "\\ulthdashdd u4\\ulnone n4 \\ulc2 n5 \\uldb u5\\ulwave0 n6 \\ulldash u6}",
                    &doc);
    // Lines the editor draws keep their look; a double line becomes single.
    const QList<QPair<const char*, QTextCharFormat::UnderlineStyle>> underlined = {
        {"u1", QTextCharFormat::SingleUnderline}, {"u2", QTextCharFormat::DotLine},
        {"u3", QTextCharFormat::WaveUnderline},   {"u4", QTextCharFormat::DashDotDotLine},
        {"u5", QTextCharFormat::SingleUnderline}, {"u6", QTextCharFormat::DashUnderline},
    };
    for (const auto& [w, style] : underlined)
        QVERIFY2(formatAt(doc, QString::fromLatin1(w)).underlineStyle() == style, w);
    // \ulc sets the underline's colour, not underlining.
    for (const char* w : {"n1", "n2", "n3", "n4", "n5", "n6"})
        QVERIFY2(formatAt(doc, QString::fromLatin1(w)).underlineStyle() == QTextCharFormat::NoUnderline, w);
}

void TestRtfReader::fontsSizesAndColours()
{
    QTextDocument doc;
    RtfReader::read("{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\froman Times New Roman;}"
                    "{\\f1\\fswiss{\\*\\panose 020b0604020202020204}Arial;}\\f2\\fmodern Courier New;}"
                    "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}"
                    "deffont {\\f0\\fs29 times} {\\f2\\fs17 courier} {\\f9 unknown} "
                    "{\\cf1 red}{\\cf2 blue}{\\cf0 auto}{\\cf7 missing} \\plain plain}",
                    &doc);
    QCOMPARE(doc.toPlainText(), QStringLiteral("deffont times courier unknown redblueautomissing plain"));
    QCOMPARE(formatAt(doc, "deffont").fontFamilies().toStringList(), QStringList{"Arial"});
    QCOMPARE(formatAt(doc, "deffont").fontPointSize(), 12.0);
    QCOMPARE(formatAt(doc, "times").fontFamilies().toStringList(), QStringList{"Times New Roman"});
    QCOMPARE(formatAt(doc, "times").fontPointSize(), 14.5);
    QCOMPARE(formatAt(doc, "courier").fontFamilies().toStringList(), QStringList{"Courier New"});
    QCOMPARE(formatAt(doc, "courier").fontPointSize(), 8.5);
    QVERIFY(!formatAt(doc, "unknown").hasProperty(QTextFormat::FontFamilies));
    QCOMPARE(formatAt(doc, "red").foreground().color(), QColor(255, 0, 0));
    QCOMPARE(formatAt(doc, "blue").foreground().color(), QColor(0, 128, 255));
    QCOMPARE(formatAt(doc, "auto").foreground().style(), Qt::NoBrush);
    QCOMPARE(formatAt(doc, "missing").foreground().style(), Qt::NoBrush);
    QCOMPARE(formatAt(doc, "plain").fontFamilies().toStringList(), QStringList{"Arial"});
}

void TestRtfReader::paragraphsAndAlignment()
{
    QTextDocument doc;
    RtfReader::read("{\\rtf1 \\qc centre\\par \\qr right\\par\\pard left\\line next\\par "
                    "{\\qj just\\par}after group\\page \\tab tabbed\\sect end}",
                    &doc);
    QCOMPARE(rawText(doc),
             QStringLiteral("centre\nright\nleft\u2028next\njust\nafter group\n\ttabbed\nend"));
    QCOMPARE(alignmentOf(doc, 0), Qt::AlignHCenter);
    QCOMPARE(alignmentOf(doc, 1), Qt::AlignRight);
    QCOMPARE(alignmentOf(doc, 2), Qt::AlignLeft);
    QCOMPARE(alignmentOf(doc, 3), Qt::AlignJustify);
    QCOMPARE(alignmentOf(doc, 4), Qt::AlignLeft);  // the group's \qj ended with it

    // The last paragraph of a document has no mark but keeps its alignment.
    RtfReader::read("{\\rtf1 a\\par\\qr b}", &doc);
    QCOMPARE(alignmentOf(doc, 1), Qt::AlignRight);
}

void TestRtfReader::specialCharacters()
{
    QCOMPARE(textOf("{\\rtf1 a\\~b\\-c\\_d\\emdash\\endash\\emspace\\enspace\\bullet"
                    "\\lquote\\rquote\\ldblquote\\rdblquote \\\\\\{\\}}"),
             QStringLiteral("a\u00A0b\u00ADc\u2011d\u2014\u2013\u2003\u2002\u2022\u2018\u2019\u201C\u201D\\{}"));
    // A control word ends at its space, which is not text; a second space is.
    QCOMPARE(textOf("{\\rtf1 \\b  two\\b0\r\nx\ty}"), QStringLiteral(" twox\ty"));
}

void TestRtfReader::codePages_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("ansicpg1251") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}")
                                 << QStringLiteral("Привет");
    QTest::newRow("raw 8-bit bytes") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \xcf\xf0\xe8}")
                                     << QStringLiteral("При");
    QTest::newRow("ansi is 1252") << QByteArray("{\\rtf1\\ansi caf\\'e9}") << QStringLiteral("café");
    QTest::newRow("fcharset204 without ansicpg")
        << QByteArray("{\\rtf1\\deff0{\\fonttbl{\\f0\\froman\\fcharset204 Times;}{\\f1\\fcharset0 Arial;}}"
                      "\\'c4\\'e0 {\\f1 caf\\'e9}}")
        << QStringLiteral("Да café");
    QTest::newRow("font charset wins over document")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset204 A;}{\\f1\\fcharset161 G;}}"
                      "{\\f0 \\'c4}{\\f1 \\'c4}\\'c4}")
        << QStringLiteral("ДΔÄ");
    // TextEdit declares the system's code page and marks Latin fonts ANSI.
    QTest::newRow("ANSI charset under another code page")
        << QByteArray("{\\rtf1\\ansi\\ansicpg950{\\fonttbl{\\f0\\fcharset0 Lucida;}}\\f0 \\'a9 2004}")
        << QStringLiteral("© 2004");
    QTest::newRow("font without charset uses the document's")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fnil Tahoma;}}\\f0 \\'c4\\'e0}")
        << QStringLiteral("Да");
    QTest::newRow("Mac Japanese") << QByteArray("{\\rtf1\\mac\\ansicpg10001{\\fonttbl\\f0\\fcharset78 Hira;}\\f0 \\'82\\'a8}")
                                  << QStringLiteral("お");
    QTest::newRow("cpg in font entry")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\cpg866 Term;}}\\f0 \\'8f\\'e0}") << QStringLiteral("Пр");
    QTest::newRow("mac") << QByteArray("{\\rtf1\\mac \\'8e}") << QStringLiteral("é");
    QTest::newRow("pc") << QByteArray("{\\rtf1\\pc \\'f1\\'f2\\'f3}") << QStringLiteral("±≥≤");
    QTest::newRow("pca") << QByteArray("{\\rtf1\\pca \\'82}") << QStringLiteral("é");
    QTest::newRow("mac cyrillic") << QByteArray("{\\rtf1\\mac\\ansicpg10007 \\'8f\\'e0}")
                                  << QStringLiteral("Па");
    QTest::newRow("cyrillic font name")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset204 \\'c0\\'f0\\'e8\\'e0\\'eb;}}\\f0 x}")
        << QStringLiteral("x");
    QTest::newRow("upper-case hex") << QByteArray("{\\rtf1\\ansicpg1251 \\'CF}") << QStringLiteral("П");
}

void TestRtfReader::codePages()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

void TestRtfReader::doubleByteCodePages()
{
    // Shift-JIS "日本" and a trail byte that is a backslash in ASCII: 0x95 0x5C (表).
    QCOMPARE(textOf("{\\rtf1\\ansi\\ansicpg932 \\'93\\'fa\\'96\\'7b\\'95\\\\}"), QStringLiteral("日本表"));
    // Lead and trail bytes from a font's charset; single-byte katakana stays single.
    QCOMPARE(textOf("{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 \\'93\\'fa\\'b1a}"),
             QStringLiteral("日ｱa"));
    QCOMPARE(textOf("{\\rtf1\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}"), QStringLiteral("中文"));
    QCOMPARE(textOf("{\\rtf1\\ansicpg949 \\'c7\\'d1}"), QStringLiteral("한"));
    QCOMPARE(textOf("{\\rtf1\\ansicpg950 \\'a4\\'a4}"), QStringLiteral("中"));
    // A lead byte whose trail never comes within its group does not swallow
    // the next text.
    QCOMPARE(textOf("{\\rtf1\\ansicpg932 {\\'93}x}"), QStringLiteral("\uFFFDx"));
}

void TestRtfReader::unicodeEscapes_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("default uc1") << QByteArray("{\\rtf1 \\u381\\'7d!}") << QStringLiteral("Ž!");
    QTest::newRow("space delimiter then fallback") << QByteArray("{\\rtf1 \\u1055 ?x}") << QStringLiteral("Пx");
    QTest::newRow("uc0") << QByteArray("{\\rtf1\\uc0 \\u1055\\u1088 x}") << QStringLiteral("Прx");
    QTest::newRow("uc2 with two hex bytes") << QByteArray("{\\rtf1\\uc2 \\u26085\\'93\\'fax}")
                                            << QStringLiteral("日x");
    QTest::newRow("negative N") << QByteArray("{\\rtf1 \\u-3913?}") << QStringLiteral("\uF0B7");
    QTest::newRow("surrogate pair") << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}")
                                    << QString::fromUcs4(U"\U0001F600");
    QTest::newRow("uc scoped to group") << QByteArray("{\\rtf1 {\\uc2 \\u1055ab}\\u1088cd}")
                                        << QStringLiteral("Прd");
    QTest::newRow("group end stops skipping") << QByteArray("{\\rtf1\\uc3 {\\u1055}xyz}")
                                              << QStringLiteral("Пxyz");
    QTest::newRow("control word counts as one") << QByteArray("{\\rtf1\\uc1 \\u1055\\tab x}")
                                                << QStringLiteral("Пx");
    QTest::newRow("lone high surrogate") << QByteArray("{\\rtf1 \\u-10179?x}") << QStringLiteral("\uFFFDx");
    QTest::newRow("lone low surrogate") << QByteArray("{\\rtf1 \\u-8704?x}") << QStringLiteral("\uFFFDx");
    QTest::newRow("out of range") << QByteArray("{\\rtf1 \\u99999?x}") << QStringLiteral("\uFFFDx");
    QTest::newRow("object replacement character") << QByteArray("{\\rtf1 a\\u-4?b}") << QStringLiteral("ab");
    QTest::newRow("huge uc") << QByteArray("{\\rtf1\\uc99999999999 \\u1055abc}") << QStringLiteral("П");
}

void TestRtfReader::unicodeEscapes()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

void TestRtfReader::skippedDestinations_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("ignorable unknown") << QByteArray("{\\rtf1 a{\\*\\unknownthing junk {nested} more}b}")
                                       << QStringLiteral("ab");
    QTest::newRow("unknown word without star is ignored, text kept")
        << QByteArray("{\\rtf1 a{\\madeup kept}b}") << QStringLiteral("akeptb");
    QTest::newRow("stylesheet and info")
        << QByteArray("{\\rtf1{\\stylesheet{\\s0 Normal;}{\\*\\cs1\\b Strong;}}{\\info{\\title T}{\\author A}}x}")
        << QStringLiteral("x");
    QTest::newRow("picture with braces in bin")
        << QByteArray("{\\rtf1 a{\\pict\\pngblip\\bin6 }}{{{ 89504e47}b}") << QStringLiteral("ab");
    QTest::newRow("header footer footnote")
        << QByteArray("{\\rtf1{\\header h}{\\footer f}a{\\footnote\\pard n}b}") << QStringLiteral("ab");
    QTest::newRow("generator, themedata, datastore")
        << QByteArray("{\\rtf1{\\*\\generator Riched20;}{\\*\\themedata 504b}{\\*\\datastore 0105}x}")
        << QStringLiteral("x");
    QTest::newRow("list tables") << QByteArray("{\\rtf1{\\*\\listtable{\\list{\\listlevel{\\leveltext \\'01\\'b7;}}}}"
                                               "{\\*\\listoverridetable{\\listoverride\\ls1}}x}")
                                 << QStringLiteral("x");
    QTest::newRow("upr keeps the Unicode part")
        << QByteArray("{\\rtf1{\\upr{ansi text}{\\*\\ud{\\u1055?}}}}") << QStringLiteral("П");
    QTest::newRow("hidden text") << QByteArray("{\\rtf1 a{\\v hidden}b\\v c\\v0 d}") << QStringLiteral("abd");
    QTest::newRow("bin in text") << QByteArray("{\\rtf1 a\\bin3 xyzb}") << QStringLiteral("ab");
}

void TestRtfReader::skippedDestinations()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

// What a document holds besides its text, each kind through its RTF forms:
// the text a plain-text file gets and the elements counted.
void TestRtfReader::structures_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("elements");
    const QByteArray png = "89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c49444154789c63f8cfc0000003010100c9fe92ef0000000049454e44ae426082";
    const QByteArray row3 = "\\trowd\\cellx1000\\cellx2000\\cellx3000";
    const QByteArray start = "{\\rtf1";

    QTest::newRow("hyperlink") << QByteArray("{\\rtf1 see {\\field{\\*\\fldinst {HYPERLINK \"http://x.ru\"}}"
                                             "{\\fldrslt {\\ul link}}} now}")
                               << "see link now" << "links=1";
    QTest::newRow("field shown by its result") << QByteArray("{\\rtf1 {\\field{\\fldinst PAGE}{\\*\\fldrslt 3}}}")
                                               << "3" << "";
    QTest::newRow("field without a result is kept")
        << QByteArray("{\\rtf1 a{\\field{\\*\\fldinst PAGE}{\\fldrslt }}b}") << "ab" << "fields=1";
    QTest::newRow("table") << start + row3 + "\\pard\\intbl a\\cell b\\cell c\\cell\\row" + row3
            + "\\pard\\intbl d\\cell \\cell f\\cell\\row\\pard after\\par}"
                           << "a\tb\tc\nd\t\tf\nafter\n" << "tables=1 rows=2 cells=6";
    QTest::newRow("cells without definitions")
        << QByteArray("{\\rtf1\\pard\\intbl\\cell\\cell\\row\\pard\\intbl a\\cell\\cell\\cell\\row}")
        << "\t\t\na\t\t" << "tables=1 rows=2 cells=6";
    // pandoc ends every cell's paragraph before the cell: no empty paragraph.
    QTest::newRow("paragraphs in cells")
        << QByteArray("{\\rtf1\\trowd\\cellx1000\\cellx2000{{\\pard\\intbl A\\par}\\cell}"
                      "{{\\pard\\intbl B\\par C\\par}\\cell}\\row\\pard after\\par next}")
        << "A\tB C\nafter\nnext" << "tables=1 rows=1 cells=2";
    QTest::newRow("merged across") << QByteArray("{\\rtf1\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\cellx3000"
                                                 "\\pard\\intbl ab\\cell\\cell c\\cell\\row}")
                                   << "ab\t\tc" << "tables=1 rows=1 cells=2 merged=1";
    QTest::newRow("merged down") << QByteArray("{\\rtf1\\trowd\\clvmgf\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row"
                                               "\\trowd\\clvmrg\\cellx1000\\cellx2000\\pard\\intbl\\cell c\\cell\\row}")
                                 << "a\tb\n\tc" << "tables=1 rows=2 cells=3 merged=1";
    QTest::newRow("fewer wider cells") << start + row3 + "\\pard\\intbl a\\cell b\\cell c\\cell\\row"
            "\\trowd\\cellx2000\\cellx3000\\pard\\intbl wide\\cell d\\cell\\row}"
                                       << "a\tb\tc\nwide\t\td" << "tables=1 rows=2 cells=5 merged=1";
    QTest::newRow("nested table")
        << QByteArray("{\\rtf1\\trowd\\cellx3000\\pard\\intbl out\\par\\itap2 x\\nestcell y\\nestcell"
                      "{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}{\\nonesttables fallback\\par}"
                      "\\pard\\intbl end\\cell\\row}")
        << "out x y end" << "tables=2 rows=2 cells=3";
    QTest::newRow("thousands of columns")
        << QByteArray("{\\rtf1\\trowd") + QByteArray("\\cellx-5").repeated(3000) + "\\pard\\intbl"
            + QByteArray(" x\\cell").repeated(3000) + "\\row\\pard after}"
        << QStringLiteral("x\t").repeated(63) + QStringList(2937, QStringLiteral("x")).join(QLatin1Char(' ')) + "\nafter"
        << "tables=1 rows=1 cells=64";
    QTest::newRow("nesting too deep")
        << QByteArray("{\\rtf1\\pard\\intbl\\itap9 deep\\nestcell\\nestrow\\pard after}")
        << "deep\nafter" << "tables=6 rows=6 cells=6";
    QTest::newRow("table never ended") << QByteArray("{\\rtf1 before\\par\\trowd\\cellx100\\pard\\intbl a\\cell b")
                                       << "before\na\tb" << "tables=1 rows=1 cells=2";
    QTest::newRow("picture") << "{\\rtf1 a{\\pict\\pngblip\\picwgoal1500\\pichgoal750 " + png + "}b}"
                             << "ab" << "pictures=1";
    QTest::newRow("picture in shppict, fallback after it")
        << "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip " + png + "}}{\\nonshppict{\\pict\\wmetafile8 0100}}b}"
        << "ab" << "pictures=1";
    QTest::newRow("picture as binary") << "{\\rtf1 a{\\pict\\pngblip\\bin" + QByteArray::number(png.size() / 2) + " "
            + QByteArray::fromHex(png) + "}b}"
                                       << "ab" << "pictures=1";
    QTest::newRow("metafile is kept") << QByteArray("{\\rtf1 a{\\pict\\wmetafile8\\picwgoal300\\pichgoal300 0100}b}")
                                      << "ab" << "metafiles=1";
    QTest::newRow("truncated picture data") << "{\\rtf1 a{\\pict\\pngblip " + png.left(41) + "}b}"
                                            << "ab" << "pictures=1";
    QTest::newRow("file cut inside a picture") << "{\\rtf1 a{\\pict\\pngblip " + png.left(40) << "a" << "";
    QTest::newRow("picture that is not what it says") << QByteArray("{\\rtf1 a{\\pict\\jpegblip 0102030405}b}")
                                                      << "ab" << "metafiles=1";
    QTest::newRow("shape picture fallbacks")
        << QByteArray("{\\rtf1 a{\\*\\shppict{\\pict 00}}{\\nonshppict{\\pict 11}}b}") << "ab" << "metafiles=1";
    QTest::newRow("footnote, bookmarks, object")
        << QByteArray("{\\rtf1 a{\\*\\bkmkstart m}b{\\*\\bkmkend m}{\\super\\chftn}{\\footnote\\pard\\plain n}"
                      "{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result r}}c}")
        << "abc" << "footnotes=1 objects=1 bookmarks=2";
    QTest::newRow("annotation in its several groups")
        << QByteArray("{\\rtf1 a{\\*\\atnid X}{\\*\\atnauthor Ann}\\chatn {\\*\\annotation{\\*\\atnref 1} note}b}")
        << "ab" << "annotations=1";
    QTest::newRow("hidden text is kept, a marker for each run")
        << QByteArray("{\\rtf1 a{\\v hidden}b\\v c{\\b d}{e}\\v0 f}") << "abf" << "hidden=4";
    QTest::newRow("field with a hidden result")
        << QByteArray("{\\rtf1 a{\\field{\\*\\fldinst PAGE}{\\fldrslt {\\v 3}}}b}") << "ab" << "hidden=1";
    QTest::newRow("elements in hidden text stay hidden")
        << "{\\rtf1 a{\\v{\\footnote n}{\\pict\\pngblip " + png + "}{\\field{\\*\\fldinst PAGE}{\\fldrslt }}}b}"
        << "ab" << "footnotes=1 metafiles=1 fields=1";
    QTest::newRow("header and style sheet are not text")
        << QByteArray("{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\header h}{\\footer f}x}") << "x" << "";
    QTest::newRow("lists") << QByteArray("{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc23{\\leveltext \\'01\\u8226 ?;}}"
                                         "{\\listlevel\\levelnfc4{\\leveltext \\'02\\'01);}}\\listid7}}"
                                         "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}"
                                         "{\\listtext \\u8226 ?\\tab}\\pard\\ls1 one\\par{\\listtext a)\\tab}\\pard\\ls1\\ilvl1 sub\\par"
                                         "\\pard\\ls1 two\\par\\pard plain}")
                           << "one\nsub\ntwo\nplain" << "lists=2 items=3";
    // Without a list table, the numbers the writer put in \\listtext are the
    // only ones the items have: they stay text.
    QTest::newRow("list without a list table")
        << QByteArray("{\\rtf1{\\listtext 10.\\tab}\\pard\\ls5 one\\par\\pard\\ls5 two}") << "10.\tone\ntwo" << "";
    QTest::newRow("list missing from the list table")
        << QByteArray("{\\rtf1{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}{\\listtext 1.\\tab}\\pard\\ls5 one\\par"
                      "\\pard\\ls5 two\\par}")
        << "one\ntwo\n" << "lists=1 items=2";
    QTest::newRow("old numbering") << QByteArray("{\\rtf1\\pard{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec}one\\par"
                                                 "\\pard{\\pntext 2.\\tab}{\\*\\pn\\pnlvlbody\\pndec}two\\par\\pard x\\par"
                                                 "\\pard{\\pntext \\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb \\'b7}}b}")
                                   << "one\ntwo\nx\nb" << "lists=2 items=3";
}

void TestRtfReader::structures()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QString, elements);
    static const QByteArray png = "89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c49444154789c63f8cfc0000003010100c9fe92ef0000000049454e44ae426082";
    rtf.replace("89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c49444154789c63f8cfc0000003010100c9fe92ef0000000049454e44ae426082", png);
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));
    const DocumentCensus census = DocumentCensus::of(doc);
    QCOMPARE(census.text, text);
    QCOMPARE(census.describe(), elements);
}

// Pictures are shown at their size, their bytes kept as read; markers carry
// what a tooltip shows.
void TestRtfReader::picturesAndMarkers()
{
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c49444154789c63f8cfc0000003010100c9fe92ef0000000049454e44ae426082");
    QTextDocument doc;
    RtfReader::read("{\\rtf1\\ansi{\\pict\\pngblip\\picwgoal1500\\pichgoal750\\picscalex50 " + png.toHex()
                        + "}{\\footnote \\u1058?\\u1077?\\u1082?\\u1089?\\u1090? note}{\\*\\bkmkstart Mark}}",
                    &doc);
    QTextCursor cursor(&doc);
    cursor.setPosition(1);
    const QTextImageFormat image = cursor.charFormat().toImageFormat();
    QCOMPARE(QSizeF(image.width(), image.height()), QSizeF(50, 50));
    QCOMPARE(RtfObjects::pictureBytes(&doc, image), png);
    QCOMPARE(RtfObjects::decodePicture(RtfObjects::pictureBytes(&doc, image), QSize(4, 4)).size(), QSize(4, 4));
    cursor.setPosition(2);
    QCOMPARE(RtfObjects::markerToolTip(cursor.charFormat()), QStringLiteral("Сноска: Текст note"));
    cursor.setPosition(3);
    QCOMPARE(RtfObjects::markerToolTip(cursor.charFormat()), QStringLiteral("Закладка: Mark"));
}

void TestRtfReader::insertAtCursor()
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("start REPLACE end"));
    QTextCursor cursor = doc.find(QStringLiteral("REPLACE"));
    QVERIFY(RtfReader::insert("{\\rtf1{\\b bold} \\'e9}", cursor));
    QCOMPARE(doc.toPlainText(), QStringLiteral("start bold é end"));
    QCOMPARE(cursor.position(), 12);
    QVERIFY(formatAt(doc, "bold").fontWeight() >= QFont::Bold);
    QVERIFY(formatAt(doc, "end").fontWeight() < QFont::Bold);
    // Inserting is one step to undo.
    doc.undo();
    QCOMPARE(doc.toPlainText(), QStringLiteral("start REPLACE end"));

    // A paragraph mark in the inserted text splits the paragraph.
    doc.setPlainText(QStringLiteral("ab"));
    QTextCursor mid(&doc);
    mid.setPosition(1);
    RtfReader::insert("{\\rtf1 X\\par Y}", mid);
    QCOMPARE(doc.toPlainText(), QStringLiteral("aX\nYb"));
}

void TestRtfReader::badInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("missing closing braces") << QByteArray("{\\rtf1 abc{\\b def") << QStringLiteral("abcdef");
    QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 ab}}}cd") << QStringLiteral("ab");
    QTest::newRow("text after the document") << QByteArray("{\\rtf1 ab}{\\rtf1 more}") << QStringLiteral("ab");
    QTest::newRow("truncated control word") << QByteArray("{\\rtf1 ab\\") << QStringLiteral("ab");
    QTest::newRow("truncated hex") << QByteArray("{\\rtf1 ab\\'4") << QStringLiteral("ab");
    QTest::newRow("invalid hex") << QByteArray("{\\rtf1 a\\'zzb}") << QStringLiteral("azzb");
    QTest::newRow("half hex") << QByteArray("{\\rtf1 a\\'4zb}") << QStringLiteral("azb");
    QTest::newRow("bin beyond the end") << QByteArray("{\\rtf1 ab\\bin999999999 cd}") << QStringLiteral("ab");
    QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << QStringLiteral("ab");
    QTest::newRow("parameter beyond 32 bits")
        << QByteArray("{\\rtf1 \\fs99999999999999999999 a\\u-99999999999999 b\\cf4294967297 c}")
        << QStringLiteral("a\uFFFDc");
    QTest::newRow("NUL bytes") << QByteArray("{\\rtf1 a\0b\\'00c}", 16) << QStringLiteral("abc");
    QTest::newRow("truncated unicode") << QByteArray("{\\rtf1 a\\u") << QStringLiteral("a");
    QTest::newRow("skipped group never closed") << QByteArray("{\\rtf1 a{\\*\\x {{{") << QStringLiteral("a");
    QTest::newRow("truncated font table") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Ari") << QString();
    QTest::newRow("very long control word")
        << QByteArray("{\\rtf1 a\\") + QByteArray(100000, 'x') + QByteArray(" b}") << QStringLiteral("ab");
}

void TestRtfReader::badInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

void TestRtfReader::deepNestingIsLinear()
{
    // A million open groups: no recursion, bounded state, text still read.
    const QByteArray deep = QByteArray("{\\rtf1 a") + QByteArray(1000000, '{') + "b"
        + QByteArray(1000000, '}') + "c}";
    QCOMPARE(textOf(deep), QStringLiteral("abc"));

    // Formats still act at depths beyond the kept state.
    const QByteArray boldDeep = QByteArray("{\\rtf1 ") + QByteArray(5000, '{') + "\\b x"
        + QByteArray(5000, '}') + " y}";
    QTextDocument doc;
    RtfReader::read(boldDeep, &doc);
    QVERIFY(formatAt(doc, "x").fontWeight() >= QFont::Bold);
    QVERIFY(formatAt(doc, "y").fontWeight() < QFont::Bold);
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
