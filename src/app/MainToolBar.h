#pragma once

#include <QList>
#include <QToolBar>

class QAction;

// The main window's toolbar: 20 positions (separators count), each button
// reachable by its 1-based position and by its key. A button's pressed look
// is its Value (1 pressed, 0 not); the four style buttons never latch on their
// own, the program sets them, and the three alignment buttons form a group of
// which a click presses one and releases the others.
class MainToolBar : public QToolBar
{
    Q_OBJECT
public:
    static constexpr int ButtonCount = 20;
    static constexpr int AlignLeftPosition = 16;

    explicit MainToolBar(QWidget* parent = nullptr);

    QAction* Button(int position) const; // 1-based; nullptr outside 1..20
    QAction* Button(const QString& key) const;
    static QString Key(const QAction* button);

    static int Value(const QAction* button);
    void setValue(QAction* button, int value);

signals:
    void ButtonClick(QAction* button);

private:
    enum class Style { Plain, Latching, Group, Separator };
    void onTriggered(QAction* button, Style style, bool checked);

    QList<QAction*> m_buttons;
    QList<QAction*> m_group;
};
