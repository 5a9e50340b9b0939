#pragma once

#include "platform/Twips.h"

#include <QDialog>
#include <QFont>
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

// Where MS Sans Serif is missing, faces of about its width stand in for it
// before any wider sans serif does.
inline QFont msSansSerif()
{
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                                    QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                                    QStringLiteral("Helvetica")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// The layouts are drawn for 8-point MS Sans Serif, or the nearest face
// installed.
inline void useFormFont(QWidget* widget)
{
    QFont font = msSansSerif();
    font.setPointSize(8);
    widget->setFont(font);
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
