// bench_rtf: times the RTF reader and writer on a generated ~5 MB document.
//
//   bench_rtf [--runs N] [--size MB] [--dump FILE] [--file FILE]
//
//   --runs N     timed runs of each measurement (default 7); median and min
//                are printed
//   --size MB    size of the generated document in MB (default 5)
//   --dump FILE  also write the generated RTF to FILE (for perf/callgrind)
//   --file FILE  time FILE instead of a generated document
//
// The generated document is the same on every run (a fixed-seed generator):
// Russian and English words, Cyrillic mostly as \'xx under \ansicpg1251 and
// some as \uN with a fallback, bold/italic/underline/strike toggles, font,
// size and colour changes every few words, and paragraphs of varied
// alignment, as a word processor would write them.
//
// Measured, each on its own fresh QTextDocument:
//   read   RtfReader::read of the RTF
//   write  RtfWriter::write of the read document
//   plain  QTextDocument::setPlainText of the read document's plain text,
//          the baseline, measured in the same process
//   runs   QTextCursor::insertText of the read document's runs, each with
//          its ready-made format, and insertBlock per paragraph: what Qt
//          alone costs a reader that builds the document run by run (for
//          information: the floor under RtfReader::read's approach)
// and printed: median and min per measurement, read/plain ratio, reader MB/s,
// with the targets (read < 0.5 s, write < 0.3 s, read <= 3x plain). Nothing
// fails on a missed target: this only prints.

#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QString>
#include <QStringConverter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
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

struct Stats
{
    double median = 0;
    double min = 0;
};

Stats measure(int runs, const std::function<double()>& once)
{
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i)
        seconds.push_back(once());
    std::sort(seconds.begin(), seconds.end());
    const std::size_t n = seconds.size();
    const double median = n % 2 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
    return {median, seconds.front()};
}

double since(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

[[noreturn]] void usage(const char* program)
{
    std::fprintf(stderr, "usage: %s [--runs N] [--size MB] [--dump FILE] [--file FILE]\n", program);
    std::exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 7;
    double sizeMb = 5;
    const char* dumpPath = nullptr;
    const char* filePath = nullptr;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--runs") && hasValue)
            runs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--size") && hasValue)
            sizeMb = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--dump") && hasValue)
            dumpPath = argv[++i];
        else if (!std::strcmp(argv[i], "--file") && hasValue)
            filePath = argv[++i];
        else
            usage(argv[0]);
    }
    if (runs < 1 || sizeMb <= 0)
        usage(argv[0]);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    QByteArray rtf;
    if (filePath) {
        QFile file(QString::fromLocal8Bit(filePath));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "bench_rtf: cannot open %s\n", filePath);
            return 1;
        }
        rtf = file.readAll();
    } else {
        QElapsedTimer timer;
        timer.start();
        rtf = generateRtf(static_cast<qsizetype>(sizeMb * 1024 * 1024));
        std::printf("generated %.2f MB of RTF in %.3f s\n", rtf.size() / 1048576.0, since(timer));
    }
    if (dumpPath) {
        QFile dump(QString::fromLocal8Bit(dumpPath));
        if (!dump.open(QIODevice::WriteOnly) || dump.write(rtf) != rtf.size()) {
            std::fprintf(stderr, "bench_rtf: cannot write %s\n", dumpPath);
            return 1;
        }
    }
    const double mb = rtf.size() / 1048576.0;

    // One untimed read: checks the input and gives the document and the plain
    // text that the write and the baseline use.
    QTextDocument reference;
    if (!RtfReader::read(rtf, &reference)) {
        std::fprintf(stderr, "bench_rtf: the reader refused the input\n");
        return 1;
    }
    const QString plain = reference.toPlainText();

    // The read document's paragraphs and runs, for the "runs" measurement.
    struct Run { QString text; QTextCharFormat format; };
    struct Paragraph { QTextBlockFormat format; std::vector<Run> runs; };
    std::vector<Paragraph> paragraphs;
    qsizetype runCount = 0;
    for (QTextBlock block = reference.begin(); block.isValid(); block = block.next()) {
        Paragraph paragraph{block.blockFormat(), {}};
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            paragraph.runs.push_back({fragment.text(), fragment.charFormat()});
        }
        runCount += qsizetype(paragraph.runs.size());
        paragraphs.push_back(std::move(paragraph));
    }
    std::printf("input: %.2f MB RTF, %lld characters, %d paragraphs, %lld format runs; %d runs each\n",
                mb, static_cast<long long>(plain.size()), reference.blockCount(),
                static_cast<long long>(runCount), runs);
    std::fflush(stdout);

    QByteArray written;
    const Stats read = measure(runs, [&] {
        QTextDocument doc;
        QElapsedTimer timer;
        timer.start();
        RtfReader::read(rtf, &doc);
        return since(timer);
    });
    const Stats write = measure(runs, [&] {
        QElapsedTimer timer;
        timer.start();
        written = RtfWriter::write(&reference);
        return since(timer);
    });
    const Stats baseline = measure(runs, [&] {
        QTextDocument doc;
        QElapsedTimer timer;
        timer.start();
        doc.setPlainText(plain);
        return since(timer);
    });

    const Stats qtFloor = measure(runs, [&] {
        QTextDocument doc;
        QElapsedTimer timer;
        timer.start();
        doc.setUndoRedoEnabled(false);
        QTextCursor cursor(&doc);
        cursor.beginEditBlock();
        bool first = true;
        for (const Paragraph& paragraph : paragraphs) {
            if (!first)
                cursor.insertBlock();
            first = false;
            cursor.setBlockFormat(paragraph.format);
            for (const Run& run : paragraph.runs)
                cursor.insertText(run.text, run.format);
        }
        cursor.endEditBlock();
        return since(timer);
    });

    std::printf("\n%-28s %10s %10s %10s\n", "", "median s", "min s", "target s");
    std::printf("%-28s %10.3f %10.3f %10s\n", "RtfReader::read", read.median, read.min, "< 0.5");
    std::printf("%-28s %10.3f %10.3f %10s\n", "RtfWriter::write", write.median, write.min, "< 0.3");
    std::printf("%-28s %10.3f %10.3f %10s\n", "setPlainText (baseline)", baseline.median,
                baseline.min, "");
    std::printf("%-28s %10.3f %10.3f %10s\n", "insertText of the runs", qtFloor.median, qtFloor.min, "");
    const double ratio = baseline.median > 0 ? read.median / baseline.median : 0;
    std::printf("\nread / setPlainText (medians): %.2fx (target <= 3x)\n", ratio);
    std::printf("insertText of the runs / setPlainText (medians): %.2fx\n",
                baseline.median > 0 ? qtFloor.median / baseline.median : 0);
    std::printf("reader: %.1f MB/s (median), %.1f MB/s (best)\n", mb / read.median, mb / read.min);
    std::printf("writer: %.2f MB written, %.1f MB/s of output (median)\n", written.size() / 1048576.0,
                written.size() / 1048576.0 / write.median);
    const bool met = read.median < 0.5 && write.median < 0.3 && ratio <= 3;
    std::printf("targets: %s\n", met ? "met" : "MISSED");
    return 0;
}
