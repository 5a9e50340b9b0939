#include "app/MainStatusBar.h"

#include "app/StatusPanelStrip.h"
#include "app/UiTexts.h"
#include "platform/KeyLockState.h"
#include "platform/Twips.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTimer>
#include <QWindow>

MainStatusBar::MainStatusBar(QWidget* parent)
    : QStatusBar(parent)
    , m_locks(new KeyLockState(this))
    , m_clock(new QTimer(this))
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
    refreshKeyStates();

    // The clock also picks up lock keys pressed while another program had
    // the keyboard.
    m_clock->setObjectName(QStringLiteral("sbClock"));
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, [this] {
        refreshClock();
        m_locks->update();
        refreshKeyStates();
    });
    m_clock->start();
    refreshClock();
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
}
