#include "helpers/Keyboard.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace Keyboard {

namespace {

void send(QTest::KeyAction action, int key, const QString& text, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget();
    QVERIFY2(target, "no widget has the keyboard focus");
    QTest::sendKeyEvent(action, target, Qt::Key(key), text, modifiers);
}

} // namespace

void click(int key, const QString& text, Qt::KeyboardModifiers modifiers)
{
    send(QTest::Press, key, text, modifiers);
    send(QTest::Release, key, text, modifiers);
}

void type(const QString& text)
{
    for (const QChar c : text)
        click(c.toUpper().unicode(), QString(c));
}

} // namespace Keyboard
