#include "platform/SpellWordScanner.h"

#include <QVarLengthArray>

namespace {

bool isLetterOrMark(QChar ch)
{
    return ch.isLetter() || ch.isMark();
}

bool isWordChar(QChar ch)
{
    return isLetterOrMark(ch) || ch.isNumber() || ch == u'_';
}

// "<" opens a tag only before a name, "/", "!" or "?", so "a < b" is prose.
bool opensTag(QStringView text, qsizetype at)
{
    if (at + 1 >= text.size())
        return false;
    const QChar next = text[at + 1];
    return next.isLetter() || next == u'/' || next == u'!' || next == u'?';
}

// "&name;" or "&#123;": the length of the reference at `at`, or 0.
qsizetype referenceLength(QStringView text, qsizetype at)
{
    qsizetype end = at + 1;
    while (end < text.size() && end - at <= 32 && (text[end].isLetterOrNumber() || text[end] == u'#'))
        ++end;
    if (end < text.size() && end > at + 1 && text[end] == u';')
        return end + 1 - at;
    return 0;
}

// A stretch without blanks that is an address, an e-mail, a file name or an
// abbreviation with dots rather than prose.
bool looksLikeAddress(QStringView chunk)
{
    if (chunk.contains(u'@') || chunk.contains(u"://") || chunk.contains(u"www.", Qt::CaseInsensitive))
        return true;
    for (qsizetype i = 1; i + 1 < chunk.size(); ++i) {
        if (chunk[i] == u'.' && chunk[i - 1].isLetterOrNumber() && chunk[i + 1].isLetterOrNumber())
            return true;
    }
    return false;
}

} // namespace

bool SpellWordScanner::isApostrophe(QChar ch)
{
    return ch == u'\'' || ch == u'\u2019' || ch == u'\u02BC';
}

bool SpellWordScanner::isHyphen(QChar ch)
{
    return ch == u'-' || ch == u'\u2010' || ch == u'\u2011';
}

bool SpellWordScanner::isExempt(QStringView word)
{
    int letters = 0;
    bool allUpper = true;
    for (QChar ch : word) {
        if (!ch.isLetter())
            continue;
        ++letters;
        if (!ch.isUpper())
            allUpper = false;
    }
    return letters <= 1 || allUpper;
}

QString SpellWordScanner::withoutMarks(QStringView word)
{
    bool hasMark = false;
    for (QChar ch : word)
        hasMark = hasMark || ch.isMark();
    if (!hasMark)
        return word.toString();
    // Composed first, so that "й" written as "и" and a breve stays "й".
    QString composed = word.toString().normalized(QString::NormalizationForm_C);
    composed.removeIf([](QChar ch) { return ch.isMark(); });
    return composed;
}

QList<SpellWordScanner::Word> SpellWordScanner::words(QStringView text)
{
    const qsizetype n = text.size();
    // Mark-up counts as blank.
    QVarLengthArray<bool, 512> markup(n, false);
    for (qsizetype i = 0; i < n;) {
        qsizetype end = i;
        if (text[i] == u'<' && opensTag(text, i)) {
            const qsizetype close = text.indexOf(u'>', i + 1);
            end = close < 0 ? n : close + 1;
        } else if (text[i] == u'&') {
            end = i + referenceLength(text, i);
        }
        if (end == i) {
            ++i;
            continue;
        }
        std::fill(markup.begin() + i, markup.begin() + end, true);
        i = end;
    }

    QList<Word> found;
    qsizetype i = 0;
    while (i < n) {
        // One stretch without blanks or mark-up.
        while (i < n && (markup[i] || text[i].isSpace()))
            ++i;
        const qsizetype chunkStart = i;
        while (i < n && !markup[i] && !text[i].isSpace())
            ++i;
        const qsizetype chunkEnd = i;
        if (chunkEnd == chunkStart || looksLikeAddress(text.sliced(chunkStart, chunkEnd - chunkStart)))
            continue;

        for (qsizetype at = chunkStart; at < chunkEnd;) {
            if (!isWordChar(text[at])) {
                ++at;
                continue;
            }
            const qsizetype start = at;
            bool hasDigit = false;
            while (at < chunkEnd) {
                const QChar ch = text[at];
                if (isLetterOrMark(ch)) {
                    ++at;
                } else if (ch.isNumber() || ch == u'_') {
                    hasDigit = true;
                    ++at;
                } else if ((isApostrophe(ch) || isHyphen(ch)) && at + 1 < chunkEnd && isWordChar(text[at + 1])
                           && text[at + 1] != u'_') {
                    ++at;
                } else {
                    break;
                }
            }
            const bool attributeName = at < chunkEnd && text[at] == u'=';
            const QStringView word = text.sliced(start, at - start);
            if (!hasDigit && !attributeName && !isExempt(word))
                found.append(Word {start, at - start});
        }
    }
    return found;
}
