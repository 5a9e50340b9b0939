#include "RtfReader.h"

#include "RtfCodePage.h"

#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// Deeper groups than this share the state of the deepest one; real files
// nest a few dozen levels, hostile ones a million.
constexpr int kMaxDepth = 1024;
// Line breaks kept in one paragraph before a line break starts a new one.
constexpr int kMaxLineBreaks = 1000;

enum class Destination : std::uint8_t {
    Text,       // document text
    Drop,       // text is dropped, control words still act (\upr)
    FontTable,
    ColorTable,
};

enum class Kw : std::uint8_t {
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff,
    FontTable, ColorTable, Font, FontCharset, CodePage, Red, Green, Blue,
    Plain, Pard, Bold, Italic, Underline, UnderlineOff, Strike, StrikeDouble,
    FontSize, Color, Hidden, Super, Sub, NoSuperSub,
    AlignLeft, AlignCenter, AlignRight, AlignJustify,
    Par, Line, Tab, Cell, Row, NestedRow,
    Char,       // a control word that stands for one character
    InTable,
    U, Uc, Bin, Upr, Ud,
    Known,      // a destination that holds ordinary text, even when marked ignorable
    Skip,       // a destination whose content is never text
};

struct KwInfo {
    Kw kw;
    char16_t ch = 0;
};

const std::unordered_map<std::string_view, KwInfo>& keywords()
{
    static const std::unordered_map<std::string_view, KwInfo> table = [] {
        std::unordered_map<std::string_view, KwInfo> t{
            {"ansi", {Kw::Ansi}}, {"mac", {Kw::Mac}}, {"pc", {Kw::Pc}}, {"pca", {Kw::Pca}},
            {"ansicpg", {Kw::AnsiCpg}}, {"deff", {Kw::Deff}},
            {"fonttbl", {Kw::FontTable}}, {"colortbl", {Kw::ColorTable}},
            {"f", {Kw::Font}}, {"fcharset", {Kw::FontCharset}}, {"cpg", {Kw::CodePage}},
            {"red", {Kw::Red}}, {"green", {Kw::Green}}, {"blue", {Kw::Blue}},
            {"plain", {Kw::Plain}}, {"pard", {Kw::Pard}},
            {"b", {Kw::Bold}}, {"i", {Kw::Italic}},
            {"ul", {Kw::Underline}}, {"ulnone", {Kw::UnderlineOff}},
            {"strike", {Kw::Strike}}, {"striked", {Kw::StrikeDouble}},
            {"fs", {Kw::FontSize}}, {"cf", {Kw::Color}}, {"v", {Kw::Hidden}},
            {"super", {Kw::Super}}, {"sub", {Kw::Sub}}, {"nosupersub", {Kw::NoSuperSub}},
            {"ql", {Kw::AlignLeft}}, {"qc", {Kw::AlignCenter}}, {"qr", {Kw::AlignRight}},
            {"qj", {Kw::AlignJustify}}, {"qd", {Kw::AlignJustify}},
            {"par", {Kw::Par}}, {"sect", {Kw::Par}}, {"page", {Kw::Par}}, {"column", {Kw::Par}},
            {"line", {Kw::Line}}, {"tab", {Kw::Tab}},
            {"cell", {Kw::Cell}}, {"nestcell", {Kw::Cell}},
            {"row", {Kw::Row}}, {"nestrow", {Kw::NestedRow}},
            {"emdash", {Kw::Char, 0x2014}}, {"endash", {Kw::Char, 0x2013}},
            {"emspace", {Kw::Char, 0x2003}}, {"enspace", {Kw::Char, 0x2002}},
            {"qmspace", {Kw::Char, 0x2005}}, {"bullet", {Kw::Char, 0x2022}},
            {"lquote", {Kw::Char, 0x2018}}, {"rquote", {Kw::Char, 0x2019}},
            {"ldblquote", {Kw::Char, 0x201C}}, {"rdblquote", {Kw::Char, 0x201D}},
            {"zwj", {Kw::Char, 0x200D}}, {"zwnj", {Kw::Char, 0x200C}},
            {"ltrmark", {Kw::Char, 0x200E}}, {"rtlmark", {Kw::Char, 0x200F}},
            {"u", {Kw::U}}, {"uc", {Kw::Uc}}, {"bin", {Kw::Bin}},
            {"upr", {Kw::Upr}}, {"ud", {Kw::Ud}}, {"intbl", {Kw::InTable}},
            {"fldrslt", {Kw::Known}}, {"nesttableprops", {Kw::Known}},
        };
        // Every kind of underline counts as underline; underlineStyle() gives
        // the line it is drawn with.
        for (const char* w : {"uld", "uldb", "uldash", "uldashd", "uldashdd", "ulhair", "ulhwave",
                              "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd",
                              "ulthldash", "ululdbwave", "ulw", "ulwave"})
            t.emplace(w, KwInfo{Kw::Underline});
        // Destinations that hold no document text.
        for (const char* w :
             {"stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf",
              "footer", "footerl", "footerr", "footerf", "footnote", "listtable",
              "listoverridetable", "rsidtbl", "themedata", "colorschememapping", "latentstyles",
              "datastore", "xmlnsbl", "generator", "fldinst", "filetbl", "revtbl", "pgdsctbl",
              "author", "operator", "title", "subject", "keywords", "comment", "doccomm",
              "company", "annotation", "atnid", "atnauthor", "atndate", "atnref", "bkmkstart",
              "bkmkend", "xe", "tc", "txe", "nonshppict", "shpinst", "shprslt", "objdata",
              "objclass", "result", "do", "fchars", "lchars", "printim", "userprops", "docvar",
              "mmathPr", "wgrffmtfilter", "pnseclvl", "pntxta", "pntxtb", "ftnsep", "ftnsepc",
              "ftncn", "aftnsep", "aftnsepc", "aftncn", "template", "protusertbl",
              "passwordhash", "formfield", "datafield", "blipuid", "panose", "falt", "fontemb",
              "fontfile", "sp", "sn", "sv", "picprop", "defchp", "defpap", "pgptbl",
              "listpicture", "htmltag", "mhtmltag", "pn", "buptim", "creatim", "revtim",
              "hlinkbase", "docfmt", "ebcstart", "ebcend", "factoidname", "oldcprops",
              "oldpprops", "oldsprops", "oldtprops", "fname", "private", "xform", "bkmkcolf",
              "bkmkcoll", "background", "shp", "shpgrp", "svb", "nonesttables", "xmlnstbl"})
            t.emplace(w, KwInfo{Kw::Skip});
        return t;
    }();
    return table;
}

// The editor's lines for the underline control words: dotted, dashed and
// wavy kinds keep their look; double, thick, word and hairline underlines,
// which the editor cannot draw, become a single line.
QTextCharFormat::UnderlineStyle underlineStyle(std::string_view word)
{
    static const std::unordered_map<std::string_view, QTextCharFormat::UnderlineStyle> styles{
        {"uld", QTextCharFormat::DotLine},          {"ulthd", QTextCharFormat::DotLine},
        {"uldash", QTextCharFormat::DashUnderline}, {"ulthdash", QTextCharFormat::DashUnderline},
        {"ulldash", QTextCharFormat::DashUnderline}, {"ulthldash", QTextCharFormat::DashUnderline},
        {"uldashd", QTextCharFormat::DashDotLine},  {"ulthdashd", QTextCharFormat::DashDotLine},
        {"uldashdd", QTextCharFormat::DashDotDotLine}, {"ulthdashdd", QTextCharFormat::DashDotDotLine},
        {"ulwave", QTextCharFormat::WaveUnderline}, {"ulhwave", QTextCharFormat::WaveUnderline},
        {"ululdbwave", QTextCharFormat::WaveUnderline},
    };
    const auto it = styles.find(word);
    return it == styles.end() ? QTextCharFormat::SingleUnderline : it->second;
}

struct CharProps {
    int font = -1;
    int halfPoints = 24;
    int color = 0;
    bool bold = false;
    bool italic = false;
    std::uint8_t underline = QTextCharFormat::NoUnderline;  // a QTextCharFormat::UnderlineStyle
    bool strike = false;
    bool hidden = false;
    std::int8_t vertical = 0;

    bool operator==(const CharProps&) const = default;
};

size_t qHash(const CharProps& p, size_t seed = 0)
{
    return qHashMulti(seed, p.font, p.halfPoints, p.color, p.bold, p.italic, p.underline,
                      p.strike, p.vertical);
}

struct GroupState {
    CharProps chr;
    Qt::Alignment align = Qt::AlignLeft;
    bool inTable = false;
    Destination dest = Destination::Text;
    int uc = 1;
};

struct FontInfo {
    QString family;
    int codePage = 0;
};

class Parser
{
public:
    Parser(const QByteArray& data, QTextCursor& cursor, bool wholeDocument)
        : m_p(data.constData())
        , m_end(data.constData() + data.size())
        , m_cursor(cursor)
        , m_wholeDocument(wholeDocument)
    {
    }

    void run();

private:
    struct Word {
        std::string_view name;
        bool hasParam = false;
        int param = 0;
    };

    GroupState& state() { return m_stack.back(); }
    void openGroup();
    void closeGroup();
    void readControl();
    void readWord(Word& word);
    void handleWord(const Word& word);
    void handleHex();
    void skipGroup();
    void skipBytes(long long count);

    bool consumeSkip();
    // An escaped byte is text even where the literal byte means more (a
    // semicolon ends a font or colour table entry).
    void textByte(unsigned char byte, bool escaped = false);
    // Readies the run for text in the current state; false when the state's
    // text is not shown. Inline for the common case of more of the same run.
    bool beginText()
    {
        const GroupState& st = m_stack.back();
        if (m_runPropsValid && st.dest == Destination::Text && !st.chr.hidden && !m_highSurrogate
            && !m_pendingNeeded && !m_pendingCells && !m_cellLineBreak && st.chr == m_runProps)
            return true;
        return beginTextSlow();
    }
    bool beginTextSlow();
    void appendChar(char32_t ch);
    void appendUtf16(char16_t unit);
    void flushPendingBytes();
    void flushCells();
    void endRow();
    void flushRun();
    void endParagraph();
    void finish();

    const RtfCodePage& textCodePage();
    QTextCharFormat formatFor(const CharProps& props);
    void finishFontEntry();

    const char* m_p;
    const char* m_end;
    QTextCursor& m_cursor;
    bool m_wholeDocument;

    std::vector<GroupState> m_stack;
    int m_overflow = 0;      // groups opened beyond kMaxDepth
    bool m_started = false;  // the document group was opened
    bool m_done = false;     // the document group was closed
    bool m_starPending = false;
    int m_skip = 0;          // \uc fallback characters still to skip

    int m_docCodePage = 1252;
    int m_defaultFont = -1;
    QHash<int, FontInfo> m_fonts;
    const RtfCodePage* m_textPage = nullptr;  // cached for m_textPageFont
    int m_textPageFont = -1;
    int m_textPageDocument = 0;
    std::vector<QColor> m_colors;

    // Font table entry being read.
    bool m_inFontEntry = false;
    int m_fontIndex = 0;
    int m_fontCharset = -1;
    int m_fontCodePage = 0;
    QByteArray m_fontNameBytes;
    QString m_fontName;

    // Colour table entry being read.
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;

    // Bytes of a multi-byte character waiting for the rest of it.
    char m_pending[4] = {};
    int m_pendingLength = 0;
    int m_pendingNeeded = 0;
    char16_t m_highSurrogate = 0;

    int m_pendingCells = 0;
    bool m_cellLineBreak = false;
    int m_lineBreaks = 0;  // line breaks in the current paragraph
    QString m_run;
    CharProps m_runProps;
    bool m_runPropsValid = false;
    QTextCharFormat m_runFormat;
    QHash<CharProps, QTextCharFormat> m_formatCache;
    Qt::Alignment m_blockAlign;
};

bool isAlpha(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void Parser::run()
{
    m_blockAlign = m_cursor.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    if (!m_blockAlign)
        m_blockAlign = Qt::AlignLeft;
    while (m_p < m_end && !m_done) {
        const unsigned char c = static_cast<unsigned char>(*m_p);
        switch (c) {
        case '{':
            ++m_p;
            openGroup();
            break;
        case '}':
            ++m_p;
            closeGroup();
            break;
        case '\\':
            readControl();
            break;
        case '\r':
        case '\n':
        case '\0':
            ++m_p;
            break;
        default:
            if (!m_started) {  // text before the document group
                ++m_p;
                break;
            }
            m_starPending = false;
            if (c == '\t') {
                ++m_p;
                if (!consumeSkip())
                    appendChar(U'\t');
                break;
            }
            if (c < 0x80 && c >= 0x20 && m_skip == 0 && m_pendingNeeded == 0
                && state().dest == Destination::Text && !state().chr.hidden) {
                // The common case: a stretch of plain ASCII text.
                const char* start = m_p;
                while (m_p < m_end) {
                    const unsigned char d = static_cast<unsigned char>(*m_p);
                    if (d < 0x20 || d >= 0x80 || d == '\\' || d == '{' || d == '}')
                        break;
                    ++m_p;
                }
                if (beginText())
                    m_run.append(QLatin1StringView(start, m_p - start));
                break;
            }
            ++m_p;
            if (c >= 0x20 && !consumeSkip())  // other control characters mean nothing
                textByte(c);
            break;
        }
    }
    finish();
}

void Parser::openGroup()
{
    flushPendingBytes();
    m_skip = 0;
    m_starPending = false;
    if (!m_started) {
        m_started = true;
        m_stack.emplace_back();
        return;
    }
    if (int(m_stack.size()) >= kMaxDepth) {
        ++m_overflow;
        return;
    }
    m_stack.push_back(m_stack.back());
}

void Parser::closeGroup()
{
    flushPendingBytes();
    m_skip = 0;
    m_starPending = false;
    if (!m_started)
        return;
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    // A font entry may end with its group instead of a semicolon.
    if (state().dest == Destination::FontTable && m_inFontEntry
        && (!m_fontNameBytes.isEmpty() || !m_fontName.isEmpty()))
        finishFontEntry();
    if (m_stack.size() == 1) {
        m_done = true;  // anything after the document group is ignored
        return;
    }
    m_stack.pop_back();
}

void Parser::readControl()
{
    // m_p is at the backslash.
    if (m_p + 1 >= m_end) {
        m_p = m_end;
        return;
    }
    const unsigned char c = static_cast<unsigned char>(m_p[1]);
    if (isAlpha(c)) {
        ++m_p;
        Word word;
        readWord(word);
        if (m_started)
            handleWord(word);
        return;
    }
    m_p += 2;
    if (!m_started)
        return;
    if (c == '*') {
        m_starPending = true;
        return;
    }
    m_starPending = false;
    if (c == '\'') {
        handleHex();
        return;
    }
    if (consumeSkip())
        return;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        textByte(c);
        break;
    case '~':
        appendChar(0x00A0);
        break;
    case '-':
        appendChar(0x00AD);
        break;
    case '_':
        appendChar(0x2011);
        break;
    case '\r':
    case '\n':
        endParagraph();
        break;
    case '\t':
        appendChar(U'\t');
        break;
    default:
        break;  // \: \| and unknown symbols
    }
}

void Parser::readWord(Word& word)
{
    const char* start = m_p;
    while (m_p < m_end && isAlpha(static_cast<unsigned char>(*m_p)))
        ++m_p;
    word.name = std::string_view(start, size_t(m_p - start));
    bool negative = false;
    if (m_p + 1 < m_end && *m_p == '-' && isDigit(static_cast<unsigned char>(m_p[1]))) {
        negative = true;
        ++m_p;
    }
    if (m_p < m_end && isDigit(static_cast<unsigned char>(*m_p))) {
        long long value = 0;
        while (m_p < m_end && isDigit(static_cast<unsigned char>(*m_p))) {
            if (value <= INT_MAX)
                value = value * 10 + (*m_p - '0');
            ++m_p;
        }
        value = std::min<long long>(value, INT_MAX);
        word.hasParam = true;
        word.param = int(negative ? -value : value);
    }
    if (m_p < m_end && *m_p == ' ')
        ++m_p;
}

void Parser::handleHex()
{
    // m_p is after "\'".
    int value = -1;
    if (m_p + 1 < m_end) {
        const int hi = hexValue(static_cast<unsigned char>(m_p[0]));
        const int lo = hexValue(static_cast<unsigned char>(m_p[1]));
        if (hi >= 0 && lo >= 0) {
            value = hi * 16 + lo;
            m_p += 2;
        }
    }
    if (value < 0) {
        // A broken escape: drop it, keep whatever follows as text.
        if (m_p < m_end && hexValue(static_cast<unsigned char>(*m_p)) >= 0)
            ++m_p;
        return;
    }
    if (consumeSkip())
        return;
    textByte(static_cast<unsigned char>(value), true);
}

bool Parser::consumeSkip()
{
    if (m_skip <= 0)
        return false;
    --m_skip;
    return true;
}

void Parser::handleWord(const Word& w)
{
    const bool star = m_starPending;
    m_starPending = false;
    const auto& table = keywords();
    const auto it = table.find(w.name);
    if (it == table.end()) {
        if (star)
            skipGroup();
        else if (m_skip > 0)
            --m_skip;
        return;
    }
    const KwInfo info = it->second;

    // Inside a \uc fallback every control word counts as one character;
    // destinations and the group structure still act.
    if (m_skip > 0 && info.kw != Kw::Skip && info.kw != Kw::Bin) {
        --m_skip;
        return;
    }

    GroupState& st = state();
    const bool on = !w.hasParam || w.param != 0;
    switch (info.kw) {
    case Kw::Ansi:
        m_docCodePage = 1252;
        break;
    case Kw::Mac:
        m_docCodePage = 10000;
        break;
    case Kw::Pc:
        m_docCodePage = 437;
        break;
    case Kw::Pca:
        m_docCodePage = 850;
        break;
    case Kw::AnsiCpg:
        if (w.hasParam && w.param > 0) {
            m_docCodePage = RtfCodePage::get(w.param).number();
            }
        break;
    case Kw::Deff:
        if (w.hasParam) {
            m_defaultFont = w.param;
            if (st.chr.font < 0)
                st.chr.font = w.param;
        }
        break;
    case Kw::FontTable:
        st.dest = Destination::FontTable;
        m_inFontEntry = false;
        break;
    case Kw::ColorTable:
        st.dest = Destination::ColorTable;
        m_colors.clear();
        m_colorSet = false;
        break;
    case Kw::Font:
        if (st.dest == Destination::FontTable) {
            if (m_inFontEntry && (!m_fontNameBytes.isEmpty() || !m_fontName.isEmpty()))
                finishFontEntry();
            m_inFontEntry = true;
            m_fontIndex = w.param;
            m_fontCharset = -1;
            m_fontCodePage = 0;
            m_fontNameBytes.clear();
            m_fontName.clear();
        } else if (w.hasParam) {
            flushPendingBytes();
            st.chr.font = w.param;
        }
        break;
    case Kw::FontCharset:
        if (st.dest == Destination::FontTable)
            m_fontCharset = w.param;
        break;
    case Kw::CodePage:
        if (st.dest == Destination::FontTable && w.param > 0)
            m_fontCodePage = RtfCodePage::get(w.param).number();
        break;
    case Kw::Red:
        m_red = std::clamp(w.param, 0, 255);
        m_colorSet = true;
        break;
    case Kw::Green:
        m_green = std::clamp(w.param, 0, 255);
        m_colorSet = true;
        break;
    case Kw::Blue:
        m_blue = std::clamp(w.param, 0, 255);
        m_colorSet = true;
        break;
    case Kw::Plain:
        st.chr = CharProps{};
        st.chr.font = m_defaultFont;
        break;
    case Kw::Pard:
        st.align = Qt::AlignLeft;
        st.inTable = false;
        break;
    case Kw::InTable:
        st.inTable = on;
        break;
    case Kw::Bold:
        st.chr.bold = on;
        break;
    case Kw::Italic:
        st.chr.italic = on;
        break;
    case Kw::Underline:
        st.chr.underline = on ? underlineStyle(w.name) : QTextCharFormat::NoUnderline;
        break;
    case Kw::UnderlineOff:
        st.chr.underline = QTextCharFormat::NoUnderline;
        break;
    case Kw::Strike:
    case Kw::StrikeDouble:
        st.chr.strike = on;
        break;
    case Kw::FontSize:
        // A size of 0 or one beyond any real font falls back to 12 points.
        st.chr.halfPoints = (w.hasParam && w.param > 0 && w.param <= 3276) ? w.param : 24;
        break;
    case Kw::Color:
        st.chr.color = std::max(0, w.param);
        break;
    case Kw::Hidden:
        st.chr.hidden = on;
        break;
    case Kw::Super:
        st.chr.vertical = 1;
        break;
    case Kw::Sub:
        st.chr.vertical = -1;
        break;
    case Kw::NoSuperSub:
        st.chr.vertical = 0;
        break;
    case Kw::AlignLeft:
        st.align = Qt::AlignLeft;
        break;
    case Kw::AlignCenter:
        st.align = Qt::AlignHCenter;
        break;
    case Kw::AlignRight:
        st.align = Qt::AlignRight;
        break;
    case Kw::AlignJustify:
        st.align = Qt::AlignJustify;
        break;
    case Kw::Par:
        if (st.dest != Destination::Text)
            break;
        // A row is one paragraph: a paragraph mark inside a cell becomes a
        // line break when more of the cell follows.
        if (st.inTable)
            m_cellLineBreak = true;
        else
            endParagraph();
        break;
    case Kw::Line:
        // A paragraph is laid out as a whole, so one of millions of line
        // breaks would take seconds to show or to type into; past a
        // thousand, a line break starts a new paragraph, which looks the same.
        if (st.dest == Destination::Text && !st.inTable && m_lineBreaks >= kMaxLineBreaks) {
            endParagraph();
        } else {
            appendChar(0x2028);
            ++m_lineBreaks;
        }
        break;
    case Kw::Tab:
        appendChar(U'\t');
        break;
    case Kw::Cell:
        if (st.dest == Destination::Text) {
            flushPendingBytes();
            m_cellLineBreak = false;
            ++m_pendingCells;
        }
        break;
    case Kw::Row:
        if (st.dest == Destination::Text) {
            endRow();
            endParagraph();
        }
        break;
    case Kw::NestedRow:
        // A row of a table inside a cell is a line of that cell.
        if (st.dest == Destination::Text) {
            endRow();
            m_cellLineBreak = true;
        }
        break;
    case Kw::Char:
        appendChar(info.ch);
        break;
    case Kw::U: {
        int value = w.param;
        if (value < 0)
            value += 65536;
        if (value >= 0 && value <= 0xFFFF)
            appendUtf16(char16_t(value));
        else
            appendChar(0xFFFD);
        m_skip = st.uc;
        break;
    }
    case Kw::Uc:
        st.uc = std::clamp(w.param, 0, 16);
        break;
    case Kw::Bin:
        skipBytes(w.hasParam ? w.param : 0);
        break;
    case Kw::Upr:
        st.dest = Destination::Drop;
        break;
    case Kw::Ud:
        if (st.dest == Destination::Drop)
            st.dest = Destination::Text;
        break;
    case Kw::Known:
        break;
    case Kw::Skip:
        skipGroup();
        break;
    }
}

void Parser::skipBytes(long long count)
{
    if (count <= 0)
        return;
    m_p += std::min<long long>(count, m_end - m_p);
}

// Skips the rest of the current group, which holds nothing we keep, without
// interpreting it; nested groups are counted, not pushed.
void Parser::skipGroup()
{
    m_skip = 0;
    int depth = 1;
    while (m_p < m_end) {
        const char c = *m_p;
        if (c == '\\') {
            if (m_p + 1 < m_end && isAlpha(static_cast<unsigned char>(m_p[1]))) {
                ++m_p;
                Word word;
                readWord(word);
                if (word.name == "bin" && word.hasParam)
                    skipBytes(word.param);
            } else {
                // A backslash as the last byte has no symbol after it.
                m_p = m_p + 1 < m_end ? m_p + 2 : m_end;
            }
            continue;
        }
        ++m_p;
        if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth == 0) {
            closeGroup();
            return;
        }
    }
    m_p = m_end;
}

// The code page of document text in the current font, else the document's.
const RtfCodePage& Parser::textCodePage()
{
    const int font = state().chr.font;
    if (!m_textPage || font != m_textPageFont || m_docCodePage != m_textPageDocument) {
        int number = m_docCodePage;
        if (font >= 0) {
            const auto it = m_fonts.constFind(font);
            if (it != m_fonts.constEnd() && it->codePage)
                number = it->codePage;
        }
        m_textPage = &RtfCodePage::get(number);
        m_textPageFont = font;
        m_textPageDocument = m_docCodePage;
    }
    return *m_textPage;
}

void Parser::textByte(unsigned char byte, bool escaped)
{
    GroupState& st = state();
    switch (st.dest) {
    case Destination::FontTable:
        if (!m_inFontEntry)
            return;
        if (byte == ';' && !escaped)
            finishFontEntry();
        else
            m_fontNameBytes.append(char(byte));
        return;
    case Destination::ColorTable:
        if (byte == ';' && !escaped) {
            m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
            m_red = m_green = m_blue = 0;
            m_colorSet = false;
        }
        return;
    case Destination::Drop:
        return;
    case Destination::Text:
        break;
    }
    if (m_pendingNeeded > 0) {
        m_pending[m_pendingLength++] = char(byte);
        if (m_pendingLength < m_pendingNeeded)
            return;
        const QString s = textCodePage().decodeSequence(m_pending, m_pendingLength);
        m_pendingLength = m_pendingNeeded = 0;
        for (QChar ch : s)
            appendUtf16(ch.unicode());
        return;
    }
    const RtfCodePage& page = textCodePage();
    const int length = byte < 0x80 ? 1 : page.sequenceLength(byte);
    if (length > 1) {
        m_pending[0] = char(byte);
        m_pendingLength = 1;
        m_pendingNeeded = length;
        return;
    }
    const QChar ch = page.decodeByte(byte);
    if (ch.unicode() >= 0x20 && !ch.isSurrogate() && !m_highSurrogate) {
        if (beginText())
            m_run.append(ch);  // the common case, without the checks below
        return;
    }
    appendUtf16(ch.unicode());
}

// A lead byte whose trail never came stands for nothing we can show.
void Parser::flushPendingBytes()
{
    if (m_pendingNeeded == 0)
        return;
    m_pendingLength = m_pendingNeeded = 0;
    appendUtf16(0xFFFD);
}

void Parser::appendUtf16(char16_t unit)
{
    if (QChar::isHighSurrogate(unit)) {
        if (m_highSurrogate)
            appendChar(0xFFFD);
        m_highSurrogate = unit;
        return;
    }
    if (QChar::isLowSurrogate(unit)) {
        if (m_highSurrogate) {
            const char32_t ch = QChar::surrogateToUcs4(m_highSurrogate, unit);
            m_highSurrogate = 0;
            appendChar(ch);
        } else {
            appendChar(0xFFFD);
        }
        return;
    }
    appendChar(unit);
}

void Parser::appendChar(char32_t ch)
{
    // Decoded control characters are not text, and U+FFFC would pose as an
    // embedded object.
    if ((ch < 0x20 && ch != U'\t') || ch == 0xFFFC)
        return;
    GroupState& st = state();
    if (st.dest == Destination::FontTable) {
        if (m_inFontEntry && ch) {
            m_fontName += RtfCodePage::get(m_fontCodePage ? m_fontCodePage : m_docCodePage)
                              .decode(m_fontNameBytes);
            m_fontNameBytes.clear();
            m_fontName += QString::fromUcs4(&ch, 1);
        }
        return;
    }
    if (!beginText())
        return;
    if (ch < 0x10000) {
        m_run.append(QChar(char16_t(ch)));
    } else {
        m_run.append(QChar(QChar::highSurrogate(ch)));
        m_run.append(QChar(QChar::lowSurrogate(ch)));
    }
}

bool Parser::beginTextSlow()
{
    const GroupState& st = state();
    if (st.dest != Destination::Text || st.chr.hidden)
        return false;
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        appendChar(0xFFFD);
    }
    flushPendingBytes();
    if (m_pendingCells > 0)
        flushCells();
    if (m_cellLineBreak) {
        m_cellLineBreak = false;
        appendChar(0x2028);
    }
    if (!m_runPropsValid || !(st.chr == m_runProps)) {
        flushRun();
        m_runProps = st.chr;
        m_runPropsValid = true;
        m_runFormat = formatFor(st.chr);
    }
    return true;
}

// The last cell of a row needs no separator; empty cells before it do.
void Parser::endRow()
{
    flushPendingBytes();
    m_cellLineBreak = false;
    if (m_pendingCells > 1) {
        m_pendingCells -= 1;
        flushCells();
    }
    m_pendingCells = 0;
}

void Parser::flushCells()
{
    const int cells = m_pendingCells;
    m_pendingCells = 0;
    for (int i = 0; i < cells; ++i)
        appendChar(U'\t');
}

QTextCharFormat Parser::formatFor(const CharProps& props)
{
    const auto cached = m_formatCache.constFind(props);
    if (cached != m_formatCache.constEnd())
        return *cached;
    QTextCharFormat format;
    if (props.font >= 0) {
        const auto it = m_fonts.constFind(props.font);
        if (it != m_fonts.constEnd() && !it->family.isEmpty())
            format.setFontFamilies(QStringList{it->family});
    }
    format.setFontPointSize(props.halfPoints / 2.0);
    format.setFontWeight(props.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(props.italic);
    format.setUnderlineStyle(QTextCharFormat::UnderlineStyle(props.underline));
    format.setFontStrikeOut(props.strike);
    if (props.color > 0 && size_t(props.color) < m_colors.size() && m_colors[props.color].isValid())
        format.setForeground(m_colors[props.color]);
    if (props.vertical)
        format.setVerticalAlignment(props.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                       : QTextCharFormat::AlignSubScript);
    m_formatCache.insert(props, format);
    return format;
}

void Parser::flushRun()
{
    if (m_run.isEmpty())
        return;
    m_cursor.insertText(m_run, m_runFormat);
    m_run.resize(0);  // keeps the buffer for the next run
}

void Parser::endParagraph()
{
    m_lineBreaks = 0;
    flushPendingBytes();
    m_pendingCells = 0;
    m_cellLineBreak = false;
    flushRun();
    const Qt::Alignment align = state().align;
    if (align != m_blockAlign) {
        QTextBlockFormat format = m_cursor.blockFormat();
        format.setAlignment(align);
        m_cursor.setBlockFormat(format);
        m_blockAlign = align;
    }
    m_cursor.insertBlock();
}

void Parser::finishFontEntry()
{
    if (!m_inFontEntry)
        return;
    const int codePage = m_fontCodePage ? m_fontCodePage : RtfCodePage::fromCharset(m_fontCharset);
    m_fontName += RtfCodePage::get(codePage ? codePage : m_docCodePage).decode(m_fontNameBytes);
    m_fonts.insert(m_fontIndex, FontInfo{m_fontName.trimmed(), codePage});
    m_textPage = nullptr;
    m_formatCache.clear();
    m_runPropsValid = false;
    m_inFontEntry = false;
    m_fontNameBytes.clear();
    m_fontName.clear();
}

void Parser::finish()
{
    if (m_stack.empty())
        return;
    flushPendingBytes();
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        appendChar(0xFFFD);
    }
    flushRun();
    // The last paragraph has no mark of its own; when it is the whole
    // document's, it takes the alignment in force at the end.
    if (m_wholeDocument) {
        const Qt::Alignment align = state().align;
        if (align != m_blockAlign) {
            QTextBlockFormat format = m_cursor.blockFormat();
            format.setAlignment(align);
            m_cursor.setBlockFormat(format);
        }
    }
}

} // namespace

bool RtfReader::isRtf(const QByteArray& data)
{
    return data.startsWith("{\\rtf");
}

bool RtfReader::read(const QByteArray& data, QTextDocument* document)
{
    if (!document || !isRtf(data))
        return false;
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    Parser(data, cursor, true).run();
    cursor.endEditBlock();
    document->setUndoRedoEnabled(undo);
    return true;
}

bool RtfReader::insert(const QByteArray& data, QTextCursor& cursor)
{
    if (cursor.isNull() || !isRtf(data))
        return false;
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    Parser(data, cursor, false).run();
    cursor.endEditBlock();
    return true;
}
