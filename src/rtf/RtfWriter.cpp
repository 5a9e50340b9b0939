#include "RtfWriter.h"

#include <QColor>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <array>
#include <charconv>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Unicode to Windows-1251, for the byte that follows each \uN.
const std::array<unsigned char, 65536>& windows1251()
{
    static const auto table = [] {
        auto t = std::make_unique<std::array<unsigned char, 65536>>();
        t->fill(0);
        QStringDecoder decoder("windows-1251");
        for (int b = 0x80; b < 0x100; ++b) {
            const char byte = char(b);
            const QString s = decoder.decode(QByteArrayView(&byte, 1));
            decoder.resetState();
            if (s.size() == 1 && s.at(0) != QChar::ReplacementCharacter)
                (*t)[s.at(0).unicode()] = static_cast<unsigned char>(b);
        }
        return t;
    }();
    return *table;
}

struct RunProps {
    int font = 0;
    int halfPoints = 24;
    int color = 0;
    bool bold = false;
    bool italic = false;
    int underline = QTextCharFormat::NoUnderline;
    bool strike = false;
    int vertical = 0;  // 1 superscript, -1 subscript
};

// The line a run is underlined with; a format that only says "underlined"
// has a single line.
int underlineStyleOf(const QTextCharFormat& format)
{
    if (format.hasProperty(QTextFormat::TextUnderlineStyle))
        return format.underlineStyle();
    return format.fontUnderline() ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
}

// The control word the reader takes back to the same line.
const char* underlineWord(int style)
{
    switch (style) {
    case QTextCharFormat::NoUnderline:
        return "ulnone";
    case QTextCharFormat::DashUnderline:
        return "uldash";
    case QTextCharFormat::DotLine:
        return "uld";
    case QTextCharFormat::DashDotLine:
        return "uldashd";
    case QTextCharFormat::DashDotDotLine:
        return "uldashdd";
    case QTextCharFormat::WaveUnderline:
    case QTextCharFormat::SpellCheckUnderline:
        return "ulwave";
    default:
        return "ul";
    }
}

int verticalOf(const QTextCharFormat& format)
{
    switch (format.verticalAlignment()) {
    case QTextCharFormat::AlignSuperScript:
        return 1;
    case QTextCharFormat::AlignSubScript:
        return -1;
    default:
        return 0;
    }
}

class Writer
{
public:
    explicit Writer(const QTextDocument* document)
        : m_document(document)
        , m_defaultFamily(document->defaultFont().family())
        , m_defaultPointSize(document->defaultFont().pointSizeF())
    {
        if (m_defaultFamily.isEmpty())
            m_defaultFamily = QStringLiteral("Times New Roman");
        if (m_defaultPointSize <= 0)
            m_defaultPointSize = 12;
        m_fonts.push_back(m_defaultFamily);
    }

    QByteArray write(int from, int to);

    // One piece of a document written in pieces: the paragraphs that start
    // before to, their text in [from, to), from the plain character state.
    // Fonts and colours the pieces use are kept for header().
    QByteArray piece(int from, int to, bool* endsParagraph);
    // What comes before the pieces: the font and colour tables.
    QByteArray header() const;

private:
    void body(int from, int to, bool blockAtEnd);
    void writeBlock(const QTextBlock& block, int from, int to);
    void writeParagraphFormat(const QTextBlock& block);
    void writeRun(const QTextCharFormat& format, QStringView text);
    void writeText(QStringView text);
    void word(const char* name);
    void word(const char* name, int value);
    void toggle(const char* on, const char* off, bool& current, bool wanted);
    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);
    static void escapeInto(QByteArray& out, QStringView text);
    static void appendNumber(QByteArray& out, int value);
    static void writeFontName(QByteArray& out, const QString& name);

    const QTextDocument* m_document;
    QString m_defaultFamily;
    qreal m_defaultPointSize;
    std::vector<QString> m_fonts;
    std::vector<QRgb> m_colors;
    QByteArray m_body;
    RunProps m_current;
    bool m_needDelimiter = false;
    int m_lastBlockEnd = 0;  // where the last paragraph written ends, its break included
    bool m_inPieces = false;
};

QByteArray Writer::write(int from, int to)
{
    body(from, to, true);
    QByteArray out = header();
    out.append(m_body);
    out.append("}\r\n");
    return out;
}

// A selection that ends where a paragraph starts takes that paragraph
// (empty) too, its break being selected; a piece does not (blockAtEnd).
void Writer::body(int from, int to, bool blockAtEnd)
{
    m_body.reserve((to - from) * 2 + 256);
    QTextBlock block = m_document->findBlock(from);
    bool first = true;
    while (block.isValid() && (block.position() < to || (blockAtEnd && block.position() == to))) {
        if (!first) {
            word("par");
            m_body.append("\r\n");
            m_needDelimiter = false;
        }
        writeBlock(block, from, to);
        first = false;
        block = block.next();
    }
}

QByteArray Writer::piece(int from, int to, bool* endsParagraph)
{
    m_body.clear();
    m_inPieces = true;
    m_current = RunProps{};
    word("plain");
    body(from, to, false);
    if (endsParagraph)
        *endsParagraph = m_lastBlockEnd <= to;
    return std::exchange(m_body, QByteArray());
}

QByteArray Writer::header() const
{
    QByteArray out;
    out.reserve(m_body.size() + 512);
    out.append("{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl");
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        out.append("{\\f");
        appendNumber(out, int(i));
        out.append("\\fnil\\fcharset204 ");
        writeFontName(out, m_fonts[i]);
        out.append(";}");
    }
    out.append("}\r\n{\\colortbl ;");
    for (QRgb rgb : m_colors) {
        out.append("\\red").append(QByteArray::number(qRed(rgb)));
        out.append("\\green").append(QByteArray::number(qGreen(rgb)));
        out.append("\\blue").append(QByteArray::number(qBlue(rgb)));
        out.append(';');
    }
    out.append("}\r\n\\uc1\\plain\\f0\\fs24");
    return out;
}

void Writer::writeBlock(const QTextBlock& block, int from, int to)
{
    // A piece that goes on with a paragraph an earlier piece began leaves
    // the paragraph's formats to that one, which an edit in it rewrites.
    if (!m_inPieces || from <= block.position())
        writeParagraphFormat(block);
    m_lastBlockEnd = block.position() + block.length();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int start = std::max(fragment.position(), from);
        const int end = std::min(fragment.position() + fragment.length(), to);
        if (start >= end)
            continue;
        const QString text = fragment.text();
        writeRun(fragment.charFormat(),
                 QStringView(text).mid(start - fragment.position(), end - start));
    }
}

void Writer::writeParagraphFormat(const QTextBlock& block)
{
    word("pard");
    switch (block.blockFormat().alignment() & Qt::AlignHorizontal_Mask) {
    case Qt::AlignRight:
        word("qr");
        break;
    case Qt::AlignHCenter:
        word("qc");
        break;
    case Qt::AlignJustify:
        word("qj");
        break;
    default:
        break;  // left is what \pard gives
    }
}

void Writer::writeRun(const QTextCharFormat& format, QStringView text)
{
    const QBrush foreground = format.foreground();
    const int color = foreground.style() == Qt::NoBrush ? 0 : colorIndex(foreground.color());
    // Some readers take \cf0 for black rather than the automatic colour, so
    // going back to it starts from \plain and restates the rest.
    if (color == 0 && m_current.color != 0) {
        word("plain");
        m_current = RunProps{};
    }

    QString family;
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty())
        family = families.first();
    if (family.isEmpty())
        family = format.stringProperty(QTextFormat::FontFamily);
    if (family.isEmpty())
        family = m_defaultFamily;
    const int font = fontIndex(family);
    if (font != m_current.font) {
        word("f", font);
        m_current.font = font;
    }

    const qreal points = format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0
        ? format.fontPointSize()
        : m_defaultPointSize;
    const int halfPoints = std::max(1, qRound(points * 2));
    if (halfPoints != m_current.halfPoints) {
        word("fs", halfPoints);
        m_current.halfPoints = halfPoints;
    }

    toggle("b", "b0", m_current.bold, format.fontWeight() >= QFont::DemiBold);
    toggle("i", "i0", m_current.italic, format.fontItalic());
    const int underline = underlineStyleOf(format);
    if (underline != m_current.underline) {
        word(underlineWord(underline));
        m_current.underline = underline;
    }
    toggle("strike", "strike0", m_current.strike, format.fontStrikeOut());
    const int vertical = verticalOf(format);
    if (vertical != m_current.vertical) {
        word(vertical > 0 ? "super" : vertical < 0 ? "sub" : "nosupersub");
        m_current.vertical = vertical;
    }

    if (color != m_current.color) {
        word("cf", color);
        m_current.color = color;
    }
    writeText(text);
}

void Writer::toggle(const char* on, const char* off, bool& current, bool wanted)
{
    if (current == wanted)
        return;
    word(wanted ? on : off);
    current = wanted;
}

void Writer::word(const char* name)
{
    m_body.append('\\').append(name);
    m_needDelimiter = true;
}

void Writer::word(const char* name, int value)
{
    m_body.append('\\').append(name);
    appendNumber(m_body, value);
    m_needDelimiter = true;
}

void Writer::writeText(QStringView text)
{
    qsizetype start = 0;
    auto flush = [&](qsizetype end) {
        if (end <= start)
            return;
        if (m_needDelimiter) {
            m_body.append(' ');
            m_needDelimiter = false;
        }
        escapeInto(m_body, text.mid(start, end - start));
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c != 0x2028 && c != QChar::ObjectReplacementCharacter)
            continue;
        flush(i);
        start = i + 1;
        if (c == '\t')
            word("tab");
        else if (c == 0x2028)
            word("line");
        // pictures and other control characters have no text form
    }
    flush(text.size());
}

// A semicolon ends a font table entry, so one inside the name is escaped;
// control characters have no place in a name.
void Writer::writeFontName(QByteArray& out, const QString& name)
{
    for (const QChar ch : name) {
        if (ch == QLatin1Char(';'))
            out.append("\\'3b");
        else if (ch.unicode() >= 0x20)
            escapeInto(out, QStringView(&ch, 1));
    }
}

void Writer::appendNumber(QByteArray& out, int value)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr - digits);
}

void Writer::escapeInto(QByteArray& out, QStringView text)
{
    const auto& cp1251 = windows1251();
    static const char hex[] = "0123456789abcdef";
    char buffer[256];
    int used = 0;
    for (const QChar ch : text) {
        if (used > int(sizeof buffer) - 16) {
            out.append(buffer, used);
            used = 0;
        }
        const char16_t c = ch.unicode();
        if (c < 0x80) {
            if (c == '\\' || c == '{' || c == '}')
                buffer[used++] = '\\';
            buffer[used++] = char(c);
            continue;
        }
        buffer[used++] = '\\';
        buffer[used++] = 'u';
        const int signedUnit = c > 0x7FFF ? int(c) - 0x10000 : int(c);
        used = int(std::to_chars(buffer + used, buffer + sizeof buffer, signedUnit).ptr - buffer);
        if (const unsigned char b = cp1251[c]) {
            buffer[used++] = '\\';
            buffer[used++] = '\'';
            buffer[used++] = hex[b >> 4];
            buffer[used++] = hex[b & 15];
        } else {
            buffer[used++] = '?';
        }
    }
    out.append(buffer, used);
}

int Writer::fontIndex(const QString& family)
{
    for (size_t i = 0; i < m_fonts.size(); ++i)
        if (m_fonts[i] == family)
            return int(i);
    m_fonts.push_back(family);
    return int(m_fonts.size() - 1);
}

int Writer::colorIndex(const QColor& color)
{
    const QRgb rgb = color.rgb() & RGB_MASK;
    for (size_t i = 0; i < m_colors.size(); ++i)
        if (m_colors[i] == rgb)
            return int(i + 1);
    m_colors.push_back(rgb);
    return int(m_colors.size());
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument* document)
{
    if (!document)
        return {};
    return Writer(document).write(0, document->characterCount() - 1);
}

struct RtfWriter::Pieces::Impl
{
    Writer writer;
};

RtfWriter::Pieces::Pieces(const QTextDocument* document)
    : m_impl(std::make_unique<Impl>(Impl{Writer(document)}))
{
}

RtfWriter::Pieces::~Pieces() = default;

QByteArray RtfWriter::Pieces::write(int from, int to, bool* endsParagraph)
{
    return m_impl->writer.piece(from, to, endsParagraph);
}

QByteArray RtfWriter::Pieces::header() const
{
    return m_impl->writer.header();
}

QByteArray RtfWriter::Pieces::paragraphBreak()
{
    return QByteArrayLiteral("\\par\r\n");
}

QByteArray RtfWriter::Pieces::end()
{
    return QByteArrayLiteral("}\r\n");
}

QByteArray RtfWriter::write(const QTextCursor& selection)
{
    const QTextDocument* document = selection.document();
    if (!document)
        return {};
    return Writer(document).write(selection.selectionStart(), selection.selectionEnd());
}
