#include "RtfWriter.h"

#include "PlainTextExport.h"
#include "RtfCodePage.h"
#include "RtfDocumentData.h"
#include "RtfObjects.h"

#include <QColor>
#include <QHash>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace {

using Fallbacks = std::array<unsigned char, 65536>;

// Unicode to the bytes of a single-byte code page, for the byte that follows
// each \uN; 0 where the page has no byte for it. Pages of several bytes a
// character have no table (null): their fallback is "?".
const Fallbacks* fallbacksFor(int codePage)
{
    static std::map<int, std::unique_ptr<Fallbacks>> tables;
    const auto found = tables.find(codePage);
    if (found != tables.end())
        return found->second.get();
    std::unique_ptr<Fallbacks> table;
    const RtfCodePage& page = RtfCodePage::get(codePage);
    bool singleByte = true;
    for (int b = 0x80; b < 0x100 && singleByte; ++b)
        singleByte = page.sequenceLength(static_cast<unsigned char>(b)) == 1;
    if (singleByte) {
        table = std::make_unique<Fallbacks>();
        table->fill(0);
        for (int b = 0xFF; b >= 0x80; --b) {
            const QChar ch = page.decodeByte(static_cast<unsigned char>(b));
            if (ch != QChar::ReplacementCharacter && ch.unicode() >= 0x80)
                (*table)[ch.unicode()] = static_cast<unsigned char>(b);
        }
    }
    return tables.emplace(codePage, std::move(table)).first->second.get();
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

// The RTF number format (\levelnfc) of a list style.
int nfcOf(int style)
{
    switch (style) {
    case QTextListFormat::ListDecimal: return 0;
    case QTextListFormat::ListUpperRoman: return 1;
    case QTextListFormat::ListLowerRoman: return 2;
    case QTextListFormat::ListUpperAlpha: return 3;
    case QTextListFormat::ListLowerAlpha: return 4;
    default: return 23;  // a bullet
    }
}

char16_t bulletOf(int style)
{
    switch (style) {
    case QTextListFormat::ListCircle: return 0x25E6;
    case QTextListFormat::ListSquare: return 0x25AA;
    default: return 0x2022;
    }
}

constexpr int TwipsPerPixel = 15;
constexpr int DefaultTableWidth = 9638;  // twips: an A4 page within its usual margins

class Writer
{
public:
    explicit Writer(const QTextDocument* document)
        : m_document(document)
        , m_data(RtfDocumentData::of(document))
        , m_defaultFamily(document->defaultFont().family())
        , m_defaultPointSize(document->defaultFont().pointSizeF())
    {
        if (m_defaultFamily.isEmpty())
            m_defaultFamily = QStringLiteral("Times New Roman");
        if (m_defaultPointSize <= 0)
            m_defaultPointSize = 12;
        m_codePage = m_data ? m_data->codePage : 1251;
        m_fallbacks = fallbacksFor(m_codePage);
        if (m_data && !m_data->fonts.empty()) {
            for (const RtfDocumentData::Font& font : m_data->fonts) {
                m_fonts.push_back(font);
                m_nextFont = std::max(m_nextFont, font.number + 1);
            }
            m_defaultFont = m_data->defaultFont;
        } else {
            m_fonts.push_back(RtfDocumentData::Font{0, m_defaultFamily});
            m_nextFont = 1;
        }
        if (m_data && !m_data->colors.empty())
            m_colors = m_data->colors;
        else
            m_colors.push_back(QColor());  // \cf0, the automatic colour
        m_current.font = m_defaultFont;
    }

    QByteArray write(int from, int to);

    // One piece of a document written in pieces: the paragraphs and tables
    // that start before to, their text in [from, to), from the plain
    // character state. Fonts, colours and lists the pieces use are kept for
    // header().
    QByteArray piece(int from, int to, bool* endsParagraph);
    // What comes before the pieces: the font, colour and list tables.
    QByteArray header() const;

private:
    void writeFrame(QTextFrame::iterator it, int from, int to, int depth);
    void writeTable(QTextTable* table, int from, int to, int depth);
    void writeBlock(const QTextBlock& block, int from, int to, int depth);
    void writeParagraphFormat(const QTextBlock& block, int depth);
    void writeListItem(const QTextBlock& block, QTextList* list);
    void writeObject(const QTextCharFormat& format);
    void openField(const QTextCharFormat& format);
    void closeField();
    void writeRun(const QTextCharFormat& format, QStringView text);
    void writeText(QStringView text);
    void word(const char* name);
    void word(const char* name, int value);
    void toggle(const char* on, const char* off, bool& current, bool wanted);
    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);
    QByteArray fontTable() const;
    QByteArray listTables() const;
    void escapeInto(QByteArray& out, QStringView text) const;
    static void appendNumber(QByteArray& out, int value);
    void writeFontName(QByteArray& out, const QString& name) const;

    struct ListOut {
        int override = 0;      // \ls
        int level = 0;         // \ilvl
        int id = 0;            // \listid of a list written here; 0 for a kept one
        QTextListFormat format;
    };

    const QTextDocument* m_document;
    const RtfDocumentData* m_data;
    QString m_defaultFamily;
    qreal m_defaultPointSize;
    int m_codePage = 1251;
    const Fallbacks* m_fallbacks = nullptr;
    std::vector<RtfDocumentData::Font> m_fonts;
    int m_defaultFont = 0;
    int m_nextFont = 0;
    std::vector<QColor> m_colors;
    QHash<QTextList*, ListOut> m_lists;
    std::vector<ListOut> m_newLists;
    QByteArray m_body;
    RunProps m_current;
    bool m_needDelimiter = false;
    bool m_needPar = false;
    int m_cellBlocks = 0;          // paragraphs written in the cell being written
    bool m_lastBlockEmpty = false;
    // The field being written: its instruction, and the character state
    // from before it, which its group's end brings back.
    QByteArray m_field;
    RunProps m_beforeField;
    // Writing pieces: a block or table that starts at the end of the range
    // is the next piece's, and a piece that goes on with a paragraph leaves
    // its formats to the piece that began it.
    bool m_inPieces = false;
    int m_lastBlockEnd = 0;  // where the last paragraph written ends, its break included
};

QByteArray Writer::write(int from, int to)
{
    m_body.reserve((to - from) * 2 + 256);
    writeFrame(m_document->rootFrame()->begin(), from, to, 0);
    QByteArray out = header();
    out.append(m_body);
    out.append("}\r\n");
    return out;
}

QByteArray Writer::piece(int from, int to, bool* endsParagraph)
{
    m_inPieces = true;
    m_body.clear();
    m_current = RunProps{};
    m_current.font = m_defaultFont;
    word("plain");
    m_needPar = false;
    writeFrame(m_document->rootFrame()->begin(), from, to, 0);
    if (endsParagraph)
        *endsParagraph = m_needPar && m_lastBlockEnd <= to;
    return std::exchange(m_body, QByteArray());
}

QByteArray Writer::header() const
{
    QByteArray out;
    out.reserve(m_body.size() + 1024 + (m_data ? m_data->prelude.size() + m_data->fontTable.size() : 0));
    out.append("{\\rtf1\\ansi\\ansicpg");
    appendNumber(out, m_codePage);
    out.append("\\deff");
    appendNumber(out, m_defaultFont);
    out.append(fontTable());
    out.append("\r\n{\\colortbl ");
    for (const QColor& color : m_colors) {
        if (color.isValid()) {
            out.append("\\red").append(QByteArray::number(color.red()));
            out.append("\\green").append(QByteArray::number(color.green()));
            out.append("\\blue").append(QByteArray::number(color.blue()));
        }
        out.append(';');
    }
    out.append("}\r\n");
    out.append(listTables());
    if (m_data && !m_data->prelude.isEmpty()) {
        out.append(m_data->prelude);
        out.append("\r\n");
    }
    out.append("\\uc1\\plain\\f");
    appendNumber(out, m_defaultFont);
    out.append("\\fs24");
    return out;
}

QByteArray Writer::fontTable() const
{
    QByteArray out;
    size_t kept = 0;
    if (m_data && !m_data->fontTable.isEmpty()) {
        // The document's own table, as it was, and the fonts added since.
        out = m_data->fontTable;
        while (!out.isEmpty() && out.back() != '}')
            out.chop(1);
        out.chop(1);
        kept = m_data->fonts.size();
    } else {
        out = "{\\fonttbl";  // the document's fonts keep their numbers
    }
    for (size_t i = kept; i < m_fonts.size(); ++i) {
        out.append("{\\f");
        appendNumber(out, m_fonts[i].number);
        out.append("\\fnil\\fcharset204 ");
        writeFontName(out, m_fonts[i].family);
        out.append(";}");
    }
    out.append('}');
    return out;
}

QByteArray Writer::listTables() const
{
    const bool keptLists = m_data && (!m_data->lists.isEmpty() || !m_data->listOverrides.isEmpty());
    if (!keptLists && m_newLists.empty())
        return {};
    QByteArray out("{\\*\\listtable");
    if (m_data)
        out.append(m_data->lists);
    for (const ListOut& list : m_newLists) {
        out.append("\r\n{\\list\\listtemplateid");
        appendNumber(out, list.id);
        const int style = list.format.style();
        const int nfc = nfcOf(style);
        for (int level = 0; level < 9; ++level) {
            out.append("{\\listlevel\\levelnfc");
            appendNumber(out, nfc);
            out.append("\\levelnfcn");
            appendNumber(out, nfc);
            out.append("\\leveljc0\\levelfollow0\\levelstartat1{\\leveltext");
            QString text;
            if (nfc == 23) {
                text = QChar(bulletOf(style));
            } else {
                text = list.format.numberPrefix() + QChar(char16_t(level)) + list.format.numberSuffix();
            }
            out.append("\\'");
            out.append(QByteArray::number(int(text.size()), 16).rightJustified(2, '0'));
            for (const QChar ch : text) {
                if (ch.unicode() < 9) {
                    out.append("\\'0").append(char('0' + ch.unicode()));
                } else {
                    out.append(' ');
                    escapeInto(out, QStringView(&ch, 1));
                }
            }
            out.append(";}{\\levelnumbers");
            if (nfc != 23)
                out.append("\\'").append(QByteArray::number(int(list.format.numberPrefix().size()) + 1, 16)
                                              .rightJustified(2, '0'));
            out.append(";}\\fi-360\\li");
            appendNumber(out, 720 + 360 * level);
            out.append('}');
        }
        out.append("\\listid");
        appendNumber(out, list.id);
        out.append('}');
    }
    out.append("}\r\n{\\*\\listoverridetable");
    if (m_data)
        out.append(m_data->listOverrides);
    for (const ListOut& list : m_newLists) {
        out.append("{\\listoverride\\listid");
        appendNumber(out, list.id);
        out.append("\\listoverridecount0\\ls");
        appendNumber(out, list.override);
        out.append('}');
    }
    out.append("}\r\n");
    return out;
}

// The blocks and tables of a frame (or a table cell) that lie in [from, to];
// depth is the table depth they are at (0 for the document, 1 in a cell...).
void Writer::writeFrame(QTextFrame::iterator it, int from, int to, int depth)
{
    bool atStart = true;
    bool afterTable = false;
    for (; !it.atEnd(); ++it) {
        const bool startOfFrame = atStart;
        atStart = false;
        const bool follows = afterTable;
        afterTable = false;
        if (QTextFrame* child = it.currentFrame()) {
            afterTable = qobject_cast<QTextTable*>(child);
            if (child->lastPosition() < from || child->firstPosition() > to
                || (m_inPieces && child->firstPosition() >= to))
                continue;
            if (auto* table = qobject_cast<QTextTable*>(child)) {
                if (m_needPar) {
                    word("par");
                    m_body.append("\r\n");
                    m_needDelimiter = false;
                }
                writeTable(table, from, to, depth + 1);
                m_needPar = false;
            } else {
                writeFrame(child->begin(), from, to, depth);
            }
            continue;
        }
        const QTextBlock block = it.currentBlock();
        if (block.position() + block.length() <= from)
            continue;
        if (block.position() > to || (m_inPieces && block.position() >= to))
            break;
        if (PlainTextExport::isTableFiller(it, startOfFrame, follows)) {
            // The paragraph Qt keeps after a table that ends a frame or a
            // cell: its format is written, not a paragraph of its own.
            if (follows)
                writeBlock(block, from, to, depth);
            continue;
        }
        if (m_needPar) {
            word("par");
            m_body.append("\r\n");
            m_needDelimiter = false;
        }
        writeBlock(block, from, to, depth);
        m_needPar = true;
        ++m_cellBlocks;
        m_lastBlockEmpty = block.length() == 1;
    }
}

void Writer::writeTable(QTextTable* table, int from, int to, int depth)
{
    const int rows = table->rows();
    const int columns = table->columns();
    // Column edges from the widths the table asks for.
    const QList<QTextLength> constraints = table->format().columnWidthConstraints();
    std::vector<int> edges(static_cast<size_t>(columns), 0);
    int edge = 0;
    for (int column = 0; column < columns; ++column) {
        int width = DefaultTableWidth / std::max(1, columns);
        if (column < constraints.size()) {
            const QTextLength& length = constraints[column];
            if (length.type() == QTextLength::FixedLength && length.rawValue() > 0)
                width = std::clamp(int(length.rawValue() * TwipsPerPixel), 1, 31680);
            else if (length.type() == QTextLength::PercentageLength && length.rawValue() > 0)
                width = std::max(1, int(DefaultTableWidth * length.rawValue() / 100));
        }
        edge += width;
        edges[size_t(column)] = edge;
    }
    for (int row = 0; row < rows; ++row) {
        const QTextTableCell first = table->cellAt(row, 0);
        const QTextTableCell last = table->cellAt(row, columns - 1);
        if (last.lastPosition() < from || first.firstPosition() > to)
            continue;
        // One definition and one cell for every column: merged cells as
        // \\clmgf/\\clmrg across and \\clvmgf/\\clvmrg down, which every reader
        // maps back to the same grid.
        QByteArray defs = "\\trowd\\trgaph108\\trleft0";
        for (int column = 0; column < columns; ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            if (cell.row() != row)
                defs.append("\\clvmrg");
            else if (cell.rowSpan() > 1)
                defs.append("\\clvmgf");
            if (cell.column() != column)
                defs.append("\\clmrg");
            else if (cell.columnSpan() > 1)
                defs.append("\\clmgf");
            defs.append("\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                        "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10\\cellx");
            appendNumber(defs, edges[size_t(column)]);
        }
        if (depth == 1) {
            m_body.append(defs);
            m_body.append("\r\n");
            m_needDelimiter = false;
        }
        for (int column = 0; column < columns; ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            m_needPar = false;
            m_cellBlocks = 0;
            if (cell.row() == row && cell.column() == column)
                writeFrame(cell.begin(), from, to, depth);
            if (!m_needPar) {
                // A cell covered by another, or outside the selection.
                word("pard");
                word("intbl");
                if (depth > 1)
                    word("itap", depth);
            } else if (m_cellBlocks > 1 && m_lastBlockEmpty) {
                // A mark right before the cell's end is taken as the end of
                // the paragraph before: an empty last paragraph needs its own.
                word("par");
            }
            word(depth > 1 ? "nestcell" : "cell");
        }
        if (depth == 1) {
            word("row");
        } else {
            m_body.append("{\\*\\nesttableprops");
            m_body.append(defs);
            m_body.append("\\nestrow}{\\nonesttables\\par}");
        }
        m_body.append("\r\n");
        m_needDelimiter = false;
    }
    m_needPar = false;
}

void Writer::writeBlock(const QTextBlock& block, int from, int to, int depth)
{
    if (!m_inPieces || from <= block.position())
        writeParagraphFormat(block, depth);
    m_lastBlockEnd = block.position() + block.length();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int start = std::max(fragment.position(), from);
        const int end = std::min(fragment.position() + fragment.length(), to);
        if (start >= end)
            continue;
        const QTextCharFormat format = fragment.charFormat();
        openField(format);
        const QString text = fragment.text();
        const QStringView part = QStringView(text).mid(start - fragment.position(), end - start);
        if (format.isImageFormat() || RtfObjects::isMarker(format)) {
            writeRun(format, {});  // the character's own formats, as it was read in
            for (const QChar ch : part) {
                if (ch == QChar::ObjectReplacementCharacter)
                    writeObject(format);
            }
            continue;
        }
        writeRun(format, part);
    }
    closeField();
}

void Writer::writeParagraphFormat(const QTextBlock& block, int depth)
{
    word("pard");
    if (depth > 0)
        word("intbl");
    if (depth > 1)
        word("itap", depth);
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
    if (QTextList* list = block.textList())
        writeListItem(block, list);
}

void Writer::writeListItem(const QTextBlock& block, QTextList* list)
{
    auto found = m_lists.find(list);
    if (found == m_lists.end()) {
        ListOut out;
        const QTextListFormat format = list->format();
        const int kept = format.intProperty(RtfObjects::ListOverride);
        if (m_data && kept > 0 && kept <= m_data->highestOverride) {
            out.override = kept;
            out.level = std::clamp(format.intProperty(RtfObjects::ListLevel), 0, 8);
        } else {
            out.override = (m_data ? m_data->highestOverride : 0) + int(m_newLists.size()) + 1;
            out.id = (m_data ? m_data->highestListId : 0) + int(m_newLists.size()) + 1;
            out.level = std::clamp(format.indent() - 1, 0, 8);
            out.format = format;
            m_newLists.push_back(out);
        }
        found = m_lists.insert(list, out);
    }
    word("ls", found->override);
    word("ilvl", found->level);
    word("li", 720 + 360 * found->level);
    word("fi", -360);
    // What readers without lists show: the item's number or bullet.
    QString marker = list->itemText(block);
    if (marker.isEmpty() || nfcOf(list->format().style()) == 23)
        marker = QChar(bulletOf(list->format().style()));
    m_body.append("{\\listtext ");
    m_needDelimiter = false;
    escapeInto(m_body, marker);
    m_body.append("\\tab}");
}

void Writer::writeObject(const QTextCharFormat& format)
{
    if (RtfObjects::isMarker(format)) {
        const QByteArray rtf = format.property(RtfObjects::MarkerRtf).toByteArray();
        m_body.append(rtf);
        // The reader joins an annotation's groups that follow one another,
        // and a \shppict with the \nonshppict after it; one that was read
        // without its partner must not take the next marker for it.
        const RtfObjects::MarkerKind kind = RtfObjects::markerKind(format);
        if ((kind == RtfObjects::MarkerKind::Annotation && !rtf.contains("\\annotation"))
            || ((rtf.startsWith("{\\shppict") || rtf.startsWith("{\\*\\shppict")) && !rtf.contains("\\nonshppict")))
            m_body.append("{}");
        m_needDelimiter = false;
        return;
    }
    const QTextImageFormat image = format.toImageFormat();
    const QByteArray bytes = RtfObjects::pictureBytes(m_document, image);
    if (bytes.isEmpty())
        return;  // a picture the document has no bytes for
    QByteArray header = format.property(RtfObjects::PictureRtf).toByteArray();
    if (!header.startsWith("{\\pict")) {
        header = bytes.startsWith("\x89PNG") ? "{\\pict\\pngblip" : "{\\pict\\jpegblip";
        header.append("\\picwgoal");
        appendNumber(header, qRound(image.width() * TwipsPerPixel));
        header.append("\\pichgoal");
        appendNumber(header, qRound(image.height() * TwipsPerPixel));
    }
    // The bytes as they were read, in lines of 64.
    static const char hex[] = "0123456789abcdef";
    m_body.append(header);
    const qsizetype start = m_body.size();
    m_body.resize(start + bytes.size() * 2 + (bytes.size() + 63) / 64 * 2 + 1);
    char* out = m_body.data() + start;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i % 64 == 0) {
            *out++ = '\r';
            *out++ = '\n';
        }
        const auto b = static_cast<unsigned char>(bytes[i]);
        *out++ = hex[b >> 4];
        *out++ = hex[b & 15];
    }
    *out++ = '}';
    m_body.truncate(out - m_body.constData());
    m_needDelimiter = false;
}

// A field's result is its text with the field's group around it: the
// instruction as read, or a hyperlink made from a link's target.
void Writer::openField(const QTextCharFormat& format)
{
    QByteArray instruction = format.property(RtfObjects::FieldInstruction).toByteArray();
    if (instruction.isEmpty() && format.isAnchor() && !format.anchorHref().isEmpty()) {
        instruction = "{\\*\\fldinst HYPERLINK \"";
        escapeInto(instruction, format.anchorHref());
        instruction.append("\"}");
    }
    if (instruction == m_field)
        return;
    closeField();
    if (instruction.isEmpty())
        return;
    m_field = instruction;
    m_beforeField = m_current;
    m_body.append("{\\field");
    m_body.append(instruction);
    m_body.append("{\\fldrslt ");
    m_needDelimiter = false;
}

void Writer::closeField()
{
    if (m_field.isEmpty())
        return;
    m_body.append("}}");
    m_needDelimiter = false;
    m_field.clear();
    m_current = m_beforeField;
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
        m_current.font = m_defaultFont;
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
void Writer::writeFontName(QByteArray& out, const QString& name) const
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

void Writer::escapeInto(QByteArray& out, QStringView text) const
{
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
        if (const unsigned char b = m_fallbacks ? (*m_fallbacks)[c] : 0) {
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
    // The default font first: a kept table may name one family twice.
    for (const RtfDocumentData::Font& font : m_fonts)
        if (font.number == m_defaultFont && font.family == family)
            return font.number;
    for (const RtfDocumentData::Font& font : m_fonts)
        if (font.family == family)
            return font.number;
    m_fonts.push_back(RtfDocumentData::Font{m_nextFont, family});
    return m_nextFont++;
}

// Index 0 is the automatic colour, or whatever the kept table has there.
int Writer::colorIndex(const QColor& color)
{
    const QRgb rgb = color.rgb() & RGB_MASK;
    for (size_t i = 1; i < m_colors.size(); ++i)
        if (m_colors[i].isValid() && (m_colors[i].rgb() & RGB_MASK) == rgb)
            return int(i);
    m_colors.push_back(QColor(rgb));
    return int(m_colors.size() - 1);
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
