#include "platform/TextCodec.h"

#include "platform/CodePageGuess.h"

#include <QHash>
#include <QMutex>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace {

const QByteArray Utf8 = QByteArrayLiteral("UTF-8");
const QByteArray Utf16LE = QByteArrayLiteral("UTF-16LE");
const QByteArray Utf16BE = QByteArrayLiteral("UTF-16BE");

// Code points the editor does not keep as characters of a paragraph (they
// become paragraph breaks, or line ends when saved), and the escapes
// themselves: read byte by byte as escapes, so they come back as they were.
bool keptApart(char32_t cp)
{
    return (cp & 0xFF00) == TextCodec::EscapeBase || cp == 0x2028 || cp == 0x2029 || cp == 0xFDD0
        || cp == 0xFDD1;
}

char16_t escape(uchar byte)
{
    return char16_t(TextCodec::EscapeBase + byte);
}

// Whether the eight bytes at p are all ASCII.
bool asciiWord(const uchar* p)
{
    quint64 word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ull) == 0;
}

// The length of the UTF-8 sequence at p (end bounds it), or 0 when the byte
// at p does not start a valid one. Overlong forms, surrogates and code
// points past U+10FFFF are invalid.
int utf8Sequence(const uchar* p, const uchar* end, char32_t* cp)
{
    const uchar b = p[0];
    const auto cont = [&](int i) { return p + i < end && (p[i] & 0xC0) == 0x80; };
    if (b < 0x80) {
        *cp = b;
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF) {
        if (!cont(1))
            return 0;
        *cp = char32_t(b & 0x1F) << 6 | (p[1] & 0x3F);
        return 2;
    }
    if (b >= 0xE0 && b <= 0xEF) {
        if (!cont(1) || !cont(2))
            return 0;
        if ((b == 0xE0 && p[1] < 0xA0) || (b == 0xED && p[1] >= 0xA0))
            return 0;
        *cp = char32_t(b & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
        return 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3))
            return 0;
        if ((b == 0xF0 && p[1] < 0x90) || (b == 0xF4 && p[1] >= 0x90))
            return 0;
        *cp = char32_t(b & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6
            | (p[3] & 0x3F);
        return 4;
    }
    return 0;
}

// Whether p starts a two-byte UTF-8 sequence (U+0080 to U+07FF).
inline bool twoByteSequence(const uchar* p, const uchar* end)
{
    return p[0] >= 0xC2 && p[0] <= 0xDF && p + 1 < end && (p[1] & 0xC0) == 0x80;
}

struct Utf8Census
{
    qsizetype valid = 0;   // multi-byte sequences
    qsizetype invalid = 0; // bytes in no valid sequence
};

// Stops early once the bytes are plainly in another encoding.
Utf8Census utf8Census(QByteArrayView bytes)
{
    Utf8Census census;
    const uchar* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* end = p + bytes.size();
    while (p < end) {
        if (end - p >= 8 && asciiWord(p)) {
            p += 8;
            continue;
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        if (twoByteSequence(p, end)) {  // Cyrillic and the like, the common case
            ++census.valid;
            p += 2;
            continue;
        }
        char32_t cp;
        const int n = utf8Sequence(p, end, &cp);
        if (n == 0) {
            ++census.invalid;
            ++p;
            // Hundreds of bad bytes, and more than a quarter of the good
            // sequences so far: no stray damage, another encoding.
            if (census.invalid > 256 && census.invalid * 4 > census.valid)
                break;
        } else {
            ++census.valid;
            p += n;
        }
    }
    return census;
}

QString decodeUtf8(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const uchar* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* end = p + bytes.size();
    while (p < end) {
        if (end - p >= 8 && asciiWord(p)) {
            for (int i = 0; i < 8; ++i)
                *out++ = p[i];
            p += 8;
            continue;
        }
        if (*p < 0x80) {
            *out++ = *p++;
            continue;
        }
        if (twoByteSequence(p, end)) {
            *out++ = char16_t((p[0] & 0x1F) << 6 | (p[1] & 0x3F));
            p += 2;
            continue;
        }
        char32_t cp;
        const int n = utf8Sequence(p, end, &cp);
        if (n == 0) {
            *out++ = escape(*p++);
        } else if (keptApart(cp)) {
            for (int i = 0; i < n; ++i)
                *out++ = escape(*p++);
        } else if (cp >= 0x10000) {
            *out++ = QChar::highSurrogate(cp);
            *out++ = QChar::lowSurrogate(cp);
            p += n;
        } else {
            *out++ = char16_t(cp);
            p += n;
        }
    }
    text.truncate(out - reinterpret_cast<char16_t*>(text.data()));
    return text;
}

template <bool BigEndian>
QString decodeUtf16(QByteArrayView bytes)
{
    const uchar* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype units = bytes.size() / 2;
    const auto unit = [p](qsizetype i) {
        return BigEndian ? char16_t(p[2 * i] << 8 | p[2 * i + 1]) : char16_t(p[2 * i + 1] << 8 | p[2 * i]);
    };
    QString text(bytes.size(), Qt::Uninitialized);  // at most one escape a byte
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (u < 0x2028) {
            *out++ = u;
        } else if (QChar::isHighSurrogate(u) && i + 1 < units && QChar::isLowSurrogate(unit(i + 1))) {
            *out++ = u;
            *out++ = unit(++i);
        } else if (QChar::isSurrogate(u) || keptApart(u)) {
            *out++ = escape(p[2 * i]);
            *out++ = escape(p[2 * i + 1]);
        } else {
            *out++ = u;
        }
    }
    if (bytes.size() % 2)
        *out++ = escape(p[bytes.size() - 1]);
    text.truncate(out - reinterpret_cast<char16_t*>(text.data()));
    return text;
}

// A single-byte code page both ways. A byte with no character of its own
// (or one whose character another byte already has) reads as an escape.
struct SingleByteTable
{
    std::array<char16_t, 256> decode{};
    // The byte of each character past ASCII; 0 where the code page has none.
    std::array<uchar, 0x10000> encode{};
};

// Tables are made once per code page from Qt's converters. Only code pages
// that keep printable ASCII as it is and give most other bytes a character
// of their own qualify.
const SingleByteTable* singleByteTable(const QByteArray& name)
{
    static QMutex mutex;
    static QHash<QByteArray, std::shared_ptr<const SingleByteTable>> tables;
    const QMutexLocker lock(&mutex);
    const QByteArray key = name.toLower();
    if (auto it = tables.constFind(key); it != tables.constEnd())
        return it->get();
    std::shared_ptr<SingleByteTable> table;
    QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
    if (decoder.isValid() && key != "utf-8" && !key.startsWith("utf-16") && !key.startsWith("utf-32")) {
        table = std::make_shared<SingleByteTable>();
        for (int b = 0; b < 256 && table; ++b) {
            const char byte = char(b);
            const QString s = decoder.decode(QByteArrayView(&byte, 1));
            const bool one = !decoder.hasError() && s.size() == 1 && !s.at(0).isSurrogate()
                && s.at(0) != QChar::ReplacementCharacter;
            decoder.resetState();
            if (b < 0x80) {
                // Some tables give the DOS code pages' control bytes picture
                // characters; in a text file they are the ASCII controls.
                const bool control = b < 0x20 || b == 0x7F;
                if (!control && (!one || s.at(0).unicode() != b))
                    table.reset();
                else
                    table->decode[b] = char16_t(b);
                continue;
            }
            const char16_t ch = one ? s.at(0).unicode() : 0;
            if (!one || ch < 0x80 || keptApart(ch) || table->encode[ch] != 0) {
                table->decode[b] = escape(uchar(b));
            } else {
                table->decode[b] = ch;
                table->encode[ch] = uchar(b);
            }
        }
    }
    // Code pages that give most bytes past ASCII no character (US-ASCII,
    // or UTF-8 under another name) are no single-byte code pages.
    if (table && std::count_if(table->decode.begin() + 0x80, table->decode.end(),
                               [](char16_t ch) { return TextCodec::isEscape(QChar(ch)); }) > 64)
        table.reset();
    tables.insert(key, table);
    return table.get();
}

QString decodeSingleByte(QByteArrayView bytes, const SingleByteTable& table)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char byte : bytes)
        *out++ = table.decode[uchar(byte)];
    return text;
}

TextCodec::Encoded unencodableAt(qsizetype index)
{
    TextCodec::Encoded result;
    result.unencodable = index;
    return result;
}

// The encoders write through a pointer into room made beforehand (at most
// three bytes a UTF-16 unit), then cut the array to what was written.
TextCodec::Encoded encodeUtf8(QStringView text, QByteArray bytes)
{
    const qsizetype start = bytes.size();
    bytes.resize(start + text.size() * 3);
    uchar* out = reinterpret_cast<uchar*>(bytes.data()) + start;
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = p[i];
        if (u < 0x80) {
            *out++ = uchar(u);
        } else if (u < 0x800) {
            *out++ = uchar(0xC0 | u >> 6);
            *out++ = uchar(0x80 | (u & 0x3F));
        } else if (TextCodec::isEscape(QChar(u))) {
            *out++ = uchar(u & 0xFF);
        } else if (!QChar::isSurrogate(u)) {
            *out++ = uchar(0xE0 | u >> 12);
            *out++ = uchar(0x80 | (u >> 6 & 0x3F));
            *out++ = uchar(0x80 | (u & 0x3F));
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            const char32_t cp = QChar::surrogateToUcs4(u, p[++i]);
            *out++ = uchar(0xF0 | cp >> 18);
            *out++ = uchar(0x80 | (cp >> 12 & 0x3F));
            *out++ = uchar(0x80 | (cp >> 6 & 0x3F));
            *out++ = uchar(0x80 | (cp & 0x3F));
        } else {
            return unencodableAt(i);
        }
    }
    bytes.truncate(reinterpret_cast<char*>(out) - bytes.constData());
    return {bytes, -1};
}

TextCodec::Encoded encodeUtf16(QStringView text, QByteArray bytes, bool bigEndian)
{
    const qsizetype start = bytes.size();
    bytes.resize(start + text.size() * 2);
    uchar* out = reinterpret_cast<uchar*>(bytes.data()) + start;
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    const int high = bigEndian ? 0 : 1;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = p[i];
        if (TextCodec::isEscape(QChar(u))) {
            *out++ = uchar(u & 0xFF);
            continue;
        }
        const bool pair = QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(p[i + 1]);
        if (QChar::isSurrogate(u) && !pair)
            return unencodableAt(i);
        for (int k = 0; k <= int(pair); ++k) {
            const char16_t unit = p[i + k];
            out[high] = uchar(unit >> 8);
            out[1 - high] = uchar(unit & 0xFF);
            out += 2;
        }
        i += pair;
    }
    bytes.truncate(reinterpret_cast<char*>(out) - bytes.constData());
    return {bytes, -1};
}

TextCodec::Encoded encodeSingleByte(QStringView text, QByteArray bytes, const SingleByteTable& table)
{
    const qsizetype start = bytes.size();
    bytes.resize(start + text.size());
    char* out = bytes.data() + start;
    const char16_t* p = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = p[i];
        if (u < 0x80) {
            *out++ = char(u);
        } else if (TextCodec::isEscape(QChar(u))) {
            *out++ = char(u & 0xFF);
        } else if (const uchar byte = table.encode[u]) {
            *out++ = char(byte);
        } else {
            return unencodableAt(i);
        }
    }
    return {bytes, -1};
}

QByteArray byteOrderMark(const QByteArray& encoding)
{
    if (encoding == Utf8)
        return QByteArrayLiteral("\xEF\xBB\xBF");
    if (encoding == Utf16LE)
        return QByteArrayLiteral("\xFF\xFE");
    if (encoding == Utf16BE)
        return QByteArrayLiteral("\xFE\xFF");
    return QByteArray();
}

} // namespace

TextFileFormat TextCodec::detect(QByteArrayView bytes)
{
    TextFileFormat format;
    format.byteOrderMark = true;
    // Only UTF-8 and UTF-16 marks: FF FE 00 00 is UTF-16 LE starting with
    // U+0000, never UTF-32 here.
    for (const QByteArray& encoding : {Utf8, Utf16LE, Utf16BE}) {
        if (bytes.startsWith(byteOrderMark(encoding))) {
            format.encoding = encoding;
            return format;
        }
    }
    format.byteOrderMark = false;
    // A few stray bytes among many UTF-8 characters are damage (a cut last
    // character, one bad byte), not another encoding: in Russian text of a
    // single-byte code page, bytes that fit no UTF-8 sequence far outnumber
    // those that happen to form one.
    const Utf8Census census = utf8Census(bytes);
    if (census.invalid == 0 || census.invalid * 4 <= census.valid) {
        format.encoding = Utf8;
        return format;
    }
    // A page's own word on its code page; a claim of UTF-8 (or UTF-16, or a
    // code page of several bytes a character) the bytes above have disproved.
    const QByteArray declared = CodePageGuess::declaredCharset(bytes);
    if (!declared.isEmpty() && singleByteTable(declared)) {
        format.encoding = CodePageGuess::canonicalName(declared);
        return format;
    }
    format.encoding = CodePageGuess::russianCodePage(bytes);
    return format;
}

QString TextCodec::decode(QByteArrayView bytes, const TextFileFormat& format)
{
    if (format.byteOrderMark && bytes.startsWith(byteOrderMark(format.encoding)))
        bytes = bytes.sliced(byteOrderMark(format.encoding).size());
    if (format.encoding == Utf8)
        return decodeUtf8(bytes);
    if (format.encoding == Utf16LE || format.encoding == Utf16BE)
        return format.encoding == Utf16BE ? decodeUtf16<true>(bytes) : decodeUtf16<false>(bytes);
    if (const SingleByteTable* table = singleByteTable(format.encoding))
        return decodeSingleByte(bytes, *table);
    return decodeUtf8(bytes);
}

TextCodec::Encoded TextCodec::encode(QStringView text, const TextFileFormat& format)
{
    const QByteArray mark = format.byteOrderMark ? byteOrderMark(format.encoding) : QByteArray();
    if (format.encoding == Utf16LE || format.encoding == Utf16BE)
        return encodeUtf16(text, mark, format.encoding == Utf16BE);
    if (format.encoding != Utf8) {
        if (const SingleByteTable* table = singleByteTable(format.encoding))
            return encodeSingleByte(text, mark, *table);
    }
    return encodeUtf8(text, mark);
}

bool TextCodec::supports(const QByteArray& encoding)
{
    return encoding == Utf8 || encoding == Utf16LE || encoding == Utf16BE || singleByteTable(encoding);
}

QString TextCodec::displayName(const QByteArray& encoding)
{
    if (encoding == Utf16LE)
        return QStringLiteral("UTF-16 LE");
    if (encoding == Utf16BE)
        return QStringLiteral("UTF-16 BE");
    if (encoding.toLower() == "windows-1251")
        return QStringLiteral("Windows-1251");
    if (encoding.toLower() == "ibm866")
        return QStringLiteral("CP866");
    return QString::fromLatin1(encoding);
}

QString TextCodec::decode(const QByteArray& bytes)
{
    return decode(QByteArrayView(bytes), detect(bytes));
}

QByteArray TextCodec::encode(const QString& text)
{
    TextFileFormat format = TextFileFormat::newDocument();
    format.byteOrderMark = text.startsWith(QChar(0xFEFF));
    Encoded encoded = encode(QStringView(text), format);
    // Only a lone surrogate stops UTF-8; Qt writes it as a replacement mark.
    if (encoded.unencodable >= 0)
        return (format.byteOrderMark ? byteOrderMark(Utf8) : QByteArray()) + text.toUtf8();
    return encoded.bytes;
}
