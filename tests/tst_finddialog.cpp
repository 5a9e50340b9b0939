// The find and replace dialog as a user drives it: its commands on the
// active document, the messages, the button states, the keys, and how the
// main window opens and closes it.

#include "app/MainMenu.h"
#include "app/MainToolBar.h"
#include "app/frmMain.h"
#include "dialogs/FindForm.h"
#include "dialogs/TextPattern.h"
#include "document/frmDocument.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/NamedPart.h"
#include "helpers/ScriptedDialogs.h"
#include "platform/RichTextBox.h"
#include "texts/UiTexts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QTextCursor>

#include <memory>

namespace {

// Lone document windows, one of them active, and a dialog working on them.
struct Documents
{
    std::vector<std::unique_ptr<frmDocument>> windows;
    frmDocument* active = nullptr;
    QPointer<FindForm> form;

    Documents()
    {
        CommandContext context;
        context.activeForm = [this] { return active; };
        form = new FindForm(context);
    }
    ~Documents() { delete form.data(); }
    RichTextBox* add(const QString& text)
    {
        windows.push_back(std::make_unique<frmDocument>());
        active = windows.back().get();
        active->rtfText->setText(text);
        return active->rtfText;
    }
};

QString selection(const RichTextBox* editor)
{
    return QStringLiteral("@%1/%2").arg(editor->SelStart()).arg(editor->SelLength());
}

} // namespace

class TestFindDialog : public QObject
{
    Q_OBJECT

private slots:
    void patternFindsWhatQtFinds();
    void commands_data();
    void commands();
    void positionOutlivesTheDocument();
    void replaceAllKeepsFormatsAndIsOneUndoStep();
    void fieldsTakeTextOfAnyLength();
    void buttonStatesFollowTheFields();
    void enterFindsNextAndEscapeCloses();
    void mainWindowOpensOneDialog();
};

// The case-insensitive scan must agree with Qt's own search, on characters
// whose folding is not a plain case pair too.
void TestFindDialog::patternFindsWhatQtFinds()
{
    const QList<QPair<QString, QString>> special = {
        {"ok", "\u212A"}, {"\u017Fun", "SUN"}, {"ΑΣ", "ας"}, {"abababac", "ABAC"},
        {"a\U0001F600b", "B"}, {"x\U00010400y", "\U00010428Y"}, {"0\u04300\u0430\u04300", "\u0430\u04300"}};
    for (const auto& [text, what] : special)
        QCOMPARE(TextPattern(what, Qt::CaseInsensitive).indexIn(text, 0), text.indexOf(what, 0, Qt::CaseInsensitive));

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
        for (const Qt::CaseSensitivity cs : {Qt::CaseInsensitive, Qt::CaseSensitive}) {
            if (TextPattern(what, cs).indexIn(text, from) != text.indexOf(what, from, cs))
                QFAIL(qPrintable(QStringLiteral("%1 in %2 from %3").arg(what, text).arg(from)));
        }
    }
}

void TestFindDialog::commands_data()
{
    QTest::addColumn<QString>("text");  // [ ] mark the selection, | the caret; none: caret at 0
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("with");
    // F Найти, N Найти далее, R Заменить, A Заменить всё, C toggles the box
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("seen");  // after each step but C: a message, or the selection
    QTest::addColumn<QString>("finalText");

    const QString notFound = UiTexts::FindNotFound;
    const QString fromStart = UiTexts::FindNotFoundFromStart;
    const QString done = UiTexts::FindReplaceAllDone;
    const QString far = QStringLiteral("xxxxxxxxx\n").repeated(4000);

    QTest::newRow("Найти starts at the beginning every time")
        << "xa xa xa" << "xa" << "" << "NNF" << QStringList{"@0/2", "@3/2", "@0/2"} << "xa xa xa";
    QTest::newRow("overlapping matches, then the start again")
        << "aaaa" << "aa" << "" << "NNNNN" << QStringList{"@0/2", "@1/2", "@2/2", notFound, "@0/2"} << "aaaa";
    QTest::newRow("latin, any case") << "xx ABC" << "abc" << "" << "F" << QStringList{"@3/3"} << "xx ABC";
    QTest::newRow("latin, match case") << "xx ABC" << "abc" << "" << "CF" << QStringList{fromStart} << "xx ABC";
    QTest::newRow("cyrillic, any case") << "Ну ПРИВЕТ, Ёж" << "ёЖ" << "" << "F" << QStringList{"@11/2"}
                                        << "Ну ПРИВЕТ, Ёж";
    QTest::newRow("cyrillic, match case") << "Ну ПРИВЕТ" << "привет" << "" << "CF" << QStringList{fromStart}
                                          << "Ну ПРИВЕТ";
    QTest::newRow("the box is read at every search")
        << "ABC abc" << "abc" << "" << "FCF" << QStringList{"@0/3", "@4/3"} << "ABC abc";
    QTest::newRow("three messages; the replacement stays")
        << "abc" << "zz" << "q" << "FNR" << QStringList{fromStart, notFound, notFound} << "qabc";
    QTest::newRow("Заменить before any search, at the caret")
        << "ab ab|" << "ab" << "X" << "R" << QStringList{"@0/2"} << "ab abX";
    QTest::newRow("Заменить replaces whatever is selected")
        << "[one] two" << "two" << "1" << "R" << QStringList{"@2/3"} << "1 two";
    QTest::newRow("Заменить moves on past the match")
        << "a-a-a" << "a" << "bb" << "FRR" << QStringList{"@0/1", "@3/1", "@6/1"} << "bb-bb-a";
    QTest::newRow("Заменить всё after Найти") << "aaaa" << "a" << "b" << "FA" << QStringList{"@0/1", done} << "bbbb";
    QTest::newRow("Заменить всё with nothing selected") << "a-a|" << "a" << "b" << "A" << QStringList{done}
                                                        << "b-bb";
    QTest::newRow("Заменить всё from the middle")
        << "a1 a2 a3 a4" << "a" << "X" << "NNA" << QStringList{"@0/1", "@3/1", done} << "a1 X2 X3 X4";
    QTest::newRow("Заменить всё when the replacement holds the text")
        << "a a" << "a" << "aa" << "FA" << QStringList{"@0/1", done} << "aaa aa";
    QTest::newRow("Заменить всё with no match still reports") << "abc" << "z" << "y" << "A" << QStringList{done}
                                                              << "yabc";
    QTest::newRow("Заменить всё, any case, cyrillic") << "Мир мир МИР" << "мир" << "ом" << "A"
                                                      << QStringList{done} << "омом ом ом";
    QTest::newRow("nothing to find: nothing happens")
        << "a[b]c" << "" << "z" << "FNRA" << QStringList{"@1/1", "@1/1", "@1/1", "@1/1"} << "abc";
    QTest::newRow("a match beyond 32767") << far + "needle" << "needle" << "" << "FN"
                                          << QStringList{"@40000/6", notFound} << far + "needle";
    QTest::newRow("Заменить всё beyond 32767") << far + "needle" + far << "needle" << "pin" << "FA"
                                               << QStringList{"@40000/6", done} << far + "pin" + far;
}

void TestFindDialog::commands()
{
    QFETCH(QString, text);
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
    const qsizetype start = std::max(text.indexOf(QLatin1Char('[')), text.indexOf(QLatin1Char('|')));
    const qsizetype end = text.indexOf(QLatin1Char(']'));
    RichTextBox* editor = documents.add(QString(text).remove(QRegularExpression(QStringLiteral("[\\[\\]|]"))));
    editor->setSelStart(std::max<qsizetype>(start, 0));
    editor->setSelLength(end > start ? end - start - 1 : 0);
    FindForm* form = documents.form;
    namedPart<QLineEdit>(*form, "Text1")->setText(find);
    namedPart<QLineEdit>(*form, "Text2")->setText(with);

    QStringList actual;
    for (const QChar step : steps) {
        const qsizetype before = boxes.texts().size();
        switch (step.unicode()) {
        case 'F': form->findButton_Click(); break;
        case 'N': form->FindNext_Click(); break;
        case 'R': form->Replace_Click(); break;
        case 'A': form->ReplaceAll_Click(); break;
        case 'C': namedPart<QCheckBox>(*form, "Check1")->toggle(); continue;
        }
        actual << (boxes.texts().size() > before ? boxes.texts().constLast() : selection(editor));
    }
    QCOMPARE(actual, seen);
    QCOMPARE(boxes.unexpected(), 0);
    QCOMPARE(editor->Text(), finalText);
    // The fields outlive every message.
    QCOMPARE(namedPart<QLineEdit>(*form, "Text1")->text() + namedPart<QLineEdit>(*form, "Text2")->text(), find + with);
}

// FindPos belongs to the dialog: another document goes on from the same
// number, and without a document nothing is touched.
void TestFindDialog::positionOutlivesTheDocument()
{
    ScriptedMessageBoxes boxes;
    Documents documents;
    RichTextBox* first = documents.add(QStringLiteral("xx a"));
    frmDocument* firstWindow = documents.active;
    RichTextBox* second = documents.add(QStringLiteral("a a a a"));
    namedPart<QLineEdit>(*documents.form, "Text1")->setText(QStringLiteral("a"));
    namedPart<QLineEdit>(*documents.form, "Text2")->setText(QStringLiteral("b"));

    documents.active = firstWindow;
    documents.form->findButton_Click();
    documents.active = documents.windows.back().get();
    documents.form->FindNext_Click();
    QCOMPARE(selection(second), QStringLiteral("@4/1"));

    documents.active = nullptr;
    documents.form->findButton_Click();
    documents.form->Replace_Click();
    documents.form->ReplaceAll_Click();
    QCOMPARE(documents.form->FindPos(), 5);
    QCOMPARE(first->Text() + second->Text(), QStringLiteral("xx aa a a a"));
    QVERIFY(boxes.texts().isEmpty());
}

void TestFindDialog::replaceAllKeepsFormatsAndIsOneUndoStep()
{
    ScriptedMessageBoxes boxes;
    Documents documents;
    RichTextBox* editor = documents.add(QString());
    // "ab", "ab" in bold, "ab", and a second paragraph "ab"
    QTextCursor cursor = editor->textCursor();
    QTextCharFormat bold = RichTextBox::defaultCharFormat();
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("ab"), RichTextBox::defaultCharFormat());
    cursor.insertText(QStringLiteral("ab"), bold);
    cursor.insertText(QStringLiteral("ab\nab"), RichTextBox::defaultCharFormat());
    const QString original = editor->Text();
    editor->setSelStart(0);

    namedPart<QLineEdit>(*documents.form, "Text1")->setText(QStringLiteral("b"));
    namedPart<QLineEdit>(*documents.form, "Text2")->setText(QStringLiteral("XY"));
    boxes.expect(MsgResult::OK);
    documents.form->ReplaceAll_Click();
    const QString replaced = QStringLiteral("XYaXYaXYaXY\naXY");  // the first XY at the caret
    QCOMPARE(editor->Text(), replaced);
    QCOMPARE(editor->SelStart(), editor->textLength());  // the caret after the last replacement
    QString weights;
    for (int position = 1; position <= 11; ++position) {
        QTextCursor probe(editor->document());
        probe.setPosition(position);
        weights += probe.charFormat().fontWeight() == QFont::Bold ? QLatin1Char('B') : QLatin1Char('-');
    }
    QCOMPARE(weights, QStringLiteral("-----BBB---"));

    editor->document()->undo();
    QCOMPARE(editor->Text(), original);
    editor->document()->redo();
    QCOMPARE(editor->Text(), replaced);
}

// A find text pasted from a long document is searched for whole.
void TestFindDialog::fieldsTakeTextOfAnyLength()
{
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    Documents documents;
    const QString pattern = QString(40000, u'a') + u'b';
    RichTextBox* editor = documents.add(u'x' + pattern + u'y');
    editor->setSelLength(1);
    namedPart<QLineEdit>(*documents.form, "Text1")->insert(pattern);  // as a paste does
    namedPart<QLineEdit>(*documents.form, "Text2")->insert(QStringLiteral("z"));
    documents.form->ReplaceAll_Click();
    QCOMPARE(editor->Text(), QStringLiteral("zzy"));
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Перемещено")});
}

void TestFindDialog::buttonStatesFollowTheFields()
{
    Documents documents;
    FindForm* form = documents.form;
    // find, replace with: which buttons the timer enables within a tick
    const QList<std::tuple<const char*, const char*, bool, bool>> cases = {
        {"a", "b", true, true}, {"", "", false, false}, {"a", "", true, false}, {"", "b", false, false}};
    for (const auto& [find, with, canFind, canReplace] : cases) {
        namedPart<QLineEdit>(*form, "Text1")->setText(QLatin1String(find));
        namedPart<QLineEdit>(*form, "Text2")->setText(QLatin1String(with));
        QTRY_VERIFY(namedPart<QPushButton>(*form, "findButton")->isEnabled() == canFind && namedPart<QPushButton>(*form, "ReplaceAll")->isEnabled() == canReplace);
        QCOMPARE(namedPart<QPushButton>(*form, "FindNext")->isEnabled(), canFind);
        QCOMPARE(namedPart<QPushButton>(*form, "Replace")->isEnabled(), canReplace);
    }
}

void TestFindDialog::enterFindsNextAndEscapeCloses()
{
    Documents documents;
    RichTextBox* editor = documents.add(QStringLiteral("ab ab"));
    documents.active->show();
    documents.form->show();
    QVERIFY(QTest::qWaitForWindowActive(documents.form));
    QCOMPARE(QApplication::focusWidget(), namedPart<QLineEdit>(*documents.form, "Text1"));
    namedPart<QLineEdit>(*documents.form, "Text1")->setText(QStringLiteral("ab"));
    for (const char* expected : {"@0/2", "@3/2"}) {
        QTest::keyClick(namedPart<QLineEdit>(*documents.form, "Text1"), Qt::Key_Return);
        QCOMPARE(selection(editor), QLatin1String(expected));
        QTRY_VERIFY(editor->hasFocus());  // the document shows its selection
        documents.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(documents.form));
    }
    QTest::keyClick(namedPart<QLineEdit>(*documents.form, "Text1"), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(documents.form.isNull());
}

void TestFindDialog::mainWindowOpensOneDialog()
{
    IsolatedSettings settings;
    frmMain window;
    window.show();
    window.ActiveForm()->rtfText->setText(QStringLiteral("one two"));

    window.menu()->mnueditfind->trigger();
    QPointer<FindForm> form = window.findChild<FindForm*>();
    QVERIFY(form && form->isVisible());
    namedPart<QLineEdit>(*form, "Text1")->setText(QStringLiteral("two"));
    namedPart<QCheckBox>(*form, "Check1")->setChecked(true);
    namedPart<QPushButton>(*form, "findButton")->click();
    QCOMPARE(selection(window.ActiveForm()->rtfText), QStringLiteral("@4/3"));

    // Again, from the toolbar: the same dialog, fields and position.
    window.tbToolBar_ButtonClick(namedPart<MainToolBar>(window, "tbToolBar")->Button(QStringLiteral("Find")));
    QCOMPARE(window.findChildren<FindForm*>(), QList<FindForm*>{form});
    QVERIFY(namedPart<QCheckBox>(*form, "Check1")->isChecked());
    QCOMPARE(form->FindPos(), 5);

    // Closed and opened again: a fresh dialog.
    namedPart<QPushButton>(*form, "Exit")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.isNull());
    window.mnueditfind_Click();
    form = window.findChild<FindForm*>();
    QVERIFY(form && namedPart<QLineEdit>(*form, "Text1")->text().isEmpty() && form->FindPos() == 0);

    // The program's close unloads it.
    window.ActiveForm()->rtfText->clear();
    QVERIFY(window.close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.isNull());

    // Without a document the command opens nothing.
    frmMain empty;
    empty.mdiArea()->closeAllSubWindows();
    empty.mnueditfind_Click();
    QVERIFY(!empty.findChild<FindForm*>());
}

QTEST_MAIN(TestFindDialog)
#include "tst_finddialog.moc"
