#include "platform/WindowBounds.h"

#include <algorithm>

namespace {

qint64 overlap(const QRect& a, const QRect& b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : qint64(both.width()) * both.height();
}

// How far point lies outside rect, squared.
qint64 distance(const QRect& rect, const QPoint& point)
{
    const qint64 dx = point.x() < rect.left() ? rect.left() - point.x()
                    : point.x() > rect.right() ? point.x() - rect.right() : 0;
    const qint64 dy = point.y() < rect.top() ? rect.top() - point.y()
                    : point.y() > rect.bottom() ? point.y() - rect.bottom() : 0;
    return dx * dx + dy * dy;
}

} // namespace

QRect WindowBounds::fit(const QRect& wanted, const QList<QRect>& availableScreens, int titleBarHeight)
{
    if (availableScreens.isEmpty())
        return wanted;
    const QRect titleBar(wanted.x(), wanted.y(), std::max(wanted.width(), 1), std::max(titleBarHeight, 1));
    const QRect* screen = &availableScreens.front();
    qint64 best = -1;
    for (const QRect& candidate : availableScreens) {
        const qint64 shared = overlap(candidate, titleBar);
        if (shared > best) {
            best = shared;
            screen = &candidate;
        }
    }
    if (best == 0) {
        qint64 nearest = -1;
        for (const QRect& candidate : availableScreens) {
            const qint64 d = distance(candidate, titleBar.center());
            if (nearest < 0 || d < nearest) {
                nearest = d;
                screen = &candidate;
            }
        }
    }
    const QRect& area = *screen;
    const int titleHeight = std::clamp(titleBarHeight, 0, area.height());
    const int width = std::clamp(wanted.width(), std::min(MinimumSize, area.width()), area.width());
    const int maxHeight = std::max(area.height() - titleHeight, 1);
    const int height = std::clamp(wanted.height(), std::min(MinimumSize, maxHeight), maxHeight);
    const int x = std::clamp(wanted.x(), area.left(), area.left() + area.width() - width);
    const int y = std::clamp(wanted.y(), area.top(), area.top() + area.height() - std::max(titleHeight, 1));
    return QRect(x, y, width, height);
}
