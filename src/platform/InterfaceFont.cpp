#include "platform/InterfaceFont.h"

#include <QApplication>
#include <QFontDatabase>

#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>

namespace {

std::mutex keptMutex;

std::map<QString, FontMatch>& kept()
{
    static std::map<QString, FontMatch> matches;
    return matches;
}

FontMatch keptOrMatched(const QString& family)
{
    {
        const std::lock_guard lock(keptMutex);
        const auto found = kept().find(family);
        if (found != kept().end())
            return found->second;
    }
    return matchFont(family);
}

} // namespace

FontMatch matchFont(const QString& family)
{
    FontMatch answer;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return answer;
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* value = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &value) == FcResultMatch && value)
            answer.family = QString::fromUtf8(reinterpret_cast<const char*>(value));
        if (FcPatternGetString(match, FC_FILE, 0, &value) == FcResultMatch && value)
            answer.file = QByteArray(reinterpret_cast<const char*>(value));
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return answer;
}

QList<FontMatch> matchFontsAhead(const QStringList& families)
{
    QList<FontMatch> answers;
    for (const QString& family : families) {
        answers.append(matchFont(family));
        const std::lock_guard lock(keptMutex);
        kept()[family] = answers.last();
    }
    return answers;
}

QFont resolvedFont(const QFont& font)
{
    const QString family = font.family();
    const QString matched = keptOrMatched(family).family;
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
