// The caret stops blinking after a while without input and blinks again at
// the next key or click.

#include "app/CaretBlinkTimeout.h"
#include "helpers/EditorInput.h"
#include "platform/RichTextBox.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QTest>

class TestCaretBlink : public QObject
{
    Q_OBJECT

private slots:
    void stopsWhenIdleAndResumesOnInput_data();
    void stopsWhenIdleAndResumesOnInput();
};

void TestCaretBlink::stopsWhenIdleAndResumesOnInput_data()
{
    QTest::addColumn<QString>("input");
    QTest::newRow("key") << "key";
    QTest::newRow("click") << "click";
}

void TestCaretBlink::stopsWhenIdleAndResumesOnInput()
{
    QFETCH(QString, input);
    QStyleHints* hints = QGuiApplication::styleHints();
    const int flashTime = hints->cursorFlashTime();
    QVERIFY(flashTime > 0);
    RichTextBox editor;
    QVERIFY(EditorInput::showExposed(editor, 300, 200));
    {
        CaretBlinkTimeout timeout(nullptr, 50);
        QVERIFY(timeout.isBlinking());
        QTRY_COMPARE(hints->cursorFlashTime(), 0);
        QVERIFY(!timeout.isBlinking());

        if (input == QLatin1String("key"))
            QTest::keyClick(&editor, Qt::Key_A);
        else
            QTest::mouseClick(editor.viewport(), Qt::LeftButton);
        QCOMPARE(hints->cursorFlashTime(), flashTime);
        // idle again after the input
        QTRY_COMPARE(hints->cursorFlashTime(), 0);
    }
    // Gone, it leaves the caret blinking as it found it.
    QCOMPARE(hints->cursorFlashTime(), flashTime);
}

QTEST_MAIN(TestCaretBlink)
#include "tst_caretblink.moc"
