#pragma once

#include <QByteArray>
#include <QtGlobal>

// What a plain-text file was on disk, apart from its text: its encoding,
// whether it began with a byte-order mark and how its lines ended. A document
// read from a text file keeps this and writes it back, so a file opened and
// saved without a change keeps every byte.
struct TextFileFormat
{
    enum class LineEnd : quint8 { LF, CRLF, CR };

    // The encoding's name as TextCodec knows it: "UTF-8", "UTF-16LE",
    // "UTF-16BE", or a single-byte code page ("windows-1251", "KOI8-R",
    // "IBM866", or another one a web page named).
    QByteArray encoding = QByteArrayLiteral("UTF-8");
    bool byteOrderMark = false;
    LineEnd lineEnd = LineEnd::LF;

    // New documents: UTF-8 without a mark, lines ended by LF.
    static TextFileFormat newDocument() { return {}; }

    bool isUtf8() const { return encoding == "UTF-8"; }

    friend bool operator==(const TextFileFormat&, const TextFileFormat&) = default;
};
