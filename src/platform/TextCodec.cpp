#include "platform/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace {

const char utf8Bom[] = "\xEF\xBB\xBF";

QString decodeStrict(const QByteArray& bytes, QStringConverter::Encoding encoding, bool* ok)
{
#ifndef Q_OS_WIN
    // The system code page is UTF-8 here; validating first is many times
    // faster than decoding with error tracking.
    if (encoding == QStringConverter::System) {
        *ok = QByteArrayView(bytes).isValidUtf8();
        return *ok ? QString::fromUtf8(bytes) : QString();
    }
#endif
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    *ok = !decoder.hasError();
    return text;
}

// A single-byte code page, so one table lookup a byte: ten megabytes take
// milliseconds rather than the general decoder's tenth of a second.
QString decodeWindows1251(const QByteArray& bytes)
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        QStringDecoder decoder("windows-1251");
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString s = decoder.isValid() ? decoder.decode(QByteArrayView(&byte, 1)) : QString();
            decoder.resetState();
            // Latin-1 where the code page is missing altogether.
            t[b] = s.size() == 1 ? s.at(0).unicode()
                                 : char16_t(decoder.isValid() ? QChar::ReplacementCharacter : b);
        }
        return t;
    }();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char byte : bytes)
        *out++ = table[static_cast<unsigned char>(byte)];
    return text;
}

} // namespace

QString TextCodec::decode(const QByteArray& bytes)
{
    if (auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*bom); // skips the byte-order mark itself
        return decoder.decode(bytes);
    }
    bool ok = false;
    QString text = decodeStrict(bytes, QStringConverter::System, &ok);
    if (ok)
        return text;
    return decodeWindows1251(bytes);
}

QByteArray TextCodec::encode(const QString& text)
{
    QStringEncoder encoder(QStringConverter::System, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    // Text that starts with U+FEFF would lose it when read back (the bytes
    // look like a byte-order mark), so it gets a real mark in front.
    if (!encoder.hasError() && !bytes.startsWith(utf8Bom))
        return bytes;
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::WriteBom);
    return utf8.encode(text);
}
