// What the start leaves for later: the image plugins, which the style's
// icons load only when one is drawn; the deferred icons are the icons the
// style would have given at once, the program's pictures read by libpng
// are the pictures Qt reads, and the interface font named by what it stands
// for draws with the same font file.

#include "app/AppStartup.h"
#include "app/frmMain.h"
#include "helpers/IsolatedSettings.h"
#include "platform/BuiltInPng.h"
#include "platform/InterfaceFont.h"
#include "platform/ProgramStyle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
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

// The font files (family and style of each run) that draw the text.
QStringList drawnWith(const QFont& font, const QString& text)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList files;
    for (const QGlyphRun& run : layout.glyphRuns())
        files << run.rawFont().familyName() + QLatin1Char('/') + run.rawFont().styleName();
    return files;
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
    void resolvedFontDrawsWithTheSameFile_data();
    void resolvedFontDrawsWithTheSameFile();
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

void TestStartup::resolvedFontDrawsWithTheSameFile_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("renamed");
    QTest::newRow("alias") << QStringLiteral("Sans Serif") << true;
    QTest::newRow("generic name") << QStringLiteral("sans-serif") << true;
    QTest::newRow("metric twin") << QStringLiteral("Times New Roman") << true;
    QTest::newRow("installed") << QStringLiteral("DejaVu Sans") << false;
}

void TestStartup::resolvedFontDrawsWithTheSameFile()
{
    QFETCH(QString, family);
    QFETCH(bool, renamed);
    QFont given(family);
    given.setPointSizeF(9.5);
    given.setBold(true);
    const QFont resolved = resolvedFont(given);
    QCOMPARE(resolved.family() != family, renamed);
    QCOMPARE(resolved.pointSizeF(), given.pointSizeF());
    QCOMPARE(resolved.bold(), true);
    for (const QString& text : {QStringLiteral("Latin"), QStringLiteral("Кириллица")}) {
        QCOMPARE(drawnWith(resolved, text), drawnWith(given, text));
        QCOMPARE(QFontMetricsF(resolved).horizontalAdvance(text), QFontMetricsF(given).horizontalAdvance(text));
    }
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
