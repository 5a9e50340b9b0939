#include "app/StateRefresh.h"

#include "app/MainMenu.h"
#include "app/MainToolBar.h"

#include <QAction>

StateRefresh::StateRefresh(MainToolBar* toolBar, MainMenu* menu)
    : m_toolBar(toolBar)
    , m_menu(menu)
{
}

void StateRefresh::enable(QAction* item, bool enabled)
{
    // The same outcome as writing every time, without Qt's bookkeeping for
    // a value that did not change.
    if (item->isEnabled() != enabled)
        item->setEnabled(enabled);
}

void StateRefresh::passA()
{
    for (int position : {3, 5, 7, 8, 9, 11, 12, 13, 14})
        enable(m_toolBar->Button(position), false);
    for (int position : {16, 17, 18}) {
        if (MainToolBar::Value(m_toolBar->Button(position)) != 0)
            m_toolBar->setValue(m_toolBar->Button(position), 0);
        enable(m_toolBar->Button(position), false);
    }
    enable(m_toolBar->Button(20), false);

    const MainMenu& m = *m_menu;
    for (QAction* item : {m.mnuFileSave, m.mnuFileSaveAs, m.mnuFilePrint, m.mnuFilePageSetup,
                          m.mnuEditCut, m.mnuEditCopy, m.mnuEditPaste, m.mnueditdelete,
                          m.mnueditselectall, m.mnuedittemedate, m.mnueditfind, m.mnutuningfont,
                          m.mnutuningfontcolor, m.mnuwindowmakeselect, m.mnueditsimbol,
                          m.mnutuningcapsenabled, m.mnutuningcapsdisabled})
        enable(item, false);
}

void StateRefresh::passB(bool clipboardHasText, bool selectionEmpty, bool untitled)
{
    for (int position : {3, 5, 11, 12, 13, 14, 16, 17, 18, 20})
        enable(m_toolBar->Button(position), true);

    const MainMenu& m = *m_menu;
    for (QAction* item : {m.mnuFileSave, m.mnuFileSaveAs, m.mnuFilePrint, m.mnuFilePageSetup,
                          m.mnueditselectall, m.mnuedittemedate, m.mnueditfind, m.mnutuningfont,
                          m.mnutuningfontcolor, m.mnuwindowmakeselect, m.mnueditsimbol})
        enable(item, true);

    enable(m_toolBar->Button(9), clipboardHasText);
    enable(m.mnuEditPaste, clipboardHasText);
    enable(m.mnucontxtpaste, clipboardHasText);

    const bool hasSelection = !selectionEmpty;
    for (QAction* item : {m_toolBar->Button(8), m_toolBar->Button(7), m.mnuEditCut, m.mnucontextcut,
                          m.mnuEditCopy, m.mnucontextcopy, m.mnueditdelete, m.mnucontextdelete,
                          m.mnutuningcapsenabled, m.mnutuningcapsdisabled})
        enable(item, hasSelection);

    enable(m.mnufiledelete, !untitled);
}
