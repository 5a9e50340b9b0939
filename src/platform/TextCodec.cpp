#include "platform/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const char utf8Bom[] = "\xEF\xBB\xBF";

QString decodeStrict(const QByteArray& bytes, QStringConverter::Encoding encoding, bool* ok)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    *ok = !decoder.hasError();
    return text;
}

QString decodeWindows1251(const QByteArray& bytes)
{
    QStringDecoder decoder("windows-1251");
    if (decoder.isValid())
        return decoder.decode(bytes);
    return QString::fromLatin1(bytes);
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
