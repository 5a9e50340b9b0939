#include "platform/BuiltInPng.h"

#include <QImage>
#include <QImageReader>

QPixmap readBuiltInPng(const QString& path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}
