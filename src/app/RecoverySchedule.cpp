#include "app/RecoverySchedule.h"

#include <QTimer>

RecoverySchedule::RecoverySchedule(QObject* parent)
    : QObject(parent)
    , m_pause(new QTimer(this))
    , m_longest(new QTimer(this))
{
    for (QTimer* timer : {m_pause, m_longest}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, &RecoverySchedule::fire);
    }
    m_pause->setInterval(PauseMs);
    m_longest->setInterval(LongestMs);
}

void RecoverySchedule::changed()
{
    m_pause->start();
    if (!m_longest->isActive())
        m_longest->start();
}

void RecoverySchedule::stop()
{
    m_pause->stop();
    m_longest->stop();
}

bool RecoverySchedule::isPending() const
{
    return m_pause->isActive() || m_longest->isActive();
}

void RecoverySchedule::fire()
{
    stop();
    emit due();
}
