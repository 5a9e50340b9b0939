#include "platform/KeyLockState.h"

#include <QGuiApplication>
#include <QKeyEvent>

#if defined(PERGALOT_HAVE_XKB)
#include <X11/XKBlib.h>

namespace {

// Bit 0 is CAPS LOCK, bit 1 NUM LOCK; false when there is no X server to ask.
bool x11Indicators(unsigned int* indicators)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    return display && XkbGetIndicatorState(display, XkbUseCoreKbd, indicators) == Success;
}

} // namespace

// X11's macros clash with Qt's enumerators below.
#undef KeyPress
#undef KeyRelease
#undef Bool
#undef Status
#undef None
#endif

KeyLockState::KeyLockState(QObject* parent)
    : QObject(parent)
{
    update();
}

void KeyLockState::watch(QObject* window)
{
    if (window && !m_watched.contains(window)) {
        m_watched.append(window);
        window->installEventFilter(this);
    }
}

bool KeyLockState::update()
{
#if defined(PERGALOT_HAVE_XKB)
    unsigned int indicators = 0;
    if (x11Indicators(&indicators)) {
        m_caps = indicators & 0x1;
        m_num = indicators & 0x2;
        return true;
    }
#endif
    return false;
}

bool KeyLockState::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_NumLock || key == Qt::Key_CapsLock) {
            if (!update()) {
                bool& state = key == Qt::Key_NumLock ? m_num : m_caps;
                state = !state;
            }
            emit changed();
        }
    }
    return QObject::eventFilter(watched, event);
}
