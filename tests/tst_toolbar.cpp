// The toolbar's commands as a user clicks them: the style toggle on uniform
// and mixed selections, the alignment group, clicks that must do nothing; the
// seven formatting buttons following the document the user turns to; and the
// refresh tick, which skips its work when nothing changed, still catching
// every change within one tick.

#include "app/MainMenu.h"
#include "app/MainToolBar.h"
#include "app/frmMain.h"
#include "commands/FileCommands.h"
#include "dialogs/FindForm.h"
#include "document/frmDocument.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/NamedPart.h"
#include "helpers/ScriptedDialogs.h"
#include "platform/RichTextBox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

using Styles = QList<std::optional<bool>>;
using Step = std::function<void(frmMain&)>;

Styles styles(const RichTextBox& editor)
{
    return {editor.SelBold(), editor.SelItalic(), editor.SelUnderline(), editor.SelStrikeThru()};
}

// The Values of the seven formatting buttons, in toolbar order.
QList<int> formatValues(const MainToolBar& bar)
{
    QList<int> values;
    for (int position : {11, 12, 13, 14, 16, 17, 18})
        values << MainToolBar::Value(bar.Button(position));
    return values;
}

void closeWithoutQuestion(frmMain& window)
{
    for (frmDocument* document : window.documentWindows())
        document->rtfText->clear();
    window.mdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestToolbar : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void styleToggle_data();
    void styleToggle();
    void alignmentGroup();
    void clicksThatDoNothing_data();
    void clicksThatDoNothing();
    void formatButtonsFollowTheActiveDocument();
    void formatButtonsFollowChangesUnderTheSelection_data();
    void formatButtonsFollowChangesUnderTheSelection();
    void refreshCatchesChangesWithinATick_data();
    void refreshCatchesChangesWithinATick();
    void closedDialogsLeaveNoTimerRunning();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<frmMain> m_window;
    RichTextBox* editor() const { return m_window->ActiveForm()->rtfText; }
    MainToolBar& bar() const { return *namedPart<MainToolBar>(*m_window, "tbToolBar"); }
};

void TestToolbar::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QGuiApplication::clipboard()->clear();
    m_window = std::make_unique<frmMain>();
    m_window->show();
}

void TestToolbar::cleanup()
{
    closeWithoutQuestion(*m_window);
    m_window.reset();
    m_settings.reset();
}

// Each style button on 8 characters of which all, none or the first half
// have the style. Half: no single value, and its negation has none either,
// so each character keeps its own style and the button shows unpressed.
void TestToolbar::styleToggle_data()
{
    QTest::addColumn<int>("style");  // bold, italic, underline, strikethrough
    QTest::addColumn<int>("styled");
    QTest::addColumn<std::optional<bool>>("after");
    for (int style = 0; style < 4; ++style) {
        QTest::addRow("%d all", style) << style << 8 << std::optional<bool>(false);
        QTest::addRow("%d none", style) << style << 0 << std::optional<bool>(true);
        QTest::addRow("%d half", style) << style << 4 << std::optional<bool>();
    }
}

void TestToolbar::styleToggle()
{
    QFETCH(int, style);
    QFETCH(int, styled);
    QFETCH(std::optional<bool>, after);
    void (RichTextBox::*const set[])(bool) = {&RichTextBox::setSelBold, &RichTextBox::setSelItalic,
                                              &RichTextBox::setSelUnderline, &RichTextBox::setSelStrikeThru};
    RichTextBox& box = *editor();
    box.setText(QStringLiteral("абвгabcd"));
    box.setSelLength(styled);
    (box.*set[style])(true);
    box.selectAll();
    QAction* button = bar().Button(11 + style);
    bar().setValue(button, after == true ? 0 : 1);  // whatever it showed, the click decides

    button->trigger();
    Styles expected = {false, false, false, false};
    expected[style] = after;
    QCOMPARE(styles(box), expected);
    QCOMPARE(MainToolBar::Value(button), after == true ? 1 : 0);
    if (after) {  // a second click turns a uniform selection back
        button->trigger();
        QCOMPARE(styles(box).at(style), std::optional<bool>(!*after));
    } else {
        box.setSelLength(0);
        box.setSelLength(styled);
        QCOMPARE(styles(box).at(style), std::optional<bool>(true));
    }
}

void TestToolbar::alignmentGroup()
{
    RichTextBox& box = *editor();
    box.setText(QStringLiteral("первый\nвторой"));
    box.setSelStart(2);
    const auto pressed = [this] { return formatValues(bar()).mid(4); };
    bar().Button(QStringLiteral("Center"))->trigger();
    QCOMPARE(box.SelAlignment(), std::optional<int>(ParagraphAlignment::Center));
    QCOMPARE(pressed(), (QList<int>{0, 1, 0}));
    bar().Button(QStringLiteral("Align Right"))->trigger();
    QCOMPARE(box.SelAlignment(), std::optional<int>(ParagraphAlignment::Right));
    QCOMPARE(pressed(), (QList<int>{0, 0, 1}));
    bar().Button(QStringLiteral("Align Right"))->trigger();  // pressed stays pressed
    QCOMPARE(pressed(), (QList<int>{0, 0, 1}));
    box.setSelStart(10);  // the other paragraph stayed left
    QCOMPARE(pressed(), (QList<int>{1, 0, 0}));
}

// Keys compare exactly: other letter case, a blank more, the keyed separator
// and keys in no row do nothing at all. Without a document, a button that
// needs one does nothing and reports nothing; only Copy runs the Edit menu's
// command, which empties the clipboard before finding no selection.
void TestToolbar::clicksThatDoNothing_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("document");
    for (const char* key : {"separator2", "Separator2", "bold", "BOLD", "Bold ", "italic", "center", "Align left",
                            "new", "open", "save", "print", "cut", "copy", "paste", "find", "Justify"})
        QTest::addRow("key %s", key) << QString::fromLatin1(key) << true;
    for (const char* key : {"Save", "Print", "Cut", "Copy", "Paste", "Bold", "Italic", "Underline", "Strikethru",
                            "Align Left", "Center", "Align Right", "Find"})
        QTest::addRow("%s without document", key) << QString::fromLatin1(key) << false;
}

void TestToolbar::clicksThatDoNothing()
{
    QFETCH(QString, key);
    QFETCH(bool, document);
    RichTextBox& box = *editor();
    box.setText(QStringLiteral("текст"));
    box.selectAll();
    box.setSelBold(true);
    box.setSelAlignment(ParagraphAlignment::Right);
    if (!document)
        closeWithoutQuestion(*m_window);
    QGuiApplication::clipboard()->setText(QStringLiteral("буфер"));
    const QList<int> values = formatValues(bar());
    ScriptedMessageBoxes boxes;
    ScriptedCommonDialogs dialogs;

    QAction button;
    MainToolBar::setKey(&button, key);
    m_window->tbToolBar_ButtonClick(&button);

    QCOMPARE(m_window->documentWindows().size(), document ? 1 : 0);
    if (document) {
        QCOMPARE(box.Text(), QStringLiteral("текст"));
        QCOMPARE(box.SelLength(), 5);
        QCOMPARE(styles(box), (Styles{true, false, false, false}));
        QCOMPARE(box.SelAlignment(), std::optional<int>(ParagraphAlignment::Right));
    }
    QCOMPARE(formatValues(bar()), values);
    QCOMPARE(QGuiApplication::clipboard()->text(), key == "Copy" ? QString() : QStringLiteral("буфер"));
    QVERIFY(boxes.requests().isEmpty());
    QVERIFY(dialogs.shown().isEmpty());
    QVERIFY(!m_window->findChild<FindForm*>());
}

// A new empty document never shows a style pressed; turning back to a
// document shows its formatting again.
void TestToolbar::formatButtonsFollowTheActiveDocument()
{
    editor()->setText(QStringLiteral("жирный справа"));
    editor()->selectAll();
    editor()->setSelBold(true);
    editor()->setSelItalic(true);
    editor()->setSelAlignment(ParagraphAlignment::Right);
    editor()->setSelStart(3);
    const QList<int> first = {1, 1, 0, 0, 0, 0, 1};
    const QList<int> empty = {0, 0, 0, 0, 1, 0, 0};
    QCOMPARE(formatValues(bar()), first);
    QMdiSubWindow* firstWindow = m_window->mdiArea()->currentSubWindow();

    bar().Button(QStringLiteral("New"))->trigger();
    QCOMPARE(formatValues(bar()), empty);
    QMdiSubWindow* secondWindow = m_window->mdiArea()->currentSubWindow();
    editor()->setSelAlignment(ParagraphAlignment::Center);
    editor()->setSelUnderline(true);  // the typing format at the caret

    m_window->mdiArea()->setActiveSubWindow(firstWindow);
    QCOMPARE(formatValues(bar()), first);
    m_window->mdiArea()->setActiveSubWindow(secondWindow);
    QCOMPARE(formatValues(bar()), (QList<int>{0, 0, 1, 0, 0, 1, 0}));
    m_window->menu()->mnuFileNew->trigger();
    QCOMPARE(formatValues(bar()), empty);
}

void TestToolbar::formatButtonsFollowChangesUnderTheSelection_data()
{
    QTest::addColumn<int>("undoSteps");
    QTest::addColumn<int>("redoSteps");
    QTest::newRow("font dialog") << 0 << 0;
    QTest::newRow("font dialog, undone") << 1 << 0;
    QTest::newRow("font dialog, undone, redone") << 1 << 1;
}

// The selection stays where it is while its formats change: the buttons
// show the new formatting all the same.
void TestToolbar::formatButtonsFollowChangesUnderTheSelection()
{
    QFETCH(int, undoSteps);
    QFETCH(int, redoSteps);
    RichTextBox& box = *editor();
    box.setText(QStringLiteral("абвг abcd"));
    box.selectAll();
    ScriptedCommonDialogs dialogs;
    dialogs.expect(CommonDialogKind::Font,
                   ScriptedCommonDialogs::chooseFont(QStringLiteral("DejaVu Sans"), 12, true, true, true, true));
    m_window->menu()->mnutuningfont->trigger();
    for (int i = 0; i < undoSteps; ++i)
        box.undo();
    for (int i = 0; i < redoSteps; ++i)
        box.redo();
    QCoreApplication::processEvents();
    const int styled = undoSteps > redoSteps ? 0 : 1;
    QCOMPARE(formatValues(bar()), (QList<int>{styled, styled, styled, styled, 1, 0, 0}));
}

// Each row: what the window holds, the change, and an item the next tick
// must set as the change calls for (one written elsewhere is put right).
void TestToolbar::refreshCatchesChangesWithinATick_data()
{
    QTest::addColumn<Step>("before");
    QTest::addColumn<Step>("change");
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("was");
    QTest::addColumn<bool>("enabled");

    const Step nothing = [](frmMain&) {};
    const Step clipboardText = [](frmMain&) { QGuiApplication::clipboard()->setText(QStringLiteral("буфер")); };
    const Step selectAll = [](frmMain& w) { w.ActiveForm()->rtfText->selectAll(); };
    const auto named = [](const QString& name) {
        return [name](frmMain& w) { w.ActiveForm()->setCaption(QDir::temp().filePath(name)); };
    };
    QTest::newRow("clipboard gets text") << nothing << clipboardText << "mnuEditPaste" << false << true;
    QTest::newRow("clipboard emptied") << clipboardText
                                       << Step([](frmMain&) { QGuiApplication::clipboard()->clear(); })
                                       << "mnucontxtpaste" << true << false;
    QTest::newRow("Select All") << nothing << Step([](frmMain& w) { w.menu()->mnueditselectall->trigger(); })
                                << "mnuEditCut" << false << true;
    QTest::newRow("date typed over the selection")
        << selectAll << Step([](frmMain& w) { w.menu()->mnuedittemedate->trigger(); }) << "mnuEditCopy" << true << false;
    QTest::newRow("Save As names the document") << nothing << Step([](frmMain& w) {
        ScriptedCommonDialogs dialogs;
        dialogs.expect(CommonDialogKind::Save,
                       ScriptedCommonDialogs::saveAs(QDir::temp().filePath(QStringLiteral("tst_toolbar.rtf")), 3));
        w.fileCommands()->mnuFileSaveAs_Click();
        QFile::remove(QDir::temp().filePath(QStringLiteral("tst_toolbar.rtf")));
    }) << "mnufiledelete" << false << true;
    QTest::newRow("caption made untitled") << Step(named(QStringLiteral("a.txt")))
                                           << Step([](frmMain& w) { w.ActiveForm()->setCaption("Документ 9"); })
                                           << "mnufiledelete" << true << false;
    QTest::newRow("untitled document activated") << Step(named(QStringLiteral("a.txt")))
                                                 << Step([](frmMain& w) { w.CreateDocumentWindow(); })
                                                 << "mnufiledelete" << true << false;
    QTest::newRow("last document closed") << nothing << Step(closeWithoutQuestion) << "mnuFileSave" << true << false;
    QTest::newRow("enabled state written elsewhere")
        << nothing << Step([](frmMain& w) { w.menu()->mnueditfind->setEnabled(false); }) << "mnueditfind" << true << true;
}

void TestToolbar::refreshCatchesChangesWithinATick()
{
    QFETCH(Step, before);
    QFETCH(Step, change);
    QFETCH(QString, item);
    QFETCH(bool, was);
    QFETCH(bool, enabled);

    editor()->setText(QStringLiteral("текст документа"));
    editor()->setSelStart(2);
    before(*m_window);
    // The pass runs; the next tick finds nothing to do until the change.
    m_window->TimerChecking_Timer();
    m_window->TimerChecking_Timer();
    QAction* action = m_window->findChild<QAction*>(item);
    QVERIFY(action);
    QCOMPARE(action->isEnabled(), was);

    change(*m_window);
    m_window->TimerChecking_Timer();
    QCOMPARE(action->isEnabled(), enabled);
}

// What keeps waking the idle program: the refresh timer and the status bar
// clock. The find dialog and the About box tick every 10 ms while open, and
// are gone with their timers once closed.
void TestToolbar::closedDialogsLeaveNoTimerRunning()
{
    const auto running = [this] {
        QStringList names;
        for (const QTimer* timer : m_window->findChildren<QTimer*>()) {
            if (timer->isActive())
                names << timer->objectName();
        }
        names.sort();
        return names;
    };
    const QStringList idle = {QStringLiteral("TimerChecking"), QStringLiteral("sbClock")};
    QCOMPARE(running(), idle);
    m_window->mnueditfind_Click();
    m_window->mnuHelpAbout_Click();
    QCOMPARE(running().count(QStringLiteral("Timer1")), 2);
    for (QWidget* dialog : QApplication::topLevelWidgets()) {
        if (dialog != m_window.get() && dialog->isVisible())
            dialog->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(running(), idle);
}

QTEST_MAIN(TestToolbar)
#include "tst_toolbar.moc"
