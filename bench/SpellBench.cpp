// Spelling: words checked per second against the system's ru_RU and en_US
// dictionaries, first seen (every verdict from Hunspell) and seen before (the
// checker's memory of verdicts), and whole paragraphs looked at the way the
// editor's marks look at them (scanned, checked, kept on the paragraph).
//
//   bash scripts/bench.sh bench_spelling --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// items_per_second is words per second.

#include "platform/RichTextBox.h"
#include "platform/SpellChecker.h"
#include "platform/SpellMarks.h"
#include "platform/SpellWordScanner.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Every step-th plain entry of a dictionary's word list, flags cut off.
QStringList dictionaryWords(const QString& name, int step)
{
    QFile file(SpellChecker::systemDictionaryFolder() + u'/' + name + QStringLiteral(".dic"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    file.readLine();
    QStringList words;
    for (int line = 0; !file.atEnd(); ++line) {
        const QString entry = QString::fromUtf8(file.readLine()).trimmed().section(u'/', 0, 0);
        if (line % step == 0 && entry.size() > 2 && !SpellWordScanner::isExempt(entry)
            && SpellWordScanner::words(entry).size() == 1)
            words.append(entry);
    }
    return words;
}

// Real words of both languages and as many misspelt ones (a letter doubled).
const QStringList& sampleWords()
{
    static const QStringList words = [] {
        QStringList right = dictionaryWords(QStringLiteral("ru_RU"), 73) + dictionaryWords(QStringLiteral("en_US"), 41);
        QStringList all;
        for (const QString& word : right) {
            all.append(word);
            all.append(word.left(word.size() - 1) + word.at(word.size() - 2) + word.back());
        }
        return all;
    }();
    return words;
}

struct Checker
{
    QTemporaryDir dir;
    SpellChecker checker {SpellChecker::systemDictionaryFolder(), dir.filePath(QStringLiteral("words.txt"))};
    Checker()
    {
        checker.start();
        checker.waitForLoad();
        if (!checker.isActive())
            qFatal("the ru_RU and en_US dictionaries did not load");
    }
    void forget()
    {
        checker.setEnabled(false);
        checker.setEnabled(true);
    }
};

Checker& shared()
{
    static Checker checker;
    return checker;
}

void BM_CheckWordsFirstSeen(benchmark::State& state)
{
    Checker& c = shared();
    const QStringList& words = sampleWords();
    for (auto _ : state) {
        state.PauseTiming();
        c.forget();
        state.ResumeTiming();
        int right = 0;
        for (const QString& word : words)
            right += c.checker.isCorrect(word);
        benchmark::DoNotOptimize(right);
    }
    state.SetItemsProcessed(state.iterations() * words.size());
    state.counters["words"] = double(words.size());
}
BENCHMARK(BM_CheckWordsFirstSeen)->Unit(benchmark::kMillisecond);

void BM_CheckWordsSeenBefore(benchmark::State& state)
{
    Checker& c = shared();
    const QStringList& words = sampleWords();
    for (const QString& word : words)
        c.checker.isCorrect(word);
    for (auto _ : state) {
        int right = 0;
        for (const QString& word : words)
            right += c.checker.isCorrect(word);
        benchmark::DoNotOptimize(right);
    }
    state.SetItemsProcessed(state.iterations() * words.size());
}
BENCHMARK(BM_CheckWordsSeenBefore)->Unit(benchmark::kMillisecond);

// 2,000 lines of the large-document benchmark's kind, with a misspelt word
// in every tenth; each round the checker forgets its verdicts, as after a
// word was added, so every paragraph is scanned and checked again.
void BM_ParagraphMarks(benchmark::State& state)
{
    Checker& c = shared();
    static const char* const words[] = {"редактор", "document", "текст", "window", "строка",
                                        "paragraph", "шрифт", "format", "абзац", "line"};
    QString text;
    for (int i = 0; i < 2000; ++i) {
        QString line;
        for (int w = 0; line.size() < 36; ++w)
            line += QString::fromUtf8(words[(i + w * 3) % 10]) + u' ';
        if (i % 10 == 0)
            line += QStringLiteral("ошибкка ");
        text += line + QString::number(i) + u'\n';
    }
    QTextDocument document;
    document.setPlainText(text);
    SpellMarks marks(&document, nullptr);
    marks.setChecker(&c.checker);
    qsizetype wordCount = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        wordCount += SpellWordScanner::words(block.text()).size();
    for (auto _ : state) {
        state.PauseTiming();
        c.forget();
        state.ResumeTiming();
        qsizetype misspelt = 0;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
            misspelt += marks.misspelt(block).size();
        benchmark::DoNotOptimize(misspelt);
    }
    state.SetItemsProcessed(state.iterations() * wordCount);
}
BENCHMARK(BM_ParagraphMarks)->Unit(benchmark::kMillisecond);

// One typed letter and the paint that follows, in a shown editor of 20,000
// lines with a misspelt word in every fifth, spelling off (0) and on (1). Run with --benchmark_enable_random_interleaving=true so that the two
// take turns.
void BM_KeystrokeAndPaint(benchmark::State& state)
{
    const bool on = state.range(0) != 0;
    Checker& c = shared();
    static const char* const words[] = {"редактор", "document", "текст", "window", "строка",
                                        "paragraph", "шрифт", "format", "абзац", "line"};
    QString text;
    for (int i = 0; i < 20000; ++i) {
        QString line = i % 5 == 0 ? QStringLiteral("ашибка ") : QString();
        for (int w = 0; line.size() < 36; ++w)
            line += QString::fromUtf8(words[(i + w * 3) % 10]) + u' ';
        text += line + QString::number(i) + u'\n';
    }
    RichTextBox box;
    box.resize(800, 600);
    box.show();
    box.setText(text);
    box.setSpellChecker(on ? &c.checker : nullptr);
    QApplication::processEvents();
    box.viewport()->repaint();
    box.setSelStart(box.document()->findBlockByNumber(10).position());
    // Right words, one letter at a time, and a new line after every fifth.
    const QString typing = QStringLiteral("редактор текст window строка format\n");
    int typed = 0;
    for (auto _ : state) {
        const QString letter = typing.at(typed++ % typing.size());
        if (letter == u"\n") {
            box.setSelText(letter);
        } else {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, letter);
            QApplication::sendEvent(&box, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, letter);
            QApplication::sendEvent(&box, &release);
        }
        QApplication::processEvents();
        box.viewport()->repaint();
    }
}
BENCHMARK(BM_KeystrokeAndPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
