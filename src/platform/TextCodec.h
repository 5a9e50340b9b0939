#pragma once

#include <QByteArray>
#include <QString>

// The 8-bit text of documents, tags.lst and pergalot.ini. Files are written in
// the system code page; text that code page cannot hold goes out as UTF-8 with
// a byte-order mark rather than being lost. Reading accepts both, and falls
// back to Windows-1251 for files from Russian Windows machines.
class TextCodec
{
public:
    static QString decode(const QByteArray& bytes);
    static QByteArray encode(const QString& text);
};
