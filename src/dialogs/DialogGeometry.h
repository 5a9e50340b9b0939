#pragma once

#include "platform/Twips.h"

#include <QDialog>
#include <QWidget>

// Dialog layouts are drawn in twips; these place controls and size a
// dialog in pixels at the screen's logical resolution.
namespace DialogGeometry {

inline void place(QWidget* widget, int left, int top, int width, int height)
{
    const double dpiX = widget->logicalDpiX();
    const double dpiY = widget->logicalDpiY();
    widget->setGeometry(Twips::toPixels(left, dpiX), Twips::toPixels(top, dpiY), Twips::toPixels(width, dpiX),
                        Twips::toPixels(height, dpiY));
}

// A fixed client area, a title bar with the close box only.
inline void makeFixed(QDialog* dialog, int width, int height)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog->setFixedSize(Twips::toPixels(width, dialog->logicalDpiX()),
                         Twips::toPixels(height, dialog->logicalDpiY()));
}

} // namespace DialogGeometry
