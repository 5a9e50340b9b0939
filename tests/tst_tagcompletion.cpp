// Tag completion in a document window, typed as a user types: "<" in the
// editor, keys and clicks in the list, the options of the Settings menu.

#include "app/MainMenu.h"
#include "app/UiTexts.h"
#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/Keyboard.h"
#include "helpers/ScriptedDialogs.h"
#include "helpers/TestFiles.h"
#include "listsearch/ListSearch.h"
#include "listsearch/ListSearchModel.h"
#include "platform/RichTextBox.h"

#include <QAction>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTest>

#include <memory>

class TestTagCompletion : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void optionsInTheSettingsMenu_data();
    void optionsInTheSettingsMenu();
    void lessThanFromAnyInput_data();
    void lessThanFromAnyInput();
    void choosingWritesTheTags_data();
    void choosingWritesTheTags();
    void missingFileInsertsLessThanOnly();
    void lessThanReplacesTheSelection();
    void mousePressClosesAndKeepsSearchText();
    void eachWindowHasItsOwnList();

private:
    frmDocument* document() const { return m_main->ActiveForm(); }
    RichTextBox* editor() const { return document()->rtfText; }
    ListSearch* list() const { return document()->lsMain; }
    QAction* option(const char* name) const { return m_main->findChild<QAction*>(QLatin1String(name)); }
    void typeLessThan();
    void runSteps(const QStringList& steps);

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<frmMain> m_main;
};

void TestTagCompletion::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QVERIFY(TestFiles::writeFile(m_settings->programFolder() + QStringLiteral("/tags.lst"),
                                 QByteArray("b\r\nTable\r\ntr\r\na href\r\n")));
    m_main = std::make_unique<frmMain>();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    editor()->setFocus();
    QCOMPARE(QApplication::focusWidget(), editor());
}

void TestTagCompletion::cleanup()
{
    for (frmDocument* window : m_main->documentWindows())
        window->rtfText->clear();
    m_main.reset();
    m_settings.reset();
}

void TestTagCompletion::typeLessThan()
{
    Keyboard::click(Qt::Key_Less, QStringLiteral("<"));
}

// Steps: "<", "type:TEXT", "key:Down", "key:Enter", "key:Escape",
// "dblclick:ROW", "click:OPTION" (a menu item's object name).
void TestTagCompletion::runSteps(const QStringList& steps)
{
    for (const QString& step : steps) {
        const QString argument = step.section(u':', 1);
        if (step == QLatin1String("<")) {
            typeLessThan();
        } else if (step.startsWith(QLatin1String("type:"))) {
            Keyboard::type(argument);
        } else if (step == QLatin1String("key:Down")) {
            Keyboard::click(Qt::Key_Down);
        } else if (step == QLatin1String("key:Enter")) {
            Keyboard::click(Qt::Key_Return, QStringLiteral("\r"));
        } else if (step == QLatin1String("key:Escape")) {
            Keyboard::click(Qt::Key_Escape, QStringLiteral("\x1b"));
        } else if (step.startsWith(QLatin1String("dblclick:"))) {
            QListView* view = list()->lstMain;
            const QRect row = view->visualRect(view->model()->index(argument.toInt(), 0));
            // A double click as the window system reports it: press, release, double click.
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row.center());
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, row.center());
        } else if (step.startsWith(QLatin1String("click:"))) {
            option(qPrintable(argument))->trigger();
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }
}

void TestTagCompletion::optionsInTheSettingsMenu_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<bool>("lower");
    QTest::addColumn<bool>("upper");
    QTest::addColumn<bool>("complete");

    QTest::newRow("start values") << QStringList{} << true << false << true;
    QTest::newRow("upper") << QStringList{"mnuOptionsUpper"} << false << true << true;
    QTest::newRow("lower switches too") << QStringList{"mnuOptionsLower"} << false << true << true;
    QTest::newRow("upper twice") << QStringList{"mnuOptionsUpper", "mnuOptionsUpper"} << true << false << true;
    QTest::newRow("upper then lower") << QStringList{"mnuOptionsUpper", "mnuOptionsLower"} << true << false << true;
    QTest::newRow("closing tag off") << QStringList{"mnuOptionsComplete"} << true << false << false;
    QTest::newRow("closing tag on again")
        << QStringList{"mnuOptionsComplete", "mnuOptionsComplete"} << true << false << true;
}

void TestTagCompletion::optionsInTheSettingsMenu()
{
    QFETCH(QStringList, clicks);
    QFETCH(bool, lower);
    QFETCH(bool, upper);
    QFETCH(bool, complete);

    // Shown in the Settings menu after a separator, each with a caption.
    const QList<QAction*> items = m_main->menu()->mnutuning->actions();
    const qsizetype first = items.indexOf(option("mnuOptionsLower"));
    QVERIFY(first > 0);
    QVERIFY(items.at(first - 1)->isSeparator());
    QCOMPARE(items.mid(first), (QList<QAction*>{option("mnuOptionsLower"), option("mnuOptionsUpper"),
                                                option("mnuOptionsComplete")}));
    for (QAction* item : items.mid(first)) {
        QVERIFY(item->isCheckable());
        QVERIFY(!item->text().isEmpty());
        QVERIFY(item->isVisible());
    }

    for (const QString& name : clicks)
        option(qPrintable(name))->trigger();
    QCOMPARE(option("mnuOptionsLower")->isChecked(), lower);
    QCOMPARE(option("mnuOptionsUpper")->isChecked(), upper);
    QCOMPARE(option("mnuOptionsComplete")->isChecked(), complete);
}

void TestTagCompletion::lessThanFromAnyInput_data()
{
    QTest::addColumn<int>("key");  // 0: committed by an input method
    QTest::addColumn<int>("modifiers");

    QTest::newRow("English layout") << int(Qt::Key_Less) << int(Qt::ShiftModifier);
    QTest::newRow("Russian layout") << 0x0411 << int(Qt::ShiftModifier);  // the Б key
    QTest::newRow("input method") << 0 << 0;
}

void TestTagCompletion::lessThanFromAnyInput()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    editor()->setText(QStringLiteral("x"));
    editor()->setSelStart(1);
    if (key) {
        Keyboard::click(key, QStringLiteral("<"), Qt::KeyboardModifiers(modifiers));
    } else {
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("<"));
        QApplication::sendEvent(editor(), &commit);
    }
    QCOMPARE(editor()->Text(), QStringLiteral("x<"));
    QCOMPARE(editor()->SelStart(), 2);
    QVERIFY(list()->isVisible());
    QCOMPARE(QApplication::focusWidget(), list()->txtSearch);
    QCOMPARE(list()->model()->entries(), (QStringList{"b", "table", "tr", "a href"}));
}

void TestTagCompletion::choosingWritesTheTags_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");

    QTest::newRow("start values, table from the list")
        << QStringList{"<", "type:ta", "key:Down", "key:Enter"} << "<table></table>" << 7;
    QTest::newRow("closing tag off")
        << QStringList{"click:mnuOptionsComplete", "<", "type:ta", "key:Down", "key:Enter"} << "<table>" << 7;
    QTest::newRow("upper case in both tags")
        << QStringList{"click:mnuOptionsUpper", "<", "type:ta", "key:Down", "key:Enter"} << "<TABLE></TABLE>" << 7;
    QTest::newRow("typed name not in the list") << QStringList{"<", "type:foo", "key:Enter"} << "<foo></foo>" << 5;
    QTest::newRow("Enter in the box keeps the typed text")
        << QStringList{"<", "type:ta", "key:Enter"} << "<ta></ta>" << 4;
    QTest::newRow("Cyrillic name") << QStringList{"<", "type:див", "key:Enter"} << "<див></див>" << 5;
    QTest::newRow("empty search box") << QStringList{"<", "key:Enter"} << "<></>" << 2;
    QTest::newRow("empty search box, closing tag off")
        << QStringList{"click:mnuOptionsComplete", "<", "key:Enter"} << "<>" << 2;
    QTest::newRow("inner spaces repeated whole")
        << QStringList{"<", "type:a", "key:Down", "key:Enter"} << "<a href></a href>" << 8;
    QTest::newRow("double click") << QStringList{"<", "dblclick:2"} << "<tr></tr>" << 4;
    QTest::newRow("closing tag switched off while the list is open")
        << QStringList{"<", "type:b", "click:mnuOptionsComplete", "key:Enter"} << "<b>" << 3;
    QTest::newRow("Escape keeps the <") << QStringList{"<", "type:ta", "key:Escape"} << "<" << 1;
    QTest::newRow("Escape in the list") << QStringList{"<", "key:Down", "key:Escape"} << "<" << 1;
}

void TestTagCompletion::choosingWritesTheTags()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, text);
    QFETCH(int, caret);
    ScriptedMessageBoxes boxes;
    runSteps(steps);
    QCOMPARE(editor()->Text(), text);
    QCOMPARE(editor()->SelStart(), caret);
    QCOMPARE(editor()->SelLength(), 0);
    QVERIFY(list()->isHidden());
    QCOMPARE(QApplication::focusWidget(), editor());
    QCOMPARE(list()->txtSearch->text(), QString());
    QVERIFY(boxes.requests().isEmpty());
}

void TestTagCompletion::missingFileInsertsLessThanOnly()
{
    QVERIFY(QFile::remove(m_settings->programFolder() + QStringLiteral("/tags.lst")));
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    typeLessThan();
    QCOMPARE(boxes.texts(), QStringList{UiTexts::TagsFileNotFound});
    QCOMPARE(boxes.requests().first().title, UiTexts::TagsErrorTitle);
    QCOMPARE(editor()->Text(), QStringLiteral("<"));
    QVERIFY(list()->isHidden());
    QCOMPARE(QApplication::focusWidget(), editor());
}

void TestTagCompletion::lessThanReplacesTheSelection()
{
    editor()->setText(QStringLiteral("abc"));
    editor()->setSelStart(1);
    editor()->setSelLength(1);
    typeLessThan();
    QCOMPARE(editor()->Text(), QStringLiteral("a<c"));
    QVERIFY(list()->isVisible());
    runSteps({"type:tr", "key:Enter"});
    QCOMPARE(editor()->Text(), QStringLiteral("a<tr></tr>c"));
    QCOMPARE(editor()->SelStart(), 5);
}

void TestTagCompletion::mousePressClosesAndKeepsSearchText()
{
    runSteps({"<", "type:ta"});
    const QPoint corner = editor()->viewport()->rect().bottomRight() - QPoint(3, 3);
    QVERIFY(!list()->geometry().contains(editor()->viewport()->mapTo(document(), corner)));
    QTest::mouseClick(editor()->viewport(), Qt::LeftButton, {}, corner);
    QVERIFY(list()->isHidden());
    QCOMPARE(editor()->Text(), QStringLiteral("<"));
    QCOMPARE(list()->txtSearch->text(), QStringLiteral("ta"));

    // The next opening searches with the text left in the box.
    editor()->setSelStart(1);
    typeLessThan();
    QVERIFY(list()->isVisible());
    QCOMPARE(list()->txtSearch->text(), QStringLiteral("ta"));
    QCOMPARE(list()->selectedEntry(), QStringLiteral("table"));
    runSteps({"key:Enter"});
    QCOMPARE(editor()->Text(), QStringLiteral("<<ta></ta>"));
}

void TestTagCompletion::eachWindowHasItsOwnList()
{
    frmDocument* first = document();
    runSteps({"<", "type:t"});
    m_main->menu()->mnuFileNew->trigger();
    frmDocument* second = document();
    QVERIFY(second != first);
    QVERIFY(second->lsMain != first->lsMain);
    QVERIFY(second->lsMain->isHidden());
    second->rtfText->setFocus();

    runSteps({"<", "type:b", "key:Enter"});
    QCOMPARE(second->rtfText->Text(), QStringLiteral("<b></b>"));
    QCOMPARE(first->rtfText->Text(), QStringLiteral("<"));
    QVERIFY(first->lsMain->isVisibleTo(first));
    QCOMPARE(first->lsMain->txtSearch->text(), QStringLiteral("t"));
}

QTEST_MAIN(TestTagCompletion)
#include "tst_tagcompletion.moc"
