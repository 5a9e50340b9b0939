#pragma once

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;

// The main window's menu bar: every menu and item under its own name, in the
// order the user sees them, plus two menus never shown in the bar: the
// editor's context menu and the tag-completion options (whose items the
// Settings menu shows).
class MainMenu : public QObject
{
    Q_OBJECT
public:
    explicit MainMenu(QMenuBar* bar);

    QMenu* mnufile = nullptr;
    QAction* mnuFileNew = nullptr;
    QAction* mnuFileOpen = nullptr;
    QAction* mnuFileBar0 = nullptr;
    QAction* mnuFileSave = nullptr;
    QAction* mnuFileSaveAs = nullptr;
    QAction* mnuFileBar1 = nullptr;
    QAction* mnuFilePageSetup = nullptr;
    QAction* mnuFilePrint = nullptr;
    QAction* separator4 = nullptr;
    QAction* mnufiledelete = nullptr;
    QAction* mnuFileBar3 = nullptr;
    QAction* mnuFileExit = nullptr;

    QMenu* mnuedit = nullptr;
    QAction* mnuEditCut = nullptr;
    QAction* mnuEditCopy = nullptr;
    QAction* mnuEditPaste = nullptr;
    QAction* mnueditdelete = nullptr;
    QAction* separator0 = nullptr;
    QAction* mnueditselectall = nullptr;
    QAction* mnuedittemedate = nullptr;
    QAction* mnueditsimbol = nullptr;
    QAction* separator1 = nullptr;
    QAction* mnueditfind = nullptr;

    QMenu* mnuview = nullptr;
    QAction* mnuViewToolbar = nullptr;
    QAction* mnuViewStatusBar = nullptr;

    QMenu* mnutuning = nullptr;
    QAction* mnutuningfont = nullptr;
    QAction* mnutuningfontcolor = nullptr;
    QAction* mnutuningbaro = nullptr;
    QAction* mnutuningcapsenabled = nullptr;
    QAction* mnutuningcapsdisabled = nullptr;
    QAction* mnutuningbar1 = nullptr; // before the completion options
    QAction* mnutuningbar2 = nullptr; // before spelling, the last item
    QAction* mnutuningspellcheck = nullptr;

    QMenu* mnuwindow = nullptr;
    QAction* mnuWindowNewWindow = nullptr;
    QAction* mnuWindowBar0 = nullptr;
    QMenu* mnuwindowmakeselectMenu = nullptr;
    QAction* mnuwindowmakeselect = nullptr; // the submenu's own item
    QAction* mnuWindowCascade = nullptr;
    QAction* mnuWindowTileHorizontal = nullptr;
    QAction* mnuWindowTileVertical = nullptr;

    QMenu* mnuhelp = nullptr;
    QAction* mnuhelpHelp = nullptr;
    QAction* mnuhelpbar0 = nullptr;
    QAction* mnuHelpAbout = nullptr;

    QMenu* mnucontext = nullptr;
    QAction* mnucontextcut = nullptr;
    QAction* mnucontextcopy = nullptr;
    QAction* mnucontxtpaste = nullptr;
    QAction* mnucontextdelete = nullptr;
    QAction* mnucontextbar0 = nullptr;
    QAction* mnucontextselectall = nullptr;
    QAction* mnucontextfont = nullptr;

    // Hidden; its items are shown in mnutuning.
    QMenu* mnuoptions = nullptr;
    QAction* mnuOptionsLower = nullptr;
    QAction* mnuOptionsUpper = nullptr;
    QAction* mnuOptionsComplete = nullptr;

private:
    QMenu* addMenu(QMenuBar* bar, const char* name, const QString& title);
    QAction* addItem(QMenu* menu, const char* name, const QString& caption,
                     const QKeySequence& shortcut);
    QAction* addItem(QMenu* menu, const char* name, const QString& caption);
    QAction* addSeparator(QMenu* menu, const char* name);
};
