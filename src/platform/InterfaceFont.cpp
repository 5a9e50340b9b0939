#include "platform/InterfaceFont.h"

#include <QApplication>
#include <QFontDatabase>

#include <fontconfig/fontconfig.h>

namespace {

// The family of the installed font fontconfig matches to the name, as Qt
// asks it for a font's stand-ins; empty when it matches none.
QString matchedFamily(const QString& family)
{
    QString matched;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return matched;
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* value = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &value) == FcResultMatch && value)
            matched = QString::fromUtf8(reinterpret_cast<const char*>(value));
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return matched;
}

} // namespace

QFont resolvedFont(const QFont& font)
{
    const QString family = font.family();
    const QString matched = matchedFamily(family);
    if (matched.isEmpty() || matched.compare(family, Qt::CaseInsensitive) == 0
        || !QFontDatabase::families().contains(matched, Qt::CaseInsensitive))
        return font;
    QFont resolved = font;
    resolved.setFamily(matched);
    return resolved;
}

void useResolvedInterfaceFont()
{
    const QFont font = QApplication::font();
    const QFont resolved = resolvedFont(font);
    if (resolved.family() != font.family())
        QApplication::setFont(resolved);
}
