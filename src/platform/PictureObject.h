#pragma once

#include "platform/PictureCache.h"

#include <QHash>
#include <QSet>
#include <QObject>
#include <QTextObjectInterface>

// Sizes and draws the document's pictures (QTextImageFormat characters) for
// the editor's layout, and for the copy of the document Qt lays out to print.
// A picture is as big as its format says, in pixels of 1/96 inch scaled to
// the device; its bytes, kept as the file held them, are decoded only when
// it is drawn, at the size it is drawn, and kept in a bounded cache.
class PictureObject : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    explicit PictureObject(QObject* parent = nullptr);

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

    PictureCache& cache() { return m_cache; }
    // How many times a picture was decoded: to show that pictures are
    // decoded when drawn and not before.
    int decodeCount() const { return m_decodes; }

    // The biggest side a picture is decoded at: printing at 1200 dots an
    // inch would otherwise decode a photo at hundreds of megabytes.
    static constexpr int LargestDecodedSide = 4096;

private:
    // The size the picture's data says it has; invalid when it has none.
    QSize naturalSize(QTextDocument* document, const QString& name);

    PictureCache m_cache;
    QHash<QString, QSize> m_naturalSizes;
    QSet<QString> m_undecodable;  // tried once: drawn as a placeholder since
    int m_decodes = 0;
};
