#pragma once

class MainMenu;
class MainToolBar;
class QAction;

// The enabled states that the main window's 10 ms timer keeps in line with
// the active document. Every tick writes every item; nothing here depends on
// the size of the document or of the selection.
class StateRefresh
{
public:
    StateRefresh(MainToolBar* toolBar, MainMenu* menu);

    // No document window is active.
    void passA();
    // A document window is active.
    void passB(bool clipboardHasText, bool selectionEmpty, bool untitled);

private:
    void enable(QAction* item, bool enabled);

    MainToolBar* m_toolBar;
    MainMenu* m_menu;
};
