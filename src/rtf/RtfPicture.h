#pragma once

#include <QByteArray>
#include <QSizeF>

// One \pict group taken apart: the picture's bytes (from its hex digits or
// its \bin data), what kind of picture they are, the sizes the group gives,
// and the group's RTF without the data, which the writer puts the bytes
// back into.
class RtfPicture
{
public:
    enum class Kind { Unknown, Png, Jpeg, Emf, Wmf, Other };

    // [from, to) is the whole group, "{\pict ... }". Never reads outside it.
    static RtfPicture parse(const char* from, const char* to);

    // PNG and JPEG whose bytes start as such pictures do: the editor can
    // show them.
    bool isShowable() const;
    // The size to show it at, in pixels of 1/96 inch: \picwgoal/\pichgoal
    // (else \picw/\pich, else the picture's own size) scaled by
    // \picscalex/\picscaley, within sane bounds.
    QSizeF displaySize() const;

    Kind kind = Kind::Unknown;
    QByteArray bytes;
    QByteArray header;  // "{\pict ...": everything but the data and the closing brace
    int width = 0;      // \picw
    int height = 0;     // \pich
    int goalWidth = 0;  // \picwgoal, twips
    int goalHeight = 0;
    int scaleX = 100;   // \picscalex, percent
    int scaleY = 100;
};
