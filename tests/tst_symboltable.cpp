// The symbol table: the code page 1251 table, selecting in it with the mouse
// and the keys, copying and inserting, the button states, and its opening
// from the main window.

#include "app/MainMenu.h"
#include "app/frmMain.h"
#include "dialogs/SymbolTable.h"
#include "dialogs/frmSimbolSelect.h"
#include "document/frmDocument.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/ScriptedDialogs.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

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

// A lone document window and the dialog working on it.
struct Fixture
{
    frmDocument document;
    QPointer<frmSimbolSelect> dialog;

    explicit Fixture(QClipboard* clipboard = QApplication::clipboard())
    {
        CommandContext context;
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
    void selectableButNotEditable();
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
    QTest::newRow("0x98, unassigned") << 3 << "\u0402" << "\u045F" << 24 << "\uFFFD";
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
    QCOMPARE(line.first(1) + line.mid(31), first + last + QStringLiteral("\r\n"));
    QCOMPARE(line.mid(column, 1), character);
    // The box shows the row as one line.
    Fixture fixture;
    QCOMPARE(fixture.dialog->SimbolText->document()->findBlockByNumber(row).text(), line.left(32));
}

void TestSymbolTable::insertsTheSelection_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("selStart");  // in the editor's "xyyz"
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("result");
    QTest::newRow("a capital at the caret") << cell(5, 0) << cell(5, 1) << 0 << 0 << "Аxyyz";
    QTest::newRow("a capital over the selection") << cell(5, 31) << cell(5, 32) << 1 << 2 << "xЯz";
    QTest::newRow("across a row boundary") << cell(0, 31) << cell(1, 1) << 4 << 0 << "xyyz?\n@";
    QTest::newRow("across two boundaries") << cell(4, 31) << cell(6, 1) << 0 << 4
                                           << "\u0457\nАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ\nа";
    QTest::newRow("selected backwards") << cell(2, 2) << cell(2, 0) << 0 << 4 << "`a";
}

void TestSymbolTable::insertsTheSelection()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, result);

    Fixture fixture;
    RichTextBox* editor = fixture.document.rtfText;
    editor->setText(QStringLiteral("xyyz"));
    editor->setSelStart(selStart);
    editor->setSelLength(selLength);
    selectInTable(fixture.dialog, from, to);
    fixture.dialog->PasteInRTF->click();

    QCOMPARE(editor->Text(), result);
    // A break in the selection is one paragraph break in the document.
    QCOMPARE(editor->document()->blockCount(), result.count(QLatin1Char('\n')) + 1);
    // The dialog stays, with its selection, for the next insertion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(fixture.dialog && fixture.dialog->SimbolText->textCursor().hasSelection());
}

void TestSymbolTable::copiesTheSelection()
{
    Fixture fixture;
    selectInTable(fixture.dialog, cell(0, 31), cell(1, 2));
    fixture.dialog->Copy_clipboard->click();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("?\n@A"));

    // Without a clipboard to write to, nothing happens and nothing is said.
    ScriptedMessageBoxes boxes;
    Fixture unavailable(nullptr);
    selectInTable(unavailable.dialog, cell(5, 0), cell(5, 3));
    unavailable.dialog->Copy_clipboard->click();
    QVERIFY(boxes.texts().isEmpty());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("?\n@A"));
}

void TestSymbolTable::selectableButNotEditable()
{
    Fixture fixture;
    frmSimbolSelect* dialog = fixture.dialog;
    QPlainTextEdit* box = dialog->SimbolText;
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QCOMPARE(QApplication::focusWidget(), box);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->Copy_clipboard->isEnabled() && !dialog->PasteInRTF->isEnabled(), 1000);

    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Right);
    QTest::keyClick(box, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(dialog->SelText(), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_\n"));
    QTRY_VERIFY_WITH_TIMEOUT(dialog->Copy_clipboard->isEnabled() && dialog->PasteInRTF->isEnabled(), 1000);

    const QString before = box->document()->toRawText();
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    QTest::keyClicks(box, QStringLiteral("abc"));
    for (const auto key : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return})
        QTest::keyClick(box, key);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(box->document()->toRawText(), before);

    QTest::keyClick(box, Qt::Key_Left);  // no selection any more
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->Copy_clipboard->isEnabled() && !dialog->PasteInRTF->isEnabled(), 1000);
}

void TestSymbolTable::menuOpensAFreshModalDialog()
{
    IsolatedSettings settings;
    frmMain window;
    window.show();
    RichTextBox* editor = window.ActiveForm()->rtfText;

    QStringList seen;
    for (const bool insert : {true, false}) {
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<frmSimbolSelect*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen << dialog->SelText();
            if (insert) {
                selectInTable(dialog, cell(6, 0), cell(6, 2));
                dialog->PasteInRTF->click();
                dialog->CloseButton->click();
            } else {
                dialog->close();  // the title bar's close box
            }
        });
        window.menu()->mnueditsimbol->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.findChildren<frmSimbolSelect*>().isEmpty());
    }
    QCOMPARE(seen, (QStringList{QString(), QString()}));  // each opening without a selection
    QCOMPARE(editor->Text(), QStringLiteral("аб"));
    editor->clear();
}

QTEST_MAIN(TestSymbolTable)
#include "tst_symboltable.moc"
