#include "platform/HunspellDictionary.h"

#include <QFile>
#include <QFileInfo>

#include <hunspell/hunspell.hxx>

namespace {

constexpr int ProbeWords = 8;

// The encoding the affix file names in its SET line; ISO 8859-1 without one.
QByteArray affixEncoding(QFile& aff)
{
    for (int lines = 0; lines < 200 && !aff.atEnd(); ++lines) {
        const QByteArray line = aff.readLine(4096).trimmed();
        if (line.startsWith("SET ") || line.startsWith("SET\t"))
            return line.mid(4).trimmed().toUpper();
    }
    return "ISO8859-1";
}

// The first words of the word list, flags cut off: a dictionary that loaded
// accepts at least one of them. Empty when the list does not start with its
// count line.
QList<QByteArray> probeWords(QFile& dic)
{
    bool counted = false;
    dic.readLine(64).trimmed().toLongLong(&counted);
    if (!counted)
        return {};
    QList<QByteArray> words;
    while (words.size() < ProbeWords && !dic.atEnd()) {
        QByteArray line = dic.readLine(4096);
        qsizetype end = 0;
        while (end < line.size() && line[end] != '/' && line[end] != '\t' && line[end] != ' '
               && line[end] != '\n' && line[end] != '\r')
            ++end;
        if (end > 0)
            words.append(line.left(end));
    }
    return words;
}

} // namespace

HunspellDictionary::~HunspellDictionary() = default;

std::unique_ptr<HunspellDictionary> HunspellDictionary::load(const QString& folder, const QString& name,
                                                             Outcome* outcome, QString* reason)
{
    const QString affPath = folder + u'/' + name + QStringLiteral(".aff");
    const QString dicPath = folder + u'/' + name + QStringLiteral(".dic");
    const auto fail = [&](const QString& why) {
        *outcome = Outcome::Failed;
        *reason = why;
        return nullptr;
    };
    if (!QFileInfo(affPath).isFile() || !QFileInfo(dicPath).isFile()) {
        *outcome = Outcome::Missing;
        return nullptr;
    }
    QFile aff(affPath);
    QFile dic(dicPath);
    if (!aff.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("файл %1 не открывается (%2)").arg(affPath, aff.errorString()));
    if (!dic.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("файл %1 не открывается (%2)").arg(dicPath, dic.errorString()));

    std::unique_ptr<HunspellDictionary> dictionary(new HunspellDictionary);
    const QByteArray encoding = affixEncoding(aff);
    if (encoding == "UTF-8" || encoding == "UTF8")
        dictionary->m_utf8 = true;
    else if (encoding == "ISO8859-1" || encoding == "ISO-8859-1")
        dictionary->m_utf8 = false;
    else
        return fail(QStringLiteral("кодировка %1 словаря %2 не поддерживается")
                        .arg(QString::fromLatin1(encoding), name));
    const QList<QByteArray> probes = probeWords(dic);
    if (probes.isEmpty())
        return fail(QStringLiteral("файл %1 не похож на словарь").arg(dicPath));

    dictionary->m_hunspell = std::make_unique<Hunspell>(QFile::encodeName(affPath).constData(),
                                                        QFile::encodeName(dicPath).constData());
    bool accepts = false;
    for (const QByteArray& probe : probes)
        accepts = accepts || dictionary->m_hunspell->spell(probe.toStdString());
    if (!accepts)
        return fail(QStringLiteral("словарь %1 не загрузился").arg(dicPath));
    *outcome = Outcome::Loaded;
    return dictionary;
}

std::string HunspellDictionary::encode(QStringView word) const
{
    return m_utf8 ? word.toUtf8().toStdString() : word.toLatin1().toStdString();
}

QString HunspellDictionary::decode(const std::string& bytes) const
{
    const auto size = qsizetype(bytes.size());
    return m_utf8 ? QString::fromUtf8(bytes.data(), size) : QString::fromLatin1(bytes.data(), size);
}

bool HunspellDictionary::spell(QStringView word) const
{
    return m_hunspell->spell(encode(word));
}

QStringList HunspellDictionary::suggest(QStringView word, int max) const
{
    QStringList out;
    for (const std::string& suggestion : m_hunspell->suggest(encode(word))) {
        if (out.size() >= max)
            break;
        out.append(decode(suggestion));
    }
    return out;
}

void HunspellDictionary::add(const QString& word)
{
    m_hunspell->add(encode(word));
}
