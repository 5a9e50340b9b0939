#include "app/IniValues.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/TestFiles.h"
#include "platform/PrivateProfile.h"
#include "platform/ProgramFolder.h"
#include "platform/TextCodec.h"
#include "platform/UserStore.h"
#include "texts/UiTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

#ifdef Q_OS_WIN
const QByteArray eol = "\r\n";
#else
const QByteArray eol = "\n";
#endif

const QString options = QStringLiteral("Options");
const QString toolbar = QStringLiteral("Toolbar");
const QString none = QStringLiteral("None");

QString storeFileName()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, UiTexts::AppTitle, UiTexts::AppTitle)
        .fileName();
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void missingFileSectionOrKeyGivesDefault();
    void valueIsReadAsStored_data();
    void valueIsReadAsStored();
    void longValueIsCut();
    void writeChangesOnlyItsLine_data();
    void writeChangesOnlyItsLine();
    void lineBreaksBecomeBlanks();
    void valuesReadBackAsWritten();
    void unstorableNamesAreRefused();
    void windows1251FileKeepsItsBytes();
    void settingsFileInProgramFolder();
    void settingsFileFallsBackToUserFolder();
    void readOnlyProgramFolderFallsBackToUserFolder();
    void failedWriteKeepsOldFile();
    void userStoreRoundTrip();
    void userStoreIsIsolated();
};

void TestSettings::missingFileSectionOrKeyGivesDefault()
{
    IsolatedSettings settings;
    const QString path = settings.iniPath();
    QCOMPARE(ReadIniValue(path, options, toolbar, none), none);
    QVERIFY(!QFile::exists(path)); // reading never creates the file

    settings.writeIni("[Other]\nToolbar=True\n[Options]\nStatusbar=False\n");
    QCOMPARE(ReadIniValue(path, options, toolbar, none), none);
    QCOMPARE(ReadIniValue(path, QStringLiteral("Missing"), toolbar, none), none);
    QCOMPARE(ReadIniValue(path, options, QStringLiteral("Statusbar"), none), QStringLiteral("False"));

    // A folder where the file should be reads as a missing file.
    QDir(settings.programFolder()).mkdir(QStringLiteral("folder.ini"));
    QCOMPARE(ReadIniValue(settings.programFolder() + QStringLiteral("/folder.ini"), options, toolbar,
                          none),
             none);
}

void TestSettings::valueIsReadAsStored_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString opt = options;
    const QString key = toolbar;
    QTest::newRow("plain") << QByteArray("[Options]\nToolbar=True\n") << opt << key << "True";
    QTest::newRow("letter case of the value kept")
        << QByteArray("[Options]\nToolbar=TRUE\n") << opt << key << "TRUE";
    QTest::newRow("names in any letter case")
        << QByteArray("[oPTIONS]\ntoolBAR=False\n") << "OPTIONS" << "TOOLBAR" << "False";
    QTest::newRow("Cyrillic names in any letter case")
        << QByteArray("[Параметры]\nПанель=Видна\n") << "ПАРАМЕТРЫ" << "панель" << "Видна";
    QTest::newRow("blanks around names and value")
        << QByteArray("  [ Options ]  \r\n \t Toolbar  =  \t False \t\r\n") << opt << key << "False";
    QTest::newRow("quotes removed")
        << QByteArray("[Options]\nToolbar=\"  two  words \"\n") << opt << key << "  two  words ";
    QTest::newRow("single quotes removed") << QByteArray("[Options]\nToolbar='x'\n") << opt << key << "x";
    QTest::newRow("unmatched quotes kept")
        << QByteArray("[Options]\nToolbar=\"x'\n") << opt << key << "\"x'";
    QTest::newRow("empty value is a value") << QByteArray("[Options]\nToolbar=\n") << opt << key << "";
    QTest::newRow("first of two keys")
        << QByteArray("[Options]\nToolbar=False\nToolbar=True\n") << opt << key << "False";
    QTest::newRow("first section of two")
        << QByteArray("[Options]\nToolbar=False\n[Options]\nToolbar=True\n") << opt << key << "False";
    QTest::newRow("key in the second section of the name")
        << QByteArray("[Options]\nA=1\n[Options]\nToolbar=Second\n") << opt << key << "Second";
    QTest::newRow("key before any section")
        << QByteArray("Toolbar=True\n[Options]\n") << opt << key << "None";
    QTest::newRow("key in another section")
        << QByteArray("[Options]\n[Other]\nToolbar=True\n") << opt << key << "None";
    QTest::newRow("header without ]")
        << QByteArray("[Options]\nA=1\n[Options\nToolbar=True\n") << opt << key << "None";
    QTest::newRow("text after ]")
        << QByteArray("[Options] trailing\nToolbar=True\n") << opt << key << "True";
    QTest::newRow("comment") << QByteArray("[Options]\n;Toolbar=True\n") << opt << key << "None";
    QTest::newRow("lines without =")
        << QByteArray("[Options]\ngarbage\n\n=orphan\nToolbar=True\n") << opt << key << "True";
    QTest::newRow("= in the value")
        << QByteArray("[Options]\nToolbar=a=b\n") << opt << key << "a=b";
    QTest::newRow("no line end at the end")
        << QByteArray("[Options]\r\nToolbar=True") << opt << key << "True";
    QTest::newRow("UTF-8 byte-order mark")
        << QByteArray("\xEF\xBB\xBF[Options]\nToolbar=Правда\n") << opt << key << "Правда";
    QTest::newRow("UTF-16 byte-order mark")
        << QByteArray(QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)
                          .encode(QStringLiteral("[Options]\r\nToolbar=Правда")))
        << opt << key << "Правда";
}

void TestSettings::valueIsReadAsStored()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    IsolatedSettings settings;
    settings.writeIni(file);
    QCOMPARE(ReadIniValue(settings.iniPath(), section, key, none), expected);
}

void TestSettings::longValueIsCut()
{
    IsolatedSettings settings;
    QString value;
    for (int i = 0; i < 300; ++i)
        value += QChar(u'А' + i % 32);
    WriteIniValue(settings.iniPath(), options, toolbar, value);
    // The whole value is stored; only reading cuts it.
    QVERIFY(TextCodec::decode(settings.readIni()).contains(value));
    QCOMPARE(ReadIniValue(settings.iniPath(), options, toolbar, none), value.left(254));
    // A default goes through the same buffer.
    QCOMPARE(ReadIniValue(settings.iniPath(), options, QStringLiteral("Missing"), value), value.left(254));

    // A character outside the BMP is not cut in half.
    const QString wide = QString(253, u'a') + QStringLiteral("\U0001F600") + QStringLiteral("tail");
    WriteIniValue(settings.iniPath(), options, toolbar, wide);
    QCOMPARE(ReadIniValue(settings.iniPath(), options, toolbar, none), QString(253, u'a'));

    // The raw call: at most size-1 characters, a NUL after them.
    QString buffer(10, u' ');
    QCOMPARE(PrivateProfile::GetPrivateProfileString(options, toolbar, none, buffer, 4,
                                                     settings.iniPath()),
             3);
    QCOMPARE(buffer, QStringLiteral("aaa") + QChar(u'\0') + QString(6, u' '));
    QCOMPARE(PrivateProfile::GetPrivateProfileString(options, toolbar, none, buffer, 1,
                                                     settings.iniPath()),
             0);
    QCOMPARE(PrivateProfile::GetPrivateProfileString(options, toolbar, none, buffer, 0,
                                                     settings.iniPath()),
             0);
}

void TestSettings::writeChangesOnlyItsLine_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << options << toolbar << "False"
                              << QByteArray("[Options]" + eol + "Toolbar=False" + eol);
    QTest::newRow("existing key, CR LF, comments and other sections kept")
        << QByteArray("; Настройки\r\n[Options]\r\n  Toolbar = True\r\nStatusbar=True\r\n\r\n"
                      "[Other]\r\nKey=1\r\n")
        << options << toolbar << "False"
        << QByteArray("; Настройки\r\n[Options]\r\n  Toolbar = False\r\nStatusbar=True\r\n\r\n"
                      "[Other]\r\nKey=1\r\n");
    QTest::newRow("spelling of names kept")
        << QByteArray("[OPTIONS]\ntoolbar=True\n") << options << toolbar << "False"
        << QByteArray("[OPTIONS]\ntoolbar=False\n");
    QTest::newRow("empty value replaced")
        << QByteArray("[Options]\nToolbar=\nX=1\n") << options << toolbar << "True"
        << QByteArray("[Options]\nToolbar=True\nX=1\n");
    QTest::newRow("new key before the blank lines ending its section")
        << QByteArray("[Options]\nStatusbar=True\n\n\n[Other]\nKey=1\n") << options << toolbar << "False"
        << QByteArray("[Options]\nStatusbar=True\nToolbar=False\n\n\n[Other]\nKey=1\n");
    QTest::newRow("new key after a last line without line end")
        << QByteArray("[Options]\r\nStatusbar=True") << options << toolbar << "False"
        << QByteArray("[Options]\r\nStatusbar=True\r\nToolbar=False\r\n");
    QTest::newRow("new section at the end")
        << QByteArray("[Other]\nKey=1") << options << toolbar << "False"
        << QByteArray("[Other]\nKey=1\n[Options]\nToolbar=False\n");
    QTest::newRow("first of two keys")
        << QByteArray("[Options]\nToolbar=True\nToolbar=X\n") << options << toolbar << "False"
        << QByteArray("[Options]\nToolbar=False\nToolbar=X\n");
    QTest::newRow("key found in the second section of the name")
        << QByteArray("[Options]\nA=1\n[Options]\nToolbar=True\n") << options << toolbar << "False"
        << QByteArray("[Options]\nA=1\n[Options]\nToolbar=False\n");
    QTest::newRow("a header without ] ends the section")
        << QByteArray("[Options]\nA=1\n[Broken\nToolbar=True\n") << options << toolbar << "False"
        << QByteArray("[Options]\nA=1\nToolbar=False\n[Broken\nToolbar=True\n");
    QTest::newRow("Cyrillic value into a UTF-8 file")
        << QByteArray("; Настройки\n[Options]\nToolbar=True\n") << options << toolbar << "Ложь"
        << QByteArray("; Настройки\n[Options]\nToolbar=Ложь\n");
}

void TestSettings::writeChangesOnlyItsLine()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    IsolatedSettings settings;
    if (!before.isNull())
        settings.writeIni(before);
    QVERIFY(PrivateProfile::WritePrivateProfileString(section, key, value, settings.iniPath()));
    QCOMPARE(settings.readIni(), after);
    QCOMPARE(ReadIniValue(settings.iniPath(), section, key, none), value);
}

void TestSettings::lineBreaksBecomeBlanks()
{
    IsolatedSettings settings;
    settings.writeIni("[Options]\nStatusbar=True\n");
    WriteIniValue(settings.iniPath(), options, toolbar, QStringLiteral("a\r\nb\nc\rd"));
    QCOMPARE(settings.readIni(), QByteArray("[Options]\nStatusbar=True\nToolbar=a  b c d\n"));
    QCOMPARE(ReadIniValue(settings.iniPath(), options, toolbar, none), QStringLiteral("a  b c d"));

    // The raw call cannot be made to write a line of its own either.
    QVERIFY(PrivateProfile::WritePrivateProfileString(options, toolbar, QStringLiteral("x\n[Evil]\nk=v"),
                                                      settings.iniPath()));
    QCOMPARE(ReadIniValue(settings.iniPath(), QStringLiteral("Evil"), QStringLiteral("k"), none), none);
}

void TestSettings::valuesReadBackAsWritten()
{
    IsolatedSettings settings;
    const QString path = settings.iniPath();
    settings.writeIni("[Options]\nStatusbar=True\n");
    const QStringList values = {
        QStringLiteral("Панель скрыта"), QString(), QStringLiteral("  blanks around  "),
        QStringLiteral("\"quoted\""), QStringLiteral("'single'"), QStringLiteral("\"half"),
        QStringLiteral("a=b"), QStringLiteral("; not a comment"), QStringLiteral("[not a section]"),
        QStringLiteral("tab\tinside"), QStringLiteral("日本語"),
    };
    for (const QString& value : values) {
        QVERIFY2(PrivateProfile::WritePrivateProfileString(options, toolbar, value, path), qPrintable(value));
        QCOMPARE(ReadIniValue(path, options, toolbar, none), value);
        QCOMPARE(ReadIniValue(path, options, QStringLiteral("Statusbar"), none), QStringLiteral("True"));
    }
    // Cyrillic goes into the file in the system code page.
    WriteIniValue(path, QStringLiteral("Окно"), QStringLiteral("Заголовок"), QStringLiteral("Пергалот"));
    QVERIFY(settings.readIni().contains(TextCodec::encode(QStringLiteral("[Окно]\nЗаголовок=Пергалот\n"))));
    QCOMPARE(ReadIniValue(path, QStringLiteral("окно"), QStringLiteral("заголовок"), none),
             QStringLiteral("Пергалот"));
}

void TestSettings::unstorableNamesAreRefused()
{
    IsolatedSettings settings;
    const QString path = settings.iniPath();
    const QList<QPair<QString, QString>> names = {
        {options, QString()},           {options, QStringLiteral("  ")},
        {options, QStringLiteral("a=b")}, {options, QStringLiteral(";key")},
        {options, QStringLiteral("[key")}, {options, QStringLiteral("two\nlines")},
        {QStringLiteral("a]b"), toolbar}, {QStringLiteral("two\r\nlines"), toolbar},
    };
    for (const auto& [section, key] : names)
        QVERIFY(!PrivateProfile::WritePrivateProfileString(section, key, QStringLiteral("x"), path));
    QVERIFY(!QFile::exists(path));

    const QByteArray before("[Options]\nToolbar=True\n");
    settings.writeIni(before);
    for (const auto& [section, key] : names)
        QVERIFY(!PrivateProfile::WritePrivateProfileString(section, key, QStringLiteral("x"), path));
    QCOMPARE(settings.readIni(), before);
}

void TestSettings::windows1251FileKeepsItsBytes()
{
    if (!QStringDecoder("windows-1251").isValid())
        QSKIP("no Windows-1251 converter in this Qt");
    IsolatedSettings settings;
    const QString path = settings.iniPath();
    // "; Настройки" and "Name=Привет" in Windows-1251, as a Russian Windows
    // machine writes them.
    const QByteArray comment("; \xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8\r\n");
    const QByteArray name("Name=\xCF\xF0\xE8\xE2\xE5\xF2\r\n");
    settings.writeIni(comment + "[Options]\r\n" + name + "Toolbar=True\r\n");
    QCOMPARE(ReadIniValue(path, options, QStringLiteral("Name"), none), QStringLiteral("Привет"));

    QVERIFY(PrivateProfile::WritePrivateProfileString(options, toolbar, QStringLiteral("Мир"), path));
    QCOMPARE(settings.readIni(), comment + "[Options]\r\n" + name + "Toolbar=\xCC\xE8\xF0\r\n");

    // Text Windows-1251 cannot hold: the file changes code page, nothing is lost.
    QVERIFY(PrivateProfile::WritePrivateProfileString(options, toolbar, QStringLiteral("日本"), path));
    QCOMPARE(ReadIniValue(path, options, toolbar, none), QStringLiteral("日本"));
    QCOMPARE(ReadIniValue(path, options, QStringLiteral("Name"), none), QStringLiteral("Привет"));
    QVERIFY(TextCodec::decode(settings.readIni()).startsWith(QStringLiteral("; Настройки\r\n")));
}

void TestSettings::settingsFileInProgramFolder()
{
    IsolatedSettings settings;
    QCOMPARE(SettingsFilePath(), settings.iniPath());

    // One separator, whatever the folder text ends with.
    ProgramFolder::setPathForTesting(settings.programFolder() + u'/');
    QCOMPARE(SettingsFilePath(), settings.iniPath());
    QCOMPARE(ProgramFolder::join(QStringLiteral("/"), QStringLiteral("pergalot.ini")),
             QStringLiteral("/pergalot.ini"));
    ProgramFolder::setPathForTesting(settings.programFolder());

    WriteIniValue(SettingsFilePath(), options, toolbar, QStringLiteral("False"));
    QCOMPARE(settings.readIni(), QByteArray("[Options]" + eol + "Toolbar=False" + eol));
    QCOMPARE(ReadIniValue(SettingsFilePath(), options, toolbar, none), QStringLiteral("False"));
}

void TestSettings::settingsFileFallsBackToUserFolder()
{
    IsolatedSettings settings;
    const QString userIni = UserStore::folder(UiTexts::AppTitle) + QStringLiteral("/pergalot.ini");
    QVERIFY(userIni.startsWith(settings.userFolder() + u'/'));

    // Something that is not a file in the way of pergalot.ini.
    QVERIFY(QDir(settings.programFolder()).mkdir(QStringLiteral("pergalot.ini")));
    QCOMPARE(SettingsFilePath(), userIni);
    QDir(settings.programFolder()).rmdir(QStringLiteral("pergalot.ini"));

    // A program folder that does not exist.
    ProgramFolder::setPathForTesting(settings.programFolder() + QStringLiteral("/gone"));
    QCOMPARE(SettingsFilePath(), userIni);

    // The per-user folder is made on the first write.
    QVERIFY(!QFileInfo::exists(QFileInfo(userIni).path()));
    WriteIniValue(SettingsFilePath(), options, toolbar, QStringLiteral("False"));
    QCOMPARE(ReadIniValue(SettingsFilePath(), options, toolbar, none), QStringLiteral("False"));
    QCOMPARE(TestFiles::readFile(userIni), QByteArray("[Options]" + eol + "Toolbar=False" + eol));
}

void TestSettings::readOnlyProgramFolderFallsBackToUserFolder()
{
    IsolatedSettings settings;
    const QByteArray shipped("[Options]\nToolbar=False\n");
    settings.writeIni(shipped);
    settings.makeProgramFolderReadOnly();
    if (!settings.programFolderIsReadOnly())
        QSKIP("cannot make a folder read-only for this user on this file system");

    const QString path = SettingsFilePath();
    QCOMPARE(path, UserStore::folder(UiTexts::AppTitle) + QStringLiteral("/pergalot.ini"));
    // Reading and writing both use the per-user file.
    QCOMPARE(ReadIniValue(path, options, toolbar, none), none);
    WriteIniValue(path, options, toolbar, QStringLiteral("True"));
    QCOMPARE(ReadIniValue(SettingsFilePath(), options, toolbar, none), QStringLiteral("True"));
    QCOMPARE(settings.readIni(), shipped);
}

void TestSettings::failedWriteKeepsOldFile()
{
    IsolatedSettings settings;
    const QByteArray old("; keep me\n[Options]\nToolbar=True\nStatusbar=False\n");

    // A folder that takes no new files.
    settings.writeIni(old);
    settings.makeProgramFolderReadOnly();
    // A file that can be written is written in place, so this needs a user
    // whom the file's permissions stop too.
    if (settings.programFolderIsReadOnly() && !QFileInfo(settings.iniPath()).isWritable()) {
        QVERIFY(!PrivateProfile::WritePrivateProfileString(options, toolbar, QStringLiteral("False"),
                                                           settings.iniPath()));
        WriteIniValue(settings.iniPath(), options, toolbar, QStringLiteral("False"));
        QCOMPARE(settings.readIni(), old);
    }

    // A folder path that runs through a file.
    QTemporaryDir scratch;
    const QString notAFolder = scratch.filePath(QStringLiteral("file"));
    QVERIFY(TestFiles::writeFile(notAFolder, "x"));
    QVERIFY(!PrivateProfile::WritePrivateProfileString(options, toolbar, QStringLiteral("False"),
                                                       notAFolder + QStringLiteral("/pergalot.ini")));

#ifdef Q_OS_UNIX
    // The disk fills up halfway through the write (a file-size limit stops
    // every user, root included).
    const QString path = scratch.filePath(QStringLiteral("pergalot.ini"));
    QVERIFY(TestFiles::writeFile(path, old));
    rlimit saved{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = static_cast<rlim_t>(old.size());
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    const bool written = PrivateProfile::WritePrivateProfileString(
        options, QStringLiteral("Long"), QString(200, u'x'), path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY(!written);
    QCOMPARE(TestFiles::readFile(path), old);
    // No half-written temporary file is left beside it.
    QCOMPARE(QDir(scratch.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
#endif
}

void TestSettings::userStoreRoundTrip()
{
    IsolatedSettings settings;
    const QString app = UiTexts::AppTitle;
    const QString section = QStringLiteral("Settings");
    QCOMPARE(UserStore::GetSetting(app, section, QStringLiteral("MainLeft"), QStringLiteral("1000")),
             QStringLiteral("1000"));

    const QStringList values = {
        QStringLiteral("1560"), QStringLiteral("-120"), QStringLiteral("Привет, мир"), QString(),
        QStringLiteral("  blanks  "), QStringLiteral("two\nlines"), QStringLiteral("@String(x)"),
        QStringLiteral("1, 2"), QStringLiteral("\"quoted\""), QStringLiteral("a;b=c"),
    };
    for (const QString& value : values) {
        UserStore::SaveSetting(app, section, QStringLiteral("MainLeft"), value);
        QCOMPARE(UserStore::GetSetting(app, section, QStringLiteral("MainLeft"), QStringLiteral("1000")),
                 value);
    }
    // Sections and application names are kept apart.
    UserStore::SaveSetting(app, section, QStringLiteral("MainTop"), QStringLiteral("-120"));
    QCOMPARE(UserStore::GetSetting(app, QStringLiteral("Other"), QStringLiteral("MainTop"),
                                   QStringLiteral("1000")),
             QStringLiteral("1000"));
    QCOMPARE(UserStore::GetSetting(QStringLiteral("Другая"), section, QStringLiteral("MainTop"),
                                   QStringLiteral("1000")),
             QStringLiteral("1000"));
    QCOMPARE(UserStore::GetSetting(app, section, QStringLiteral("MainTop"), QStringLiteral("1000")),
             QStringLiteral("-120"));
}

void TestSettings::userStoreIsIsolated()
{
    const QString outside = storeFileName();
    const QString key = QStringLiteral("MainWidth");
    const QString section = QStringLiteral("Settings");
    {
        IsolatedSettings first;
        QVERIFY(QStandardPaths::isTestModeEnabled());
        QVERIFY(storeFileName().startsWith(first.userFolder() + u'/'));
        UserStore::SaveSetting(UiTexts::AppTitle, section, key, QStringLiteral("7777"));
        QVERIFY(QFile::exists(storeFileName()));
        WriteIniValue(UserStore::folder(UiTexts::AppTitle) + QStringLiteral("/pergalot.ini"), options,
                      toolbar, QStringLiteral("False"));
        WriteIniValue(SettingsFilePath(), options, toolbar, QStringLiteral("False"));
    }
    QCOMPARE(storeFileName(), outside);
    {
        IsolatedSettings second;
        QCOMPARE(UserStore::GetSetting(UiTexts::AppTitle, section, key, QStringLiteral("6500")),
                 QStringLiteral("6500"));
        QCOMPARE(ReadIniValue(UserStore::folder(UiTexts::AppTitle) + QStringLiteral("/pergalot.ini"),
                              options, toolbar, none),
                 none);
        QCOMPARE(ReadIniValue(SettingsFilePath(), options, toolbar, none), none);
    }
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
