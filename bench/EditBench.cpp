// bench_edit: select all and case conversion on large documents, in the
// shown main window (offscreen), through the commands its menus run.
//
//   bash scripts/bench.sh bench_edit --benchmark_repetitions=5 \
//       --benchmark_report_aggregates_only=true
//
// SelectAll_Command     select all on a freshly loaded ~5 MB document (every
//                       third word bold), from the command to the editor
//                       having shown the result
// SelectAll_LengthOf*   the length the command selects: the text's own
//                       length as built, against the length of the RTF
//                       source (writing the whole document as RTF)
// UpperCase_*           upper case of a 1 MB selection: plain text, text with
//                       a format change every few words, and for comparison
//                       the whole selection replaced through its plain text
//
// The document is loaded again before every timed select all or conversion
// (not timed), so each meets a freshly loaded document, as a user would after
// opening it.

#include "app/frmMain.h"
#include "commands/EditCommands.h"
#include "commands/FormatCommands.h"
#include "document/frmDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QTextCursor>

#include <memory>

#include <benchmark/benchmark.h>

namespace {

const char* const words[] = {"Редактор", "text", "ёлка,", "Straße", "документ.", "Word", "объём", "и",
                             "programme", "Щука", "(скобки)", "quick", "brown", "лиса", "—", "42"};

// About `characters` UTF-16 characters of mixed Cyrillic and Latin words in
// paragraphs of 60 to 80 words.
QString sampleText(qsizetype characters)
{
    QString text;
    text.reserve(characters + 200);
    unsigned state = 12345;
    int inParagraph = 0;
    while (text.size() < characters) {
        state = state * 1103515245u + 12345u;
        text += QString::fromUtf8(words[(state >> 16) % std::size(words)]);
        if (++inParagraph >= 60 + int((state >> 8) % 21)) {
            text += QLatin1Char('\n');
            inParagraph = 0;
        } else {
            text += QLatin1Char(' ');
        }
    }
    return text;
}

// The main window shown offscreen at a usual size, with its one document,
// its command groups and its refresh timer, and settings kept away from the
// user's own.
struct Window
{
    QTemporaryDir programFolder;
    std::unique_ptr<frmMain> main;

    Window()
    {
        QStandardPaths::setTestModeEnabled(true);
        ProgramFolder::setPathForTesting(programFolder.path());
        main = std::make_unique<frmMain>();
        main->resize(1000, 800);
        main->show();
        main->ActiveForm()->parentWidget()->showMaximized();
        QApplication::processEvents();
    }
    ~Window() { ProgramFolder::setPathForTesting(QString()); }
    RichTextBox& editor() { return *main->ActiveForm()->rtfText; }
    // Loads a document as File > Open would and lets the window paint once.
    void load(const QByteArray& rtf)
    {
        editor().setTextRTF(rtf);
        QApplication::processEvents();
    }
};

// The sample text as RTF, every `boldEvery`-th word bold (0: none).
QByteArray sampleDocument(qsizetype characters, int boldEvery)
{
    const QString text = sampleText(characters);
    RichTextBox editor;
    editor.setText(text);
    if (boldEvery > 0) {
        QTextCursor cursor(editor.document());
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.beginEditBlock();
        int word = 0;
        for (qsizetype at = text.indexOf(QLatin1Char(' ')); at >= 0; at = text.indexOf(QLatin1Char(' '), at + 1)) {
            const qsizetype end = text.indexOf(QLatin1Char(' '), at + 1);
            if (end < 0)
                break;
            if (++word % boldEvery != 0)
                continue;
            cursor.setPosition(int(at + 1));
            cursor.setPosition(int(end), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(bold);
        }
        cursor.endEditBlock();
    }
    return editor.TextRTF();
}

constexpr qsizetype FiveMegabytes = 5 * 1024 * 1024;
constexpr qsizetype OneMegabyte = 1024 * 1024;

void SelectAll_Command(benchmark::State& state)
{
    Window window;
    const QByteArray document = sampleDocument(FiveMegabytes, 3);
    EditCommands& commands = *window.main->editCommands();
    for (auto _ : state) {
        state.PauseTiming();
        window.load(document);
        state.ResumeTiming();
        commands.mnueditselectall_Click();
        QApplication::processEvents();
    }
    state.counters["length"] = double(window.editor().SelLength());
}
BENCHMARK(SelectAll_Command)->Unit(benchmark::kMillisecond)->Iterations(3);

// Finding the length to select: the text's own length, as the command does,
// against the length of the RTF source, which means writing the whole
// document as RTF.
void SelectAll_LengthOfText(benchmark::State& state)
{
    Window window;
    window.load(sampleDocument(FiveMegabytes, 3));
    for (auto _ : state)
        benchmark::DoNotOptimize(window.editor().textLength());
}
BENCHMARK(SelectAll_LengthOfText);

void SelectAll_LengthOfRtf(benchmark::State& state)
{
    Window window;
    window.load(sampleDocument(FiveMegabytes, 3));
    for (auto _ : state)
        benchmark::DoNotOptimize(window.editor().TextRTF().size());
}
BENCHMARK(SelectAll_LengthOfRtf)->Unit(benchmark::kMillisecond)->Iterations(3);

void upperCase(benchmark::State& state, int boldEvery, bool throughSelText)
{
    Window window;
    const QByteArray document = sampleDocument(OneMegabyte, boldEvery);
    FormatCommands& commands = *window.main->formatCommands();
    for (auto _ : state) {
        state.PauseTiming();
        window.load(document);
        window.editor().setSelStart(0);
        window.editor().setSelLength(window.editor().textLength());
        QApplication::processEvents();
        state.ResumeTiming();
        if (throughSelText) {
            RichTextBox& editor = window.editor();
            const qsizetype start = editor.SelStart();
            const QString upper = editor.SelText().toUpper();
            editor.setSelText(upper);
            editor.setSelStart(start);
            editor.setSelLength(upper.size());
        } else {
            commands.mnutuningcapsenabled_Click();
        }
        QApplication::processEvents();
    }
    state.counters["selection"] = double(window.editor().SelLength());
}

void UpperCase_Plain(benchmark::State& state)
{
    upperCase(state, 0, false);
}
BENCHMARK(UpperCase_Plain)->Unit(benchmark::kMillisecond)->Iterations(3);

void UpperCase_BoldEveryThirdWord(benchmark::State& state)
{
    upperCase(state, 3, false);
}
BENCHMARK(UpperCase_BoldEveryThirdWord)->Unit(benchmark::kMillisecond)->Iterations(3);

void UpperCase_ThroughSelText(benchmark::State& state)
{
    upperCase(state, 3, true);
}
BENCHMARK(UpperCase_ThroughSelText)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
