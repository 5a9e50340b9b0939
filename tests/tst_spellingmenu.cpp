// Spelling in the main window: the context menu on misspelt and correct
// words, a suggestion and "Добавить в словарь" chosen from it, the Settings
// menu's "Проверка орфографии" kept in pergalot.ini, and a system without
// dictionaries or with a broken one.

#include "app/MainMenu.h"
#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "helpers/DocumentWindows.h"
#include "helpers/IsolatedSettings.h"
#include "helpers/ScriptedDialogs.h"
#include "helpers/TestFiles.h"
#include "platform/PersonalDictionary.h"
#include "platform/RichTextBox.h"
#include "platform/SpellChecker.h"
#include "texts/UiTexts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// A menu as it was shown: its items (those made for the showing are gone
// afterwards) and their captions, "-" for a separator.
struct ShownMenu
{
    QString name;
    QList<QAction*> items;
    QStringList texts;
};

// What open() shows as a pop-up menu; choose (a caption) is chosen in it,
// otherwise it is closed.
ShownMenu showMenu(const std::function<void()>& open, const QString& choose = QString())
{
    ShownMenu shown;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        shown.name = menu->objectName();
        shown.items = menu->actions();
        for (QAction* item : shown.items)
            shown.texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
        QAction* chosen = nullptr;
        for (QAction* item : shown.items)
            chosen = !choose.isEmpty() && item->text() == choose ? item : chosen;
        menu->close();
        if (chosen)
            chosen->trigger();
    });
    timer.start(0);
    open();
    timer.stop();
    return shown;
}

// Where the middle of the word-th occurrence of text is drawn, in the
// editor's viewport.
QPoint pointAt(RichTextBox* editor, const QString& word)
{
    QTextCursor cursor(editor->document());
    cursor.setPosition(int(editor->Text().indexOf(word) + word.size() / 2));
    return editor->cursorRect(cursor).center();
}

} // namespace

class TestSpellingMenu : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void contextMenu_data();
    void contextMenu();
    void suggestionIsOneUndoStepWithItsFormat();
    void addedWordIsKeptAndAcceptedEverywhere();
    void unwritableDictionaryIsReported();
    void optionIsKeptAndRemovesMarks();
    void withoutDictionariesTheOptionIsOff();
    void brokenDictionaryIsReportedOnce();

private:
    frmDocument* document(const QString& text);
    void openMainWindow();

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<frmMain> m_main;
};

void TestSpellingMenu::init()
{
    if (!SpellChecker(SpellChecker::systemDictionaryFolder(), QString()).isAvailable())
        QSKIP("The ru_RU and en_US Hunspell dictionaries are not installed (scripts/install-deps.sh)");
    m_settings = std::make_unique<IsolatedSettings>();
    SpellChecker::setDictionaryFolderForTesting(SpellChecker::systemDictionaryFolder());
    openMainWindow();
}

void TestSpellingMenu::openMainWindow()
{
    m_main = std::make_unique<frmMain>();
    m_main->resize(700, 500);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    m_main->spellChecker()->start();
    m_main->spellChecker()->waitForLoad();
}

void TestSpellingMenu::cleanup()
{
    if (m_main)
        DocumentWindows::discardAll(*m_main);
    m_main.reset();
    m_settings.reset();
}

frmDocument* TestSpellingMenu::document(const QString& text)
{
    frmDocument* window = m_main->ActiveForm();
    window->rtfText->setText(text);
    window->rtfText->setSelStart(0);
    return window;
}

void TestSpellingMenu::contextMenu_data()
{
    QTest::addColumn<QString>("word");   // where the menu is opened
    QTest::addColumn<bool>("byKey");     // the menu key at the word, or the right button over it
    QTest::addColumn<bool>("spelling");  // suggestions in front of the menu
    QTest::newRow("misspelt Russian, right button") << "абзацц" << false << true;
    QTest::newRow("misspelt English, menu key") << "paragrph" << true << true;
    QTest::newRow("correct word, right button") << "правильно" << false << false;
    QTest::newRow("correct word, menu key") << "правильно" << true << false;
    QTest::newRow("inside a tag") << "hreff" << false << false;
    QTest::newRow("between words") << " , " << true << false;
}

void TestSpellingMenu::contextMenu()
{
    QFETCH(QString, word);
    QFETCH(bool, byKey);
    QFETCH(bool, spelling);
    RichTextBox* editor = document(QStringLiteral("Это правильно , абзацц и paragrph <a hreff=\"x\">тут</a>"))->rtfText;
    QMenu* context = m_main->menu()->mnucontext;
    const QList<QAction*> own = context->actions();

    const ShownMenu shown = showMenu([&] {
        if (byKey) {
            editor->setSelStart(editor->Text().indexOf(word) + 1);
            QTest::keyClick(editor, Qt::Key_Menu);
        } else {
            QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, pointAt(editor, word));
        }
    });
    QCOMPARE(context->actions(), own);  // the context menu itself never changes
    if (!spelling) {
        QCOMPARE(shown.name, context->objectName());
        return;
    }
    const QStringList suggestions = m_main->spellChecker()->suggestions(word);
    QVERIFY(!suggestions.isEmpty() && suggestions.size() <= 5);
    QCOMPARE(shown.items.mid(suggestions.size() + 2), own);
    const QStringList front = suggestions + QStringList {UiTexts::SpellAddToDictionary, QStringLiteral("-")};
    QCOMPARE(shown.texts.mid(0, front.size()), front);
}

void TestSpellingMenu::suggestionIsOneUndoStepWithItsFormat()
{
    RichTextBox* editor = document(QStringLiteral("Первый абзацц здесь"))->rtfText;
    editor->setSelStart(7);
    editor->setSelLength(6);
    editor->setSelItalic(true);
    editor->setSelStart(0);
    const QString before = editor->Text();
    const ShownMenu shown = showMenu([&] {
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, pointAt(editor, QStringLiteral("абзацц")));
    }, QStringLiteral("абзац"));
    QVERIFY(shown.texts.contains(QStringLiteral("абзац")));
    QCOMPARE(editor->Text(), QStringLiteral("Первый абзац здесь"));
    editor->setSelStart(7);
    editor->setSelLength(5);
    QCOMPARE(editor->SelItalic(), std::optional<bool>(true));
    QVERIFY(!editor->misspeltWordAt(9));
    editor->undo();
    QCOMPARE(editor->Text(), before);
}

void TestSpellingMenu::addedWordIsKeptAndAcceptedEverywhere()
{
    RichTextBox* first = document(QStringLiteral("Пергалот пишет"))->rtfText;
    m_main->CreateDocumentWindow();
    RichTextBox* second = document(QStringLiteral("Снова Пергалот"))->rtfText;
    QVERIFY(first->misspeltWordAt(2));
    QVERIFY(second->misspeltWordAt(8));

    showMenu([&] { QTest::mouseClick(second->viewport(), Qt::RightButton, {}, pointAt(second, QStringLiteral("Пергалот"))); },
             UiTexts::SpellAddToDictionary);
    QVERIFY(!first->misspeltWordAt(2));
    QVERIFY(!second->misspeltWordAt(8));
    QCOMPARE(TestFiles::readFile(PersonalDictionary::defaultPath()), QByteArray("Пергалот\n"));

    // The next start reads it.
    DocumentWindows::discardAll(*m_main);
    openMainWindow();
    QVERIFY(!document(QStringLiteral("Пергалот"))->rtfText->misspeltWordAt(2));
}

// A folder where the word list should be: the word is still accepted for
// this session, and the user is told it was not kept.
void TestSpellingMenu::unwritableDictionaryIsReported()
{
    QVERIFY(QDir().mkpath(PersonalDictionary::defaultPath()));
    RichTextBox* editor = document(QStringLiteral("Пергалот пишет"))->rtfText;
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    showMenu([&] { QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, pointAt(editor, QStringLiteral("Пергалот"))); },
             UiTexts::SpellAddToDictionary);
    QCOMPARE(boxes.requests().size(), 1);
    QVERIFY(boxes.texts().first().startsWith(UiTexts::SpellAddFailed.section(u'%', 0, 0)));
    QCOMPARE(boxes.requests().first().icon, MsgIcon::Exclamation);
    QVERIFY(!editor->misspeltWordAt(2));
}

void TestSpellingMenu::optionIsKeptAndRemovesMarks()
{
    QAction* option = m_main->menu()->mnutuningspellcheck;
    QVERIFY(option->isEnabled());
    QVERIFY(option->isChecked());
    RichTextBox* editor = document(QStringLiteral("ошибкка"))->rtfText;
    QVERIFY(editor->misspeltWordAt(1));

    option->trigger();
    QVERIFY(!option->isChecked());
    QVERIFY(!editor->misspeltWordAt(1));
    QVERIFY(m_settings->readIni().contains("[Options]\r\nSpellCheck=False")
            || m_settings->readIni().contains("[Options]\nSpellCheck=False"));
    // Off, the context menu is the plain one.
    const ShownMenu shown = showMenu([&] { QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, pointAt(editor, QStringLiteral("ошибкка"))); });
    QCOMPARE(shown.name, m_main->menu()->mnucontext->objectName());

    DocumentWindows::discardAll(*m_main);
    openMainWindow();
    option = m_main->menu()->mnutuningspellcheck;
    QVERIFY(!option->isChecked());
    QVERIFY(!m_main->spellChecker()->isLoaded());  // nothing loaded while it is off
    editor = document(QStringLiteral("ошибкка"))->rtfText;
    option->trigger();
    m_main->spellChecker()->waitForLoad();
    QVERIFY(option->isChecked());
    QVERIFY(editor->misspeltWordAt(1));
    QVERIFY(m_settings->readIni().contains("SpellCheck=True"));
}

void TestSpellingMenu::withoutDictionariesTheOptionIsOff()
{
    QTemporaryDir empty;
    SpellChecker::setDictionaryFolderForTesting(empty.path());
    DocumentWindows::discardAll(*m_main);
    openMainWindow();
    QAction* option = m_main->menu()->mnutuningspellcheck;
    QVERIFY(!option->isEnabled());
    QVERIFY(!option->isChecked());
    RichTextBox* editor = document(QStringLiteral("ошибкка"))->rtfText;
    QVERIFY(!editor->misspeltWordAt(1));
    const ShownMenu shown = showMenu([&] { QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, pointAt(editor, QStringLiteral("ошибкка"))); });
    QCOMPARE(shown.name, m_main->menu()->mnucontext->objectName());
    QVERIFY(!m_settings->readIni().contains("SpellCheck"));
}

void TestSpellingMenu::brokenDictionaryIsReportedOnce()
{
    QTemporaryDir folder;
    QVERIFY(TestFiles::writeFile(folder.filePath(QStringLiteral("ru_RU.aff")), "SET UTF-8\n"));
    QVERIFY(TestFiles::writeFile(folder.filePath(QStringLiteral("ru_RU.dic")), "garbage\n"));
    SpellChecker::setDictionaryFolderForTesting(folder.path());
    DocumentWindows::discardAll(*m_main);
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::OK);
    m_main = std::make_unique<frmMain>();
    m_main->show();
    QTRY_COMPARE(boxes.requests().size(), 1);
    QVERIFY(boxes.texts().first().startsWith(UiTexts::SpellDictionaryFailed.section(u'%', 0, 0)));
    QCOMPARE(boxes.requests().first().icon, MsgIcon::Exclamation);
    // Nothing loaded: the option cannot be switched on, and it is not asked again.
    QVERIFY(!m_main->menu()->mnutuningspellcheck->isEnabled());
    m_main->hide();
    m_main->show();
    QTest::qWait(50);
    QCOMPARE(boxes.requests().size(), 1);
}

QTEST_MAIN(TestSpellingMenu)
#include "tst_spellingmenu.moc"
