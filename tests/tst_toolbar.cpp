// The toolbar's commands as a user clicks them: the style toggle on uniform
// and mixed selections, the alignment group, keys that match nothing, clicks
// without a document; the seven formatting buttons following the document
// the user turns to; and the refresh tick, which skips its work when nothing
// changed, still catching every change within one tick.

#include "app/MainMenu.h"
#include "app/MainToolBar.h"
#include "app/frmMain.h"
#include "commands/FileCommands.h"
#include "dialogs/FindForm.h"
#include "document/frmDocument.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/ScriptedDialogs.h"
#include "platform/RichTextBox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

using Styles = QList<std::optional<bool>>;

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
    void keysThatMatchNothing_data();
    void keysThatMatchNothing();
    void clicksWithoutDocument_data();
    void clicksWithoutDocument();
    void formatButtonsFollowTheActiveDocument();
    void refreshCatchesChangesWithinATick_data();
    void refreshCatchesChangesWithinATick();
    void closedDialogsLeaveNoTimerRunning();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<frmMain> m_window;
    RichTextBox* editor() const { return m_window->ActiveForm()->rtfText; }
    MainToolBar& bar() const { return *m_window->tbToolBar; }
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

// The four style buttons on a selection that has the style throughout, not
// at all, or on its first half only.
void TestToolbar::styleToggle_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("styled");  // characters styled before the click, of 8
    QTest::addColumn<std::optional<bool>>("after");
    QTest::addColumn<int>("value");

    for (const char* key : {"Bold", "Italic", "Underline", "Strikethru"}) {
        QTest::addRow("%s all", key) << key << 8 << std::optional<bool>(false) << 0;
        QTest::addRow("%s none", key) << key << 0 << std::optional<bool>(true) << 1;
        // No single value, and its negation has none either: each character
        // keeps its own style, and the button shows unpressed.
        QTest::addRow("%s part", key) << key << 4 << std::optional<bool>() << 0;
    }
}

void TestToolbar::styleToggle()
{
    QFETCH(QString, key);
    QFETCH(int, styled);
    QFETCH(std::optional<bool>, after);
    QFETCH(int, value);

    const int index = QStringList{"Bold", "Italic", "Underline", "Strikethru"}.indexOf(key);
    using Setter = void (RichTextBox::*)(bool);
    const Setter setters[] = {&RichTextBox::setSelBold, &RichTextBox::setSelItalic, &RichTextBox::setSelUnderline,
                              &RichTextBox::setSelStrikeThru};
    RichTextBox& box = *editor();
    box.setText(QStringLiteral("абвгabcd"));
    box.setSelStart(0);
    box.setSelLength(styled);
    (box.*setters[index])(true);
    box.selectAll();
    QAction* button = bar().Button(key);
    bar().setValue(button, 1 - value);  // whatever it showed, the click decides

    button->trigger();
    Styles expected = {false, false, false, false};
    expected[index] = after;
    QCOMPARE(styles(box), expected);
    QCOMPARE(MainToolBar::Value(button), value);
    if (!after) {
        box.setSelStart(0);
        box.setSelLength(styled);
        QCOMPARE(styles(box).at(index), std::optional<bool>(true));
    }

    // A second click on a uniform selection turns it back.
    if (after) {
        button->trigger();
        QCOMPARE(styles(box).at(index), std::optional<bool>(!*after));
        QCOMPARE(MainToolBar::Value(button), *after ? 0 : 1);
    }
}

void TestToolbar::alignmentGroup()
{
    RichTextBox& box = *editor();
    box.setText(QStringLiteral("первый\nвторой"));
    box.setSelStart(2);
    const auto pressed = [this] {
        return QList<int>{MainToolBar::Value(bar().Button(QStringLiteral("Align Left"))),
                          MainToolBar::Value(bar().Button(QStringLiteral("Center"))),
                          MainToolBar::Value(bar().Button(QStringLiteral("Align Right")))};
    };
    bar().Button(QStringLiteral("Center"))->trigger();
    QCOMPARE(box.SelAlignment(), std::optional<int>(ParagraphAlignment::Center));
    QCOMPARE(pressed(), (QList<int>{0, 1, 0}));
    bar().Button(QStringLiteral("Align Right"))->trigger();
    QCOMPARE(box.SelAlignment(), std::optional<int>(ParagraphAlignment::Right));
    QCOMPARE(pressed(), (QList<int>{0, 0, 1}));
    // Clicking the pressed one keeps it pressed.
    bar().Button(QStringLiteral("Align Right"))->trigger();
    QCOMPARE(pressed(), (QList<int>{0, 0, 1}));
    // Only the paragraph of the caret; the other stays left.
    box.setSelStart(10);
    QCOMPARE(box.SelAlignment(), std::optional<int>(ParagraphAlignment::Left));
    QCOMPARE(pressed(), (QList<int>{1, 0, 0}));
}

// Keys compare exactly: other letter case, a blank more, the keyed
// separator and keys in no row do nothing at all.
void TestToolbar::keysThatMatchNothing_data()
{
    QTest::addColumn<QString>("key");
    for (const char* key : {"separator2", "Separator2", "bold", "BOLD", "Bold ", "italic", "center", "Align left",
                            "align right", "new", "NEW", "open", "save", "print", "cut", "copy", "paste", "find",
                            "Justify", "Unknown"})
        QTest::newRow(key) << QString::fromLatin1(key);
}

void TestToolbar::keysThatMatchNothing()
{
    QFETCH(QString, key);
    RichTextBox& box = *editor();
    box.setText(QStringLiteral("текст"));
    box.selectAll();
    box.setSelAlignment(ParagraphAlignment::Right);
    QGuiApplication::clipboard()->setText(QStringLiteral("буфер"));
    const QList<int> values = formatValues(bar());
    ScriptedMessageBoxes boxes;
    ScriptedCommonDialogs dialogs;

    QAction button;
    MainToolBar::setKey(&button, key);
    m_window->tbToolBar_ButtonClick(&button);

    QCOMPARE(m_window->documentWindows().size(), 1);
    QCOMPARE(box.Text(), QStringLiteral("текст"));
    QCOMPARE(box.SelLength(), 5);
    QCOMPARE(styles(box), (Styles{false, false, false, false}));
    QCOMPARE(box.SelAlignment(), std::optional<int>(ParagraphAlignment::Right));
    QCOMPARE(formatValues(bar()), values);
    QCOMPARE(MainToolBar::Value(&button), 0);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("буфер"));
    QVERIFY(boxes.requests().isEmpty());
    QVERIFY(dialogs.shown().isEmpty());
    QVERIFY(!m_window->findChild<FindForm*>());
}

// With no document open, a button that needs one does nothing and reports
// nothing; the style buttons keep their look. Copy runs the Edit menu's
// command, which empties the clipboard before it finds no selection to put
// there.
void TestToolbar::clicksWithoutDocument_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("clipboard");
    for (const char* key : {"Save", "Print", "Cut", "Copy", "Paste", "Bold", "Italic", "Underline", "Strikethru",
                            "Align Left", "Center", "Align Right", "Find"})
        QTest::newRow(key) << QString::fromLatin1(key) << (qstrcmp(key, "Copy") ? QStringLiteral("буфер") : QString());
}

void TestToolbar::clicksWithoutDocument()
{
    QFETCH(QString, key);
    QFETCH(QString, clipboard);
    editor()->setText(QStringLiteral("x"));
    editor()->selectAll();
    editor()->setSelBold(true);
    editor()->setSelStart(1);
    QCOMPARE(MainToolBar::Value(bar().Button(QStringLiteral("Bold"))), 1);
    closeWithoutQuestion(*m_window);
    QVERIFY(!m_window->ActiveForm());
    QGuiApplication::clipboard()->setText(QStringLiteral("буфер"));
    const QList<int> values = formatValues(bar());
    ScriptedMessageBoxes boxes;
    ScriptedCommonDialogs dialogs;

    m_window->tbToolBar_ButtonClick(bar().Button(key));

    QVERIFY(m_window->documentWindows().isEmpty());
    QCOMPARE(formatValues(bar()), values);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    QVERIFY(boxes.requests().isEmpty());
    QVERIFY(dialogs.shown().isEmpty());
    QVERIFY(!m_window->findChild<FindForm*>());
}

// A new empty document never shows a style pressed; turning back to a
// document shows its formatting again.
void TestToolbar::formatButtonsFollowTheActiveDocument()
{
    RichTextBox& first = *editor();
    first.setText(QStringLiteral("жирный справа"));
    first.selectAll();
    first.setSelBold(true);
    first.setSelItalic(true);
    first.setSelAlignment(ParagraphAlignment::Right);
    first.setSelStart(3);
    QCOMPARE(formatValues(bar()), (QList<int>{1, 1, 0, 0, 0, 0, 1}));
    QMdiSubWindow* firstWindow = m_window->mdiArea()->currentSubWindow();

    bar().Button(QStringLiteral("New"))->trigger();
    QCOMPARE(m_window->documentWindows().size(), 2);
    QCOMPARE(formatValues(bar()), (QList<int>{0, 0, 0, 0, 1, 0, 0}));
    QMdiSubWindow* secondWindow = m_window->mdiArea()->currentSubWindow();
    editor()->setText(QStringLiteral("по центру"));
    editor()->setSelAlignment(ParagraphAlignment::Center);
    editor()->setSelUnderline(true);  // the typing format at the caret

    m_window->mdiArea()->setActiveSubWindow(firstWindow);
    QCOMPARE(formatValues(bar()), (QList<int>{1, 1, 0, 0, 0, 0, 1}));
    m_window->mdiArea()->setActiveSubWindow(secondWindow);
    QCOMPARE(formatValues(bar()), (QList<int>{0, 0, 1, 0, 0, 1, 0}));

    m_window->menu()->mnuFileNew->trigger();
    QCOMPARE(formatValues(bar()), (QList<int>{0, 0, 0, 0, 1, 0, 0}));
}

enum class Change { ClipboardText, ClipboardCleared, SelectAllCommand, CaretMovedByCommand, SaveAsCaption,
                    AnotherDocumentActivated, LastDocumentClosed, EnabledWrittenElsewhere };
Q_DECLARE_METATYPE(Change)

void TestToolbar::refreshCatchesChangesWithinATick_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("enabledBefore");
    QTest::addColumn<bool>("enabledAfter");

    QTest::newRow("clipboard gets text") << Change::ClipboardText << "mnuEditPaste" << false << true;
    QTest::newRow("clipboard cleared") << Change::ClipboardCleared << "mnucontxtpaste" << true << false;
    QTest::newRow("Select All") << Change::SelectAllCommand << "mnuEditCut" << false << true;
    QTest::newRow("date and time typed over the selection")
        << Change::CaretMovedByCommand << "mnuEditCopy" << true << false;
    QTest::newRow("Save As names the document") << Change::SaveAsCaption << "mnufiledelete" << false << true;
    QTest::newRow("untitled document activated")
        << Change::AnotherDocumentActivated << "mnufiledelete" << true << false;
    QTest::newRow("last document closed") << Change::LastDocumentClosed << "mnuFileSave" << true << false;
    // Put right by the next tick.
    QTest::newRow("enabled state written elsewhere")
        << Change::EnabledWrittenElsewhere << "mnueditfind" << true << true;
}

void TestToolbar::refreshCatchesChangesWithinATick()
{
    QFETCH(Change, change);
    QFETCH(QString, item);
    QFETCH(bool, enabledBefore);
    QFETCH(bool, enabledAfter);

    QTemporaryDir folder;
    RichTextBox& box = *editor();
    box.setText(QStringLiteral("текст документа"));
    box.setSelStart(2);
    if (change == Change::ClipboardCleared)
        QGuiApplication::clipboard()->setText(QStringLiteral("буфер"));
    if (change == Change::CaretMovedByCommand)
        box.selectAll();
    if (change == Change::AnotherDocumentActivated)
        m_window->ActiveForm()->setCaption(folder.filePath(QStringLiteral("названный.txt")));
    // The pass has run; the next ticks find nothing to do until the change.
    m_window->TimerChecking_Timer();
    m_window->TimerChecking_Timer();
    QAction* action = m_window->findChild<QAction*>(item);
    QVERIFY(action);
    QCOMPARE(action->isEnabled(), enabledBefore);

    ScriptedCommonDialogs dialogs;
    switch (change) {
    case Change::ClipboardText:
        QGuiApplication::clipboard()->setText(QStringLiteral("буфер"));
        break;
    case Change::ClipboardCleared:
        QGuiApplication::clipboard()->clear();
        break;
    case Change::SelectAllCommand:
        m_window->menu()->mnueditselectall->trigger();
        break;
    case Change::CaretMovedByCommand:
        m_window->menu()->mnuedittemedate->trigger();
        break;
    case Change::SaveAsCaption:
        dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(folder.filePath("документ.rtf"), 3));
        m_window->fileCommands()->mnuFileSaveAs_Click();
        QCOMPARE(m_window->ActiveForm()->Caption(), folder.filePath("документ.rtf"));
        break;
    case Change::AnotherDocumentActivated:
        m_window->CreateDocumentWindow();
        break;
    case Change::LastDocumentClosed:
        closeWithoutQuestion(*m_window);
        break;
    case Change::EnabledWrittenElsewhere:
        action->setEnabled(false);
        break;
    }

    m_window->TimerChecking_Timer();
    QCOMPARE(action->isEnabled(), enabledAfter);
    QCOMPARE(dialogs.unexpected(), 0);
}

// What keeps waking the idle program: the refresh timer and the status bar
// clock. The find dialog and the About box tick every 10 ms while open; once
// closed, they are gone with their timers.
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
