// Text files come back as they were: opened and saved with File > Save,
// every file keeps its bytes, and one typed character adds exactly its own
// bytes in the file's encoding. Text the encoding cannot hold is asked
// about; saves go where the user can write and nowhere else.

#include "app/frmMain.h"
#include "commands/FileCommands.h"
#include "document/frmDocument.h"
#include "helpers/DocumentWindows.h"
#include "helpers/EditorInput.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/ScriptedDialogs.h"
#include "helpers/TestFiles.h"
#include "platform/RichTextBox.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Long enough for the code-page guess to be sure of a short file too.
const QString russian = QStringLiteral(
    "Съешь же ещё этих мягких французских булок, да выпей чаю.\n"
    "Широкая электрификация южных губерний даст мощный толчок подъёму сельского хозяйства.\n"
    "В чащах юга жил бы цитрус? Да, но фальшивый экземпляр!\n"
    "Документ сохранён редактором без изменений: and some English words too.");

QByteArray encoded(const QString& text, const char* encoding)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

QString withLineEnds(const QString& text, const QString& style)
{
    if (style != QLatin1String("mixed")) {
        QString out = text;
        return out.replace(QLatin1Char('\n'), style == QLatin1String("CRLF") ? QStringLiteral("\r\n")
                                                  : style == QLatin1String("CR") ? QStringLiteral("\r")
                                                                                 : QStringLiteral("\n"));
    }
    // Mostly CR LF, one LF, one CR, and the last line ends too.
    QStringList lines = text.split(QLatin1Char('\n'));
    QString out;
    for (qsizetype i = 0; i < lines.size(); ++i)
        out += lines[i] + (i == 1 ? QStringLiteral("\n") : i == 2 ? QStringLiteral("\r") : QStringLiteral("\r\n"));
    return out;
}

} // namespace

class TestTextFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileComesBackAsItWas_data();
    void fileComesBackAsItWas();
    void typedParagraphTakesTheFileLineEnd();
    void unencodableTextIsAskedAbout_data();
    void unencodableTextIsAskedAbout();
    void saveInReadOnlyFolderWritesInPlace();
    void saveKeepsHardLinks();

private:
    frmDocument* open(const QByteArray& bytes);
    QByteArray save(frmDocument* document);

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_main;
};

void TestTextFiles::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    m_dir = std::make_unique<QTemporaryDir>();
    m_main = std::make_unique<frmMain>();
    m_main->show();
}

void TestTextFiles::cleanup()
{
    DocumentWindows::discardAll(*m_main);
    m_main.reset();
    m_dir.reset();
    m_settings.reset();
}

frmDocument* TestTextFiles::open(const QByteArray& bytes)
{
    const QString file = m_dir->filePath(QStringLiteral("file.txt"));
    if (!TestFiles::writeFile(file, bytes) || !m_main->fileCommands()->openFile(file))
        return nullptr;
    return m_main->ActiveForm();
}

QByteArray TestTextFiles::save(frmDocument* document)
{
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    m_main->fileCommands()->mnuFileSave_Click();
    if (!boxes.requests().isEmpty())
        return QByteArrayLiteral("(a message: ") + boxes.texts().join(u'|').toUtf8() + ')';
    return TestFiles::readFile(document->Caption());
}

void TestTextFiles::fileComesBackAsItWas_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("encoding");  // as detected
    QTest::addColumn<QByteArray>("typed");     // the bytes one typed "ж" adds

    const struct {
        const char* name;
        const char* codec;    // for QStringEncoder
        QByteArray mark;
        QByteArray detected;
        QByteArray stray;     // bytes no character of the encoding has
    } encodings[] = {
        {"UTF-8", "UTF-8", {}, "UTF-8", "\xFF"},
        {"UTF-8 BOM", "UTF-8", "\xEF\xBB\xBF", "UTF-8", "\xC0\xAF"},
        {"UTF-16LE BOM", "UTF-16LE", "\xFF\xFE", "UTF-16LE", QByteArray("\x00\xD8", 2)},
        {"UTF-16BE BOM", "UTF-16BE", "\xFE\xFF", "UTF-16BE", QByteArray("\xDC\x00", 2)},
        {"Windows-1251", "windows-1251", {}, "windows-1251", QByteArray("\x98\x00", 2)},
        {"KOI8-R", "KOI8-R", {}, "KOI8-R", QByteArray("\x00", 1)},
        {"CP866", "IBM866", {}, "IBM866", QByteArray("\x00", 1)},
    };
    for (const auto& e : encodings) {
        for (const char* ends : {"LF", "CRLF", "CR", "mixed"}) {
            for (const bool stray : {false, true}) {
                QByteArray bytes = e.mark + encoded(withLineEnds(russian, QLatin1String(ends)), e.codec);
                if (stray)  // in the middle of the first line
                    bytes.insert(20, e.stray);
                QTest::addRow("%s, %s%s", e.name, ends, stray ? ", stray bytes" : "")
                    << bytes << e.detected << encoded(QStringLiteral("ж"), e.codec);
            }
        }
    }
    const QByteArray utf8Cut = russian.toUtf8().chopped(1);
    QTest::newRow("UTF-8, last character cut") << utf8Cut << QByteArray("UTF-8") << QByteArray("ж");
    QTest::newRow("empty file") << QByteArray() << QByteArray("UTF-8") << QByteArray("ж");
    QTest::newRow("NULs") << QByteArray(1000, '\0') << QByteArray("UTF-8") << QByteArray("ж");
    QTest::newRow("UTF-16LE starting with U+0000")
        << QByteArray("\xFF\xFE\x00\x00\x41\x00", 6) << QByteArray("UTF-16LE") << QByteArray("\x36\x04");
    QTest::newRow("UTF-16BE beyond the BMP") << QByteArray("\xFE\xFF\xD8\x3D\xDE\x00\x00\n", 8)
                                              << QByteArray("UTF-16BE") << QByteArray("\x04\x36");
    QTest::newRow("UTF-16LE odd length") << QByteArray("\xFF\xFE\x41\x00\x42", 5) << QByteArray("UTF-16LE")
                                          << QByteArray("\x36\x04");
    // Code points the editor would take for breaks, and the escapes' own range.
    QTest::newRow("UTF-8 separators and private use")
        << QStringLiteral("a\u2028b\u2029c\uFDD0\uF7FF\uF700d\r\n").toUtf8() << QByteArray("UTF-8")
        << QByteArray("ж");
    const QByteArray page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                            "charset=windows-1251\"></head><body>"
        + encoded(QStringLiteral("Привет, мир"), "windows-1251") + "</body></html>\r\n";
    QTest::newRow("web page declaring windows-1251") << page << QByteArray("windows-1251")
                                                     << encoded(QStringLiteral("ж"), "windows-1251");
    QTest::newRow("web page claiming UTF-8 in KOI8-R")
        << "<meta charset=\"utf8\">" + encoded(russian, "KOI8-R") << QByteArray("KOI8-R")
        << encoded(QStringLiteral("ж"), "KOI8-R");
    // A megabyte of ASCII before the first Russian line.
    QTest::newRow("KOI8-R after 1 MB of ASCII")
        << QByteArray(1024 * 1024, 'a') + "\n" + encoded(russian, "KOI8-R") << QByteArray("KOI8-R")
        << encoded(QStringLiteral("ж"), "KOI8-R");
}

// Open and Save without a change gives the same bytes; one typed character
// at the end adds exactly that character in the file's encoding.
void TestTextFiles::fileComesBackAsItWas()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, encoding);
    QFETCH(QByteArray, typed);
    frmDocument* document = open(bytes);
    QVERIFY(document);
    QCOMPARE(document->rtfText->textFileFormat().encoding, encoding);
    QCOMPARE(save(document), bytes);

    document->rtfText->moveCursor(QTextCursor::End);
    EditorInput::typeText(document->rtfText, QStringLiteral("ж"));
    QCOMPARE(save(document), bytes + typed);
}

// A paragraph typed or pasted into a line with another end than most (the
// LF line of a CR LF file) ends as the file's lines do; the line keeps its
// own end.
void TestTextFiles::typedParagraphTakesTheFileLineEnd()
{
    frmDocument* document = open("one\r\ntwo\nthree\r\nfour\r\n");
    QVERIFY(document);
    QTextCursor cursor(document->rtfText->document()->findBlockByNumber(1));
    cursor.movePosition(QTextCursor::EndOfBlock);
    document->rtfText->setTextCursor(cursor);
    for (const char* typed : {"2", "3"}) {
        QTest::keyClick(document->rtfText, Qt::Key_Return);
        EditorInput::typeText(document->rtfText, QString::fromLatin1(typed));
    }
    QCOMPARE(save(document), QByteArray("one\r\ntwo\r\n2\r\n3\nthree\r\nfour\r\n"));
    // Pasted lines the same.
    cursor.setPosition(document->rtfText->document()->findBlockByNumber(3).position());
    document->rtfText->setTextCursor(cursor);
    document->rtfText->setSelText(QStringLiteral("a\nb\n"));
    QCOMPARE(save(document), QByteArray("one\r\ntwo\r\n2\r\na\r\nb\r\n3\nthree\r\nfour\r\n"));
    document->rtfText->undo();
    // Undone in one step each, the line ends come back with the text.
    document->rtfText->undo();
    document->rtfText->undo();
    QCOMPARE(save(document), QByteArray("one\r\ntwo\r\n2\nthree\r\nfour\r\n"));
}

void TestTextFiles::unencodableTextIsAskedAbout_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes: UTF-8 from then on") << true;
    QTest::newRow("no: nothing written") << false;
}

void TestTextFiles::unencodableTextIsAskedAbout()
{
    QFETCH(bool, yes);
    const QByteArray bytes = encoded(withLineEnds(russian, QStringLiteral("CRLF")), "KOI8-R");
    frmDocument* document = open(bytes);
    QVERIFY(document);
    document->rtfText->moveCursor(QTextCursor::End);
    EditorInput::typeText(document->rtfText, QStringLiteral("中"));
    {
        ScriptedMessageBoxes boxes;
        boxes.expect(yes ? MsgResult::Yes : MsgResult::No);
        boxes.expect(MsgResult::OK);
        m_main->fileCommands()->mnuFileSave_Click();
        QCOMPARE(boxes.requests().size(), yes ? 1 : 2);
        const MessageBoxRequest& question = boxes.requests().first();
        QCOMPARE(question.buttons, MsgButtons::YesNo);
        QCOMPARE(question.icon, MsgIcon::Question);
        QVERIFY2(question.text.contains(QStringLiteral("KOI8-R")) && question.text.contains(QStringLiteral("UTF-8"))
                     && question.text.contains(QStringLiteral("中")),
                 qPrintable(question.text));
        if (!yes)
            QVERIFY2(boxes.texts().last().contains(QStringLiteral("не записан")), qPrintable(boxes.texts().last()));
    }
    const QByteArray utf8 = withLineEnds(russian, QStringLiteral("CRLF")).toUtf8() + "中";
    QCOMPARE(TestFiles::readFile(document->Caption()), yes ? utf8 : bytes);
    // Yes: the document is UTF-8 now, and saves without asking again.
    if (yes)
        QCOMPARE(save(document), utf8);
}

// A writable file in a folder that takes no new files is written in place.
void TestTextFiles::saveInReadOnlyFolderWritesInPlace()
{
    const QString file = m_settings->programFolder() + QStringLiteral("/doc.txt");
    QVERIFY(TestFiles::writeFile(file, "old\n"));
    QVERIFY(m_main->fileCommands()->openFile(file));
    m_settings->makeProgramFolderReadOnly();
    if (!m_settings->programFolderIsReadOnly())
        QSKIP("folder permissions do not stop this user here");
    frmDocument* document = m_main->ActiveForm();
    document->rtfText->moveCursor(QTextCursor::End);
    EditorInput::typeText(document->rtfText, QStringLiteral("new"));
    QCOMPARE(save(document), QByteArray("old\nnew"));
}

// Both names of a hard-linked file see the new text, through the same inode.
void TestTextFiles::saveKeepsHardLinks()
{
#ifdef Q_OS_UNIX
    const QString file = m_dir->filePath(QStringLiteral("a.txt"));
    const QString other = m_dir->filePath(QStringLiteral("b.txt"));
    QVERIFY(TestFiles::writeFile(file, "first"));
    QCOMPARE(::link(QFile::encodeName(file).constData(), QFile::encodeName(other).constData()), 0);
    struct stat before;
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &before), 0);
    QVERIFY(m_main->fileCommands()->openFile(file));
    frmDocument* document = m_main->ActiveForm();
    document->rtfText->moveCursor(QTextCursor::End);
    EditorInput::typeText(document->rtfText, QStringLiteral(" и второй"));
    QCOMPARE(save(document), QStringLiteral("first и второй").toUtf8());
    QCOMPARE(TestFiles::readFile(other), QStringLiteral("first и второй").toUtf8());
    struct stat after;
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_nlink, nlink_t(2));

    // A write in place that runs out of room (a file-size limit stops every
    // user, root included) leaves the old content whole.
    const QByteArray old = TestFiles::readFile(file);
    EditorInput::typeText(document->rtfText, QString(100, u'ы'));
    rlimit saved{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(old.size() + 10);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    const QByteArray result = save(document);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY2(result.startsWith("(a message: "), result.constData());
    QCOMPARE(TestFiles::readFile(file), old);
    QCOMPARE(TestFiles::readFile(other), old);
#else
    QSKIP("hard links are a POSIX matter here");
#endif
}

QTEST_MAIN(TestTextFiles)
#include "tst_textfiles.moc"
