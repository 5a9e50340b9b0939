#include "app/CaretBlinkTimeout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

CaretBlinkTimeout::CaretBlinkTimeout(QObject* parent, int timeoutMs)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(timeoutMs);
    connect(&m_timer, &QTimer::timeout, this, &CaretBlinkTimeout::stopBlinking);
    m_timer.start();
    qApp->installEventFilter(this);
}

CaretBlinkTimeout::~CaretBlinkTimeout()
{
    resumeBlinking();
}

bool CaretBlinkTimeout::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::InputMethod:
        resumeBlinking();
        m_timer.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// A flash time of 0 shows the caret steadily; editors follow the change.
void CaretBlinkTimeout::stopBlinking()
{
    QStyleHints* hints = QGuiApplication::styleHints();
    if (!isBlinking() || hints->cursorFlashTime() <= 0)
        return;
    m_flashTime = hints->cursorFlashTime();
    hints->setCursorFlashTime(0);
}

void CaretBlinkTimeout::resumeBlinking()
{
    if (isBlinking())
        return;
    QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
    m_flashTime = -1;
}
