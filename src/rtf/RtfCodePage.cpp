#include "RtfCodePage.h"

#include <QStringDecoder>

#include <map>
#include <memory>
#include <mutex>

namespace {

const char* codecName(int codePage)
{
    switch (codePage) {
    case 437: return "IBM437";
    case 737: return "IBM737";
    case 775: return "IBM775";
    case 850: return "IBM850";
    case 852: return "IBM852";
    case 855: return "IBM855";
    case 857: return "IBM857";
    case 860: return "IBM860";
    case 861: return "IBM861";
    case 862: return "IBM862";
    case 863: return "IBM863";
    case 864: return "IBM864";
    case 865: return "IBM865";
    case 866: return "IBM866";
    case 869: return "IBM869";
    case 874: return "windows-874";
    case 932: return "windows-932";
    case 936: return "windows-936";
    case 949: return "windows-949";
    case 950: return "windows-950";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1252: return "windows-1252";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    case 10000: return "macintosh";
    case 10001: return "Shift_JIS";
    case 10002: return "Big5";
    case 10003: return "EUC-KR";
    case 10004: return "x-mac-arabic";
    case 10005: return "x-mac-hebrew";
    case 10008: return "GB2312";
    case 10006: return "x-mac-greek";
    case 10007: return "x-mac-cyrillic";
    case 10029: return "x-mac-centraleurroman";
    case 10079: return "x-mac-icelandic";
    case 10081: return "x-mac-turkish";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28595: return "ISO-8859-5";
    case 65001: return "UTF-8";
    default: return nullptr;
    }
}

bool isDoubleByte(int codePage)
{
    switch (codePage) {
    case 932: case 936: case 949: case 950:
    case 10001: case 10002: case 10003: case 10008:
        return true;
    default:
        return false;
    }
}

} // namespace

const RtfCodePage& RtfCodePage::get(int codePage)
{
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<RtfCodePage>> pages;
    if (!codecName(codePage))
        codePage = 1252;
    std::lock_guard lock(mutex);
    auto& page = pages[codePage];
    if (!page)
        page.reset(new RtfCodePage(codePage));
    return *page;
}

int RtfCodePage::fromCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 77: return 10000;
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10008;
    case 81: return 10002;
    case 83: return 10005;
    case 84: return 10004;
    case 85: return 10006;
    case 86: return 10081;
    case 88: return 10029;
    case 89: return 10007;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

RtfCodePage::RtfCodePage(int number)
    : m_number(number)
    , m_codecName(codecName(number))
{
    if (number == 65001)
        m_kind = Kind::Utf8;
    else if (isDoubleByte(number))
        m_kind = Kind::DoubleByte;

    if (m_kind == Kind::DoubleByte) {
        // Lead bytes of the East Asian pages; Shift-JIS keeps A1-DF for
        // single-byte katakana.
        for (int b = 0x81; b < 0xFF; ++b)
            m_lead[b] = (number != 932 && number != 10001) || b <= 0x9F || b >= 0xE0;
    }

    for (int b = 0; b < 0x80; ++b)
        m_table[b] = QChar(b);
    QStringDecoder decoder(m_codecName.constData());
    for (int b = 0x80; b < 0x100; ++b) {
        QString s;
        if (decoder.isValid() && m_kind != Kind::Utf8 && !m_lead[b]) {
            const char byte = char(b);
            s = decoder.decode(QByteArrayView(&byte, 1));
            decoder.resetState();
        }
        const bool defined = s.size() == 1 && s.at(0) != QChar(0x1A);
        m_table[b] = defined ? s.at(0) : QChar(QChar::ReplacementCharacter);
    }
    if (m_kind == Kind::DoubleByte && decoder.isValid())
        buildPairTable(decoder);
}

// Opening a converter costs far more than a character, and East Asian text
// is almost all pairs: decode every pair once, up front.
void RtfCodePage::buildPairTable(QStringDecoder& decoder)
{
    m_pairs.assign(65536, char16_t(QChar::ReplacementCharacter));
    for (int lead = 0x81; lead < 0x100; ++lead) {
        if (!m_lead[lead])
            continue;
        for (int trail = 0x20; trail < 0x100; ++trail) {
            const char pair[] = {char(lead), char(trail)};
            const QString s = decoder.decode(QByteArrayView(pair, 2));
            decoder.resetState();
            // The decoder's error flag outlives resetState(), so judge by the
            // result: an invalid pair comes back as a substitute and the trail.
            if (s.size() == 1 && s.at(0) != QChar(0x1A))
                m_pairs[lead << 8 | trail] = s.at(0).unicode();
            else if (s.size() == 2 && s.at(0).isHighSurrogate() && s.at(1).isLowSurrogate())
                m_pairs[lead << 8 | trail] = kDecodeOnDemand;
        }
    }
}

int RtfCodePage::sequenceLength(unsigned char lead) const
{
    switch (m_kind) {
    case Kind::SingleByte:
        return 1;
    case Kind::DoubleByte:
        return m_lead[lead] ? 2 : 1;
    case Kind::Utf8:
        if (lead >= 0xF0 && lead < 0xF5)
            return 4;
        if (lead >= 0xE0)
            return lead < 0xF0 ? 3 : 1;
        if (lead >= 0xC2)
            return 2;
        return 1;
    }
    return 1;
}

QString RtfCodePage::decodeSequence(const char* bytes, int length) const
{
    if (length == 1 && m_kind != Kind::Utf8)
        return QString(m_table[static_cast<unsigned char>(bytes[0])]);
    if (m_kind == Kind::Utf8) {
        QString s = QString::fromUtf8(bytes, length);
        return s.isEmpty() ? QString(QChar(QChar::ReplacementCharacter)) : s;
    }
    if (length == 2 && !m_pairs.empty()) {
        const char16_t unit = m_pairs[static_cast<unsigned char>(bytes[0]) << 8
                                      | static_cast<unsigned char>(bytes[1])];
        if (unit != kDecodeOnDemand)
            return QString(QChar(unit));
    }
    QStringDecoder decoder(m_codecName.constData());
    QString s = decoder.decode(QByteArrayView(bytes, length));
    if (decoder.hasError() || s.isEmpty())
        return QString(QChar(QChar::ReplacementCharacter));
    return s;
}

QString RtfCodePage::decode(const QByteArray& bytes) const
{
    if (m_kind == Kind::SingleByte) {
        QString s(bytes.size(), Qt::Uninitialized);
        QChar* out = s.data();
        for (char c : bytes)
            *out++ = m_table[static_cast<unsigned char>(c)];
        return s;
    }
    QStringDecoder decoder(m_codecName.constData());
    return decoder.decode(bytes);
}
