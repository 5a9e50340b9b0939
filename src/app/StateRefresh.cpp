#include "app/StateRefresh.h"

#include "app/MainMenu.h"
#include "app/MainToolBar.h"

#include <QAction>

StateRefresh::StateRefresh(MainToolBar* toolBar, MainMenu* menu, QObject* parent)
    : QObject(parent)
    , m_toolBar(toolBar)
    , m_menu(menu)
{
    // Whatever else enables or disables an item, or presses an alignment
    // button, is put right by the next pass.
    for (int position = 3; position <= MainToolBar::ButtonCount; ++position)
        watch(m_toolBar->Button(position));
    const MainMenu& m = *m_menu;
    for (QAction* item : {m.mnuFileSave, m.mnuFileSaveAs, m.mnuFilePrint, m.mnuFilePageSetup, m.mnufiledelete,
                          m.mnuEditCut, m.mnuEditCopy, m.mnuEditPaste, m.mnueditdelete, m.mnueditselectall,
                          m.mnuedittemedate, m.mnueditfind, m.mnutuningfont, m.mnutuningfontcolor,
                          m.mnuwindowmakeselect, m.mnueditsimbol, m.mnutuningcapsenabled,
                          m.mnutuningcapsdisabled, m.mnucontextcut, m.mnucontextcopy, m.mnucontxtpaste,
                          m.mnucontextdelete})
        watch(item);
}

void StateRefresh::watch(QAction* item)
{
    connect(item, &QAction::enabledChanged, this, &StateRefresh::markDue);
    if (item->isCheckable())
        connect(item, &QAction::toggled, this, &StateRefresh::markDue);
}

void StateRefresh::markDue()
{
    if (!m_writing)
        m_due = true;
}

void StateRefresh::beginPass()
{
    m_due = false;
}

void StateRefresh::enable(QAction* item, bool enabled)
{
    // The same outcome as writing every time, without Qt's bookkeeping for
    // a value that did not change.
    if (item->isEnabled() != enabled) {
        m_writing = true;
        item->setEnabled(enabled);
        m_writing = false;
    }
}

void StateRefresh::passA()
{
    beginPass();
    for (int position : {3, 5, 7, 8, 9, 11, 12, 13, 14})
        enable(m_toolBar->Button(position), false);
    m_writing = true;
    m_toolBar->releaseAlignment();
    m_writing = false;
    for (int position : {16, 17, 18})
        enable(m_toolBar->Button(position), false);
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
    beginPass();
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
