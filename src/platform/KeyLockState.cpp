#include "platform/KeyLockState.h"

#include <QGuiApplication>
#include <QKeyEvent>

#if defined(PERGALOT_HAVE_XKB)
#include <X11/XKBlib.h>

namespace {

Display* x11Display()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

// An indicator found by its name, wherever the keymap puts it among the
// indicators; false when the keymap has none of that name.
bool namedIndicator(Display* display, const char* name, Atom* atom, bool* on)
{
    if (*atom == 0)  // asked of the server once
        *atom = XInternAtom(display, name, True);
    Bool state = False;
    if (*atom == 0 || !XkbGetNamedIndicator(display, *atom, nullptr, &state, nullptr, nullptr))
        return false;
    *on = state;
    return true;
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
    Display* display = x11Display();
    bool num = false;
    bool caps = false;
    static Atom numName = 0;
    static Atom capsName = 0;
    if (display && namedIndicator(display, "Num Lock", &numName, &num)
        && namedIndicator(display, "Caps Lock", &capsName, &caps)) {
        m_num = num;
        m_caps = caps;
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
