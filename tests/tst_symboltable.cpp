// The symbol table: the code page 1251 table, selecting in it with the mouse
// and the keys, copying and inserting, the button states, and its opening
// from the main window.

#include "app/MainMenu.h"
#include "app/UiTexts.h"
#include "app/frmMain.h"
#include "commands/CommandContext.h"
#include "dialogs/SymbolTable.h"
#include "dialogs/frmSimbolSelect.h"
#include "document/frmDocument.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/ScriptedDialogs.h"
#include "platform/RichTextBox.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <memory>

namespace {

// Position of a cell in the box: each row is 32 characters and a break.
int cell(int row, int column)
{
    return row * (SymbolTable::Columns + 1) + column;
}

void selectInTable(frmSimbolSelect* dialog, int from, int to)
{
    QTextCursor cursor = dialog->SimbolText->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    dialog->SimbolText->setTextCursor(cursor);
}

struct Fixture
{
    frmDocument document;
    CommandContext context;
    QPointer<frmSimbolSelect> dialog;

    explicit Fixture(QClipboard* clipboard = QApplication::clipboard())
    {
        context.activeForm = [this] { return &document; };
        context.clipboard = clipboard;
        dialog = new frmSimbolSelect(context);
    }
    ~Fixture() { delete dialog.data(); }
};

} // namespace

class TestSymbolTable : public QObject
{
    Q_OBJECT

private slots:
    void tableRows_data();
    void tableRows();
    void insertsTheSelection_data();
    void insertsTheSelection();
    void copiesTheSelection();
    void copyWithoutClipboardChangesNothing();
    void buttonsFollowTheSelection();
    void typingChangesNothing();
    void keyboardSelects();
    void layoutAndFont();
    void menuOpensAFreshModalDialog();
};

void TestSymbolTable::tableRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<int>("column");  // and one character somewhere in the row
    QTest::addColumn<QString>("character");
    QTest::newRow("signs and digits") << 0 << " " << "?" << 16 << "0";
    QTest::newRow("capitals") << 1 << "@" << "_" << 1 << "A";
    QTest::newRow("small letters and DEL") << 2 << "`" << "\u007F" << 26 << "z";
    QTest::newRow("0x80, 0x98 unassigned") << 3 << "\u0402" << "\u045F" << 24 << "\uFFFD";
    QTest::newRow("0x88, the euro") << 3 << "\u0402" << "\u045F" << 8 << "\u20AC";
    QTest::newRow("0xA0, no-break space") << 4 << "\u00A0" << "\u0457" << 9 << "\u00A9";
    QTest::newRow("А to Я") << 5 << "А" << "Я" << 6 << "Ж";
    QTest::newRow("а to я") << 6 << "а" << "я" << 6 << "ж";
}

void TestSymbolTable::tableRows()
{
    QFETCH(int, row);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(int, column);
    QFETCH(QString, character);

    const QString table = SymbolTable::text();
    QCOMPARE(table.size(), 238);
    const QString line = table.mid(row * SymbolTable::RowLength, SymbolTable::RowLength);
    QCOMPARE(line.right(2), QStringLiteral("\r\n"));
    QCOMPARE(line.left(1), first);
    QCOMPARE(line.mid(31, 1), last);
    QCOMPARE(line.mid(column, 1), character);

    // The box shows the same row as one line.
    Fixture fixture;
    const QTextBlock block = fixture.dialog->SimbolText->document()->findBlockByNumber(row);
    QCOMPARE(block.text(), line.left(32));
}

void TestSymbolTable::insertsTheSelection_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("text");  // the editor's, "[x]" selected
    QTest::addColumn<QString>("result");
    QTest::newRow("a capital at the caret") << cell(5, 0) << cell(5, 1) << "xy" << "Аxy";
    QTest::newRow("a capital over the selection") << cell(5, 31) << cell(5, 32) << "x[yy]z" << "xЯz";
    QTest::newRow("across a row boundary") << cell(0, 31) << cell(1, 1) << "[x]" << "?\n@";
    QTest::newRow("across two boundaries") << cell(4, 31) << cell(6, 1) << "" << "\u0457\nАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ\nа";
    QTest::newRow("selected backwards") << cell(2, 2) << cell(2, 0) << "" << "`a";
    QTest::newRow("the unassigned code") << cell(3, 24) << cell(3, 25) << "" << "\uFFFD";
}

void TestSymbolTable::insertsTheSelection()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, text);
    QFETCH(QString, result);

    Fixture fixture;
    RichTextBox* editor = fixture.document.rtfText;
    const qsizetype start = text.indexOf(QLatin1Char('['));
    editor->setText(QString(text).remove(QLatin1Char('[')).remove(QLatin1Char(']')));
    if (start >= 0) {
        editor->setSelStart(start);
        editor->setSelLength(text.indexOf(QLatin1Char(']')) - start - 1);
    }
    selectInTable(fixture.dialog, from, to);
    fixture.dialog->PasteInRTF->click();

    QCOMPARE(editor->Text(), result);
    // A break in the selection is one paragraph break in the document.
    QCOMPARE(editor->document()->blockCount(), result.count(QLatin1Char('\n')) + 1);
    // The dialog stays, with its selection, for the next insertion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(fixture.dialog);
    QVERIFY(fixture.dialog->SimbolText->textCursor().hasSelection());
}

void TestSymbolTable::copiesTheSelection()
{
    Fixture fixture;
    QApplication::clipboard()->setText(QStringLiteral("before"));
    selectInTable(fixture.dialog, cell(0, 31), cell(1, 2));
    fixture.dialog->Copy_clipboard->click();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("?\n@A"));
    QCOMPARE(fixture.document.rtfText->Text(), QString());
}

void TestSymbolTable::copyWithoutClipboardChangesNothing()
{
    ScriptedMessageBoxes boxes;
    Fixture fixture(nullptr);
    fixture.dialog->show();
    selectInTable(fixture.dialog, cell(5, 0), cell(5, 3));
    fixture.dialog->Copy_clipboard->click();
    QVERIFY(fixture.dialog->isVisible());
    QCOMPARE(fixture.dialog->SelText(), QStringLiteral("АБВ"));
    QVERIFY(boxes.texts().isEmpty());
}

void TestSymbolTable::buttonsFollowTheSelection()
{
    Fixture fixture;
    fixture.dialog->show();
    QTRY_VERIFY_WITH_TIMEOUT(!fixture.dialog->Copy_clipboard->isEnabled(), 1000);
    QVERIFY(!fixture.dialog->PasteInRTF->isEnabled());
    selectInTable(fixture.dialog, cell(1, 0), cell(1, 1));
    QTRY_VERIFY_WITH_TIMEOUT(fixture.dialog->PasteInRTF->isEnabled(), 1000);
    QVERIFY(fixture.dialog->Copy_clipboard->isEnabled());
    selectInTable(fixture.dialog, cell(1, 1), cell(1, 1));
    QTRY_VERIFY_WITH_TIMEOUT(!fixture.dialog->PasteInRTF->isEnabled(), 1000);
    QVERIFY(!fixture.dialog->Copy_clipboard->isEnabled());
    QVERIFY(fixture.dialog->CloseButton->isEnabled());
}

void TestSymbolTable::typingChangesNothing()
{
    Fixture fixture;
    fixture.dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(fixture.dialog));
    QPlainTextEdit* box = fixture.dialog->SimbolText;
    const QString before = box->document()->toRawText();
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    selectInTable(fixture.dialog, cell(1, 0), cell(1, 5));
    QTest::keyClicks(box, QStringLiteral("abc"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(box->document()->toRawText(), before);
    QCOMPARE(box->document()->blockCount(), SymbolTable::Rows + 1);
}

void TestSymbolTable::keyboardSelects()
{
    Fixture fixture;
    fixture.dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(fixture.dialog));
    QPlainTextEdit* box = fixture.dialog->SimbolText;
    QCOMPARE(QApplication::focusWidget(), box);
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Right);
    QTest::keyClick(box, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(fixture.dialog->SelText(), QStringLiteral("AB"));
    QTest::keyClick(box, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(fixture.dialog->SelText(), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_\n"));
}

void TestSymbolTable::layoutAndFont()
{
    Fixture fixture;
    frmSimbolSelect* dialog = fixture.dialog;
    QCOMPARE(dialog->windowTitle(), UiTexts::SymbolCaption);
    QVERIFY(!(dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    const auto px = [dialog](int twips) { return Twips::toPixels(twips, dialog->logicalDpiX()); };
    QCOMPARE(dialog->size(), QSize(px(5130), px(2745)));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    QCOMPARE(dialog->PasteInRTF->geometry(), QRect(px(3600), px(1080), px(1455), px(615)));
    QCOMPARE(dialog->Copy_clipboard->text(), UiTexts::SymbolCopy);
    QCOMPARE(dialog->SimbolText->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(dialog->SimbolText->font().pointSize(), 12);
    QVERIFY(dialog->SimbolText->isReadOnly());

    QStringList order;
    QWidget* widget = dialog->SimbolText;
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != dialog->SimbolText);
    QCOMPARE(order, (QStringList{"SimbolText", "Copy_clipboard", "PasteInRTF", "CloseButton"}));
}

void TestSymbolTable::menuOpensAFreshModalDialog()
{
    IsolatedSettings settings;
    ScriptedMessageBoxes boxes;
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    RichTextBox* editor = window.ActiveForm()->rtfText;

    QStringList seen;
    QPointer<frmSimbolSelect> first;
    QTimer::singleShot(0, this, [&] {
        first = qobject_cast<frmSimbolSelect*>(QApplication::activeModalWidget());
        if (!first)
            return;
        seen << first->SelText();
        selectInTable(first, cell(6, 0), cell(6, 2));
        first->PasteInRTF->click();
        first->CloseButton->click();
    });
    window.menu()->mnueditsimbol->trigger();
    QVERIFY(first.isNull());  // closed and gone
    QCOMPARE(editor->Text(), QStringLiteral("аб"));

    QTimer::singleShot(0, this, [&] {
        auto* second = qobject_cast<frmSimbolSelect*>(QApplication::activeModalWidget());
        if (!second)
            return;
        seen << second->SelText();
        second->close();  // the title bar's close box
    });
    window.mnueditsimbol_Click();
    QCOMPARE(seen, (QStringList{QString(), QString()}));
    QVERIFY(window.findChildren<frmSimbolSelect*>().isEmpty());
    editor->clear();
}

QTEST_MAIN(TestSymbolTable)
#include "tst_symboltable.moc"
