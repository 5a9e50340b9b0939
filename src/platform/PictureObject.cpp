#include "platform/PictureObject.h"

#include "rtf/RtfObjects.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

// Decoded pictures kept between paints: a few screenfuls of photos.
constexpr qsizetype CacheBudget = 24 * 1024 * 1024;
// No side is drawn bigger than this (pixels of 1/96 inch): a size in a
// damaged file should not make a line kilometres long.
constexpr qreal LargestSide = 20000;

qreal deviceScale(const QTextDocument* document)
{
    const QPaintDevice* device = document && document->documentLayout() ? document->documentLayout()->paintDevice()
                                                                        : nullptr;
    return device ? qreal(device->logicalDpiY()) / 96 : 1;
}

// Where the picture is neither kept bytes nor bytes at all: an image or a
// pixmap a program put into the document.
QImage resourceImage(QTextDocument* document, const QString& name)
{
    if (!document)
        return QImage();
    const QVariant data = document->resource(QTextDocument::ImageResource, QUrl(name));
    if (data.typeId() == QMetaType::QImage)
        return data.value<QImage>();
    if (data.typeId() == QMetaType::QPixmap)
        return data.value<QPixmap>().toImage();
    return QImage();
}

QByteArray resourceBytes(QTextDocument* document, const QTextImageFormat& format)
{
    QByteArray bytes = RtfObjects::pictureBytes(document, format);
    if (bytes.isEmpty() && document) {
        const QVariant data = document->resource(QTextDocument::ImageResource, QUrl(format.name()));
        if (data.typeId() == QMetaType::QByteArray)
            bytes = data.toByteArray();
    }
    return bytes;
}

// A grey box with a cross: a picture whose data cannot be drawn.
void drawPlaceholder(QPainter* painter, const QRectF& rect)
{
    painter->save();
    painter->setPen(QPen(QColor(150, 150, 150), 0));
    painter->setBrush(QColor(235, 235, 235));
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->drawLine(rect.topLeft(), rect.bottomRight() - QPointF(1, 1));
    painter->drawLine(rect.bottomLeft() - QPointF(0, 1), rect.topRight() - QPointF(1, 0));
    painter->restore();
}

} // namespace

PictureObject::PictureObject(QObject* parent)
    : QObject(parent)
    , m_cache(CacheBudget)
{
}

QSize PictureObject::naturalSize(QTextDocument* document, const QString& name)
{
    if (const auto it = m_naturalSizes.constFind(name); it != m_naturalSizes.constEnd())
        return *it;
    QTextImageFormat format;
    format.setName(name);
    QSize size;
    QByteArray bytes = resourceBytes(document, format);
    if (!bytes.isEmpty()) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        size = QImageReader(&buffer).size();  // the header only
    } else {
        size = resourceImage(document, name).size();
    }
    if (m_naturalSizes.size() > 4096)
        m_naturalSizes.clear();
    m_naturalSizes.insert(name, size);
    return size;
}

QSizeF PictureObject::intrinsicSize(QTextDocument* document, int, const QTextFormat& format)
{
    const QTextImageFormat image = format.toImageFormat();
    QSizeF size(image.width(), image.height());
    if (size.width() <= 0 || size.height() <= 0) {
        const QSize natural = naturalSize(document, image.name());
        if (natural.isValid() && !natural.isEmpty()) {
            if (size.width() > 0)
                size.setHeight(size.width() * natural.height() / natural.width());
            else if (size.height() > 0)
                size.setWidth(size.height() * natural.width() / natural.height());
            else
                size = QSizeF(natural);
        }
    }
    if (!(size.width() > 0) || !(size.height() > 0))
        size = QSizeF(32, 32);  // drawn as a placeholder
    size = QSizeF(std::clamp<qreal>(size.width(), 1, LargestSide), std::clamp<qreal>(size.height(), 1, LargestSide));
    return size * deviceScale(document);
}

void PictureObject::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int,
                               const QTextFormat& format)
{
    if (rect.isEmpty())
        return;
    const QTextImageFormat image = format.toImageFormat();
    const QString name = image.name();
    // Decoded for the pixels the picture covers on the device.
    const QTransform transform = painter->worldTransform();
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1;
    const qreal scaleX = std::hypot(transform.m11(), transform.m12()) * ratio;
    const qreal scaleY = std::hypot(transform.m21(), transform.m22()) * ratio;
    QSizeF pixels(rect.width() * scaleX, rect.height() * scaleY);
    const QSize natural = naturalSize(document, name);
    if (natural.isValid() && !natural.isEmpty()
        && (pixels.width() > natural.width() || pixels.height() > natural.height()))
        pixels.scale(QSizeF(natural), Qt::KeepAspectRatio);  // drawing scales it up
    if (pixels.width() > LargestDecodedSide || pixels.height() > LargestDecodedSide)
        pixels.scale(LargestDecodedSide, LargestDecodedSide, Qt::KeepAspectRatio);
    const QSize target(std::max(1, qRound(pixels.width())), std::max(1, qRound(pixels.height())));

    if (m_undecodable.contains(name)) {
        drawPlaceholder(painter, rect);
        return;
    }
    QImage decoded = m_cache.find(name, target);
    if (decoded.isNull()) {
        const QByteArray bytes = resourceBytes(document, image);
        if (!bytes.isEmpty()) {
            ++m_decodes;
            decoded = RtfObjects::decodePicture(bytes, target);
        } else {
            decoded = resourceImage(document, name);
            if (!decoded.isNull() && decoded.size() != target)
                decoded = decoded.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        if (decoded.isNull()) {
            if (m_undecodable.size() > 4096)
                m_undecodable.clear();
            m_undecodable.insert(name);
            drawPlaceholder(painter, rect);
            return;
        }
        m_cache.insert(name, target, decoded);
    }
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(rect, decoded);
    painter->restore();
}
