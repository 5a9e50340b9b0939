#include "platform/KeyLockState.h"

#include <QGuiApplication>
#include <QKeyEvent>

#if defined(PERGALOT_HAVE_XKB)
#include <X11/XKBlib.h>

namespace {

bool x11Available()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 && x11->display();
}

// Bit 0 is CAPS LOCK, bit 1 NUM LOCK; false when the server cannot be asked.
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
    refresh();
}

void KeyLockState::watch(QObject* window)
{
    if (window && !m_watched.contains(window)) {
        m_watched.append(window);
        window->installEventFilter(this);
    }
}

bool KeyLockState::readsWindowSystem() const
{
#if defined(PERGALOT_HAVE_XKB)
    return x11Available();
#else
    return false;
#endif
}

bool KeyLockState::numLock()
{
    refresh();
    return m_num;
}

bool KeyLockState::capsLock()
{
    refresh();
    return m_caps;
}

bool KeyLockState::refresh()
{
#if defined(PERGALOT_HAVE_XKB)
    unsigned int indicators = 0;
    if (x11Indicators(&indicators)) {
        const bool caps = indicators & 0x1;
        const bool num = indicators & 0x2;
        const bool changedNow = caps != m_caps || num != m_num;
        m_caps = caps;
        m_num = num;
        return changedNow;
    }
#endif
    return false;
}

bool KeyLockState::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_NumLock || key == Qt::Key_CapsLock) {
            if (!readsWindowSystem()) {
                if (key == Qt::Key_NumLock)
                    m_num = !m_num;
                else
                    m_caps = !m_caps;
            } else {
                refresh();
            }
            emit changed();
        }
    }
    return QObject::eventFilter(watched, event);
}
