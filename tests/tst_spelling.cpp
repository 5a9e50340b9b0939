// Spelling: which words are looked at, the checker's verdicts, the marks an
// editor draws, a suggestion put in place, the user's own words, and a
// system without (or with broken) dictionaries. The user's real word list is
// never read: every checker here keeps its words in a temporary folder.

#include "platform/RichTextBox.h"
#include "platform/SpellChecker.h"
#include "platform/SpellWordScanner.h"
#include "helpers/EditorInput.h"
#include "helpers/TestFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace {

QStringList wordsOf(const QString& text)
{
    QStringList words;
    for (const SpellWordScanner::Word& word : SpellWordScanner::words(text))
        words.append(text.mid(word.start, word.length));
    return words;
}

QStringList misspeltIn(RichTextBox& box)
{
    QStringList words;
    const QString text = box.Text();
    for (qsizetype at = 0; at <= text.size(); ++at) {
        if (const auto word = box.misspeltWordAt(at)) {
            const QString found = text.mid(word->start, word->length);
            if (words.isEmpty() || words.last() != found)
                words.append(found);
            at = word->start + word->length;
        }
    }
    return words;
}

// Pixels of the marks' red in the editor as shown.
int redPixels(RichTextBox& box)
{
    const QImage image = box.viewport()->grab().toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 110 && c.blue() < 110;
        }
    }
    return red;
}

bool haveDictionaries()
{
    return SpellChecker(SpellChecker::systemDictionaryFolder(), QString()).isAvailable();
}

} // namespace

class TestSpelling : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void wordsLookedAt_data();
    void wordsLookedAt();
    void verdicts_data();
    void verdicts();
    void yoAndYeStandForEachOther_data();
    void yoAndYeStandForEachOther();
    void suggestionsComeInDictionaryOrder();
    void marksOnMisspeltWordsOnly();
    void marksAreDrawnAndGoWhenSwitchedOff();
    void marksNeverEnterTheDocument();
    void suggestionReplacesAsOneUndoStepKeepingFormats_data();
    void suggestionReplacesAsOneUndoStepKeepingFormats();
    void personalWordsPersistAndCountEverywhere();
    void missingDictionariesLeaveSpellingOff();
    void brokenDictionaryIsReportedOnce();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SpellChecker> m_checker;
};

void TestSpelling::initTestCase()
{
    if (!haveDictionaries())
        QSKIP("The ru_RU and en_US Hunspell dictionaries are not installed (scripts/install-deps.sh)");
    m_dir = std::make_unique<QTemporaryDir>();
    m_checker = std::make_unique<SpellChecker>(SpellChecker::systemDictionaryFolder(),
                                               m_dir->filePath(QStringLiteral("words.txt")));
    m_checker->start();
    m_checker->waitForLoad();
    QVERIFY(m_checker->isActive());
}

void TestSpelling::wordsLookedAt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    const auto row = [](const char* name, const char* text, QStringList words) {
        QTest::newRow(name) << QString::fromUtf8(text) << words;
    };
    row("prose", "Привет, world! Это (тест).", {"Привет", "world", "Это", "тест"});
    row("tags and references", "<p class=\"intro\">Текст&nbsp;here</p><br/>",
        {"Текст", "here"});
    row("tag left open to the line's end", "<img src=\"a.png\" alt=\"cat", {});
    row("attribute names of a tag from the line above", "  alt=\"Кот\" title=\"dog\">слово",
        {"Кот", "dog", "слово"});
    row("a less-than sign in prose", "a < b и c > d", {});
    row("digits and underscores", "h2o 2023год my_var слово", {"слово"});
    row("addresses", "см. https://example.com/путь, www.site.ru и mail@host.ru; index.html т.е. конец",
        {"см", "конец"});
    row("upper case and single letters", "НАТО и ООН, I, я, CamelCase", {"CamelCase"});
    row("apostrophes and hyphens", "don't rock’n’roll кто-нибудь -дефис- 'quoted'",
        {"don't", "rock’n’roll", "кто-нибудь", "дефис", "quoted"});
    row("stress mark", "за\u0301мок", {"за\u0301мок"});
}

void TestSpelling::wordsLookedAt()
{
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(wordsOf(text), words);
}

void TestSpelling::verdicts_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("correct");
    const auto row = [](const char* word, bool correct) {
        QTest::newRow(word) << QString::fromUtf8(word) << correct;
    };
    row("редактор", true);
    row("Москва", true);
    row("редактар", false);
    row("москва", false);
    row("paragraph", true);
    row("London", true);
    row("paragrph", false);
    row("don't", true);
    row("кто-нибудь", true);
    row("IT-компания", true);
    row("e-mail", true);
    row("абв-где", false);
    row("за\u0301мок", true);
    row("cлово", false);  // a Latin "c" among Cyrillic letters
    row("αβγδ", true);    // no dictionary for Greek
}

void TestSpelling::verdicts()
{
    QFETCH(QString, word);
    QFETCH(bool, correct);
    QCOMPARE(m_checker->isCorrect(word), correct);
}

void TestSpelling::yoAndYeStandForEachOther_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("correct");
    for (const char* word : {"ёлка", "елка", "Елка", "щенок", "щёнок", "трехдневный", "трёхдневный"})
        QTest::newRow(word) << QString::fromUtf8(word) << true;
    for (const char* word : {"ёжик", "елкаа", "щонок"})
        QTest::newRow(word) << QString::fromUtf8(word) << false;
}

// The system's Russian dictionary has most words both ways, so a small one
// here has each word one way only.
void TestSpelling::yoAndYeStandForEachOther()
{
    QFETCH(QString, word);
    QFETCH(bool, correct);
    QTemporaryDir folder;
    QVERIFY(TestFiles::writeFile(folder.filePath(QStringLiteral("ru_RU.aff")), "SET UTF-8\n"));
    QVERIFY(TestFiles::writeFile(folder.filePath(QStringLiteral("ru_RU.dic")),
                                 "3\nёлка\nщенок\nтрехдневный\n"));
    SpellChecker checker(folder.path(), folder.filePath(QStringLiteral("words.txt")));
    checker.start();
    checker.waitForLoad();
    QVERIFY(checker.isActive());
    QCOMPARE(checker.isCorrect(word), correct);
}

void TestSpelling::suggestionsComeInDictionaryOrder()
{
    const QStringList russian = m_checker->suggestions(u"абзацц");
    QVERIFY(!russian.isEmpty() && russian.size() <= SpellChecker::MaxSuggestions);
    QCOMPARE(russian.first(), QStringLiteral("абзац"));
    QVERIFY(m_checker->suggestions(u"paragrph").contains(QStringLiteral("paragraph")));
}

void TestSpelling::marksOnMisspeltWordsOnly()
{
    RichTextBox box;
    box.setSpellChecker(m_checker.get());
    box.setText(QStringLiteral("<p clas=\"fooo\">Превед, this is a paragrph и абзацц.</p>\n"
                               "Правильный текст, correct words.\n"
                               "<a hreff=\"x\">ошибкка</a>"));
    QCOMPARE(misspeltIn(box), (QStringList {"Превед", "paragrph", "абзацц", "ошибкка"}));

    // Typing into a paragraph checks it again; the others keep their marks.
    QTextCursor cursor(box.document()->findBlockByNumber(1));
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertText(QStringLiteral(" Ошибочнн"));
    QCOMPARE(misspeltIn(box), (QStringList {"Превед", "paragrph", "абзацц", "Ошибочнн", "ошибкка"}));

    box.setSpellChecker(nullptr);
    QCOMPARE(misspeltIn(box), QStringList());
}

void TestSpelling::marksAreDrawnAndGoWhenSwitchedOff()
{
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 500, 200));
    box.setText(QStringLiteral("Правильный текст.\nОшибкка здесь paragrph."));
    QCOMPARE(redPixels(box), 0);
    box.setSpellChecker(m_checker.get());
    QVERIFY(redPixels(box) > 10);
    m_checker->setEnabled(false);
    const int whenOff = redPixels(box);
    m_checker->setEnabled(true);
    QCOMPARE(whenOff, 0);
    QVERIFY(redPixels(box) > 10);
}

void TestSpelling::marksNeverEnterTheDocument()
{
    const QString text = QStringLiteral("Ошибкка в тексте, paragrph here.\nВторая строка.");
    RichTextBox plain;
    plain.setText(text);
    RichTextBox box;
    QVERIFY(EditorInput::showExposed(box, 500, 200));
    box.setSpellChecker(m_checker.get());
    box.setText(text);
    box.setSelStart(12);
    box.viewport()->repaint();
    QVERIFY(!misspeltIn(box).isEmpty());

    QCOMPARE(box.SelStart(), 12);
    QCOMPARE(box.Text(), plain.Text());
    QCOMPARE(box.TextRTF(), plain.TextRTF());
    QVERIFY(!box.document()->isModified());
    QVERIFY(!box.document()->isUndoAvailable());
    box.setSelStart(0);
    box.setSelLength(box.textLength());
    plain.setSelStart(0);
    plain.setSelLength(plain.textLength());
    box.copy();
    QCOMPARE(QApplication::clipboard()->text(), plain.SelText());
    QCOMPARE(QApplication::clipboard()->mimeData()->formats(), QStringList {QStringLiteral("text/plain")});
}

void TestSpelling::suggestionReplacesAsOneUndoStepKeepingFormats_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("suggestion");
    QTest::newRow("a letter too many") << QStringLiteral("абзацц") << QStringLiteral("абзац");
    QTest::newRow("a letter missing") << QStringLiteral("paragrph") << QStringLiteral("paragraph");
    QTest::newRow("a new first letter") << QStringLiteral("ragraph") << QStringLiteral("paragraph");
    QTest::newRow("all different") << QStringLiteral("xyz") << QStringLiteral("абв");
}

void TestSpelling::suggestionReplacesAsOneUndoStepKeepingFormats()
{
    QFETCH(QString, word);
    QFETCH(QString, suggestion);
    RichTextBox box;
    box.setSpellChecker(m_checker.get());
    box.setText(QStringLiteral("Перед ") + word + QStringLiteral(" после"));
    EditorInput::selectWord(box, word);
    box.setSelBold(true);
    box.setSelColor(Qt::blue);
    const QString before = box.Text();

    box.replaceWord(6, word.size(), suggestion);
    QCOMPARE(box.Text(), QStringLiteral("Перед ") + suggestion + QStringLiteral(" после"));
    QCOMPARE(box.SelStart(), 6 + suggestion.size());
    box.setSelStart(6);
    box.setSelLength(suggestion.size());
    QCOMPARE(box.SelBold(), std::optional<bool>(true));
    QCOMPARE(box.SelColor(), std::optional<QColor>(QColor(Qt::blue)));

    box.undo();  // one step back gives the word as it was
    QCOMPARE(box.Text(), before);
}

void TestSpelling::personalWordsPersistAndCountEverywhere()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/words.txt"));
    {
        SpellChecker checker(SpellChecker::systemDictionaryFolder(), path);
        checker.start();
        checker.waitForLoad();
        RichTextBox first;
        RichTextBox second;
        for (RichTextBox* box : {&first, &second}) {
            box->setSpellChecker(&checker);
            box->setText(QStringLiteral("Пергалот и Qtish"));
        }
        QCOMPARE(misspeltIn(second), (QStringList {"Пергалот", "Qtish"}));
        QSignalSpy changed(&checker, &SpellChecker::changed);
        QVERIFY(checker.addToPersonal(QStringLiteral("Пергалот")));
        QVERIFY(checker.addToPersonal(QStringLiteral("Qtish")));
        QVERIFY(checker.addToPersonal(QStringLiteral("Qtish")));
        QVERIFY(!changed.isEmpty());
        QCOMPARE(misspeltIn(first), QStringList());
        QCOMPARE(misspeltIn(second), QStringList());
    }
    QCOMPARE(TestFiles::readFile(path), QByteArray("Пергалот\nQtish\n"));

    // Another program's line without an end is kept; the next start reads both.
    QVERIFY(TestFiles::writeFile(path, TestFiles::readFile(path) + "Словоеще"));
    SpellChecker checker(SpellChecker::systemDictionaryFolder(), path);
    checker.start();
    checker.waitForLoad();
    QVERIFY(checker.isCorrect(u"Пергалот"));
    QVERIFY(checker.isCorrect(u"Словоеще"));
    QVERIFY(checker.addToPersonal(QStringLiteral("Ошибкаа")));
    QCOMPARE(TestFiles::readFile(path), QByteArray("Пергалот\nQtish\nСловоеще\nОшибкаа\n"));
}

void TestSpelling::missingDictionariesLeaveSpellingOff()
{
    QTemporaryDir empty;
    SpellChecker checker(empty.path(), empty.filePath(QStringLiteral("words.txt")));
    QSignalSpy failed(&checker, &SpellChecker::loadFailed);
    QVERIFY(!checker.isAvailable());
    checker.start();
    checker.waitForLoad();
    QVERIFY(!checker.isLoaded());
    QVERIFY(!checker.isActive());
    QVERIFY(checker.isCorrect(u"ошибкка"));
    QCOMPARE(checker.suggestions(u"ошибкка"), QStringList());
    QCOMPARE(failed.count(), 0);

    RichTextBox box;
    box.setSpellChecker(&checker);
    box.setText(QStringLiteral("ошибкка paragrph"));
    QCOMPARE(misspeltIn(box), QStringList());
}

void TestSpelling::brokenDictionaryIsReportedOnce()
{
    QTemporaryDir folder;
    const QString system = SpellChecker::systemDictionaryFolder();
    // English is installed whole, Russian is there but is not a dictionary.
    for (const char* file : {"en_US.aff", "en_US.dic"})
        QVERIFY(QFile::copy(system + u'/' + QLatin1String(file), folder.filePath(QLatin1String(file))));
    QVERIFY(TestFiles::writeFile(folder.filePath(QStringLiteral("ru_RU.aff")), "SET UTF-8\n"));
    QVERIFY(TestFiles::writeFile(folder.filePath(QStringLiteral("ru_RU.dic")), "not a word list\n"));

    SpellChecker checker(folder.path(), folder.filePath(QStringLiteral("words.txt")));
    QSignalSpy failed(&checker, &SpellChecker::loadFailed);
    checker.start();
    checker.waitForLoad();
    QCOMPARE(failed.count(), 1);
    QVERIFY(failed.first().first().toString().contains(QStringLiteral("ru_RU.dic")));
    QVERIFY(checker.isActive());
    QVERIFY(!checker.isCorrect(u"paragrph"));
    QVERIFY(checker.isCorrect(u"ошибкка"));  // Russian goes unchecked
    checker.setEnabled(false);
    checker.setEnabled(true);
    QTest::qWait(20);
    QCOMPARE(failed.count(), 1);
}

QTEST_MAIN(TestSpelling)
#include "tst_spelling.moc"
