// A document window's layout and its save prompt on close, driven through
// scripted answers to the message box and the save dialog.

#include "app/MainMenu.h"
#include "app/MainToolBar.h"
#include "app/frmMain.h"
#include "document/WriteTextFile.h"
#include "document/frmDocument.h"
#include "helpers/DocumentWindows.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/NamedPart.h"
#include "helpers/ScriptedDialogs.h"
#include "helpers/TestFiles.h"
#include "listsearch/ListSearch.h"
#include "platform/RichTextBox.h"
#include "platform/TextCodec.h"
#include "texts/UiTexts.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QTimer>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <memory>

class TestDocumentWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyDocumentClosesWithoutQuestion();
    void blankTextIsAskedAbout();
    void answerNoSavesNothing();
    void answerYesWritesPlainTextByFilterEntry();
    void answerYesWritesRtfUnderTheTypedName();
    void cancelledSaveDialogKeepsWindowAndText();
    void failedSaveKeepsWindowAndText();
    void justSavedDocumentIsAskedAgain();
    void editorKeepsItsBorder();
    void toolbarFollowsTheSelection_data();
    void toolbarFollowsTheSelection();
    void mouseAndMenuKeys_data();
    void mouseAndMenuKeys();
    void writeTextFileReplacesWholeOrNothing();

private:
    frmDocument* newDocument(const QString& text);
    bool closeActive();

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<QTemporaryDir> m_tempDir;
    QTemporaryDir* m_dirPtr = nullptr;
};

void TestDocumentWindow::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    m_tempDir = std::make_unique<QTemporaryDir>();
    m_dirPtr = m_tempDir.get();
    m_main = std::make_unique<frmMain>();
    m_main->show();
}

void TestDocumentWindow::cleanup()
{
    // Whatever is still open closes without questions.
    DocumentWindows::discardAll(*m_main);
    m_main.reset();
    m_settings.reset();
}

frmDocument* TestDocumentWindow::newDocument(const QString& text)
{
    frmDocument* document = m_main->ActiveForm();
    document->rtfText->setText(text);
    return document;
}

bool TestDocumentWindow::closeActive()
{
    const bool closed = m_main->mdiArea()->currentSubWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return closed;
}

void TestDocumentWindow::emptyDocumentClosesWithoutQuestion()
{
    ScriptedMessageBoxes boxes;
    QVERIFY(closeActive());
    QCOMPARE(boxes.requests().size(), 0);
    QVERIFY(m_main->documentWindows().isEmpty());
}

void TestDocumentWindow::blankTextIsAskedAbout()
{
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::No);
    newDocument(QStringLiteral(" \n\n "));
    QVERIFY(closeActive());
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Сохранить изменения в Документ 1 ?")});
}

void TestDocumentWindow::answerNoSavesNothing()
{
    ScriptedMessageBoxes boxes;
    ScriptedCommonDialogs dialogs;
    boxes.expect(MsgResult::No);
    newDocument(QStringLiteral("текст"));
    QVERIFY(closeActive());
    QCOMPARE(dialogs.shown().size(), 0);
    QVERIFY(QDir(m_dirPtr->path()).isEmpty());
}

void TestDocumentWindow::answerYesWritesPlainTextByFilterEntry()
{
    // A document that came from a.rtf, saved from the prompt as text to b.txt.
    const QString original = m_dirPtr->filePath(QStringLiteral("a.rtf"));
    QVERIFY(TestFiles::writeFile(original, QByteArrayLiteral("{\\rtf1\\ansi old}")));
    frmDocument* document = newDocument(QStringLiteral("Строка один\nLine two"));
    document->setCaption(original);

    ScriptedMessageBoxes boxes;
    ScriptedCommonDialogs dialogs;
    boxes.expect(MsgResult::Yes);
    const QString target = m_dirPtr->filePath(QStringLiteral("b.txt"));
    dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(target, 1));
    QVERIFY(closeActive());

    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Сохранить изменения в ") + original + QStringLiteral(" ?")});
    QCOMPARE(dialogs.shown().size(), 1);
    const ScriptedCommonDialogs::Shown& shown = dialogs.shown().first();
    QCOMPARE(shown.title, QStringLiteral("Save As"));
    QCOMPARE(shown.flags, quint32(2));
    QCOMPARE(shown.filter, UiTexts::SaveFilter);
    QVERIFY(shown.fileName.isEmpty());
    QVERIFY(!shown.cancelError);
    QVERIFY(shown.filterIndex <= 1); // the first entry is proposed

    QCOMPARE(TextCodec::decode(TestFiles::readFile(target)), QStringLiteral("Строка один\nLine two"));
    QCOMPARE(TestFiles::readFile(original), QByteArrayLiteral("{\\rtf1\\ansi old}"));
    QVERIFY(m_main->documentWindows().isEmpty());
}

void TestDocumentWindow::answerYesWritesRtfUnderTheTypedName()
{
    frmDocument* document = newDocument(QStringLiteral("Жирный текст"));
    document->rtfText->setSelStart(0);
    document->rtfText->setSelLength(6);
    document->rtfText->setSelBold(true);
    QPointer<frmDocument> watched(document);

    ScriptedMessageBoxes boxes;
    ScriptedCommonDialogs dialogs;
    boxes.expect(MsgResult::Yes);
    const QString target = m_dirPtr->filePath(QStringLiteral("отчёт"));
    dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(target, 3));
    QVERIFY(m_main->mdiArea()->currentSubWindow()->close());
    // The caption names the file before the window goes.
    QVERIFY(watched);
    QCOMPARE(watched->Caption(), target);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!watched);

    QVERIFY(!QFile::exists(target + QStringLiteral(".rtf")));
    const QByteArray rtf = TestFiles::readFile(target);
    QVERIFY2(rtf.startsWith("{\\rtf1"), rtf.left(40).constData());
    RichTextBox reader;
    QVERIFY(reader.LoadFile(target));
    QCOMPARE(reader.Text(), QStringLiteral("Жирный текст"));
    reader.setSelStart(1);
    QCOMPARE(reader.SelBold(), std::optional<bool>(true));
}

// Cancelling the save dialog after answering Yes keeps the text, as the
// prompt's own Cancel does; a shutdown stops at that document.
void TestDocumentWindow::cancelledSaveDialogKeepsWindowAndText()
{
    frmDocument* document = newDocument(QStringLiteral("не пропадёт"));
    for (const bool shutdown : {false, true}) {
        ScriptedMessageBoxes boxes;
        ScriptedCommonDialogs dialogs;
        boxes.expect(MsgResult::Yes);
        dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::cancel());
        QVERIFY(!(shutdown ? m_main->close() : closeActive()));
        QCOMPARE(boxes.requests().size(), 1);
        QCOMPARE(dialogs.remaining(), 0);
    }
    QCOMPARE(m_main->documentWindows(), QList<frmDocument*>{document});
    QCOMPARE(document->rtfText->Text(), QStringLiteral("не пропадёт"));
    QCOMPARE(document->Caption(), QStringLiteral("Документ 1"));
    QVERIFY(QDir(m_dirPtr->path()).isEmpty());
}

void TestDocumentWindow::failedSaveKeepsWindowAndText()
{
    frmDocument* document = newDocument(QStringLiteral("не потерять"));
    const QString unreachable = m_dirPtr->filePath(QStringLiteral("нет такой папки/файл.txt"));
    const QString unreachableRtf = m_dirPtr->filePath(QStringLiteral("нет такой папки/файл.rtf"));
    {
        ScriptedMessageBoxes boxes;
        ScriptedCommonDialogs dialogs;
        boxes.expect(MsgResult::Yes);
        boxes.expect(MsgResult::OK);
        dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(unreachable, 1));
        QVERIFY(!closeActive());
        QCOMPARE(boxes.requests().size(), 2);
        QVERIFY(boxes.requests().at(1).text.contains(unreachable));
        QCOMPARE(boxes.requests().at(1).icon, MsgIcon::Exclamation);
    }
    QCOMPARE(m_main->documentWindows(), QList<frmDocument*>{document});
    QCOMPARE(document->rtfText->Text(), QStringLiteral("не потерять"));

    // The RTF branch: the caption keeps naming the document, not the file that failed.
    {
        ScriptedMessageBoxes boxes;
        ScriptedCommonDialogs dialogs;
        boxes.expect(MsgResult::Yes);
        boxes.expect(MsgResult::OK);
        dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(unreachableRtf, 3));
        QVERIFY(!closeActive());
        // The window's own dialog remembers what was typed last time.
        QCOMPARE(dialogs.shown().first().fileName, unreachable);
    }
    QCOMPARE(document->Caption(), QStringLiteral("Документ 1"));

    // A shutdown stops at this document while its save fails.
    {
        ScriptedMessageBoxes boxes;
        ScriptedCommonDialogs dialogs;
        boxes.expect(MsgResult::Yes);
        boxes.expect(MsgResult::OK);
        dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(unreachable, 1));
        QVERIFY(!m_main->close());
    }
    QCOMPARE(m_main->documentWindows().size(), 1);
}

void TestDocumentWindow::justSavedDocumentIsAskedAgain()
{
    const QString target = m_dirPtr->filePath(QStringLiteral("saved.txt"));
    newDocument(QStringLiteral("сохранено"));
    {
        ScriptedMessageBoxes boxes;
        ScriptedCommonDialogs dialogs;
        boxes.expect(MsgResult::Cancel);
        QVERIFY(!closeActive());
    }
    QVERIFY(WriteTextFile(target, m_main->ActiveForm()->rtfText->Text()));
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::No);
    QVERIFY(closeActive());
    QCOMPARE(boxes.requests().size(), 1);
}

void TestDocumentWindow::editorKeepsItsBorder()
{
    frmDocument* document = m_main->ActiveForm();
    QMdiSubWindow* window = m_main->mdiArea()->currentSubWindow();
    window->resize(400, 300);
    const QRect editor = document->rtfText->geometry();
    // 100 twips at 96 dpi
    QCOMPARE(editor.topLeft(), QPoint(7, 7));
    QCOMPARE(editor.width(), document->width() - 14);
    QCOMPARE(editor.height(), document->height() - 14);
    // Lines wrap 400 twips short of the editor's width.
    QCOMPARE(document->rtfText->rightMargin(), editor.width() * 15 - 400);

    // Too small for the border: the editor keeps its last size, nothing is reported.
    document->resize(10, 10);
    QCOMPARE(document->rtfText->geometry(), editor);
}

// Every selection change writes the seven buttons (Bold, Italic, Underline,
// Strikethru, Align Left, Center, Align Right); a mixed style or alignment
// presses nothing.
void TestDocumentWindow::toolbarFollowsTheSelection_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<int>>("values");

    // "полужирный обычный" (0-18, left; the first word bold and underlined,
    // the second italic and struck through), "по центру" (19-28, centred),
    // "слева" (29-34, left), "вправо" (35-41, right-aligned).
    QTest::newRow("caret in bold text") << 4 << 0 << QList<int>{1, 0, 1, 0, 1, 0, 0};
    QTest::newRow("all bold") << 0 << 10 << QList<int>{1, 0, 1, 0, 1, 0, 0};
    QTest::newRow("half bold") << 5 << 10 << QList<int>{0, 0, 0, 0, 1, 0, 0};
    QTest::newRow("italic, struck through") << 11 << 7 << QList<int>{0, 1, 0, 1, 1, 0, 0};
    QTest::newRow("caret in centred paragraph") << 21 << 0 << QList<int>{0, 0, 0, 0, 0, 1, 0};
    QTest::newRow("right-aligned paragraph") << 36 << 3 << QList<int>{0, 0, 0, 0, 0, 0, 1};
    QTest::newRow("centred and left paragraphs") << 21 << 10 << QList<int>{0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("left and right paragraphs") << 30 << 8 << QList<int>{0, 0, 0, 0, 0, 0, 0};
    // Ending at the start of a paragraph does not take it in.
    QTest::newRow("to the next paragraph's start") << 19 << 10 << QList<int>{0, 0, 0, 0, 0, 1, 0};
    QTest::newRow("whole document") << 0 << 41 << QList<int>{0, 0, 0, 0, 0, 0, 0};
}

void TestDocumentWindow::toolbarFollowsTheSelection()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QList<int>, values);

    RichTextBox* editor = newDocument(QStringLiteral("полужирный обычный\nпо центру\nслева\nвправо"))->rtfText;
    editor->setSelStart(0);
    editor->setSelLength(10);
    editor->setSelBold(true);
    editor->setSelUnderline(true);
    editor->setSelStart(11);
    editor->setSelLength(7);
    editor->setSelItalic(true);
    editor->setSelStrikeThru(true);
    editor->setSelStart(20);
    editor->setSelAlignment(ParagraphAlignment::Center);
    editor->setSelStart(36);
    editor->setSelAlignment(ParagraphAlignment::Right);
    QCOMPARE(editor->textLength(), 41);
    editor->setSelStart(41);

    editor->setSelStart(start);
    editor->setSelLength(length);
    MainToolBar* bar = namedPart<MainToolBar>(*m_main, "tbToolBar");
    QList<int> shown;
    for (int position : {11, 12, 13, 14, 16, 17, 18})
        shown << MainToolBar::Value(bar->Button(position));
    QCOMPARE(shown, values);
}

// A press hides the tag list and inserts nothing; only the right button's
// release opens the context menu, where the pointer is. The keyboard opens
// it under the caret; where the window system turns the menu key into a
// context-menu event as well, the menu still opens once.
void TestDocumentWindow::mouseAndMenuKeys_data()
{
    QTest::addColumn<int>("button");      // mouse button clicked, or none
    QTest::addColumn<QList<int>>("keys"); // then: 0 the window system's menu-key event, else a key
    QTest::addColumn<bool>("atCaret");
    QTest::addColumn<int>("menus");
    const int shiftF10 = Qt::Key_F10 | Qt::ShiftModifier;
    QTest::newRow("left click") << int(Qt::LeftButton) << QList<int>() << false << 0;
    QTest::newRow("middle click") << int(Qt::MiddleButton) << QList<int>() << false << 0;
    QTest::newRow("right click") << int(Qt::RightButton) << QList<int>() << false << 1;
    QTest::newRow("Shift+F10") << 0 << QList<int>{shiftF10} << true << 1;
    QTest::newRow("menu key") << 0 << QList<int>{Qt::Key_Menu} << true << 1;
    QTest::newRow("menu-key event") << 0 << QList<int>{0} << true << 1;
    QTest::newRow("menu-key event, then the key") << 0 << QList<int>{0, Qt::Key_Menu} << true << 1;
}

void TestDocumentWindow::mouseAndMenuKeys()
{
    QFETCH(int, button);
    QFETCH(QList<int>, keys);
    QFETCH(bool, atCaret);
    QFETCH(int, menus);

    frmDocument* document = newDocument(QStringLiteral("текст для меню"));
    RichTextBox* editor = document->rtfText;
    QWidget* area = editor->viewport();
    editor->setSelStart(6);
    const QRect caret = editor->cursorRect();
    const QPoint pointer(40, 12);
    QMenu* context = m_main->menu()->mnucontext;
    QList<QPoint> shownAt;
    connect(context, &QMenu::aboutToShow, this, [&] {
        QTimer::singleShot(0, context, [&] {
            shownAt << context->pos();
            context->close();
        });
    });

    if (button) {
        document->lsMain->show();
        QTest::mousePress(area, Qt::MouseButton(button), {}, pointer);
        QVERIFY(document->lsMain->isHidden());
        QVERIFY(shownAt.isEmpty());
        QTest::mouseRelease(area, Qt::MouseButton(button), {}, pointer);
    }
    for (int key : keys) {
        if (key) {
            QTest::keyClick(editor, Qt::Key(key & ~Qt::KeyboardModifierMask),
                            Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        } else {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, caret.center(), area->mapToGlobal(caret.center()));
            QApplication::sendEvent(editor, &event);
        }
    }

    QCOMPARE(editor->Text(), QStringLiteral("текст для меню"));
    QCOMPARE(shownAt.size(), menus);
    if (menus)
        QCOMPARE(shownAt.first(), area->mapToGlobal(atCaret ? QPoint(caret.left(), caret.bottom() + 1) : pointer));
}

void TestDocumentWindow::writeTextFileReplacesWholeOrNothing()
{
    const QString path = m_dirPtr->filePath(QStringLiteral("file.txt"));
    QVERIFY(WriteTextFile(path, QStringLiteral("первая версия")));
    QVERIFY(WriteTextFile(path, QStringLiteral("вторая")));
    QCOMPARE(TextCodec::decode(TestFiles::readFile(path)), QStringLiteral("вторая"));

    QString error;
    QVERIFY(!WriteTextFile(m_dirPtr->filePath(QStringLiteral("missing/x.txt")), QStringLiteral("x"), &error));
    QVERIFY(!error.isEmpty());

    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser);
    if (QFileInfo(path).isWritable())
        QSKIP("file permissions do not stop this user");
    error.clear();
    QVERIFY(!WriteTextFile(path, QStringLiteral("третья"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(TextCodec::decode(TestFiles::readFile(path)), QStringLiteral("вторая"));
}

QTEST_MAIN(TestDocumentWindow)
#include "tst_documentwindow.moc"
