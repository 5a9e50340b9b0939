// libFuzzer target for the settings file (PrivateProfile).
//
// Every input is put in place as pergalot.ini in a scratch folder. Then:
//   1. GetPrivateProfileString reads a few names, fixed ones and ones taken
//      from the input: never more than size-1 characters, a NUL after them.
//   2. WritePrivateProfileString stores a value under a fixed name (which must
//      succeed) and under names taken from the input. After a write that
//      succeeded, the value reads back exactly, every other name read in
//      step 1 reads as before (bytes that were no text may have become
//      U+FFFD), and writing the same again changes no byte.
//      After a write that failed, the file is unchanged.
// A broken rule aborts, so the fuzzer keeps the input.
//
// The same file is linked into ini_reader_fuzzer (clang, -fsanitize=fuzzer)
// and into fuzz_replay_ini (FuzzReplay.cpp's main, any compiler), which CTest
// runs over fuzz/corpus/ini.

#include "platform/PrivateProfile.h"
#include "platform/TextCodec.h"

#include "FuzzScratch.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

QTemporaryDir* scratch = nullptr;
QByteArray currentInput;

[[noreturn]] void fail(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "IniReaderFuzz: %s %s\n", what, qPrintable(detail));
    std::fprintf(stderr, "---- input (%lld bytes, first 512 shown) ----\n%s\n----\n",
                 static_cast<long long>(currentInput.size()), currentInput.left(512).constData());
    std::fflush(stderr);
    std::abort();
}

QString path()
{
    return scratch->filePath(QStringLiteral("pergalot.ini"));
}

void putFile(const QByteArray& bytes)
{
    QFile file(path());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("cannot write the scratch file");
}

QByteArray fileBytes()
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot read the scratch file back");
    return file.readAll();
}

const QString missing = QStringLiteral("\x01missing\x01");

QString read(const QString& section, const QString& key, qsizetype size = 1024)
{
    QString buffer;
    const qsizetype count = PrivateProfile::GetPrivateProfileString(section, key, missing, buffer, size, path());
    if (count < 0 || count > size - 1)
        fail("count out of range for", section + u'/' + key);
    if (buffer.size() < size || buffer[count] != QChar(u'\0'))
        fail("no NUL after the value of", section + u'/' + key);
    return buffer.left(count);
}

using Name = std::pair<QString, QString>;

bool sameName(const Name& a, const Name& b)
{
    return a.first.trimmed().compare(b.first.trimmed(), Qt::CaseInsensitive) == 0
        && a.second.trimmed().compare(b.second.trimmed(), Qt::CaseInsensitive) == 0;
}

bool holdsBytes(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return TextCodec::isEscape(c); });
}

// Section and key names as they occur in the input, a few of each; names
// holding bytes that are no text are left out.
QList<Name> namesFrom(const QString& text)
{
    QList<QString> sections{QStringLiteral("Options")};
    QList<QString> keys{QStringLiteral("Toolbar")};
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close > 0 && sections.size() < 3 && !holdsBytes(line.first(close)))
                sections.append(line.mid(1, close - 1).trimmed());
        } else if (!line.startsWith(u';')) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals > 0 && keys.size() < 3 && !holdsBytes(line.left(equals)))
                keys.append(line.left(equals).trimmed());
        }
    }
    QList<Name> names;
    for (const QString& section : sections)
        for (const QString& key : keys)
            names.append({section, key});
    return names;
}

// A value from the input: text a file can hold, short enough to read back whole.
QString valueFrom(const QString& text)
{
    QString value;
    for (QChar c : text) {
        if (value.size() >= 60)
            break;
        if (!c.isSurrogate() && !TextCodec::isEscape(c))  // an escape is a byte, not text
            value += c;
    }
    return value;
}

// Bytes that were no text may come back as U+FFFD once a write had to
// change the file's encoding; text comes back as it was.
QString asText(QString value)
{
    for (QChar& c : value) {
        if (TextCodec::isEscape(c))
            c = QChar::ReplacementCharacter;
    }
    return value;
}

QString asStored(QString value)
{
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

void checkWrite(const Name& name, const QString& value, const QList<Name>& probes,
                const QList<QString>& before, bool mustSucceed)
{
    const QByteArray old = fileBytes();
    if (!PrivateProfile::WritePrivateProfileString(name.first, name.second, value, path())) {
        if (mustSucceed)
            fail("write refused for", name.first + u'/' + name.second);
        if (fileBytes() != old)
            fail("a refused write changed the file");
        return;
    }
    if (read(name.first, name.second) != asStored(value))
        fail("value does not read back for", name.first + u'/' + name.second);
    for (qsizetype i = 0; i < probes.size(); ++i) {
        if (!sameName(probes[i], name) && asText(read(probes[i].first, probes[i].second)) != asText(before[i]))
            fail("a write changed another value:", probes[i].first + u'/' + probes[i].second);
    }
    const QByteArray written = fileBytes();
    if (!PrivateProfile::WritePrivateProfileString(name.first, name.second, value, path()))
        fail("second write refused");
    if (fileBytes() != written)
        fail("writing the same value again changed the file");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    scratch = fuzzScratchFolder("ini_reader_fuzzer");
    if (!scratch)
        fail("no scratch folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    currentInput = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    putFile(currentInput);
    const QString text = TextCodec::decode(currentInput);

    // 1. Reading.
    const QList<Name> probes = namesFrom(text);
    QList<QString> before;
    for (const Name& name : probes) {
        before.append(read(name.first, name.second));
        const QString cut = read(name.first, name.second, 8);
        if (!before.last().startsWith(cut) || cut.size() > 7)
            fail("a short buffer gives other text for", name.first + u'/' + name.second);
    }

    // 2. Writing, each time from the input as it was.
    const QString values[] = {QStringLiteral("False"), QStringLiteral("  \"Пергалот\"\r\n "),
                              valueFrom(text)};
    for (const QString& value : values) {
        putFile(currentInput);
        checkWrite({QStringLiteral("Options"), QStringLiteral("Toolbar")}, value, probes, before, true);
    }
    for (const Name& name : probes) {
        putFile(currentInput);
        checkWrite(name, valueFrom(text), probes, before, false);
    }
    return 0;
}
