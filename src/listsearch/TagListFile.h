#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// tags.lst: one tag name per line, in file order. A carriage return, alone or
// followed by a line feed, ends a line; a line feed alone is part of the
// name. Empty lines are skipped and every other line is kept whole, spaces
// and all. The bytes are decoded as every 8-bit text file of the program is
// (TextCodec), so a byte-order mark never becomes part of the first name.
class TagListFile
{
public:
    // Error numbers of a failed read; 0 means the file was read to its end.
    enum Error {
        NoError = 0,
        FileNotFound = 53,
        DeviceIoError = 57,
        PermissionDenied = 70,
        PathFileAccessError = 75,
    };

    struct Result
    {
        // The names read, case-converted; after a failure, those read before it.
        QStringList entries;
        int error = NoError;
        QString description;  // why the read failed, in Russian
    };

    // Reads the file afresh; each name is upper-cased when upper is true,
    // lower-cased otherwise.
    static Result read(const QString& path, bool upper);

    // The names held in the text of a tag list file.
    static QStringList parse(const QString& text, bool upper);
    static QStringList parse(const QByteArray& bytes, bool upper);
};
