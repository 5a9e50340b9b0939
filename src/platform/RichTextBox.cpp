#include "platform/RichTextBox.h"

#include "platform/AtomicFile.h"
#include "platform/LazyDocumentLayout.h"
#include "platform/ReadableFile.h"
#include "platform/TextCodec.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

const QString DefaultFamily = QStringLiteral("Times New Roman");
constexpr qreal DefaultPointSize = 14.25;
constexpr double TwipsPerInch = 1440.0;

// Paragraph and line breaks (and the frame marks Qt keeps in the raw text)
// become "\n", one character each, so positions stay those of the cursor.
QString withNewlines(QString text)
{
    for (QChar& ch : text) {
        switch (ch.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0:  // start of a frame
        case 0xFDD1:  // end of a frame
            ch = QLatin1Char('\n');
            break;
        default:
            break;
        }
    }
    return text;
}

// Characters QTextEdit itself would insert for a key or an input method.
bool isInsertable(char32_t c)
{
    if (c == U'\t' || c == U'\r')
        return true;
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    const QChar::Category category = QChar::category(c);
    return QChar::isPrint(c) || category == QChar::Other_Format || category == QChar::Other_PrivateUse;
}

bool isPrintableText(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const char32_t c : text.toUcs4()) {
        if (c == U'\t' || c == U'\r' || !isInsertable(c))
            return false;
    }
    return true;
}

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

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

RichTextBox::RichTextBox(QWidget* parent)
    : QTextEdit(parent)
{
    QFont font(DefaultFamily);
    font.setPointSizeF(DefaultPointSize);
    font.setWeight(QFont::Normal);
    // QTextEdit hands its widget font to the document on every font change,
    // so both carry the default.
    setFont(font);
    // Laid out lazily, so that large documents open and scroll at once.
    auto* doc = new QTextDocument(this);
    m_layout = new LazyDocumentLayout(doc);
    doc->setDocumentLayout(m_layout);
    setDocument(doc);
    document()->setDefaultFont(font);
    setCurrentCharFormat(defaultCharFormat());

    connect(this, &QTextEdit::cursorPositionChanged, this, &RichTextBox::emitSelChangeIfMoved);
    connect(this, &QTextEdit::selectionChanged, this, &RichTextBox::emitSelChangeIfMoved);
    const QTextCursor cursor = textCursor();
    m_lastPosition = cursor.position();
    m_lastAnchor = cursor.anchor();
}

QTextCharFormat RichTextBox::defaultCharFormat()
{
    QTextCharFormat format;
    format.setFontFamilies(QStringList{DefaultFamily});
    format.setFontPointSize(DefaultPointSize);
    format.setFontWeight(QFont::Normal);
    return format;
}

// --- text -------------------------------------------------------------------

QString RichTextBox::Text() const
{
    return withNewlines(document()->toRawText());
}

qsizetype RichTextBox::textLength() const
{
    return document()->characterCount() - 1;
}

void RichTextBox::setText(const QString& text)
{
    replaceContent(&text, nullptr);
}

QByteArray RichTextBox::TextRTF() const
{
    return RtfWriter::write(document());
}

void RichTextBox::setTextRTF(const QByteArray& rtf)
{
    if (RtfReader::isRtf(rtf)) {
        replaceContent(nullptr, &rtf);
    } else {
        const QString text = TextCodec::decode(rtf);
        replaceContent(&text, nullptr);
    }
}

// Replaces the whole document without an undo step; afterwards there is
// nothing to undo and the caret stands at the start.
void RichTextBox::replaceContent(const QString* plain, const QByteArray* rtf)
{
    QTextDocument* doc = document();
    m_replacing = true;
    doc->setUndoRedoEnabled(false);
    if (rtf) {
        RtfReader::read(*rtf, doc);
    } else {
        doc->clear();
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        cursor.setBlockCharFormat(defaultCharFormat());
        cursor.insertText(*plain, defaultCharFormat());
        cursor.endEditBlock();
    }
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    // A fresh caret: typing at the start takes the format of the first
    // character, not whatever format the editor held before.
    setTextCursor(QTextCursor(doc));
    if (doc->isEmpty())
        setCurrentCharFormat(defaultCharFormat());
    ensureCursorVisible();
    m_replacing = false;
    // The caret may not have moved, but everything under it has.
    m_lastPosition = -1;
    emitSelChangeIfMoved();
}

// --- selection --------------------------------------------------------------

qsizetype RichTextBox::SelStart() const
{
    return textCursor().selectionStart();
}

void RichTextBox::setSelStart(qsizetype start)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(int(std::clamp<qsizetype>(start, 0, textLength())));
    setTextCursor(cursor);
}

qsizetype RichTextBox::SelLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::setSelLength(qsizetype length)
{
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const qsizetype end = start + std::clamp<qsizetype>(length, 0, textLength() - start);
    cursor.setPosition(start);
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString RichTextBox::SelText() const
{
    return withNewlines(textCursor().selectedText());
}

void RichTextBox::setSelText(const QString& text)
{
    QTextCursor cursor = textCursor();
    cursor.insertText(text);  // "\n", "\r\n" and "\r" each start a paragraph
    setTextCursor(cursor);
}

bool RichTextBox::isSelectionEmpty() const
{
    return !textCursor().hasSelection();
}

void RichTextBox::setSelRTF(const QByteArray& data)
{
    if (!RtfReader::isRtf(data)) {
        setSelText(TextCodec::decode(data));
        return;
    }
    QTextCursor cursor = textCursor();
    RtfReader::insert(data, cursor);
    setTextCursor(cursor);
}

void RichTextBox::setSelRTF(const QString& text)
{
    if (!text.startsWith(QLatin1String("{\\rtf"))) {
        setSelText(text);
        return;
    }
    // RTF source is 7-bit; characters beyond that came from text decoded
    // before it reached us, so they go back in as Unicode escapes.
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80)
            bytes.append(char(ch.unicode()));
        else
            bytes.append("\\u").append(QByteArray::number(qint16(ch.unicode()))).append('?');
    }
    setSelRTF(bytes);
}

void RichTextBox::emitSelChangeIfMoved()
{
    if (m_replacing)
        return;
    const QTextCursor cursor = textCursor();
    if (cursor.position() == m_lastPosition && cursor.anchor() == m_lastAnchor)
        return;  // Qt reports one move through both of its signals
    m_lastPosition = cursor.position();
    m_lastAnchor = cursor.anchor();
    emit SelChange();
}

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

// --- files and printing -----------------------------------------------------

bool RichTextBox::LoadFile(const QString& path, QString* errorMessage)
{
    const QString problem = ReadableFile::problem(path);
    QFile file(path);
    if (!problem.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        if (errorMessage)
            *errorMessage = problem.isEmpty() ? ReadableFile::problem(path) : problem;
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (errorMessage)
            *errorMessage = QStringLiteral("Не удалось прочитать файл «%1»: %2.")
                                .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    file.close();
    // The content decides, not the name: ".txt" files may hold RTF and
    // ".rtf" files plain text.
    setTextRTF(data);
    return true;
}

bool RichTextBox::SaveFile(const QString& path, QString* errorMessage)
{
    return AtomicFile::write(path, TextRTF(), errorMessage);
}

void RichTextBox::SelPrint(QPrinter* printer)
{
    if (!printer)
        return;
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection()) {
        document()->print(printer);
        return;
    }
    // A copy cut down to the selection keeps the formats of its characters
    // and paragraphs.
    const std::unique_ptr<QTextDocument> copy(document()->clone());
    copy->setDefaultFont(document()->defaultFont());
    QTextCursor cut(copy.get());
    cut.setPosition(selection.selectionEnd());
    cut.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    cut.setPosition(0);
    cut.setPosition(selection.selectionStart(), QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    copy->print(printer);
}

// --- layout -----------------------------------------------------------------

void RichTextBox::setRightMargin(int twips)
{
    const int margin = std::max(twips, 0);
    if (margin == m_rightMarginTwips)
        return;  // every re-wrap lays the whole document out again
    m_rightMarginTwips = margin;
    if (margin == 0) {
        setLineWrapMode(QTextEdit::WidgetWidth);
        return;
    }
    setLineWrapColumnOrWidth(std::max(1, qRound(margin * logicalDpiX() / TwipsPerInch)));
    setLineWrapMode(QTextEdit::FixedPixelWidth);
}

int RichTextBox::rightMargin() const
{
    return m_rightMarginTwips;
}

// --- keyboard and mouse -----------------------------------------------------

RichTextBox::Typed RichTextBox::runKeyPress(const QString& typed, QString* result)
{
    const QPointer<RichTextBox> alive(this);
    Typed outcome = Typed::Unchanged;
    result->clear();
    for (const char32_t original : typed.toUcs4()) {
        int code = int(original);
        emit KeyPress(code);
        if (!alive)
            return Typed::Destroyed;
        if (code != int(original))
            outcome = Typed::Changed;
        // 0 cancels; codes that no key could type are dropped as well
        if (code > 0 && isInsertable(char32_t(code))) {
            const char32_t c = char32_t(code);
            result->append(QString::fromUcs4(&c, 1));
        }
    }
    return outcome;
}

void RichTextBox::insertTyped(const QString& text)
{
    QTextCursor cursor = textCursor();
    if (overwriteMode() && !cursor.hasSelection() && !cursor.atBlockEnd())
        cursor.deleteChar();
    cursor.insertText(text);  // a "\r" starts a paragraph
    setTextCursor(cursor);
    ensureCursorVisible();
}

bool RichTextBox::isEditCommandKey(const QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Copy)
        || event->matches(QKeySequence::Paste) || event->matches(QKeySequence::SelectAll))
        return true;
    // The alternative keys every platform's editors know, whatever the
    // platform's own bindings list.
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    const QKeyCombination combination(modifiers, Qt::Key(event->key()));
    return combination == QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete)
        || combination == QKeyCombination(Qt::ControlModifier, Qt::Key_Insert)
        || combination == QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert);
}

bool RichTextBox::event(QEvent* event)
{
    // Not claiming the key lets the window's shortcut run the command.
    if (event->type() == QEvent::ShortcutOverride && isEditCommandKey(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return QTextEdit::event(event);
}

void RichTextBox::keyPressEvent(QKeyEvent* event)
{
    // It arrives here only when no enabled menu item took it: QTextEdit's own
    // rich-text clipboard must not run instead.
    if (isEditCommandKey(event)) {
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    if ((event->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)
        || (event->key() == Qt::Key_Menu && modifiers == Qt::NoModifier)) {
        event->accept();
        // Where the window system made a context-menu event of the menu key,
        // that event came first and asked for the menu already.
        if (event->key() == Qt::Key_F10 || !m_menuKeyHasEvent)
            emit ContextMenuKey();
        return;
    }
    if (event->key() == Qt::Key_Insert && modifiers == Qt::NoModifier) {
        setOverwriteMode(!overwriteMode());
        event->accept();
        emit overwriteModeChanged(overwriteMode());
        return;
    }
    if (isReadOnly()) {
        QTextEdit::keyPressEvent(event);
        return;
    }

    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool alt = modifiers & Qt::AltModifier;
    QString typed;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!ctrl && !alt)
            typed = QStringLiteral("\r");
        break;
    case Qt::Key_Tab:
        if (!ctrl && !alt)
            typed = QStringLiteral("\t");
        break;
    default:
        if (!isPrintableText(event->text()))
            break;
        if (alt && !ctrl) {
            // Alt with a letter belongs to the menus, not to the text.
            event->ignore();
            return;
        }
        if (!ctrl || alt)  // Ctrl alone is a shortcut; Ctrl+Alt is AltGr
            typed = event->text();
        break;
    }
    if (typed.isEmpty()) {
        QTextEdit::keyPressEvent(event);
        return;
    }

    QString result;
    switch (runKeyPress(typed, &result)) {
    case Typed::Destroyed:
        return;
    case Typed::Unchanged:
        // QTextEdit inserts it as usual: overwrite mode, undo grouping.
        QTextEdit::keyPressEvent(event);
        return;
    case Typed::Changed:
        event->accept();
        if (!result.isEmpty())
            insertTyped(result);
        return;
    }
}

void RichTextBox::inputMethodEvent(QInputMethodEvent* event)
{
    if (isReadOnly() || event->commitString().isEmpty() || !event->preeditString().isEmpty()
        || event->replacementLength() != 0) {
        QTextEdit::inputMethodEvent(event);
        return;
    }
    QString result;
    switch (runKeyPress(event->commitString(), &result)) {
    case Typed::Destroyed:
        return;
    case Typed::Unchanged:
        QTextEdit::inputMethodEvent(event);
        return;
    case Typed::Changed: {
        QInputMethodEvent changed(QString(), event->attributes());
        changed.setCommitString(result);
        QTextEdit::inputMethodEvent(&changed);
        event->accept();
        return;
    }
    }
}

void RichTextBox::mousePressEvent(QMouseEvent* event)
{
    QTextEdit::mousePressEvent(event);
    if (const int button = buttonCode(event->button())) {
        const QPoint at = event->position().toPoint();
        event->accept();  // reported, so not passed on to the window behind
        emit MouseDown(button, shiftCode(event->modifiers()), at.x(), at.y());
    }
}

void RichTextBox::mouseReleaseEvent(QMouseEvent* event)
{
    // The release handler may open a modal menu, so the editor finishes its
    // own part of the click first.
    QTextEdit::mouseReleaseEvent(event);
    if (const int button = buttonCode(event->button())) {
        const QPoint at = event->position().toPoint();
        event->accept();  // reported, so not passed on to the window behind
        emit MouseUp(button, shiftCode(event->modifiers()), at.x(), at.y());
    }
}

// The layout lays out only what is shown. Before painting, the paragraphs
// about to be shown are laid out, and the view moves with any change in
// height above what the user was looking at, so nothing jumps.
void RichTextBox::paintEvent(QPaintEvent* event)
{
    QScrollBar* bar = verticalScrollBar();
    const int top = bar->value();
    const int height = viewport()->height();
    if (!m_layout->isLaidOut(top, height)) {
        const int target = qRound(m_layout->layoutViewport(top, height, textCursor().position()));
        if (target != bar->value()) {
            bar->setValue(target);
            viewport()->update();
        }
    }
    QTextEdit::paintEvent(event);
}

void RichTextBox::contextMenuEvent(QContextMenuEvent* event)
{
    // No menu of QTextEdit's own: the document window shows the program's
    // menu when the right button is released, and when the keyboard asks.
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        m_menuKeyHasEvent = true;
        emit ContextMenuKey();
    }
}

// --- drag and drop ----------------------------------------------------------

QMimeData* RichTextBox::createMimeDataFromSelection() const
{
    auto* data = new QMimeData;
    data->setText(SelText());
    return data;
}

bool RichTextBox::canInsertFromMimeData(const QMimeData* source) const
{
    return source && source->hasText();
}

void RichTextBox::insertFromMimeData(const QMimeData* source)
{
    if (canInsertFromMimeData(source))
        setSelText(source->text());
}
