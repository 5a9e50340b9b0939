// The main window as a user meets it: start-up from stored settings, menus,
// toolbar, status bar, document numbering, the View toggles, the refresh
// timer's enabled states and the shutdown sequence.

#include "app/AppStartup.h"
#include "app/MainMenu.h"
#include "app/MainStatusBar.h"
#include "app/MainToolBar.h"
#include "app/WindowListMenu.h"
#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "helpers/DocumentWindows.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/NamedPart.h"
#include "helpers/ScriptedDialogs.h"
#include "helpers/TestFiles.h"
#include "platform/RichTextBox.h"
#include "platform/UserStore.h"
#include "texts/UiTexts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

MainToolBar* toolBar(const frmMain& window)
{
    return namedPart<MainToolBar>(window, "tbToolBar");
}

MainStatusBar* statusBar(const frmMain& window)
{
    return namedPart<MainStatusBar>(window, "sbStatusBar");
}

QString storedBound(const char* key)
{
    return UserStore::GetSetting(UiTexts::AppTitle, QStringLiteral("Settings"), QLatin1String(key),
                                 QStringLiteral("absent"));
}

QAction* item(const frmMain& window, const char* name)
{
    auto* action = window.findChild<QAction*>(QLatin1String(name));
    if (!action)
        qWarning("no action %s", name);
    return action;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartWithNoSettings();
    void menuBarHoldsEveryItem();
    void toolbarHoldsTwentyPositions();
    void statusBarPanels();
    void storedVisibilityIsCaseSensitive_data();
    void storedVisibilityIsCaseSensitive();
    void viewTogglesAreStoredAndRestored();
    void storedBoundsAreApplied_data();
    void storedBoundsAreApplied();
    void foreignSettingsFilesAreLeftAlone_data();
    void foreignSettingsFilesAreLeftAlone();
    void documentNumbersAreNeverReused();
    void windowMenuListsAndActivatesDocuments();
    void arrangeCommandsPlaceTheWindows();
    void refreshWithoutDocument();
    void refreshFollowsSelectionAndCaption();
    void refreshFollowsClipboard();
    void keyIndicatorsShowInStatusBar();
    void shutdownStoresBounds();
    void exitCommandClosesLikeTheCloseBox();
    void shutdownCancelledStoresNothing();
    void shutdownWhileMinimizedKeepsOldBounds();
    void shutdownClosesOpenDialogs();
    void russianTranslationIsLoaded();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestMainWindow::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QGuiApplication::clipboard()->clear();
}

void TestMainWindow::cleanup()
{
    m_settings.reset();
}

void TestMainWindow::firstStartWithNoSettings()
{
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.windowTitle(), QStringLiteral("Пергалот"));
    QVERIFY(!window.windowIcon().isNull());
    // 1000 and 6500 twips at 96 dpi
    QCOMPARE(window.pos(), QPoint(67, 67));
    QCOMPARE(window.size(), QSize(433, 433));
    QVERIFY(toolBar(window)->isVisible());
    QVERIFY(statusBar(window)->isVisible());
    QVERIFY(item(window, "mnuViewToolbar")->isChecked());
    QVERIFY(item(window, "mnuViewStatusBar")->isChecked());
    QCOMPARE(statusBar(window)->Panel(1)->text(), QStringLiteral("Для вызова 'Справки' нажмите F1"));
    QCOMPARE(DocumentWindows::captions(window), QStringList{QStringLiteral("Документ 1")});
    QCOMPARE(window.ActiveForm(), window.documentWindows().first());
    QCOMPARE(MainToolBar::Value(toolBar(window)->Button(QStringLiteral("Align Left"))), 1);
    QCOMPARE(MainToolBar::Value(toolBar(window)->Button(QStringLiteral("Center"))), 0);

    // Completion options
    QVERIFY(item(window, "mnuOptionsComplete")->isChecked());
    QVERIFY(item(window, "mnuOptionsLower")->isChecked());
    QVERIFY(!item(window, "mnuOptionsUpper")->isChecked());

    // The refresh runs every 10 ms from the start.
    QVERIFY(namedPart<QTimer>(window, "TimerChecking")->isActive());
    QCOMPARE(namedPart<QTimer>(window, "TimerChecking")->interval(), 10);
    QTRY_VERIFY(!item(window, "mnufiledelete")->isEnabled());

    // The new document's editor starts in the default font.
    RichTextBox* editor = window.ActiveForm()->rtfText;
    QCOMPARE(editor->SelFontName().value_or(QString()), QStringLiteral("Times New Roman"));
    QCOMPARE(editor->SelFontSize().value_or(0), 14.25f);
    QVERIFY(editor->document()->isEmpty());
}

void TestMainWindow::menuBarHoldsEveryItem()
{
    frmMain window;
    struct Row
    {
        const char* menu;
        const char* name;
        const char* caption; // nullptr for a separator
        QKeySequence shortcut;
    };
    const QList<Row> rows = {
        {"mnufile", "mnuFileNew", "&Создать", QKeySequence(QStringLiteral("Ctrl+N"))},
        {"mnufile", "mnuFileOpen", "&Открыть", QKeySequence(QStringLiteral("Ctrl+O"))},
        {"mnufile", "mnuFileBar0", nullptr, {}},
        {"mnufile", "mnuFileSave", "&Сохранить", QKeySequence(QStringLiteral("Ctrl+S"))},
        {"mnufile", "mnuFileSaveAs", "&Сохранить как...", {}},
        {"mnufile", "mnuFileBar1", nullptr, {}},
        {"mnufile", "mnuFilePageSetup", "Параметры страницы...", {}},
        {"mnufile", "mnuFilePrint", "&Печать...", QKeySequence(QStringLiteral("Ctrl+P"))},
        {"mnufile", "separator4", nullptr, {}},
        {"mnufile", "mnufiledelete", "Удалить", {}},
        {"mnufile", "mnuFileBar3", nullptr, {}},
        {"mnufile", "mnuFileExit", "&Выход", QKeySequence(QStringLiteral("Ctrl+Q"))},
        {"mnuedit", "mnuEditCut", "&Вырезать", QKeySequence(QStringLiteral("Ctrl+X"))},
        {"mnuedit", "mnuEditCopy", "&Копировать", QKeySequence(QStringLiteral("Ctrl+C"))},
        {"mnuedit", "mnuEditPaste", "&Вставить", QKeySequence(QStringLiteral("Ctrl+V"))},
        {"mnuedit", "mnueditdelete", "Удалить", {}},
        {"mnuedit", "separator0", nullptr, {}},
        {"mnuedit", "mnueditselectall", "Выделить все", QKeySequence(QStringLiteral("Ctrl+A"))},
        {"mnuedit", "mnuedittemedate", "Дата/время ", QKeySequence(QStringLiteral("F5"))},
        {"mnuedit", "mnueditsimbol", "Символ...", {}},
        {"mnuedit", "separator1", nullptr, {}},
        {"mnuedit", "mnueditfind", "Найти...", QKeySequence(QStringLiteral("F3"))},
        {"mnuview", "mnuViewToolbar", "Панель инструментов", {}},
        {"mnuview", "mnuViewStatusBar", "Панель статуса", {}},
        {"mnutuning", "mnutuningfont", "&Шрифт", {}},
        {"mnutuning", "mnutuningfontcolor", "Цвет шрифта", {}},
        {"mnutuning", "mnutuningbaro", nullptr, {}},
        {"mnutuning", "mnutuningcapsenabled", "Верхний регистр", {}},
        {"mnutuning", "mnutuningcapsdisabled", "Нижний регистр", {}},
        {"mnutuning", "mnutuningbar1", nullptr, {}},
        {"mnutuning", "mnuOptionsLower", "Теги в нижнем регистре", {}},
        {"mnutuning", "mnuOptionsUpper", "Теги в верхнем регистре", {}},
        {"mnutuning", "mnuOptionsComplete", "Вставлять закрывающий тег", {}},
        {"mnutuning", "mnutuningbar2", nullptr, {}},
        {"mnutuning", "mnutuningspellcheck", "Проверка орфографии", {}},
        {"mnuwindow", "mnuWindowNewWindow", "Новое окно", {}},
        {"mnuwindow", "mnuWindowBar0", nullptr, {}},
        {"mnuwindow", "mnuwindowmakeselect", "Упорядочить", {}},
        {"mnuwindowmakeselect", "mnuWindowCascade", "Каскад", {}},
        {"mnuwindowmakeselect", "mnuWindowTileHorizontal", "Горизонтально", {}},
        {"mnuwindowmakeselect", "mnuWindowTileVertical", "Вертикально", {}},
        {"mnuhelp", "mnuhelpHelp", "Справка", QKeySequence(QStringLiteral("F1"))},
        {"mnuhelp", "mnuhelpbar0", nullptr, {}},
        {"mnuhelp", "mnuHelpAbout", "О &программе", {}},
        {"mnucontext", "mnucontextcut", "Вырезать", {}},
        {"mnucontext", "mnucontextcopy", "Копировать", {}},
        {"mnucontext", "mnucontxtpaste", "Вставить", {}},
        {"mnucontext", "mnucontextdelete", "Удалить", {}},
        {"mnucontext", "mnucontextbar0", nullptr, {}},
        {"mnucontext", "mnucontextselectall", "Выделить всё", {}},
        {"mnucontext", "mnucontextfont", "Шрифт...", {}},
        {"mnuoptions", "mnuOptionsLower", "Теги в нижнем регистре", {}},
        {"mnuoptions", "mnuOptionsUpper", "Теги в верхнем регистре", {}},
        {"mnuoptions", "mnuOptionsComplete", "Вставлять закрывающий тег", {}},
    };

    // The menu bar's visible menus, in order, then the two hidden pop-ups.
    QStringList visibleTitles;
    QStringList hiddenNames;
    for (QAction* top : window.menuBar()->actions()) {
        if (top->isVisible())
            visibleTitles << top->text();
        else
            hiddenNames << top->objectName();
    }
    QCOMPARE(visibleTitles, (QStringList{QStringLiteral("Фаил"), QStringLiteral("Правка"), QStringLiteral("Вид"),
                                         QStringLiteral("Настройка"), QStringLiteral("Окно"), QStringLiteral("Помощь")}));
    QCOMPARE(hiddenNames, (QStringList{QStringLiteral("mnucontext"), QStringLiteral("mnuoptions")}));

    QHash<QString, int> positionInMenu;
    for (const Row& row : rows) {
        auto* menu = window.findChild<QMenu*>(QLatin1String(row.menu));
        QVERIFY2(menu, row.menu);
        const int position = positionInMenu[QLatin1String(row.menu)]++;
        const QList<QAction*> actions = menu->actions();
        QVERIFY2(position < actions.size(), row.name);
        QAction* action = actions.at(position);
        QCOMPARE(action->objectName(), QLatin1String(row.name));
        if (row.caption) {
            QVERIFY2(!action->isSeparator(), row.name);
            QCOMPARE(action->text(), QString::fromUtf8(row.caption));
            QCOMPARE(action->shortcut(), row.shortcut);
        } else {
            QVERIFY2(action->isSeparator(), row.name);
        }
    }
    // Nothing beyond the table (the Window menu's list appears only with documents).
    for (auto it = positionInMenu.cbegin(); it != positionInMenu.cend(); ++it) {
        auto* menu = window.findChild<QMenu*>(it.key());
        int count = int(menu->actions().size());
        const qsizetype listed = window.windowList()->entries().size();
        if (it.key() == QLatin1String("mnuwindow") && listed > 0)
            count -= int(listed) + 1; // separator and one entry per window
        QCOMPARE(count, it.value());
    }
}

void TestMainWindow::toolbarHoldsTwentyPositions()
{
    frmMain window;
    struct Row
    {
        const char* key;
        const char* toolTip; // nullptr for a separator
    };
    const Row rows[20] = {
        {"New", "Создать"}, {"Open", "Открыть"}, {"Save", "Сохранить"}, {"", nullptr},
        {"Print", "Печать"}, {"separator2", nullptr}, {"Cut", "Вырезать"}, {"Copy", "Копировать"},
        {"Paste", "Вставить"}, {"", nullptr}, {"Bold", "Полужирный"}, {"Italic", "Курсив"},
        {"Underline", "Подчеркнутый"}, {"Strikethru", "Зачёркнутый"}, {"", nullptr},
        {"Align Left", "По левому краю"}, {"Center", "По центру"}, {"Align Right", "По правому краю"},
        {"", nullptr}, {"Find", "Найти"},
    };
    MainToolBar* bar = toolBar(window);
    QCOMPARE(bar->actions().size(), 20);
    QVERIFY(!bar->Button(0));
    QVERIFY(!bar->Button(21));
    for (int position = 1; position <= 20; ++position) {
        const Row& row = rows[position - 1];
        QAction* button = bar->Button(position);
        QCOMPARE(MainToolBar::Key(button), QLatin1String(row.key));
        if (!row.toolTip) {
            QVERIFY(button->isSeparator());
            continue;
        }
        QCOMPARE(bar->Button(QLatin1String(row.key)), button);
        QCOMPARE(button->toolTip(), QString::fromUtf8(row.toolTip));
        QVERIFY2(!button->icon().pixmap(16, 16).isNull(), row.key);
    }
    // Keys are matched exactly.
    QVERIFY(!bar->Button(QStringLiteral("bold")));
    QVERIFY(!bar->Button(QStringLiteral("")));
}

void TestMainWindow::statusBarPanels()
{
    frmMain window;
    MainStatusBar* bar = statusBar(window);
    const QStringList tips = {QStringLiteral("Статус"), QStringLiteral("Состояние клавиши NUM LOCK"),
                              QStringLiteral("Состояние клавиши САРS LOCK"),
                              QStringLiteral("Состояние клавиши INSERT"), QStringLiteral("Дата"),
                              QStringLiteral("Время")};
    for (int i = 1; i <= 6; ++i)
        QCOMPARE(bar->Panel(i)->toolTip(), tips.at(i - 1));
    QVERIFY(!bar->Panel(7));
    // The "САР" of the CAPS tooltip is Cyrillic, its "S" Latin.
    QCOMPARE(bar->Panel(3)->toolTip().mid(18, 4), QString::fromUtf8("\xD0\xA1\xD0\x90\xD0\xA0S"));
    QCOMPARE(bar->Panel(2)->text(), QStringLiteral("NUM"));
    QCOMPARE(bar->Panel(3)->text(), QStringLiteral("CAPS"));
    QCOMPARE(bar->Panel(4)->text(), QStringLiteral("INS"));
    QCOMPARE(bar->Panel(5)->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    QVERIFY(!bar->Panel(6)->text().isEmpty());
}

void TestMainWindow::storedVisibilityIsCaseSensitive_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("toolbarShown");
    QTest::addColumn<bool>("statusBarShown");

    QTest::newRow("True/False") << QByteArray("[Options]\nToolbar=True\nStatusbar=False\n") << true << false;
    QTest::newRow("False/True") << QByteArray("[Options]\nToolbar=False\nStatusbar=True\n") << false << true;
    QTest::newRow("lower case is not recognised") << QByteArray("[Options]\nToolbar=true\nStatusbar=false\n") << true << true;
    QTest::newRow("upper case is not recognised") << QByteArray("[Options]\nToolbar=TRUE\nStatusbar=FALSE\n") << true << true;
    QTest::newRow("other values") << QByteArray("[Options]\nToolbar=1\nStatusbar=\n") << true << true;
    QTest::newRow("section and key in other case") << QByteArray("[options]\ntoolbar=False\n") << false << true;
    QTest::newRow("another section") << QByteArray("[Other]\nToolbar=False\n") << true << true;
}

void TestMainWindow::storedVisibilityIsCaseSensitive()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, toolbarShown);
    QFETCH(bool, statusBarShown);
    m_settings->writeIni(ini);

    frmMain window;
    window.show();
    QCOMPARE(toolBar(window)->isVisible(), toolbarShown);
    QCOMPARE(item(window, "mnuViewToolbar")->isChecked(), toolbarShown);
    QCOMPARE(statusBar(window)->isVisible(), statusBarShown);
    QCOMPARE(item(window, "mnuViewStatusBar")->isChecked(), statusBarShown);
}

void TestMainWindow::viewTogglesAreStoredAndRestored()
{
    {
        frmMain window;
        window.show();
        QVERIFY(m_settings->readIni().isEmpty());
        item(window, "mnuViewToolbar")->trigger();
        QVERIFY(!toolBar(window)->isVisible());
        QVERIFY(!item(window, "mnuViewToolbar")->isChecked());
        const QString ini = QString::fromUtf8(m_settings->readIni());
        QVERIFY2(ini.contains(QLatin1String("[Options]")), qPrintable(ini));
        QVERIFY2(ini.contains(QLatin1String("Toolbar=False")), qPrintable(ini));
        QVERIFY2(!ini.contains(QLatin1String("Statusbar")), qPrintable(ini));

        // Hide and show the status bar: "True" is stored, the toolbar's value kept.
        item(window, "mnuViewStatusBar")->trigger();
        QVERIFY(QString::fromUtf8(m_settings->readIni()).contains(QLatin1String("Statusbar=False")));
        item(window, "mnuViewStatusBar")->trigger();
        QVERIFY(statusBar(window)->isVisible());
        const QString after = QString::fromUtf8(m_settings->readIni());
        QVERIFY2(after.contains(QLatin1String("Statusbar=True")), qPrintable(after));
        QVERIFY2(after.contains(QLatin1String("Toolbar=False")), qPrintable(after));
    }
    // The next start finds the toolbar hidden.
    frmMain again;
    again.show();
    QVERIFY(!toolBar(again)->isVisible());
    QVERIFY(!item(again, "mnuViewToolbar")->isChecked());
    QVERIFY(statusBar(again)->isVisible());
    // Shown again from the hidden state.
    item(again, "mnuViewToolbar")->trigger();
    QVERIFY(toolBar(again)->isVisible());
    QVERIFY(QString::fromUtf8(m_settings->readIni()).contains(QLatin1String("Toolbar=True")));
}

void TestMainWindow::storedBoundsAreApplied_data()
{
    QTest::addColumn<QStringList>("stored");  // MainLeft, MainTop, MainWidth, MainHeight
    QTest::addColumn<QRect>("bounds");        // null: only the fit to the screen is checked
    const auto row = [](const char* name, QStringList stored, QRect bounds = QRect()) {
        QTest::newRow(name) << stored << bounds;
    };
    // "not a number" keeps the default 6500 twips.
    row("ordinary", {"1500", "300", "9000", "not a number"}, QRect(100, 20, 600, 433));
    // The whole title bar stays on the screen.
    row("above the screen", {"1500", "-300", "9000", "6500"}, QRect(100, 0, 600, 433));
    row("far right", {"300000", "1000", "6500", "6500"});
    row("far left and down", {"-1e7", "1e7", "6500", "6500"});
    row("huge", {"1000", "1000", "1e9", "1e9"});
    row("past int in pixels", {"3.3e10", "-3.3e10", "4e10", "1e300"});
    row("negative size", {"1000", "1000", "-5000", "0"});
    row("not finite", {"inf", "nan", "-inf", "1e400"});
}

// Stored bounds are clamped so that the window fits the available screen
// with its whole title bar on it, whatever was stored; the next shutdown
// stores what was shown.
void TestMainWindow::storedBoundsAreApplied()
{
    QFETCH(QStringList, stored);
    QFETCH(QRect, bounds);
    const char* keys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
    for (int i = 0; i < 4; ++i)
        UserStore::SaveSetting(UiTexts::AppTitle, QStringLiteral("Settings"), QLatin1String(keys[i]), stored[i]);
    frmMain window;
    const QRect shown(window.pos(), window.size());
    if (!bounds.isNull())
        QCOMPARE(shown, bounds);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    QVERIFY(screen.contains(QRect(shown.x(), shown.y(), shown.width(), titleBar)));
    QVERIFY(shown.height() + titleBar <= screen.height());
    window.show();
    QVERIFY(window.close());
    QVERIFY(storedBound("MainWidth").toInt() <= screen.width() * 15);
    QVERIFY(storedBound("MainHeight").toInt() <= screen.height() * 15);
}

void TestMainWindow::foreignSettingsFilesAreLeftAlone_data()
{
    QTest::addColumn<QString>("thing");
    QTest::addColumn<QString>("where");
    for (const char* thing : {"FIFO", "link to /dev/zero", "2 MB file"}) {
        for (const char* where : {"pergalot.ini", "per-user pergalot.ini", "per-user store"})
            QTest::addRow("%s as %s", thing, where) << QString::fromLatin1(thing) << QString::fromLatin1(where);
    }
}

// A pipe, an endless device or a huge file where a settings file belongs:
// the start goes on with the defaults at once, and nothing is written over it.
void TestMainWindow::foreignSettingsFilesAreLeftAlone()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, thing);
    QFETCH(QString, where);
    IsolatedSettings& settings = *m_settings;
    const QString userIni = UserStore::folder(UiTexts::AppTitle) + QStringLiteral("/pergalot.ini");
    QStringList paths{settings.iniPath()};  // the per-user pergalot.ini is used when this one is no file
    if (where == QLatin1String("per-user pergalot.ini"))
        paths.append(userIni);
    else if (where == QLatin1String("per-user store"))
        paths = QStringList{UserStore::filePath(UiTexts::AppTitle)};
    const QByteArray huge = "[Options]\nToolbar=False\n[Settings]\nMainLeft=3000\n" + QByteArray(2 << 20, ';');
    for (const QString& path : paths) {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        const QByteArray name = QFile::encodeName(path);
        if (thing == QLatin1String("FIFO"))
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (thing == QLatin1String("link to /dev/zero"))
            QCOMPARE(::symlink("/dev/zero", name.constData()), 0);
        else
            QVERIFY(TestFiles::writeFile(path, huge));
    }
    const auto unchanged = [&](const QString& path) {
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            return false;
        if (thing == QLatin1String("FIFO"))
            return S_ISFIFO(st.st_mode);
        if (thing == QLatin1String("link to /dev/zero"))
            return S_ISLNK(st.st_mode) && QFileInfo(path).symLinkTarget() == QLatin1String("/dev/zero");
        return TestFiles::readFile(path) == huge;
    };
    {
        frmMain window;
        QCOMPARE(window.pos(), QPoint(67, 67));  // the default 1000 twips
        QVERIFY(!window.findChild<QToolBar*>(QStringLiteral("tbToolBar"))->isHidden());
        window.show();
        window.findChild<QAction*>(QStringLiteral("mnuViewToolbar"))->trigger();
        QVERIFY(window.close());
    }
    for (const QString& path : paths)
        QVERIFY2(unchanged(path), qPrintable(path));
    // The settings file that is a file was written as usual.
    if (where == QLatin1String("per-user store"))
        QVERIFY(settings.readIni().contains("Toolbar=False"));
    else if (where == QLatin1String("pergalot.ini"))
        QVERIFY(TestFiles::readFile(userIni).contains("Toolbar=False"));
    if (where != QLatin1String("per-user store"))
        QCOMPARE(UserStore::GetSetting(UiTexts::AppTitle, QStringLiteral("Settings"), QStringLiteral("MainLeft"),
                                       QString()),
                 QString::number(15 * 67));
#else
    QSKIP("pipes and device links are a POSIX matter here");
#endif
}

void TestMainWindow::documentNumbersAreNeverReused()
{
    ScriptedMessageBoxes boxes;
    frmMain window;
    window.show();
    item(window, "mnuFileNew")->trigger();
    toolBar(window)->Button(QStringLiteral("New"))->trigger();
    QCOMPARE(DocumentWindows::captions(window), (QStringList{QStringLiteral("Документ 1"), QStringLiteral("Документ 2"),
                                             QStringLiteral("Документ 3")}));
    // Close Документ 2 (empty: no question), then a new window is number 4.
    QMdiSubWindow* second = window.mdiArea()->subWindowList(QMdiArea::CreationOrder).at(1);
    QVERIFY(second->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    item(window, "mnuWindowNewWindow")->trigger();
    QCOMPARE(DocumentWindows::captions(window), (QStringList{QStringLiteral("Документ 1"), QStringLiteral("Документ 3"),
                                             QStringLiteral("Документ 4")}));
    QCOMPARE(window.ActiveForm()->Caption(), QStringLiteral("Документ 4"));
    QCOMPARE(window.DocumentCounter, 4);
    QCOMPARE(boxes.requests().size(), 0);
}

void TestMainWindow::windowMenuListsAndActivatesDocuments()
{
    frmMain window;
    window.show();
    window.CreateDocumentWindow();
    window.CreateDocumentWindow();
    auto* windowMenu = window.findChild<QMenu*>(QStringLiteral("mnuwindow"));
    QMetaObject::invokeMethod(windowMenu, "aboutToShow");
    const QList<QAction*> entries = window.windowList()->entries();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries.at(0)->text(), QStringLiteral("&1 Документ 1"));
    QCOMPARE(entries.at(2)->text(), QStringLiteral("&3 Документ 3"));
    QVERIFY(entries.at(2)->isChecked());
    QVERIFY(!entries.at(0)->isChecked());
    // The list follows the window's own items.
    const QList<QAction*> all = windowMenu->actions();
    QCOMPARE(all.indexOf(entries.at(0)), all.indexOf(item(window, "mnuwindowmakeselect")) + 2);

    // The chosen entry outlives the activation it triggers; the list is
    // made afresh when the menu shows again.
    const QPointer<QAction> chosen = entries.at(0);
    chosen->trigger();
    QCOMPARE(window.ActiveForm()->Caption(), QStringLiteral("Документ 1"));
    QVERIFY(chosen);
    QMetaObject::invokeMethod(windowMenu, "aboutToShow");
    QVERIFY(window.windowList()->entries().at(0)->isChecked());
}

void TestMainWindow::arrangeCommandsPlaceTheWindows()
{
    frmMain window;
    window.resize(900, 700);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.CreateDocumentWindow();
    const QList<QMdiSubWindow*> windows = window.mdiArea()->subWindowList(QMdiArea::CreationOrder);
    const int areaWidth = window.mdiArea()->viewport()->width();
    const int areaHeight = window.mdiArea()->viewport()->height();

    item(window, "mnuWindowTileHorizontal")->trigger();
    QCOMPARE(windows.at(0)->geometry(), QRect(0, 0, areaWidth, areaHeight / 2));
    QCOMPARE(windows.at(1)->geometry().top(), areaHeight / 2);
    QCOMPARE(windows.at(1)->width(), areaWidth);

    item(window, "mnuWindowTileVertical")->trigger();
    QCOMPARE(windows.at(0)->geometry(), QRect(0, 0, areaWidth / 2, areaHeight));
    QCOMPARE(windows.at(1)->geometry().left(), areaWidth / 2);
    QCOMPARE(windows.at(1)->height(), areaHeight);

    item(window, "mnuWindowCascade")->trigger();
    QVERIFY(windows.at(1)->geometry().topLeft() != windows.at(0)->geometry().topLeft());
    QVERIFY(windows.at(1)->geometry().top() > windows.at(0)->geometry().top());
}

void TestMainWindow::refreshWithoutDocument()
{
    frmMain window;
    window.show();
    RichTextBox* editor = window.ActiveForm()->rtfText;
    editor->setText(QStringLiteral("жирный"));
    editor->selectAll();
    toolBar(window)->Button(QStringLiteral("Bold"))->trigger();
    QCOMPARE(MainToolBar::Value(toolBar(window)->Button(QStringLiteral("Bold"))), 1);
    QGuiApplication::clipboard()->setText(QStringLiteral("текст"));
    window.ActiveForm()->setCaption(QStringLiteral("/tmp/a.txt"));
    window.TimerChecking_Timer();
    QVERIFY(item(window, "mnufiledelete")->isEnabled());
    QVERIFY(item(window, "mnuEditPaste")->isEnabled());

    // Close the last document (answer No to the save question).
    {
        ScriptedMessageBoxes boxes;
        boxes.expect(MsgResult::No);
        QVERIFY(window.mdiArea()->subWindowList().first()->close());
        QCOMPARE(boxes.requests().size(), 1);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window.ActiveForm());
    window.TimerChecking_Timer();

    MainToolBar* bar = toolBar(window);
    for (int position : {3, 5, 7, 8, 9, 11, 12, 13, 14, 16, 17, 18, 20})
        QVERIFY2(!bar->Button(position)->isEnabled(), qPrintable(QString::number(position)));
    for (int position : {16, 17, 18})
        QCOMPARE(MainToolBar::Value(bar->Button(position)), 0);
    // A style button that showed pressed keeps showing pressed while disabled.
    QCOMPARE(MainToolBar::Value(bar->Button(QStringLiteral("Bold"))), 1);
    QVERIFY(bar->Button(1)->isEnabled());
    QVERIFY(bar->Button(2)->isEnabled());
    for (const char* name : {"mnuFileSave", "mnuFileSaveAs", "mnuFilePrint", "mnuFilePageSetup", "mnuEditCut",
                             "mnuEditCopy", "mnuEditPaste", "mnueditdelete", "mnueditselectall",
                             "mnuedittemedate", "mnueditfind", "mnutuningfont", "mnutuningfontcolor",
                             "mnuwindowmakeselect", "mnueditsimbol", "mnutuningcapsenabled",
                             "mnutuningcapsdisabled"})
        QVERIFY2(!item(window, name)->isEnabled(), name);
    // Left as the last tick with a document made them.
    QVERIFY(item(window, "mnufiledelete")->isEnabled());
    QVERIFY(item(window, "mnucontxtpaste")->isEnabled());
    QVERIFY(item(window, "mnuFileNew")->isEnabled());
    QVERIFY(item(window, "mnuFileOpen")->isEnabled());
}

void TestMainWindow::refreshFollowsSelectionAndCaption()
{
    frmMain window;
    window.show();
    frmDocument* document = window.ActiveForm();
    RichTextBox* editor = document->rtfText;
    editor->setText(QStringLiteral("Привет, мир"));
    editor->setSelStart(3);
    window.TimerChecking_Timer();

    const char* selectionItems[] = {"mnuEditCut", "mnucontextcut", "mnuEditCopy", "mnucontextcopy",
                                    "mnueditdelete", "mnucontextdelete", "mnutuningcapsenabled",
                                    "mnutuningcapsdisabled"};
    for (const char* name : selectionItems)
        QVERIFY2(!item(window, name)->isEnabled(), name);
    QVERIFY(!toolBar(window)->Button(QStringLiteral("Cut"))->isEnabled());
    QVERIFY(!toolBar(window)->Button(QStringLiteral("Copy"))->isEnabled());
    for (const char* name : {"mnuFileSave", "mnueditfind", "mnuwindowmakeselect", "mnueditsimbol"})
        QVERIFY2(item(window, name)->isEnabled(), name);

    // Select one character: within a tick of the running timer.
    editor->setSelLength(1);
    QTRY_VERIFY(item(window, "mnuEditCut")->isEnabled());
    for (const char* name : selectionItems)
        QVERIFY2(item(window, name)->isEnabled(), name);
    QVERIFY(toolBar(window)->Button(QStringLiteral("Cut"))->isEnabled());
    QVERIFY(toolBar(window)->Button(QStringLiteral("Copy"))->isEnabled());

    // Untitled: no File > Delete; once it has a path, Delete is offered.
    QVERIFY(!item(window, "mnufiledelete")->isEnabled());
    document->setCaption(QDir::tempPath() + QStringLiteral("/документ.rtf"));
    QTRY_VERIFY(item(window, "mnufiledelete")->isEnabled());
    // The comparison takes the first 8 characters exactly.
    document->setCaption(QStringLiteral("документ 1"));
    window.TimerChecking_Timer();
    QVERIFY(item(window, "mnufiledelete")->isEnabled());
    document->setCaption(QStringLiteral("Документы/отчёт.txt"));
    window.TimerChecking_Timer();
    QVERIFY(!item(window, "mnufiledelete")->isEnabled());

    // Enabled states written by anyone else are put right on the next tick.
    item(window, "mnuFileSave")->setEnabled(false);
    window.TimerChecking_Timer();
    QVERIFY(item(window, "mnuFileSave")->isEnabled());
}

void TestMainWindow::refreshFollowsClipboard()
{
    // Copied before the start: the clipboard is first asked once the window
    // has been painted.
    QGuiApplication::clipboard()->setText(QStringLiteral("из другой программы"));
    frmMain window;
    window.show();
    const auto pasteStates = [&] {
        window.TimerChecking_Timer();
        return QList<bool>{toolBar(window)->Button(QStringLiteral("Paste"))->isEnabled(),
                           item(window, "mnuEditPaste")->isEnabled(),
                           item(window, "mnucontxtpaste")->isEnabled()};
    };
    QTRY_COMPARE(pasteStates(), (QList<bool>{true, true, true}));

    QGuiApplication::clipboard()->clear();
    QCOMPARE(pasteStates(), (QList<bool>{false, false, false}));

    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(picture);
    QCOMPARE(pasteStates(), (QList<bool>{false, false, false}));

    QGuiApplication::clipboard()->setText(QStringLiteral("скопировано"));
    QCOMPARE(pasteStates(), (QList<bool>{true, true, true}));

    auto* data = new QMimeData;
    data->setImageData(picture);
    QGuiApplication::clipboard()->setMimeData(data);
    QCOMPARE(pasteStates(), (QList<bool>{false, false, false}));
}

void TestMainWindow::keyIndicatorsShowInStatusBar()
{
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    RichTextBox* editor = window.ActiveForm()->rtfText;
    QLabel* ins = statusBar(window)->Panel(4);
    QVERIFY(!ins->isEnabled());
    QTest::keyClick(editor, Qt::Key_Insert);
    QVERIFY(editor->overwriteMode());
    QVERIFY(ins->isEnabled());
    // Another document has its own mode.
    window.CreateDocumentWindow();
    QVERIFY(!ins->isEnabled());
    window.mdiArea()->setActiveSubWindow(window.mdiArea()->subWindowList(QMdiArea::CreationOrder).first());
    QVERIFY(ins->isEnabled());
    QTest::keyClick(editor, Qt::Key_Insert);
    QVERIFY(!ins->isEnabled());

    // Without a window system to ask, the lock keys are followed as pressed.
    for (int index : {2, 3}) {
        QLabel* panel = statusBar(window)->Panel(index);
        const bool before = panel->isEnabled();
        QTest::keyClick(window.windowHandle(), index == 2 ? Qt::Key_NumLock : Qt::Key_CapsLock);
        QCOMPARE(panel->isEnabled(), !before);
        QTest::keyClick(window.windowHandle(), index == 2 ? Qt::Key_NumLock : Qt::Key_CapsLock);
        QCOMPARE(panel->isEnabled(), before);
    }
}

void TestMainWindow::shutdownStoresBounds()
{
    frmMain window;
    window.show();
    window.move(150, 90);
    window.resize(500, 400);
    QVERIFY(window.close());
    QCOMPARE(storedBound("MainLeft"), QStringLiteral("2250"));
    QCOMPARE(storedBound("MainTop"), QStringLiteral("1350"));
    QCOMPARE(storedBound("MainWidth"), QStringLiteral("7500"));
    QCOMPARE(storedBound("MainHeight"), QStringLiteral("6000"));

    // The next start comes up where this one ended.
    frmMain again;
    QCOMPARE(again.pos(), QPoint(150, 90));
    QCOMPARE(again.size(), QSize(500, 400));
}

void TestMainWindow::exitCommandClosesLikeTheCloseBox()
{
    frmMain window;
    window.show();
    window.ActiveForm()->rtfText->setText(QStringLiteral("несохранённое"));
    {
        ScriptedMessageBoxes boxes;
        boxes.expect(MsgResult::Cancel);
        item(window, "mnuFileExit")->trigger();
        QCOMPARE(boxes.requests().size(), 1);
    }
    QVERIFY(window.isVisible());
    {
        ScriptedMessageBoxes boxes;
        boxes.expect(MsgResult::No);
        item(window, "mnuFileExit")->trigger();
    }
    QVERIFY(!window.isVisible());
    QCOMPARE(storedBound("MainLeft"), QString::number(window.x() * 15));
}

void TestMainWindow::shutdownCancelledStoresNothing()
{
    frmMain window;
    window.show();
    window.ActiveForm()->rtfText->setText(QStringLiteral("первый"));
    window.CreateDocumentWindow();
    window.ActiveForm()->rtfText->setText(QStringLiteral("второй"));

    // Cancel on the first document: nothing else is asked, both stay open.
    {
        ScriptedMessageBoxes boxes;
        boxes.expect(MsgResult::Cancel);
        QVERIFY(!window.close());
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Сохранить изменения в Документ 1 ?")});
        QCOMPARE(boxes.requests().first().icon, MsgIcon::Question);
        QCOMPARE(boxes.requests().first().buttons, MsgButtons::YesNoCancel);
        QCOMPARE(boxes.requests().first().title, QStringLiteral("Пергалот"));
    }
    QVERIFY(window.isVisible());
    QCOMPARE(DocumentWindows::captions(window).size(), 2);
    QCOMPARE(storedBound("MainLeft"), QStringLiteral("absent"));

    // No on the first, Cancel on the second: the first is gone, no bounds stored.
    {
        ScriptedMessageBoxes boxes;
        boxes.expect(MsgResult::No);
        boxes.expect(MsgResult::Cancel);
        QVERIFY(!window.close());
        QCOMPARE(boxes.requests().size(), 2);
        QCOMPARE(boxes.unexpected(), 0);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(DocumentWindows::captions(window), QStringList{QStringLiteral("Документ 2")});
    QVERIFY(window.isVisible());
    QCOMPARE(storedBound("MainWidth"), QStringLiteral("absent"));
}

void TestMainWindow::shutdownWhileMinimizedKeepsOldBounds()
{
    UserStore::SaveSetting(UiTexts::AppTitle, QStringLiteral("Settings"), QStringLiteral("MainLeft"),
                           QStringLiteral("4321"));
    frmMain window;
    window.show();
    window.move(10, 10);
    window.showMinimized();
    QTRY_VERIFY(window.isMinimized());
    QVERIFY(window.close());
    QCOMPARE(storedBound("MainLeft"), QStringLiteral("4321"));
    QCOMPARE(storedBound("MainWidth"), QStringLiteral("absent"));
}

void TestMainWindow::shutdownClosesOpenDialogs()
{
    frmMain window;
    window.show();
    auto* dialog = new QDialog(&window);
    dialog->show();
    QVERIFY(dialog->isVisible());
    QVERIFY(window.close());
    QVERIFY(!dialog->isVisible());
}

void TestMainWindow::russianTranslationIsLoaded()
{
    QVERIFY(AppStartup::installQtTranslation(*qApp));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
