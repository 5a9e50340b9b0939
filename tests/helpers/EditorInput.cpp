#include "helpers/EditorInput.h"

#include "platform/RichTextBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

namespace EditorInput {

void typeText(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

void pressKey(int key, const QString& text, Qt::KeyboardModifiers modifiers)
{
    for (const QTest::KeyAction action : {QTest::Press, QTest::Release}) {
        QWidget* target = QApplication::focusWidget();
        QVERIFY(target);
        QTest::sendKeyEvent(action, target, Qt::Key(key), text, modifiers);
    }
}

void typeKeys(const QString& text)
{
    for (const QChar c : text)
        pressKey(c == u'\b' ? int(Qt::Key_Backspace) : int(c.toUpper().unicode()),
                 c == u'\b' ? QString() : QString(c));
}

void selectWord(RichTextBox& box, const QString& word, int occurrence)
{
    qsizetype at = -1;
    for (int i = 0; i <= occurrence; ++i)
        at = box.Text().indexOf(word, at + 1);
    QVERIFY2(at >= 0, qPrintable(word));
    box.setSelStart(at);
    box.setSelLength(word.size());
}

bool showExposed(QWidget& widget, int width, int height)
{
    widget.resize(width, height);
    widget.show();
    return QTest::qWaitForWindowExposed(&widget);
}

} // namespace EditorInput
