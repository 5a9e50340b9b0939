#include "dialogs/TextPattern.h"

#include <memory>

namespace {

// The simple case folding of every UTF-16 unit; surrogates stand for
// themselves, so a pattern without them never matches half a pair.
const char16_t* foldTable()
{
    static const std::unique_ptr<char16_t[]> table = [] {
        auto folds = std::make_unique<char16_t[]>(0x10000);
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            const bool surrogate = unit >= 0xD800 && unit < 0xE000;
            folds[unit] = surrogate ? char16_t(unit) : char16_t(QChar::toCaseFolded(unit));
        }
        return folds;
    }();
    return table.get();
}

} // namespace

TextPattern::TextPattern(QStringView what, Qt::CaseSensitivity cs)
    : m_what(what.toString())
    , m_cs(cs)
{
    if (cs == Qt::CaseSensitive || what.isEmpty())
        return;
    for (const QChar ch : what) {
        if (ch.isSurrogate())
            return;  // folded as whole code points by QStringView::indexOf
    }
    const char16_t* fold = foldTable();
    m_folded = true;
    const qsizetype length = what.size();
    m_fold.reserve(size_t(length));
    for (const QChar ch : what)
        m_fold.push_back(fold[ch.unicode()]);
    m_skip.fill(length);
    for (qsizetype i = 0; i + 1 < length; ++i)
        m_skip[m_fold[size_t(i)] & 0xFF] = length - 1 - i;
}

qsizetype TextPattern::indexIn(QStringView text, qsizetype from) const
{
    if (m_what.isEmpty() || from < 0 || from > text.size())
        return -1;
    if (!m_folded)
        return text.indexOf(m_what, from, m_cs);

    const char16_t* fold = foldTable();
    const char16_t* data = text.utf16();
    const qsizetype length = qsizetype(m_fold.size());
    const qsizetype lastStart = text.size() - length;
    const char16_t lastFold = m_fold.back();
    for (qsizetype at = from; at <= lastStart;) {
        const char16_t end = fold[data[at + length - 1]];
        if (end == lastFold) {
            qsizetype i = length - 2;
            while (i >= 0 && fold[data[at + i]] == m_fold[size_t(i)])
                --i;
            if (i < 0)
                return at;
        }
        at += m_skip[end & 0xFF];
    }
    return -1;
}
