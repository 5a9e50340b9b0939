#include "platform/MarkerObject.h"

#include "rtf/RtfObjects.h"

#include <QAbstractTextDocumentLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>

#include <algorithm>

using RtfObjects::MarkerKind;

namespace {

constexpr qreal LargestSide = 20000;

bool isPaper(const QPaintDevice* device)
{
    return dynamic_cast<const QPagedPaintDevice*>(device) != nullptr;
}

const QPaintDevice* layoutDevice(const QTextDocument* document)
{
    return document && document->documentLayout() ? document->documentLayout()->paintDevice() : nullptr;
}

bool isPlaceholder(MarkerKind kind)
{
    return kind == MarkerKind::Picture || kind == MarkerKind::Object || kind == MarkerKind::Shape;
}

// What a marker looks like: its sign and its colour.
struct Look
{
    QChar sign;
    QColor fill;
};

Look lookOf(MarkerKind kind)
{
    switch (kind) {
    case MarkerKind::Footnote: return {u'*', QColor(214, 230, 250)};
    case MarkerKind::Annotation: return {u'!', QColor(252, 240, 190)};
    case MarkerKind::Object: return {u'+', QColor(228, 228, 228)};
    case MarkerKind::Picture: return {u'+', QColor(228, 228, 228)};
    case MarkerKind::Bookmark: return {u'#', QColor(214, 240, 214)};
    case MarkerKind::Shape: return {u'~', QColor(228, 228, 228)};
    case MarkerKind::Field: return {u'=', QColor(235, 222, 245)};
    case MarkerKind::Hidden: return {u'\u2026', QColor(236, 236, 236)};
    case MarkerKind::Other: break;
    }
    return {u'?', QColor(228, 228, 228)};
}

void drawPlaceholder(QPainter* painter, const QRectF& rect, bool paper)
{
    const QRectF box = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    painter->setPen(QPen(QColor(140, 140, 140), 0, paper ? Qt::SolidLine : Qt::DashLine));
    painter->setBrush(paper ? QBrush(Qt::NoBrush) : QBrush(QColor(240, 240, 240)));
    painter->drawRect(box);
    painter->drawLine(box.topLeft(), box.bottomRight());
    painter->drawLine(box.bottomLeft(), box.topRight());
}

} // namespace

MarkerObject::MarkerObject(QObject* parent)
    : QObject(parent)
{
}

QSizeF MarkerObject::intrinsicSize(QTextDocument* document, int, const QTextFormat& format)
{
    const MarkerKind kind = RtfObjects::markerKind(format);
    const QPaintDevice* device = layoutDevice(document);
    const qreal scale = device ? qreal(device->logicalDpiY()) / 96 : 1;
    QSizeF size = RtfObjects::markerSize(format);
    if (isPaper(device)) {
        if (kind == MarkerKind::Footnote || kind == MarkerKind::Annotation)
            size = QSizeF(7, 12);
        else if (!isPlaceholder(kind))
            return QSizeF(0, 0);
    }
    return QSizeF(std::clamp<qreal>(size.width(), 1, LargestSide), std::clamp<qreal>(size.height(), 1, LargestSide))
        * scale;
}

void MarkerObject::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat& format)
{
    if (rect.isEmpty())
        return;
    const MarkerKind kind = RtfObjects::markerKind(format);
    const bool paper = isPaper(painter->device());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (kind == MarkerKind::Picture || (isPlaceholder(kind) && (paper || rect.height() > 16))) {
        drawPlaceholder(painter, rect, paper);
    } else if (paper) {
        QFont font = painter->font();
        font.setPixelSize(std::max(1, qRound(rect.height() * 0.8)));
        painter->setFont(font);
        painter->setPen(QPen(Qt::black));
        painter->drawText(rect, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("*"));
    } else {
        const Look look = lookOf(kind);
        const QRectF box = rect.adjusted(0.5, 0.5, -0.5, -0.5);
        painter->setPen(QPen(look.fill.darker(160), 1));
        painter->setBrush(look.fill);
        painter->drawRoundedRect(box, 2, 2);
        QFont font = painter->font();
        font.setPixelSize(std::max(1, qRound(rect.height() * 0.8)));
        font.setBold(true);
        painter->setFont(font);
        painter->setPen(look.fill.darker(260));
        painter->drawText(rect, Qt::AlignCenter, QString(look.sign));
    }
    painter->restore();
}
