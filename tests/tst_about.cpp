// The About box: its labels, the system-information button that the tick
// box shows, the registry look-ups behind it (on a fake registry), and how
// the main window opens it.

#include "app/MainMenu.h"
#include "app/frmMain.h"
#include "dialogs/SystemInfo.h"
#include "dialogs/frmAbout.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/ScriptedDialogs.h"
#include "platform/SystemInfoBackend.h"
#include "texts/UiTexts.h"

#include <QCheckBox>
#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

struct RegistryValue
{
    quint32 type = SystemInfo::TypeString;
    QByteArray data;
    bool present = true;
};

// A registry of a few values under the local machine, a file system of a
// few files, and a record of the programs started. Like the real registry
// for a user without administrator rights, it refuses to open keys for
// writing.
class FakeSystem : public SystemInfoBackend
{
public:
    QMap<QString, RegistryValue> values;  // "key|value name"
    QStringList files;
    bool startSucceeds = true;
    QStringList started;
    QStringList filesAsked;
    int openKeys = 0;

    long openKey(quint32 root, const QString& subKey, quint32, quint32 access, Key* key) override
    {
        constexpr quint32 writeRights = 0x0002 | 0x0004 | 0x0020;  // set value, create key, create link
        if (access & writeRights)
            return 5;  // access denied
        const bool exists = std::any_of(values.keyBegin(), values.keyEnd(), [&](const QString& name) {
            return name.startsWith(subKey + QLatin1Char('|'));
        });
        if (root != SystemInfo::LocalMachine || !exists)
            return FileNotFound;
        m_keys.append(subKey);
        *key = Key(m_keys.size());
        ++openKeys;
        return Success;
    }

    long queryValue(Key key, const QString& valueName, quint32* type, QByteArray* data, quint32 capacity) override
    {
        const auto value = values.constFind(m_keys.value(qsizetype(key) - 1) + QLatin1Char('|') + valueName);
        if (value == values.constEnd())
            return FileNotFound;
        if (quint32(value->data.size()) > capacity)
            return MoreData;
        *type = value->type;
        *data = value->data;
        return Success;
    }

    long closeKey(Key) override
    {
        --openKeys;
        return Success;
    }

    bool fileExists(const QString& path) override
    {
        filesAsked << path;
        return files.contains(path);
    }

    bool startProgram(const QString& path) override
    {
        if (startSucceeds)
            started << path;
        return startSucceeds;
    }

private:
    QStringList m_keys;
};

const QString FirstKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH");
const QString SecondKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO");

// Installs the fake for as long as it lives.
struct InstalledFake
{
    std::shared_ptr<FakeSystem> system = std::make_shared<FakeSystem>();
    InstalledFake() { SystemInfoBackend::install(system); }
    ~InstalledFake() { SystemInfoBackend::install(nullptr); }
};

QByteArray string(const char* text)
{
    return QByteArray(text) + '\0';
}

} // namespace

Q_DECLARE_METATYPE(RegistryValue)

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void labelsAndTickBox();
    void systemInformation_data();
    void systemInformation();
    void noRegistryHere();
    void mainWindowBringsTheSameDialogForward();
};

void TestAbout::labelsAndTickBox()
{
    QPointer<frmAbout> about = new frmAbout;
    QCOMPARE(about->lblTitle->text(), QStringLiteral("Пергалот"));
    QCOMPARE(about->lblVersion->text(), QStringLiteral("Версия 0.2.42"));
    QVERIFY(!about->Picture1->pixmap().isNull());
    // The etched separator: grey, and white below it.
    QCOMPARE(about->Line1[0]->palette().color(QPalette::Window), QColor(0x80, 0x80, 0x80));
    QCOMPARE(about->Line1[1]->palette().color(QPalette::Window), QColor(Qt::white));

    about->show();
    QTRY_VERIFY(!about->cmdSysInfo->isVisible());
    about->Check1->setChecked(true);
    QTRY_VERIFY(about->cmdSysInfo->isVisible());
    about->Check1->setChecked(false);
    QTRY_VERIFY(!about->cmdSysInfo->isVisible());
    about->cmdOK->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(about.isNull());
}

void TestAbout::systemInformation_data()
{
    QTest::addColumn<QList<RegistryValue>>("registry");  // the first value, the second value
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<QString>("started");  // empty: the message instead
    QTest::addColumn<QStringList>("filesAsked");

    const RegistryValue none {SystemInfo::TypeString, {}, false};
    const RegistryValue path {SystemInfo::TypeString, string("C:\\Program Files\\msinfo32.exe")};
    const RegistryValue folder {SystemInfo::TypeString, string("C:\\Tools")};
    const QString inFolder = QStringLiteral("C:\\Tools\\MSINFO32.EXE");

    QTest::newRow("first value, used without a file test")
        << QList{path, folder} << QStringList() << true << "C:\\Program Files\\msinfo32.exe" << QStringList();
    QTest::newRow("second value and its file") << QList{none, folder} << QStringList{inFolder} << true << inFolder
                                               << QStringList{inFolder};
    QTest::newRow("second value, no file") << QList{none, folder} << QStringList() << true << QString()
                                           << QStringList{inFolder};
    QTest::newRow("neither value") << QList{none, none} << QStringList() << true << QString() << QStringList();
    QTest::newRow("first value empty") << QList{RegistryValue {SystemInfo::TypeString, string("")}, folder}
                                       << QStringList{inFolder} << true << QString() << QStringList();
    QTest::newRow("first value without data")
        << QList{RegistryValue {SystemInfo::TypeString, QByteArray("", 0)}, folder} << QStringList{inFolder} << true
        << QString() << QStringList();
    QTest::newRow("first value too long for the buffer")
        << QList{RegistryValue {SystemInfo::TypeString, QByteArray(2000, 'x')}, folder} << QStringList{inFolder}
        << true << inFolder << QStringList{inFolder};
    QTest::newRow("first value a number") << QList{RegistryValue {SystemInfo::TypeDword, QByteArray("\x2A\x01\0\0", 4)},
                                                   none}
                                          << QStringList() << true << "298" << QStringList();
    QTest::newRow("the program does not start") << QList{path, none} << QStringList() << false << QString()
                                                 << QStringList();
}

void TestAbout::systemInformation()
{
    QFETCH(QList<RegistryValue>, registry);
    QFETCH(QStringList, files);
    QFETCH(bool, startSucceeds);
    QFETCH(QString, started);
    QFETCH(QStringList, filesAsked);

    InstalledFake fake;
    if (registry[0].present)
        fake.system->values[FirstKey] = registry[0];
    if (registry[1].present)
        fake.system->values[SecondKey] = registry[1];
    fake.system->files = files;
    fake.system->startSucceeds = startSucceeds;

    ScriptedMessageBoxes boxes;
    if (started.isEmpty())
        boxes.expect(MsgResult::OK);
    auto* about = new frmAbout;
    about->show();
    about->Check1->setChecked(true);
    QTRY_VERIFY(about->cmdSysInfo->isVisible());
    about->cmdSysInfo->click();

    QCOMPARE(fake.system->started, started.isEmpty() ? QStringList() : QStringList{started});
    QCOMPARE(boxes.texts(), started.isEmpty() ? QStringList{UiTexts::SysInfoUnavailable} : QStringList());
    QCOMPARE(fake.system->filesAsked, filesAsked);
    QCOMPARE(fake.system->openKeys, 0);  // every key closed again
    QVERIFY(about->isVisible());
    delete about;
}

void TestAbout::noRegistryHere()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has the registry");
#else
    QString value = QStringLiteral("left alone?");
    QCOMPARE(SystemInfo::GetKeyValue(SystemInfo::LocalMachine, QStringLiteral("SOFTWARE"), QStringLiteral("x"), value),
             SystemInfo::KeyValue::NotRead);
    QCOMPARE(value, QString());
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    frmAbout about;
    about.StartSysInfo();
    QCOMPARE(boxes.texts(), QStringList{UiTexts::SysInfoUnavailable});
    QCOMPARE(boxes.requests().constFirst().title, UiTexts::AppTitle);
    QCOMPARE(boxes.requests().constFirst().icon, MsgIcon::None);
#endif
}

void TestAbout::mainWindowBringsTheSameDialogForward()
{
    IsolatedSettings settings;
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    window.menu()->mnuHelpAbout->trigger();
    QPointer<frmAbout> about = window.findChild<frmAbout*>();
    QVERIFY(about);
    QVERIFY(about->isVisible());
    about->Check1->setChecked(true);
    about->lblTitle->setText(QStringLiteral("changed"));
    window.mnuHelpAbout_Click();
    QCOMPARE(window.findChildren<frmAbout*>().size(), 1);
    // Not loaded again: the labels and the box stay as they were.
    QCOMPARE(about->lblTitle->text(), QStringLiteral("changed"));
    QVERIFY(about->Check1->isChecked());

    about->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(about.isNull());
    window.mnuHelpAbout_Click();
    about = window.findChild<frmAbout*>();
    QVERIFY(about);
    QVERIFY(!about->Check1->isChecked());
    QCOMPARE(about->lblTitle->text(), QStringLiteral("Пергалот"));

    // The main window unloads it when the program closes.
    QVERIFY(window.close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(about.isNull());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
