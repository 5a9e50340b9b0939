#include "platform/RichTextBox.h"

#include "platform/LazyDocumentLayout.h"

#include <QMimeData>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>

// The editor's core: construction, plain text and the selection, wrapping,
// painting and drag and drop. Formats, keys and files have files of their own.

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

// The mark before each cell of a table but the first of its row becomes a
// tab, so that a table reads as its rows of cells, still one character a
// position.
void tabsBetweenCells(const QTextFrame* frame, QString& text)
{
    for (QTextFrame* child : frame->childFrames()) {
        if (const auto* table = qobject_cast<const QTextTable*>(child)) {
            int previousRow = -1;
            for (int row = 0; row < table->rows(); ++row) {
                for (int column = 0; column < table->columns();) {
                    const QTextTableCell cell = table->cellAt(row, column);
                    if (!cell.isValid())
                        break;
                    const qsizetype mark = cell.firstPosition() - 1;
                    if (cell.row() == row && cell.column() == column) {
                        if (row == previousRow && mark >= 0 && mark < text.size())
                            text[mark] = u'\t';
                        previousRow = row;
                    }
                    column = cell.column() + std::max(1, cell.columnSpan());
                }
            }
        }
        tabsBetweenCells(child, text);
    }
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
    connect(m_layout, &QAbstractTextDocumentLayout::update, this, &RichTextBox::postViewLayout);
    connect(m_layout, &QAbstractTextDocumentLayout::documentSizeChanged, this, &RichTextBox::postViewLayout);

    connect(this, &QTextEdit::cursorPositionChanged, this, &RichTextBox::emitSelChangeIfMoved);
    connect(this, &QTextEdit::selectionChanged, this, &RichTextBox::emitSelChangeIfMoved);
    const QTextCursor cursor = textCursor();
    m_lastPosition = cursor.position();
    m_lastAnchor = cursor.anchor();
}

QString RichTextBox::defaultFamily()
{
    return DefaultFamily;
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
    QString text = withNewlines(document()->toRawText());
    tabsBetweenCells(document()->rootFrame(), text);
    return text;
}

qsizetype RichTextBox::textLength() const
{
    return document()->characterCount() - 1;
}

void RichTextBox::setText(const QString& text)
{
    replaceContent(&text, nullptr);
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
    cursor.beginEditBlock();
    const int firstBlock = document()->findBlock(cursor.selectionStart()).blockNumber();
    cursor.insertText(text);  // "\n", "\r\n" and "\r" each start a paragraph
    if (m_ownLineEnds)
        giveFileLineEnds(firstBlock, cursor.blockNumber());
    cursor.endEditBlock();
    setTextCursor(cursor);
}

bool RichTextBox::isSelectionEmpty() const
{
    return !textCursor().hasSelection();
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


// The layout lays out only what is shown, and painting lays out nothing: the
// view is laid out before it is painted, whenever what it shows may have
// changed (a scroll, a resize, an edit, a new document). The view moves with
// any change in height above what the user was looking at, so nothing jumps.
void RichTextBox::layOutView()
{
    m_viewLayoutPosted = false;
    if (m_layingOutView)
        return;  // the scroll below comes back here
    QScrollBar* bar = verticalScrollBar();
    const int top = bar->value();
    const int height = viewport()->height();
    if (m_layout->isLaidOut(top, height))
        return;
    const QScopedValueRollback guard(m_layingOutView, true);
    const int target = qRound(m_layout->layoutViewport(top, height, textCursor().position()));
    if (target != bar->value())
        bar->setValue(target);
    viewport()->update();
}

// After an edit: once the edit is done, and before the paint it asked for,
// which Qt posts at a lower priority.
void RichTextBox::postViewLayout()
{
    if (m_viewLayoutPosted)
        return;
    m_viewLayoutPosted = true;
    QMetaObject::invokeMethod(this, &RichTextBox::layOutView, Qt::QueuedConnection);
}

void RichTextBox::scrollContentsBy(int dx, int dy)
{
    QTextEdit::scrollContentsBy(dx, dy);
    layOutView();
}

void RichTextBox::resizeEvent(QResizeEvent* event)
{
    QTextEdit::resizeEvent(event);
    layOutView();
}

void RichTextBox::showEvent(QShowEvent* event)
{
    QTextEdit::showEvent(event);
    layOutView();
}

// A paint that finds paragraphs not laid out (one that no change announced,
// such as a repaint asked for directly) shows them on the next paint.
void RichTextBox::paintEvent(QPaintEvent* event)
{
    if (!m_layout->isLaidOut(verticalScrollBar()->value(), viewport()->height()))
        postViewLayout();
    QTextEdit::paintEvent(event);
}

// --- drag and drop ----------------------------------------------------------

QMimeData* RichTextBox::createMimeDataFromSelection() const
{
    auto* data = new QMimeData;
    data->setText(SelPlainText());
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
