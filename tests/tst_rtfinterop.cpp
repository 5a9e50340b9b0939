// What our writer produces, as LibreOffice reads it: documents built here are
// written with RtfWriter, converted by soffice to UTF-8 text and to HTML, and
// the text, bold/italic/underline/strikethrough, colour, font, size and
// paragraph alignment LibreOffice found are compared with what we wrote.
//
// soffice is started twice in all (once per target format, with every
// document in the same call) with a fresh profile in a temporary folder.
// Without soffice the test is skipped, except under CI (CI set), where that
// is a failure. PERGALOT_KEEP_INTEROP=1 keeps the temporary folder.

#include "helpers/TestFiles.h"
#include "helpers/TextChecks.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QtTest>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

namespace {

// ---------------------------------------------------------------- documents

struct Run {
    QString text;
    QTextCharFormat format;
};

QTextCharFormat plain() { return {}; }
QTextCharFormat bold() { QTextCharFormat f; f.setFontWeight(QFont::Bold); return f; }
QTextCharFormat italic() { QTextCharFormat f; f.setFontItalic(true); return f; }
QTextCharFormat underline() { QTextCharFormat f; f.setFontUnderline(true); return f; }
QTextCharFormat strike() { QTextCharFormat f; f.setFontStrikeOut(true); return f; }
QTextCharFormat coloured(const char* name, QTextCharFormat f = {})
{
    f.setForeground(QColor(QString::fromLatin1(name)));
    return f;
}
QTextCharFormat font(const QString& family, qreal size = 0)
{
    QTextCharFormat f;
    f.setFontFamilies({family});
    if (size > 0)
        f.setFontPointSize(size);
    return f;
}
QTextCharFormat sized(qreal size) { QTextCharFormat f; f.setFontPointSize(size); return f; }
QTextCharFormat allFour()
{
    QTextCharFormat f = bold();
    f.setFontItalic(true);
    f.setFontUnderline(true);
    f.setFontStrikeOut(true);
    return f;
}

class DocBuilder
{
public:
    explicit DocBuilder(QTextDocument* doc) : m_cursor(doc) {}

    DocBuilder& para(const QList<Run>& runs, Qt::Alignment align = Qt::AlignLeft)
    {
        QTextBlockFormat bf;
        bf.setAlignment(align);
        if (m_first)
            m_cursor.setBlockFormat(bf);
        else
            m_cursor.insertBlock(bf, QTextCharFormat());
        m_first = false;
        for (const Run& r : runs)
            m_cursor.insertText(r.text, r.format);
        return *this;
    }

private:
    QTextCursor m_cursor;
    bool m_first = true;
};

const QString kJustifyTail = QStringLiteral(
    " — этот абзац нарочно длинный, чтобы его строки растягивались от левого поля до правого "
    "и выравнивание по ширине было видно; and some English words to make it longer still.");

struct Sample {
    QString name;
    std::shared_ptr<QTextDocument> doc;
    // The text LibreOffice should find; empty: the document's own text.
    QString expectedText;
    QByteArray rtf;
};

std::vector<Sample> buildSamples()
{
    std::vector<Sample> out;
    auto add = [&](const QString& name) -> QTextDocument* {
        out.push_back({name, std::make_shared<QTextDocument>(), {}, {}});
        return out.back().doc.get();
    };

    {
        DocBuilder b(add(QStringLiteral("formats")));
        b.para({{QStringLiteral("Обычный текст, "), plain()},
                {QStringLiteral("Жирнослов"), bold()},
                {QStringLiteral(", "), plain()},
                {QStringLiteral("Курсивслов"), italic()},
                {QStringLiteral(", "), plain()},
                {QStringLiteral("Подчёркслов"), underline()},
                {QStringLiteral(" и "), plain()},
                {QStringLiteral("Зачёркслов"), strike()},
                {QStringLiteral("."), plain()}});
        b.para({{QStringLiteral("English: "), plain()},
                {QStringLiteral("Boldword"), bold()},
                {QStringLiteral(" "), plain()},
                {QStringLiteral("Italicword"), italic()},
                {QStringLiteral(" "), plain()},
                {QStringLiteral("Underword"), underline()},
                {QStringLiteral(" "), plain()},
                {QStringLiteral("Strikeword"), strike()},
                {QStringLiteral(" "), plain()},
                {QStringLiteral("Allformats"), allFour()},
                {QStringLiteral(" end."), plain()}});
        b.para({{QStringLiteral("Plainword и Простослово без оформления."), plain()}});
        b.para({{QStringLiteral("Шрифты: "), plain()},
                {QStringLiteral("Моноширослов"), font(QStringLiteral("DejaVu Sans Mono"))},
                {QStringLiteral(", "), plain()},
                {QStringLiteral("Sansword"), font(QStringLiteral("Liberation Sans"), 14)},
                {QStringLiteral(", "), plain()},
                {QStringLiteral("Крупнослов"), sized(20)},
                {QStringLiteral("."), plain()}});
    }
    {
        DocBuilder b(add(QStringLiteral("colours")));
        b.para({{QStringLiteral("Цвета: "), plain()},
                {QStringLiteral("Краснослов"), coloured("#ff0000")},
                {QStringLiteral(", "), plain()},
                {QStringLiteral("Зеленослов"), coloured("#008000")},
                {QStringLiteral(", "), plain()},
                {QStringLiteral("Синеслов"), coloured("#0000ff")},
                {QStringLiteral(", "), plain()},
                {QStringLiteral("Бурослов"), coloured("#7b3f00")},
                {QStringLiteral("."), plain()}});
        b.para({{QStringLiteral("English "), plain()},
                {QStringLiteral("Tealword"), coloured("#008080")},
                {QStringLiteral(" and "), plain()},
                {QStringLiteral("Hotword"), coloured("#c00000", bold())},
                {QStringLiteral(" after "), plain()},
                {QStringLiteral("Blackword"), coloured("#000000")},
                {QStringLiteral(" and Autoword."), plain()}});
    }
    {
        DocBuilder b(add(QStringLiteral("alignment")));
        b.para({{QStringLiteral("Левослов: абзац у левого поля."), plain()}}, Qt::AlignLeft);
        b.para({{QStringLiteral("Центрослов по центру"), plain()}}, Qt::AlignHCenter);
        b.para({{QStringLiteral("Правослов справа"), plain()}}, Qt::AlignRight);
        b.para({{QStringLiteral("Ширинослов") + kJustifyTail, plain()}}, Qt::AlignJustify);
        b.para({{QStringLiteral("Centreword in the middle"), bold()}}, Qt::AlignHCenter);
        b.para({{QStringLiteral("Rightword at the right"), italic()}}, Qt::AlignRight);
        b.para({{QStringLiteral("Justifyword") + kJustifyTail, plain()}}, Qt::AlignJustify);
        b.para({{QStringLiteral("Leftword again"), plain()}}, Qt::AlignLeft);
    }
    {
        DocBuilder b(add(QStringLiteral("specials")));
        b.para({{QStringLiteral("Фигурные {скобки} и обратная косая \\ черта; \\par не команда, "), plain()},
                {QStringLiteral("{\\b Нежирный}"), plain()},
                {QStringLiteral(" и {\\i} пустые."), plain()}});
        b.para({{QStringLiteral("Эмодзи 😀 и 🎉, тире —, «ёлочки», „лапки“, № 5, € 10, ₽ 20, ЁЖ и ёж."), plain()}});
        b.para({{QStringLiteral("Первая строка") + QChar(0x2028) + QStringLiteral("вторая строка того же абзаца"),
                 plain()}});
        b.para({{QStringLiteral("Колонка\tпосле табуляции; {жирный "), bold()},
                {QStringLiteral("Smiley😀word"), coloured("#ff0000", bold())},
                {QStringLiteral("} end\\"), plain()}});
        b.para({{QStringLiteral("Latin-1: café, naïve, Ünïcödé; греческий: αβγ."), plain()}});
    }
    {
        // Only a selection: the second paragraph of a three-paragraph
        // document, from its second word on.
        auto doc = std::make_shared<QTextDocument>();
        DocBuilder b(doc.get());
        b.para({{QStringLiteral("Не выделено."), plain()}});
        b.para({{QStringLiteral("Начало "), plain()},
                {QStringLiteral("Выделслов"), bold()},
                {QStringLiteral(" и "), plain()},
                {QStringLiteral("Selectword"), coloured("#0000ff", italic())},
                {QStringLiteral(" конец."), plain()}},
               Qt::AlignHCenter);
        b.para({{QStringLiteral("Тоже не выделено."), plain()}});
        QTextCursor sel(doc.get());
        const QTextBlock second = doc->begin().next();
        sel.setPosition(second.position() + int(QStringLiteral("Начало ").size()));
        sel.setPosition(second.position() + second.length() - 1, QTextCursor::KeepAnchor);
        Sample s{QStringLiteral("selection"), doc, sel.selectedText(), RtfWriter::write(sel)};
        out.push_back(s);
    }

    for (Sample& s : out) {
        if (s.rtf.isEmpty())
            s.rtf = RtfWriter::write(s.doc.get());
        if (s.expectedText.isEmpty()) {
            QStringList blocks;
            for (QTextBlock b = s.doc->begin(); b.isValid(); b = b.next())
                blocks << b.text();
            s.expectedText = blocks.join(QLatin1Char('\n'));
        }
    }
    return out;
}

// ---------------------------------------------------------------- text

bool isTrailingSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

// LibreOffice's text export ends a line break inside a paragraph with a
// newline like a paragraph; spaces, line ends and trailing blank lines are
// compared leniently.
QStringList normalisedLines(QString text)
{
    static const QRegularExpression spaces(QStringLiteral(" {2,}"));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(0x2028), QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    QStringList out;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line.replace(spaces, QStringLiteral(" "));
        while (!line.isEmpty() && isTrailingSpace(line.back()))
            line.chop(1);
        if (line.isEmpty() && !out.isEmpty() && out.back().isEmpty())
            continue;
        out << line;
    }
    while (!out.isEmpty() && out.back().isEmpty())
        out.removeLast();
    return out;
}

// ---------------------------------------------------------------- HTML

struct Element {
    QString name;
    QString attrs;
};

struct Segment {
    QString text;
    QList<Element> stack;
};

// A small tag walker over the body of LibreOffice's HTML: text segments,
// each with the elements open around it.
QList<Segment> walkHtml(const QString& html)
{
    static const QRegularExpression tag(QStringLiteral("<(/?)([A-Za-z][A-Za-z0-9]*)((?:[^>\"']|\"[^\"]*\"|'[^']*')*)>"));
    static const QStringList voidElements = {QStringLiteral("br"),   QStringLiteral("img"),  QStringLiteral("meta"),
                                             QStringLiteral("link"), QStringLiteral("hr"),   QStringLiteral("col"),
                                             QStringLiteral("input"), QStringLiteral("wbr"), QStringLiteral("area")};
    QList<Segment> segments;
    QList<Element> stack;
    qsizetype pos = html.indexOf(QStringLiteral("<body"), 0, Qt::CaseInsensitive);
    if (pos < 0)
        pos = 0;
    while (pos < html.size()) {
        const qsizetype lt = html.indexOf(QLatin1Char('<'), pos);
        const qsizetype textEnd = lt < 0 ? html.size() : lt;
        if (textEnd > pos) {
            const QString text = TextChecks::decodeEntities(html.mid(pos, textEnd - pos));
            if (!text.isEmpty())
                segments << Segment{text, stack};
        }
        if (lt < 0)
            break;
        if (html.mid(lt, 4) == QLatin1String("<!--")) {
            const qsizetype end = html.indexOf(QStringLiteral("-->"), lt + 4);
            pos = end < 0 ? html.size() : end + 3;
            continue;
        }
        const auto m = tag.match(html, lt, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch()) { // a stray '<': text
            segments << Segment{QStringLiteral("<"), stack};
            pos = lt + 1;
            continue;
        }
        pos = m.capturedEnd();
        const QString name = m.captured(2).toLower();
        if (m.captured(1) == QLatin1String("/")) {
            for (qsizetype i = stack.size() - 1; i >= 0; --i) {
                if (stack[i].name == name) {
                    stack.resize(i);
                    break;
                }
            }
            if (name == QLatin1String("p") || name == QLatin1String("div") || name.startsWith(QLatin1Char('h')))
                segments << Segment{QStringLiteral("\n"), stack};
        } else if (name == QLatin1String("br")) {
            segments << Segment{QStringLiteral("\n"), stack};
        } else if (!voidElements.contains(name) && !m.captured(3).trimmed().endsWith(QLatin1Char('/'))) {
            stack << Element{name, m.captured(3)};
        }
    }
    return segments;
}

QString attribute(const Element& e, const QString& attr)
{
    const QRegularExpression re(QStringLiteral("(?:^|\\s)%1\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))").arg(attr),
                                QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(e.attrs);
    if (!m.hasMatch())
        return {};
    for (int i = 1; i <= 3; ++i)
        if (m.capturedStart(i) >= 0)
            return m.captured(i);
    return {};
}

QString cssValue(const Element& e, const QString& property)
{
    const QString style = attribute(e, QStringLiteral("style"));
    if (style.isEmpty())
        return {};
    const QRegularExpression re(QStringLiteral("(?:^|;)\\s*%1\\s*:\\s*([^;]+)").arg(QRegularExpression::escape(property)),
                                QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(style);
    return m.hasMatch() ? m.captured(1).trimmed().toLower() : QString();
}

// What LibreOffice's HTML says about the text in one segment.
struct HtmlLook {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    QString colour; // "#rrggbb", or empty for none
    QString face;   // first family named, or empty
    qreal size = 0; // points, or 0
    QString align = QStringLiteral("left");
};

QString cssColour(const QString& v)
{
    static const QRegularExpression rgb(QStringLiteral("rgb\\(\\s*(\\d+)\\s*,\\s*(\\d+)\\s*,\\s*(\\d+)\\s*\\)"));
    const auto m = rgb.match(v);
    if (m.hasMatch())
        return QColor(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()).name();
    const QColor c(v.trimmed());
    return c.isValid() ? c.name() : v.trimmed().toLower();
}

HtmlLook lookOf(const QList<Element>& stack)
{
    static const QStringList blocks = {QStringLiteral("p"),  QStringLiteral("div"), QStringLiteral("h1"),
                                       QStringLiteral("h2"), QStringLiteral("h3"),  QStringLiteral("h4"),
                                       QStringLiteral("h5"), QStringLiteral("h6"),  QStringLiteral("li"),
                                       QStringLiteral("td"), QStringLiteral("th"),  QStringLiteral("center")};
    HtmlLook look;
    bool haveAlign = false;
    std::optional<bool> bold, italic, underline, struck;
    for (qsizetype i = stack.size() - 1; i >= 0; --i) { // innermost first
        const Element& e = stack[i];
        const QString& n = e.name;
        const QString weight = cssValue(e, QStringLiteral("font-weight"));
        const QString fontStyle = cssValue(e, QStringLiteral("font-style"));
        const QString decoration = cssValue(e, QStringLiteral("text-decoration")) + QLatin1Char(' ')
            + cssValue(e, QStringLiteral("text-decoration-line"));
        // For weight and style the innermost element that says something
        // wins: LibreOffice writes <span style="font-weight: normal"> inside
        // <b>.
        if (!bold) {
            if (n == QLatin1String("b") || n == QLatin1String("strong") || weight == QLatin1String("bold")
                || weight == QLatin1String("bolder") || weight.toInt() >= 600)
                bold = true;
            else if (weight == QLatin1String("normal") || weight == QLatin1String("lighter")
                     || (weight.toInt() > 0 && weight.toInt() < 600))
                bold = false;
        }
        if (!italic) {
            if (n == QLatin1String("i") || n == QLatin1String("em") || fontStyle == QLatin1String("italic")
                || fontStyle == QLatin1String("oblique"))
                italic = true;
            else if (fontStyle == QLatin1String("normal"))
                italic = false;
        }
        // Text decorations add up from every ancestor; "text-decoration:
        // none" on a descendant does not take them away (CSS), and LibreOffice
        // writes it inside <strike> for runs that are not underlined.
        if (n == QLatin1String("u") || decoration.contains(QLatin1String("underline")))
            underline = true;
        if (n == QLatin1String("s") || n == QLatin1String("strike") || n == QLatin1String("del")
            || decoration.contains(QLatin1String("line-through")))
            struck = true;
        if (look.colour.isEmpty() && n != QLatin1String("body")) {
            QString c = cssValue(e, QStringLiteral("color"));
            if (c.isEmpty() && n == QLatin1String("font"))
                c = attribute(e, QStringLiteral("color"));
            if (!c.isEmpty())
                look.colour = cssColour(c);
        }
        if (look.face.isEmpty()) {
            QString f = cssValue(e, QStringLiteral("font-family"));
            if (f.isEmpty() && n == QLatin1String("font"))
                f = attribute(e, QStringLiteral("face"));
            if (!f.isEmpty()) {
                f = f.section(QLatin1Char(','), 0, 0).trimmed();
                f.remove(QLatin1Char('"'));
                f.remove(QLatin1Char('\''));
                look.face = f;
            }
        }
        if (look.size == 0) {
            const QString s = cssValue(e, QStringLiteral("font-size"));
            if (s.endsWith(QLatin1String("pt")))
                look.size = s.chopped(2).toDouble();
        }
        if (!haveAlign && blocks.contains(n)) {
            QString a = cssValue(e, QStringLiteral("text-align"));
            if (a.isEmpty())
                a = attribute(e, QStringLiteral("align")).toLower();
            if (a.isEmpty() && n == QLatin1String("center"))
                a = QStringLiteral("center");
            if (!a.isEmpty()) {
                if (a == QLatin1String("start"))
                    a = QStringLiteral("left");
                else if (a == QLatin1String("end"))
                    a = QStringLiteral("right");
                look.align = a;
                haveAlign = true;
            } else if (n != QLatin1String("center")) {
                haveAlign = true; // the paragraph says nothing: left
            }
        }
    }
    look.bold = bold.value_or(false);
    look.italic = italic.value_or(false);
    look.underline = underline.value_or(false);
    look.strike = struck.value_or(false);
    return look;
}

struct HtmlDoc {
    QString text;
    QList<Segment> segments;
    QList<qsizetype> starts; // where each segment begins in text
};

HtmlDoc parseHtml(const QString& html)
{
    HtmlDoc d;
    d.segments = walkHtml(html);
    for (const Segment& s : d.segments) {
        d.starts << d.text.size();
        d.text += s.text;
    }
    return d;
}

QString describe(const HtmlLook& l)
{
    return QStringLiteral("bold=%1 italic=%2 underline=%3 strike=%4 colour=%5 face='%6' size=%7 align=%8")
        .arg(l.bold)
        .arg(l.italic)
        .arg(l.underline)
        .arg(l.strike)
        .arg(l.colour.isEmpty() ? QStringLiteral("none") : l.colour, l.face)
        .arg(l.size)
        .arg(l.align);
}

// The fixtures that hold more than text.
QStringList elementFixtures()
{
    return {QStringLiteral("abiword/report.rtf"),     QStringLiteral("abiword/table.rtf"),
            QStringLiteral("handwritten/keeps.rtf"),  QStringLiteral("libreoffice/report.rtf"),
            QStringLiteral("libreoffice/table.rtf"),  QStringLiteral("pandoc/lists-links.rtf"),
            QStringLiteral("pandoc/report.rtf"),      QStringLiteral("pandoc/table.rtf")};
}

// What LibreOffice found, counted in its flat document (.fodt).
struct Elements {
    QString counts;
    QStringList words;
};

Elements libreOfficeElements(const QString& fodt)
{
    const std::pair<const char*, const char*> kinds[] = {
        {"pictures", "<draw:image"},        {"tables", "<table:table "},
        {"rows", "<table:table-row"},       {"merged", "table:number-columns-spanned=\"2\""},
        {"items", "<text:list-item"},       {"links", "<text:a "},
        {"notes", "<text:note "},           {"annotations", "<office:annotation>"},
        {"bookmarks", "<text:bookmark"},    {"headers", "<style:header>"},
        {"footers", "<style:footer>"},      {"objects", "<draw:object"},
    };
    QStringList parts;
    for (const auto& [name, tag] : kinds)
        parts << QStringLiteral("%1=%2").arg(QLatin1String(name)).arg(fodt.count(QLatin1String(tag)));
    // The fixtures' marked words that LibreOffice shows: a dropped one is a
    // lost element (a header's, a note's, a cell's text).
    static const QRegularExpression words(QStringLiteral(
        "\\b(?:Header|Footer|Footnote|Note|Link|Bullet|Number|Nested|Merged|Outer|Inner|After|Last|Pn)[A-Z][a-z]*\\b"));
    QStringList found;
    for (auto it = words.globalMatch(fodt); it.hasNext();)
        found << it.next().captured();
    found.removeDuplicates();
    found.sort();
    return Elements{parts.join(QLatin1Char(' ')), found};
}

} // namespace

class TestRtfInterop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void text_data();
    void text();
    void formats_data();
    void formats();
    void elementsKept_data();
    void elementsKept();

private:
    bool convert(const QString& filter, const QString& outDir, QString* error,
                 const QStringList& files = {});

    QString m_soffice;
    QTemporaryDir m_tmp;
    std::vector<Sample> m_samples;
    QStringList m_rtfFiles;
    std::map<QString, QString> m_text; // LibreOffice's text, by sample name
    std::map<QString, HtmlDoc> m_html;
    QString m_fodtDir;  // LibreOffice's own documents of the fixtures, as given and as we wrote them
};

bool TestRtfInterop::convert(const QString& filter, const QString& outDir, QString* error,
                             const QStringList& files)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SAL_USE_VCLPLUGIN"), QStringLiteral("svp"));
    env.insert(QStringLiteral("HOME"), m_tmp.filePath(QStringLiteral("home")));
    QDir().mkpath(m_tmp.filePath(QStringLiteral("home")));
    p.setProcessEnvironment(env);
    p.setProgram(m_soffice);
    QStringList args = {
        QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(m_tmp.filePath(QStringLiteral("profile"))).toString(),
        QStringLiteral("--headless"),
        QStringLiteral("--norestore"),
        QStringLiteral("--convert-to"),
        filter,
        QStringLiteral("--outdir"),
        outDir,
    };
    args += files.isEmpty() ? m_rtfFiles : files;
    p.setArguments(args);
    p.start();
    if (!p.waitForStarted(60000)) {
        *error = QStringLiteral("soffice did not start: ") + p.errorString();
        return false;
    }
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished(10000);
        *error = QStringLiteral("soffice --convert-to %1 did not finish in 300 s").arg(filter);
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("soffice --convert-to %1 failed (exit %2): %3")
                     .arg(filter)
                     .arg(p.exitCode())
                     .arg(QString::fromLocal8Bit(p.readAllStandardError() + p.readAllStandardOutput()));
        return false;
    }
    return true;
}

void TestRtfInterop::initTestCase()
{
    m_soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (m_soffice.isEmpty())
        m_soffice = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (m_soffice.isEmpty()) {
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL("soffice (LibreOffice) is not installed, and CI is set");
        QSKIP("soffice (LibreOffice) is not installed");
    }
    QVERIFY(m_tmp.isValid());
    if (qEnvironmentVariableIntValue("PERGALOT_KEEP_INTEROP")) {
        m_tmp.setAutoRemove(false);
        qInfo("keeping %s", qPrintable(m_tmp.path()));
    }

    m_samples = buildSamples();
    const QString rtfDir = m_tmp.filePath(QStringLiteral("rtf"));
    const QString txtDir = m_tmp.filePath(QStringLiteral("txt"));
    const QString htmlDir = m_tmp.filePath(QStringLiteral("html"));
    for (const QString& d : {rtfDir, txtDir, htmlDir})
        QVERIFY(QDir().mkpath(d));
    for (const Sample& s : m_samples) {
        QVERIFY2(s.rtf.startsWith("{\\rtf"), qPrintable(s.name));
        const QString path = rtfDir + QLatin1Char('/') + s.name + QStringLiteral(".rtf");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(s.rtf), s.rtf.size());
        m_rtfFiles << path;
    }

    QString error;
    // "Text (encoded)" with UTF8 writes UTF-8 (with a byte order mark) on
    // LibreOffice 7.x; plain "txt" would write the system's 8-bit code page.
    QVERIFY2(convert(QStringLiteral("txt:Text (encoded):UTF8"), txtDir, &error), qPrintable(error));
    QVERIFY2(convert(QStringLiteral("html"), htmlDir, &error), qPrintable(error));

    for (const Sample& s : m_samples) {
        const QString txt = txtDir + QLatin1Char('/') + s.name + QStringLiteral(".txt");
        const QString html = htmlDir + QLatin1Char('/') + s.name + QStringLiteral(".html");
        QVERIFY2(QFileInfo::exists(txt), qPrintable(QStringLiteral("LibreOffice made no %1").arg(txt)));
        QVERIFY2(QFileInfo::exists(html), qPrintable(QStringLiteral("LibreOffice made no %1").arg(html)));
        m_text[s.name] = QString::fromUtf8(TestFiles::readFile(txt));
        m_html[s.name] = parseHtml(QString::fromUtf8(TestFiles::readFile(html)));
    }

    // The fixtures that hold pictures, tables, lists, links, notes and
    // headers: as their producers wrote them, and read and written by us.
    m_fodtDir = m_tmp.filePath(QStringLiteral("fodt"));
    const QString keptDir = m_tmp.filePath(QStringLiteral("kept"));
    QVERIFY(QDir().mkpath(m_fodtDir) && QDir().mkpath(keptDir));
    QStringList files;
    for (const QString& fixture : elementFixtures()) {
        const QString name = QString(fixture).replace(QLatin1Char('/'), QLatin1Char('-')).chopped(4);
        const QByteArray original = TestFiles::readFile(QStringLiteral(PERGALOT_FIXTURES_DIR "/") + fixture);
        QTextDocument doc;
        QVERIFY(RtfReader::read(original, &doc));
        QVERIFY(TestFiles::writeFile(keptDir + QLatin1Char('/') + name + QStringLiteral("-theirs.rtf"), original));
        QVERIFY(TestFiles::writeFile(keptDir + QLatin1Char('/') + name + QStringLiteral("-ours.rtf"),
                                     RtfWriter::write(&doc)));
        files << keptDir + QLatin1Char('/') + name + QStringLiteral("-theirs.rtf")
              << keptDir + QLatin1Char('/') + name + QStringLiteral("-ours.rtf");
    }
    QVERIFY2(convert(QStringLiteral("fodt"), m_fodtDir, &error, files), qPrintable(error));
}

// Each element of a fixture that LibreOffice finds, counted in its flat
// document: what it finds in our writing of the fixture must be what it
// finds in the fixture itself.
void TestRtfInterop::elementsKept_data()
{
    QTest::addColumn<QString>("fixture");
    for (const QString& fixture : elementFixtures())
        QTest::newRow(qPrintable(fixture)) << fixture;
}

void TestRtfInterop::elementsKept()
{
    QFETCH(QString, fixture);
    const QString name = QString(fixture).replace(QLatin1Char('/'), QLatin1Char('-')).chopped(4);
    const QString theirs = QString::fromUtf8(TestFiles::readFile(m_fodtDir + QLatin1Char('/') + name + QStringLiteral("-theirs.fodt")));
    const QString ours = QString::fromUtf8(TestFiles::readFile(m_fodtDir + QLatin1Char('/') + name + QStringLiteral("-ours.fodt")));
    QVERIFY2(!theirs.isEmpty() && !ours.isEmpty(), qPrintable(QStringLiteral("LibreOffice made no document of %1").arg(fixture)));
    const Elements kept = libreOfficeElements(ours);
    const Elements given = libreOfficeElements(theirs);
    QCOMPARE(kept.counts, given.counts);
    // Our writing may show more (text a producer hid where LibreOffice does
    // not look), never less.
    for (const QString& word : given.words)
        QVERIFY2(kept.words.contains(word), qPrintable(word + QStringLiteral(" is lost")));
}

void TestRtfInterop::text_data()
{
    QTest::addColumn<QString>("name");
    for (const Sample& s : m_samples)
        QTest::newRow(qPrintable(s.name)) << s.name;
}

void TestRtfInterop::text()
{
    QFETCH(QString, name);
    const auto sample = std::find_if(m_samples.begin(), m_samples.end(), [&](const Sample& s) { return s.name == name; });
    QVERIFY(sample != m_samples.end());
    const QStringList expected = normalisedLines(sample->expectedText);
    const QStringList actual = normalisedLines(m_text[name]);
    const qsizetype n = std::max(expected.size(), actual.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QString e = expected.value(i, QStringLiteral("<no line>"));
        const QString a = actual.value(i, QStringLiteral("<no line>"));
        if (e != a)
            QFAIL(qPrintable(QStringLiteral("%1: line %2 differs\n   ours:        \"%3\"\n   LibreOffice: \"%4\"")
                                 .arg(name)
                                 .arg(i + 1)
                                 .arg(TextChecks::visible(e), TextChecks::visible(a))));
    }
}

// Each row: a sample, a word in it and what LibreOffice's HTML must say about
// it, as ';'-separated checks: b / !b, i / !i, u / !u, s / !s,
// colour=#rrggbb | colour=none, face=NAME, size=POINTS,
// align=left|center|right|justify.
void TestRtfInterop::formats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("checks");
    auto row = [](const char* sample, const QString& word, const QString& checks) {
        QTest::addRow("%s %s", sample, qPrintable(word)) << QString::fromLatin1(sample) << word << checks;
    };

    row("formats", "Обычный", "!b; !i; !u; !s; colour=none; align=left");
    row("formats", "Жирнослов", "b; !i; !u; !s");
    row("formats", "Курсивслов", "i; !b; !u; !s");
    row("formats", "Подчёркслов", "u; !b; !i; !s");
    row("formats", "Зачёркслов", "s; !b; !i; !u");
    row("formats", "Boldword", "b; !i; !u; !s; colour=none");
    row("formats", "Italicword", "i; !b; !u; !s");
    row("formats", "Underword", "u; !b; !i; !s");
    row("formats", "Strikeword", "s; !b; !i; !u");
    row("formats", "Allformats", "b; i; u; s");
    row("formats", "end", "!b; !i; !u; !s");
    row("formats", "Plainword", "!b; !i; !u; !s; colour=none");
    row("formats", "Простослово", "!b; !i; !u; !s; colour=none");
    row("formats", "Моноширослов", "face=DejaVu Sans Mono; !b");
    row("formats", "Sansword", "face=Liberation Sans; size=14");
    row("formats", "Крупнослов", "size=20");

    row("colours", "Краснослов", "colour=#ff0000; !b");
    row("colours", "Зеленослов", "colour=#008000");
    row("colours", "Синеслов", "colour=#0000ff");
    row("colours", "Бурослов", "colour=#7b3f00");
    row("colours", "Tealword", "colour=#008080");
    row("colours", "Hotword", "colour=#c00000; b");
    row("colours", "Blackword", "colour=#000000");
    row("colours", "Autoword", "colour=none");
    row("colours", "Цвета", "colour=none");

    row("alignment", "Левослов", "align=left");
    row("alignment", "Центрослов", "align=center");
    row("alignment", "Правослов", "align=right");
    row("alignment", "Ширинослов", "align=justify");
    row("alignment", "Centreword", "align=center; b");
    row("alignment", "Rightword", "align=right; i; !b");
    row("alignment", "Justifyword", "align=justify; !b");
    row("alignment", "Leftword", "align=left");

    row("specials", "Нежирный", "!b; !i");
    row("specials", "пустые", "!b; !i");
    row("specials", "Колонка", "b");
    row("specials", "Smiley", "b; colour=#ff0000");
    row("specials", "end", "!b; colour=none");

    row("selection", "Выделслов", "b; !i; align=center");
    row("selection", "Selectword", "i; !b; colour=#0000ff; align=center");
    row("selection", "конец", "!b; !i; colour=none");
}

void TestRtfInterop::formats()
{
    QFETCH(QString, name);
    QFETCH(QString, word);
    QFETCH(QString, checks);

    const HtmlDoc& html = m_html[name];
    const qsizetype at = html.text.indexOf(word);
    QVERIFY2(at >= 0, qPrintable(QStringLiteral("\"%1\" is not in LibreOffice's HTML of %2").arg(word, name)));
    QVERIFY2(html.text.indexOf(word, at + 1) < 0, qPrintable(QStringLiteral("\"%1\" is not unique in %2").arg(word, name)));

    QList<HtmlLook> looks;
    for (qsizetype i = 0; i < html.segments.size(); ++i) {
        const qsizetype s = html.starts[i];
        const qsizetype e = s + html.segments[i].text.size();
        if (e > at && s < at + word.size())
            looks << lookOf(html.segments[i].stack);
    }
    QVERIFY(!looks.isEmpty());

    QStringList failures;
    for (QString check : checks.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        check = check.trimmed();
        const bool negated = check.startsWith(QLatin1Char('!'));
        const QString flag = negated ? check.mid(1) : check;
        const qsizetype eq = check.indexOf(QLatin1Char('='));
        const QString key = eq < 0 ? flag : check.left(eq);
        const QString value = eq < 0 ? QString() : check.mid(eq + 1).trimmed();
        for (const HtmlLook& l : looks) {
            bool ok = true;
            if (flag == QLatin1String("b"))
                ok = l.bold != negated;
            else if (flag == QLatin1String("i"))
                ok = l.italic != negated;
            else if (flag == QLatin1String("u"))
                ok = l.underline != negated;
            else if (flag == QLatin1String("s"))
                ok = l.strike != negated;
            else if (key == QLatin1String("colour"))
                ok = value == QLatin1String("none") ? l.colour.isEmpty() : l.colour == value;
            else if (key == QLatin1String("face"))
                ok = l.face == value;
            else if (key == QLatin1String("size"))
                ok = qFuzzyCompare(l.size, value.toDouble());
            else if (key == QLatin1String("align"))
                ok = l.align == value;
            else
                QFAIL(qPrintable(QStringLiteral("unknown check '%1'").arg(check)));
            if (!ok) {
                failures << QStringLiteral("%1: LibreOffice shows %2").arg(check, describe(l));
                break;
            }
        }
    }
    QVERIFY2(failures.isEmpty(), qPrintable(QStringLiteral("%1, \"%2\": %3").arg(name, word, failures.join(QStringLiteral("; ")))));
}

QTEST_MAIN(TestRtfInterop)
#include "tst_rtfinterop.moc"
