// Recovery copies of unsaved documents, inside one process: a copy exists
// exactly while a document has changes not yet saved; the copies an
// instance that no longer runs left are offered at the next start and come
// back with their text, formats, captions and file formats; damaged copies
// and a state folder that cannot be written are reported, never fatal.
// (tst_recoverykill kills a real instance and runs a second beside it.)

#include "app/DocumentRecovery.h"
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
#include "rtf/RtfWriter.h"

#include <QDirIterator>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Every file under folder whose name ends with suffix.
QStringList filesUnder(const QString& folder, const QString& suffix)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(suffix))
            found.append(path);
    }
    return found;
}

QStringList copies(const IsolatedSettings& settings)
{
    return filesUnder(settings.recoveryFolder(), QStringLiteral(".copy"));
}

// The copies that are due are written, and windows closed are gone, on disk
// too.
void takeCopies(frmMain& main)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main.recovery()->copyDueNow();
    main.recovery()->store()->flush();
    QCoreApplication::processEvents();  // what the store reports
}

bool anyTimerRunning(const DocumentRecovery* recovery)
{
    for (const QTimer* timer : recovery->findChildren<QTimer*>()) {
        if (timer->isActive())
            return true;
    }
    return false;
}

// A process id that no process has: that of a program that has ended.
qint64 endedProcess()
{
    QProcess process;
    process.start(QStringLiteral("true"), {});
    process.waitForFinished();
    return process.processId() > 0 ? process.processId() : 999999;
}

QByteArray copyFile(const QString& caption, bool untitled, const QByteArray& rtf,
                    const TextFileFormat& format = TextFileFormat::newDocument())
{
    RecoveryCopy copy;
    copy.caption = caption;
    copy.untitled = untitled;
    copy.format = format;
    copy.rtf = {rtf};
    return copy.fileBytes().join();
}

// Copies as an instance leaves them when it is killed: its folder of copies
// and a lock naming a process that no longer runs.
void leaveBehind(const QString& root, const QList<QByteArray>& files)
{
    const QString instance = QStringLiteral("ended-instance");
    QDir().mkpath(root + u'/' + instance);
    TestFiles::writeFile(root + u'/' + instance + QStringLiteral(".lock"),
                         QByteArray::number(endedProcess()) + "\npergalot\n\n");
    for (qsizetype i = 0; i < files.size(); ++i)
        TestFiles::writeFile(QStringLiteral("%1/%2/%3.copy").arg(root, instance).arg(i + 1), files[i]);
}

const QString russian = QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей чаю.\n"
                                       "Широкая электрификация южных губерний даст мощный толчок.");

QByteArray cp1251(const QString& text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(QString(text).replace(u'\n', QStringLiteral("\r\n")));
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    void copyLivesWhileChangesAreUnsaved_data();
    void copyLivesWhileChangesAreUnsaved();
    void leftBehindCopiesAreOffered_data();
    void leftBehindCopiesAreOffered();
    void damagedCopiesAreNamedAndSkipped_data();
    void damagedCopiesAreNamedAndSkipped();
    void unwritableFolderTurnsRecoveryOff_data();
    void unwritableFolderTurnsRecoveryOff();
};

void TestRecovery::copyLivesWhileChangesAreUnsaved_data()
{
    QTest::addColumn<QString>("ending");
    for (const char* ending : {"save", "save as", "undo", "close, No", "close, Yes", "close, Cancel", "exit"})
        QTest::newRow(ending) << QString::fromLatin1(ending);
}

// A file opened and never changed has no copy and no timer running; typed
// into, it has one; each way of ending its unsaved changes removes it, and
// a clean end leaves nothing of the instance behind.
void TestRecovery::copyLivesWhileChangesAreUnsaved()
{
    QFETCH(QString, ending);
    IsolatedSettings settings;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("letter.txt"));
    QVERIFY(TestFiles::writeFile(path, "Dear reader,\n"));
    ScriptedMessageBoxes boxes;
    ScriptedCommonDialogs dialogs;
    auto main = std::make_unique<frmMain>();
    QVERIFY(main->fileCommands()->openFile(path));
    frmDocument* document = main->ActiveForm();
    takeCopies(*main);
    QVERIFY(!anyTimerRunning(main->recovery()));
    QCOMPARE(copies(settings), QStringList());

    EditorInput::typeText(document->rtfText, QStringLiteral("Привет! "));
    QVERIFY(anyTimerRunning(main->recovery()));
    takeCopies(*main);
    QCOMPARE(copies(settings).size(), 1);
    QVERIFY(!anyTimerRunning(main->recovery()));

    const bool closing = ending.startsWith(QLatin1String("close"));
    if (ending == QLatin1String("save")) {
        main->fileCommands()->mnuFileSave_Click();
    } else if (ending == QLatin1String("save as")) {
        dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(dir.filePath(QStringLiteral("b.rtf")), 3));
        main->fileCommands()->mnuFileSaveAs_Click();
    } else if (ending == QLatin1String("undo")) {
        document->rtfText->undo();
    } else if (closing) {
        boxes.expect(ending.endsWith(QLatin1String("No")) ? MsgResult::No
                     : ending.endsWith(QLatin1String("Yes")) ? MsgResult::Yes : MsgResult::Cancel);
        if (ending.endsWith(QLatin1String("Yes")))
            dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(dir.filePath(QStringLiteral("c.txt")), 1));
        main->mdiArea()->currentSubWindow()->close();
    } else {
        DocumentWindows::discardAll(*main);
        main->close();
        main.reset();
    }
    if (main)
        takeCopies(*main);
    QCOMPARE(boxes.unexpected(), 0);
    QCOMPARE(dialogs.unexpected(), 0);
    // Cancel keeps the window open with its changes, and so its copy.
    QCOMPARE(copies(settings).size(), ending == QLatin1String("close, Cancel") ? 1 : 0);
    if (!main)
        QCOMPARE(QDir(settings.recoveryFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    else
        DocumentWindows::discardAll(*main);
}

void TestRecovery::leftBehindCopiesAreOffered_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

// Yes: each document in a new window, with its text and formats; a file's
// path as caption and its encoding and line ends for Save; an untitled one
// numbered like any new document. No: the copies are gone.
void TestRecovery::leftBehindCopiesAreOffered()
{
    QFETCH(bool, accept);
    IsolatedSettings settings;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("письмо.txt"));
    QVERIFY(TestFiles::writeFile(path, "old"));
    TextFileFormat windows1251;
    windows1251.encoding = "windows-1251";
    windows1251.lineEnd = TextFileFormat::LineEnd::CRLF;
    QTextDocument letter;
    letter.setPlainText(russian);
    leaveBehind(settings.recoveryFolder(),
                {copyFile(path, false, RtfWriter::write(&letter), windows1251),
                 copyFile(QStringLiteral("Документ 7"), true, "{\\rtf1\\ansi Plain {\\b bold}}")});

    ScriptedMessageBoxes boxes;
    boxes.expect(accept ? MsgResult::Yes : MsgResult::No);
    frmMain main;
    main.offerRecovery();
    QCOMPARE(boxes.requests().size(), 1);
    QVERIFY(boxes.texts().first().contains(path));
    QVERIFY(boxes.texts().first().contains(QStringLiteral("Документ 7")));
    if (!accept) {
        main.recovery()->store()->flush();
        QCOMPARE(DocumentWindows::captions(main), QStringList{QStringLiteral("Документ 1")});
        QCOMPARE(copies(settings), QStringList());
        return;
    }

    QCOMPARE(DocumentWindows::captions(main),
             (QStringList{QStringLiteral("Документ 1"), path, QStringLiteral("Документ 3")}));
    frmDocument* untitled = main.ActiveForm();
    QCOMPARE(untitled->rtfText->Text(), QStringLiteral("Plain bold"));
    EditorInput::selectWord(*untitled->rtfText, QStringLiteral("bold"));
    QCOMPARE(untitled->rtfText->SelBold(), std::optional<bool>(true));
    main.recovery()->store()->flush();
    QCOMPARE(copies(settings).size(), 2);  // now this instance's

    frmDocument* file = main.documentWindows().at(1);
    main.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(file->parentWidget()));
    QCOMPARE(file->rtfText->Text(), russian);
    main.fileCommands()->mnuFileSave_Click();
    QCOMPARE(TestFiles::readFile(path), cp1251(russian));
    main.recovery()->store()->flush();
    QCOMPARE(copies(settings).size(), 1);
    QCOMPARE(boxes.unexpected(), 0);
    DocumentWindows::discardAll(main);
}

void TestRecovery::damagedCopiesAreNamedAndSkipped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("named");
    const QByteArray whole = copyFile(QStringLiteral("Документ 2"), true, "{\\rtf1\\ansi Lost text}");
    QByteArray flipped = whole;
    flipped[flipped.size() - 8] = 'X';
    QTest::newRow("cut short") << whole.chopped(5) << QStringLiteral("Документ 2");
    QTest::newRow("content damaged") << flipped << QStringLiteral("Документ 2");
    QTest::newRow("header cut") << whole.left(40) << QStringLiteral("2.copy");
    QTest::newRow("not a copy") << QByteArray("\x00\xff garbage", 10) << QStringLiteral("2.copy");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("2.copy");
    QTest::newRow("unreadable") << whole << QStringLiteral("2.copy");
}

// The good copy is offered; the damaged one is named in the same box, moved
// aside (not deleted), and never offered again.
void TestRecovery::damagedCopiesAreNamedAndSkipped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, named);
    IsolatedSettings settings;
    const QString root = settings.recoveryFolder();
    leaveBehind(root, {copyFile(QStringLiteral("Документ 1"), true, "{\\rtf1\\ansi Kept text}"), bytes});
    const QString damaged = root + QStringLiteral("/ended-instance/2.copy");
    if (QByteArray(QTest::currentDataTag()) == "unreadable") {
        QFile::setPermissions(damaged, QFileDevice::Permissions());
        if (QFile(damaged).open(QIODevice::ReadOnly))
            QSKIP("File permissions do not stop this user (root).");
    }

    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::Yes);
    frmMain main;
    main.offerRecovery();
    QCOMPARE(boxes.requests().size(), 1);
    const QString text = boxes.texts().first();
    QVERIFY2(text.contains(QStringLiteral("Документ 1")) && text.contains(named), qPrintable(text));
    QCOMPARE(main.ActiveForm()->rtfText->Text(), QStringLiteral("Kept text"));
    main.recovery()->store()->flush();
    QCOMPARE(filesUnder(root + QStringLiteral("/damaged"), QStringLiteral("2.copy")).size(), 1);
    DocumentWindows::discardAll(main);

    // The next start finds nothing more to offer or report.
    ScriptedMessageBoxes later;
    frmMain next;
    next.offerRecovery();
    QCOMPARE(later.requests().size(), 0);
}

void TestRecovery::unwritableFolderTurnsRecoveryOff_data()
{
    QTest::addColumn<bool>("fileInTheWay");
    QTest::newRow("a file where the folder should be") << true;
    QTest::newRow("read-only folder") << false;
}

// One message, then editing goes on without copies and without messages.
void TestRecovery::unwritableFolderTurnsRecoveryOff()
{
    QFETCH(bool, fileInTheWay);
    IsolatedSettings settings;
    const QString root = settings.recoveryFolder();
    if (fileInTheWay) {
        QVERIFY(TestFiles::writeFile(root, "not a folder"));
    } else if (!settings.makeRecoveryFolderReadOnly()) {
        QSKIP("The file system cannot make a folder read-only for this user.");
    }
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    frmMain main;
    main.offerRecovery();
    RichTextBox* editor = main.ActiveForm()->rtfText;
    EditorInput::typeText(editor, QStringLiteral("First"));
    takeCopies(main);
    QCOMPARE(boxes.requests().size(), 1);
    QVERIFY2(boxes.texts().first().contains(QDir::toNativeSeparators(root)), qPrintable(boxes.texts().first()));
    EditorInput::typeText(editor, QStringLiteral(" second"));
    QVERIFY(!anyTimerRunning(main.recovery()));
    takeCopies(main);
    QCOMPARE(boxes.requests().size(), 1);
    QCOMPARE(editor->Text(), QStringLiteral("First second"));
    DocumentWindows::discardAll(main);
}

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
