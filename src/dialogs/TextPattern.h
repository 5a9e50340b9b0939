#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <vector>

// A text to find, prepared once for many searches: case-sensitive, or
// case-insensitive under Unicode simple case folding (Latin, Cyrillic and
// the rest match their other case), giving the same matches as
// QStringView::indexOf. Case-insensitive searches run a Horspool scan over
// a table of folded characters, several times faster than folding each
// character through QChar.
class TextPattern
{
public:
    TextPattern(QStringView what, Qt::CaseSensitivity cs);

    // The 0-based position of the first match at or after `from`, or -1.
    // Nothing is found for an empty pattern.
    qsizetype indexIn(QStringView text, qsizetype from) const;

private:
    QString m_what;
    Qt::CaseSensitivity m_cs;
    bool m_folded = false;  // the Horspool scan applies
    std::vector<char16_t> m_fold;
    std::array<qsizetype, 256> m_skip {};
};
