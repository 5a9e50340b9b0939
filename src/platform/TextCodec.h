#pragma once

#include "platform/TextFileFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The bytes of plain-text files (documents, tags.lst, pergalot.ini) and the
// text they hold.
//
// A file's encoding is found in this order: a byte-order mark (UTF-8,
// UTF-16 LE or BE); UTF-8 when the bytes are UTF-8, or are so apart from a
// few stray bytes among many UTF-8 characters (a cut last character, one
// bad byte); the single-byte charset a web page declares in a <meta> tag
// (a declared UTF-8 the bytes have just disproved is passed over); otherwise
// libuchardet's guess among Windows-1251, KOI8-R and CP866, and
// Windows-1251 when it has none.
//
// Nothing is lost on the way: a byte the encoding does not allow is read as
// the code point EscapeBase + byte and written back as that byte. Code
// points the editor would not keep as characters (the line and paragraph
// separators, Qt's frame marks) and those of the escape range itself are
// read the same way, byte by byte, so decode followed by encode gives back
// the file's bytes whatever they were.
class TextCodec
{
public:
    // 256 private-use code points, one for each byte value.
    static constexpr char16_t EscapeBase = 0xF700;
    static bool isEscape(QChar ch) { return (ch.unicode() & 0xFF00) == EscapeBase; }

    // The encoding and byte-order mark of a file's bytes; lineEnd is left LF.
    static TextFileFormat detect(QByteArrayView bytes);
    // The text of bytes read in format's encoding, without the byte-order
    // mark when format has one; the line ends stay as they stand.
    static QString decode(QByteArrayView bytes, const TextFileFormat& format);

    struct Encoded
    {
        QByteArray bytes;
        // Where the first character the encoding cannot hold stands in the
        // text; -1 when every character was written.
        qsizetype unencodable = -1;
    };
    // text (line ends included) in format's encoding, led by a byte-order
    // mark when format has one. Nothing is dropped or replaced: when a
    // character cannot be written, bytes is empty and unencodable says where.
    static Encoded encode(QStringView text, const TextFileFormat& format);

    // Whether the encoding is one this codec reads and writes.
    static bool supports(const QByteArray& encoding);
    // The encoding's name as the user knows it ("Windows-1251", "UTF-16 LE").
    static QString displayName(const QByteArray& encoding);

    // detect() and decode() in one: the text of a file whose format is not
    // kept (tags.lst, pasted bytes).
    static QString decode(const QByteArray& bytes);
    // A new file's bytes: UTF-8; text that starts with U+FEFF gets a real
    // byte-order mark in front, or reading it back would take it for one.
    static QByteArray encode(const QString& text);
};
