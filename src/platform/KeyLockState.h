#pragma once

#include <QObject>

// The NUM LOCK and CAPS LOCK states. Read from the X server's keyboard
// indicators where there is one; elsewhere followed from the lock keys the
// application sees, starting from "off".
class KeyLockState : public QObject
{
    Q_OBJECT
public:
    explicit KeyLockState(QObject* parent = nullptr);

    bool numLock();
    bool capsLock();
    bool readsWindowSystem() const;

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool refresh();

    bool m_num = false;
    bool m_caps = false;
};
