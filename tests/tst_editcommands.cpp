// The Edit menu, the editor's context menu, the toolbar's clipboard buttons,
// the editor's clipboard keys, the Settings menu's font, colour and case
// commands, the time and date, and the help message, as a user meets them in
// the main window.

#include "app/MainMenu.h"
#include "app/MainToolBar.h"
#include "app/frmMain.h"
#include "commands/EditCommands.h"
#include "commands/FormatCommands.h"
#include "document/frmDocument.h"
#include "helpers/EditorInput.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/NamedPart.h"
#include "helpers/ScriptedDialogs.h"
#include "platform/RichTextBox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMdiArea>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <memory>
#include <optional>

namespace QTest {
template <>
char* toString(const std::optional<bool>& value)
{
    return value ? QTest::toString(*value) : qstrdup("nullopt");
}
} // namespace QTest

namespace {

QClipboard* clipboard()
{
    return QGuiApplication::clipboard();
}

QImage picture()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

// What another program may have left: a picture, HTML and its plain text.
void putForeignDataOnClipboard()
{
    auto* data = new QMimeData;
    data->setImageData(picture());
    data->setHtml(QStringLiteral("<b>старое</b>"));
    data->setText(QStringLiteral("старое"));
    clipboard()->setMimeData(data);
}

} // namespace

class TestEditCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void clipboardCommands_data();
    void clipboardCommands();
    void pasteReadsRtfSource_data();
    void pasteReadsRtfSource();
    void keysOfDisabledItemsDoNothing();
    void commandsWithoutDocumentChangeNothing();
    void selectAll_data();
    void selectAll();

    void fontAndColourDialogs();
    void cancelledDialogsChangeNothing_data();
    void cancelledDialogsChangeNothing();
    void caseConversion_data();
    void caseConversion();
    void caseConversionKeepsFormats();

    void timeAndDateText_data();
    void timeAndDateText();
    void dateTimeReplacesSelection();

private:
    // A shown, active main window with its first document focused.
    frmMain& openWindow();
    RichTextBox* editor() const { return m_window->ActiveForm()->rtfText; }
    // "menu:NAME" triggers a menu item, "toolbar:KEY" clicks a toolbar
    // button, "key:SEQUENCE" types keys into the editor; the refresh ticks
    // first, as it would have before a user could reach the item.
    void run(const QString& route);

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<frmMain> m_window;
};

void TestEditCommands::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    clipboard()->clear();
}

void TestEditCommands::cleanup()
{
    m_window.reset();
    QLocale::setDefault(QLocale::system());
    m_settings.reset();
}

frmMain& TestEditCommands::openWindow()
{
    m_window = std::make_unique<frmMain>();
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    if (!QTest::qWaitForWindowActive(m_window.get()))
        qWarning("main window not active");
    editor()->setFocus();
    return *m_window;
}

void TestEditCommands::run(const QString& route)
{
    m_window->TimerChecking_Timer();
    const QString kind = route.section(QLatin1Char(':'), 0, 0);
    const QString name = route.section(QLatin1Char(':'), 1);
    if (kind == QLatin1String("menu")) {
        auto* item = m_window->findChild<QAction*>(name);
        QVERIFY2(item, qPrintable(name));
        QVERIFY2(item->isEnabled(), qPrintable(name));
        item->trigger();
    } else if (kind == QLatin1String("toolbar")) {
        QAction* button = namedPart<MainToolBar>(*m_window, "tbToolBar")->Button(name);
        QVERIFY2(button && button->isEnabled(), qPrintable(name));
        button->trigger();
    } else {
        QVERIFY(editor()->hasFocus());
        QTest::keySequence(editor(), QKeySequence(name));
    }
}

void TestEditCommands::clipboardCommands_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("text");      // the editor's text afterwards
    QTest::addColumn<QString>("clipboard"); // the clipboard's text afterwards
    QTest::addColumn<bool>("picture");      // the picture still on the clipboard
    const QString whole = QStringLiteral("начало жирный конец");
    const QString cut = QStringLiteral("начало  конец");
    const QString word = QStringLiteral("жирный");
    QTest::newRow("Edit menu copy") << "menu:mnuEditCopy" << whole << word << false;
    QTest::newRow("context menu copy") << "menu:mnucontextcopy" << whole << word << false;
    QTest::newRow("toolbar copy") << "toolbar:Copy" << whole << word << false;
    QTest::newRow("Ctrl+C") << "key:Ctrl+C" << whole << word << false;
    QTest::newRow("Ctrl+Insert") << "key:Ctrl+Ins" << whole << word << false;
    QTest::newRow("Edit menu cut") << "menu:mnuEditCut" << cut << word << true;
    QTest::newRow("context menu cut") << "menu:mnucontextcut" << cut << word << true;
    QTest::newRow("toolbar cut") << "toolbar:Cut" << cut << word << true;
    QTest::newRow("Ctrl+X") << "key:Ctrl+X" << cut << word << true;
    QTest::newRow("Shift+Delete") << "key:Shift+Del" << cut << word << true;
    QTest::newRow("Edit menu delete") << "menu:mnueditdelete" << cut << "старое" << true;
    QTest::newRow("context menu delete") << "menu:mnucontextdelete" << cut << "старое" << true;
}

// A bold, red word goes to the clipboard as its characters only, never as
// HTML. Cut keeps a picture that was there beside the text (but not the old
// text's HTML); copy empties the clipboard first; delete leaves it alone.
// Pasted back where the text is plain, the word stays plain.
void TestEditCommands::clipboardCommands()
{
    QFETCH(QString, route);
    QFETCH(QString, text);
    QFETCH(QString, clipboard);
    QFETCH(bool, picture);
    openWindow();
    RichTextBox* box = editor();
    box->setText(QStringLiteral("начало жирный конец"));
    EditorInput::selectWord(*box, QStringLiteral("жирный"));
    box->setSelBold(true);
    box->setSelColor(Qt::red);
    putForeignDataOnClipboard();
    const bool deletes = route.contains(QLatin1String("delete"));

    run(route);
    QCOMPARE(box->Text(), text);
    QCOMPARE(::clipboard()->text(), clipboard);
    QCOMPARE(::clipboard()->mimeData()->hasImage(), picture);
    QCOMPARE(::clipboard()->mimeData()->hasHtml(), deletes);
    if (!deletes)
        QCOMPARE(::clipboard()->mimeData()->formats().size(), picture ? 2 : 1);

    box->setSelStart(0);
    run(QStringLiteral("menu:mnuEditPaste"));
    QCOMPARE(box->Text(), clipboard + text);
    box->setSelStart(0);
    box->setSelLength(clipboard.size());
    QCOMPARE(box->SelBold(), std::optional<bool>(false));
    QVERIFY(box->SelColor() != std::optional<QColor>(QColor(Qt::red)));
}

void TestEditCommands::pasteReadsRtfSource_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("clipboardText");
    QTest::addColumn<QString>("selected"); // empty: caret at the end
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<bool>("bold");

    const QString rtf = QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\b жирное\\b0}");
    QTest::newRow("Edit menu, text over a selection")
        << "menu:mnuEditPaste" << "новое" << "старое" << "было новое стало" << "новое" << false;
    QTest::newRow("context menu, RTF at the caret")
        << "menu:mnucontxtpaste" << rtf << "" << "было старое сталожирное" << "жирное" << true;
    QTest::newRow("toolbar, RTF over a selection")
        << "toolbar:Paste" << rtf << "старое" << "было жирное стало" << "жирное" << true;
    QTest::newRow("Ctrl+V, text at the caret")
        << "key:Ctrl+V" << "{не rtf}" << "" << "было старое стало{не rtf}" << "{не rtf}" << false;
    QTest::newRow("Shift+Insert, RTF over a selection")
        << "key:Shift+Ins" << rtf << "старое" << "было жирное стало" << "жирное" << true;
}

void TestEditCommands::pasteReadsRtfSource()
{
    QFETCH(QString, route);
    QFETCH(QString, clipboardText);
    QFETCH(QString, selected);
    QFETCH(QString, expected);
    QFETCH(QString, inserted);
    QFETCH(bool, bold);
    openWindow();
    RichTextBox* box = editor();
    box->setText(QStringLiteral("было старое стало"));
    if (selected.isEmpty())
        box->setSelStart(box->textLength());
    else
        EditorInput::selectWord(*box, selected);
    clipboard()->setText(clipboardText);

    run(route);
    QCOMPARE(box->Text(), expected);
    EditorInput::selectWord(*box, inserted);
    QCOMPARE(box->SelBold(), std::optional<bool>(bold));
}

// The editor leaves these keys to the menu; while an item is disabled (the
// refresh has not enabled it yet) the key does nothing, as the item would,
// rather than falling back to the editor's own rich-text clipboard.
void TestEditCommands::keysOfDisabledItemsDoNothing()
{
    frmMain& window = openWindow();
    RichTextBox* box = editor();
    box->setText(QStringLiteral("текст в окне"));
    EditorInput::selectWord(*box, QStringLiteral("в"));
    clipboard()->setText(QStringLiteral("буфер"));
    const MainMenu& menu = *window.menu();
    namedPart<QTimer>(window, "TimerChecking")->stop();
    for (QAction* item : {menu.mnuEditCut, menu.mnuEditCopy, menu.mnuEditPaste, menu.mnueditselectall})
        item->setEnabled(false);

    for (const char* keys : {"Ctrl+X", "Shift+Del", "Ctrl+C", "Ctrl+Ins", "Ctrl+V", "Shift+Ins", "Ctrl+A"}) {
        QTest::keySequence(box, QKeySequence(QLatin1String(keys)));
        QCOMPARE(box->Text(), QStringLiteral("текст в окне"));
        QCOMPARE(box->SelStart(), 6);
        QCOMPARE(box->SelLength(), 1);
        QCOMPARE(clipboard()->text(), QStringLiteral("буфер"));
    }
}

// Reached some other way than the disabled items, the commands find no
// document: nothing happens, no dialog opens, and (copy aside, which clears
// the clipboard first) the clipboard stays as it was. Help answers as always.
void TestEditCommands::commandsWithoutDocumentChangeNothing()
{
    frmMain& window = openWindow();
    window.ActiveForm()->rtfText->setText(QString());
    window.mdiArea()->closeAllSubWindows();
    QVERIFY(!window.ActiveForm());
    clipboard()->setText(QStringLiteral("буфер"));
    ScriptedCommonDialogs dialogs;
    EditCommands& edit = *window.editCommands();
    FormatCommands& format = *window.formatCommands();

    edit.mnuEditCut_Click();
    edit.mnuEditPaste_Click();
    edit.mnueditdelete_Click();
    edit.mnueditselectall_Click();
    edit.mnuedittemedate_Click();
    format.mnutuningfont_Click();
    format.mnutuningfontcolor_Click();
    format.mnutuningcapsenabled_Click();
    format.mnutuningcapsdisabled_Click();
    window.tbToolBar_ButtonClick(namedPart<MainToolBar>(window, "tbToolBar")->Button(QStringLiteral("Cut")));
    window.tbToolBar_ButtonClick(namedPart<MainToolBar>(window, "tbToolBar")->Button(QStringLiteral("Paste")));
    QCOMPARE(clipboard()->text(), QStringLiteral("буфер"));
    QVERIFY(dialogs.shown().isEmpty());
    QVERIFY(window.documentWindows().isEmpty());

    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    run(QStringLiteral("menu:mnuhelpHelp"));
    QCOMPARE(boxes.requests().size(), 1);
    const MessageBoxRequest& help = boxes.requests().first();
    QCOMPARE(help.text, QStringLiteral("В данной версии пергалота справка не готова"));
    QCOMPARE(help.title, QStringLiteral("Пергалот"));
    QCOMPARE(help.buttons, MsgButtons::OKOnly);
    QCOMPARE(help.icon, MsgIcon::None);
}

void TestEditCommands::selectAll_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<bool>("empty");
    for (const bool empty : {true, false}) {
        const char* size = empty ? "empty" : "long";
        QTest::addRow("Edit menu, %s", size) << "menu:mnueditselectall" << empty;
        QTest::addRow("context menu, %s", size) << "menu:mnucontextselectall" << empty;
        QTest::addRow("Ctrl+A, %s", size) << "key:Ctrl+A" << empty;
    }
}

// The whole text, whatever its length, formats and paragraphs; an empty
// document leaves an empty selection at 0.
void TestEditCommands::selectAll()
{
    QFETCH(QString, route);
    QFETCH(bool, empty);
    openWindow();
    RichTextBox* box = editor();
    if (!empty) {
        QString text;
        for (int i = 0; i < 2000; ++i)
            text += QStringLiteral("Строка %1 с текстом, который длиннее 32767 знаков вместе.\n").arg(i);
        box->setText(text);
        EditorInput::selectWord(*box, QStringLiteral("Строка 100 "));
        box->setSelBold(true);
        box->setSelStart(box->textLength() / 2);
    }
    run(route);
    QCOMPARE(box->SelStart(), 0);
    QCOMPARE(box->SelLength(), box->textLength());
    QCOMPARE(box->SelText(), box->Text());
    QCOMPARE(box->SelLength() == 0, empty);
}

// All seven values reach the selection every time, and the dialog opens with
// the choices of its last use, not with the selection's font; the colour
// dialog shares its colour.
void TestEditCommands::fontAndColourDialogs()
{
    openWindow();
    RichTextBox* box = editor();
    box->setText(QStringLiteral("один два три"));
    EditorInput::selectWord(*box, QStringLiteral("два"));
    ScriptedCommonDialogs dialogs;
    const QColor green(0, 128, 0);
    dialogs.expect(CommonDialogKind::Font, [&](CommonDialog& d) {
        d.Color = green;
        return ScriptedCommonDialogs::chooseFont(QStringLiteral("Courier New"), 20, true, true, true, true)(d);
    });
    run(QStringLiteral("menu:mnutuningfont"));
    const auto expectSeven = [box, green](float size) {
        QCOMPARE(box->SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(box->SelFontSize(), std::optional<float>(size));
        QCOMPARE(box->SelItalic(), std::optional<bool>(true));
        QCOMPARE(box->SelBold(), std::optional<bool>(true));
        QCOMPARE(box->SelColor(), std::optional<QColor>(green));
        QCOMPARE(box->SelStrikeThru(), std::optional<bool>(true));
        QCOMPARE(box->SelUnderline(), std::optional<bool>(true));
    };
    expectSeven(20);
    QCOMPARE(dialogs.shown().at(0).flags, quint32(771));

    // Only the size changes this time, on a word in Times New Roman: the
    // word takes the other six values the dialog still shows.
    EditorInput::selectWord(*box, QStringLiteral("один"));
    QString shownName;
    dialogs.expect(CommonDialogKind::Font, [&](CommonDialog& d) {
        shownName = d.FontName;
        d.FontSize = 9;
        return true;
    });
    run(QStringLiteral("menu:mnucontextfont"));
    QCOMPARE(shownName, QStringLiteral("Courier New"));
    expectSeven(9);

    // Apply reaches the selection while the dialog is open; a cancel after
    // it keeps what was applied and the dialog's last confirmed choices.
    EditorInput::selectWord(*box, QStringLiteral("три"));
    std::optional<bool> boldDuringDialog;
    dialogs.expect(CommonDialogKind::Font, [&](CommonDialog& d) {
        d.FontName = QStringLiteral("Arial");
        d.FontBold = true;
        d.onApply();
        boldDuringDialog = box->SelBold();
        d.FontSize = 30;
        return false;
    });
    run(QStringLiteral("menu:mnutuningfont"));
    QCOMPARE(boldDuringDialog, std::optional<bool>(true));
    QCOMPARE(box->SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
    QCOMPARE(box->SelFontSize(), std::optional<float>(9));
    QCOMPARE(namedPart<CommonDialog>(*m_window, "dlgCommonDialog")->FontName, QStringLiteral("Courier New"));
    QVERIFY(!namedPart<CommonDialog>(*m_window, "dlgCommonDialog")->onApply);

    // The colour dialog starts from the colour the font dialog left.
    QColor shownColor;
    dialogs.expect(CommonDialogKind::Color, [&shownColor](CommonDialog& d) {
        shownColor = d.Color;
        d.Color = Qt::magenta;
        return true;
    });
    run(QStringLiteral("menu:mnutuningfontcolor"));
    QCOMPARE(shownColor, green);
    QCOMPARE(box->SelColor(), std::optional<QColor>(QColor(Qt::magenta)));
    QCOMPARE(dialogs.unexpected(), 0);
}

void TestEditCommands::cancelledDialogsChangeNothing_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<CommonDialogKind>("kind");
    QTest::newRow("font from the Settings menu") << "menu:mnutuningfont" << CommonDialogKind::Font;
    QTest::newRow("font from the context menu") << "menu:mnucontextfont" << CommonDialogKind::Font;
    QTest::newRow("colour") << "menu:mnutuningfontcolor" << CommonDialogKind::Color;
}

void TestEditCommands::cancelledDialogsChangeNothing()
{
    QFETCH(QString, route);
    QFETCH(CommonDialogKind, kind);
    openWindow();
    RichTextBox* box = editor();
    box->setText(QStringLiteral("один два три"));
    EditorInput::selectWord(*box, QStringLiteral("два"));
    box->setSelItalic(true);
    const QByteArray before = box->TextRTF();

    ScriptedCommonDialogs dialogs;
    dialogs.expect(kind, [](CommonDialog& d) {
        // What the user picked before cancelling.
        d.FontName = QStringLiteral("Arial");
        d.FontSize = 40;
        d.FontBold = true;
        d.Color = Qt::blue;
        return false;
    });
    run(route);
    QCOMPARE(dialogs.shown().size(), 1);
    QCOMPARE(box->TextRTF(), before);
    QCOMPARE(box->SelText(), QStringLiteral("два"));
}

void TestEditCommands::caseConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("upper");
    QTest::addColumn<QString>("expected");

    const QString mixed = QStringLiteral("Привет, world! Ёлка-123 (ÿ).");
    QTest::newRow("upper, Cyrillic, Latin, punctuation")
        << mixed << 0 << int(mixed.size()) << true << QStringLiteral("ПРИВЕТ, WORLD! ЁЛКА-123 (Ÿ).");
    QTest::newRow("lower turns it back")
        << QStringLiteral("ПРИВЕТ, WORLD! ЁЛКА-123 (Ÿ).") << 0 << int(mixed.size()) << false
        << QStringLiteral("привет, world! ёлка-123 (ÿ).");
    QTest::newRow("part of the text") << QStringLiteral("один два три") << 5 << 3 << true
                                      << QStringLiteral("один ДВА три");
    QTest::newRow("ß grows to SS") << QStringLiteral("die straße hier") << 4 << 6 << true
                                   << QStringLiteral("die STRASSE hier");
    QTest::newRow("several paragraphs") << QStringLiteral("аб\nвг\n\nде") << 1 << 7 << true
                                        << QStringLiteral("аБ\nВГ\n\nДе");

    // Start and length both beyond 32,767.
    QString longText = QString(40000, QLatin1Char('a')) + QStringLiteral("мир") + QString(40000, QLatin1Char('b'));
    const int start = 39990, length = 40010;
    QString longExpected = longText.left(start) + longText.mid(start, length).toUpper() + longText.mid(start + length);
    QTest::newRow("selection past 32,767") << longText << start << length << true << longExpected;
}

// The converted stretch is selected again, over its new length.
void TestEditCommands::caseConversion()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(bool, upper);
    QFETCH(QString, expected);
    openWindow();
    RichTextBox* box = editor();
    box->setText(text);
    box->setSelStart(start);
    box->setSelLength(length);

    run(upper ? QStringLiteral("menu:mnutuningcapsenabled") : QStringLiteral("menu:mnutuningcapsdisabled"));
    QCOMPARE(box->Text(), expected);
    QCOMPARE(box->SelStart(), start);
    QCOMPARE(box->SelLength(), length + expected.size() - text.size());
    // One step undoes it.
    box->undo();
    QCOMPARE(box->Text(), text);
}

// Bold and italic parts, a centred second paragraph and a picture all stay
// as they were; only the letters change.
void TestEditCommands::caseConversionKeepsFormats()
{
    openWindow();
    RichTextBox* box = editor();
    box->setText(QStringLiteral("обычный жирный\nкурсив "));
    EditorInput::selectWord(*box, QStringLiteral("жирный"));
    box->setSelBold(true);
    EditorInput::selectWord(*box, QStringLiteral("курсив"));
    box->setSelItalic(true);
    box->setSelAlignment(2);
    box->setSelStart(box->textLength());
    box->textCursor().insertImage(picture());
    box->selectAll();

    run(QStringLiteral("menu:mnutuningcapsenabled"));
    QCOMPARE(box->Text(), QStringLiteral("ОБЫЧНЫЙ ЖИРНЫЙ\nКУРСИВ ") + QChar(QChar::ObjectReplacementCharacter));
    EditorInput::selectWord(*box, QStringLiteral("ОБЫЧНЫЙ"));
    QCOMPARE(box->SelBold(), std::optional<bool>(false));
    EditorInput::selectWord(*box, QStringLiteral("ЖИРНЫЙ"));
    QCOMPARE(box->SelBold(), std::optional<bool>(true));
    EditorInput::selectWord(*box, QStringLiteral("КУРСИВ"));
    QCOMPARE(box->SelItalic(), std::optional<bool>(true));
    QCOMPARE(box->SelAlignment(), std::optional<int>(2));
    QTextCursor last(box->document());
    last.movePosition(QTextCursor::End);
    QVERIFY(last.charFormat().isImageFormat());
}

void TestEditCommands::timeAndDateText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ru_RU") << "ru_RU" << "14:05:09  06.12.2002";
    QTest::newRow("en_US, zone after the time") << "en_US" << "2:05:09 PM  12/6/02";
    QTest::newRow("zh_CN, zone before the time") << "zh_CN" << "14:05:09  2002/12/6";
}

// Hours, minutes and seconds in the locale's own form without a time-zone
// name, two spaces, the locale's short date.
void TestEditCommands::timeAndDateText()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QCOMPARE(EditCommands::timeAndDate(QLocale(locale), QTime(14, 5, 9), QDate(2002, 12, 6)), expected);
}

void TestEditCommands::dateTimeReplacesSelection()
{
    QLocale::setDefault(QLocale(QStringLiteral("ru_RU")));
    openWindow();
    RichTextBox* box = editor();
    box->setText(QStringLiteral("до слово после"));
    EditorInput::selectWord(*box, QStringLiteral("слово"));
    run(QStringLiteral("menu:mnuedittemedate"));
    static const QRegularExpression form(QStringLiteral("^до (\\d\\d:\\d\\d:\\d\\d  \\d\\d\\.\\d\\d\\.\\d{4}) после$"));
    const QRegularExpressionMatch match = form.match(box->Text());
    QVERIFY2(match.hasMatch(), qPrintable(box->Text()));
    QCOMPARE(box->SelStart(), 3 + match.capturedLength(1));
    QCOMPARE(box->SelLength(), 0);
}

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
