#pragma once

#include <QPixmap>
#include <QString>

// A PNG compiled into the program, read by Qt's built-in PNG reader. A
// reader left to detect the format (the default, even with the format
// named) asks every image-format plugin first, which loads their libraries
// (SVG, JPEG, GIF, ICO and what they pull in): work the start of the
// program does not need.
QPixmap readBuiltInPng(const QString& path);
