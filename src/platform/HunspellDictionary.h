#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

class Hunspell;

// One Hunspell dictionary (<folder>/<name>.aff and .dic) in QString terms.
// Loading may run on any thread; the loaded dictionary is then used by one
// thread at a time.
class HunspellDictionary
{
public:
    enum class Outcome { Loaded, Missing, Failed };

    ~HunspellDictionary();
    HunspellDictionary(const HunspellDictionary&) = delete;
    HunspellDictionary& operator=(const HunspellDictionary&) = delete;

    // Missing when either file is absent (the dictionary is not installed);
    // Failed, with a reason in Russian, when the files are there but cannot be
    // read or do not make a dictionary: an unreadable file, a word list
    // without its count line, an encoding Qt cannot convert, or a dictionary
    // that accepts none of the first words of its own list.
    static std::unique_ptr<HunspellDictionary> load(const QString& folder, const QString& name,
                                                    Outcome* outcome, QString* reason);

    bool spell(QStringView word) const;
    // In the dictionary's own order, at most max of them.
    QStringList suggest(QStringView word, int max) const;
    // Accepted from now on, with the usual capitals (a word added in lower
    // case is accepted capitalised too).
    void add(const QString& word);

private:
    HunspellDictionary() = default;
    std::string encode(QStringView word) const;
    QString decode(const std::string& bytes) const;

    std::unique_ptr<Hunspell> m_hunspell;
    bool m_utf8 = true;  // otherwise ISO 8859-1
};
