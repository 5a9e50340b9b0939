// NUM and CAPS as the X server's keyboard indicators show them, found by
// their names: checked on a virtual X server (see CMakeLists.txt) whose
// keymap lists "Num Lock" before "Caps Lock", the other way round from the
// usual order.

#include "platform/KeyLockState.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <X11/XKBlib.h>
#include <X11/keysym.h>

namespace {

// Runs xkbcomp on the test's X server.
bool xkbcomp(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xkbcomp"), arguments);
    return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

Display* display()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

} // namespace

class TestLockIndicators : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statesFollowTheNamedIndicators_data();
    void statesFollowTheNamedIndicators();

private:
    QTemporaryDir m_dir;
};

void TestLockIndicators::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !display())
        QSKIP("needs an X server to read indicators from");
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

void TestLockIndicators::statesFollowTheNamedIndicators_data()
{
    QTest::addColumn<bool>("num");
    QTest::addColumn<bool>("caps");
    QTest::newRow("CAPS only") << false << true;
    QTest::newRow("NUM only") << true << false;
    QTest::newRow("both") << true << true;
    QTest::newRow("neither") << false << false;
}

void TestLockIndicators::statesFollowTheNamedIndicators()
{
    QFETCH(bool, num);
    QFETCH(bool, caps);
    Display* x = display();
    const unsigned numMask = XkbKeysymToModifiers(x, XK_Num_Lock);
    QVERIFY(numMask != 0);
    const unsigned mask = numMask | LockMask;
    XkbLockModifiers(x, XkbUseCoreKbd, mask, (num ? numMask : 0) | (caps ? LockMask : 0));
    XSync(x, False);

    KeyLockState state;
    QVERIFY(state.update());
    QCOMPARE(state.numLock(), num);
    QCOMPARE(state.capsLock(), caps);
}

QTEST_MAIN(TestLockIndicators)
#include "tst_lockindicators.moc"
