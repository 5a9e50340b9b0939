#include "platform/CodePageGuess.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <uchardet/uchardet.h>

#include <cstring>
#include <memory>

namespace {

constexpr qsizetype MetaWindow = 8 * 1024;
const QByteArray Windows1251 = QByteArrayLiteral("windows-1251");
const QByteArray Koi8R = QByteArrayLiteral("KOI8-R");
const QByteArray Cp866 = QByteArrayLiteral("IBM866");

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'
        || c == '.' || c == ':';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The value after "charset" in one tag's text, or empty.
QByteArray charsetIn(QByteArrayView tag)
{
    qsizetype from = 0;
    while (true) {
        const qsizetype at = tag.indexOf("charset", from);
        if (at < 0)
            return QByteArray();
        qsizetype i = at + 7;
        from = i;
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        if (i >= tag.size() || tag[i] != '=')
            continue;
        ++i;
        while (i < tag.size() && (isSpace(tag[i]) || tag[i] == '"' || tag[i] == '\''))
            ++i;
        const qsizetype start = i;
        while (i < tag.size() && isNameChar(tag[i]))
            ++i;
        if (i > start)
            return tag.sliced(start, i - start).toByteArray();
    }
}

bool isAscii(uchar b)
{
    return b < 0x80;
}

qsizetype nextNonAscii(const uchar* p, qsizetype from, qsizetype size)
{
    qsizetype i = from;
    while (i + 8 <= size) {
        quint64 word;
        std::memcpy(&word, p + i, sizeof word);
        if (word & 0x8080808080808080ull)
            break;
        i += 8;
    }
    while (i < size && isAscii(p[i]))
        ++i;
    return i;
}

bool isLineEnd(uchar b)
{
    return b == '\n' || b == '\r';
}

// libuchardet's answer, lower-cased; empty when it has none.
QByteArray detectorAnswer(const QByteArray& sample)
{
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                          uchardet_delete);
    uchardet_handle_data(detector.get(), sample.constData(), size_t(sample.size()));
    uchardet_data_end(detector.get());
    return QByteArray(uchardet_get_charset(detector.get())).toLower();
}

} // namespace

QByteArray CodePageGuess::declaredCharset(QByteArrayView bytes)
{
    const QByteArray head = bytes.first(qMin(bytes.size(), MetaWindow)).toByteArray().toLower();
    qsizetype from = 0;
    while (true) {
        const qsizetype meta = head.indexOf("<meta", from);
        if (meta < 0)
            return QByteArray();
        qsizetype end = head.indexOf('>', meta);
        if (end < 0)
            end = head.size();
        const QByteArray charset = charsetIn(QByteArrayView(head).sliced(meta, end - meta));
        if (!charset.isEmpty())
            return charset;
        from = end;
    }
}

QByteArray CodePageGuess::canonicalName(const QByteArray& name)
{
    const QByteArray lower = name.toLower();
    if (lower == "windows-1251" || lower == "cp1251" || lower == "x-cp1251" || lower == "win-1251")
        return Windows1251;
    if (lower == "koi8-r" || lower == "koi8r" || lower == "koi8")
        return Koi8R;
    if (lower == "ibm866" || lower == "cp866" || lower == "866" || lower == "csibm866")
        return Cp866;
    return lower;
}

QByteArray CodePageGuess::russianCodePage(QByteArrayView bytes)
{
    const QByteArray sample = russianSample(bytes);
    const QByteArray direct = detectorAnswer(sample);
    for (const QByteArray& candidate : {Windows1251, Koi8R, Cp866}) {
        if (direct == candidate.toLower())
            return candidate;
    }
    // Short Russian text in KOI8-R or CP866 is often taken for another
    // alphabet (Greek, Western European). The detector then judges each
    // reading of the sample, recoded to Windows-1251, which it knows best.
    // A reading Windows-1251 cannot hold whole (CP866's box drawing, where
    // another code page has letters) is no Russian text.
    for (const QByteArray& candidate : {Windows1251, Koi8R, Cp866}) {
        QStringDecoder reading(candidate.constData());
        const QString text = reading.decode(sample);
        QStringEncoder recoding(Windows1251.constData());
        const QByteArray recoded = recoding.encode(text);
        QStringDecoder back(Windows1251.constData());
        if (QString(back.decode(recoded)) == text && detectorAnswer(recoded) == "windows-1251")
            return candidate;
    }
    return Windows1251;
}

QByteArray CodePageGuess::russianSample(QByteArrayView bytes)
{
    const uchar* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    QByteArray sample;
    qsizetype pos = 0;
    while (sample.size() < MaxSample) {
        const qsizetype hit = nextNonAscii(p, pos, size);
        if (hit >= size)
            break;
        qsizetype start = hit;
        while (start > pos && hit - start < MaxSampleLine / 2 && !isLineEnd(p[start - 1]))
            --start;
        qsizetype end = hit;
        while (end < size && end - start < MaxSampleLine && !isLineEnd(p[end]))
            ++end;
        sample.append(reinterpret_cast<const char*>(p + start), end - start).append('\n');
        pos = end;
    }
    return sample;
}
