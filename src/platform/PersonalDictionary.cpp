#include "platform/PersonalDictionary.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// A word list is small; anything this big, or not a regular file, is not
// ours to read or to write over.
constexpr qint64 LargestList = 16 * 1024 * 1024;

QByteArray readBytes(const QString& path, bool* usable)
{
    const QFileInfo info(path);
    *usable = !info.exists() || (info.isFile() && info.size() <= LargestList);
    QFile file(path);
    if (!*usable || !info.exists() || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QStringList wordsOf(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList words;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (!line.isEmpty())
            words.append(line.toString());
    }
    return words;
}

} // namespace

PersonalDictionary::PersonalDictionary(QString path)
    : m_path(std::move(path))
{
}

QString PersonalDictionary::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/personal-words.txt");
}

QStringList PersonalDictionary::read() const
{
    bool usable = false;
    return wordsOf(readBytes(m_path, &usable));
}

bool PersonalDictionary::add(const QString& word, QString* errorMessage) const
{
    const QString clean = word.trimmed();
    if (clean.isEmpty() || clean.contains(u'\n'))
        return false;
    bool usable = false;
    QByteArray bytes = readBytes(m_path, &usable);
    if (!usable) {
        if (errorMessage)
            *errorMessage = QStringLiteral("«%1» — это не обычный файл словаря.").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    if (wordsOf(bytes).contains(clean))
        return true;
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += '\n';
    bytes += clean.toUtf8() + '\n';
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    return AtomicFile::write(m_path, bytes, errorMessage);
}
