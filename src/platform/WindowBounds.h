#pragma once

#include <QList>
#include <QRect>

// Where a main window may be put back from stored bounds.
class WindowBounds
{
public:
    // wanted (frame position, size of the client area) moved and shrunk so
    // that the window is no larger than the available area of a screen and
    // its whole title bar lies on that screen: the screen the title bar
    // overlaps most, or the nearest one. Very small sizes grow to
    // MinimumSize. Without screens wanted comes back unchanged.
    static QRect fit(const QRect& wanted, const QList<QRect>& availableScreens, int titleBarHeight);

    static constexpr int MinimumSize = 100;
};
