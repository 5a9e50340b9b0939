// Tag completion as a user meets it: "<" typed in a document window opens its
// list control, filled from tags.lst in the program folder; keys and clicks
// in the list write the tags; the options sit in the Settings menu. Also the
// list control's reading of tag list files, its other fills and its layout.

#include "app/MainMenu.h"
#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "helpers/DocumentWindows.h"
#include "helpers/EditorInput.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/NamedPart.h"
#include "helpers/ScriptedDialogs.h"
#include "helpers/TestFiles.h"
#include "listsearch/ListSearch.h"
#include "listsearch/ListSearchModel.h"
#include "platform/RichTextBox.h"
#include "platform/Twips.h"
#include "texts/UiTexts.h"

#include <QAction>
#include <QFontDatabase>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QStringEncoder>
#include <QTest>

#include <sys/stat.h>

#include <memory>

class TestListSearch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fillWithTags_data();
    void fillWithTags();
    void failureShowsMessageAndInsertsLessThan_data();
    void failureShowsMessageAndInsertsLessThan();
    void incrementalSearch_data();
    void incrementalSearch();
    void choosingWritesTheTags_data();
    void choosingWritesTheTags();
    void optionClicks_data();
    void optionClicks();
    void lessThanReplacesTheSelection();
    void oneCaretWhileTheListIsOpen();
    void mousePressClosesAndKeepsSearchText();
    void eachWindowHasItsOwnList();
    void fontsAndDrivesReplaceTheList();
    void listFillsTheAreaBelowTheSearchBox();

private:
    frmDocument* document() const { return m_main->ActiveForm(); }
    RichTextBox* editor() const { return document()->rtfText; }
    ListSearch* list() const { return document()->lsMain; }
    QLineEdit* searchBox() const { return namedPart<QLineEdit>(*list(), "txtSearch"); }
    QListView* listView() const { return namedPart<QListView>(*list(), "lstMain"); }
    QStringList entries() const { return list()->model()->entries(); }
    QString tagsPath() const { return m_settings->programFolder() + QStringLiteral("/tags.lst"); }
    void writeTags(const QByteArray& bytes) const { QVERIFY(TestFiles::writeFile(tagsPath(), bytes)); }
    void run(const QStringList& steps);

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<frmMain> m_main;
};

void TestListSearch::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    writeTags("b\r\nTable\r\ntr\r\na href\r\n");
    m_main = std::make_unique<frmMain>();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    editor()->setFocus();
}

void TestListSearch::cleanup()
{
    DocumentWindows::discardAll(*m_main);
    m_main.reset();
    m_settings.reset();
}

// "<" ("<ru": by the Russian layout, "<im": by an input method),
// "type:TEXT" ("\b" is Backspace), "key:Down", "key:Enter", "key:Escape",
// "hold:Enter", "dblclick:ROW", "click:ITEM" (a menu item's name),
// "tags:LINES" (\n between).
void TestListSearch::run(const QStringList& steps)
{
    for (const QString& step : steps) {
        const QString command = step.section(u':', 0, 0);
        const QString argument = step.section(u':', 1);
        if (step == QLatin1String("<")) {
            EditorInput::pressKey(Qt::Key_Less, step, Qt::ShiftModifier);
        } else if (step == QLatin1String("<ru")) {
            EditorInput::pressKey(0x0411, QStringLiteral("<"), Qt::ShiftModifier);  // Shift+Б in the Russian layout
        } else if (step == QLatin1String("<im")) {
            QInputMethodEvent commit;
            commit.setCommitString(QStringLiteral("<"));
            QApplication::sendEvent(QApplication::focusWidget(), &commit);
        } else if (command == QLatin1String("type")) {
            EditorInput::typeKeys(argument);
        } else if (command == QLatin1String("key")) {
            const int key = argument == QLatin1String("Down") ? Qt::Key_Down
                : argument == QLatin1String("Enter")          ? Qt::Key_Return
                                                              : Qt::Key_Escape;
            EditorInput::pressKey(key, key == Qt::Key_Return ? QStringLiteral("\r") : key == Qt::Key_Escape ? QStringLiteral("\x1b") : QString());
        } else if (step == QLatin1String("hold:Enter")) {
            // The window system repeats a held key as releases and presses.
            QTest::sendKeyEvent(QTest::Press, QApplication::focusWidget(), Qt::Key_Return, QStringLiteral("\r"), {});
            for (int i = 0; i < 3; ++i) {
                for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
                    QKeyEvent repeat(type, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
                    QApplication::sendEvent(QApplication::focusWidget(), &repeat);
                }
            }
            QTest::sendKeyEvent(QTest::Release, QApplication::focusWidget(), Qt::Key_Return, QStringLiteral("\r"), {});
        } else if (command == QLatin1String("dblclick")) {
            // As the window system reports it: press, release, double click.
            QWidget* rows = listView()->viewport();
            const QPoint at = listView()->visualRect(list()->model()->index(argument.toInt())).center();
            QTest::mouseClick(rows, Qt::LeftButton, {}, at);
            QTest::mouseDClick(rows, Qt::LeftButton, {}, at);
        } else if (command == QLatin1String("click")) {
            m_main->findChild<QAction*>(argument)->trigger();
        } else if (command == QLatin1String("tags")) {
            writeTags(QString(argument).replace(u'\n', QStringLiteral("\r\n")).toUtf8());
        } else {
            QFAIL(qPrintable(step));
        }
    }
}

void TestListSearch::fillWithTags_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("upper");
    QTest::addColumn<QStringList>("expected");

    const QStringList bTableTr{"b", "table", "tr"};
    QTest::newRow("CR LF") << QByteArray("b\r\ntable\r\ntr\r\n") << false << bTableTr;
    QTest::newRow("CR alone, last line without an end") << QByteArray("b\rtable\rtr") << false << bTableTr;
    QTest::newRow("line feeds stay inside the entry") << QByteArray("b\ntr\n") << false << QStringList{"b\ntr\n"};
    QTest::newRow("line feed after CR LF") << QByteArray("b\r\n\ntr") << false << QStringList{"b", "\ntr"};
    QTest::newRow("empty lines skipped") << QByteArray("\r\n\rb\r\r\n\r\ntable\r\ntr\r\n\r\n") << false << bTableTr;
    QTest::newRow("only empty lines") << QByteArray("\r\n\r\n\r") << false << QStringList{};
    QTest::newRow("spaces kept") << QByteArray("  table\r\n   \r\n\ta href ") << false
                                 << QStringList{"  table", "   ", "\ta href "};
    QTest::newRow("duplicates, file order") << QByteArray("tr\r\nb\r\ntr") << false << QStringList{"tr", "b", "tr"};
    QTest::newRow("lower case") << QByteArray("TABLE\r\nTr") << false << QStringList{"table", "tr"};
    QTest::newRow("upper case") << QByteArray("table\r\nTr") << true << QStringList{"TABLE", "TR"};
    QTest::newRow("Cyrillic UTF-8") << QStringLiteral("таблица\r\nЁж").toUtf8() << true << QStringList{"ТАБЛИЦА", "ЁЖ"};
    QStringEncoder cp1251("windows-1251");
    QTest::newRow("Cyrillic Windows-1251") << QByteArray(cp1251.encode(QStringLiteral("ТАБЛИЦА\rЁж"))) << false
                                           << QStringList{"таблица", "ёж"};
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF" "b\r\ntr") << false << QStringList{"b", "tr"};
    QTest::newRow("UTF-16 byte-order mark") << QByteArray("\xFF\xFE" "b\0\r\0\n\0t\0r\0", 12) << false
                                            << QStringList{"b", "tr"};
    QTest::newRow("binary bytes and NULs") << QByteArray("\0\x01\xFF\r\0", 5) << false
                                           << QStringList{QString(QChar(0)) + QChar(1) + u'я', QString(QChar(0))};
    QTest::newRow("a line of a million characters") << QByteArray(1'000'000, 'A') << false
                                                    << QStringList{QString(1'000'000, u'a')};
}

void TestListSearch::fillWithTags()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, upper);
    QFETCH(QStringList, expected);
    ScriptedMessageBoxes boxes;
    run({"<", "type:t"});  // a list with an entry selected

    writeTags(bytes);  // read afresh at every fill
    QCOMPARE(list()->FillWithTags(tagsPath(), upper), 1);
    QCOMPARE(entries(), expected);
    QCOMPARE(listView()->model()->rowCount(), expected.size());
    QCOMPARE(list()->selectedEntry(), QString());
    QVERIFY(boxes.requests().isEmpty());
}

void TestListSearch::failureShowsMessageAndInsertsLessThan_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    QTest::newRow("missing file") << "missing" << UiTexts::TagsErrorTitle << UiTexts::TagsFileNotFound;
    QTest::newRow("folder") << "folder" << "Error #75" << "это папка";
    QTest::newRow("unreadable file") << "unreadable" << "Error #70" << "Нет прав на чтение";
    QTest::newRow("named pipe") << "pipe" << "Error #75" << "не обычный файл";
}

void TestListSearch::failureShowsMessageAndInsertsLessThan()
{
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    list()->FillWithTags(tagsPath(), false);
    QVERIFY(QFile::remove(tagsPath()));
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(tagsPath()));
    } else if (kind == QLatin1String("unreadable")) {
        writeTags("b\r\n");
        QVERIFY(QFile::setPermissions(tagsPath(), QFileDevice::WriteOwner));
        if (QFile file(tagsPath()); file.open(QIODevice::ReadOnly))
            QSKIP("file permissions do not stop this user");
    } else if (kind == QLatin1String("pipe")) {
        QCOMPARE(::mkfifo(QFile::encodeName(tagsPath()).constData(), 0600), 0);
    }

    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    run({"<"});
    QCOMPARE(boxes.requests().size(), 1);
    const MessageBoxRequest& box = boxes.requests().first();
    QCOMPARE(box.title, title);
    QVERIFY2(box.text.contains(text), qPrintable(box.text));
    QCOMPARE(box.icon, MsgIcon::Exclamation);
    QCOMPARE(editor()->Text(), QStringLiteral("<"));
    QVERIFY(list()->isHidden());
    QVERIFY(entries().isEmpty());
    QCOMPARE(QApplication::focusWidget(), editor());
}

void TestListSearch::incrementalSearch_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("selected");

    QTest::newRow("opening selects nothing") << QStringList{"<"} << "";
    QTest::newRow("ta") << QStringList{"<", "type:ta"} << "table";
    QTest::newRow("TA") << QStringList{"<", "type:TA"} << "table";
    QTest::newRow("tax keeps table") << QStringList{"<", "type:tax"} << "table";
    QTest::newRow("tr") << QStringList{"<", "type:tr"} << "tr";
    QTest::newRow("deleting widens again") << QStringList{"<", "type:trx\b\b"} << "table";
    QTest::newRow("emptying keeps the selection") << QStringList{"<", "type:tr\b\b"} << "table";
    QTest::newRow("inner spaces") << QStringList{"<", "type:a h"} << "a href";
    QTest::newRow("Cyrillic, either case") << QStringList{"tags:b\nтаблица\nтег", "<", "type:ТЕ"} << "тег";
    QTest::newRow("empty list") << QStringList{"tags:\n\n", "<", "type:a"} << "";
    QStringList many;
    for (int i = 0; i < 40000; ++i)
        many.append(QStringLiteral("e%1").arg(i, 5, 10, QLatin1Char('0')));
    QTest::newRow("entry beyond 32767") << QStringList{"tags:" + many.join(u'\n'), "<", "type:e39999"} << "e39999";
}

void TestListSearch::incrementalSearch()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, selected);
    run(steps);
    QCOMPARE(QApplication::focusWidget(), searchBox());
    QCOMPARE(list()->selectedEntry(), selected);
    const QModelIndexList rows = listView()->selectionModel()->selectedIndexes();
    if (!rows.isEmpty()) {
        const QRect shown = listView()->visualRect(rows.first());
        QVERIFY(listView()->viewport()->rect().contains(shown.center()));
    }
}

void TestListSearch::choosingWritesTheTags_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");

    QTest::newRow("start values, from the list") << QStringList{"<", "type:ta", "key:Down", "key:Enter"}
                                                 << "<table></table>" << 7;
    QTest::newRow("closing tag off") << QStringList{"click:mnuOptionsComplete", "<", "type:ta", "key:Down", "key:Enter"}
                                     << "<table>" << 7;
    QTest::newRow("upper case in both tags")
        << QStringList{"click:mnuOptionsUpper", "<", "type:ta", "key:Down", "key:Enter"} << "<TABLE></TABLE>" << 7;
    QTest::newRow("Enter in the box gives the typed text") << QStringList{"<", "type:ta", "key:Enter"} << "<ta></ta>" << 4;
    QTest::newRow("Enter held down") << QStringList{"<", "type:ta", "hold:Enter"} << "<ta></ta>" << 4;
    QTest::newRow("name not in the list") << QStringList{"<", "type:foo", "key:Enter"} << "<foo></foo>" << 5;
    QTest::newRow("Cyrillic name") << QStringList{"<", "type:див", "key:Enter"} << "<див></див>" << 5;
    QTest::newRow("< by the Russian layout") << QStringList{"<ru", "type:t", "key:Down", "key:Enter"}
                                             << "<table></table>" << 7;
    QTest::newRow("< by an input method") << QStringList{"<im", "type:t", "key:Down", "key:Enter"}
                                          << "<table></table>" << 7;
    QTest::newRow("empty search box") << QStringList{"<", "key:Enter"} << "<></>" << 2;
    QTest::newRow("empty search box, closing tag off") << QStringList{"click:mnuOptionsComplete", "<", "key:Enter"}
                                                       << "<>" << 2;
    QTest::newRow("Down selects the first entry") << QStringList{"<", "key:Down", "key:Enter"} << "<b></b>" << 3;
    QTest::newRow("Down in a one-line list") << QStringList{"tags:td", "<", "key:Down", "key:Enter"} << "<td></td>" << 4;
    QTest::newRow("Enter in an empty list") << QStringList{"tags:\n", "<", "key:Down", "key:Enter"} << "<></>" << 2;
    QTest::newRow("arrow keys in the list") << QStringList{"<", "key:Down", "key:Down", "key:Enter"}
                                            << "<table></table>" << 7;
    QTest::newRow("inner spaces repeated whole") << QStringList{"<", "type:a", "key:Down", "key:Enter"}
                                                 << "<a href></a href>" << 8;
    QTest::newRow("double click") << QStringList{"<", "dblclick:2"} << "<tr></tr>" << 4;
    QTest::newRow("closing tag switched off while open")
        << QStringList{"<", "type:b", "click:mnuOptionsComplete", "key:Enter"} << "<b>" << 3;
    QTest::newRow("Escape in the box") << QStringList{"<", "type:ta", "key:Escape"} << "<" << 1;
    QTest::newRow("Escape in the list") << QStringList{"<", "key:Down", "key:Escape"} << "<" << 1;
}

void TestListSearch::choosingWritesTheTags()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, text);
    QFETCH(int, caret);
    ScriptedMessageBoxes boxes;
    run(steps);
    QCOMPARE(editor()->Text(), text);
    QCOMPARE(editor()->SelStart(), caret);
    QVERIFY(list()->isHidden());
    QCOMPARE(QApplication::focusWidget(), editor());
    QCOMPARE(searchBox()->text(), QString());
    QVERIFY(boxes.requests().isEmpty());
}

// While the list is open the caret is the search box's; the editor draws
// none after its "<".
void TestListSearch::oneCaretWhileTheListIsOpen()
{
    run({"type:ab ", "<"});
    QCOMPARE(QApplication::focusWidget(), searchBox());
    QCoreApplication::processEvents();
    const QRect caret = editor()->cursorRect();
    const QImage image = editor()->viewport()->grab().toImage();
    int tallest = 0;  // the most dark pixels in one column where the caret would be
    for (int x = std::max(0, caret.left()); x <= caret.right() && x < image.width(); ++x) {
        int dark = 0;
        for (int y = std::max(0, caret.top()); y <= caret.bottom() && y < image.height(); ++y)
            dark += qGray(image.pixel(x, y)) < 128;
        tallest = std::max(tallest, dark);
    }
    QVERIFY2(tallest < caret.height() * 2 / 3, qPrintable(QString::number(tallest)));
}

void TestListSearch::optionClicks_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("checked");  // lower, upper, closing tag

    QTest::newRow("start values") << QStringList{} << "101";
    QTest::newRow("upper") << QStringList{"mnuOptionsUpper"} << "011";
    QTest::newRow("lower switches too") << QStringList{"mnuOptionsLower"} << "011";
    QTest::newRow("upper twice") << QStringList{"mnuOptionsUpper", "mnuOptionsUpper"} << "101";
    QTest::newRow("upper, lower") << QStringList{"mnuOptionsUpper", "mnuOptionsLower"} << "101";
    QTest::newRow("closing tag") << QStringList{"mnuOptionsComplete"} << "100";
    QTest::newRow("closing tag twice") << QStringList{"mnuOptionsComplete", "mnuOptionsComplete"} << "101";
}

void TestListSearch::optionClicks()
{
    QFETCH(QStringList, clicks);
    QFETCH(QString, checked);
    const MainMenu* menu = m_main->menu();
    const QList<QAction*> options{menu->mnuOptionsLower, menu->mnuOptionsUpper, menu->mnuOptionsComplete};
    for (const QString& name : clicks)
        m_main->findChild<QAction*>(name)->trigger();
    QString actual;
    for (QAction* option : options) {
        QVERIFY(option->isCheckable() && option->isVisible());
        actual += option->isChecked() ? u'1' : u'0';
    }
    QCOMPARE(actual, checked);
}

void TestListSearch::lessThanReplacesTheSelection()
{
    editor()->setText(QStringLiteral("abc"));
    editor()->setSelStart(1);
    editor()->setSelLength(1);
    run({"<"});
    QCOMPARE(editor()->Text(), QStringLiteral("a<c"));
    QVERIFY(list()->isVisible());
    run({"type:tr", "key:Enter"});
    QCOMPARE(editor()->Text(), QStringLiteral("a<tr></tr>c"));
    QCOMPARE(editor()->SelStart(), 5);
}

void TestListSearch::mousePressClosesAndKeepsSearchText()
{
    run({"<", "type:ta"});
    const QPoint corner = editor()->viewport()->rect().bottomRight() - QPoint(3, 3);
    QVERIFY(!list()->geometry().contains(editor()->viewport()->mapTo(document(), corner)));
    QTest::mouseClick(editor()->viewport(), Qt::LeftButton, {}, corner);
    QVERIFY(list()->isHidden());
    QCOMPARE(editor()->Text(), QStringLiteral("<"));

    // The next opening searches with the text left in the box.
    run({"<"});
    QCOMPARE(searchBox()->text(), QStringLiteral("ta"));
    QCOMPARE(list()->selectedEntry(), QStringLiteral("table"));
    run({"key:Enter"});
    QCOMPARE(editor()->Text(), QStringLiteral("<<ta></ta>"));
}

void TestListSearch::eachWindowHasItsOwnList()
{
    frmDocument* first = document();
    run({"<", "type:t"});
    m_main->menu()->mnuFileNew->trigger();
    QVERIFY(document() != first && list() != first->lsMain);
    QVERIFY(list()->isHidden());
    run({"<", "type:b", "key:Enter"});
    QCOMPARE(editor()->Text(), QStringLiteral("<b></b>"));
    QCOMPARE(first->rtfText->Text(), QStringLiteral("<"));
    QVERIFY(first->lsMain->isVisibleTo(first));
    QCOMPARE(namedPart<QLineEdit>(*first->lsMain, "txtSearch")->text(), QStringLiteral("t"));
}

void TestListSearch::fontsAndDrivesReplaceTheList()
{
    list()->FillWithTags(tagsPath(), false);
    list()->FillWithFonts();
    QCOMPARE(entries(), QFontDatabase::families());
    for (const bool upper : {false, true}) {
        QStringList roots;
        for (const QFileInfo& drive : QDir::drives()) {
            const QString root = QDir::toNativeSeparators(drive.absoluteFilePath());
            roots << (upper ? root.toUpper() : root.toLower());
        }
        list()->FillWithDrives(upper);
        QCOMPARE(entries(), roots);
    }
#ifndef Q_OS_WIN
    QCOMPARE(entries(), QStringList{"/"});
#endif
}

void TestListSearch::listFillsTheAreaBelowTheSearchBox()
{
    run({"<"});
    ListSearch* control = list();
    const int searchHeight = searchBox()->height();
    for (const QSize twips : {QSize(1695, 2295), QSize(4000, 1000), QSize(1695, 2295)}) {
        control->resize(Twips::toPixels(twips.width()), Twips::toPixels(twips.height()));
        control->repaint();
        const QRect inner = control->contentsRect();
        const QRect search = searchBox()->geometry();
        const QRect rows = listView()->geometry();
        QCOMPARE(search, QRect(inner.topLeft(), QSize(inner.width(), searchHeight)));
        QCOMPARE(rows, QRect(inner.left(), search.bottom() + 1, inner.width(), inner.bottom() - search.bottom()));
    }
}

QTEST_MAIN(TestListSearch)
#include "tst_listsearch.moc"
