// bench_findreplace: the find dialog's commands on large documents, in a
// shown document window (offscreen).
//
//   bash scripts/bench.sh bench_findreplace --benchmark_repetitions=5 \
//       --benchmark_report_aggregates_only=true
//
// ReplaceAll            Replace All with 100,000 matches in a 5 MB document:
//                       the text read once, the matches replaced in one edit
//                       block (one undo step). Undo of that step is timed
//                       too, for information.
// NaiveReplaceAll/N     the loop the dialog's description suggests, through
//                       the editor: read Text(), search, select, replace,
//                       for each of the first N matches of the same document;
//                       the counter extrapolated_100k_s scales it to 100,000
//                       matches (each step costs the same, a whole read).
// FindNext/where        one "Найти далее" step in a 10 MB document whose
//                       next match is right after the last one (near),
//                       at the end of the text (far), or nowhere (none);
//                       and the first step to the end of a document just
//                       loaded, which also lays the text out that far
//                       (far fresh, where=3).

#include "commands/CommandContext.h"
#include "dialogs/FindReplace.h"
#include "document/frmDocument.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

namespace {

const QString Needle = QStringLiteral("needle");

// `units` pieces of 50 characters, each starting with the needle when
// `withNeedle` says so, two pieces to a paragraph; Russian and English words.
QString makeText(int units, const std::function<bool(int)>& withNeedle)
{
    static const QString filler = QStringLiteral("съешь же ещё этих мягких булок and tea!");  // 39
    QString text;
    text.reserve(qsizetype(units) * 50);
    for (int i = 0; i < units; ++i) {
        text += withNeedle(i) ? Needle : QStringLiteral("nedle!");
        text += filler;
        text += QStringLiteral("1234");
        text += i % 2 ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return text;
}

struct Window
{
    std::unique_ptr<frmDocument> document = std::make_unique<frmDocument>();
    CommandContext context;

    Window()
    {
        document->resize(900, 700);
        document->show();
        context.activeForm = [this] { return document.get(); };
    }
    RichTextBox* editor() const { return document->rtfText; }
    void settle() const { QCoreApplication::processEvents(); }
};

void ReplaceAll(benchmark::State& state)
{
    const QString text = makeText(100000, [](int) { return true; });  // 5,000,000 characters
    Window window;
    double undoSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window.editor()->setText(text);
        window.settle();
        FindReplace search(window.context);
        state.ResumeTiming();

        search.replaceAll(Needle, QStringLiteral("pin"), Qt::CaseInsensitive);
        window.settle();

        state.PauseTiming();
        if (window.editor()->textLength() != text.size() - 100000 * 3 + 3)
            state.SkipWithError("wrong number of replacements");
        QElapsedTimer clock;
        clock.start();
        window.editor()->document()->undo();
        window.settle();
        undoSeconds += clock.nsecsElapsed() / 1e9;
        if (window.editor()->Text() != text)
            state.SkipWithError("undo did not restore the document");
        state.ResumeTiming();
    }
    state.counters["undo_s"] = benchmark::Counter(undoSeconds / double(state.iterations()));
}
BENCHMARK(ReplaceAll)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The layout share of the figures above: moving the caret to the end of the
// same document just loaded lays out all of its text, as placing the caret
// after the last replacement does.
void CaretToEnd(benchmark::State& state)
{
    const QString text = makeText(100000, [](int) { return true; });
    Window window;
    for (auto _ : state) {
        state.PauseTiming();
        window.editor()->setText(text);
        window.settle();
        state.ResumeTiming();
        window.editor()->setSelStart(window.editor()->textLength());
        window.settle();
    }
}
BENCHMARK(CaretToEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void NaiveReplaceAll(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QString text = makeText(100000, [](int) { return true; });
    Window window;
    for (auto _ : state) {
        state.PauseTiming();
        window.editor()->setText(text);
        window.settle();
        state.ResumeTiming();

        QElapsedTimer clock;
        clock.start();
        RichTextBox* editor = window.editor();
        qsizetype from = 0;
        for (int i = 0; i < count; ++i) {
            const qsizetype at = editor->Text().indexOf(Needle, from, Qt::CaseInsensitive);
            if (at < 0)
                break;
            editor->setSelStart(at);
            editor->setSelLength(Needle.size());
            editor->setSelText(QStringLiteral("pin"));
            from = at + 3;
        }
        window.settle();
        state.counters["extrapolated_100k_s"] = clock.nsecsElapsed() / 1e9 * 100000.0 / count;
    }
}
BENCHMARK(NaiveReplaceAll)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

enum Where { Near, Far, None, FarFresh };

void FindNext(benchmark::State& state)
{
    const auto where = Where(state.range(0));
    constexpr int units = 200000;  // 10,000,000 characters
    const QString text = makeText(units, [where](int i) {
        return (where == Near && i % 2 == 0) || ((where == Far || where == FarFresh) && i == units - 1);
    });
    Window window;
    window.editor()->setText(text);
    window.settle();
    if (where != FarFresh) {
        // Laid out to the end once, so that the layout Qt otherwise goes on
        // with in idle time does not fall into the steps.
        window.editor()->setSelStart(window.editor()->textLength());
        window.editor()->setSelStart(0);
        window.settle();
    }
    FindReplace search(window.context);
    for (auto _ : state) {
        if (where == FarFresh) {
            // A document just loaded: nothing past the first screen is laid out.
            state.PauseTiming();
            window.editor()->setText(text);
            window.settle();
            search = FindReplace(window.context);
            state.ResumeTiming();
        }
        const FindReplace::Outcome outcome = search.findNext(Needle, Qt::CaseInsensitive);
        window.settle();
        if (outcome != (where == None ? FindReplace::Outcome::NotFound : FindReplace::Outcome::Found))
            state.SkipWithError("unexpected outcome");
        if (where == Far) {
            state.PauseTiming();
            search = FindReplace(window.context);  // back to the start for the next step
            state.ResumeTiming();
        }
    }
}
BENCHMARK(FindNext)->Arg(Near)->Arg(Far)->Arg(None)->ArgNames({"where"})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FindNext)->Arg(FarFresh)->ArgNames({"where"})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
