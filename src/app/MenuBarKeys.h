#pragma once

#include <QAction>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QMenuBar;

// Keyboard access to the menu bar, whose menu titles carry no access keys of
// their own: Alt pressed and let go alone highlights the first menu for the
// arrow keys, F10 opens it, and Alt with the first letter of a title opens
// that menu; titles that share a letter take turns. The letter works in the
// Russian layout and, on the same key, in the Latin one. Inside a menu, the
// items whose captions carry an access key are chosen by that letter.
class MenuBarKeys : public QObject
{
    Q_OBJECT
public:
    explicit MenuBarKeys(QMenuBar* bar);

    // Opens the next menu whose title starts with the letter, after the one
    // open now; false when no title starts with it.
    bool openMenuStartingWith(QChar letter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMenuBar* m_bar;
    QPointer<QAction> m_lastClosed;
    QElapsedTimer m_lastClosedAt;
};
