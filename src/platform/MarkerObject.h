#pragma once

#include <QObject>
#include <QTextObjectInterface>

// Sizes and draws the marker characters that stand for what an RTF file
// holds and the editor keeps without showing it (footnotes, annotations,
// bookmarks, embedded objects, pictures it cannot draw...).
//
// On screen every marker is a small box with a sign of its kind, a picture
// the editor cannot draw a grey placeholder of the picture's size. On paper
// a footnote or an annotation is a raised asterisk, an object, a shape or a
// picture its outlined placeholder, and a bookmark or a field nothing.
class MarkerObject : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    explicit MarkerObject(QObject* parent = nullptr);

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;
};
