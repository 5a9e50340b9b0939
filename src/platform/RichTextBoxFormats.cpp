#include "platform/RichTextBox.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <vector>

namespace {

// A ParagraphAlignment value; -1 for justified, which is none of them.
int alignmentCode(Qt::Alignment alignment)
{
    const Qt::Alignment horizontal =
        alignment & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify);
    if (horizontal & Qt::AlignHCenter)
        return ParagraphAlignment::Center;
    if (horizontal & Qt::AlignJustify)
        return -1;
    if (horizontal & Qt::AlignRight)
        return ParagraphAlignment::Right;
    return ParagraphAlignment::Left;
}

// The first and the last paragraph a selection touches. A selection that ends
// right at the start of a paragraph (after a selected paragraph break) does
// not touch that paragraph.
std::pair<QTextBlock, QTextBlock> touchedBlocks(const QTextCursor& cursor)
{
    const QTextDocument* document = cursor.document();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    return {document->findBlock(start), document->findBlock(end > start ? end - 1 : end)};
}

} // namespace

// --- character formats ------------------------------------------------------

// Calls visit(fragment) for each run of characters (fragment) the selection
// covers, in order, until it returns false; a run in the same format as the
// run before it is not reported again. The cost follows the number of format
// changes, not of characters. Only the first and the last paragraph ask their
// runs for their positions (a search of the document's fragment tree each):
// the paragraphs between lie wholly inside the selection.
template <typename Visit>
void RichTextBox::forEachSelectedRun(const QTextCursor& cursor, Visit visit) const
{
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    int lastFormat = -1;
    for (QTextBlock block = document()->findBlock(start); block.isValid(); block = block.next()) {
        const int blockStart = block.position();
        if (blockStart >= end)
            break;
        const bool inside = blockStart >= start && blockStart + block.length() - 1 <= end;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!inside) {
                const int position = fragment.position();
                if (position + fragment.length() <= start)
                    continue;
                if (position >= end)
                    break;
            }
            const int format = fragment.charFormatIndex();
            if (format == lastFormat)
                continue;
            lastFormat = format;
            if (!visit(fragment))
                return;
        }
    }
}

namespace {

// What read() gives for each format of the document, worked out once per
// format: a document has few formats and many runs.
template <typename T>
class FormatCache
{
public:
    template <typename Read>
    const T& value(const QTextFragment& fragment, Read read)
    {
        const auto index = std::size_t(fragment.charFormatIndex());
        if (index >= m_values.size())
            m_values.resize(index + 1);
        std::optional<T>& cached = m_values[index];
        if (!cached)
            cached = read(fragment.charFormat());
        return *cached;
    }

private:
    std::vector<std::optional<T>> m_values;
};

} // namespace

template <typename T, typename Read>
std::optional<T> RichTextBox::uniformChar(Read read) const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return read(cursor.charFormat());
    FormatCache<T> cache;
    std::optional<T> result;
    bool mixed = false;
    forEachSelectedRun(cursor, [&](const QTextFragment& fragment) {
        const T& value = cache.value(fragment, read);
        if (!result)
            result = value;
        else if (*result != value)
            mixed = true;
        return !mixed;
    });
    if (mixed)
        return std::nullopt;
    if (!result)  // only paragraph breaks are selected
        return read(cursor.charFormat());
    return result;
}

namespace {

enum StyleBit : unsigned { BoldBit = 1, ItalicBit = 2, UnderlineBit = 4, StrikeBit = 8, AllStyles = 15 };

bool isBold(const QTextCharFormat& f, int defaultWeight)
{
    const int weight = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() : defaultWeight;
    return weight >= QFont::DemiBold;
}

bool isUnderlined(const QTextCharFormat& f)
{
    return f.fontUnderline() || f.underlineStyle() != QTextCharFormat::NoUnderline;
}

unsigned styleBits(const QTextCharFormat& f, int defaultWeight)
{
    return (isBold(f, defaultWeight) ? BoldBit : 0u) | (f.fontItalic() ? ItalicBit : 0u)
        | (isUnderlined(f) ? UnderlineBit : 0u) | (f.fontStrikeOut() ? StrikeBit : 0u);
}

} // namespace

RichTextBox::Formatting RichTextBox::SelFormatting() const
{
    const int defaultWeight = document()->defaultFont().weight();
    const QTextCursor cursor = textCursor();
    unsigned seenSet = 0;    // styles some run of the selection has
    unsigned seenClear = 0;  // styles some run lacks
    bool any = false;
    if (cursor.hasSelection()) {
        // A style that every character format of the document has, or none
        // has, reads the same in every run, so the first run tells it: only
        // the styles the document uses both ways need the walk, which ends
        // once they are all mixed. Looking through the formats pays where the
        // selection is longer than their list.
        unsigned undecided = AllStyles;
        const QList<QTextFormat> formats = document()->allFormats();
        if (cursor.selectionEnd() - cursor.selectionStart() > formats.size()) {
            unsigned documentSet = 0;
            unsigned documentClear = 0;
            for (const QTextFormat& format : formats) {
                if (format.isCharFormat()) {
                    const unsigned bits = styleBits(format.toCharFormat(), defaultWeight);
                    documentSet |= bits;
                    documentClear |= ~bits & AllStyles;
                }
            }
            undecided = documentSet & documentClear;
        }
        FormatCache<unsigned> cache;
        const auto read = [defaultWeight](const QTextCharFormat& f) { return styleBits(f, defaultWeight); };
        forEachSelectedRun(cursor, [&](const QTextFragment& fragment) {
            const unsigned bits = cache.value(fragment, read);
            seenSet |= bits;
            seenClear |= ~bits & AllStyles;
            any = true;
            return (seenSet & seenClear & undecided) != undecided;
        });
    }
    if (!any) {  // a caret, or only paragraph breaks selected: the typing format
        seenSet = styleBits(cursor.charFormat(), defaultWeight);
        seenClear = ~seenSet & AllStyles;
    }
    const auto style = [seenSet, seenClear](unsigned bit) -> std::optional<bool> {
        if ((seenSet & bit) && (seenClear & bit))
            return std::nullopt;
        return (seenSet & bit) != 0;
    };
    return {style(BoldBit), style(ItalicBit), style(UnderlineBit), style(StrikeBit), SelAlignment()};
}

std::optional<bool> RichTextBox::SelBold() const
{
    const int defaultWeight = document()->defaultFont().weight();
    return uniformChar<bool>([defaultWeight](const QTextCharFormat& f) { return isBold(f, defaultWeight); });
}

std::optional<bool> RichTextBox::SelItalic() const
{
    return uniformChar<bool>([](const QTextCharFormat& f) { return f.fontItalic(); });
}

std::optional<bool> RichTextBox::SelUnderline() const
{
    return uniformChar<bool>([](const QTextCharFormat& f) { return isUnderlined(f); });
}

std::optional<bool> RichTextBox::SelStrikeThru() const
{
    return uniformChar<bool>([](const QTextCharFormat& f) { return f.fontStrikeOut(); });
}

std::optional<QString> RichTextBox::SelFontName() const
{
    const QString defaultFamily = document()->defaultFont().family();
    return uniformChar<QString>([&defaultFamily](const QTextCharFormat& f) {
        const QStringList families = f.fontFamilies().toStringList();
        if (!families.isEmpty() && !families.first().isEmpty())
            return families.first();
        const QString family = f.stringProperty(QTextFormat::FontFamily);
        return family.isEmpty() ? defaultFamily : family;
    });
}

std::optional<float> RichTextBox::SelFontSize() const
{
    const qreal defaultSize = document()->defaultFont().pointSizeF();
    return uniformChar<float>([defaultSize](const QTextCharFormat& f) {
        const qreal size = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : 0;
        return float(size > 0 ? size : defaultSize);
    });
}

std::optional<QColor> RichTextBox::SelColor() const
{
    const QRgb automatic = palette().color(QPalette::Text).rgba();
    const auto rgb = uniformChar<QRgb>([automatic](const QTextCharFormat& f) {
        const QBrush brush = f.foreground();
        return brush.style() == Qt::NoBrush ? automatic : brush.color().rgba();
    });
    if (!rgb)
        return std::nullopt;
    return QColor::fromRgba(*rgb);
}

// QTextEdit applies a merge to the selection, or with no selection to the
// format the next typed text takes.
void RichTextBox::setSelBold(bool bold)
{
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    mergeCurrentCharFormat(format);
}

void RichTextBox::setSelItalic(bool italic)
{
    QTextCharFormat format;
    format.setFontItalic(italic);
    mergeCurrentCharFormat(format);
}

void RichTextBox::setSelUnderline(bool underline)
{
    QTextCharFormat format;
    format.setFontUnderline(underline);  // also replaces wavy or dotted styles
    mergeCurrentCharFormat(format);
}

void RichTextBox::setSelStrikeThru(bool strike)
{
    QTextCharFormat format;
    format.setFontStrikeOut(strike);
    mergeCurrentCharFormat(format);
}

void RichTextBox::setSelFontName(const QString& family)
{
    if (family.isEmpty())
        return;
    QTextCharFormat format;
    format.setFontFamilies(QStringList{family});
    mergeCurrentCharFormat(format);
}

void RichTextBox::setSelFontSize(float points)
{
    if (!(points > 0))
        return;
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeCurrentCharFormat(format);
}

void RichTextBox::setSelColor(const QColor& color)
{
    if (!color.isValid())
        return;
    QTextCharFormat format;
    format.setForeground(color);
    mergeCurrentCharFormat(format);
}

// --- paragraph alignment ----------------------------------------------------

std::optional<int> RichTextBox::SelAlignment() const
{
    const auto [first, last] = touchedBlocks(textCursor());
    std::optional<int> result;
    int lastFormat = -1;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        // Neighbouring paragraphs mostly share one format: compare it once.
        if (const int format = block.blockFormatIndex(); format != lastFormat) {
            lastFormat = format;
            const int code = alignmentCode(block.blockFormat().alignment());
            if (code < 0 || (result && *result != code))
                return std::nullopt;
            result = code;
        }
        if (block == last)
            break;
    }
    return result;
}

void RichTextBox::setSelAlignment(int alignment)
{
    Qt::Alignment flag;
    switch (alignment) {
    case ParagraphAlignment::Left:
        flag = Qt::AlignLeft;
        break;
    case ParagraphAlignment::Right:
        flag = Qt::AlignRight;
        break;
    case ParagraphAlignment::Center:
        flag = Qt::AlignHCenter;
        break;
    default:
        return;
    }
    const auto [first, last] = touchedBlocks(textCursor());
    QTextCursor blocks(document());
    blocks.setPosition(first.position());
    blocks.setPosition(last.position(), QTextCursor::KeepAnchor);
    QTextBlockFormat format;
    format.setAlignment(flag);
    blocks.mergeBlockFormat(format);
}

