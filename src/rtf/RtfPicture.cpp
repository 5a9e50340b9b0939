#include "RtfPicture.h"

#include "RtfChars.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

namespace {

constexpr qreal TwipsPerPixel = 15;
constexpr qreal LargestSide = 20000;  // pixels: beyond any page

using RtfChars::hexValue;
using RtfChars::isAlpha;
using RtfChars::isDigit;

} // namespace

RtfPicture RtfPicture::parse(const char* from, const char* to)
{
    RtfPicture picture;
    if (from >= to)
        return picture;
    // The data, written straight into a buffer of the most it can be.
    picture.bytes.resize((to - from) / 2 + 1);
    char* data = picture.bytes.data();
    qsizetype used = 0;
    picture.header.reserve(256);
    int depth = 0;
    int nibble = -1;
    const char* p = from;
    while (p < to) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '{' || c == '}') {
            depth += c == '{' ? 1 : -1;
            ++p;
            if (depth <= 0)
                break;  // the group's end, written back by the writer
            picture.header.append(char(c));
            continue;
        }
        if (c == '\\') {
            const char* start = p++;
            if (p < to && isAlpha(static_cast<unsigned char>(*p))) {
                const char* name = p;
                while (p < to && isAlpha(static_cast<unsigned char>(*p)))
                    ++p;
                const std::string_view word(name, size_t(p - name));
                bool negative = false;
                if (p + 1 < to && *p == '-' && isDigit(static_cast<unsigned char>(p[1]))) {
                    negative = true;
                    ++p;
                }
                long long value = 0;
                bool hasValue = false;
                while (p < to && isDigit(static_cast<unsigned char>(*p))) {
                    if (value <= INT_MAX)
                        value = value * 10 + (*p - '0');
                    hasValue = true;
                    ++p;
                }
                const int param = int(std::clamp<long long>(negative ? -value : value, INT_MIN, INT_MAX));
                if (p < to && *p == ' ')
                    ++p;
                if (word == "bin" && depth == 1) {
                    // Binary data: the bytes as they are, written back as hex.
                    const long long count = std::clamp<long long>(param, 0, to - p);
                    if (used + count > picture.bytes.size()) {
                        picture.bytes.resize(used + qsizetype(count));
                        data = picture.bytes.data();
                    }
                    std::memcpy(data + used, p, size_t(count));
                    used += qsizetype(count);
                    p += count;
                    continue;
                }
                if (word == "bin") {
                    // In a group of its own: kept with the header, bytes and
                    // all, so that they cannot end a group when read again.
                    p += std::clamp<long long>(param, 0, to - p);
                    picture.header.append(start, p - start);
                    continue;
                }
                picture.header.append(start, p - start);
                if (depth != 1 || !hasValue) {
                    if (depth == 1) {
                        if (word == "pngblip")
                            picture.kind = Kind::Png;
                        else if (word == "jpegblip")
                            picture.kind = Kind::Jpeg;
                        else if (word == "emfblip")
                            picture.kind = Kind::Emf;
                        else if (word == "macpict" || word == "dibitmap" || word == "wbitmap")
                            picture.kind = Kind::Other;
                    }
                    continue;
                }
                if (word == "picw")
                    picture.width = param;
                else if (word == "pich")
                    picture.height = param;
                else if (word == "picwgoal")
                    picture.goalWidth = param;
                else if (word == "pichgoal")
                    picture.goalHeight = param;
                else if (word == "picscalex")
                    picture.scaleX = param;
                else if (word == "picscaley")
                    picture.scaleY = param;
                else if (word == "wmetafile")
                    picture.kind = Kind::Wmf;
                else if (word == "pmmetafile" || word == "dibitmap" || word == "wbitmap")
                    picture.kind = Kind::Other;
            } else {
                // A control symbol: \* and the like.
                p = std::min(p + 1, to);
                picture.header.append(start, p - start);
            }
            continue;
        }
        ++p;
        if (depth == 1) {
            const int value = hexValue(c);
            if (value >= 0) {
                if (nibble < 0) {
                    nibble = value;
                } else {
                    if (used == picture.bytes.size()) {
                        picture.bytes.resize(used + 1);
                        data = picture.bytes.data();
                    }
                    data[used++] = char(nibble << 4 | value);
                    nibble = -1;
                }
            }
            // White space among the digits, and anything else, is not data.
            continue;
        }
        picture.header.append(char(c));
    }
    picture.bytes.truncate(used);
    return picture;
}

bool RtfPicture::isShowable() const
{
    if (kind != Kind::Png && kind != Kind::Jpeg)
        return false;
    // The bytes must be what the group says they are.
    if (kind == Kind::Png)
        return bytes.startsWith("\x89PNG\r\n\x1a\n");
    return bytes.startsWith("\xFF\xD8\xFF");
}

QSizeF RtfPicture::displaySize() const
{
    qreal w = 0;
    qreal h = 0;
    if (goalWidth > 0 && goalHeight > 0) {
        w = goalWidth / TwipsPerPixel;
        h = goalHeight / TwipsPerPixel;
    } else if ((kind == Kind::Png || kind == Kind::Jpeg) && width > 0 && height > 0) {
        w = width;
        h = height;
    } else if (isShowable()) {
        // Only the header is read, not the picture.
        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        const QSize size = QImageReader(&buffer).size();
        w = size.width();
        h = size.height();
    }
    if (w <= 0 || h <= 0) {
        w = 96;
        h = 96;
    }
    const qreal sx = scaleX > 0 && scaleX <= 10000 ? scaleX / 100.0 : 1.0;
    const qreal sy = scaleY > 0 && scaleY <= 10000 ? scaleY / 100.0 : 1.0;
    return QSizeF(std::clamp<qreal>(w * sx, 1, LargestSide), std::clamp<qreal>(h * sy, 1, LargestSide));
}
