// libFuzzer target for the tag list reader (TagListFile).
//
// Every input is read twice, in memory and as tags.lst in a scratch folder:
//   1. Both give the same names, in both cases, and the names are exactly the
//      non-empty pieces of the decoded text between carriage returns (a CR LF
//      pair counting as one), upper- or lower-cased whole.
//   2. No name is empty or holds a carriage return.
//   3. The list model finds each of the first names by a prefix of it, at
//      its own row or above, and shows no row longer than its display limit.
// A broken rule aborts, so the fuzzer keeps the input.
//
// Linked into tags_reader_fuzzer (clang, -fsanitize=fuzzer) and into
// fuzz_replay_tags (FuzzReplay.cpp's main), which CTest runs over
// fuzz/corpus/tags.

#include "listsearch/ListSearchModel.h"
#include "listsearch/TagListFile.h"
#include "platform/TextCodec.h"

#include "FuzzScratch.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir* scratch = nullptr;
QByteArray currentInput;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "TagListFuzz: %s\n---- input (%lld bytes, first 512 shown) ----\n%s\n----\n", what,
                 static_cast<long long>(currentInput.size()), currentInput.left(512).constData());
    std::fflush(stderr);
    std::abort();
}

QStringList expectedNames(const QString& text, bool upper)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    QStringList names;
    for (const QString& line : lines.split(u'\r', Qt::SkipEmptyParts))
        names.append(upper ? line.toUpper() : line.toLower());
    return names;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    scratch = fuzzScratchFolder("tags_reader_fuzzer");
    if (!scratch)
        fail("no scratch folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    currentInput = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString path = scratch->filePath(QStringLiteral("tags.lst"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(currentInput) != currentInput.size())
            fail("cannot write the scratch file");
    }
    const QString text = TextCodec::decode(currentInput);

    for (const bool upper : {false, true}) {
        const QStringList names = TagListFile::parse(currentInput, upper);
        if (names != expectedNames(text, upper))
            fail("names differ from the pieces between carriage returns");
        const TagListFile::Result fromFile = TagListFile::read(path, upper);
        if (fromFile.error != TagListFile::NoError || fromFile.entries != names)
            fail("the file gives other names than its bytes");
        for (const QString& name : names) {
            if (name.isEmpty() || name.contains(u'\r'))
                fail("an empty name or one with a carriage return");
        }
    }

    ListSearchModel model;
    model.setEntries(TagListFile::parse(currentInput, false));
    const int rows = model.rowCount();
    for (int row = 0; row < rows && row < 16; ++row) {
        const QString& name = model.entries().at(row);
        const int found = model.findPrefix(name.left(3));
        if (found < 0 || found > row)
            fail("a name is not found by its prefix");
        if (model.data(model.index(row), Qt::DisplayRole).toString().size() > 257)
            fail("a row shows more than its display limit");
    }
    return 0;
}
