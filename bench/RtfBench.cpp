// bench_rtf: the RTF reader and writer on a generated ~5 MB document.
//
//   bash scripts/bench.sh bench_rtf --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The command line belongs to Google Benchmark; the input is chosen in the
// environment:
//   BENCH_RTF_SIZE_MB=M  size of the generated document in MB (default 5)
//   BENCH_RTF_FILE=F     time the file F instead of a generated document
//   BENCH_RTF_DUMP=F     also write the generated RTF to F (for perf/callgrind)
//
// The generated document is the same on every run (a fixed-seed generator):
// Russian and English words, Cyrillic mostly as \'xx under \ansicpg1251 and
// some as \uN with a fallback, bold/italic/underline/strike toggles, font,
// size and colour changes every few words, and paragraphs of varied
// alignment, as a word processor would write them.
//
// Measured, each iteration on a fresh QTextDocument, wall time of the call
// alone:
//   Rtf_SetPlainText  QTextDocument::setPlainText of the read document's plain
//                     text: the baseline
//   Rtf_Read          RtfReader::read of the RTF; bytes_per_second is the
//                     reader's speed, x_plain its time over the baseline's
//                     median (when the baseline ran first, as it does unless
//                     a filter leaves it out)
//   Rtf_Write         RtfWriter::write of the read document; bytes_per_second
//                     counts the RTF written
//   Rtf_InsertRuns    QTextCursor::insertText of the read document's runs,
//                     each with its ready-made format, and insertBlock per
//                     paragraph: what Qt alone costs a reader that builds the
//                     document run by run (the floor under RtfReader::read's
//                     approach), with x_plain as for Rtf_Read
// Targets: read < 0.5 s, write < 0.3 s, read <= 3x the baseline.

#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringConverter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <vector>

namespace {

// A small fixed-seed generator (xorshift64*), so the document is the same on
// every machine and every run.
class Random
{
public:
    explicit Random(std::uint64_t seed) : state(seed) { }
    std::uint64_t next()
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 0x2545F4914F6CDD1DULL;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::uint64_t state;
};

const char* const russianWords[] = {
    "и", "в", "не", "на", "что", "с", "по", "это", "документ", "текст", "редактор", "строка",
    "абзац", "шрифт", "размер", "цвет", "жирный", "курсив", "подчёркнутый", "зачёркнутый",
    "Москва", "Санкт-Петербург", "правительство", "исследование", "результаты", "программа",
    "пользователь", "изменения", "быстро", "медленно", "ёлка", "объём", "съешь", "ещё",
    "этих", "мягких", "французских", "булок", "да", "выпей", "же", "чаю", "Щука", "Юла",
    "Эхо", "№", "—", "«цитата»", "разработка", "приложение", "сохранить", "открыть",
};
const char* const englishWords[] = {
    "the", "of", "and", "to", "in", "is", "that", "document", "editor", "format", "paragraph",
    "font", "size", "colour", "bold", "italic", "underline", "strike", "quick", "brown", "fox",
    "jumps", "over", "lazy", "dog", "Qt", "RTF", "reader", "writer", "benchmark", "result",
    "table", "field", "Microsoft", "Word", "LibreOffice", "WordPad", "version", "2024",
};
const char* const fonts[] = {"Times New Roman", "Arial", "Courier New", "Calibri", "Verdana",
                             "Georgia"};
const int sizes[] = {16, 18, 20, 22, 24, 28, 32, 36};
const char* const alignments[] = {"\\ql", "\\qc", "\\qr", "\\qj"};

// Appends one word: Cyrillic as \'xx (Windows-1251) or, now and then, as
// \uN with a one-byte \'xx fallback; ASCII as is, with RTF's specials escaped.
void appendWord(QByteArray& out, const QString& word, Random& random)
{
    static QStringEncoder cp1251("windows-1251");
    const bool unicode = random.chance(15);
    for (const QChar c : word) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            if (u == '\\' || u == '{' || u == '}')
                out += '\\';
            out += static_cast<char>(u);
            continue;
        }
        const QByteArray b = cp1251.encode(QString(c));
        char hex[8];
        if (unicode) {
            out += "\\u";
            out += QByteArray::number(static_cast<int>(static_cast<std::int16_t>(u)));
        }
        std::snprintf(hex, sizeof hex, "\\'%02x", b.isEmpty() ? '?' : static_cast<unsigned char>(b[0]));
        out += hex;
    }
}

QByteArray generateRtf(qsizetype targetBytes)
{
    Random random(20240601);
    QByteArray out;
    out.reserve(targetBytes + 4096);
    out += "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049\\uc1{\\fonttbl";
    for (int i = 0; i < int(std::size(fonts)); ++i)
        out += QByteArray("{\\f") + QByteArray::number(i) + "\\fnil\\fcharset204 " + fonts[i] + ";}";
    out += "}\r\n{\\colortbl ;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green112\\blue192;"
           "\\red0\\green176\\blue80;\\red112\\green48\\blue160;\\red255\\green192\\blue0;}\r\n"
           "{\\*\\generator bench_rtf;}\\viewkind4\\uc1\r\n";

    bool bold = false, italic = false, underline = false, strike = false;
    while (out.size() < targetBytes) {
        // A paragraph of 20..120 words with its alignment and indents.
        out += "\\pard";
        out += alignments[random.below(4)];
        if (random.chance(30))
            out += "\\fi" + QByteArray::number(360 + 36 * random.below(10));
        out += "\\sa200\\sl276\\slmult1 ";
        const int words = 20 + random.below(100);
        const bool russianParagraph = random.chance(65);
        int untilChange = 1 + random.below(5);
        for (int w = 0; w < words; ++w) {
            if (--untilChange == 0) {
                untilChange = 2 + random.below(5);
                // Change a few properties, as a word processor writes a new run.
                const qsizetype before = out.size();
                if (random.chance(35)) { bold = !bold; out += bold ? "\\b" : "\\b0"; }
                if (random.chance(25)) { italic = !italic; out += italic ? "\\i" : "\\i0"; }
                if (random.chance(15)) { underline = !underline; out += underline ? "\\ul" : "\\ulnone"; }
                if (random.chance(8)) { strike = !strike; out += strike ? "\\strike" : "\\strike0"; }
                if (random.chance(30)) out += "\\f" + QByteArray::number(random.below(int(std::size(fonts))));
                if (random.chance(30)) out += "\\fs" + QByteArray::number(sizes[random.below(int(std::size(sizes)))]);
                if (random.chance(30)) out += "\\cf" + QByteArray::number(random.below(7));
                if (random.chance(5)) { out += "\\plain"; bold = italic = underline = strike = false; }
                if (out.size() != before)
                    out += ' '; // the control word's delimiter
            }
            const bool russian = russianParagraph ? random.chance(85) : random.chance(15);
            const char* word = russian ? russianWords[random.below(int(std::size(russianWords)))]
                                       : englishWords[random.below(int(std::size(englishWords)))];
            if (random.chance(7)) {
                // A word in its own group: {\b word}
                out += "{\\b\\i ";
                appendWord(out, QString::fromUtf8(word), random);
                out += '}';
            } else {
                appendWord(out, QString::fromUtf8(word), random);
            }
            out += (w + 1 < words) ? (random.chance(10) ? ", " : " ") : ".";
            if (random.chance(3))
                out += "\r\n"; // word processors wrap their output lines
        }
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

double since(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// The RTF every benchmark works on, the document read from it once (untimed:
// it checks the input), its plain text and its paragraphs and runs.
struct Input
{
    struct Run { QString text; QTextCharFormat format; };
    struct Paragraph { QTextBlockFormat format; std::vector<Run> runs; };

    QByteArray rtf;
    QTextDocument document;
    QString plain;
    std::vector<Paragraph> paragraphs;
    qsizetype runCount = 0;
    QString error; // why there is no input

    Input()
    {
        const QByteArray file = qgetenv("BENCH_RTF_FILE");
        if (!file.isEmpty()) {
            QFile in(QString::fromLocal8Bit(file));
            if (!in.open(QIODevice::ReadOnly)) {
                error = QStringLiteral("cannot open %1").arg(in.fileName());
                return;
            }
            rtf = in.readAll();
        } else {
            bool ok = false;
            double sizeMb = qEnvironmentVariable("BENCH_RTF_SIZE_MB").toDouble(&ok);
            if (!ok || sizeMb <= 0)
                sizeMb = 5;
            rtf = generateRtf(static_cast<qsizetype>(sizeMb * 1024 * 1024));
        }
        const QByteArray dump = qgetenv("BENCH_RTF_DUMP");
        if (!dump.isEmpty()) {
            QFile out(QString::fromLocal8Bit(dump));
            if (!out.open(QIODevice::WriteOnly) || out.write(rtf) != rtf.size()) {
                error = QStringLiteral("cannot write %1").arg(out.fileName());
                return;
            }
        }
        if (!RtfReader::read(rtf, &document)) {
            error = QStringLiteral("the reader refused the input");
            return;
        }
        plain = document.toPlainText();
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            Paragraph paragraph{block.blockFormat(), {}};
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                paragraph.runs.push_back({fragment.text(), fragment.charFormat()});
            }
            runCount += qsizetype(paragraph.runs.size());
            paragraphs.push_back(std::move(paragraph));
        }
    }
};

// Null, with the benchmark skipped, when there is no input.
const Input* input(benchmark::State& state)
{
    // Made once and never destroyed: its document must not outlive the
    // application, which main() ends before static objects go.
    static const Input* in = new Input;
    if (!in->error.isEmpty()) {
        state.SkipWithError(qPrintable(in->error));
        return nullptr;
    }
    state.counters["input_MB"] = double(in->rtf.size()) / 1048576.0;
    return in;
}

// Every iteration time of the baseline in this process.
std::vector<double>& baselineSeconds()
{
    static std::vector<double> seconds;
    return seconds;
}

// This run's mean iteration time over the baseline's median, when the baseline ran.
void setRatioToPlain(benchmark::State& state, double totalSeconds)
{
    std::vector<double> base = baselineSeconds();
    if (base.empty() || state.iterations() == 0)
        return;
    std::sort(base.begin(), base.end());
    const std::size_t n = base.size();
    const double median = n % 2 ? base[n / 2] : (base[n / 2 - 1] + base[n / 2]) / 2;
    state.counters["x_plain"] = totalSeconds / double(state.iterations()) / median;
}

void Rtf_SetPlainText(benchmark::State& state)
{
    const Input* in = input(state);
    if (!in)
        return;
    for (auto _ : state) {
        QTextDocument doc;
        QElapsedTimer timer;
        timer.start();
        doc.setPlainText(in->plain);
        const double seconds = since(timer);
        state.SetIterationTime(seconds);
        baselineSeconds().push_back(seconds);
    }
    state.counters["characters"] = double(in->plain.size());
}

void Rtf_Read(benchmark::State& state)
{
    const Input* in = input(state);
    if (!in)
        return;
    double total = 0;
    for (auto _ : state) {
        QTextDocument doc;
        QElapsedTimer timer;
        timer.start();
        RtfReader::read(in->rtf, &doc);
        const double seconds = since(timer);
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.SetBytesProcessed(state.iterations() * in->rtf.size());
    state.counters["paragraphs"] = in->document.blockCount();
    state.counters["runs"] = double(in->runCount);
    setRatioToPlain(state, total);
}

void Rtf_Write(benchmark::State& state)
{
    const Input* in = input(state);
    if (!in)
        return;
    qsizetype written = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const QByteArray rtf = RtfWriter::write(&in->document);
        state.SetIterationTime(since(timer));
        written = rtf.size();
    }
    state.SetBytesProcessed(state.iterations() * written);
    state.counters["written_MB"] = double(written) / 1048576.0;
}

void Rtf_InsertRuns(benchmark::State& state)
{
    const Input* in = input(state);
    if (!in)
        return;
    double total = 0;
    for (auto _ : state) {
        QTextDocument doc;
        QElapsedTimer timer;
        timer.start();
        doc.setUndoRedoEnabled(false);
        QTextCursor cursor(&doc);
        cursor.beginEditBlock();
        bool first = true;
        for (const Input::Paragraph& paragraph : in->paragraphs) {
            if (!first)
                cursor.insertBlock();
            first = false;
            cursor.setBlockFormat(paragraph.format);
            for (const Input::Run& run : paragraph.runs)
                cursor.insertText(run.text, run.format);
        }
        cursor.endEditBlock();
        const double seconds = since(timer);
        state.SetIterationTime(seconds);
        total += seconds;
    }
    setRatioToPlain(state, total);
}

} // namespace

// The baseline first, so that the others can give their time over it.
BENCHMARK(Rtf_SetPlainText)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Rtf_Read)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Rtf_Write)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Rtf_InsertRuns)->UseManualTime()->Unit(benchmark::kMillisecond);
