#pragma once

#include "platform/BuiltInPng.h"

#include <QIcon>

inline const QString ProgramIconPath = QStringLiteral(":/icons/pergalot-64.png");

// The program's icon, drawn at 64 pixels and scaled down where it is shown
// smaller.
inline QIcon ProgramIcon()
{
    return QIcon(readBuiltInPng(ProgramIconPath));
}
