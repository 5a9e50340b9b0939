#pragma once

#include <QByteArray>
#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

// The installed font fontconfig picks for a family name, as Qt asks it for
// a font's stand-ins.
struct FontMatch
{
    QString family;  // empty when fontconfig has no answer
    QByteArray file;
};

// Asks fontconfig. Makes no Qt object, so any thread may call it, also
// before the application object exists.
FontMatch matchFont(const QString& family);

// Asks now, on the calling thread, and keeps the answers for resolvedFont.
QList<FontMatch> matchFontsAhead(const QStringList& families);

// The platform may name the interface font by an alias ("Sans Serif"),
// which fontconfig resolves to an installed font. Qt finds no font of that
// name for the scripts it draws, and for each (Latin, then Cyrillic) sorts
// every installed font to find what stands in for it, a good part of the
// first paint. Naming the font fontconfig picks draws the same letters
// without that.

// The given font named by the family fontconfig picks for it (a kept answer
// or one asked now); the given font when it names an installed family
// itself or fontconfig has no answer.
QFont resolvedFont(const QFont& font);

// Makes the application's font the resolved one. Call it before the first
// widget.
void useResolvedInterfaceFont();
