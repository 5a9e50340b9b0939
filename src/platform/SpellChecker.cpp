#include "platform/SpellChecker.h"

#include "platform/HunspellDictionary.h"
#include "platform/SpellWordScanner.h"
#include "texts/UiTexts.h"

#include <QFileInfo>
#include <QThread>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

const QString RussianName = QStringLiteral("ru_RU");
const QString EnglishName = QStringLiteral("en_US");
// Past this many remembered verdicts the memory starts again.
constexpr qsizetype MaxVerdicts = 50000;
// "е" read as "ё" is tried at this many places of a word at most.
constexpr int MaxYoGuesses = 4;

enum class Script { Other, Cyrillic, Latin };

// The script most of the word's letters are in.
Script scriptOf(QStringView word)
{
    int cyrillic = 0;
    int latin = 0;
    for (QChar ch : word) {
        const QChar::Script script = ch.script();
        if (script == QChar::Script_Cyrillic)
            ++cyrillic;
        else if (script == QChar::Script_Latin)
            ++latin;
    }
    if (cyrillic == 0 && latin == 0)
        return Script::Other;
    return cyrillic >= latin ? Script::Cyrillic : Script::Latin;
}

bool installed(const QString& folder, const QString& name)
{
    return QFileInfo(folder + u'/' + name + QStringLiteral(".aff")).isFile()
        && QFileInfo(folder + u'/' + name + QStringLiteral(".dic")).isFile();
}

bool isYe(QChar ch)
{
    return ch == u'е' || ch == u'Е';
}

bool isYo(QChar ch)
{
    return ch == u'ё' || ch == u'Ё';
}

// The word as typed, then with "ё" written "е", then with one "е" read as "ё".
bool spellWithYo(const HunspellDictionary& dictionary, QStringView word)
{
    if (dictionary.spell(word))
        return true;
    QString variant = word.toString();
    bool hasYo = false;
    for (QChar& ch : variant) {
        if (isYo(ch)) {
            ch = ch == u'ё' ? u'е' : u'Е';
            hasYo = true;
        }
    }
    if (hasYo && dictionary.spell(variant))
        return true;
    int guesses = 0;
    for (qsizetype i = 0; i < word.size() && guesses < MaxYoGuesses; ++i) {
        if (!isYe(word[i]))
            continue;
        ++guesses;
        variant = word.toString();
        variant[i] = word[i] == u'е' ? u'ё' : u'Ё';
        if (dictionary.spell(variant))
            return true;
    }
    return false;
}

} // namespace

// What the loading thread hands over.
struct SpellChecker::Loaded
{
    std::unique_ptr<HunspellDictionary> ru;
    std::unique_ptr<HunspellDictionary> en;
    QStringList failures;
};

SpellChecker::SpellChecker(QString dictionaryFolder, QString personalPath, QObject* parent)
    : QObject(parent)
    , m_folder(std::move(dictionaryFolder))
    , m_personal(std::move(personalPath))
    , m_available(installed(m_folder, RussianName) || installed(m_folder, EnglishName))
{
}

SpellChecker::~SpellChecker()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

QString SpellChecker::systemDictionaryFolder()
{
    return QStringLiteral("/usr/share/hunspell");
}

namespace {

QString& dictionaryFolderOverride()
{
    static QString folder;
    return folder;
}

} // namespace

QString SpellChecker::dictionaryFolder()
{
    const QString& folder = dictionaryFolderOverride();
    return folder.isEmpty() ? systemDictionaryFolder() : folder;
}

void SpellChecker::setDictionaryFolderForTesting(const QString& folder)
{
    dictionaryFolderOverride() = folder;
}

bool SpellChecker::isAvailable() const
{
    return m_available;
}

void SpellChecker::start()
{
    m_started = true;
    if (m_enabled)
        load();
}

void SpellChecker::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (on && m_started)
        load();
    invalidate();
}

void SpellChecker::load()
{
    if (m_thread || !m_available)
        return;
    auto pending = std::make_shared<Loaded>();
    m_pending = pending;
    const QString folder = m_folder;
    const PersonalDictionary personal = m_personal;
    m_thread = QThread::create([pending, folder, personal] {
#ifdef Q_OS_LINUX
        // Behind painting and typing: a nicer thread yields a shared core.
        // (Qt's thread priorities change nothing under Linux's default
        // scheduling.)
        setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 10);
#endif
        for (const QString& name : {RussianName, EnglishName}) {
            HunspellDictionary::Outcome outcome = HunspellDictionary::Outcome::Missing;
            QString reason;
            auto dictionary = HunspellDictionary::load(folder, name, &outcome, &reason);
            if (outcome == HunspellDictionary::Outcome::Failed)
                pending->failures.append(reason);
            (name == RussianName ? pending->ru : pending->en) = std::move(dictionary);
        }
        for (const QString& word : personal.read()) {
            const Script script = scriptOf(word);
            HunspellDictionary* dictionary = script == Script::Cyrillic ? pending->ru.get()
                : script == Script::Latin                               ? pending->en.get()
                                                                        : nullptr;
            if (dictionary)
                dictionary->add(word);
        }
    });
    m_thread->setObjectName(QStringLiteral("spelling dictionaries"));
    connect(m_thread, &QThread::finished, this, &SpellChecker::takeLoaded);
    m_thread->start(QThread::LowPriority);
}

void SpellChecker::waitForLoad()
{
    if (!m_thread)
        return;
    m_thread->wait();
    takeLoaded();
}

void SpellChecker::takeLoaded()
{
    if (!m_pending || !m_thread || !m_thread->isFinished())
        return;
    const std::shared_ptr<Loaded> loaded = std::move(m_pending);
    m_pending.reset();
    m_ru = std::move(loaded->ru);
    m_en = std::move(loaded->en);
    if (!isLoaded())
        m_available = false;
    invalidate();
    for (const QString& reason : loaded->failures)
        emit loadFailed(UiTexts::SpellDictionaryFailed.arg(reason));
}

void SpellChecker::invalidate()
{
    m_verdicts.clear();
    ++m_generation;
    emit changed();
}

HunspellDictionary* SpellChecker::dictionaryFor(QStringView word) const
{
    switch (scriptOf(word)) {
    case Script::Cyrillic:
        return m_ru.get();
    case Script::Latin:
        return m_en.get();
    case Script::Other:
        break;
    }
    return nullptr;
}

bool SpellChecker::checkWhole(QStringView word) const
{
    const HunspellDictionary* dictionary = dictionaryFor(word);
    return !dictionary || spellWithYo(*dictionary, word);
}

bool SpellChecker::checkUncached(QStringView typed) const
{
    const QString word = SpellWordScanner::withoutMarks(typed);
    if (checkWhole(word))
        return true;
    bool hyphenated = false;
    for (QChar ch : word)
        hyphenated = hyphenated || SpellWordScanner::isHyphen(ch);
    if (!hyphenated)
        return false;
    // "IT-компания", "e-mail": each part on its own.
    qsizetype start = 0;
    for (qsizetype i = 0; i <= word.size(); ++i) {
        if (i < word.size() && !SpellWordScanner::isHyphen(word[i]))
            continue;
        const QStringView part = QStringView(word).sliced(start, i - start);
        if (!SpellWordScanner::isExempt(part) && !checkWhole(part))
            return false;
        start = i + 1;
    }
    return true;
}

bool SpellChecker::isCorrect(QStringView word)
{
    if (!isActive())
        return true;
    const QString key = word.toString();
    const auto known = m_verdicts.constFind(key);
    if (known != m_verdicts.cend())
        return *known;
    if (m_verdicts.size() >= MaxVerdicts)
        m_verdicts.clear();
    const bool correct = checkUncached(word);
    m_verdicts.insert(key, correct);
    return correct;
}

QStringList SpellChecker::suggestions(QStringView word) const
{
    if (!isActive())
        return {};
    const QString clean = SpellWordScanner::withoutMarks(word);
    const HunspellDictionary* dictionary = dictionaryFor(clean);
    return dictionary ? dictionary->suggest(clean, MaxSuggestions) : QStringList();
}

bool SpellChecker::addToPersonal(const QString& word, QString* errorMessage)
{
    const QString clean = SpellWordScanner::withoutMarks(word);
    if (HunspellDictionary* dictionary = dictionaryFor(clean))
        dictionary->add(clean);
    const bool written = m_personal.add(clean, errorMessage);
    invalidate();
    return written;
}
