#pragma once

#include "platform/BuiltInPng.h"

#include <QIcon>

// The program's icon, drawn at 64 pixels and scaled down where it is shown
// smaller.
inline QIcon ProgramIcon()
{
    return QIcon(readBuiltInPng(QStringLiteral(":/icons/pergalot-64.png")));
}
