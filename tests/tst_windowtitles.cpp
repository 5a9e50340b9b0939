// The titles the window system shows: exactly the captions the program gives
// its windows and boxes, with nothing appended. Runs on a virtual X server
// (see CMakeLists.txt) and reads each title back from the server, as a
// window manager does; a widget's own windowTitle() would never show what
// the platform adds.

#include "app/AppStartup.h"
#include "app/MainMenu.h"
#include "app/frmMain.h"
#include "dialogs/FindForm.h"
#include "dialogs/frmAbout.h"
#include "document/frmDocument.h"
#include "helpers/IsolatedSettings.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "texts/UiTexts.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <functional>

namespace {

// The window's name as the X server holds it.
QString serverTitle(const QWidget* window)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return QStringLiteral("(no X server)");
    const Atom name = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    QString title;
    if (XGetWindowProperty(display, Window(window->winId()), name, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success && data)
        title = QString::fromUtf8(reinterpret_cast<const char*>(data), int(count));
    if (data)
        XFree(data);
    XCloseDisplay(display);
    return title;
}

// Xlib's macros would stand for the program's names of the same spelling.
#undef None

// Waits until the window is on the server with its title set.
QString shownTitle(QWidget* window)
{
    if (!window || !QTest::qWaitForWindowExposed(window))
        return QStringLiteral("(not shown)");
    QCoreApplication::processEvents();
    return serverTitle(window);
}

// The title of the modal window that open() brings up, which is then closed.
QString modalTitle(const std::function<void()>& open)
{
    QString title = QStringLiteral("(no modal window)");
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->windowHandle() || !modal->windowHandle()->isExposed())
            return;
        poll.stop();
        title = shownTitle(modal);
        modal->close();
    });
    poll.start();
    open();
    return title;
}

} // namespace

class TestWindowTitles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void titlesAreTheCaptions_data();
    void titlesAreTheCaptions();
};

void TestWindowTitles::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server to read titles from");
    AppStartup::prepare(*qApp);
}

void TestWindowTitles::titlesAreTheCaptions_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("caption");
    QTest::newRow("main window") << 0 << UiTexts::AppTitle;
    QTest::newRow("find dialog") << 1 << UiTexts::FindCaption;
    QTest::newRow("About") << 2 << UiTexts::AboutCaption;
    QTest::newRow("open dialog") << 3 << UiTexts::OpenTitle;
    QTest::newRow("message box with a title") << 4 << QStringLiteral("Error");
    QTest::newRow("message box without one") << 5 << UiTexts::AppTitle;
}

void TestWindowTitles::titlesAreTheCaptions()
{
    QFETCH(int, window);
    QFETCH(QString, caption);
    IsolatedSettings settings;
    frmMain main;
    main.show();
    main.ActiveForm()->rtfText->setText(QStringLiteral("текст"));
    const MainMenu& menu = *main.menu();
    QString title;
    switch (window) {
    case 0:
        title = shownTitle(&main);
        break;
    case 1:
        menu.mnueditfind->trigger();
        title = shownTitle(main.findChild<FindForm*>());
        break;
    case 2:
        menu.mnuHelpAbout->trigger();
        title = shownTitle(main.findChild<frmAbout*>());
        break;
    case 3:
        title = modalTitle([&] { menu.mnuFileOpen->trigger(); });
        break;
    default:
        title = modalTitle([&] { MsgBox(&main, QStringLiteral("текст"), MsgButtons::OKOnly, MsgIcon::None,
                                        window == 4 ? QStringLiteral("Error") : QString()); });
        break;
    }
    QCOMPARE(title, caption);
    main.ActiveForm()->rtfText->clear();
}

QTEST_MAIN(TestWindowTitles)
#include "tst_windowtitles.moc"
