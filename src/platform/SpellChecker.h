#pragma once

#include "platform/PersonalDictionary.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

class HunspellDictionary;
class QThread;

// Spelling for every open document: Cyrillic words are checked against the
// ru_RU dictionary, Latin words against en_US, both from the system's
// Hunspell folder, and the user's own words are accepted by both.
//
// Nothing is loaded while the program starts: start() (called once the main
// window is shown) loads the dictionaries on a thread of their own, and
// until they are there every word counts as right. A script whose dictionary
// is not installed is not checked; one that fails to load is reported once
// through loadFailed.
class SpellChecker : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxSuggestions = 5;

    SpellChecker(QString dictionaryFolder, QString personalPath, QObject* parent = nullptr);
    ~SpellChecker() override;

    // /usr/share/hunspell.
    static QString systemDictionaryFolder();
    // The folder the program takes its dictionaries from: the system's, or
    // the one set by setDictionaryFolderForTesting (an empty text clears it).
    static QString dictionaryFolder();
    static void setDictionaryFolderForTesting(const QString& folder);

    // Whether a dictionary is installed for either script (the files are
    // there; whether they load is known after loading). Without one, spelling
    // cannot be switched on.
    bool isAvailable() const;

    // From now on the dictionaries are loaded whenever checking is on: at
    // once if it is on now, otherwise when it is switched on.
    void start();
    // Blocks until a load under way has ended and its result is in use.
    void waitForLoad();
    bool isLoaded() const { return m_ru || m_en; }

    // The user's choice; on by default.
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on);
    // Marks are shown: checking is on and a dictionary is loaded.
    bool isActive() const { return m_enabled && isLoaded(); }

    // Changes whenever the verdict on a word may have changed (a load, the
    // option, a word added), so results kept from before are stale.
    quint64 generation() const { return m_generation; }

    // True for a word spelt right, for a word of a script without a
    // dictionary, and for everything while checking is not active. "ё" and
    // "е" stand for each other where the dictionary has the other; in a word
    // with hyphens, each part may be right on its own.
    bool isCorrect(QStringView word);
    // At most MaxSuggestions, in the dictionary's order.
    QStringList suggestions(QStringView word) const;

    // Accepted at once in every document and written to the personal list.
    // False, with errorMessage in Russian, when the list could not be written
    // (the word is still accepted until the program ends).
    bool addToPersonal(const QString& word, QString* errorMessage = nullptr);

    QString personalPath() const { return m_personal.path(); }

signals:
    // The marks shown may be wrong now: draw them again.
    void changed();
    // A dictionary is installed but could not be loaded (once per dictionary).
    void loadFailed(const QString& message);

private:
    struct Loaded;

    void load();
    void takeLoaded();
    void invalidate();
    HunspellDictionary* dictionaryFor(QStringView word) const;
    bool checkWhole(QStringView word) const;
    bool checkUncached(QStringView word) const;

    QString m_folder;
    PersonalDictionary m_personal;
    bool m_available = false;
    bool m_enabled = true;
    bool m_started = false;
    quint64 m_generation = 1;
    QThread* m_thread = nullptr;
    std::shared_ptr<Loaded> m_pending;
    std::unique_ptr<HunspellDictionary> m_ru;
    std::unique_ptr<HunspellDictionary> m_en;
    QHash<QString, bool> m_verdicts;  // words seen, so that repeated words cost one look-up
};
