#pragma once

#include <QFont>

// The platform may name the interface font by an alias ("Sans Serif"),
// which fontconfig resolves to an installed font. Qt finds no font of that
// name for the scripts it draws, and for each (Latin, then Cyrillic) sorts
// every installed font to find what stands in for it, a good part of the
// first paint. Naming the font fontconfig picks draws the same letters
// without that.

// The font fontconfig picks for the given one, by name; the given font
// when it names an installed family itself or fontconfig has no answer.
QFont resolvedFont(const QFont& font);

// Makes the application's font the resolved one. Call it before the first
// widget.
void useResolvedInterfaceFont();
