#pragma once

#include "commands/CommandContext.h"

#include <QString>

class QDate;
class QLocale;
class QTime;

// The Edit menu's commands and the editor's context-menu items that lead to
// them: cut, copy, paste, delete, select all, the time and date. The
// clipboard carries plain text only; paste reads it through SelRTF, so text
// that is RTF source goes in formatted.
//
// Cut, copy, paste and delete skip whatever step finds no editor or no
// clipboard and report nothing; select all and the time and date need an
// active document and do nothing without one.
class EditCommands
{
public:
    explicit EditCommands(CommandContext context);

    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnueditdelete_Click();
    void mnueditselectall_Click();
    void mnuedittemedate_Click();

    void mnucontextcut_Click();
    void mnucontextcopy_Click();
    void mnucontxtpaste_Click();
    void mnucontextdelete_Click();
    void mnucontextselectall_Click();

    // "14:05:09  06.12.2002" under ru_RU: the locale's time with seconds but
    // without a time-zone name, two spaces, the locale's short date.
    static QString timeAndDate(const QLocale& locale, const QTime& time, const QDate& date);

private:
    CommandContext m_context;
};
