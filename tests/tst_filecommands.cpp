// The File menu's commands as a user meets them: open, save, save as, print,
// page setup and delete, reached from the menu, the toolbar and the command
// line, with the dialogs answered by scripts and the files in a temporary
// folder.

#include "app/AppStartup.h"
#include "app/MainMenu.h"
#include "app/MainToolBar.h"
#include "app/frmMain.h"
#include "commands/FileCommands.h"
#include "commands/frmDeleteQuestion.h"
#include "document/frmDocument.h"
#include "helpers/DocumentWindows.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/NamedPart.h"
#include "helpers/ScriptedDialogs.h"
#include "helpers/TestFiles.h"
#include "platform/RichTextBox.h"
#include "platform/TextCodec.h"
#include "platform/Twips.h"
#include "rtf/RtfReader.h"
#include "texts/UiTexts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageRanges>
#include <QPrinter>
#include <QProcess>
#include <QRandomGenerator>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// Answers the next frmDeleteQuestion with a key as soon as it shows, and
// notes its question. A dialog that should not have shown is answered too,
// so a failing test cannot hang.
class DeleteQuestionAnswer : public QObject
{
public:
    explicit DeleteQuestionAnswer(Qt::Key key)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, key] {
            auto* question = qobject_cast<frmDeleteQuestion*>(QApplication::activeModalWidget());
            if (!question || !question->isVisible())
                return;
            m_timer.stop();
            ++shown;
            label = question->Label1->text();
            looks = question->windowTitle() == QStringLiteral("Запрос об удалении файла")
                && question->OKButton->text() == QStringLiteral("Да")
                && question->CancelButton->text() == QStringLiteral("Нет")
                && question->Label1->textFormat() == Qt::PlainText
                && question->Picture1->pixmap().size() == QSize(32, 32);
            QTest::keyClick(question, key);
        });
        m_timer.start(5);
    }

    int shown = 0;
    QString label;
    bool looks = false;  // caption, buttons, picture

private:
    QTimer m_timer;
};

// The words pdftotext finds in a PDF file, or an empty list without it.
QStringList pdfWords(const QString& pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf,
                                                QStringLiteral("-")});
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).split(QRegularExpression(QStringLiteral("\\s+")),
                                                                    Qt::SkipEmptyParts);
}

// What a saved file holds: RTF or plain text in the program's code page,
// either with the editor's text, or something else.
enum class Format { Rtf, Text, Neither };

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openMakesANewNumberedWindow();
    void openDecodesTheFile_data();
    void openDecodesTheFile();
    void openFailures_data();
    void openFailures();
    void saveFormatFollowsFilterThenCaption_data();
    void saveFormatFollowsFilterThenCaption();
    void saveOnUntitledAndWhatTheDialogKeeps();
    void writeFailures_data();
    void writeFailures();
    void printsSelectionOrWholeDocument_data();
    void printsSelectionOrWholeDocument();
    void printHonoursRangeCopiesAndOrder_data();
    void printHonoursRangeCopiesAndOrder();
    void pageSetupWithoutDocument();
    void deleteConfirmed_data();
    void deleteConfirmed();
    void deleteActsOnTheActiveDocumentOnly();
    void deleteQuestionShowsWhichFile();
    void menuAndToolbarReachTheHandlers_data();
    void menuAndToolbarReachTheHandlers();
    void commandLineFilesOpenAsOpenWould();

private:
    FileCommands& commands() { return *m_main->fileCommands(); }
    QString path(const QString& name) const { return m_dir->filePath(name); }
    // Opens a file as the Open command does, through its dialog.
    frmDocument* openThroughDialog(const QString& file);
    static Format formatOf(const QString& file, const QString& text);

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_main;
};

void TestFileCommands::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    m_dir = std::make_unique<QTemporaryDir>();
    m_main = std::make_unique<frmMain>();
    m_main->show();
}

void TestFileCommands::cleanup()
{
    // Whatever is still open closes without questions.
    DocumentWindows::discardAll(*m_main);
    m_main.reset();
    m_dir.reset();
    m_settings.reset();
}

frmDocument* TestFileCommands::openThroughDialog(const QString& file)
{
    ScriptedCommonDialogs dialogs;
    dialogs.expect(CommonDialogKind::Open, ScriptedCommonDialogs::open(file));
    commands().mnuFileOpen_Click();
    return m_main->ActiveForm();
}

Format TestFileCommands::formatOf(const QString& file, const QString& text)
{
    const QByteArray bytes = TestFiles::readFile(file);
    if (RtfReader::isRtf(bytes)) {
        RichTextBox reader;
        reader.setTextRTF(bytes);
        return reader.Text() == text ? Format::Rtf : Format::Neither;
    }
    // Plain text must be the editor's text exactly, with nothing lost.
    return TextCodec::decode(bytes) == text ? Format::Text : Format::Neither;
}

// Open as the first action: window 2 with the file's path, Документ 1 stays.
// A cancelled Open moves no counter.
void TestFileCommands::openMakesANewNumberedWindow()
{
    const QString file = path(QStringLiteral("заметка.txt"));
    QVERIFY(TestFiles::writeFile(file, QStringLiteral("Привет").toUtf8()));
    {
        ScriptedCommonDialogs dialogs;
        dialogs.expect(CommonDialogKind::Open, ScriptedCommonDialogs::cancel());
        commands().mnuFileOpen_Click();
        QCOMPARE(dialogs.shown().size(), 1);
        const ScriptedCommonDialogs::Shown& shown = dialogs.shown().first();
        QCOMPARE(shown.title, QStringLiteral("Открыть"));
        QCOMPARE(shown.flags, quint32(0x1000));
        QCOMPARE(shown.filter, QStringLiteral("Текстовые документы|*.txt|Web страница|*.htm|"
                                              "RTF text (*.rtf)|*.rtf|Все файлы (*.*)|*.*"));
        QVERIFY(!shown.cancelError);
    }
    QCOMPARE(m_main->DocumentCounter, 1);
    QCOMPARE(DocumentWindows::captions(*m_main), QStringList{QStringLiteral("Документ 1")});

    frmDocument* opened = openThroughDialog(file);
    QCOMPARE(DocumentWindows::captions(*m_main), (QStringList{QStringLiteral("Документ 1"), file}));
    QCOMPARE(m_main->DocumentCounter, 2);
    QCOMPARE(opened->rtfText->Text(), QStringLiteral("Привет"));
    // The next new document is number 3.
    m_main->CreateDocumentWindow();
    QCOMPARE(m_main->ActiveForm()->Caption(), QStringLiteral("Документ 3"));
}

void TestFileCommands::openDecodesTheFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString russian = QStringLiteral("Съешь же ещё этих мягких булок\nand some tea");
    QStringEncoder cp1251("windows-1251");
    QTest::newRow("Windows-1251") << QByteArray(cp1251.encode(russian)) << russian;
    QTest::newRow("UTF-8") << russian.toUtf8() << russian;
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" + russian.toUtf8()) << russian;
    QTest::newRow("CR LF") << QByteArray("one\r\ntwo\r\n") << QStringLiteral("one\ntwo\n");
    QTest::newRow("NUL bytes") << QByteArray("before\0middle\0after", 19)
                               << QString::fromUtf8("before\0middle\0after", 19);
    QTest::newRow("RTF in a .txt") << QByteArray("{\\rtf1\\ansi {\\b bold} plain}") << QStringLiteral("bold plain");
    // Not text at all: every byte still comes through, as Windows-1251.
    QRandomGenerator random(1251);
    QByteArray binary(64 * 1024, Qt::Uninitialized);
    for (char& byte : binary)
        byte = char(random.bounded(256));
    QString decoded = TextCodec::decode(binary);
    decoded.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTest::newRow("binary") << binary << decoded;
}

// Whatever the name, the content decides: Russian text from Windows, UTF-8
// with or without a byte-order mark, RTF; NUL bytes do not end the text.
void TestFileCommands::openDecodesTheFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString file = path(QStringLiteral("file.txt"));
    QVERIFY(TestFiles::writeFile(file, bytes));
    frmDocument* opened = openThroughDialog(file);
    QCOMPARE(opened->Caption(), file);
    QCOMPARE(opened->rtfText->Text(), text);
}

void TestFileCommands::openFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QStringLiteral("нет.txt") << QStringLiteral("не найден");
    QTest::newRow("folder") << QStringLiteral("папка") << QStringLiteral("это папка");
    QTest::newRow("through a file") << QStringLiteral("file.txt/x.txt") << QStringLiteral("не найден");
    QTest::newRow("unreadable") << QStringLiteral("secret.txt") << QStringLiteral("Нет прав");
    QTest::newRow("endless device") << QStringLiteral("/dev/zero") << QStringLiteral("не обычный файл");
}

// A file that cannot be read: a message naming it and why, no window left
// behind, and the next document keeps the next number.
void TestFileCommands::openFailures()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    const QString file = name.startsWith(QLatin1Char('/')) ? name : path(name);
    if (!QFileInfo::exists(file) && file == name)
        QSKIP("no such device here");
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("папка")));
    QVERIFY(TestFiles::writeFile(path(QStringLiteral("file.txt")), "x"));
    QVERIFY(TestFiles::writeFile(path(QStringLiteral("secret.txt")), "x"));
    QFile::setPermissions(path(QStringLiteral("secret.txt")), QFileDevice::WriteOwner);
    if (name == QLatin1String("secret.txt") && QFileInfo(file).isReadable())
        QSKIP("file permissions do not stop this user");

    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    openThroughDialog(file);
    QCOMPARE(boxes.requests().size(), 1);
    QVERIFY2(boxes.texts().first().contains(file), qPrintable(boxes.texts().first()));
    QVERIFY2(boxes.texts().first().contains(reason), qPrintable(boxes.texts().first()));
    QCOMPARE(boxes.requests().first().icon, MsgIcon::Exclamation);
    QCOMPARE(DocumentWindows::captions(*m_main), QStringList{QStringLiteral("Документ 1")});
    QCOMPARE(m_main->DocumentCounter, 1);
}

void TestFileCommands::saveFormatFollowsFilterThenCaption_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filterIndex");  // 0: the document already has this name
    QTest::addColumn<int>("afterSaveAs");
    QTest::addColumn<int>("afterSave");
    const int rtf = int(Format::Rtf), text = int(Format::Text);
    QTest::newRow("RTF capitals are not rtf") << "a.RTF" << 0 << -1 << text;
    QTest::newRow("rtf without a dot") << "notes-rtf" << 0 << -1 << rtf;
    QTest::newRow("all files, a.rtf") << "a.rtf" << 4 << text << rtf;
    QTest::newRow("RTF entry, no extension") << "a" << 3 << rtf << text;
    QTest::newRow("web page entry") << "page.htm" << 2 << text << text;
    QTest::newRow("text entry") << "a.txt" << 1 << text << text;
}

// Save As writes the format of the chosen filter entry, whatever the name;
// a later Save writes the format the caption's last three letters decide,
// with no dialog.
void TestFileCommands::saveFormatFollowsFilterThenCaption()
{
    QFETCH(QString, name);
    QFETCH(int, filterIndex);
    QFETCH(int, afterSaveAs);
    QFETCH(int, afterSave);
    const QString file = path(name);
    frmDocument* document = m_main->ActiveForm();
    RichTextBox* editor = document->rtfText;
    // Nothing typed may be lost, whatever the code page.
    editor->setText(QStringLiteral("Жирное <b>слово</b> 日本 ") + QString::fromUcs4(U"\U0001F600"));
    editor->setSelStart(0);
    editor->setSelLength(6);
    editor->setSelBold(true);

    if (filterIndex > 0) {
        ScriptedCommonDialogs dialogs;
        dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(file, filterIndex));
        commands().mnuFileSaveAs_Click();
        QCOMPARE(dialogs.remaining(), 0);
        QCOMPARE(document->Caption(), file);
        QCOMPARE(int(formatOf(file, editor->Text())), afterSaveAs);
        QVERIFY(!QFile::exists(file + QStringLiteral(".rtf")) && !QFile::exists(file + QStringLiteral(".txt")));
    } else {
        document->setCaption(file);
    }

    editor->setSelStart(editor->textLength());
    editor->setSelText(QStringLiteral("\nещё"));
    ScriptedCommonDialogs dialogs;
    commands().mnuFileSave_Click();
    QCOMPARE(dialogs.shown().size(), 0);
    QCOMPARE(document->Caption(), file);
    QCOMPARE(int(formatOf(file, editor->Text())), afterSave);
}

// Save on an untitled document runs Save As, and cancelling leaves it
// untitled. The shared dialog offers the last name and filter entry, not the
// document's own path; Open leaves the filter entry it found.
void TestFileCommands::saveOnUntitledAndWhatTheDialogKeeps()
{
    const QString first = path(QStringLiteral("first.rtf"));
    const QString opened = path(QStringLiteral("opened.txt"));
    QVERIFY(TestFiles::writeFile(opened, "x"));
    frmDocument* document = m_main->ActiveForm();
    document->rtfText->setText(QStringLiteral("один"));
    ScriptedCommonDialogs dialogs;
    dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::cancel());
    commands().mnuFileSave_Click();
    QCOMPARE(document->Caption(), QStringLiteral("Документ 1"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("opened.txt")});

    dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(first, 3));
    commands().mnuFileSaveAs_Click();
    dialogs.expect(CommonDialogKind::Open, ScriptedCommonDialogs::open(opened));
    commands().mnuFileOpen_Click();
    dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::cancel());
    commands().mnuFileSaveAs_Click();

    const QList<ScriptedCommonDialogs::Shown>& shown = dialogs.shown();
    QCOMPARE(shown.size(), 4);
    for (int i : {0, 1, 3}) {
        QCOMPARE(shown.at(i).title, QStringLiteral("Сохранить как..."));
        QCOMPARE(shown.at(i).flags, quint32(2));
        QCOMPARE(shown.at(i).filter, UiTexts::SaveFilter);
        QVERIFY(!shown.at(i).cancelError);
    }
    QCOMPARE(shown.at(2).fileName, first);
    QCOMPARE(shown.at(2).filterIndex, 3);
    QCOMPARE(shown.at(3).fileName, opened);
    QCOMPARE(shown.at(3).filterIndex, 3);
}

void TestFileCommands::writeFailures_data()
{
    QTest::addColumn<QString>("command");  // "save" or "save as"
    QTest::addColumn<bool>("rtf");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    // Save finds the format in the name, Save As in the filter entry; both
    // get a name that ends the way the format does.
    const struct {
        const char* name;
        const char* text;
        const char* rtf;
        const char* reason;
    } targets[] = {
        {"missing folder", "нет/файл.txt", "нет/файл.rtf", "не найдена"},
        {"through a file", "old.txt/файл.txt", "old.txt/файл.rtf", "не найдена"},
        {"folder as target", "папка", "папка.rtf", "это папка"},
        {"read-only file", "old.txt", "old.rtf", "защищён от записи"},
        {"FIFO at the path", "канал.txt", "канал.rtf", "это канал (FIFO)"},
    };
    for (const auto& t : targets) {
        for (const char* command : {"save", "save as"}) {
            for (const bool rtf : {false, true}) {
                QTest::addRow("%s, %s %s", t.name, command, rtf ? "RTF" : "text")
                    << QString::fromLatin1(command) << rtf << QString::fromUtf8(rtf ? t.rtf : t.text)
                    << QString::fromUtf8(t.reason);
            }
        }
    }
}

// A write that fails names the file and the reason, and changes nothing: not
// the old file, not the caption, not the text.
void TestFileCommands::writeFailures()
{
    QFETCH(QString, command);
    QFETCH(bool, rtf);
    QFETCH(QString, target);
    QFETCH(QString, reason);
    const QDir dir(m_dir->path());
    QVERIFY(dir.mkdir(QStringLiteral("папка")) && dir.mkdir(QStringLiteral("папка.rtf")));
    const QStringList olds{path(QStringLiteral("old.txt")), path(QStringLiteral("old.rtf"))};
    for (const QString& old : olds)
        QVERIFY(TestFiles::writeFile(old, "old content"));
    const QString file = path(target);
#ifdef Q_OS_UNIX
    for (const char* fifo : {"канал.txt", "канал.rtf"})
        QCOMPARE(::mkfifo(QFile::encodeName(path(QString::fromUtf8(fifo))).constData(), 0600), 0);
#else
    if (target.startsWith(QStringLiteral("канал")))
        QSKIP("no FIFOs here");
#endif
    if (olds.contains(file)) {
        QFile::setPermissions(file, QFileDevice::ReadOwner);
        if (QFileInfo(file).isWritable())
            QSKIP("file permissions do not stop this user");
    }

    frmDocument* document = m_main->ActiveForm();
    document->rtfText->setText(QStringLiteral("новый текст"));
    const QString caption = command == QLatin1String("save") ? file : document->Caption();
    document->setCaption(caption);
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    ScriptedCommonDialogs dialogs;
    if (command == QLatin1String("save")) {
        commands().mnuFileSave_Click();
    } else {
        dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(file, rtf ? 3 : 1));
        commands().mnuFileSaveAs_Click();
    }
    QCOMPARE(boxes.requests().size(), 1);
    const QString message = boxes.texts().first();
    QVERIFY2(message.startsWith(QStringLiteral("Не удалось сохранить файл ") + file), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    QCOMPARE(document->Caption(), caption);
    QCOMPARE(document->rtfText->Text(), QStringLiteral("новый текст"));
    for (const QString& old : olds)
        QCOMPARE(TestFiles::readFile(old), QByteArray("old content"));
    QVERIFY(QFileInfo(path(QStringLiteral("папка"))).isDir());
#ifdef Q_OS_UNIX
    struct stat st;
    QVERIFY(::stat(QFile::encodeName(path(QStringLiteral("канал.txt"))).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
#endif
}

void TestFileCommands::printsSelectionOrWholeDocument_data()
{
    QTest::addColumn<int>("selectionStart");
    QTest::addColumn<int>("selectionLength");
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QStringList>("notPrinted");
    // "Alpha Бета Gamma\nДельта Epsilon"
    QTest::newRow("whole document") << 0 << 0 << quint32(0x108)
                                    << QStringList{"Alpha", "Бета", "Gamma", "Дельта", "Epsilon"} << QStringList{};
    QTest::newRow("a few words") << 6 << 10 << quint32(0x109) << QStringList{"Бета", "Gamma"}
                                 << QStringList{"Alpha", "Дельта", "Epsilon"};
    QTest::newRow("across paragraphs") << 11 << 12 << quint32(0x109) << QStringList{"Gamma", "Дельта"}
                                       << QStringList{"Alpha", "Бета", "Epsilon"};
}

// The print dialog offers the selection exactly when there is one; what is
// printed is the selection or the whole document, as many times as asked.
void TestFileCommands::printsSelectionOrWholeDocument()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QFETCH(int, selectionStart);
    QFETCH(int, selectionLength);
    QFETCH(quint32, flags);
    QFETCH(QStringList, printed);
    QFETCH(QStringList, notPrinted);
    RichTextBox* editor = m_main->ActiveForm()->rtfText;
    editor->setText(QStringLiteral("Alpha Бета Gamma\nДельта Epsilon"));
    editor->setSelStart(selectionStart);
    editor->setSelLength(selectionLength);

    const QString pdf = path(QStringLiteral("out.pdf"));
    {
        ScriptedCommonDialogs dialogs;
        dialogs.expect(CommonDialogKind::Printer, ScriptedCommonDialogs::cancel());
        commands().mnuFilePrint_Click();
        QCOMPARE(dialogs.shown().size(), 1);
        QCOMPARE(dialogs.shown().first().title, QStringLiteral("Печать"));
        QCOMPARE(dialogs.shown().first().flags, flags);
        QVERIFY(dialogs.shown().first().cancelError);
        QVERIFY(!QFile::exists(pdf));
    }
    ScriptedCommonDialogs dialogs;
    ScriptedMessageBoxes boxes;
    dialogs.expect(CommonDialogKind::Printer, [pdf](CommonDialog& dialog) {
        // The user asks for all pages and two copies.
        dialog.printer()->setPrintRange(QPrinter::AllPages);
        dialog.printer()->setCopyCount(2);
        return ScriptedCommonDialogs::printToFile(pdf)(dialog);
    });
    commands().mnuFilePrint_Click();
    QCOMPARE(boxes.requests().size(), 0);
    const QStringList words = pdfWords(pdf);
    for (const QString& word : printed)
        QVERIFY2(words.count(word) == 2, qPrintable(word + QStringLiteral(" in ") + words.join(' ')));
    for (const QString& word : notPrinted)
        QVERIFY2(!words.contains(word), qPrintable(word + QStringLiteral(" in ") + words.join(' ')));
    // The editor's own document and selection are as they were.
    QCOMPARE(editor->SelStart(), selectionStart);
    QCOMPARE(editor->SelLength(), selectionLength);
    QCOMPARE(editor->Text(), QStringLiteral("Alpha Бета Gamma\nДельта Epsilon"));
}

void TestFileCommands::printHonoursRangeCopiesAndOrder_data()
{
    QTest::addColumn<QString>("range");  // empty: all pages
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("collate");
    QTest::addColumn<bool>("lastFirst");
    QTest::addColumn<QString>("pages");  // the pages printed, in order

    QTest::newRow("all pages once") << "" << 1 << true << false << "123";
    QTest::newRow("two copies, collated") << "" << 2 << true << false << "123123";
    QTest::newRow("two copies, page by page") << "" << 2 << false << false << "112233";
    QTest::newRow("pages 2 to 3") << "2-3" << 1 << true << false << "23";
    QTest::newRow("page 2, three copies") << "2" << 3 << true << false << "222";
    QTest::newRow("last page first") << "" << 1 << true << true << "321";
}

// What the user chose in the print dialog reaches the paper (here a PDF
// file, which makes no copies of its own).
void TestFileCommands::printHonoursRangeCopiesAndOrder()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QFETCH(QString, range);
    QFETCH(int, copies);
    QFETCH(bool, collate);
    QFETCH(bool, lastFirst);
    QFETCH(QString, pages);
    // Three pages, each starting with a word that names it.
    RichTextBox* editor = m_main->ActiveForm()->rtfText;
    editor->setText(QStringLiteral("Page1\nPage2\nPage3"));
    QTextBlockFormat pageBreak;
    pageBreak.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    for (QTextBlock block = editor->document()->firstBlock().next(); block.isValid(); block = block.next())
        QTextCursor(block).mergeBlockFormat(pageBreak);

    const QString pdf = path(QStringLiteral("pages.pdf"));
    ScriptedCommonDialogs dialogs;
    dialogs.expect(CommonDialogKind::Printer, [&](CommonDialog& dialog) {
        QPrinter* printer = dialog.printer();
        printer->setPrintRange(range.isEmpty() ? QPrinter::AllPages : QPrinter::PageRange);
        printer->setPageRanges(QPageRanges::fromString(range));
        printer->setCopyCount(copies);
        printer->setCollateCopies(collate);
        printer->setPageOrder(lastFirst ? QPrinter::LastPageFirst : QPrinter::FirstPageFirst);
        return ScriptedCommonDialogs::printToFile(pdf)(dialog);
    });
    commands().mnuFilePrint_Click();
    QString printed;
    for (const QString& word : pdfWords(pdf)) {
        if (word.startsWith(QLatin1String("Page")))
            printed += word.mid(4);
    }
    QCOMPARE(printed, pages);
}

// Page Setup needs no document, shows the page set-up dialog and says
// nothing when cancelled; the flags the last command left stay.
void TestFileCommands::pageSetupWithoutDocument()
{
    m_main->mdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(m_main->ActiveForm(), nullptr);
    ScriptedMessageBoxes boxes;
    ScriptedCommonDialogs dialogs;
    namedPart<CommonDialog>(*m_main, "dlgCommonDialog")->Flags = 0x109;
    quint32 flagsShown = 0;
    dialogs.expect(CommonDialogKind::Printer, [&flagsShown](CommonDialog& dialog) {
        flagsShown = dialog.Flags;
        return false;
    });
    commands().mnuFilePageSetup_Click();
    // Print does nothing without a document.
    commands().mnuFilePrint_Click();
    QCOMPARE(dialogs.shown().size(), 1);
    QCOMPARE(dialogs.shown().first().title, QStringLiteral("Page Setup"));
    QVERIFY(dialogs.shown().first().cancelError);
    QCOMPARE(flagsShown, quint32(0x109 | CommonDialog::PD_PRINTSETUP));
    QCOMPARE(namedPart<CommonDialog>(*m_main, "dlgCommonDialog")->Flags, quint32(0x109));
    QCOMPARE(boxes.requests().size(), 0);
}

void TestFileCommands::deleteConfirmed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("confirm");      // the key answering the question
    QTest::addColumn<int>("prompt");       // the answer to the save prompt, 0 if none
    QTest::addColumn<QString>("saveTo");   // where the prompt's save dialog saves
    QTest::addColumn<bool>("fileStays");
    QTest::addColumn<bool>("windowStays");
    QTest::addColumn<QString>("message");  // "kept" or "failed": the message shown at the end
    const int yes = int(MsgResult::Yes), no = int(MsgResult::No), cancel = int(MsgResult::Cancel);
    QTest::newRow("empty editor") << "" << int(Qt::Key_Return) << 0 << "" << false << false << "";
    QTest::newRow("text, No") << "текст" << int(Qt::Key_Return) << no << "" << false << false << "";
    QTest::newRow("text, Cancel") << "текст" << int(Qt::Key_Enter) << cancel << "" << false << true << "";
    QTest::newRow("Нет") << "текст" << int(Qt::Key_Escape) << 0 << "" << true << true << "";
    QTest::newRow("saved elsewhere") << "текст" << int(Qt::Key_Return) << yes << "other.txt" << false << false
                                     << "";
    // The user's last word was to save into the very file: it stays.
    QTest::newRow("saved into that file") << "сохранить" << int(Qt::Key_Return) << yes << "doomed.txt" << true
                                          << false << "kept";
    QTest::newRow("already gone") << "" << int(Qt::Key_Return) << 0 << "" << false << false << "failed";
}

void TestFileCommands::deleteConfirmed()
{
    QFETCH(QString, text);
    QFETCH(int, confirm);
    QFETCH(int, prompt);
    QFETCH(QString, saveTo);
    QFETCH(bool, fileStays);
    QFETCH(bool, windowStays);
    QFETCH(QString, message);
    const QString file = path(QStringLiteral("doomed.txt"));
    QVERIFY(TestFiles::writeFile(file, "on disk"));
    frmDocument* document = openThroughDialog(file);
    document->rtfText->setText(text);
    if (QTest::currentDataTag() == QLatin1String("already gone"))
        QVERIFY(QFile::remove(file));

    ScriptedMessageBoxes boxes;
    ScriptedCommonDialogs dialogs;
    if (prompt)
        boxes.expect(MsgResult(prompt));
    if (!saveTo.isEmpty())
        dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(path(saveTo), 1));
    if (!message.isEmpty())
        boxes.expect(MsgResult::OK);
    DeleteQuestionAnswer answer{Qt::Key(confirm)};
    m_main->menu()->mnufiledelete->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(answer.shown, 1);
    QVERIFY(answer.looks);
    QCOMPARE(answer.label, QStringLiteral("Вы действительно хотите удалить  ") + file + QStringLiteral("?"));
    QCOMPARE(boxes.remaining(), 0);
    QCOMPARE(boxes.unexpected(), 0);
    QCOMPARE(dialogs.remaining(), 0);
    QCOMPARE(QFile::exists(file), fileStays);
    if (fileStays && !saveTo.isEmpty())
        QCOMPARE(TextCodec::decode(TestFiles::readFile(file)), text);
    QCOMPARE(DocumentWindows::captions(*m_main).contains(file), windowStays);
    QVERIFY(DocumentWindows::captions(*m_main).contains(QStringLiteral("Документ 1")));
    if (message == QLatin1String("kept")) {
        QCOMPARE(boxes.texts().last(), UiTexts::DeleteKeptSaved.arg(file));
    } else if (message == QLatin1String("failed")) {
        const QString shown = boxes.texts().last();
        QVERIFY2(shown.startsWith(QStringLiteral("Не удалось удалить файл ") + file + QLatin1Char(':'))
                     && shown.contains(QStringLiteral("не найден")),
                 qPrintable(shown));
    }
}

// Of two documents from files, Delete names, removes and closes the active
// one only; an untitled document is refused without a question.
void TestFileCommands::deleteActsOnTheActiveDocumentOnly()
{
    const QString first = path(QStringLiteral("a.txt"));
    const QString second = path(QStringLiteral("b.txt"));
    QVERIFY(TestFiles::writeFile(first, ""));
    QVERIFY(TestFiles::writeFile(second, ""));
    openThroughDialog(first);
    openThroughDialog(second);
    {
        DeleteQuestionAnswer answer(Qt::Key_Return);
        commands().mnufiledelete_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(answer.label, QStringLiteral("Вы действительно хотите удалить  ") + second + QStringLiteral("?"));
    }
    QVERIFY(QFile::exists(first));
    QVERIFY(!QFile::exists(second));
    QCOMPARE(DocumentWindows::captions(*m_main), (QStringList{QStringLiteral("Документ 1"), first}));

    m_main->mdiArea()->setActiveSubWindow(m_main->mdiArea()->subWindowList().first());
    QCOMPARE(m_main->ActiveForm()->Caption(), QStringLiteral("Документ 1"));
    DeleteQuestionAnswer answer(Qt::Key_Return);
    commands().mnufiledelete_Click();
    QTest::qWait(20);
    QCOMPARE(answer.shown, 0);
    QCOMPARE(DocumentWindows::captions(*m_main), (QStringList{QStringLiteral("Документ 1"), first}));
}

// However long the path, the question fits its label with the file's name
// in view; the whole path is the tooltip. The dialog has the form font.
void TestFileCommands::deleteQuestionShowsWhichFile()
{
    const QString name = QStringLiteral("отчёт за квартал.txt");
    const QString folder = QStringLiteral("/home/user/Документы/Проекты/2024/").repeated(4);
    for (const QString& file : {QStringLiteral("/tmp/") + name, folder + name, folder + QString(120, u'x')}) {
        frmDeleteQuestion question(file);
        QLabel* label = question.Label1;
        QCOMPARE(label->size(), QSize(Twips::toPixels(5655), Twips::toPixels(495)));
        QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->text()));
        QCOMPARE(label->toolTip(), file);
        QCOMPARE(question.font().pointSize(), 8);
        QCOMPARE(label->font().pointSize(), 8);
        const QString expected = QStringLiteral("Вы действительно хотите удалить  ") + file + u'?';
        if (file.size() < 50)
            QCOMPARE(label->text(), expected);
        else if (file.endsWith(name))
            QVERIFY2(label->text().endsWith(u'/' + name + u'?') && label->text().contains(QChar(0x2026)),
                     qPrintable(label->text()));
    }
}

void TestFileCommands::menuAndToolbarReachTheHandlers_data()
{
    QTest::addColumn<QString>("action");  // a menu item's name, or a toolbar key
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    const int open = int(CommonDialogKind::Open), save = int(CommonDialogKind::Save),
              printer = int(CommonDialogKind::Printer);
    QTest::newRow("menu Open") << "mnuFileOpen" << open << "Открыть";
    QTest::newRow("toolbar Open") << "Open" << open << "Открыть";
    QTest::newRow("menu Save") << "mnuFileSave" << save << "Сохранить как...";
    QTest::newRow("toolbar Save") << "Save" << save << "Сохранить как...";
    QTest::newRow("menu Save As") << "mnuFileSaveAs" << save << "Сохранить как...";
    QTest::newRow("menu Print") << "mnuFilePrint" << printer << "Печать";
    QTest::newRow("toolbar Print") << "Print" << printer << "Печать";
    QTest::newRow("menu Page Setup") << "mnuFilePageSetup" << printer << "Page Setup";
}

void TestFileCommands::menuAndToolbarReachTheHandlers()
{
    QFETCH(QString, action);
    QFETCH(int, kind);
    QFETCH(QString, title);
    QAction* item = action.startsWith(QLatin1String("mnu")) ? m_main->findChild<QAction*>(action)
                                                            : namedPart<MainToolBar>(*m_main, "tbToolBar")->Button(action);
    QVERIFY(item);
    ScriptedCommonDialogs dialogs;
    dialogs.expect(CommonDialogKind(kind), ScriptedCommonDialogs::cancel());
    item->trigger();
    QCOMPARE(dialogs.shown().size(), 1);
    QCOMPARE(int(dialogs.shown().first().kind), kind);
    QCOMPARE(dialogs.shown().first().title, title);
}

// Files named on the command line open as Open would, in their order, with
// absolute paths as captions; one that cannot be read gets Open's message
// and the rest still open.
void TestFileCommands::commandLineFilesOpenAsOpenWould()
{
    const QString first = path(QStringLiteral("первый.txt"));
    QVERIFY(TestFiles::writeFile(first, QStringLiteral("один").toUtf8()));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub")));
    const QString second = path(QStringLiteral("sub/второй.rtf"));
    QVERIFY(TestFiles::writeFile(second, "{\\rtf1 {\\i two}}"));
    const QString missing = path(QStringLiteral("нет.txt"));

    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(path(QStringLiteral("sub"))));
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    AppStartup::openFiles(*m_main, {first, missing, QStringLiteral("../sub/второй.rtf")});
    QDir::setCurrent(previous);

    QCOMPARE(DocumentWindows::captions(*m_main), (QStringList{QStringLiteral("Документ 1"), first, second}));
    QCOMPARE(m_main->DocumentCounter, 3);
    QCOMPARE(boxes.texts(), QStringList{UiTexts::OpenFailed.arg(missing, QStringLiteral("Файл «%1» не найден.").arg(missing))});
    QCOMPARE(m_main->ActiveForm()->Caption(), second);
    QCOMPARE(m_main->ActiveForm()->rtfText->Text(), QStringLiteral("two"));
    m_main->ActiveForm()->rtfText->setSelStart(1);
    QCOMPARE(m_main->ActiveForm()->rtfText->SelItalic(), std::optional<bool>(true));
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
