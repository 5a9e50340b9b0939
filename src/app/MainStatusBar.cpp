#include "app/MainStatusBar.h"

#include "app/StatusPanelStrip.h"
#include "platform/KeyLockState.h"
#include "platform/Twips.h"
#include "texts/UiTexts.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QTimer>
#include <QWindow>

MainStatusBar::MainStatusBar(QWidget* parent)
    : QStatusBar(parent)
    , m_locks(new KeyLockState(this))
    , m_clock(new QTimer(this))
    , m_lockPoll(new QTimer(this))
    , m_strip(new StatusPanelStrip(this))
{
    setObjectName(QStringLiteral("sbStatusBar"));
    setSizeGripEnabled(true);
    addWidget(m_strip, 1);

    addPanel(UiTexts::StatusPanelDesign, UiTexts::StatusTipStatus, 2540, true);
    addPanel(UiTexts::StatusNum, UiTexts::StatusTipNum, 970, false);
    addPanel(UiTexts::StatusCaps, UiTexts::StatusTipCaps, 970, false);
    addPanel(UiTexts::StatusIns, UiTexts::StatusTipIns, 970, false);
    addPanel(QString(), UiTexts::StatusTipDate, 1773, false);
    addPanel(QString(), UiTexts::StatusTipTime, 1323, false);

    setOverwriteMode(false);
    connect(m_locks, &KeyLockState::changed, this, &MainStatusBar::refreshKeyStates);
    // While the program is active, the lock keys pressed reach its window.
    // Pressed in another program, they are picked up by asking the window
    // system every second until the program is active again.
    m_canReadLocks = m_locks->update();
    m_lockPoll->setObjectName(QStringLiteral("sbLockPoll"));
    m_lockPoll->setInterval(1000);
    connect(m_lockPoll, &QTimer::timeout, this, &MainStatusBar::readKeyStates);
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, &MainStatusBar::followApplicationState);
    followApplicationState(QGuiApplication::applicationState());
    refreshKeyStates();

    // The clock wakes up when the text it shows changes, not more often.
    m_clock->setObjectName(QStringLiteral("sbClock"));
    m_clock->setSingleShot(true);
    m_clock->setTimerType(Qt::PreciseTimer);
    connect(m_clock, &QTimer::timeout, this, &MainStatusBar::refreshClock);
    refreshClock();
}

void MainStatusBar::followApplicationState(Qt::ApplicationState state)
{
    if (state == Qt::ApplicationActive) {
        m_lockPoll->stop();
        readKeyStates();
    } else if (m_canReadLocks) {
        m_lockPoll->start();
    }
}

void MainStatusBar::readKeyStates()
{
    m_locks->update();
    refreshKeyStates();
}

QLabel* MainStatusBar::Panel(int index) const
{
    if (index < 1 || index > m_panels.size())
        return nullptr;
    return m_panels.at(index - 1);
}

QLabel* MainStatusBar::addPanel(const QString& text, const QString& toolTip, int widthTwips, bool stretch)
{
    QLabel* panel = m_strip->addPanel(Twips::toPixels(widthTwips, logicalDpiX()));
    panel->setText(text);
    panel->setObjectName(QStringLiteral("sbPanel%1").arg(m_panels.size() + 1));
    panel->setToolTip(toolTip);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    if (!stretch)
        panel->setAlignment(Qt::AlignCenter);
    m_panels.append(panel);
    return panel;
}

void MainStatusBar::showEvent(QShowEvent* event)
{
    QStatusBar::showEvent(event);
    m_locks->watch(window()->windowHandle());
}

void MainStatusBar::setOverwriteMode(bool overwrite)
{
    Panel(4)->setEnabled(overwrite);
}

void MainStatusBar::refreshKeyStates()
{
    Panel(2)->setEnabled(m_locks->numLock());
    Panel(3)->setEnabled(m_locks->capsLock());
}

void MainStatusBar::refreshClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    const QString date = locale.toString(now.date(), QLocale::ShortFormat);
    const QString time = locale.toString(now.time(), QLocale::ShortFormat);
    if (Panel(5)->text() != date)
        Panel(5)->setText(date);
    if (Panel(6)->text() != time)
        Panel(6)->setText(time);
    // The next change: the next second where the time shows seconds,
    // otherwise the next minute (the date changes with a minute too).
    const bool seconds = locale.timeFormat(QLocale::ShortFormat).contains(u's');
    const int intoPeriod = (seconds ? 0 : now.time().second() * 1000) + now.time().msec();
    m_clock->start((seconds ? 1000 : 60000) - intoPeriod + 1);
}
