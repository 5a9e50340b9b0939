#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// Finds the words of a paragraph that spelling looks at, and decides which of
// them it leaves alone.
//
// A word is a run of letters (with their combining marks), held together by
// an apostrophe or a hyphen between two letters: "don't", "кто-нибудь". Not
// looked at:
//  - mark-up: from a "<" that starts a tag ("<p", "</", "<!", "<?") to the
//    next ">", HTML character references ("&nbsp;", "&#171;"), and an
//    attribute name directly followed by "=" (a tag that goes on from the line
//    above);
//  - a run of letters that holds a digit or "_" ("h2o", "my_var");
//  - anything in a stretch without blanks that holds "://", "@" or
//    "www.", or a dot between two letters: addresses, e-mail, file names,
//    "т.е.";
//  - words typed in upper case (abbreviations) and single letters.
class SpellWordScanner
{
public:
    struct Word
    {
        qsizetype start = 0;
        qsizetype length = 0;
        friend bool operator==(const Word&, const Word&) = default;
    };

    // The words of text to check, in order.
    static QList<Word> words(QStringView text);

    // Whether spelling leaves this word alone however it is spelt: one letter,
    // or every letter in upper case.
    static bool isExempt(QStringView word);

    // The word with stress marks and other combining marks taken out, as the
    // dictionaries spell it.
    static QString withoutMarks(QStringView word);

    static bool isApostrophe(QChar ch);
    static bool isHyphen(QChar ch);
};
