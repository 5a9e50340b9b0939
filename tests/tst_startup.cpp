// What the start leaves for later: the image plugins, which the style's
// icons load only when one is drawn; the deferred icons are the icons the
// style would have given at once, and the program's pictures read by libpng
// are the pictures Qt reads.

#include "app/AppStartup.h"
#include "app/frmMain.h"
#include "helpers/IsolatedSettings.h"
#include "platform/BuiltInPng.h"
#include "platform/ProgramStyle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QStyleOption>
#include <QTest>
#include <QToolButton>

namespace {

bool imagePluginLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

bool imagePluginsInstalled()
{
    const QDir folder(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/imageformats"));
    return !folder.entryList(QDir::Files).isEmpty();
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    // First, while this process has read no picture.
    void imagePluginsWaitForTheFirstStyleIcon();
    void deferredIconsAreTheStyleIcons_data();
    void deferredIconsAreTheStyleIcons();
    void builtInPicturesAreReadAsQtReadsThem_data();
    void builtInPicturesAreReadAsQtReadsThem();
};

void TestStartup::imagePluginsWaitForTheFirstStyleIcon()
{
    IsolatedSettings settings;
    AppStartup::prepare(*qApp);
    QVERIFY(QApplication::style()->styleHint(QStyle::SH_MenuBar_AltKeyNavigation));
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);  // what follows the first paint
    QVERIFY(!QApplication::windowIcon().isNull());
    QVERIFY(!imagePluginLoaded());

    // The menu bar's overflow arrow, drawn: now the style reads its icon.
    auto* overflow = window.menuBar()->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
    QVERIFY(overflow);
    QVERIFY(!overflow->icon().pixmap(16).isNull());
    if (imagePluginsInstalled())
        QVERIFY(imagePluginLoaded());
}

void TestStartup::deferredIconsAreTheStyleIcons_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<bool>("withOption");
    QTest::addColumn<qreal>("ratio");
    const int overflow = QStyle::SP_ToolBarHorizontalExtensionButton;
    QTest::newRow("overflow arrow") << overflow << true << 1.0;
    QTest::newRow("overflow arrow, dense screen") << overflow << true << 2.0;
    QTest::newRow("window menu") << int(QStyle::SP_TitleBarMenuButton) << false << 1.0;
    QTest::newRow("restore, dense screen") << int(QStyle::SP_TitleBarNormalButton) << false << 2.0;
    QTest::newRow("warning") << int(QStyle::SP_MessageBoxWarning) << false << 1.5;
}

void TestStartup::deferredIconsAreTheStyleIcons()
{
    QFETCH(int, which);
    QFETCH(bool, withOption);
    QFETCH(qreal, ratio);
    ProgramStyle style;
    QStyleOption option;
    option.direction = Qt::RightToLeft;  // the overflow arrow turns with it
    const QStyleOption* given = withOption ? &option : nullptr;
    const auto pixmap = QStyle::StandardPixmap(which);
    const QIcon deferred = style.standardIcon(pixmap, given, nullptr);
    const QIcon direct = style.baseStyle()->standardIcon(pixmap, given, nullptr);
    for (const int size : {16, 32}) {
        const QImage got = deferred.pixmap(QSize(size, size), ratio).toImage();
        const QImage expected = direct.pixmap(QSize(size, size), ratio).toImage();
        QVERIFY(!expected.isNull());
        QCOMPARE(got.devicePixelRatio(), expected.devicePixelRatio());
        QCOMPARE(got, expected);
    }
    QCOMPARE(deferred.actualSize(QSize(64, 64)), direct.actualSize(QSize(64, 64)));
}

void TestStartup::builtInPicturesAreReadAsQtReadsThem_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("picture");
    for (const char* name : {"pergalot-64.png", "toolbar.png", "toolbar@2x.png"})
        QTest::newRow(name) << QStringLiteral(":/icons/") + QLatin1String(name) << true;
    QTest::newRow("missing") << QStringLiteral(":/icons/none.png") << false;
}

void TestStartup::builtInPicturesAreReadAsQtReadsThem()
{
    QFETCH(QString, path);
    QFETCH(bool, picture);
    AppStartup::initResources();
    const QImage got = decodeBuiltInPng(path);
    QCOMPARE(!got.isNull(), picture);
    if (!picture)
        return;
    const QImage expected = QImageReader(path).read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(got, expected);
    decodeBuiltInPngsAhead({path});
    QCOMPARE(readBuiltInPng(path).toImage(), expected);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
