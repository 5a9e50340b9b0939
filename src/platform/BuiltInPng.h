#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

// The program's own pictures: PNGs compiled into it, read by libpng itself.
// Qt's reader, even with the format named, first looks through its image
// plugins (reading each plugin file, loading the libraries of all of them
// when left to detect the format), work the start of the program does not
// need.

// Decodes a compiled-in PNG. Makes no Qt object, so any thread may call it,
// also before the application object exists. A null image when the
// resource is missing or not a PNG.
QImage decodeBuiltInPng(const QString& path);

// Decodes the pictures now, on the calling thread, for readBuiltInPng to
// take later.
void decodeBuiltInPngsAhead(const QStringList& paths);

// The picture, taken from those decoded ahead or else decoded now.
QPixmap readBuiltInPng(const QString& path);
