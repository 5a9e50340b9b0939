// Keyboard access to the menus: Alt alone, F10, Alt with a title's letter in
// the Russian and the Latin layout, and the items' own access keys.

#include "app/MainMenu.h"
#include "app/frmMain.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/ScriptedDialogs.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <memory>

namespace {

// A key as the window system reports it: Cyrillic letters carry their
// capital's code and the typed text.
void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text = QString())
{
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &up);
}

QString openMenuName()
{
    QWidget* popup = QApplication::activePopupWidget();
    return popup ? popup->objectName() : QString();
}

void closePopups()
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

} // namespace

class TestMenuKeys : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void altAloneHighlightsTheFirstMenu();
    void lettersOpenMenus_data();
    void lettersOpenMenus();
    void itemAccessKeyChoosesTheItem();
    void enterChoosesTheFirstItem();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<frmMain> m_main;
};

void TestMenuKeys::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    m_main = std::make_unique<frmMain>();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
}

void TestMenuKeys::cleanup()
{
    closePopups();
    m_main.reset();
    m_settings.reset();
}

void TestMenuKeys::altAloneHighlightsTheFirstMenu()
{
    QMenuBar* bar = m_main->menuBar();
    QTest::keyPress(QApplication::focusWidget(), Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Alt, Qt::NoModifier);
    QCOMPARE(bar->activeAction(), m_main->menu()->mnufile->menuAction());
    QVERIFY(bar->hasFocus());
    // Down opens it, as the arrow keys move through the bar
    QTest::keyClick(bar, Qt::Key_Down);
    QCOMPARE(openMenuName(), QStringLiteral("mnufile"));
}

void TestMenuKeys::lettersOpenMenus_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("letters");
    QTest::addColumn<QString>("menu");

    QTest::newRow("F10") << QList<int>{Qt::Key_F10} << QString(" ") << "mnufile";
    QTest::newRow("Alt+Ф") << QList<int>{0x424} << QStringLiteral("ф") << "mnufile";
    QTest::newRow("Alt+A, the same key in the Latin layout") << QList<int>{Qt::Key_A} << QStringLiteral("a") << "mnufile";
    QTest::newRow("Alt+В") << QList<int>{0x412} << QStringLiteral("в") << "mnuview";
    QTest::newRow("Alt+Н") << QList<int>{0x41D} << QStringLiteral("н") << "mnutuning";
    QTest::newRow("Alt+О") << QList<int>{0x41E} << QStringLiteral("о") << "mnuwindow";
    QTest::newRow("Alt+П") << QList<int>{0x41F} << QStringLiteral("п") << "mnuedit";
    // Правка and Помощь share the letter and take turns
    QTest::newRow("Alt+П twice") << QList<int>{0x41F, 0x41F} << QStringLiteral("пп") << "mnuhelp";
    QTest::newRow("Alt+G twice, then again") << QList<int>{Qt::Key_G, Qt::Key_G, Qt::Key_G} << QStringLiteral("ggg")
                                             << "mnuedit";
}

void TestMenuKeys::lettersOpenMenus()
{
    QFETCH(QList<int>, keys);
    QFETCH(QString, letters);
    QFETCH(QString, menu);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        QWidget* target = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                            : QApplication::focusWidget();
        const bool f10 = keys[i] == Qt::Key_F10;
        press(target, keys[i], f10 ? Qt::NoModifier : Qt::AltModifier, f10 ? QString() : letters.mid(i, 1));
    }
    QCOMPARE(openMenuName(), menu);
}

// "&Шрифт" in the Settings menu: Alt+Н, then Ш, shows the font dialog.
// Enter right after opening a menu chooses its first item that can be chosen.
void TestMenuKeys::enterChoosesTheFirstItem()
{
    ScriptedCommonDialogs dialogs;
    dialogs.expect(CommonDialogKind::Font, ScriptedCommonDialogs::cancel());
    m_main->TimerChecking_Timer();
    press(QApplication::focusWidget(), Qt::Key_Y, Qt::AltModifier, QStringLiteral("y"));
    QCOMPARE(openMenuName(), QStringLiteral("mnutuning"));
    press(QApplication::activePopupWidget(), Qt::Key_Return, Qt::NoModifier);
    QCOMPARE(dialogs.shown().size(), 1);
    QCOMPARE(dialogs.unexpected(), 0);
}

void TestMenuKeys::itemAccessKeyChoosesTheItem()
{
    ScriptedCommonDialogs dialogs;
    dialogs.expect(CommonDialogKind::Font, ScriptedCommonDialogs::cancel());
    m_main->TimerChecking_Timer();  // the item is enabled with a document open
    press(QApplication::focusWidget(), 0x41D, Qt::AltModifier, QStringLiteral("н"));
    QCOMPARE(openMenuName(), QStringLiteral("mnutuning"));
    press(QApplication::activePopupWidget(), 0x428, Qt::NoModifier, QStringLiteral("ш"));
    QCOMPARE(dialogs.shown().size(), 1);
    QCOMPARE(dialogs.shown().first().kind, CommonDialogKind::Font);
    QCOMPARE(dialogs.unexpected(), 0);
}

QTEST_MAIN(TestMenuKeys)
#include "tst_menukeys.moc"
