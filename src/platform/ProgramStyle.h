#pragma once

#include <QProxyStyle>

// The program's style: the platform's, with two changes.
// - The menu bar's own keyboard mode (Alt alone, then the arrows) is on, as
//   in the desktop's other editors.
// - The style's own icons (the menu bar's and toolbar's overflow arrows,
//   the document window's system menu) are read when first drawn, not when
//   the widgets are made: reading the first of them makes Qt load every
//   image plugin, which the start of the program should not wait for.
class ProgramStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
    QIcon standardIcon(StandardPixmap which, const QStyleOption* option, const QWidget* widget) const override;
};
