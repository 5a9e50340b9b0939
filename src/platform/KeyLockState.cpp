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

// The atoms of the two indicators' names, asked of the server in one round
// trip until it knows both; None for a name it does not know yet.
struct IndicatorNames
{
    Atom num = 0;
    Atom caps = 0;
};

const IndicatorNames& indicatorNames(Display* display)
{
    static IndicatorNames names;
    if (names.num == 0 || names.caps == 0) {
        char* wanted[2] = {const_cast<char*>("Num Lock"), const_cast<char*>("Caps Lock")};
        Atom atoms[2] = {0, 0};
        XInternAtoms(display, wanted, 2, True, atoms);  // zero for a name not yet known
        names = IndicatorNames{atoms[0], atoms[1]};
    }
    return names;
}

// An indicator found by its name, wherever the keymap puts it among the
// indicators; false when the keymap has none of that name.
bool namedIndicator(Display* display, Atom name, bool* on)
{
    Bool state = False;
    if (name == 0 || !XkbGetNamedIndicator(display, name, nullptr, &state, nullptr, nullptr))
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
    const IndicatorNames names = display ? indicatorNames(display) : IndicatorNames();
    if (display && namedIndicator(display, names.num, &num) && namedIndicator(display, names.caps, &caps)) {
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
