#include "platform/BuiltInPng.h"

#include <QResource>
#include <QStringList>

#include <png.h>

#include <map>
#include <mutex>

namespace {

std::mutex decodedMutex;

std::map<QString, QImage>& decodedAhead()
{
    static std::map<QString, QImage> images;
    return images;
}

} // namespace

QImage decodeBuiltInPng(const QString& path)
{
    const QResource resource(path);
    const QByteArray bytes = resource.uncompressedData();
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.constData(), size_t(bytes.size())))
        return QImage();
    png.format = PNG_FORMAT_BGRA;  // QImage's 32-bit pixels on a little-endian machine
    QImage image(int(png.width), int(png.height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()
        || !png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()), nullptr)) {
        png_image_free(&png);
        return QImage();
    }
    // Premultiplied by hand: QImage's conversion may start Qt's thread pool,
    // an object this function must not make.
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qPremultiply(line[x]);
    }
    // Qt's naming: "name@2x.png" holds the picture for a screen of twice
    // the density.
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot >= 3 && path.at(dot - 3) == QLatin1Char('@') && path.at(dot - 2).isDigit()
        && path.at(dot - 1) == QLatin1Char('x'))
        image.setDevicePixelRatio(path.at(dot - 2).digitValue());
    return image;
}

void decodeBuiltInPngsAhead(const QStringList& paths)
{
    for (const QString& path : paths) {
        QImage image = decodeBuiltInPng(path);
        const std::lock_guard lock(decodedMutex);
        decodedAhead()[path] = std::move(image);
    }
}

QPixmap readBuiltInPng(const QString& path)
{
    {
        const std::lock_guard lock(decodedMutex);
        const auto found = decodedAhead().find(path);
        if (found != decodedAhead().end()) {
            QImage image = std::move(found->second);
            decodedAhead().erase(found);
            return QPixmap::fromImage(std::move(image));
        }
    }
    return QPixmap::fromImage(decodeBuiltInPng(path));
}
