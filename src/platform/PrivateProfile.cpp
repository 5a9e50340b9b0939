#include "platform/PrivateProfile.h"

#include "platform/AtomicFile.h"
#include "platform/ReadableFile.h"
#include "platform/TextCodec.h"

#include <QFile>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

#ifdef Q_OS_WIN
const QString newFileLineEnd = QStringLiteral("\r\n");
#else
const QString newFileLineEnd = QStringLiteral("\n");
#endif

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

QStringView unquote(QStringView value)
{
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

enum class LineKind {
    Other,      // blank line, comment, or a line without "="
    Section,    // [name]
    BadSection, // "[" without "]": starts a section no name can address
    Key,        // key=value
};

struct Line
{
    QStringView content;    // without the line end
    QStringView lineEnd;    // "\r\n", "\n", or empty on a last line without one
    LineKind kind = LineKind::Other;
    QStringView name;       // section or key name, trimmed
    qsizetype valueStart = 0; // Key: where the value begins in content
};

Line plainLine(QStringView content, QStringView lineEnd)
{
    Line line;
    line.content = content;
    line.lineEnd = lineEnd;
    return line;
}

Line classify(QStringView content, QStringView lineEnd)
{
    Line line = plainLine(content, lineEnd);
    const QStringView trimmed = trimBlanks(content);
    if (trimmed.isEmpty() || trimmed.front() == u';')
        return line;
    if (trimmed.front() == u'[') {
        const qsizetype close = trimmed.indexOf(u']');
        if (close < 0) {
            line.kind = LineKind::BadSection;
        } else {
            line.kind = LineKind::Section;
            line.name = trimBlanks(trimmed.sliced(1, close - 1));
        }
        return line;
    }
    const qsizetype equals = content.indexOf(u'=');
    if (equals < 0)
        return line;
    const QStringView key = trimBlanks(content.first(equals));
    if (key.isEmpty())
        return line;
    line.kind = LineKind::Key;
    line.name = key;
    qsizetype start = equals + 1;
    while (start < content.size() && isBlank(content[start]))
        ++start;
    line.valueStart = start;
    return line;
}

std::vector<Line> splitLines(const QString& text)
{
    std::vector<Line> lines;
    const QStringView all(text);
    qsizetype pos = 0;
    while (pos < all.size()) {
        const qsizetype newline = all.indexOf(u'\n', pos);
        if (newline < 0) {
            lines.push_back(classify(all.sliced(pos), QStringView()));
            break;
        }
        qsizetype end = newline;
        if (end > pos && all[end - 1] == u'\r')
            --end;
        lines.push_back(classify(all.sliced(pos, end - pos), all.sliced(end, newline + 1 - end)));
        pos = newline + 1;
    }
    return lines;
}

struct Lookup
{
    std::optional<size_t> firstSection; // header of the first section with the name
    std::optional<size_t> key;          // first line with the key in such a section
};

// The first key wins, searched through every section of that name in order.
Lookup find(const std::vector<Line>& lines, QStringView section, QStringView key)
{
    Lookup found;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        switch (line.kind) {
        case LineKind::Section:
            inSection = sameName(line.name, section);
            if (inSection && !found.firstSection)
                found.firstSection = i;
            break;
        case LineKind::BadSection:
            inSection = false;
            break;
        case LineKind::Key:
            if (inSection && sameName(line.name, key)) {
                found.key = i;
                return found;
            }
            break;
        case LineKind::Other:
            break;
        }
    }
    return found;
}

// Only a regular file of sane size is read; a pipe, a device or a huge file
// counts as no file at all.
std::optional<QByteArray> readFile(const QString& path)
{
    return ReadableFile::readSmallFile(path);
}

// The new text in the encoding and byte-order mark the old file had, so
// that unchanged lines keep their bytes. When that encoding cannot hold the
// new text, or the new bytes would be read otherwise (a change that removes
// the only bytes that were not UTF-8; a line added after the odd last byte
// of a UTF-16 file), the whole file goes out as UTF-8 with a byte-order
// mark, which reads back as written; bytes that were no text in the old
// encoding then become U+FFFD, as they have no place in the new one.
QByteArray encodeLike(const QByteArray& original, const QString& text)
{
    const TextCodec::Encoded encoded = TextCodec::encode(text, TextCodec::detect(original));
    if (encoded.unencodable < 0 && TextCodec::decode(encoded.bytes) == text)
        return encoded.bytes;
    QString clean = text;
    for (QChar& ch : clean) {
        if (TextCodec::isEscape(ch))
            ch = QChar::ReplacementCharacter;
    }
    TextFileFormat utf8 = TextFileFormat::newDocument();
    utf8.byteOrderMark = true;
    return TextCodec::encode(clean, utf8).bytes;
}

bool validSectionName(QStringView section)
{
    return !section.contains(u']') && !section.contains(u'\r') && !section.contains(u'\n');
}

bool validKeyName(QStringView key)
{
    return !key.isEmpty() && key.front() != u'[' && key.front() != u';' && !key.contains(u'=')
        && !key.contains(u'\r') && !key.contains(u'\n');
}

// The value as it must stand in the file to read back unchanged.
QString storedValue(const QString& value)
{
    QString text = value;
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    const bool blankAtEnds = !text.isEmpty() && (isBlank(text.front()) || isBlank(text.back()));
    if (blankAtEnds || unquote(text).size() != text.size())
        return u'"' + text + u'"';
    return text;
}

} // namespace

qsizetype PrivateProfile::GetPrivateProfileString(const QString& section, const QString& key,
                                                  const QString& defaultValue, QString& buffer,
                                                  qsizetype size, const QString& path)
{
    if (size <= 0)
        return 0;

    QStringView result(defaultValue);
    QString text; // holds what result points into
    if (const auto bytes = readFile(path)) {
        text = TextCodec::decode(*bytes);
        const std::vector<Line> lines = splitLines(text);
        const Lookup found = find(lines, trimBlanks(section), trimBlanks(key));
        if (found.key) {
            const Line& line = lines[*found.key];
            result = unquote(trimBlanks(line.content.sliced(line.valueStart)));
        }
    }

    qsizetype count = qMin(result.size(), size - 1);
    // Never leave half of a surrogate pair at the cut.
    if (count > 0 && count < result.size() && result[count - 1].isHighSurrogate())
        --count;
    if (buffer.size() < size)
        buffer.resize(size, u' ');
    std::copy_n(result.constData(), count, buffer.data());
    buffer[count] = QChar(u'\0');
    return count;
}

bool PrivateProfile::WritePrivateProfileString(const QString& section, const QString& key,
                                               const QString& value, const QString& path)
{
    const QStringView sectionName = trimBlanks(section);
    const QStringView keyName = trimBlanks(key);
    if (!validSectionName(sectionName) || !validKeyName(keyName))
        return false;

    // A file that exists but cannot be read (or is a pipe, a device, a huge
    // file) is left alone rather than replaced by a file holding only this key.
    const std::optional<QByteArray> read = readFile(path);
    if (!read && (QFile::exists(path) || ReadableFile::isForeign(path)))
        return false;
    const QByteArray original = read.value_or(QByteArray());
    const QString text = TextCodec::decode(original);
    std::vector<Line> lines = splitLines(text);

    QStringView lineEnd = newFileLineEnd;
    for (const Line& line : lines) {
        if (!line.lineEnd.isEmpty()) {
            lineEnd = line.lineEnd;
            break;
        }
    }

    const QString stored = storedValue(value);
    const QString newKeyLine = keyName.toString() + u'=' + stored;
    QString replacement; // owns the text of a changed line

    const Lookup found = find(lines, sectionName, keyName);
    if (found.key) {
        // Keep the key as spelled and the blanks around "=".
        Line& line = lines[*found.key];
        replacement = line.content.first(line.valueStart).toString() + stored;
        line.content = replacement;
    } else if (found.firstSection) {
        size_t last = *found.firstSection;
        for (size_t i = last + 1; i < lines.size(); ++i) {
            if (lines[i].kind == LineKind::Section || lines[i].kind == LineKind::BadSection)
                break;
            if (!trimBlanks(lines[i].content).isEmpty())
                last = i;
        }
        if (lines[last].lineEnd.isEmpty())
            lines[last].lineEnd = lineEnd;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last) + 1,
                     plainLine(newKeyLine, lineEnd));
    } else {
        if (!lines.empty() && lines.back().lineEnd.isEmpty())
            lines.back().lineEnd = lineEnd;
        replacement = u'[' + sectionName.toString() + u']';
        lines.push_back(plainLine(replacement, lineEnd));
        lines.push_back(plainLine(newKeyLine, lineEnd));
    }

    QString newText;
    newText.reserve(text.size() + newKeyLine.size() + sectionName.size() + 8);
    for (const Line& line : lines) {
        newText += line.content;
        newText += line.lineEnd;
    }

    return AtomicFile::write(path, encodeLike(original, newText));
}
