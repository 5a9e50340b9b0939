#pragma once

#include <QObject>

class MainMenu;
class MainToolBar;
class QAction;

// The enabled states that the main window's 10 ms timer keeps in line with
// the active document. A pass writes every item; nothing here depends on
// the size of the document or of the selection.
//
// A pass is due only when something it reads or writes may have changed
// since the last one (the main window reports the active window, caption,
// selection, clipboard and focus changes through markDue(); the items
// written here report their own changes). A tick with nothing due would
// write what is already there, so it returns at once: the idle program costs
// no more than the timer itself.
class StateRefresh : public QObject
{
    Q_OBJECT
public:
    StateRefresh(MainToolBar* toolBar, MainMenu* menu, QObject* parent = nullptr);

    bool isDue() const { return m_due; }
    void markDue();

    // No document window is active.
    void passA();
    // A document window is active.
    void passB(bool clipboardHasText, bool selectionEmpty, bool untitled);

private:
    void enable(QAction* item, bool enabled);
    void beginPass();
    void watch(QAction* item);

    MainToolBar* m_toolBar;
    MainMenu* m_menu;
    bool m_due = true;
    bool m_writing = false;  // our own writes do not make the next pass due
};
