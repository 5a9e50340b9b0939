#include "app/MdiTiling.h"

#include <QMdiArea>
#include <QMdiSubWindow>

void MdiTiling::tileHorizontally(QMdiArea* area)
{
    tile(area, true);
}

void MdiTiling::tileVertically(QMdiArea* area)
{
    tile(area, false);
}

void MdiTiling::tile(QMdiArea* area, bool stacked)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area->subWindowList(QMdiArea::CreationOrder)) {
        if (window->isVisible() && !window->isMinimized())
            windows.append(window);
    }
    if (windows.isEmpty())
        return;
    const QRect space = area->viewport()->rect();
    const int count = int(windows.size());
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* window = windows.at(i);
        if (window->isMaximized())
            window->showNormal();
        QRect cell;
        if (stacked) {
            const int top = space.height() * i / count;
            const int bottom = space.height() * (i + 1) / count;
            cell = QRect(0, top, space.width(), bottom - top);
        } else {
            const int left = space.width() * i / count;
            const int right = space.width() * (i + 1) / count;
            cell = QRect(left, 0, right - left, space.height());
        }
        window->setGeometry(cell);
    }
}
