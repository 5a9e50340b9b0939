// What the program and the X server say to each other, read back from a
// virtual X server (see CMakeLists.txt) as other programs see it: the titles
// the window system shows are exactly the captions the program gives (a
// widget's own windowTitle() would never show what the platform appends),
// and NUM and CAPS follow the keyboard's indicators found by their names, on
// a keymap that lists "Num Lock" before "Caps Lock", the other way round from
// the usual order.

#include "app/AppStartup.h"
#include "app/MainMenu.h"
#include "app/frmMain.h"
#include "dialogs/FindForm.h"
#include "dialogs/frmAbout.h"
#include "document/frmDocument.h"
#include "helpers/IsolatedSettings.h"
#include "platform/KeyLockState.h"
#include "platform/MessageBox.h"
#include "platform/RichTextBox.h"
#include "texts/UiTexts.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

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

// Runs xkbcomp on the test's X server.
bool xkbcomp(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xkbcomp"), arguments);
    return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

Display* qtDisplay()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
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

class TestWindowSystem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void titlesAreTheCaptions_data();
    void titlesAreTheCaptions();
    void lockStatesFollowTheNamedIndicators_data();
    void lockStatesFollowTheNamedIndicators();

private:
    QTemporaryDir m_dir;
};

void TestWindowSystem::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !qtDisplay())
        QSKIP("needs an X server to read back from");
    AppStartup::prepare(*qApp);

    // The keymap with its two lock indicators swapped.
    const QString server = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    const QString path = m_dir.filePath(QStringLiteral("keymap.xkb"));
    QVERIFY(xkbcomp({QStringLiteral("-xkb"), server, path}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray keymap = file.readAll();
    file.close();
    const QByteArray caps = "indicator 1 = \"Caps Lock\";";
    const QByteArray num = "indicator 2 = \"Num Lock\";";
    QVERIFY2(keymap.contains(caps) && keymap.contains(num), "the server's keymap has the usual order");
    keymap.replace(caps, "indicator 2 = \"Caps Lock\";").replace(num, "indicator 1 = \"Num Lock\";");
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(keymap);
    file.close();
    QVERIFY(xkbcomp({path, server}));
}

void TestWindowSystem::titlesAreTheCaptions_data()
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

void TestWindowSystem::titlesAreTheCaptions()
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

void TestWindowSystem::lockStatesFollowTheNamedIndicators_data()
{
    QTest::addColumn<bool>("num");
    QTest::addColumn<bool>("caps");
    QTest::newRow("CAPS only") << false << true;
    QTest::newRow("NUM only") << true << false;
    QTest::newRow("both") << true << true;
    QTest::newRow("neither") << false << false;
}

void TestWindowSystem::lockStatesFollowTheNamedIndicators()
{
    QFETCH(bool, num);
    QFETCH(bool, caps);
    Display* x = qtDisplay();
    const unsigned numMask = XkbKeysymToModifiers(x, XK_Num_Lock);
    QVERIFY(numMask != 0);
    XkbLockModifiers(x, XkbUseCoreKbd, numMask | LockMask, (num ? numMask : 0) | (caps ? LockMask : 0));
    XSync(x, False);

    KeyLockState state;
    QVERIFY(state.update());
    QCOMPARE(state.numLock(), num);
    QCOMPARE(state.capsLock(), caps);
}

QTEST_MAIN(TestWindowSystem)
#include "tst_windowsystem.moc"
