#include "RtfObjects.h"

#include <QBuffer>
#include <QImageReader>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace RtfObjects {

bool isMarker(const QTextFormat& format)
{
    return format.objectType() == MarkerObjectType;
}

MarkerKind markerKind(const QTextFormat& format)
{
    const int kind = format.intProperty(MarkerKindProperty);
    return kind >= int(MarkerKind::Other) && kind <= int(MarkerKind::Hidden) ? MarkerKind(kind)
                                                                             : MarkerKind::Other;
}

QSizeF markerSize(const QTextFormat& format)
{
    const qreal width = format.doubleProperty(MarkerWidth);
    const qreal height = format.doubleProperty(MarkerHeight);
    if (width > 0 && height > 0)
        return QSizeF(width, height);
    return DefaultMarkerSize;
}

QString markerToolTip(const QTextFormat& format)
{
    if (!isMarker(format))
        return {};
    QString kind;
    switch (markerKind(format)) {
    case MarkerKind::Footnote: kind = QStringLiteral("Сноска"); break;
    case MarkerKind::Annotation: kind = QStringLiteral("Примечание"); break;
    case MarkerKind::Object: kind = QStringLiteral("Объект"); break;
    case MarkerKind::Picture: kind = QStringLiteral("Рисунок"); break;
    case MarkerKind::Bookmark: kind = QStringLiteral("Закладка"); break;
    case MarkerKind::Shape: kind = QStringLiteral("Фигура"); break;
    case MarkerKind::Field: kind = QStringLiteral("Поле"); break;
    case MarkerKind::Hidden: kind = QStringLiteral("Скрытый текст"); break;
    case MarkerKind::Other: kind = QStringLiteral("Элемент RTF"); break;
    }
    const QString text = format.stringProperty(MarkerText).trimmed();
    return text.isEmpty() ? kind : kind + QStringLiteral(": ") + text;
}

bool isKeptPicture(const QTextImageFormat& format)
{
    return format.name().startsWith(PictureScheme + QLatin1Char(':'));
}

QByteArray pictureBytes(const QTextDocument* document, const QTextImageFormat& format)
{
    if (!document || !isKeptPicture(format))
        return {};
    const QVariant data = document->resource(QTextDocument::ImageResource, QUrl(format.name()));
    return data.typeId() == QMetaType::QByteArray ? data.toByteArray() : QByteArray();
}

QImage decodePicture(const QByteArray& bytes, const QSize& size)
{
    QByteArray copy = bytes;  // shared, not copied: QBuffer wants a non-const array
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // A picture of absurd dimensions is not decoded at its full size.
    if (size.isValid() && !size.isEmpty())
        reader.setScaledSize(size);
    return reader.read();
}

} // namespace RtfObjects
