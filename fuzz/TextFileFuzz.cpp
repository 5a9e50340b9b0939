// libFuzzer target for plain-text files: detection, decoding and encoding
// (TextCodec), line ends (LineEnds) and the editor that holds the text.
//
// Every input that is not RTF is loaded into a RichTextBox as a text file:
//   1. The text the editor would save, encoded in the format it remembered,
//      is the input, byte for byte.
//   2. TextCodec alone gives the input back from its detected format, and
//      LineEnds joins back to the decoded text.
//   3. One character typed at the end ("ж", or "z" where the encoding has
//      no "ж") adds exactly that character's bytes.
// A broken rule aborts, so the fuzzer keeps the input.
//
// Linked into text_reader_fuzzer (clang, -fsanitize=fuzzer) and into
// fuzz_replay_text (FuzzReplay.cpp's main), which CTest runs over
// fuzz/corpus/text.

#include "platform/LineEnds.h"
#include "platform/RichTextBox.h"
#include "platform/TextCodec.h"
#include "rtf/RtfReader.h"

#include <QApplication>
#include <QTextCursor>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QApplication* app = nullptr;
RichTextBox* editor = nullptr;
QByteArray currentInput;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "TextFileFuzz: %s\n---- input (%lld bytes, first 512 shown) ----\n%s\n----\n", what,
                 static_cast<long long>(currentInput.size()), currentInput.left(512).constData());
    std::fflush(stderr);
    std::abort();
}

QString rejoined(const LineEnds::Split& split)
{
    QString text;
    qsizetype line = 0;
    size_t other = 0;
    for (const QChar ch : split.text) {
        if (ch != u'\n') {
            text += ch;
            continue;
        }
        LineEnds::LineEnd end = split.majority;
        if (other < split.others.size() && split.others[other].first == line)
            end = split.others[other++].second;
        text += LineEnds::text(end);
        ++line;
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    if (!app) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int qtArgc = 1;
        static char name[] = "text_reader_fuzzer";
        static char* qtArgv[] = {name, nullptr};
        app = new QApplication(qtArgc, qtArgv);
        editor = new RichTextBox;
        // Gone before exit, as in a program, so their font caches go too.
        std::atexit([] {
            delete editor;
            delete app;
        });
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    currentInput = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    if (RtfReader::isRtf(currentInput))
        return 0;

    const TextFileFormat detected = TextCodec::detect(currentInput);
    const QString decoded = TextCodec::decode(currentInput, detected);
    if (TextCodec::encode(decoded, detected).bytes != currentInput)
        fail("decode and encode do not give the bytes back");
    const LineEnds::Split split = LineEnds::split(decoded);
    if (rejoined(split) != decoded)
        fail("the line ends do not join back");

    editor->setTextRTF(currentInput);
    const TextFileFormat& format = editor->textFileFormat();
    if (format.encoding != detected.encoding || format.byteOrderMark != detected.byteOrderMark
        || format.lineEnd != split.majority)
        fail("the editor remembered another format");
    const TextCodec::Encoded saved = TextCodec::encode(editor->fileText(), format);
    if (saved.unencodable >= 0 || saved.bytes != currentInput)
        fail("the editor's text does not save as the input");

    QString typed = QStringLiteral("ж");
    TextCodec::Encoded character = TextCodec::encode(typed, TextFileFormat{format.encoding, false, format.lineEnd});
    if (character.unencodable >= 0) {
        typed = QStringLiteral("z");
        character = TextCodec::encode(typed, TextFileFormat{format.encoding, false, format.lineEnd});
    }
    QTextCursor end(editor->document());
    end.movePosition(QTextCursor::End);
    end.insertText(typed);
    if (TextCodec::encode(editor->fileText(), format).bytes != currentInput + character.bytes)
        fail("one typed character changed more than its own bytes");
    return 0;
}
