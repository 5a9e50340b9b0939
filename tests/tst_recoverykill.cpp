// The program is killed with typed text unsaved, and its documents come
// back: the real program runs as a child process on a virtual X server with
// a home of its own, xdotool types into it as a keyboard would, and once its
// copies are on disk it is killed with SIGKILL. A second instance started
// while it runs leaves its copies alone; the next start (in this process,
// with scripted message boxes) offers them, and Yes brings back the text,
// the formats and the captions, and Save writes each file in its encoding.

#include "app/frmMain.h"
#include "commands/FileCommands.h"
#include "document/frmDocument.h"
#include "helpers/DocumentWindows.h"
#include "helpers/EditorInput.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/ScriptedDialogs.h"
#include "helpers/TestFiles.h"
#include "platform/RecoveryStore.h"
#include "platform/RichTextBox.h"
#include "texts/UiTexts.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Long enough for the code-page guess to be sure of it.
const QString russian = QStringLiteral(
    "Съешь же ещё этих мягких французских булок, да выпей чаю.\n"
    "Широкая электрификация южных губерний даст мощный толчок подъёму сельского хозяйства.\n"
    "В чащах юга жил бы цитрус? Да, но фальшивый экземпляр!");

QByteArray cp1251(QString text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text.replace(u'\n', QStringLiteral("\r\n")));
}

int copiesUnder(const QString& folder)
{
    int count = 0;
    QDirIterator it(folder, {QStringLiteral("*.copy")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

// The program, killed when the test ends however it ends.
struct Child
{
    QProcess process;
    ~Child()
    {
        process.kill();
        process.waitForFinished();
    }
};

// False too when it hangs (a window that never shows up).
bool xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void activate(frmMain& main, frmDocument* document)
{
    main.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(document->parentWidget()));
}

} // namespace

class TestRecoveryKill : public QObject
{
    Q_OBJECT

private slots:
    void killedProgramsDocumentsComeBack();
};

void TestRecoveryKill::killedProgramsDocumentsComeBack()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("Needs an X server (the test runs under xvfb-run).");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("Needs xdotool to type into the program.");

    QTemporaryDir home;
    const QString letter = home.filePath(QStringLiteral("письмо.txt"));
    const QString notes = home.filePath(QStringLiteral("notes.rtf"));
    QVERIFY(TestFiles::writeFile(letter, cp1251(russian)));
    QVERIFY(TestFiles::writeFile(notes, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 {\\b Bold} plain}"));
    const QString recovery = home.filePath(QStringLiteral("data/") + UiTexts::AppTitle + QStringLiteral("/recovery"));

    Child child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    child.process.setProcessEnvironment(environment);
    child.process.start(QStringLiteral(PERGALOT_PROGRAM), {notes, letter});
    QVERIFY(child.process.waitForStarted());

    // The letter, opened last, is active; then the notes; then a new document.
    QVERIFY(xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"),
                     QStringLiteral("^Пергалот$"), QStringLiteral("windowfocus"), QStringLiteral("--sync")}));
    QTest::qWait(500);
    const auto type = [](const QString& text) {
        return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text});
    };
    const auto key = [](const QString& keys) { return xdotool({QStringLiteral("key"), keys}); };
    // Typed in Latin letters: xdotool types letters the keyboard map lacks by
    // remapping a spare key, which drops letters when the machine is busy.
    QVERIFY(type(QStringLiteral("Hello. ")));
    QVERIFY(key(QStringLiteral("ctrl+shift+Tab")));
    QVERIFY(type(QStringLiteral("New ")));
    QVERIFY(key(QStringLiteral("ctrl+n")));
    QVERIFY(type(QStringLiteral("Draft")));
    QTRY_COMPARE_WITH_TIMEOUT(copiesUnder(recovery), 3, 20000);

    IsolatedSettings settings;
    RecoveryStore::setFolderForTesting(recovery);
    {
        ScriptedMessageBoxes boxes;
        frmMain second;
        second.offerRecovery();
        QCOMPARE(boxes.requests().size(), 0);
    }
    QCOMPARE(copiesUnder(recovery), 3);

    child.process.kill();  // SIGKILL
    QVERIFY(child.process.waitForFinished());

    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::Yes);
    frmMain main;
    main.offerRecovery();
    QCOMPARE(boxes.requests().size(), 1);
    QCOMPARE(DocumentWindows::captions(main),
             (QStringList{QStringLiteral("Документ 1"), notes, letter, QStringLiteral("Документ 4")}));
    const QList<frmDocument*> documents = main.documentWindows();

    RichTextBox* restored = documents[1]->rtfText;
    QCOMPARE(restored->Text(), QStringLiteral("New Bold plain"));
    EditorInput::selectWord(*restored, QStringLiteral("New"));
    QCOMPARE(restored->SelBold(), std::optional<bool>(true));  // typed in the bold word's format
    QCOMPARE(restored->SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
    EditorInput::selectWord(*restored, QStringLiteral("plain"));
    QCOMPARE(restored->SelBold(), std::optional<bool>(false));

    QCOMPARE(documents[2]->rtfText->Text(), QStringLiteral("Hello. ") + russian);
    QCOMPARE(documents[3]->rtfText->Text(), QStringLiteral("Draft"));

    for (frmDocument* document : {documents[1], documents[2]}) {
        activate(main, document);
        main.fileCommands()->mnuFileSave_Click();
    }
    QCOMPARE(TestFiles::readFile(letter), cp1251(QStringLiteral("Hello. ") + russian));
    QVERIFY(TestFiles::readFile(notes).contains("\\b"));
    QCOMPARE(boxes.unexpected(), 0);
    DocumentWindows::discardAll(main);
}

QTEST_MAIN(TestRecoveryKill)
#include "tst_recoverykill.moc"
