// The list search control on its own: reading tag list files, the search
// box and the list driven with keys and clicks, the other fills, the layout.

#include "app/UiTexts.h"
#include "helpers/Keyboard.h"
#include "helpers/ScriptedDialogs.h"
#include "helpers/TestFiles.h"
#include "listsearch/ListSearch.h"
#include "listsearch/ListSearchModel.h"
#include "platform/Twips.h"

#include <QDir>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

class TestListSearch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fillWithTags_data();
    void fillWithTags();
    void failedFill_data();
    void failedFill();
    void fileIsReadAtEveryFill();
    void incrementalSearch_data();
    void incrementalSearch();
    void doneAndEscape_data();
    void doneAndEscape();
    void fontsAndDrivesReplaceTheList();
    void listFillsTheAreaBelowTheSearchBox_data();
    void listFillsTheAreaBelowTheSearchBox();

private:
    QString tagsPath() const { return m_dir->filePath(QStringLiteral("tags.lst")); }
    void writeTags(const QByteArray& bytes) const { QVERIFY(TestFiles::writeFile(tagsPath(), bytes)); }
    void fill(const QStringList& entries);
    QStringList entries() const { return m_list->model()->entries(); }
    int selectedRow() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_host;
    ListSearch* m_list = nullptr;
};

void TestListSearch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_host = std::make_unique<QWidget>();
    m_host->resize(300, 300);
    m_list = new ListSearch(m_host.get());
    m_list->setGeometry(10, 10, Twips::toPixels(1695), Twips::toPixels(2295));
    m_host->show();
    m_host->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_host.get()));
    m_list->setFocus();
}

void TestListSearch::cleanup()
{
    m_host.reset();
    m_dir.reset();
}

void TestListSearch::fill(const QStringList& lines)
{
    writeTags(lines.join(QStringLiteral("\r\n")).toUtf8());
    QCOMPARE(m_list->FillWithTags(tagsPath(), false), 1);
}

int TestListSearch::selectedRow() const
{
    const QModelIndexList selected = m_list->lstMain->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TestListSearch::fillWithTags_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("upper");
    QTest::addColumn<QStringList>("expected");

    const QStringList bTableTr{"b", "table", "tr"};
    QTest::newRow("CR LF") << QByteArray("b\r\ntable\r\ntr\r\n") << false << bTableTr;
    QTest::newRow("CR alone") << QByteArray("b\rtable\rtr\r") << false << bTableTr;
    QTest::newRow("last line without an end") << QByteArray("b\r\ntable\r\ntr") << false << bTableTr;
    QTest::newRow("line feeds stay inside one entry")
        << QByteArray("b\ntable\ntr\n") << false << QStringList{"b\ntable\ntr\n"};
    QTest::newRow("line feed after an ended line starts the next")
        << QByteArray("b\r\n\ntr") << false << QStringList{"b", "\ntr"};
    QTest::newRow("empty lines skipped")
        << QByteArray("\r\n\rb\r\r\n\r\ntable\r\n\r\ntr\r\n\r\n") << false << bTableTr;
    QTest::newRow("only empty lines") << QByteArray("\r\n\r\n\r\r") << false << QStringList{};
    QTest::newRow("empty file") << QByteArray() << false << QStringList{};
    QTest::newRow("spaces and tabs kept")
        << QByteArray("  table\r\n   \r\n\ta href \r\n") << false << QStringList{"  table", "   ", "\ta href "};
    QTest::newRow("duplicates kept, file order")
        << QByteArray("tr\r\nb\r\ntr") << false << QStringList{"tr", "b", "tr"};
    QTest::newRow("lower case") << QByteArray("TABLE\r\nTr") << false << QStringList{"table", "tr"};
    QTest::newRow("upper case") << QByteArray("table\r\nTr") << true << QStringList{"TABLE", "TR"};
    QTest::newRow("Cyrillic UTF-8 upper")
        << QStringLiteral("таблица\r\nЁж").toUtf8() << true << QStringList{"ТАБЛИЦА", "ЁЖ"};
    QStringEncoder cp1251("windows-1251");
    QTest::newRow("Cyrillic Windows-1251 lower")
        << QByteArray(cp1251.encode(QStringLiteral("ТАБЛИЦА\r\nЁж"))) << false << QStringList{"таблица", "ёж"};
    QTest::newRow("UTF-8 byte-order mark is not part of the name")
        << QByteArray("\xEF\xBB\xBF" "b\r\ntr") << false << QStringList{"b", "tr"};
    QTest::newRow("UTF-16 with a byte-order mark")
        << QByteArray("\xFF\xFE" "b\0\r\0\n\0t\0r\0", 12) << false << QStringList{"b", "tr"};
    QTest::newRow("binary bytes and NULs")
        << QByteArray("\0\x01\xFF\r\0", 5) << false << QStringList{QString(QChar(0)) + QChar(1) + u'я', QString(QChar(0))};
    QTest::newRow("a line of a million characters")
        << QByteArray(1'000'000, 'A') << false << QStringList{QString(1'000'000, u'a')};
}

void TestListSearch::fillWithTags()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, upper);
    QFETCH(QStringList, expected);
    ScriptedMessageBoxes boxes;
    fill({"old", "entries"});
    m_list->lstMain->setCurrentIndex(m_list->model()->index(1));

    writeTags(bytes);
    QCOMPARE(m_list->FillWithTags(tagsPath(), upper), 1);
    QCOMPARE(entries(), expected);
    QCOMPARE(m_list->lstMain->model()->rowCount(), expected.size());
    QCOMPARE(selectedRow(), -1);
    QVERIFY(boxes.requests().isEmpty());
}

void TestListSearch::failedFill_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    QTest::newRow("missing file") << "missing" << UiTexts::TagsErrorTitle << UiTexts::TagsFileNotFound;
    QTest::newRow("folder") << "folder" << "Error #75" << "это папка";
    QTest::newRow("unreadable file") << "unreadable" << "Error #70" << "Нет прав на чтение";
    QTest::newRow("named pipe") << "pipe" << "Error #75" << "не обычный файл";
}

void TestListSearch::failedFill()
{
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    fill({"old"});

    const QString path = tagsPath();
    QFile::remove(path);
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == QLatin1String("unreadable")) {
        writeTags("b\r\n");
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        if (QFile file(path); file.open(QIODevice::ReadOnly))
            QSKIP("file permissions do not stop this user");
    } else if (kind == QLatin1String("pipe")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }

    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    QCOMPARE(m_list->FillWithTags(path, false), 0);
    QCOMPARE(boxes.requests().size(), 1);
    const MessageBoxRequest& box = boxes.requests().first();
    QCOMPARE(box.title, title);
    QVERIFY2(box.text.contains(text), qPrintable(box.text));
    QCOMPARE(box.icon, MsgIcon::Exclamation);
    QCOMPARE(box.buttons, MsgButtons::OKOnly);
    QVERIFY(entries().isEmpty());
}

void TestListSearch::fileIsReadAtEveryFill()
{
    fill({"b", "table"});
    fill({"tr"});
    QCOMPARE(entries(), QStringList{"tr"});
}

void TestListSearch::incrementalSearch_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("typed");  // "\b" is Backspace
    QTest::addColumn<int>("selected");

    const QStringList bTableTr{"b", "table", "tr"};
    QTest::newRow("ta") << bTableTr << "ta" << 1;
    QTest::newRow("TA") << bTableTr << "TA" << 1;
    QTest::newRow("tax keeps table") << bTableTr << "tax" << 1;
    QTest::newRow("t finds the first from the top") << bTableTr << "t" << 1;
    QTest::newRow("tr") << bTableTr << "tr" << 2;
    QTest::newRow("no match selects nothing") << bTableTr << "x" << -1;
    QTest::newRow("deleting widens the match again") << bTableTr << "trx\b\b" << 1;
    QTest::newRow("Cyrillic, either case") << QStringList{"b", "таблица", "тег"} << "ТЕ" << 2;
    QTest::newRow("inner spaces") << QStringList{"a", "a href", "abbr"} << "a h" << 1;
    QTest::newRow("empty list") << QStringList{} << "a" << -1;
    QStringList many;
    for (int i = 0; i < 40000; ++i)
        many.append(QStringLiteral("e%1").arg(i, 5, 10, QLatin1Char('0')));
    QTest::newRow("entry beyond 32767") << many << "e39999" << 39999;
}

void TestListSearch::incrementalSearch()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, typed);
    QFETCH(int, selected);
    fill(lines);
    QCOMPARE(QApplication::focusWidget(), m_list->txtSearch);

    for (const QChar c : typed) {
        if (c == u'\b')
            Keyboard::click(Qt::Key_Backspace);
        else
            Keyboard::type(QString(c));
    }
    QCOMPARE(selectedRow(), selected);
    if (selected >= 0) {
        const QRect shown = m_list->lstMain->visualRect(m_list->model()->index(selected));
        QVERIFY(m_list->lstMain->viewport()->rect().contains(shown.center()));
    }
}

void TestListSearch::doneAndEscape_data()
{
    // Steps: "type:TEXT", "key:Down", "key:Enter", "key:Escape", "dblclick:ROW"
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("boxInHandler");

    QTest::newRow("Enter in the box gives the typed text")
        << QStringList{"type:ta", "key:Enter"} << "Done" << "ta" << "ta";
    QTest::newRow("Enter in an empty box") << QStringList{"key:Enter"} << "Done" << "" << "";
    QTest::newRow("Escape in the box") << QStringList{"type:ta", "key:Escape"} << "Escape" << "" << "ta";
    QTest::newRow("Enter in the list with nothing selected")
        << QStringList{"key:Down", "key:Enter"} << "Done" << "" << "";
    QTest::newRow("Enter in the list gives the found entry")
        << QStringList{"type:ta", "key:Down", "key:Enter"} << "Done" << "table" << "ta";
    QTest::newRow("arrow keys move in the list")
        << QStringList{"type:b", "key:Down", "key:Down", "key:Enter"} << "Done" << "table" << "b";
    QTest::newRow("double click") << QStringList{"type:b", "dblclick:2"} << "Done" << "tr" << "b";
    QTest::newRow("Escape in the list") << QStringList{"type:t", "key:Down", "key:Escape"} << "Escape" << "" << "t";
}

void TestListSearch::doneAndEscape()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, event);
    QFETCH(QString, chosen);
    QFETCH(QString, boxInHandler);
    fill({"b", "table", "tr"});

    QStringList seen;  // what the handlers got, and the box's text meanwhile
    connect(m_list, &ListSearch::Done, this, [&](const QString& text) {
        seen << QStringLiteral("Done:") + text << m_list->txtSearch->text();
    });
    connect(m_list, &ListSearch::Escape, this, [&] { seen << QStringLiteral("Escape:") << m_list->txtSearch->text(); });

    for (const QString& step : steps) {
        const QString argument = step.section(u':', 1);
        if (step.startsWith(QLatin1String("type:"))) {
            Keyboard::type(argument);
        } else if (step == QLatin1String("key:Down")) {
            Keyboard::click(Qt::Key_Down);
        } else if (step == QLatin1String("key:Enter")) {
            Keyboard::click(Qt::Key_Return, QStringLiteral("\r"));
        } else if (step == QLatin1String("key:Escape")) {
            Keyboard::click(Qt::Key_Escape, QStringLiteral("\x1b"));
        } else if (step.startsWith(QLatin1String("dblclick:"))) {
            const QRect row = m_list->lstMain->visualRect(m_list->model()->index(argument.toInt()));
            // A double click as the window system reports it: press, release, double click.
            QTest::mouseClick(m_list->lstMain->viewport(), Qt::LeftButton, {}, row.center());
            QTest::mouseDClick(m_list->lstMain->viewport(), Qt::LeftButton, {}, row.center());
        }
    }
    QCOMPARE(seen, (QStringList{event + u':' + chosen, boxInHandler}));
    QCOMPARE(m_list->txtSearch->text(), QString());
}

void TestListSearch::fontsAndDrivesReplaceTheList()
{
    fill({"b"});
    m_list->FillWithFonts();
    QCOMPARE(entries(), QFontDatabase::families());

    QStringList lower;
    QStringList upper;
    for (const QFileInfo& drive : QDir::drives()) {
        lower << QDir::toNativeSeparators(drive.absoluteFilePath()).toLower();
        upper << QDir::toNativeSeparators(drive.absoluteFilePath()).toUpper();
    }
#ifndef Q_OS_WIN
    QCOMPARE(lower, QStringList{"/"});
#endif
    m_list->FillWithDrives(false);
    QCOMPARE(entries(), lower);
    m_list->FillWithDrives(true);
    QCOMPARE(entries(), upper);
}

void TestListSearch::listFillsTheAreaBelowTheSearchBox_data()
{
    QTest::addColumn<QSize>("twips");
    QTest::newRow("document window's list") << QSize(1695, 2295);
    QTest::newRow("wide and low") << QSize(4000, 1000);
    QTest::newRow("design size") << QSize(1995, 1755);
}

void TestListSearch::listFillsTheAreaBelowTheSearchBox()
{
    QFETCH(QSize, twips);
    const QRect searchBefore = m_list->txtSearch->geometry();
    for (int pass = 0; pass < 2; ++pass) {  // the first layout and every later one agree
        m_list->resize(Twips::toPixels(twips.width()), Twips::toPixels(twips.height()));
        m_list->repaint();
        const QRect inner = m_list->contentsRect();
        const QRect search = m_list->txtSearch->geometry();
        const QRect list = m_list->lstMain->geometry();
        QCOMPARE(search.topLeft(), inner.topLeft());
        QCOMPARE(search.width(), inner.width());
        QCOMPARE(search.height(), searchBefore.height());
        QCOMPARE(list.left(), inner.left());
        QCOMPARE(list.width(), inner.width());
        QVERIFY(list.top() >= search.bottom());
        QVERIFY(list.top() <= search.bottom() + 1);
        QCOMPARE(list.bottom(), inner.bottom());
    }
}

QTEST_MAIN(TestListSearch)
#include "tst_listsearch.moc"
