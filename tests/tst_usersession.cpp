// One user's session across the program, through keys, menus, the toolbar
// and the dialogs: a new document typed in Russian and English, a completed
// tag, a bold word, find and replace, saved as RTF, closed, opened again and
// compared; then saved as text and opened again.

#include "app/MainMenu.h"
#include "app/MainToolBar.h"
#include "app/frmMain.h"
#include "dialogs/FindForm.h"
#include "document/frmDocument.h"
#include "helpers/EditorInput.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/NamedPart.h"
#include "helpers/ScriptedDialogs.h"
#include "helpers/TestFiles.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Lets the refresh timer bring the commands' enabled states up to date.
void settle()
{
    QTest::qWait(30);
}

RichTextBox* activeEditor(frmMain& main)
{
    frmDocument* document = main.ActiveForm();
    return document ? document->rtfText : nullptr;
}

std::optional<bool> boldAt(RichTextBox* editor, const QString& word)
{
    const qsizetype at = editor->Text().indexOf(word);
    if (at < 0)
        return std::nullopt;
    editor->setSelStart(at);
    editor->setSelLength(word.size());
    return editor->SelBold();
}

} // namespace

class TestUserSession : public QObject
{
    Q_OBJECT

private slots:
    void typeFormatFindSaveAndReopen();
};

void TestUserSession::typeFormatFindSaveAndReopen()
{
    IsolatedSettings settings;
    QVERIFY(TestFiles::writeFile(settings.programFolder() + QStringLiteral("/tags.lst"), "b\r\ntable\r\n"));
    QTemporaryDir dir;
    const QString rtfPath = dir.filePath(QStringLiteral("письмо.rtf"));
    const QString textPath = dir.filePath(QStringLiteral("письмо.txt"));
    ScriptedMessageBoxes boxes;
    ScriptedCommonDialogs dialogs;

    frmMain main;
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));

    // A new document, typed in both languages, with a tag completed on the way.
    EditorInput::pressKey(Qt::Key_N, QString(), Qt::ControlModifier);
    QCOMPARE(main.ActiveForm()->Caption(), QStringLiteral("Документ 2"));
    EditorInput::typeKeys(QStringLiteral("Привет, world! "));
    EditorInput::typeKeys(QStringLiteral("<b"));
    EditorInput::pressKey(Qt::Key_Return);
    EditorInput::typeKeys(QStringLiteral("жирный"));
    RichTextBox* editor = activeEditor(main);
    QCOMPARE(editor->Text(), QStringLiteral("Привет, world! <b>жирный</b>"));

    // The word found in the find dialog, then made bold from the toolbar.
    settle();
    EditorInput::pressKey(Qt::Key_F3);
    auto* find = main.findChild<FindForm*>();
    QVERIFY(find);
    EditorInput::typeText(namedPart<QLineEdit>(*find, "Text1"), QStringLiteral("world"));
    find->Timer1_Timer();
    QTest::mouseClick(namedPart<QPushButton>(*find, "findButton"), Qt::LeftButton);
    QCOMPARE(editor->SelText(), QStringLiteral("world"));
    settle();
    MainToolBar* toolBar = namedPart<MainToolBar>(main, "tbToolBar");
    QTest::mouseClick(toolBar->widgetForAction(toolBar->Button(QStringLiteral("Bold"))), Qt::LeftButton);
    QCOMPARE(editor->SelBold(), std::optional<bool>(true));

    // Replace all from the start of the text.
    namedPart<QLineEdit>(*find, "Text1")->clear();
    EditorInput::typeText(namedPart<QLineEdit>(*find, "Text1"), QStringLiteral("Привет"));
    EditorInput::typeText(namedPart<QLineEdit>(*find, "Text2"), QStringLiteral("Здравствуй"));
    find->Timer1_Timer();
    QTest::mouseClick(namedPart<QPushButton>(*find, "findButton"), Qt::LeftButton);  // from the start
    boxes.expect(MsgResult::OK);
    QTest::mouseClick(namedPart<QPushButton>(*find, "ReplaceAll"), Qt::LeftButton);
    QCOMPARE(boxes.texts().last(), QStringLiteral("Перемещено"));
    QCOMPARE(editor->Text(), QStringLiteral("Здравствуй, world! <b>жирный</b>"));
    QTest::mouseClick(namedPart<QPushButton>(*find, "Exit"), Qt::LeftButton);

    // Saved as RTF: the untitled document asks for a name.
    QVERIFY(QTest::qWaitForWindowActive(&main));
    settle();
    dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(rtfPath, 3));
    EditorInput::pressKey(Qt::Key_S, QString(), Qt::ControlModifier);
    QCOMPARE(main.ActiveForm()->Caption(), rtfPath);
    QVERIFY(TestFiles::readFile(rtfPath).startsWith("{\\rtf1"));

    // Closed (the prompt is answered No: it was just saved) and opened again.
    boxes.expect(MsgResult::No);
    main.mdiArea()->activeSubWindow()->close();
    QCOMPARE(main.documentWindows().size(), 1);
    settle();
    dialogs.expect(CommonDialogKind::Open, ScriptedCommonDialogs::open(rtfPath));
    EditorInput::pressKey(Qt::Key_O, QString(), Qt::ControlModifier);
    QCOMPARE(main.ActiveForm()->Caption(), rtfPath);
    editor = activeEditor(main);
    QCOMPARE(editor->Text(), QStringLiteral("Здравствуй, world! <b>жирный</b>"));
    QCOMPARE(boldAt(editor, QStringLiteral("world")), std::optional<bool>(true));
    QCOMPARE(boldAt(editor, QStringLiteral("Здравствуй")), std::optional<bool>(false));
    QCOMPARE(boldAt(editor, QStringLiteral("жирный")), std::optional<bool>(false));

    // Saved as text under another name and opened again: the same text, no
    // formats.
    settle();
    dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(textPath, 1));
    main.menu()->mnuFileSaveAs->trigger();
    QCOMPARE(main.ActiveForm()->Caption(), textPath);
    dialogs.expect(CommonDialogKind::Open, ScriptedCommonDialogs::open(textPath));
    main.menu()->mnuFileOpen->trigger();
    editor = activeEditor(main);
    QCOMPARE(main.ActiveForm()->Caption(), textPath);
    QCOMPARE(editor->Text(), QStringLiteral("Здравствуй, world! <b>жирный</b>"));
    QCOMPARE(boldAt(editor, QStringLiteral("world")), std::optional<bool>(false));

    QCOMPARE(dialogs.unexpected(), 0);
    QCOMPARE(boxes.unexpected(), 0);

    // Closing the program asks about each document that holds text.
    boxes.expect(MsgResult::No);
    boxes.expect(MsgResult::No);
    main.close();
}

QTEST_MAIN(TestUserSession)
#include "tst_usersession.moc"
