// The find and replace dialog as a user drives it: its buttons on the active
// document, the messages, the button states, the keys, its lifetime, and how
// the main window opens it.

#include "app/MainMenu.h"
#include "app/MainToolBar.h"
#include "app/UiTexts.h"
#include "app/frmMain.h"
#include "commands/CommandContext.h"
#include "dialogs/FindForm.h"
#include "dialogs/TextPattern.h"
#include "document/frmDocument.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/ScriptedDialogs.h"
#include "platform/RichTextBox.h"
#include "platform/Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace {

// Lone document windows, one of them active, and the context a dialog of
// the main window would get.
struct Documents
{
    std::vector<std::unique_ptr<frmDocument>> windows;
    frmDocument* active = nullptr;

    frmDocument* add(const QString& text)
    {
        windows.push_back(std::make_unique<frmDocument>());
        active = windows.back().get();
        active->rtfText->setText(text);
        return active;
    }
    CommandContext context()
    {
        CommandContext context;
        context.activeForm = [this] { return active; };
        return context;
    }
};

void select(RichTextBox* editor, int start, int length)
{
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
}

// What the user sees after a command: the box it showed, or the selection.
QString after(RichTextBox* editor, const ScriptedMessageBoxes& boxes, qsizetype boxesBefore)
{
    if (boxes.texts().size() > boxesBefore)
        return boxes.texts().constLast();
    return QStringLiteral("@%1/%2").arg(editor->SelStart()).arg(editor->SelLength());
}

// Deletion on close is deferred; this lets it happen.
void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

class TestFindDialog : public QObject
{
    Q_OBJECT

private slots:
    void patternFindsWhatQtFinds_data();
    void patternFindsWhatQtFinds();
    void patternOnRandomText();
    void commands_data();
    void commands();
    void switchingDocumentsKeepsThePosition();
    void noActiveDocumentChangesNothing();
    void replaceAllKeepsFormatsAndIsOneUndoStep();
    void buttonStatesFollowTheFields_data();
    void buttonStatesFollowTheFields();
    void layoutAndTabOrder();
    void enterFindsNext();
    void closingDiscardsTheDialog_data();
    void closingDiscardsTheDialog();
    void mainWindowOpensOneDialog();
};

// The case-insensitive scan has to agree with Qt's own search.
void TestFindDialog::patternFindsWhatQtFinds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("from");
    QTest::newRow("latin") << "xxABCabc" << "abc" << 0;
    QTest::newRow("from after the first") << "xxABCabc" << "abc" << 3;
    QTest::newRow("from the end") << "abc" << "c" << 3;
    QTest::newRow("longer than the text") << "ab" << "abc" << 0;
    QTest::newRow("cyrillic ё") << "ель ЁЛКА" << "ёлка" << 0;
    QTest::newRow("kelvin sign") << "ok" << "\u212A" << 0;
    QTest::newRow("long s") << "\u017Fun" << "SUN" << 0;
    QTest::newRow("final sigma") << "ΑΣ" << "ας" << 0;
    QTest::newRow("shift past a partial match") << "abababac" << "ABAC" << 0;
    QTest::newRow("characters sharing a skip slot") << "0\u04300\u0430\u04300" << "\u0430\u04300" << 0;
    QTest::newRow("pair in the text") << "a\U0001F600b" << "B" << 0;
    QTest::newRow("pair in the pattern") << "x\U00010400y" << "\U00010428Y" << 0;
}

void TestFindDialog::patternFindsWhatQtFinds()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(int, from);
    const qsizetype expected = QStringView(text).indexOf(what, from, Qt::CaseInsensitive);
    QCOMPARE(TextPattern(what, Qt::CaseInsensitive).indexIn(text, from), expected);
    QCOMPARE(TextPattern(what, Qt::CaseSensitive).indexIn(text, from),
             QStringView(text).indexOf(what, from, Qt::CaseSensitive));
}

void TestFindDialog::patternOnRandomText()
{
    const QString alphabet = QStringLiteral("aAбБ0sSſ ёЁ");
    QRandomGenerator random(42);
    const auto make = [&](int length) {
        QString s;
        for (int i = 0; i < length; ++i)
            s += alphabet.at(random.bounded(alphabet.size()));
        return s;
    };
    for (int round = 0; round < 3000; ++round) {
        const QString text = make(random.bounded(40));
        const QString what = make(1 + random.bounded(4));
        const int from = random.bounded(text.size() + 1);
        const qsizetype expected = QStringView(text).indexOf(what, from, Qt::CaseInsensitive);
        const qsizetype actual = TextPattern(what, Qt::CaseInsensitive).indexIn(text, from);
        if (actual != expected)
            QFAIL(qPrintable(QStringLiteral("%1 in %2 from %3: %4, not %5")
                                 .arg(what, text).arg(from).arg(actual).arg(expected)));
    }
}

void TestFindDialog::commands_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    // F Найти, N Найти далее, R Заменить, A Заменить всё, C toggles the box
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("seen");  // after each step but C
    QTest::addColumn<QString>("finalText");

    const QString notFound = UiTexts::FindNotFound;
    const QString notFoundFromStart = UiTexts::FindNotFoundFromStart;
    const QString done = UiTexts::FindReplaceAllDone;

    QTest::newRow("Найти starts at the beginning every time")
        << "xa xa xa" << 0 << 0 << "xa" << "" << "NNF" << QStringList{"@0/2", "@3/2", "@0/2"} << "xa xa xa";
    QTest::newRow("overlapping matches, then the start again")
        << "aaaa" << 0 << 0 << "aa" << "" << "NNNNN"
        << QStringList{"@0/2", "@1/2", "@2/2", notFound, "@0/2"} << "aaaa";
    QTest::newRow("latin, any case") << "xx ABC" << 0 << 0 << "abc" << "" << "F" << QStringList{"@3/3"} << "xx ABC";
    QTest::newRow("latin, match case") << "xx ABC" << 0 << 0 << "abc" << "" << "CF"
                                       << QStringList{notFoundFromStart} << "xx ABC";
    QTest::newRow("cyrillic, any case") << "Ну ПРИВЕТ, Ёж" << 0 << 0 << "привет" << "" << "F"
                                        << QStringList{"@3/6"} << "Ну ПРИВЕТ, Ёж";
    QTest::newRow("cyrillic ё, any case") << "Ну ПРИВЕТ, Ёж" << 0 << 0 << "ёЖ" << "" << "F"
                                          << QStringList{"@11/2"} << "Ну ПРИВЕТ, Ёж";
    QTest::newRow("cyrillic, match case") << "Ну ПРИВЕТ" << 0 << 0 << "привет" << "" << "CF"
                                          << QStringList{notFoundFromStart} << "Ну ПРИВЕТ";
    QTest::newRow("the box is read at every search")
        << "ABC abc" << 0 << 0 << "abc" << "" << "FCF" << QStringList{"@0/3", "@4/3"} << "ABC abc";
    QTest::newRow("three messages; the replacement stays")
        << "abc" << 0 << 0 << "zz" << "q" << "FNR" << QStringList{notFoundFromStart, notFound, notFound}
        << "qabc";
    QTest::newRow("Заменить before any search inserts at the caret")
        << "ab ab" << 5 << 0 << "ab" << "X" << "R" << QStringList{"@0/2"} << "ab abX";
    QTest::newRow("Заменить replaces whatever is selected")
        << "one two" << 0 << 3 << "two" << "1" << "R" << QStringList{"@2/3"} << "1 two";
    QTest::newRow("Заменить moves on past the match it replaced")
        << "a-a-a" << 0 << 0 << "a" << "bb" << "FRR" << QStringList{"@0/1", "@3/1", "@6/1"} << "bb-bb-a";
    QTest::newRow("Заменить всё after Найти")
        << "aaaa" << 0 << 0 << "a" << "b" << "FA" << QStringList{"@0/1", done} << "bbbb";
    QTest::newRow("Заменить всё with nothing selected")
        << "a-a" << 3 << 0 << "a" << "b" << "A" << QStringList{done} << "b-bb";
    QTest::newRow("Заменить всё from the middle")
        << "a1 a2 a3 a4" << 0 << 0 << "a" << "X" << "NNA" << QStringList{"@0/1", "@3/1", done}
        << "a1 X2 X3 X4";
    QTest::newRow("Заменить всё when the replacement holds the text")
        << "a a" << 0 << 0 << "a" << "aa" << "FA" << QStringList{"@0/1", done} << "aaa aa";
    QTest::newRow("Заменить всё with no match still reports")
        << "abc" << 0 << 0 << "z" << "y" << "A" << QStringList{done} << "yabc";
    QTest::newRow("Заменить всё, any case, cyrillic")
        << "Мир мир МИР" << 0 << 0 << "мир" << "ом" << "A" << QStringList{done} << "омом ом ом";
    QTest::newRow("nothing to find: nothing happens")
        << "abc" << 1 << 1 << "" << "z" << "FNRA" << QStringList{"@1/1", "@1/1", "@1/1", "@1/1"} << "abc";

    const QString far = QString(40000, QLatin1Char('x'));
    QTest::newRow("a match beyond 32767") << far + "needle" << 0 << 0 << "needle" << "pin" << "FN"
                                          << QStringList{"@40000/6", notFound} << far + "needle";
    QTest::newRow("Заменить всё beyond 32767") << far + "needle" + far << 0 << 0 << "needle" << "pin" << "FA"
                                               << QStringList{"@40000/6", done} << far + "pin" + far;
}

void TestFindDialog::commands()
{
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(QString, steps);
    QFETCH(QStringList, seen);
    QFETCH(QString, finalText);

    ScriptedMessageBoxes boxes;
    for (const QString& expected : seen) {
        if (!expected.startsWith(QLatin1Char('@')))
            boxes.expect(MsgResult::OK);
    }
    Documents documents;
    RichTextBox* editor = documents.add(text)->rtfText;
    select(editor, selStart, selLength);
    auto* form = new FindForm(documents.context());
    QPointer<FindForm> guard(form);
    form->Text1->setText(find);
    form->Text2->setText(with);

    QStringList actual;
    for (const QChar step : steps) {
        const qsizetype before = boxes.texts().size();
        switch (step.unicode()) {
        case 'F': form->findButton_Click(); break;
        case 'N': form->FindNext_Click(); break;
        case 'R': form->Replace_Click(); break;
        case 'A': form->ReplaceAll_Click(); break;
        case 'C': form->Check1->toggle(); continue;
        }
        actual << after(editor, boxes, before);
    }
    QCOMPARE(actual, seen);
    QCOMPARE(boxes.unexpected(), 0);
    QCOMPARE(editor->Text(), finalText);
    for (const MessageBoxRequest& request : boxes.requests()) {
        QCOMPARE(request.buttons, MsgButtons::OKOnly);
        QCOMPARE(request.icon, MsgIcon::None);
    }
    // The fields outlive every message.
    QCOMPARE(form->Text1->text(), find);
    QCOMPARE(form->Text2->text(), with);
    delete guard.data();
}

void TestFindDialog::switchingDocumentsKeepsThePosition()
{
    ScriptedMessageBoxes boxes;
    Documents documents;
    frmDocument* first = documents.add(QStringLiteral("xx a"));
    frmDocument* second = documents.add(QStringLiteral("a a a a"));
    auto* form = new FindForm(documents.context());
    form->Text1->setText(QStringLiteral("a"));

    documents.active = first;
    form->findButton_Click();
    QCOMPARE(form->FindPos(), 4);
    documents.active = second;
    form->FindNext_Click();
    // On from the fifth character of the other document.
    QCOMPARE(second->rtfText->SelStart(), 4);
    QCOMPARE(form->FindPos(), 5);
    QCOMPARE(first->rtfText->SelStart(), 3);
    QVERIFY(boxes.texts().isEmpty());
    delete form;
}

void TestFindDialog::noActiveDocumentChangesNothing()
{
    ScriptedMessageBoxes boxes;
    Documents documents;
    frmDocument* document = documents.add(QStringLiteral("a a"));
    auto* form = new FindForm(documents.context());
    form->Text1->setText(QStringLiteral("a"));
    form->Text2->setText(QStringLiteral("b"));
    form->FindNext_Click();
    documents.active = nullptr;
    form->findButton_Click();
    form->FindNext_Click();
    form->Replace_Click();
    form->ReplaceAll_Click();
    QVERIFY(boxes.texts().isEmpty());
    QCOMPARE(form->FindPos(), 1);
    QCOMPARE(document->rtfText->Text(), QStringLiteral("a a"));
    delete form;
}

void TestFindDialog::replaceAllKeepsFormatsAndIsOneUndoStep()
{
    ScriptedMessageBoxes boxes;
    Documents documents;
    RichTextBox* editor = documents.add(QString())->rtfText;
    // "ab" plain, "ab" bold, "ab" plain, then a second paragraph "ab"
    QTextCursor cursor = editor->textCursor();
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("ab"), RichTextBox::defaultCharFormat());
    QTextCharFormat boldDefault = RichTextBox::defaultCharFormat();
    boldDefault.merge(bold);
    cursor.insertText(QStringLiteral("ab"), boldDefault);
    cursor.insertText(QStringLiteral("ab\nab"), RichTextBox::defaultCharFormat());
    const QString original = editor->Text();
    select(editor, 0, 0);

    boxes.expect(MsgResult::OK);
    auto* form = new FindForm(documents.context());
    form->Text1->setText(QStringLiteral("b"));
    form->Text2->setText(QStringLiteral("XY"));
    form->ReplaceAll_Click();
    // The first XY went in at the caret.
    QCOMPARE(editor->Text(), QStringLiteral("XYaXYaXYaXY\naXY"));
    QCOMPARE(editor->SelStart(), editor->textLength());
    QCOMPARE(editor->document()->blockCount(), 2);

    // Each character's weight: the replacement in the bold run is bold, the
    // text around it as it was.
    QString weights;
    for (int position = 1; position <= 11; ++position) {
        QTextCursor probe(editor->document());
        probe.setPosition(position);
        weights += probe.charFormat().fontWeight() == QFont::Bold ? QLatin1Char('B') : QLatin1Char('-');
    }
    QCOMPARE(weights, QStringLiteral("-----BBB---"));

    // One undo takes back the whole pass, the first insertion included.
    editor->document()->undo();
    QCOMPARE(editor->Text(), original);
    editor->document()->redo();
    QCOMPARE(editor->Text(), QStringLiteral("XYaXYaXYaXY\naXY"));
    delete form;
}

void TestFindDialog::buttonStatesFollowTheFields_data()
{
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    QTest::addColumn<bool>("canFind");
    QTest::addColumn<bool>("canReplace");
    QTest::newRow("both empty") << "" << "" << false << false;
    QTest::newRow("only the replacement") << "" << "b" << false << false;
    QTest::newRow("only the text") << "a" << "" << true << false;
    QTest::newRow("both") << "a" << "b" << true << true;
}

void TestFindDialog::buttonStatesFollowTheFields()
{
    QFETCH(QString, find);
    QFETCH(QString, with);
    QFETCH(bool, canFind);
    QFETCH(bool, canReplace);

    Documents documents;
    auto* form = new FindForm(documents.context());
    // Start from the opposite state so that the timer has to act.
    form->Text1->setText(canFind ? QString() : QStringLiteral("x"));
    form->Text2->setText(canReplace ? QString() : QStringLiteral("y"));
    QTRY_COMPARE(form->findButton->isEnabled(), !canFind);
    form->Text1->setText(find);
    form->Text2->setText(with);
    QTRY_COMPARE(form->findButton->isEnabled(), canFind);
    QTRY_COMPARE(form->ReplaceAll->isEnabled(), canReplace);
    QCOMPARE(form->FindNext->isEnabled(), canFind);
    QCOMPARE(form->Replace->isEnabled(), canReplace);
    QVERIFY(form->Exit->isEnabled());
    delete form;
}

void TestFindDialog::layoutAndTabOrder()
{
    Documents documents;
    auto* form = new FindForm(documents.context());
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));

    QCOMPARE(form->windowTitle(), UiTexts::FindCaption);
    const Qt::WindowFlags flags = form->windowFlags();
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    const auto px = [form](int twips) { return Twips::toPixels(twips, form->logicalDpiX()); };
    QCOMPARE(form->size(), QSize(px(7185), px(1560)));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QCOMPARE(form->Check1->geometry(), QRect(px(1440), px(1080), px(2415), px(375)));
    QCOMPARE(form->Check1->text(), UiTexts::FindMatchCase);
    QVERIFY(!form->Check1->isChecked());
    QCOMPARE(form->Label2->text(), UiTexts::FindReplaceLabel);
    QCOMPARE(form->ReplaceAll->text(), QStringLiteral("Заменить всё"));

    QStringList order;
    QWidget* widget = form->Exit;
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != form->Exit);
    QCOMPARE(order, (QStringList{"Exit", "Replace", "Text1", "Text2", "findButton", "Check1", "FindNext",
                                 "ReplaceAll"}));
    QCOMPARE(QApplication::focusWidget(), form->Text1);
    delete form;
}

void TestFindDialog::enterFindsNext()
{
    ScriptedMessageBoxes boxes;
    Documents documents;
    frmDocument* document = documents.add(QStringLiteral("ab ab"));
    document->show();
    QVERIFY(QTest::qWaitForWindowExposed(document));
    RichTextBox* editor = document->rtfText;
    auto* form = new FindForm(documents.context());
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->Text1->setText(QStringLiteral("ab"));
    for (const int expected : {0, 3}) {
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QCOMPARE(editor->SelStart(), expected);
        QCOMPARE(editor->SelLength(), 2);
        // The document takes the focus to show its selection.
        QTRY_VERIFY(editor->hasFocus());
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }
    delete form;
}

void TestFindDialog::closingDiscardsTheDialog_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Закрыть") << 0;
    QTest::newRow("title bar") << 1;
    QTest::newRow("Escape") << 2;
}

void TestFindDialog::closingDiscardsTheDialog()
{
    QFETCH(int, how);
    Documents documents;
    QPointer<FindForm> form = new FindForm(documents.context());
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->Text1->setText(QStringLiteral("a"));
    if (how == 0)
        form->Exit->click();
    else if (how == 1)
        form->close();
    else
        QTest::keyClick(form->Text1, Qt::Key_Escape);
    processDeferredDeletes();
    QVERIFY(form.isNull());
}

void TestFindDialog::mainWindowOpensOneDialog()
{
    IsolatedSettings settings;
    ScriptedMessageBoxes boxes;
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.ActiveForm()->rtfText->setText(QStringLiteral("one two"));

    window.menu()->mnueditfind->trigger();
    QPointer<FindForm> form = window.findChild<FindForm*>(QStringLiteral("FindForm"));
    QVERIFY(form);
    QVERIFY(form->isVisible());
    form->Text1->setText(QStringLiteral("two"));
    form->Check1->setChecked(true);
    form->findButton->click();
    QCOMPARE(window.ActiveForm()->rtfText->SelStart(), 4);

    // Opened again, from the toolbar: the same dialog with the same fields.
    window.tbToolBar_ButtonClick(window.tbToolBar->Button(QStringLiteral("Find")));
    QCOMPARE(window.findChildren<FindForm*>().size(), 1);
    QCOMPARE(window.findChild<FindForm*>(), form.data());
    QCOMPARE(form->Text1->text(), QStringLiteral("two"));
    QVERIFY(form->Check1->isChecked());
    QCOMPARE(form->FindPos(), 5);

    // A document the main window makes active is the one searched.
    window.CreateDocumentWindow();
    window.ActiveForm()->rtfText->setText(QStringLiteral("two"));
    form->findButton->click();
    QCOMPARE(window.ActiveForm()->rtfText->SelLength(), 3);

    // Closed and opened again: a fresh dialog.
    form->Exit->click();
    processDeferredDeletes();
    QVERIFY(form.isNull());
    window.mnueditfind_Click();
    form = window.findChild<FindForm*>();
    QVERIFY(form);
    QCOMPARE(form->Text1->text(), QString());
    QCOMPARE(form->FindPos(), 0);

    // The main window unloads it when the program closes.
    window.ActiveForm()->rtfText->clear();
    window.documentWindows().constFirst()->rtfText->clear();
    QVERIFY(window.close());
    processDeferredDeletes();
    QVERIFY(form.isNull());

    // Without a document the command opens nothing.
    frmMain empty;
    empty.mdiArea()->closeAllSubWindows();
    QVERIFY(!empty.ActiveForm());
    empty.mnueditfind_Click();
    QVERIFY(!empty.findChild<FindForm*>());
    QVERIFY(boxes.texts().isEmpty());
}

QTEST_MAIN(TestFindDialog)
#include "tst_finddialog.moc"
