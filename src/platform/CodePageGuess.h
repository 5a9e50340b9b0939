#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The code page of a text file that is not UTF-8, found from what the file
// says of itself or, failing that, by libuchardet.
class CodePageGuess
{
public:
    // The charset a web page declares in a <meta> tag among its first 8 KB
    // (<meta charset="..."> or content="...; charset=..."); empty without one.
    static QByteArray declaredCharset(QByteArrayView bytes);
    // The program's name for a declared code page: "windows-1251", "KOI8-R"
    // and "IBM866" under their usual aliases, any other name lower-cased.
    static QByteArray canonicalName(const QByteArray& name);

    // libuchardet's choice among "windows-1251", "KOI8-R" and "IBM866".
    // When it names another code page, it is asked about each of the three
    // readings of the text recoded to Windows-1251 (those that recode
    // without loss), and the first reading it takes for Windows-1251 wins;
    // "windows-1251" when none does.
    static QByteArray russianCodePage(QByteArrayView bytes);
    // What the detector is shown: only lines that hold bytes past ASCII, at
    // most MaxSample bytes of them, so a large file is judged quickly and a
    // file that begins with plain ASCII by its later lines.
    static QByteArray russianSample(QByteArrayView bytes);

    static constexpr qsizetype MaxSample = 16 * 1024;
    static constexpr qsizetype MaxSampleLine = 1024;  // of a longer line, the bytes around the first non-ASCII one
};
