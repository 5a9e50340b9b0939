#pragma once

#include <QString>
#include <QStringList>

// The user's own words: a plain UTF-8 file, one word a line, in the per-user
// data folder. Another program (or a text editor) may write the file too, so
// adding a word reads it again first and writes back everything it holds.
class PersonalDictionary
{
public:
    explicit PersonalDictionary(QString path);

    // ~/.local/share/Пергалот/personal-words.txt on Linux.
    static QString defaultPath();

    QString path() const { return m_path; }

    // The words of the file; none when it is missing or unreadable. Blank
    // lines, surrounding blanks and a byte-order mark are dropped.
    QStringList read() const;

    // Appends word unless the file holds it already, creating the file and
    // its folder as needed. False, with errorMessage in Russian, when the file
    // could not be written.
    bool add(const QString& word, QString* errorMessage = nullptr) const;

private:
    QString m_path;
};
