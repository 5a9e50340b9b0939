// libFuzzer target for the RTF reader and writer.
//
// For every input:
//   1. RtfReader::read into a fresh QTextDocument;
//   2. RtfReader::insert at a caret in the middle of a small document, and
//      again over a selection;
//   3. RtfWriter::write of both documents (and of a selection) must give RTF
//      that RtfReader::read takes back to the very text that was written.
//      Anything else is a bug: abort() so the fuzzer keeps the input.
//
// The same file is linked into rtf_reader_fuzzer (clang, -fsanitize=fuzzer)
// and into fuzz_replay_rtf (FuzzReplay.cpp's main, any compiler), which CTest
// runs over fuzz/corpus/rtf.

#include "rtf/PlainTextExport.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QGuiApplication* app = nullptr;

[[noreturn]] void fail(const char* what, const QByteArray& rtf)
{
    std::fprintf(stderr, "RtfReaderFuzz: %s\n", what);
    std::fprintf(stderr, "---- offending RTF (%lld bytes, first 512 shown) ----\n%s\n----\n",
                 static_cast<long long>(rtf.size()), rtf.left(512).constData());
    std::fflush(stderr);
    std::abort();
}

// The writer's output must be read back to the text it was written from.
void checkWritten(const QByteArray& rtf, const QString& text, const char* what)
{
    QTextDocument again;
    if (!RtfReader::read(rtf, &again))
        fail("the reader refused the writer's output", rtf);
    if (again.toRawText() != text)
        fail(what, rtf);
}

// A position the editor's caret can take: never between the halves of a
// surrogate pair.
int caretPosition(const QTextDocument& doc, int position)
{
    const QString text = doc.toRawText();
    if (position > 0 && position < text.size() && text.at(position).isLowSurrogate()
        && text.at(position - 1).isHighSurrogate())
        return position - 1;
    return position;
}

void fillSmallDocument(QTextDocument& doc)
{
    doc.setPlainText(QStringLiteral("Первая строка, first line\nВторая строка, second line\nТретья"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    if (!app) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The application object and its arguments live for the whole run.
        static int qtArgc = 1;
        static char name[] = "rtf_reader_fuzzer";
        static char* qtArgv[] = {name, nullptr};
        app = new QGuiApplication(qtArgc, qtArgv);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // fromRawData: no copy, and the reader must not read past `size`
    // (AddressSanitizer sees libFuzzer's exact-size buffer).
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                     static_cast<qsizetype>(size));
    const bool isRtf = RtfReader::isRtf(input);

    // 1. Whole-document read.
    QTextDocument doc;
    const bool readOk = RtfReader::read(input, &doc);
    if (readOk != isRtf)
        fail(readOk ? "read accepted data that isRtf rejects" : "read refused data that isRtf accepts",
             input);
    checkWritten(RtfWriter::write(&doc), doc.toRawText(), "write(document) read back gives other text");

    // 2. Insert at a caret in the middle of a small document.
    QTextDocument target;
    fillSmallDocument(target);
    const QString before = target.toPlainText();
    QTextCursor caret(&target);
    caret.setPosition(target.characterCount() / 2);
    const bool insertOk = RtfReader::insert(input, caret);
    if (insertOk != isRtf)
        fail(insertOk ? "insert accepted data that isRtf rejects" : "insert refused data that isRtf accepts",
             input);
    if (!insertOk && target.toPlainText() != before)
        fail("insert refused the data but changed the document", input);
    checkWritten(RtfWriter::write(&target), target.toRawText(),
                 "write(document after insert) read back gives other text");

    // ... and over a selection that spans a paragraph break.
    QTextDocument selected;
    fillSmallDocument(selected);
    QTextCursor selection(&selected);
    selection.setPosition(10);
    selection.setPosition(40, QTextCursor::KeepAnchor);
    RtfReader::insert(input, selection);
    checkWritten(RtfWriter::write(&selected), selected.toRawText(),
                 "write(document after replacing a selection) read back gives other text");

    // 3. Write a selection of the read document: the middle half. A
    // selection may cut through tables, so what must come back is its text
    // as a plain-text file gets it.
    QTextCursor part(&doc);
    const int chars = doc.characterCount();
    part.setPosition(caretPosition(doc, chars / 4));
    part.setPosition(caretPosition(doc, qMax(chars / 4, (3 * chars) / 4 - 1)), QTextCursor::KeepAnchor);
    const QByteArray written = RtfWriter::write(part);
    QTextDocument partBack;
    if (!RtfReader::read(written, &partBack))
        fail("the reader refused the writer's output", written);
    // An empty paragraph right before a table at the start, or right after
    // one at the end, is the one Qt keeps there anyway, and the cells of a
    // row the selection cuts through are written empty: the selection's
    // text and the text read back may differ by line ends and separators at
    // their ends.
    auto chopped = [](const QString& text) { return text.trimmed(); };
    if (chopped(PlainTextExport::text(&partBack)) != chopped(PlainTextExport::text(part)))
        fail("write(selection) read back gives other text", written);

    return 0;
}
