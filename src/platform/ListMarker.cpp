#include "platform/ListMarker.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

void ListMarker::draw(QPainter* painter, const QTextBlock& block, const QPointF& origin, const QPalette& palette,
                      const QTextCharFormat* selection)
{
    QTextList* list = block.textList();
    const QTextLayout* layout = block.layout();
    if (!list || !layout || layout->lineCount() == 0)
        return;
    const QTextListFormat::Style style = list->format().style();
    const QTextCharFormat charFormat = block.charFormat();
    const QFont font = charFormat.font().resolve(block.document()->defaultFont());
    const QFontMetricsF metrics(font, painter->device());
    const QTextLine firstLine = layout->lineAt(0);
    const QRectF textRect = firstLine.naturalTextRect();
    const Qt::LayoutDirection direction = block.textDirection();
    QPointF at = origin + textRect.topLeft();
    if (direction == Qt::RightToLeft)
        at.rx() += textRect.width();

    QString text;
    QSizeF size;
    switch (style) {
    case QTextListFormat::ListDecimal:
    case QTextListFormat::ListLowerAlpha:
    case QTextListFormat::ListUpperAlpha:
    case QTextListFormat::ListLowerRoman:
    case QTextListFormat::ListUpperRoman:
        text = list->itemText(block);
        size = QSizeF(metrics.horizontalAdvance(text), metrics.height());
        break;
    case QTextListFormat::ListDisc:
    case QTextListFormat::ListCircle:
    case QTextListFormat::ListSquare:
        size = QSizeF(metrics.lineSpacing() / 3, metrics.lineSpacing() / 3);
        break;
    default:
        return;
    }
    const qreal space = metrics.horizontalAdvance(u' ');
    QRectF rect(at, size);
    rect.translate(direction == Qt::LeftToRight ? -space - size.width() : space,
                   (metrics.height() - size.height()) / 2);

    QBrush ink = charFormat.foreground();
    if (ink.style() == Qt::NoBrush)
        ink = palette.text();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (selection) {
        painter->fillRect(rect, selection->background());
        ink = selection->foreground();
    }
    painter->setPen(QPen(ink, 0));
    switch (style) {
    case QTextListFormat::ListDisc:
        painter->setBrush(ink);
        painter->setPen(Qt::NoPen);
        painter->drawEllipse(rect);
        break;
    case QTextListFormat::ListCircle:
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(rect);
        break;
    case QTextListFormat::ListSquare:
        painter->fillRect(rect, ink);
        break;
    default:
        painter->setFont(font);
        painter->drawText(QPointF(rect.left(), at.y() + firstLine.ascent()), text);
        break;
    }
    painter->restore();
}
