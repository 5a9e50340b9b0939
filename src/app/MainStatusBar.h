#pragma once

#include <QStatusBar>

class KeyLockState;
class QLabel;
class QTimer;
class StatusPanelStrip;

// The main window's status bar: a text panel, the NUM, CAPS and INS key
// indicators, and the current date and time. An indicator shows its text
// enabled while its state is on and greyed while it is off.
class MainStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    static constexpr int PanelCount = 6;

    explicit MainStatusBar(QWidget* parent = nullptr);

    QLabel* Panel(int index) const; // 1-based

    void setOverwriteMode(bool overwrite);
    void refreshKeyStates();
    void refreshClock();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void followApplicationState(Qt::ApplicationState state);
    void readKeyStates();
    QLabel* addPanel(const QString& text, const QString& toolTip, int widthTwips, bool stretch);

    QList<QLabel*> m_panels;
    KeyLockState* m_locks = nullptr;
    QTimer* m_clock = nullptr;
    QTimer* m_lockPoll = nullptr;
    bool m_canReadLocks = false;
    StatusPanelStrip* m_strip = nullptr;
};
