#include "app/WindowListMenu.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

WindowListMenu::WindowListMenu(QMenu* menu, QMdiArea* area)
    : QObject(menu)
    , m_menu(menu)
    , m_area(area)
{
    connect(menu, &QMenu::aboutToShow, this, &WindowListMenu::rebuild);
}

void WindowListMenu::rebuild()
{
    qDeleteAll(m_entries);
    m_entries.clear();
    delete m_separator;
    m_separator = nullptr;

    const QList<QMdiSubWindow*> windows = m_area->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    m_separator = m_menu->addSeparator();
    QMdiSubWindow* current = m_area->currentSubWindow();
    int number = 0;
    for (QMdiSubWindow* window : windows) {
        ++number;
        QString title = window->windowTitle();
        title.replace(QLatin1Char('&'), QLatin1String("&&"));
        const QString text = number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                         : QStringLiteral("%1 %2").arg(number).arg(title);
        QAction* entry = m_menu->addAction(text);
        entry->setCheckable(true);
        entry->setChecked(window == current);
        QPointer<QMdiSubWindow> target(window);
        connect(entry, &QAction::triggered, m_area, [area = m_area, target] {
            if (target)
                area->setActiveSubWindow(target);
        });
        m_entries.append(entry);
    }
}
