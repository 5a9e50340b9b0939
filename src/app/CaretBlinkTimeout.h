#pragma once

#include <QObject>
#include <QTimer>

// The caret stops blinking after a while without keyboard or mouse input, as
// on desktops that save power this way, and blinks again at the next key or
// click. An idle program then wakes only for its own timers.
class CaretBlinkTimeout : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 10000;

    explicit CaretBlinkTimeout(QObject* parent = nullptr, int timeoutMs = DefaultTimeoutMs);
    ~CaretBlinkTimeout() override;

    bool isBlinking() const { return m_flashTime < 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stopBlinking();
    void resumeBlinking();

    QTimer m_timer;
    int m_flashTime = -1;  // the flash time put aside while the caret is still
};
