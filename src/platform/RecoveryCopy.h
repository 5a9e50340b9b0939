#pragma once

#include "platform/TextFileFormat.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One document with changes not yet saved, as its recovery copy keeps it:
// its caption (the file's path, or the name of an untitled document), what
// its plain-text file was (encoding, byte-order mark, line ends) and its
// content as RTF, so that its formatting comes back too.
//
// On disk a copy is a header of "name=value" lines (values percent-encoded
// UTF-8) and a blank line, then the RTF. The header gives the RTF's size and
// MD5 digest: a copy cut short or damaged is refused, never half restored.
struct RecoveryCopy
{
    QString caption;
    bool untitled = true;  // the caption is a name, not a path
    TextFileFormat format;
    // The content in pieces, to be written one after another; a copy that
    // was read has it in one piece.
    QList<QByteArray> rtf;

    QByteArray rtfBytes() const;
    // What the copy's file holds: the header, then the pieces.
    QList<QByteArray> fileBytes() const;
    // A copy from a file's bytes; nullopt when they are not a whole copy,
    // with the reason, in Russian, in problem. caption gets the caption
    // whenever the header could be read, a damaged copy's too.
    static std::optional<RecoveryCopy> read(const QByteArray& bytes, QString* problem = nullptr,
                                            QString* caption = nullptr);
};
