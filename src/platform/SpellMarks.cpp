#include "platform/SpellMarks.h"

#include "platform/SpellChecker.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QWidget>

#include <algorithm>

namespace {

// Longer paragraphs are looked at line by line as they are painted, never
// whole: a paragraph of megabytes would otherwise hold up the first paint.
constexpr int LongParagraph = 4096;
// How far before the painted lines a long paragraph is read, to know whether
// they start inside a tag; and after them, to end the last word.
constexpr int LookBehind = 1024;
constexpr int LookAhead = 64;

const QColor MarkColor(0xE0, 0x10, 0x10);

// A paragraph's misspelt words, for as long as its text and the checker's
// verdicts stay what they were.
class SpellBlockData : public QTextBlockUserData
{
public:
    size_t hash = 0;
    qsizetype length = -1;
    quint64 generation = 0;
    QList<SpellWordScanner::Word> misspelt;
};

// One period of the wave, drawn once per size and reused as a tile: a wave
// drawn as a path costs tens of microseconds a word, at every repaint.
const QPixmap& waveTile(int amplitude, qreal pixelRatio)
{
    static QHash<QPair<int, qreal>, QPixmap> tiles;
    QPixmap& tile = tiles[qMakePair(amplitude, pixelRatio)];
    if (tile.isNull()) {
        const int period = 4 * amplitude;
        const QSizeF size(period, 2 * amplitude + 2);
        tile = QPixmap((size * pixelRatio).toSize());
        tile.setDevicePixelRatio(pixelRatio);
        tile.fill(Qt::transparent);
        QPainter painter(&tile);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(MarkColor, 1));
        const qreal middle = size.height() / 2;
        QPainterPath path(QPointF(0, middle));
        path.quadTo(QPointF(period / 4.0, middle - amplitude * 2), QPointF(period / 2.0, middle));
        path.quadTo(QPointF(period * 3 / 4.0, middle + amplitude * 2), QPointF(period, middle));
        painter.drawPath(path);
    }
    return tile;
}

// A wave from left to right with its middle at y.
void drawWave(QPainter* painter, qreal left, qreal right, qreal y, int amplitude)
{
    const QPixmap& tile = waveTile(amplitude, painter->device()->devicePixelRatioF());
    const qreal height = 2 * amplitude + 2;
    painter->drawTiledPixmap(QRectF(left, y - height / 2, right - left, height), tile);
}

} // namespace

SpellMarks::SpellMarks(QTextDocument* document, QWidget* view)
    : QObject(view)
    , m_document(document)
    , m_view(view)
{
}

void SpellMarks::setChecker(SpellChecker* checker)
{
    if (m_checker == checker)
        return;
    if (m_checker)
        disconnect(m_checker, nullptr, this, nullptr);
    m_checker = checker;
    if (checker) {
        connect(checker, &SpellChecker::changed, this, [this] {
            if (m_view)
                m_view->update();
        });
    }
    if (m_view)
        m_view->update();
}

QList<SpellMarks::Word> SpellMarks::check(QStringView text, qsizetype offset, qsizetype from, qsizetype to,
                                         bool cutBefore, bool cutAfter)
{
    QList<Word> found;
    for (const Word& word : SpellWordScanner::words(text)) {
        const qsizetype start = offset + word.start;
        const qsizetype end = start + word.length;
        if (end <= from || start >= to)
            continue;
        // A word cut by the edge of what was read is not the whole word.
        if ((cutBefore && word.start == 0) || (cutAfter && word.start + word.length == text.size()))
            continue;
        if (!m_checker->isCorrect(text.sliced(word.start, word.length)))
            found.append(Word {start, word.length});
    }
    return found;
}

QList<SpellMarks::Word> SpellMarks::misspeltIn(const QTextBlock& block, int from, int to)
{
    const int length = block.length() - 1;
    const int readFrom = std::max(0, from - LookBehind);
    const int readTo = std::min(length, to + LookAhead);
    if (readTo <= readFrom)
        return {};
    QTextCursor cursor(m_document);
    cursor.setPosition(block.position() + readFrom);
    cursor.setPosition(block.position() + readTo, QTextCursor::KeepAnchor);
    const QString text = cursor.selectedText();
    return check(text, readFrom, from, to, readFrom > 0, readTo < length);
}

QList<SpellMarks::Word> SpellMarks::misspelt(const QTextBlock& block)
{
    if (!m_checker || !m_checker->isActive() || !block.isValid())
        return {};
    if (block.length() > LongParagraph)
        return misspeltIn(block, 0, block.length() - 1);
    const QString text = block.text();
    const size_t hash = qHash(text);
    auto* data = dynamic_cast<SpellBlockData*>(block.userData());
    const quint64 generation = m_checker->generation();
    if (data && data->hash == hash && data->length == text.size() && data->generation == generation)
        return data->misspelt;
    const QList<Word> found = check(text, 0, 0, text.size(), false, false);
    // Kept on the paragraph unless something else keeps its data there.
    if (!data && !block.userData()) {
        data = new SpellBlockData;
        QTextBlock(block).setUserData(data);
    }
    if (data) {
        data->hash = hash;
        data->length = text.size();
        data->generation = generation;
        data->misspelt = found;
    }
    return found;
}

std::optional<SpellMarks::Word> SpellMarks::misspeltWordAt(int position)
{
    const QTextBlock block = m_document->findBlock(position);
    if (!block.isValid())
        return std::nullopt;
    const int local = position - block.position();
    const QList<Word> words =
        block.length() > LongParagraph ? misspeltIn(block, std::max(0, local - 1), local + 1) : misspelt(block);
    for (const Word& word : words) {
        if (word.start <= local && local <= word.start + word.length)
            return Word {block.position() + word.start, word.length};
    }
    return std::nullopt;
}

void SpellMarks::paint(QPainter* painter, const QTextBlock& block, const QPointF& offset, const QRectF& clip)
{
    if (!m_checker || !m_checker->isActive())
        return;
    const QTextLayout* layout = block.layout();
    const int lines = layout ? layout->lineCount() : 0;
    if (lines == 0)
        return;
    const qreal clipTop = clip.top() - offset.y();
    const qreal clipBottom = clip.bottom() - offset.y();

    QList<Word> words;
    if (block.length() <= LongParagraph) {
        words = misspelt(block);
    } else {
        // The lines in the clip, found by halving: such a paragraph has
        // thousands.
        int first = 0;
        int last = lines;
        while (first < last) {
            const int middle = (first + last) / 2;
            if (layout->lineAt(middle).rect().bottom() < clipTop)
                first = middle + 1;
            else
                last = middle;
        }
        last = first;
        while (last + 1 < lines && layout->lineAt(last + 1).y() <= clipBottom)
            ++last;
        const QTextLine firstLine = layout->lineAt(std::min(first, lines - 1));
        const QTextLine lastLine = layout->lineAt(std::min(last, lines - 1));
        words = misspeltIn(block, firstLine.textStart(), lastLine.textStart() + lastLine.textLength());
    }
    if (words.isEmpty())
        return;

    for (const Word& word : words) {
        const int end = int(word.start + word.length);
        for (int at = int(word.start); at < end;) {
            const QTextLine line = layout->lineForTextPosition(at);
            if (!line.isValid())
                break;
            const int lineEnd = line.textStart() + line.textLength();
            const int segmentEnd = std::min(end, lineEnd);
            if (segmentEnd <= at)
                break;
            if (line.y() <= clipBottom && line.y() + line.height() >= clipTop) {
                qreal left = line.cursorToX(at);
                qreal right = line.cursorToX(segmentEnd);
                if (right < left)
                    std::swap(left, right);
                const int amplitude = std::clamp(qRound(line.descent() / 4), 1, 3);
                const qreal y = line.y() + line.ascent() + std::max<qreal>(amplitude + 1, line.descent() / 2);
                drawWave(painter, offset.x() + left, offset.x() + right, offset.y() + y, amplitude);
            }
            at = segmentEnd;
        }
    }
}
