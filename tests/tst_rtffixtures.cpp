// Reads RTF made by real programs (LibreOffice, pandoc, AbiWord) and checks
// the text and the formatting the reader gives against what each document
// holds. The fixtures and the programs that made them are described in
// tests/fixtures/README.md; every <name>.rtf has a <name>.txt beside it with
// the visible text written out by hand: paragraphs joined by "\n", table cells
// by "\t", a line break inside a paragraph as U+2028.

#include "rtf/PlainTextExport.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"
#include "helpers/DocumentCensus.h"
#include "helpers/TestFiles.h"
#include "helpers/TextChecks.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include <algorithm>

namespace {

const QString kFixturesDir = QStringLiteral(PERGALOT_FIXTURES_DIR);

// Every fixture .rtf, as paths relative to the fixtures folder
// ("libreoffice/table.rtf"); the regeneration sources are left out.
QStringList fixtureFiles()
{
    QStringList files;
    QDirIterator it(kFixturesDir, {QStringLiteral("*.rtf")}, QDir::Files, QDirIterator::Subdirectories);
    const QDir root(kFixturesDir);
    while (it.hasNext()) {
        const QString rel = root.relativeFilePath(it.next());
        if (rel.split(QLatin1Char('/')).contains(QStringLiteral("sources")))
            continue;
        files << rel;
    }
    files.sort();
    return files;
}

// The document's text as the .txt files write it: paragraphs joined by
// "\n", table cells by tabs.
QString documentText(const QTextDocument& doc)
{
    return PlainTextExport::text(&doc);
}

bool isTrailingSpace(QChar c)
{
    // Ordinary white space and the line separator, but not the no-break
    // space: that one is text the reader has to keep.
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QChar(0x2028) || c == QLatin1Char('\r');
}

QString chopTrailingSpace(QString s)
{
    while (!s.isEmpty() && isTrailingSpace(s.back()))
        s.chop(1);
    return s;
}

// Lines compared leniently: runs of spaces become one, white space at the end
// of each line and of each table cell goes, runs of blank lines become one
// and blank lines at the end of the document do not count.
QStringList normalisedLines(const QString& text)
{
    static const QRegularExpression spaces(QStringLiteral(" {2,}"));
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar::LineSeparator, QLatin1Char('\n'));
    QStringList out;
    for (const QString& rawLine : t.split(QLatin1Char('\n'))) {
        QStringList cells = rawLine.split(QLatin1Char('\t'));
        for (QString& cell : cells) {
            cell.replace(spaces, QStringLiteral(" "));
            cell = chopTrailingSpace(cell);
        }
        const QString line = chopTrailingSpace(cells.join(QLatin1Char('\t')));
        if (line.isEmpty() && !out.isEmpty() && out.back().isEmpty())
            continue;
        out << line;
    }
    while (!out.isEmpty() && out.back().isEmpty())
        out.removeLast();
    return out;
}

// The char formats of the fragments that hold the first occurrence of
// `word`; empty when the word is not in the document.
struct Occurrence {
    bool found = false;
    QList<QTextCharFormat> formats;
    QTextBlockFormat blockFormat;
};

Occurrence findWord(const QTextDocument& doc, const QString& word)
{
    Occurrence occ;
    const QTextCursor hit = doc.find(word, 0, QTextDocument::FindCaseSensitively);
    if (hit.isNull() || !hit.hasSelection())
        return occ;
    occ.found = true;
    const int start = hit.selectionStart();
    const int end = hit.selectionEnd();
    occ.blockFormat = doc.findBlock(start).blockFormat();
    for (QTextBlock b = doc.findBlock(start); b.isValid() && b.position() < end; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid())
                continue;
            const int fs = frag.position();
            const int fe = fs + frag.length();
            if (fe > start && fs < end)
                occ.formats << frag.charFormat();
        }
    }
    return occ;
}

QString alignmentName(Qt::Alignment a)
{
    switch (int(a & Qt::AlignHorizontal_Mask)) {
    case Qt::AlignLeft: return QStringLiteral("left");
    case Qt::AlignRight: return QStringLiteral("right");
    case Qt::AlignHCenter: return QStringLiteral("center");
    case Qt::AlignJustify: return QStringLiteral("justify");
    default: return QStringLiteral("0x%1").arg(int(a), 0, 16);
    }
}

} // namespace

class TestRtfFixtures : public QObject
{
    Q_OBJECT

private slots:
    void fixturesPresent();
    void text_data();
    void text();
    void formats_data();
    void formats();
    void elementsKept_data();
    void elementsKept();
};

void TestRtfFixtures::fixturesPresent()
{
    const QStringList files = fixtureFiles();
    for (const QString producer : {QStringLiteral("libreoffice/"), QStringLiteral("pandoc/"), QStringLiteral("abiword/")}) {
        const auto n = std::count_if(files.begin(), files.end(), [&](const QString& f) { return f.startsWith(producer); });
        QVERIFY2(n >= 4, qPrintable(QStringLiteral("too few fixtures from %1: %2").arg(producer).arg(n)));
    }
    for (const QString& rel : files) {
        const QString txt = kFixturesDir + QLatin1Char('/') + rel.chopped(4) + QStringLiteral(".txt");
        QVERIFY2(QFileInfo::exists(txt), qPrintable(QStringLiteral("no expected text for %1").arg(rel)));
    }
}

void TestRtfFixtures::text_data()
{
    QTest::addColumn<QString>("fixture");
    for (const QString& rel : fixtureFiles())
        QTest::newRow(qPrintable(rel)) << rel;
}

void TestRtfFixtures::text()
{
    QFETCH(QString, fixture);
    const QByteArray rtf = TestFiles::readFile(kFixturesDir + QLatin1Char('/') + fixture);
    QVERIFY(!rtf.isEmpty());
    const QByteArray expectedBytes = TestFiles::readFile(kFixturesDir + QLatin1Char('/') + fixture.chopped(4) + QStringLiteral(".txt"));
    QVERIFY(!expectedBytes.isEmpty());

    QVERIFY(RtfReader::isRtf(rtf));
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));

    const QStringList expected = normalisedLines(QString::fromUtf8(expectedBytes));
    const QStringList actual = normalisedLines(documentText(doc));
    const qsizetype n = std::max(expected.size(), actual.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QString e = expected.value(i, QStringLiteral("<no line>"));
        const QString a = actual.value(i, QStringLiteral("<no line>"));
        if (e != a) {
            QFAIL(qPrintable(QStringLiteral("%1: line %2 differs\n   expected: \"%3\"\n   actual:   \"%4\"\n   (expected %5 lines, got %6)")
                                 .arg(fixture)
                                 .arg(i + 1)
                                 .arg(TextChecks::visible(e), TextChecks::visible(a))
                                 .arg(expected.size())
                                 .arg(actual.size())));
        }
    }
}

// Every fixture with what it holds besides its text (counted as
// DocumentCensus::describe() writes it): read, written and read again, the
// document keeps all of it, and its text.
void TestRtfFixtures::elementsKept_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("elements");
    const QHash<QString, QString> expected{
        {"abiword/alignment.rtf", ""},
        {"abiword/fonts-colours.rtf", ""},
        {"abiword/formatting.rtf", ""},
        {"abiword/report.rtf", "pictures=2 tables=1 rows=2 cells=5 merged=1 links=1 footnotes=1 bookmarks=2"},
        {"abiword/symbols.rtf", ""},
        {"abiword/table.rtf", "tables=1 rows=3 cells=9"},
        {"handwritten/keeps.rtf", "pictures=1 tables=2 rows=3 cells=5 merged=1 lists=1 items=2 links=2 "
                                  "footnotes=1 annotations=1 metafiles=1 bookmarks=2 fields=1 hidden=2"},
        {"libreoffice/alignment.rtf", ""},
        {"libreoffice/fonts-colours.rtf", ""},
        {"libreoffice/formatting.rtf", ""},
        {"libreoffice/report.rtf", "pictures=2 tables=1 rows=2 cells=5 merged=1 lists=3 items=6 links=1 "
                                   "footnotes=1 bookmarks=2"},
        {"libreoffice/symbols.rtf", ""},
        {"libreoffice/table.rtf", "tables=1 rows=3 cells=9"},
        {"pandoc/formatting.rtf", ""},
        {"pandoc/from-html.rtf", ""},
        {"pandoc/lists-links.rtf", "links=1"},
        {"pandoc/report.rtf", "pictures=2 tables=1 rows=3 cells=9 links=1 footnotes=1"},
        {"pandoc/symbols.rtf", ""},
        {"pandoc/table.rtf", "tables=1 rows=3 cells=9"},
    };
    for (const QString& rel : fixtureFiles()) {
        QVERIFY2(expected.contains(rel), qPrintable(QStringLiteral("no expected elements for %1").arg(rel)));
        QTest::newRow(qPrintable(rel)) << rel << expected.value(rel);
    }
}

void TestRtfFixtures::elementsKept()
{
    QFETCH(QString, fixture);
    QFETCH(QString, elements);
    QTextDocument doc;
    QVERIFY(RtfReader::read(TestFiles::readFile(kFixturesDir + QLatin1Char('/') + fixture), &doc));
    const DocumentCensus read = DocumentCensus::of(doc);
    QCOMPARE(read.describe(), elements);
    QTextDocument again;
    QVERIFY(RtfReader::read(RtfWriter::write(&doc), &again));
    const DocumentCensus back = DocumentCensus::of(again);
    QCOMPARE(back.describe(), elements);
    QCOMPARE(normalisedLines(back.text), normalisedLines(read.text));
}

// Each row: a fixture, a word in it and what the word must look like, as
// ';'-separated checks:
//   b / !b, i / !i, u / !u, s / !s   bold, italic, underline, strikethrough
//   font=NAME                        first of fontFamilies()
//   size=POINTS                      fontPointSize()
//   colour=#rrggbb | colour=auto     foreground, or no foreground property
//   align=left|center|right|justify  the alignment of the word's paragraph
void TestRtfFixtures::formats_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("checks");

    auto row = [](const char* fixture, const QString& word, const QString& checks) {
        QTest::addRow("%s %s", fixture, qPrintable(word)) << QString::fromLatin1(fixture) << word << checks;
    };

    // LibreOffice 7.4, from HTML: runs as {\loch\b\loch ...} groups.
    row("libreoffice/formatting.rtf", "Обычный", "!b; !i; !u; !s; colour=auto; align=left");
    row("libreoffice/formatting.rtf", "Полужирный", "b; !i; !u; !s");
    row("libreoffice/formatting.rtf", "Курсивный", "i; !b; !u; !s");
    row("libreoffice/formatting.rtf", "Подчёркнутое", "u; !b; !i; !s");
    row("libreoffice/formatting.rtf", "Зачёркнутое", "s; !b; !i; !u");
    row("libreoffice/formatting.rtf", "Boldface", "b; !i");
    row("libreoffice/formatting.rtf", "Slanted", "i; !b");
    row("libreoffice/formatting.rtf", "Underscored", "u; !s");
    row("libreoffice/formatting.rtf", "Cancelled", "s; !u");
    row("libreoffice/formatting.rtf", "Комбинация", "b; i; u; !s");
    row("libreoffice/formatting.rtf", "конец", "!b; !i; !u; !s");

    // LibreOffice, from .fodt: \hich\af6\loch\f6, \fs21, \cfN.
    row("libreoffice/fonts-colours.rtf", "Шрифты", "font=Liberation Serif; size=12; colour=auto; !b");
    row("libreoffice/fonts-colours.rtf", "Моноширинный", "font=DejaVu Sans Mono; size=12");
    row("libreoffice/fonts-colours.rtf", "Рубленый", "font=Liberation Sans");
    row("libreoffice/fonts-colours.rtf", "Антиква", "font=PT Serif");
    row("libreoffice/fonts-colours.rtf", "Typewriter", "font=DejaVu Sans Mono");
    row("libreoffice/fonts-colours.rtf", "Grotesque", "font=Liberation Sans");
    row("libreoffice/fonts-colours.rtf", "мелкий", "size=8; font=Liberation Serif");
    row("libreoffice/fonts-colours.rtf", "средний", "size=14");
    row("libreoffice/fonts-colours.rtf", "крупный", "size=20");
    row("libreoffice/fonts-colours.rtf", "дробный", "size=10.5");
    row("libreoffice/fonts-colours.rtf", "Красный", "colour=#ff0000");
    row("libreoffice/fonts-colours.rtf", "Зелёный", "colour=#008000");
    row("libreoffice/fonts-colours.rtf", "Синий", "colour=#0000ff");
    row("libreoffice/fonts-colours.rtf", "Шоколадный", "colour=#7b3f00");
    row("libreoffice/fonts-colours.rtf", "Crimson", "colour=#ff0000");
    row("libreoffice/fonts-colours.rtf", "Azure", "colour=#0000ff");
    row("libreoffice/fonts-colours.rtf", "Заголовочный", "b; !i; size=16; font=Liberation Sans; colour=#c00000");
    row("libreoffice/fonts-colours.rtf", "конец", "!b; size=12; font=Liberation Serif; colour=auto");

    row("libreoffice/alignment.rtf", "Западный", "align=left");
    row("libreoffice/alignment.rtf", "Срединный", "align=center");
    row("libreoffice/alignment.rtf", "Восточная", "align=right");
    row("libreoffice/alignment.rtf", "Растянутый", "align=justify");
    row("libreoffice/alignment.rtf", "Centred", "align=center");
    row("libreoffice/alignment.rtf", "Right-aligned", "align=right");
    row("libreoffice/alignment.rtf", "Колонки", "align=left");
    row("libreoffice/alignment.rtf", "Новая", "align=left");

    row("libreoffice/table.rtf", "Товар", "b");
    row("libreoffice/table.rtf", "Цена", "b");
    row("libreoffice/table.rtf", "Яблоки", "!b");
    row("libreoffice/table.rtf", "После", "!b; align=left");

    // pandoc 2.17: {\b ...} groups, headings as \b\fs36, code in \f1.
    row("pandoc/formatting.rtf", "Заголовок", "b; size=18; font=Helvetica");
    row("pandoc/formatting.rtf", "Обычный", "!b; !i; !u; !s; font=Helvetica; colour=auto; align=left");
    row("pandoc/formatting.rtf", "Полужирным", "b; !i; !u; !s");
    row("pandoc/formatting.rtf", "Курсивным", "i; !b");
    row("pandoc/formatting.rtf", "Зачёркнутым", "s; !u; !b");
    row("pandoc/formatting.rtf", "Подчёркнутым", "u; !s; !b");
    row("pandoc/formatting.rtf", "Heavy", "b; !i");
    row("pandoc/formatting.rtf", "Oblique", "i; !b");
    row("pandoc/formatting.rtf", "Removed", "s");
    row("pandoc/formatting.rtf", "Emphasised", "u");
    row("pandoc/formatting.rtf", "Жирнокурсив", "b; i");
    row("pandoc/formatting.rtf", "моноширинный_код", "font=Courier; !b; !i");
    row("pandoc/formatting.rtf", "Second", "b; size=16");
    row("pandoc/formatting.rtf", "Last", "!b; font=Helvetica");

    row("pandoc/from-html.rtf", "Из HTML", "b; size=18; align=center");
    row("pandoc/from-html.rtf", "Документ", "b; size=18; align=left");
    row("pandoc/from-html.rtf", "Подчеркнул", "u; !s");
    row("pandoc/from-html.rtf", "Удалил", "s; !u");
    row("pandoc/from-html.rtf", "printf", "font=Courier");
    row("pandoc/from-html.rtf", "Формула", "!b; font=Helvetica");

    row("pandoc/lists-links.rtf", "сайт проекта", "u");
    row("pandoc/lists-links.rtf", "внутри", "!u");

    // AbiWord 3.0.5: \uc0\uN runs, \ansicpg1252, colour table without an
    // auto entry.
    row("abiword/formatting.rtf", "Простой", "!b; !i; !u; !s; font=Nimbus Roman; size=12; colour=auto; align=left");
    row("abiword/formatting.rtf", "Жирное", "b; !i; !u; !s");
    row("abiword/formatting.rtf", "Наклонное", "i; !b");
    row("abiword/formatting.rtf", "Подчёркнутое", "u; !s");
    row("abiword/formatting.rtf", "Перечёркнутое", "s; !u");
    row("abiword/formatting.rtf", "Strong", "b");
    row("abiword/formatting.rtf", "Emphatic", "i");
    row("abiword/formatting.rtf", "Lined", "u");
    row("abiword/formatting.rtf", "Crossed", "s");

    row("abiword/fonts-colours.rtf", "Гарнитуры", "font=Liberation Serif; size=12; colour=auto");
    row("abiword/fonts-colours.rtf", "Телетайп", "font=DejaVu Sans Mono");
    row("abiword/fonts-colours.rtf", "Гротеск", "font=Liberation Sans");
    row("abiword/fonts-colours.rtf", "Courierish", "font=Courier New");
    row("abiword/fonts-colours.rtf", "крошечный", "size=9");
    row("abiword/fonts-colours.rtf", "заметный", "size=16");
    row("abiword/fonts-colours.rtf", "огромный", "size=24");
    row("abiword/fonts-colours.rtf", "Алый", "colour=#ff0000");
    row("abiword/fonts-colours.rtf", "Изумрудный", "colour=#00a000");
    row("abiword/fonts-colours.rtf", "Лазурный", "colour=#0000ff");
    row("abiword/fonts-colours.rtf", "Серый", "colour=#808080");
    row("abiword/fonts-colours.rtf", "Purplish", "b; i; size=18; font=Liberation Sans; colour=#800080");
    row("abiword/fonts-colours.rtf", "end", "!b; !i; size=12; font=Liberation Serif; colour=auto");

    row("abiword/alignment.rtf", "Бортовой", "align=left");
    row("abiword/alignment.rtf", "Осевой", "align=center");
    row("abiword/alignment.rtf", "Кормовая", "align=right");
    row("abiword/alignment.rtf", "Выровненный", "align=justify");
    row("abiword/alignment.rtf", "Middle", "align=center");
    row("abiword/alignment.rtf", "Россия", "align=left");

    row("abiword/table.rtf", "День", "b");
    row("abiword/table.rtf", "Room", "b");
    row("abiword/table.rtf", "Понедельник", "!b");
    row("abiword/table.rtf", "Под", "!b; align=left");
}

void TestRtfFixtures::formats()
{
    QFETCH(QString, fixture);
    QFETCH(QString, word);
    QFETCH(QString, checks);

    const QByteArray rtf = TestFiles::readFile(kFixturesDir + QLatin1Char('/') + fixture);
    QVERIFY(!rtf.isEmpty());
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));

    const Occurrence occ = findWord(doc, word);
    QVERIFY2(occ.found, qPrintable(QStringLiteral("\"%1\" not found in %2").arg(word, fixture)));
    QVERIFY(!occ.formats.isEmpty());

    QStringList failures;
    for (QString check : checks.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        check = check.trimmed();
        const bool negated = check.startsWith(QLatin1Char('!'));
        const QString flag = negated ? check.mid(1) : check;
        const qsizetype eq = check.indexOf(QLatin1Char('='));
        const QString key = eq < 0 ? flag : check.left(eq);
        const QString value = eq < 0 ? QString() : check.mid(eq + 1).trimmed();

        if (key == QLatin1String("align")) {
            const QString got = alignmentName(occ.blockFormat.alignment());
            if (got != value)
                failures << QStringLiteral("align: expected %1, got %2").arg(value, got);
            continue;
        }
        for (const QTextCharFormat& f : occ.formats) {
            bool ok = true;
            if (flag == QLatin1String("b"))
                ok = (f.fontWeight() >= QFont::Bold) != negated;
            else if (flag == QLatin1String("i"))
                ok = f.fontItalic() != negated;
            else if (flag == QLatin1String("u"))
                ok = f.fontUnderline() != negated;
            else if (flag == QLatin1String("s"))
                ok = f.fontStrikeOut() != negated;
            else if (key == QLatin1String("font"))
                ok = f.fontFamilies().toStringList().value(0) == value;
            else if (key == QLatin1String("size"))
                ok = qFuzzyCompare(f.fontPointSize(), value.toDouble());
            else if (key == QLatin1String("colour") && value == QLatin1String("auto"))
                ok = !f.hasProperty(QTextFormat::ForegroundBrush);
            else if (key == QLatin1String("colour"))
                ok = f.hasProperty(QTextFormat::ForegroundBrush)
                    && f.foreground().color().name() == QColor(value).name();
            else
                QFAIL(qPrintable(QStringLiteral("unknown check '%1'").arg(check)));
            if (!ok) {
                failures << QStringLiteral("%1: got %2").arg(check, TextChecks::describe(f));
                break;
            }
        }
    }
    QVERIFY2(failures.isEmpty(),
             qPrintable(QStringLiteral("%1, \"%2\": %3").arg(fixture, word, failures.join(QStringLiteral("; ")))));
}

QTEST_MAIN(TestRtfFixtures)
#include "tst_rtffixtures.moc"
