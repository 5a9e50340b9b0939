#pragma once

#include <QList>
#include <QObject>

// The NUM LOCK and CAPS LOCK states. Read from the X server's keyboard
// indicators where there is one; elsewhere followed from the lock keys that
// reach the watched windows, starting from "off".
class KeyLockState : public QObject
{
    Q_OBJECT
public:
    explicit KeyLockState(QObject* parent = nullptr);

    bool numLock() const { return m_num; }
    bool capsLock() const { return m_caps; }
    // Reads the indicators again; false where the window system cannot be asked.
    bool update();
    // Every key of a top-level window passes its QWindow first.
    void watch(QObject* window);

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_num = false;
    bool m_caps = false;
    QList<QObject*> m_watched;
};
