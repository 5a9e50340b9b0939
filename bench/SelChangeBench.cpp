// bench_selchange: the selection-change handler (the seven formatting
// buttons of the toolbar) on a whole-document selection of a ~5 MB document
// with many format runs, in the shown main window (offscreen).
//
//   bash scripts/bench.sh bench_selchange --benchmark_repetitions=5 \
//       --benchmark_report_aggregates_only=true
//
// SelChange_Handler/<document>      rtfText_SelChange with everything selected
// SelChange_SeparateWalks/<document> for comparison, the same seven readings
//                                   made the way the editor made them before:
//                                   one walk per style, asking every run for
//                                   its position and format
//
// Documents: "bold3" has every third word bold (bold is mixed, the other
// three styles are uniform, so they are read to the end); "colours" has every
// word in a colour of its own and everything bold but the last word, so the
// bold reading cannot stop before the end: the worst case.

#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <memory>

#include <benchmark/benchmark.h>

namespace {

const char* const words[] = {"Редактор", "text", "ёлка,", "Straße", "документ.", "Word", "объём", "и",
                             "programme", "Щука", "(скобки)", "quick", "brown", "лиса", "—", "42"};

QByteArray rtfWord(const QString& word)
{
    QByteArray out;
    for (const QChar ch : word) {
        if (ch.unicode() < 0x80)
            out.append(char(ch.unicode()));
        else
            out.append("\\u").append(QByteArray::number(qint16(ch.unicode()))).append('?');
    }
    return out;
}

enum class Kind { BoldEveryThirdWord, ColouredAllBold };

// About `characters` characters of mixed Cyrillic and Latin words in
// paragraphs of 60 to 80 words, as RTF.
QByteArray sampleRtf(qsizetype characters, Kind kind)
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}{\\colortbl;";
    for (int i = 0; i < 16; ++i)
        rtf += "\\red" + QByteArray::number(i * 15) + "\\green" + QByteArray::number(255 - i * 15) + "\\blue"
            + QByteArray::number((i * 97) % 256) + ';';
    rtf += "}\\uc1\\f0\\fs28 ";
    unsigned state = 12345;
    int inParagraph = 0;
    int word = 0;
    qsizetype length = 0;
    while (length < characters) {
        state = state * 1103515245u + 12345u;
        const QString text = QString::fromUtf8(words[(state >> 16) % std::size(words)]);
        length += text.size() + 1;
        ++word;
        const bool paragraphEnd = ++inParagraph >= 60 + int((state >> 8) % 21);
        if (paragraphEnd)
            inParagraph = 0;
        const QByteArray spaced = rtfWord(text) + (paragraphEnd ? "" : " ");
        if (length >= characters)
            rtf += spaced;
        else if (kind == Kind::BoldEveryThirdWord)
            rtf += word % 3 == 0 ? "{\\b " + spaced + "}" : spaced;
        else  // the space in the word's group: bold throughout
            rtf += "{\\b\\cf" + QByteArray::number(1 + word % 16) + ' ' + spaced + "}";
        if (paragraphEnd)
            rtf += "\\par\n";
    }
    rtf += '}';
    return rtf;
}

struct Window
{
    QTemporaryDir programFolder;
    std::unique_ptr<frmMain> main;

    explicit Window(Kind kind)
    {
        QStandardPaths::setTestModeEnabled(true);
        ProgramFolder::setPathForTesting(programFolder.path());
        main = std::make_unique<frmMain>();
        main->resize(1000, 800);
        main->show();
        editor().setTextRTF(sampleRtf(5 * 1024 * 1024, kind));
        editor().selectAll();
        QApplication::processEvents();
    }
    ~Window() { ProgramFolder::setPathForTesting(QString()); }
    frmDocument& document() { return *main->ActiveForm(); }
    RichTextBox& editor() { return *document().rtfText; }
};

// One style read the former way: every run asked for its position and for
// its whole format.
template <typename Read>
std::optional<bool> separateWalk(const RichTextBox& editor, Read read)
{
    const QTextCursor cursor = editor.textCursor();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    std::optional<bool> result;
    for (QTextBlock block = editor.document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= start)
                continue;
            if (fragment.position() >= end)
                break;
            const bool value = read(fragment.charFormat());
            if (!result)
                result = value;
            else if (*result != value)
                return std::nullopt;
        }
    }
    return result;
}

std::optional<int> separateAlignment(const RichTextBox& editor)
{
    const QTextCursor cursor = editor.textCursor();
    const QTextBlock last = editor.document()->findBlock(std::max(cursor.selectionStart(), cursor.selectionEnd() - 1));
    std::optional<int> result;
    for (QTextBlock block = editor.document()->findBlock(cursor.selectionStart()); block.isValid();
         block = block.next()) {
        const Qt::Alignment a = block.blockFormat().alignment();
        const int code = (a & Qt::AlignHCenter) ? 2 : (a & Qt::AlignRight) ? 1 : 0;
        if (result && *result != code)
            return std::nullopt;
        result = code;
        if (block == last)
            break;
    }
    return result;
}

void SelChange_Handler(benchmark::State& state, Kind kind)
{
    Window window(kind);
    for (auto _ : state)
        window.document().rtfText_SelChange();
    state.counters["selection"] = double(window.editor().SelLength());
    state.counters["blocks"] = window.editor().document()->blockCount();
}
BENCHMARK_CAPTURE(SelChange_Handler, bold3, Kind::BoldEveryThirdWord)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SelChange_Handler, colours, Kind::ColouredAllBold)->Unit(benchmark::kMillisecond);

void SelChange_SeparateWalks(benchmark::State& state, Kind kind)
{
    Window window(kind);
    const RichTextBox& editor = window.editor();
    for (auto _ : state) {
        benchmark::DoNotOptimize(separateWalk(editor, [](const QTextCharFormat& f) { return f.fontWeight() >= 63; }));
        benchmark::DoNotOptimize(separateWalk(editor, [](const QTextCharFormat& f) { return f.fontItalic(); }));
        benchmark::DoNotOptimize(separateWalk(editor, [](const QTextCharFormat& f) { return f.fontUnderline(); }));
        benchmark::DoNotOptimize(separateWalk(editor, [](const QTextCharFormat& f) { return f.fontStrikeOut(); }));
        benchmark::DoNotOptimize(separateAlignment(editor));
    }
}
BENCHMARK_CAPTURE(SelChange_SeparateWalks, bold3, Kind::BoldEveryThirdWord)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SelChange_SeparateWalks, colours, Kind::ColouredAllBold)->Unit(benchmark::kMillisecond);

} // namespace
