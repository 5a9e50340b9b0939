#pragma once

#include "commands/CommandContext.h"

#include <QList>
#include <QString>
#include <QStringView>

// The search and replace behind the find dialog, on whichever document is
// active when a command runs. FindPos is the 1-based position in the active
// document's text of the start of the last match, 0 when there is none; it
// belongs to the search, not to a document, so switching documents keeps it.
class FindReplace
{
public:
    enum class Outcome {
        NothingToDo,  // no active document, or nothing to search for
        Found,        // the match is selected
        NotFound,     // FindPos is 0 again
        Replaced,     // a Replace All pass ran to the end
    };

    explicit FindReplace(CommandContext context);

    qsizetype FindPos() const { return m_findPos; }

    // "Найти": from the start of the text.
    Outcome find(const QString& what, Qt::CaseSensitivity cs);
    // "Найти далее": one character after the start of the last match, so
    // overlapping matches are found too.
    Outcome findNext(const QString& what, Qt::CaseSensitivity cs);
    // "Заменить": the current selection (whatever it holds) becomes `with`,
    // then the search goes on as findNext does.
    Outcome replace(const QString& what, const QString& with, Qt::CaseSensitivity cs);
    // "Заменить всё": the selection becomes `with`, then every match from
    // FindPos onwards, never looking into text just inserted. One undo step.
    Outcome replaceAll(const QString& what, const QString& with, Qt::CaseSensitivity cs);

    // 1-based position of the first occurrence of `what` starting at or after
    // the 1-based position `start`, or 0.
    static qsizetype search(QStringView text, QStringView what, qsizetype start, Qt::CaseSensitivity cs);
    // The 0-based starts of the matches a Replace All pass replaces when it
    // searches from the 1-based position `start`: each search resumes right
    // after the previous match, as the text after a replacement is the
    // original text after the match.
    static QList<qsizetype> replaceAllMatches(QStringView text, QStringView what, qsizetype start,
                                              Qt::CaseSensitivity cs);

private:
    Outcome searchStep(RichTextBox* editor, const QString& what, Qt::CaseSensitivity cs);

    CommandContext m_context;
    qsizetype m_findPos = 0;
};
