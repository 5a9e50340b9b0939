#pragma once

#include <QList>
#include <QObject>

class QAction;
class QMdiArea;
class QMenu;

// Lists the open document windows at the end of the Window menu, the active
// one checked; choosing an entry activates that window. The list is made
// afresh each time the menu is about to show, and only then: an entry must
// outlive the activation it triggers.
class WindowListMenu : public QObject
{
    Q_OBJECT
public:
    WindowListMenu(QMenu* menu, QMdiArea* area);

    void rebuild();
    QList<QAction*> entries() const { return m_entries; }

private:
    QMenu* m_menu;
    QMdiArea* m_area;
    QAction* m_separator = nullptr;
    QList<QAction*> m_entries;
};
