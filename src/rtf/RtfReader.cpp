#include "RtfReader.h"

#include "RtfChars.h"
#include "RtfCodePage.h"
#include "RtfDocumentData.h"
#include "RtfObjects.h"
#include "RtfPicture.h"
#include "RtfTableBuilder.h"

#include <QColor>
#include <QCryptographicHash>
#include <QHash>
#include <QPointer>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QRegularExpression>
#include <QTextTable>
#include <QUrl>

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
    ListTable,  // \listtable, \listoverridetable and the groups in them
    LevelText,  // a list level's \leveltext
    Numbering,  // an old-style paragraph numbering group, \pn
};

// Groups whose end completes something the reader was gathering. Groups
// nested beyond kMaxDepth share a state and end nothing.
enum class Opens : std::uint8_t {
    Nothing, FontTable, ListTable, ListOverrideTable, List, ListLevel, ListOverride, Field, Numbering,
};

// How a word that starts a destination is kept (KwInfo::ch of Kw::Marker).
using RtfObjects::MarkerKind;

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
    KeepDocument,  // a document-level group kept verbatim with the document
    Marker,     // an inline group kept verbatim behind a marker character (ch: its kind)
    Pict, ShpPict, NonShpPict,
    Field, FieldInstruction, FieldResult,
    RowDefaults, CellX, RowLeft, CellMerge, TableDepth,
    ListTable, ListOverrideTable, List, ListId, ListLevel, LevelNfc, LevelText, ListOverride,
    ListNumber, ListIndentLevel, ListText,
    Numbering, NumberingKind, NumberingStyle,
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
            {"cell", {Kw::Cell}}, {"nestcell", {Kw::Cell, 1}},
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
            {"nesttableprops", {Kw::Known}},
            {"pict", {Kw::Pict}}, {"shppict", {Kw::ShpPict}}, {"nonshppict", {Kw::NonShpPict}},
            {"field", {Kw::Field}}, {"fldinst", {Kw::FieldInstruction}}, {"fldrslt", {Kw::FieldResult}},
            {"trowd", {Kw::RowDefaults}}, {"cellx", {Kw::CellX}}, {"trleft", {Kw::RowLeft}},
            {"clmgf", {Kw::CellMerge, 1}}, {"clmrg", {Kw::CellMerge, 2}},
            {"clvmgf", {Kw::CellMerge, 3}}, {"clvmrg", {Kw::CellMerge, 4}},
            {"itap", {Kw::TableDepth}},
            {"listtable", {Kw::ListTable}}, {"listoverridetable", {Kw::ListOverrideTable}},
            {"list", {Kw::List}}, {"listid", {Kw::ListId}}, {"listlevel", {Kw::ListLevel}},
            {"levelnfc", {Kw::LevelNfc}}, {"levelnfcn", {Kw::LevelNfc}},
            {"leveltext", {Kw::LevelText}}, {"listoverride", {Kw::ListOverride}},
            {"ls", {Kw::ListNumber}}, {"ilvl", {Kw::ListIndentLevel}}, {"listtext", {Kw::ListText}},
            {"pn", {Kw::Numbering}}, {"pnlvlblt", {Kw::NumberingKind, 1}},
            {"pnlvlbody", {Kw::NumberingKind, 2}}, {"pnlvl", {Kw::NumberingKind, 3}},
            {"pndec", {Kw::NumberingStyle, char16_t(-QTextListFormat::ListDecimal)}},
            {"pnucltr", {Kw::NumberingStyle, char16_t(-QTextListFormat::ListUpperAlpha)}},
            {"pnlcltr", {Kw::NumberingStyle, char16_t(-QTextListFormat::ListLowerAlpha)}},
            {"pnucrm", {Kw::NumberingStyle, char16_t(-QTextListFormat::ListUpperRoman)}},
            {"pnlcrm", {Kw::NumberingStyle, char16_t(-QTextListFormat::ListLowerRoman)}},
        };
        // Inline groups kept behind a marker, by kind.
        for (const char* w : {"footnote"})
            t.emplace(w, KwInfo{Kw::Marker, char16_t(MarkerKind::Footnote)});
        for (const char* w : {"annotation", "atnid", "atnauthor", "atndate", "atnref", "atrfstart",
                              "atrfend", "atnparent", "atnicn", "atntime"})
            t.emplace(w, KwInfo{Kw::Marker, char16_t(MarkerKind::Annotation)});
        for (const char* w : {"object"})
            t.emplace(w, KwInfo{Kw::Marker, char16_t(MarkerKind::Object)});
        for (const char* w : {"bkmkstart", "bkmkend"})
            t.emplace(w, KwInfo{Kw::Marker, char16_t(MarkerKind::Bookmark)});
        for (const char* w : {"shp", "shpgrp", "do"})
            t.emplace(w, KwInfo{Kw::Marker, char16_t(MarkerKind::Shape)});
        for (const char* w : {"xe", "tc", "txe", "formfield"})
            t.emplace(w, KwInfo{Kw::Marker, char16_t(MarkerKind::Other)});
        // Document-level groups, kept with the document.
        for (const char* w :
             {"stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer", "footerl",
              "footerr", "footerf", "rsidtbl", "themedata", "colorschememapping", "latentstyles",
              "datastore", "xmlnstbl", "filetbl", "revtbl", "pgdsctbl", "userprops", "docvar",
              "mmathPr", "wgrffmtfilter", "pnseclvl", "ftnsep", "ftnsepc", "ftncn", "aftnsep",
              "aftnsepc", "aftncn", "template", "protusertbl", "passwordhash", "defchp", "defpap",
              "pgptbl", "listpicture", "background", "docfmt", "fchars", "lchars", "ebcstart",
              "ebcend", "bkmkcolf", "bkmkcoll", "private", "xform", "pgdsc"})
            t.emplace(w, KwInfo{Kw::KeepDocument});
        // Every kind of underline counts as underline; underlineStyle() gives
        // the line it is drawn with.
        for (const char* w : {"uld", "uldb", "uldash", "uldashd", "uldashdd", "ulhair", "ulhwave",
                              "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd",
                              "ulthldash", "ululdbwave", "ulw", "ulwave"})
            t.emplace(w, KwInfo{Kw::Underline});
        // Destinations that hold no document text.
        for (const char* w :
             {"xmlnsbl", "generator", "author", "operator", "title", "subject", "keywords",
              "comment", "doccomm", "company", "shpinst", "shprslt", "objdata", "objclass",
              "result", "printim", "pntxta", "pntxtb", "datafield", "blipuid", "panose", "falt",
              "fontemb", "fontfile", "sp", "sn", "sv", "picprop", "htmltag", "mhtmltag",
              "buptim", "creatim", "revtim", "hlinkbase", "factoidname", "oldcprops",
              "oldpprops", "oldsprops", "oldtprops", "fname", "svb", "nonesttables",
              "pntext", "listname", "levelnumbers", "lfolevel"})
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
    int field = -1;  // the field whose result this text is

    bool operator==(const CharProps&) const = default;
};

size_t qHash(const CharProps& p, size_t seed = 0)
{
    return qHashMulti(seed, p.font, p.halfPoints, p.color, p.bold, p.italic, p.underline,
                      p.strike, p.vertical, p.field);
}

// Old-style paragraph numbering (\pn): the list style and the level.
struct Numbering {
    int style = 0;  // a QTextListFormat::Style, 0 for none
    int level = 0;

    bool operator==(const Numbering&) const = default;
};

struct GroupState {
    CharProps chr;
    Qt::Alignment align = Qt::AlignLeft;
    int tableDepth = 0;  // \intbl is 1, \itapN is N
    int list = 0;        // \ls
    int listLevel = 0;   // \ilvl
    Numbering numbering;
    Destination dest = Destination::Text;
    Opens opens = Opens::Nothing;
    bool inUpr = false;            // within \upr: \ud gives back beforeUpr
    Destination beforeUpr = Destination::Text;
    int uc = 1;
    int field = -1;            // the innermost \field this group is in
    const char* start = nullptr;  // the group's "{"
    const char* content = nullptr;  // after the word that made it a destination
};

// A list level from the list table.
struct ListLevelDef {
    int style = QTextListFormat::ListDisc;  // 0 when the level has no number
    QString prefix;
    QString suffix;
};

struct ListDef {
    int id = 0;
    std::vector<ListLevelDef> levels;
};

struct FieldInfo {
    const char* start = nullptr;
    QByteArray instruction;  // the \fldinst group
    QString href;            // for HYPERLINK fields
    QString text;            // the instruction as text
    bool hasResult = false;
    qsizetype mark = 0;  // contentMark() where the field began
    const char* cut = nullptr;  // where an element kept on its own began in the field's group
};

struct FontInfo {
    QString family;
    int codePage = 0;
};

class Parser
{
public:
    Parser(const QByteArray& data, QTextCursor& cursor, bool wholeDocument, RtfDocumentData* kept)
        : m_p(data.constData())
        , m_end(data.constData() + data.size())
        , m_cursor(cursor)
        , m_wholeDocument(wholeDocument)
        , m_data(kept)
        , m_tables(cursor)
    {
    }

    void run();

private:
    struct Word {
        std::string_view name;
        bool hasParam = false;
        int param = 0;
        const char* raw = nullptr;  // its backslash
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
    // The end of the group that m_p is inside (after its "}"), or the end of
    // the data; `depth` gets how many groups were left open.
    const char* groupEnd(const char* from, int* open = nullptr) const;
    // The current group exactly as it stands in the data, closed; the reader
    // moves past it. Empty when the group cannot be told (nested too deep)
    // or the data ends inside it.
    QByteArray captureGroup();
    // The plain text of RTF content (a footnote's, a bookmark's name...).
    QString plainTextOf(const char* from, const char* to) const;

    void handleDestination(const KwInfo& info, const Word& w);
    void keepInPrelude(const QByteArray& rtf);
    void readPicture(bool container);
    void readMarker(MarkerKind kind);
    void readFieldInstruction();
    void endGroupWork(const GroupState& closing);
    void emitObject(const QTextCharFormat& format);
    void insertMarker(const QTextCharFormat& format);
    // Hidden text ends with every group's start and end: each hidden marker
    // is written back as a group of its own and read again as one marker.
    void endHiddenRun()
    {
        if (m_runProps.hidden && !m_run.isEmpty())
            flushRun();
    }
    bool beginObject();
    void startBody() { m_bodyStarted = true; }
    // Where the next text would go; it moves with every character read.
    qsizetype contentMark() const { return m_cursor.position() + m_run.size() + (m_pendingBreak ? 1 : 0); }

    RtfTableBuilder::RowDefs& rowDefs();
    void enterTable(int depth);
    void finishBlock();
    void flushBreak();
    void syncBlock();
    void endCell(int depth);
    void endRow(int depth);
    QTextList* listFor(const GroupState& st);

    bool consumeSkip();
    // An escaped byte is text even where the literal byte means more (a
    // semicolon ends a font or colour table entry).
    void textByte(unsigned char byte, bool escaped = false);
    // Readies the run for text in the current state; false when the state
    // holds no document text. Inline for the common case of more of the same run.
    bool beginText()
    {
        const GroupState& st = m_stack.back();
        if (m_runPropsValid && st.dest == Destination::Text && !m_highSurrogate
            && !m_pendingNeeded && !m_pendingBreak && st.tableDepth == m_tableDepth && st.chr == m_runProps)
            return true;
        return beginTextSlow();
    }
    bool beginTextSlow();
    void appendChar(char32_t ch);
    void appendUtf16(char16_t unit);
    void flushPendingBytes();
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
    RtfDocumentData* m_data;  // null when inserting: document-level groups are not kept
    int m_nesting = 0;        // how deep in plainTextOf() this parser runs
    qsizetype m_fontTableMark = 0;  // contentMark() where the font table began
    bool m_bodyStarted = false;

    RtfTableBuilder m_tables;
    int m_tableDepth = 0;  // where the cursor stands
    // A paragraph mark whose new paragraph is not made until more text
    // comes: a table or a cell's end after it needs none.
    bool m_pendingBreak = false;
    std::vector<RtfTableBuilder::RowDefs> m_rowDefs =
        std::vector<RtfTableBuilder::RowDefs>(RtfTableBuilder::MaxDepth + 1);
    RtfTableBuilder::CellDef m_cellDef;

    std::vector<FieldInfo> m_fields;

    QHash<int, ListDef> m_listDefs;   // by \listid
    QHash<int, int> m_overrides;      // \ls to \listid
    QHash<int, QPointer<QTextList>> m_lists;  // (\ls, \ilvl) to the list made for it
    QHash<int, QPointer<QTextList>> m_numberingLists;  // \pn lists of the paragraphs before, by level
    ListDef m_listBeingRead;
    ListLevelDef m_levelBeingRead;
    QString m_levelText;
    int m_overrideList = 0;
    int m_overrideNumber = 0;
    Numbering m_numberingBeingRead;

    std::vector<GroupState> m_stack;
    int m_overflow = 0;      // groups opened beyond kMaxDepth
    bool m_started = false;  // the document group was opened
    bool m_done = false;     // the document group was closed
    bool m_starPending = false;
    const char* m_starAt = nullptr;         // the "\\*" before the next word
    const char* m_destinationAt = nullptr;  // the word (or its "\\*") that started a destination
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

    int m_lineBreaks = 0;  // line breaks in the current paragraph
    QString m_run;
    CharProps m_runProps;
    bool m_runPropsValid = false;
    QTextCharFormat m_runFormat;
    QHash<CharProps, QTextCharFormat> m_formatCache;
    Qt::Alignment m_blockAlign;
};

using RtfChars::hexValue;
using RtfChars::isAlpha;
using RtfChars::isDigit;

// The list style of a list level's number format (\levelnfc); 0 for a
// level that shows no number.
int listStyleOf(int nfc)
{
    switch (nfc) {
    case 1: return QTextListFormat::ListUpperRoman;
    case 2: return QTextListFormat::ListLowerRoman;
    case 3: return QTextListFormat::ListUpperAlpha;
    case 4: return QTextListFormat::ListLowerAlpha;
    case 23: return QTextListFormat::ListDisc;
    case 255: return 0;
    default: return QTextListFormat::ListDecimal;
    }
}

// A bullet's character to the list style that draws something like it.
int bulletStyleOf(QChar bullet)
{
    switch (bullet.unicode()) {
    case 0x25E6: case 'o': case 0xF06F: case 0x25CB:
        return QTextListFormat::ListCircle;
    case 0x25AA: case 0x25A0: case 0xF0A7: case 0xF0D8: case 0xF06E: case 0x25AB:
        return QTextListFormat::ListSquare;
    default:
        return QTextListFormat::ListDisc;
    }
}

// Text that needs no parsing: printable ASCII without control words.
bool isSimpleText(const char* from, const char* to)
{
    for (const char* p = from; p < to; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\\' || c >= 0x80 || (c < 0x20 && c != '\r' && c != '\n'))
            return false;
    }
    return true;
}

// Hidden text (\v) as a group of its own, in 7-bit RTF, for the writer to
// put back where the marker that stands for it is.
QByteArray hiddenRunRtf(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() + 6);
    out.append("{\\v ");
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == '\\' || c == '{' || c == '}') {
            out.append('\\').append(char(c));
        } else if (c == '\t') {
            out.append("\\tab ");
        } else if (c == 0x2028) {
            out.append("\\line ");
        } else if (c >= 0x20 && c < 0x7F) {
            out.append(char(c));
        } else {
            out.append("\\u").append(QByteArray::number(int(std::int16_t(c)))).append('?');
        }
    }
    out.append('}');
    return out;
}

// An element read in hidden text is written back hidden.
QByteArray keptAsRead(const QByteArray& raw, bool hidden)
{
    return hidden ? "{\\v" + raw + '}' : raw;
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
                && state().dest == Destination::Text) {
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
    endHiddenRun();
    m_skip = 0;
    m_starPending = false;
    if (!m_started) {
        m_started = true;
        m_stack.emplace_back();
        m_stack.back().start = m_p - 1;
        return;
    }
    if (int(m_stack.size()) >= kMaxDepth) {
        ++m_overflow;
        return;
    }
    m_stack.push_back(m_stack.back());
    GroupState& st = m_stack.back();
    st.start = m_p - 1;
    st.content = nullptr;
    st.opens = Opens::Nothing;
}

void Parser::closeGroup()
{
    flushPendingBytes();
    endHiddenRun();
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
    if (state().opens != Opens::Nothing)
        endGroupWork(state());
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
        Word word;
        word.raw = m_p;
        ++m_p;
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
        m_starAt = m_p - 2;
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
    m_destinationAt = star ? m_starAt : w.raw;
    const auto& table = keywords();
    const auto it = table.find(w.name);
    // Before the text, the document group's own words are the page and
    // document settings (\paperw, \margl, \sectd...), and groups marked
    // ignorable belong to the document: both are kept as they stand.
    const bool prelude = m_data && !m_bodyStarted && m_overflow == 0;
    if (it == table.end()) {
        if (star) {
            if (prelude && m_stack.size() == 2)
                keepInPrelude(captureGroup());
            else
                skipGroup();
        } else if (m_skip > 0) {
            --m_skip;
        } else if (prelude && m_stack.size() == 1 && w.name != "rtf") {
            m_data->prelude.append(w.raw, m_p - w.raw);
        }
        return;
    }
    const KwInfo info = it->second;

    // Inside a \uc fallback every control word counts as one character;
    // destinations and the group structure still act.
    if (m_skip > 0 && info.kw != Kw::Bin && info.kw < Kw::Skip) {
        --m_skip;
        return;
    }
    if (info.kw > Kw::Skip && info.kw <= Kw::FieldResult) {
        handleDestination(info, w);
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
        // A table inside another table, or in a destination of its own, is
        // none of the document's.
        if (st.dest != Destination::Text && st.dest != Destination::Drop) {
            skipGroup();
            break;
        }
        st.dest = Destination::FontTable;
        st.opens = m_overflow > 0 ? Opens::Nothing : Opens::FontTable;
        st.content = m_destinationAt;
        m_fontTableMark = contentMark();
        m_inFontEntry = false;
        break;
    case Kw::ColorTable:
        if (st.dest != Destination::Text && st.dest != Destination::Drop) {
            skipGroup();
            break;
        }
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
        st.tableDepth = 0;
        st.list = 0;
        st.listLevel = 0;
        st.numbering = Numbering{};
        startBody();
        break;
    case Kw::InTable:
        st.tableDepth = on ? std::max(1, st.tableDepth) : 0;
        startBody();
        break;
    case Kw::TableDepth:
        st.tableDepth = std::clamp(w.param, 0, 1000);
        break;
    case Kw::RowDefaults: {
        RtfTableBuilder::RowDefs& defs = rowDefs();
        defs.cells.clear();
        defs.left = 0;
        m_cellDef = RtfTableBuilder::CellDef{};
        startBody();
        break;
    }
    case Kw::CellX: {
        RtfTableBuilder::RowDefs& defs = rowDefs();
        m_cellDef.right = w.param;
        // Thousands of definitions are kept no further than the columns a
        // table can have.
        if (defs.cells.size() < size_t(RtfTableBuilder::MaxColumns) * 4)
            defs.cells.push_back(m_cellDef);
        m_cellDef = RtfTableBuilder::CellDef{};
        break;
    }
    case Kw::RowLeft:
        rowDefs().left = w.param;
        break;
    case Kw::CellMerge:
        switch (info.ch) {
        case 1: m_cellDef.mergeFirst = true; break;
        case 2: m_cellDef.mergeNext = true; break;
        case 3: m_cellDef.vmergeFirst = true; break;
        default: m_cellDef.vmergeNext = true; break;
        }
        break;
    case Kw::ListTable:
    case Kw::ListOverrideTable:
        if (st.dest != Destination::Text && st.dest != Destination::Drop) {
            skipGroup();
            break;
        }
        st.dest = Destination::ListTable;
        st.opens = m_overflow > 0 ? Opens::Nothing : (info.kw == Kw::ListTable ? Opens::ListTable : Opens::ListOverrideTable);
        st.content = m_p;
        break;
    case Kw::List:
        if (st.dest == Destination::ListTable) {
            st.opens = m_overflow > 0 ? Opens::Nothing : Opens::List;
            m_listBeingRead = ListDef{};
        }
        break;
    case Kw::ListId:
        if (st.opens == Opens::ListOverride)
            m_overrideList = w.param;
        else if (st.dest == Destination::ListTable)
            m_listBeingRead.id = w.param;
        break;
    case Kw::ListLevel:
        if (st.dest == Destination::ListTable) {
            st.opens = m_overflow > 0 ? Opens::Nothing : Opens::ListLevel;
            m_levelBeingRead = ListLevelDef{};
            m_levelText.clear();
        }
        break;
    case Kw::LevelNfc:
        if (st.dest == Destination::ListTable)
            m_levelBeingRead.style = listStyleOf(w.param);
        break;
    case Kw::LevelText:
        if (st.dest == Destination::ListTable) {
            st.dest = Destination::LevelText;
            m_levelText.clear();
        }
        break;
    case Kw::ListOverride:
        if (st.dest == Destination::ListTable) {
            st.opens = m_overflow > 0 ? Opens::Nothing : Opens::ListOverride;
            m_overrideList = m_overrideNumber = 0;
        }
        break;
    case Kw::ListNumber:
        if (st.dest == Destination::ListTable)
            m_overrideNumber = w.param;
        else
            st.list = std::max(0, w.param);
        break;
    case Kw::ListIndentLevel:
        st.listLevel = std::clamp(w.param, 0, 8);
        break;
    case Kw::ListText: {
        // The number or bullet of a list item, for readers without lists:
        // the list shows its own. Some writers put the whole paragraph in
        // it; a group with a paragraph mark is read as text. Without a
        // list table, it is the only number the item has: kept as text.
        if (m_overrides.isEmpty())
            break;
        const std::string_view group(m_p, size_t(groupEnd(m_p) - m_p));
        for (size_t at = group.find("\\par"); at != std::string_view::npos; at = group.find("\\par", at + 1)) {
            if (at + 4 >= group.size() || !isAlpha(static_cast<unsigned char>(group[at + 4])))
                return;
        }
        skipGroup();
        break;
    }
    case Kw::Numbering:
        st.dest = Destination::Numbering;
        st.opens = m_overflow > 0 ? Opens::Nothing : Opens::Numbering;
        m_numberingBeingRead = Numbering{QTextListFormat::ListDecimal, 0};
        break;
    case Kw::NumberingKind:
        if (st.dest != Destination::Numbering)
            break;
        if (info.ch == 1)
            m_numberingBeingRead = Numbering{QTextListFormat::ListDisc, 0};
        else if (info.ch == 3)
            m_numberingBeingRead.level = std::clamp(w.param - 1, 0, 8);
        break;
    case Kw::NumberingStyle:
        if (st.dest == Destination::Numbering)
            m_numberingBeingRead.style = -int(info.ch);
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
        startBody();
        endParagraph();
        break;
    case Kw::Line:
        // A paragraph is laid out as a whole, so one of millions of line
        // breaks would take seconds to show or to type into; past a
        // thousand, a line break starts a new paragraph, which looks the same.
        if (st.dest == Destination::Text && st.tableDepth == 0 && m_lineBreaks >= kMaxLineBreaks) {
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
        if (st.dest == Destination::Text)
            endCell(info.ch ? std::max(2, st.tableDepth) : 1);
        break;
    case Kw::Row:
    case Kw::NestedRow:
        if (st.dest == Destination::Text)
            endRow(info.kw == Kw::NestedRow ? std::max(2, st.tableDepth) : 1);
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
        // {\upr{ANSI version}{\*\ud{Unicode version}}}: the Unicode version
        // goes where the group stood, be it text or a font table.
        if (!st.inUpr) {
            st.inUpr = true;
            st.beforeUpr = st.dest;
        }
        st.dest = Destination::Drop;
        break;
    case Kw::Ud:
        if (st.inUpr && st.dest == Destination::Drop)
            st.dest = st.beforeUpr;
        break;
    case Kw::Known:
        break;
    case Kw::Skip:
        skipGroup();
        break;
    default:
        break;
    }
}

void Parser::skipBytes(long long count)
{
    if (count <= 0)
        return;
    m_p += std::min<long long>(count, m_end - m_p);
}

const char* Parser::groupEnd(const char* from, int* open) const
{
    int depth = 1;
    const char* p = from;
    while (p < m_end) {
        const char c = *p++;
        if (c == '\\') {
            if (p < m_end && isAlpha(static_cast<unsigned char>(*p))) {
                const char* name = p;
                while (p < m_end && isAlpha(static_cast<unsigned char>(*p)))
                    ++p;
                const bool bin = p - name == 3 && std::string_view(name, 3) == "bin";
                long long value = 0;
                const bool negative = p < m_end && *p == '-';
                if (negative)
                    ++p;
                while (p < m_end && isDigit(static_cast<unsigned char>(*p))) {
                    if (value <= INT_MAX)
                        value = value * 10 + (*p - '0');
                    ++p;
                }
                if (p < m_end && *p == ' ')
                    ++p;
                if (bin && !negative)  // as the reader takes it: \bin-5 holds no bytes
                    p += std::min<long long>(value, m_end - p);
            } else if (p < m_end) {
                ++p;  // a control symbol; a backslash as the last byte has none
            }
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth == 0) {
            if (open)
                *open = 0;
            return p;
        }
    }
    if (open)
        *open = depth;
    return m_end;
}

// Skips the rest of the current group, which holds nothing we keep, without
// interpreting it; nested groups are counted, not pushed.
void Parser::skipGroup()
{
    m_skip = 0;
    int open = 0;
    m_p = groupEnd(m_p, &open);
    if (open == 0)
        closeGroup();
}

QByteArray Parser::captureGroup()
{
    const char* start = m_overflow == 0 && m_stack.size() > 1 ? state().start : nullptr;
    m_skip = 0;
    int open = 0;
    m_p = groupEnd(m_p, &open);
    // A group cut off by the end of the file is not kept: written back
    // anywhere else, its broken end could swallow what follows it. Text
    // before the destination's word was read as text already; the group is
    // kept from that word on.
    QByteArray raw;
    if (start && open == 0) {
        const char* from = m_destinationAt > start && m_destinationAt < m_p ? m_destinationAt : start + 1;
        raw.reserve(m_p - from + 1);
        raw.append('{').append(from, m_p - from);
        // An element that ends a field's own group is kept on its own; the
        // field, kept behind a marker, ends before it.
        const GroupState& st = state();
        if (st.opens == Opens::Field && st.field >= 0 && from > start + 1)
            m_fields[size_t(st.field)].cut = from;
    }
    if (open == 0)
        closeGroup();
    return raw;
}

QString Parser::plainTextOf(const char* from, const char* to) const
{
    constexpr qsizetype Longest = 64 * 1024;
    if (to <= from || m_nesting >= 2)
        return {};
    to = std::min(to, from + Longest);
    QString text;
    if (isSimpleText(from, to)) {
        for (const char* p = from; p < to; ++p) {
            if (*p != '{' && *p != '}' && *p != '\r' && *p != '\n')
                text.append(QLatin1Char(*p));
        }
    } else {
        const QByteArray source = QByteArray("{\\rtf1 ") + QByteArray(from, to - from) + '}';
        QTextDocument scratch;
        QTextCursor cursor(&scratch);
        Parser sub(source, cursor, false, nullptr);
        sub.m_nesting = m_nesting + 1;
        sub.m_fonts = m_fonts;
        sub.m_colors = m_colors;
        sub.m_docCodePage = m_docCodePage;
        sub.m_defaultFont = m_defaultFont;
        sub.run();
        text = scratch.toPlainText();
        text.remove(QChar::ObjectReplacementCharacter);
    }
    return text.simplified().left(1000);
}

void Parser::keepInPrelude(const QByteArray& rtf)
{
    if (m_data && !rtf.isEmpty())
        m_data->prelude.append(rtf);
}

void Parser::handleDestination(const KwInfo& info, const Word& w)
{
    Q_UNUSED(w);
    GroupState& st = state();
    if (m_stack.size() < 2)
        return;  // the document group itself is never a destination
    switch (info.kw) {
    case Kw::KeepDocument:
        if (m_data && st.dest == Destination::Text && m_overflow == 0)
            keepInPrelude(captureGroup());
        else
            skipGroup();
        break;
    case Kw::Marker:
        if (st.dest != Destination::Text || m_nesting > 0 || m_overflow > 0)
            skipGroup();
        else
            readMarker(MarkerKind(info.ch));
        break;
    case Kw::Pict:
    case Kw::ShpPict:
    case Kw::NonShpPict:
        if (st.dest != Destination::Text || m_nesting > 0 || m_overflow > 0)
            skipGroup();
        else
            readPicture(info.kw != Kw::Pict);
        break;
    case Kw::Field:
        if (m_overflow == 0) {
            st.field = int(m_fields.size());
            st.opens = Opens::Field;
            // From its word on: text before it in the group is read as text.
            m_fields.push_back(FieldInfo{m_destinationAt, {}, {}, {}, false, contentMark()});
        }
        break;
    case Kw::FieldInstruction:
        readFieldInstruction();
        break;
    case Kw::FieldResult:
        st.chr.field = st.field;
        break;
    default:
        break;
    }
}

void Parser::readFieldInstruction()
{
    const int field = state().field;
    const char* content = m_p;
    const QByteArray raw = captureGroup();
    if (field < 0 || size_t(field) >= m_fields.size() || raw.isEmpty())
        return;
    FieldInfo& info = m_fields[size_t(field)];
    info.instruction = raw;
    info.text = plainTextOf(content, m_p);
    // HYPERLINK "target" [\l "place"]: the target, or the place in the
    // document as "#place".
    static const QRegularExpression link(
        QString::fromLatin1(R"re(^\s*HYPERLINK\s+(?:"([^"]*)"|(\S+))?(?:.*?\\l\s+"([^"]*)")?)re"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = link.match(info.text);
    if (match.hasMatch()) {
        QString target = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
        if (!match.captured(3).isEmpty())
            target += QLatin1Char('#') + match.captured(3);
        info.href = target;
    }
}

void Parser::readMarker(MarkerKind kind)
{
    const GroupState st = state();
    QByteArray raw = captureGroup();
    if (raw.isEmpty())
        return;
    // Word writes an annotation as several groups in a row: its id, its
    // author, the reference mark and the annotation itself. One marker.
    if (kind == MarkerKind::Annotation && !raw.contains("\\annotation")) {
        for (;;) {
            const char* q = m_p;
            while (q < m_end && (*q == '\r' || *q == '\n' || *q == ' '))
                ++q;
            const std::string_view rest(q, size_t(m_end - q));
            if (rest.starts_with("\\chatn")) {
                q += 6;
                if (q < m_end && *q == ' ')
                    ++q;
            } else if (!rest.starts_with("{\\*\\atn") && !rest.starts_with("{\\*\\annotation")
                       && !rest.starts_with("{\\annotation")) {
                break;
            } else {
                int open = 0;
                q = groupEnd(q + 1, &open);
                if (open > 0)
                    break;  // cut off by the end of the data
            }
            raw.append(m_p, q - m_p);
            m_p = q;
            if (raw.contains("\\annotation"))
                break;
        }
    }
    auto textAfter = [&](const char* word) -> QString {
        const qsizetype at = raw.indexOf(word);
        if (at < 0)
            return {};
        const char* from = raw.constData() + at + qstrlen(word);
        const char* to = raw.constData() + raw.size();
        if (kind == MarkerKind::Object || kind == MarkerKind::Annotation) {
            // Only the group the word is in.
            int depth = 1;
            const char* p = from;
            for (; p < to && depth > 0; ++p)
                depth += *p == '{' ? 1 : *p == '}' ? -1 : 0;
            to = p;
        }
        return plainTextOf(from, to);
    };
    QString text;
    switch (kind) {
    case MarkerKind::Footnote: text = textAfter("\\footnote"); break;
    case MarkerKind::Annotation: {
        const QString author = textAfter("\\atnauthor");
        text = textAfter("\\annotation");
        if (!author.isEmpty())
            text = author + QStringLiteral(": ") + text;
        break;
    }
    case MarkerKind::Object: text = textAfter("\\objclass"); break;
    case MarkerKind::Bookmark:
        text = textAfter(raw.contains("\\bkmkstart") ? "\\bkmkstart" : "\\bkmkend");
        break;
    case MarkerKind::Other: text = textAfter(raw.contains("\\xe") ? "\\xe" : "\\tc"); break;
    default: break;
    }
    QTextCharFormat format = formatFor(st.chr);
    format.setObjectType(RtfObjects::MarkerObjectType);
    format.setProperty(RtfObjects::MarkerKindProperty, int(kind));
    format.setProperty(RtfObjects::MarkerRtf, keptAsRead(raw, st.chr.hidden));
    if (!text.isEmpty())
        format.setProperty(RtfObjects::MarkerText, text);
    emitObject(format);
}

void Parser::readPicture(bool container)
{
    const GroupState st = state();
    QByteArray raw = captureGroup();
    if (raw.isEmpty())
        return;
    qsizetype from = 0;
    qsizetype to = raw.size();
    if (container) {
        // \shppict and \nonshppict hold a \pict group; a \nonshppict right
        // after a \shppict is the same picture for older readers.
        // The picture reader stops at the end of the \pict group, as it
        // knows escaped braces and \bin data.
        from = raw.indexOf("{\\pict");
        if (from < 0)
            from = to = 0;
        const char* q = m_p;
        while (q < m_end && (*q == '\r' || *q == '\n'))
            ++q;
        if (std::string_view(q, size_t(m_end - q)).starts_with("{\\nonshppict")) {
            int open = 0;
            const char* end = groupEnd(q + 1, &open);
            if (open == 0) {
                raw.append(m_p, end - m_p);
                m_p = end;
            }
        }
    }
    const RtfPicture picture = RtfPicture::parse(raw.constData() + from, raw.constData() + to);
    const QSizeF size = picture.displaySize();
    // A hidden picture stays hidden: a marker, like those the editor cannot draw.
    if (picture.isShowable() && !st.chr.hidden) {
        const QString name = RtfObjects::PictureScheme + QLatin1Char(':')
            + QString::fromLatin1(QCryptographicHash::hash(picture.bytes, QCryptographicHash::Sha1).toHex());
        m_cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), picture.bytes);
        QTextImageFormat format;
        format.merge(formatFor(st.chr));
        format.setObjectType(QTextFormat::ImageObject);
        format.setName(name);
        format.setWidth(size.width());
        format.setHeight(size.height());
        format.setProperty(RtfObjects::PictureRtf, picture.header);
        emitObject(format);
        return;
    }
    static const char* const kinds[] = {"", "PNG", "JPEG", "EMF", "WMF", ""};
    QTextCharFormat format = formatFor(st.chr);
    format.setObjectType(RtfObjects::MarkerObjectType);
    format.setProperty(RtfObjects::MarkerKindProperty, int(MarkerKind::Picture));
    format.setProperty(RtfObjects::MarkerRtf, keptAsRead(raw, st.chr.hidden));
    format.setProperty(RtfObjects::MarkerWidth, size.width());
    format.setProperty(RtfObjects::MarkerHeight, size.height());
    format.setProperty(RtfObjects::MarkerText, QString::fromLatin1(kinds[int(picture.kind)]));
    emitObject(format);
}

bool Parser::beginObject()
{
    const GroupState& st = state();
    if (st.dest != Destination::Text)
        return false;
    flushPendingBytes();
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        appendChar(0xFFFD);
    }
    startBody();
    if (st.tableDepth != m_tableDepth)
        enterTable(st.tableDepth);
    flushBreak();
    flushRun();
    if (st.chr.field >= 0 && size_t(st.chr.field) < m_fields.size())
        m_fields[size_t(st.chr.field)].hasResult = true;
    return true;
}

void Parser::emitObject(const QTextCharFormat& format)
{
    if (!beginObject())
        return;
    if (RtfObjects::isMarker(format)) {
        insertMarker(format);
        return;
    }
    m_cursor.insertText(QString(QChar::ObjectReplacementCharacter), format);
}

void Parser::insertMarker(const QTextCharFormat& format)
{
    // Qt's editor shows a character's tooltip under the pointer.
    QTextCharFormat withTip = format;
    withTip.setToolTip(RtfObjects::markerToolTip(format));
    m_cursor.insertText(QString(QChar::ObjectReplacementCharacter), withTip);
}

void Parser::endGroupWork(const GroupState& closing)
{
    switch (closing.opens) {
    case Opens::FontTable:
        // From its word on: text before the word was read as text. A table
        // that let text out (broken groups in it) is not kept as it stands:
        // its fonts are written from what was read of them.
        if (m_data && closing.content && closing.content < m_p && contentMark() == m_fontTableMark)
            m_data->fontTable = '{' + QByteArray(closing.content, m_p - closing.content);
        break;
    case Opens::ListTable:
    case Opens::ListOverrideTable:
        if (m_data && closing.content && closing.content < m_p) {
            QByteArray& kept = closing.opens == Opens::ListTable ? m_data->lists : m_data->listOverrides;
            kept.append(closing.content, m_p - 1 - closing.content);
        }
        break;
    case Opens::List:
        if (m_listDefs.size() < 100000)
            m_listDefs.insert(m_listBeingRead.id, m_listBeingRead);
        if (m_data)
            m_data->highestListId = std::max(m_data->highestListId, m_listBeingRead.id);
        break;
    case Opens::ListLevel: {
        // \leveltext: its length, then the text with the placeholders of
        // the levels' numbers (characters 0 to 8).
        ListLevelDef& level = m_levelBeingRead;
        const QString body = m_levelText.mid(1, m_levelText.isEmpty() ? 0 : m_levelText.at(0).unicode());
        qsizetype first = -1;
        qsizetype last = -1;
        for (qsizetype i = 0; i < body.size(); ++i) {
            if (body.at(i).unicode() < 9) {
                if (first < 0)
                    first = i;
                last = i;
            }
        }
        if (level.style == QTextListFormat::ListDisc || first < 0) {
            if (level.style != 0)
                level.style = bulletStyleOf(body.isEmpty() ? QChar(0x2022) : body.at(0));
        } else {
            level.prefix = body.left(first);
            level.suffix = body.mid(last + 1);
        }
        if (m_listBeingRead.levels.size() < 9)
            m_listBeingRead.levels.push_back(level);
        break;
    }
    case Opens::ListOverride:
        if (m_overrides.size() < 100000)
            m_overrides.insert(m_overrideNumber, m_overrideList);
        if (m_data)
            m_data->highestOverride = std::max(m_data->highestOverride, m_overrideNumber);
        break;
    case Opens::Field: {
        const FieldInfo& field = m_fields[size_t(closing.field)];
        // A field that shows nothing (an empty result, a page number left
        // to the reader) is kept behind a marker.
        // Only when nothing of it was read as text: that text is written
        // back on its own.
        if (!field.hasResult && field.start && closing.dest == Destination::Text && m_nesting == 0
            && field.mark == contentMark()) {
            QTextCharFormat format = formatFor(closing.chr);
            format.setObjectType(RtfObjects::MarkerObjectType);
            format.setProperty(RtfObjects::MarkerKindProperty, int(MarkerKind::Field));
            format.setProperty(RtfObjects::MarkerRtf,
                               keptAsRead(field.cut ? '{' + QByteArray(field.start, field.cut - field.start) + '}'
                                                    : '{' + QByteArray(field.start, m_p - field.start),
                                          closing.chr.hidden));
            if (!field.text.isEmpty())
                format.setProperty(RtfObjects::MarkerText, field.text);
            emitObject(format);
        }
        break;
    }
    case Opens::Numbering:
        m_stack[m_stack.size() - 2].numbering = m_numberingBeingRead;
        break;
    case Opens::Nothing:
        break;
    }
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
    case Destination::LevelText:
        // The placeholders of the numbers are bytes below 9.
        m_levelText.append(byte < 0x20 ? QChar(byte) : RtfCodePage::get(m_docCodePage).decodeByte(byte));
        return;
    case Destination::Drop:
    case Destination::ListTable:
    case Destination::Numbering:
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
    // Pairs are joined in document text only: half a pair in a font name
    // must not wait there for the text that follows the table.
    if (state().dest != Destination::Text) {
        if (!QChar::isSurrogate(unit))
            appendChar(unit);
        return;
    }
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
    GroupState& st = state();
    if (st.dest == Destination::LevelText) {
        if (ch < 0x10000)
            m_levelText.append(QChar(char16_t(ch)));
        return;
    }
    // Decoded control characters are not text, and U+FFFC would pose as an
    // embedded object.
    if ((ch < 0x20 && ch != U'\t') || ch == 0xFFFC)
        return;
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
    if (st.dest != Destination::Text)
        return false;
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        appendChar(0xFFFD);
    }
    flushPendingBytes();
    startBody();
    if (st.tableDepth != m_tableDepth)
        enterTable(st.tableDepth);
    flushBreak();
    if (!m_runPropsValid || !(st.chr == m_runProps)) {
        flushRun();
        m_runProps = st.chr;
        m_runPropsValid = true;
        m_runFormat = formatFor(st.chr);
        if (st.chr.field >= 0 && size_t(st.chr.field) < m_fields.size())
            m_fields[size_t(st.chr.field)].hasResult = true;
    }
    return true;
}

RtfTableBuilder::RowDefs& Parser::rowDefs()
{
    return m_rowDefs[size_t(std::clamp(state().tableDepth, 1, RtfTableBuilder::MaxDepth))];
}

void Parser::enterTable(int depth)
{
    flushRun();
    const RtfTableBuilder::RowDefs& defs = m_rowDefs[size_t(std::clamp(depth, 1, RtfTableBuilder::MaxDepth))];
    if (m_tables.enter(depth, &defs)) {
        m_pendingBreak = false;  // a table or a cell's end took the paragraph mark
        syncBlock();
    }
    m_tableDepth = depth;
}

void Parser::flushBreak()
{
    if (!m_pendingBreak)
        return;
    m_pendingBreak = false;
    // A paragraph starts with no format of its own: none of the list or
    // alignment of the one before.
    m_cursor.insertBlock(QTextBlockFormat());
    m_blockAlign = Qt::AlignLeft;
}

// After the cursor moved to another paragraph (a cell, after a table).
void Parser::syncBlock()
{
    m_blockAlign = m_cursor.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    if (!m_blockAlign)
        m_blockAlign = Qt::AlignLeft;
}

void Parser::endCell(int depth)
{
    flushPendingBytes();
    startBody();
    enterTable(depth);
    // A paragraph mark right before the cell's end (as pandoc writes every
    // cell) leaves no empty paragraph behind.
    if (m_pendingBreak)
        m_pendingBreak = false;
    else
        finishBlock();
    const RtfTableBuilder::RowDefs& defs = m_rowDefs[size_t(std::clamp(depth, 1, RtfTableBuilder::MaxDepth))];
    if (!m_tables.endCell(depth, &defs))
        m_pendingBreak = true;  // deeper than the tables go: the cell is a paragraph
    syncBlock();
    m_tableDepth = -1;  // the next text finds its cell
}

void Parser::endRow(int depth)
{
    flushPendingBytes();
    flushRun();
    m_pendingBreak = false;
    const RtfTableBuilder::RowDefs& defs = m_rowDefs[size_t(std::clamp(depth, 1, RtfTableBuilder::MaxDepth))];
    if (!m_tables.endRow(depth, &defs)) {
        finishBlock();
        m_pendingBreak = true;
    }
    m_tableDepth = -1;
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
    if (props.field >= 0 && size_t(props.field) < m_fields.size()) {
        const FieldInfo& field = m_fields[size_t(props.field)];
        if (!field.href.isEmpty()) {
            format.setAnchor(true);
            format.setAnchorHref(field.href);
        }
        if (!field.instruction.isEmpty())
            format.setProperty(RtfObjects::FieldInstruction, field.instruction);
    }
    m_formatCache.insert(props, format);
    return format;
}

void Parser::flushRun()
{
    if (m_run.isEmpty())
        return;
    if (m_runProps.hidden) {
        // Not shown, but kept where it stands, with the run's formats.
        QTextCharFormat format = m_runFormat;
        format.setObjectType(RtfObjects::MarkerObjectType);
        format.setProperty(RtfObjects::MarkerKindProperty, int(MarkerKind::Hidden));
        format.setProperty(RtfObjects::MarkerRtf, hiddenRunRtf(m_run));
        const QString text = m_run.simplified().left(1000);
        if (!text.isEmpty())
            format.setProperty(RtfObjects::MarkerText, text);
        insertMarker(format);
    } else {
        m_cursor.insertText(m_run, m_runFormat);
    }
    m_run.resize(0);  // keeps the buffer for the next run
}

void Parser::endParagraph()
{
    const GroupState& st = state();
    if (st.dest != Destination::Text)
        return;
    m_lineBreaks = 0;
    flushPendingBytes();
    if (st.tableDepth != m_tableDepth)
        enterTable(st.tableDepth);
    flushBreak();
    finishBlock();
    m_pendingBreak = true;
}

// The paragraph the cursor is in gets its alignment and its list.
void Parser::finishBlock()
{
    flushPendingBytes();
    flushRun();
    const GroupState& st = state();
    if (st.align != m_blockAlign) {
        QTextBlockFormat format = m_cursor.blockFormat();
        format.setAlignment(st.align);
        m_cursor.setBlockFormat(format);
        m_blockAlign = st.align;
    }
    if (QTextList* list = listFor(st)) {
        if (m_cursor.block().textList() != list)
            list->add(m_cursor.block());
    } else if (st.numbering.style == 0) {
        m_numberingLists.clear();  // old-style numbering starts again after other text
    }
}

QTextList* Parser::listFor(const GroupState& st)
{
    if (st.list > 0) {
        const int key = st.list * 16 + st.listLevel;
        if (const auto it = m_lists.constFind(key); it != m_lists.constEnd() && *it)
            return *it;
        ListLevelDef level;
        bool defined = false;
        if (const auto o = m_overrides.constFind(st.list); o != m_overrides.constEnd()) {
            if (const auto d = m_listDefs.constFind(*o); d != m_listDefs.constEnd()
                && size_t(st.listLevel) < d->levels.size()) {
                level = d->levels[size_t(st.listLevel)];
                defined = true;
            }
        }
        if (defined && level.style == 0)
            return nullptr;  // a level that shows no number or bullet
        if (!defined && m_overrides.isEmpty())
            return nullptr;  // no list table: the items' \\listtext numbers are their text
        QTextListFormat format;
        format.setStyle(QTextListFormat::Style(level.style));
        format.setIndent(st.listLevel + 1);
        if (level.style <= QTextListFormat::ListDecimal) {
            format.setNumberPrefix(level.prefix);
            format.setNumberSuffix(defined ? level.suffix : QStringLiteral("."));
        }
        if (m_data && defined) {
            format.setProperty(RtfObjects::ListOverride, st.list);
            format.setProperty(RtfObjects::ListLevel, st.listLevel);
        }
        QTextList* list = m_cursor.createList(format);
        m_lists.insert(key, list);
        return list;
    }
    if (st.numbering.style != 0) {
        const int level = st.numbering.level;
        if (const auto it = m_numberingLists.constFind(level);
            it != m_numberingLists.constEnd() && *it && (*it)->format().style() == st.numbering.style)
            return *it;
        QTextListFormat format;
        format.setStyle(QTextListFormat::Style(st.numbering.style));
        format.setIndent(level + 1);
        QTextList* list = m_cursor.createList(format);
        m_numberingLists.insert(level, list);
        return list;
    }
    return nullptr;
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
    // document's, it takes the alignment and list in force at the end.
    // The paragraph after the last mark is empty: it takes the alignment in
    // force, but joins no list.
    const bool emptyLast = m_pendingBreak && m_tables.depth() == 0;
    if (emptyLast)
        flushBreak();
    if (m_wholeDocument && state().dest == Destination::Text && !m_pendingBreak) {
        if (emptyLast) {
            QTextBlockFormat format = m_cursor.blockFormat();
            format.setAlignment(state().align);
            m_cursor.setBlockFormat(format);
        } else {
            finishBlock();
        }
    }
    m_tables.closeAll();
    if (!m_data)
        return;
    m_data->codePage = m_docCodePage;
    m_data->defaultFont = std::max(0, m_defaultFont);
    std::vector<int> numbers(m_fonts.keyBegin(), m_fonts.keyEnd());
    std::sort(numbers.begin(), numbers.end());
    // Numbers no writer uses are not offered for reuse; the entries stay in
    // the kept table.
    for (int number : numbers) {
        if (number >= 0 && number <= 0xFFFF)
            m_data->fonts.push_back(RtfDocumentData::Font{number, m_fonts.value(number).family});
    }
    m_data->colors = m_colors;
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
    Parser(data, cursor, true, RtfDocumentData::reset(document)).run();
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
    Parser(data, cursor, false, nullptr).run();
    cursor.endEditBlock();
    return true;
}
