#pragma once

#include <QIcon>
#include <QPixmap>

// The program's icon, drawn at 64 pixels and scaled down where it is shown
// smaller. Read as the PNG it is: left to guess the format, Qt would load
// every image plugin at start-up to ask it.
inline QIcon ProgramIcon()
{
    return QIcon(QPixmap(QStringLiteral(":/icons/pergalot-64.png"), "PNG"));
}
