// bench_files: the file commands on large documents, from the user's side.
//
//   bash scripts/bench.sh bench_files --benchmark_repetitions=5 \
//       --benchmark_report_aggregates_only=true
//
// Documents, made on the first run and kept in bench-data/ beside the
// program (or the folder $PERGALOT_BENCH_DATA names):
//   libreoffice.rtf  about 18 MB written by LibreOffice (soffice --convert-to
//                    rtf) from generated HTML of 2.7 M Russian and English
//                    characters with bold, italic, underline, colour and
//                    alignment;
//   text-1251.txt, text-utf8.txt, text-koi8r.txt, text-utf8-bad.txt,
//   text-utf16.txt   about 10 MB of Russian and English lines (CR LF) in
//                    Windows-1251, UTF-8, KOI8-R, UTF-8 with one stray byte
//                    in its middle, and UTF-16 LE with a byte-order mark.
//
// Measured (manual time, one open or save per iteration):
//   OpenRtf      FileCommands::openFile of the RTF file in a fresh main window
//                up to its first paint; counters split it into reading the
//                file (file_ms), building the document from it (build_ms:
//                RtfReader and the editor's document) and the first paint
//                (paint_ms); for plain text, decode_ms is the part of the
//                build that only decodes the bytes (TextCodec). They also
//                give the process's peak memory with the
//                document open (peak_MB) against the file's size (file_MB).
//   OpenText     the same for the plain-text files.
//   DetectText   finding the encoding of each text file alone.
//   SaveRtf, SaveText  File > Save of the open RTF document to a .rtf and to
//                a .txt caption.
//   SaveTextBack File > Save of each opened text file to its own path; the
//                counter same_bytes is 1 when the file came back unchanged.
// Targets: RTF open < 1 s, text open < 0.5 s, save as RTF < 0.5 s and as text
// < 0.2 s, peak memory < 10x the RTF file. Nothing fails on a miss.

#include "BenchDocuments.h"
#include "BenchSupport.h"

#include "app/frmMain.h"
#include "commands/FileCommands.h"
#include "document/frmDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/RichTextBox.h"
#include "platform/TextCodec.h"
#include "rtf/RtfReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

namespace {

using namespace BenchDocuments;

constexpr qsizetype TextBytes = 10 * 1024 * 1024;

// Lines of Russian and English words up to about 10 MB in the encoding; a
// byte-order mark and a stray byte in the middle where asked for.
QString textFile(const char* encoding, const QString& name, const QByteArray& mark = QByteArray(),
                 bool strayByte = false)
{
    const QString target = dataFolder() + QLatin1Char('/') + name;
    if (QFileInfo(target).size() > 0)
        return target;
    QStringEncoder encoder(encoding);
    Random random(20240918);
    QByteArray bytes;
    bytes.reserve(TextBytes + 4096);
    while (bytes.size() < TextBytes) {
        QString line;
        const int words = 5 + random.below(15);
        const bool russian = random.chance(60);
        for (int i = 0; i < words; ++i)
            line += (i ? QStringLiteral(" ") : QString()) + word(random, random.chance(russian ? 85 : 15));
        line += QStringLiteral(".\r\n");
        bytes += QByteArray(encoder.encode(line));
    }
    if (strayByte)
        bytes.insert(bytes.indexOf('\n', bytes.size() / 2) + 1, '\xFF');
    return writeFile(target, mark + bytes) ? target : QString();
}

double secondsOf(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// A main window as the program starts it, settings kept out of the user's.
std::unique_ptr<frmMain> newMainWindow()
{
    static QTemporaryDir programFolder;
    QStandardPaths::setTestModeEnabled(true);
    ProgramFolder::setPathForTesting(programFolder.path());
    auto window = std::make_unique<frmMain>();
    window->resize(1024, 768);
    window->show();
    QCoreApplication::processEvents();
    window->mdiArea()->currentSubWindow()->showMaximized();
    QCoreApplication::processEvents();
    return window;
}

// Lays out what is visible and paints the whole window once.
void paint(frmMain& window)
{
    QCoreApplication::processEvents();
    window.repaint();
}

// The whole open as the user waits for it, then the same steps one by one
// in a second fresh window for the split.
void openToPaintedWindow(benchmark::State& state, const QString& path)
{
    double file = 0, build = 0, painted = 0, decode = -1;
    for (auto _ : state) {
        std::unique_ptr<frmMain> window = newMainWindow();
        QElapsedTimer timer;
        timer.start();
        const bool opened = window->fileCommands()->openFile(path);
        paint(*window);
        state.SetIterationTime(secondsOf(timer));
        if (!opened) {
            state.SkipWithError("the file did not open");
            return;
        }
        state.counters["peak_MB"] = double(BenchSupport::peakRssBytes()) / 1e6;
        window.reset();

        window = newMainWindow();
        window->CreateDocumentWindow();
        timer.restart();
        QFile input(path);
        input.open(QIODevice::ReadOnly);
        const QByteArray bytes = input.readAll();
        file = secondsOf(timer);
        timer.restart();
        window->ActiveForm()->rtfText->setTextRTF(bytes);
        build = secondsOf(timer);
        timer.restart();
        paint(*window);
        painted = secondsOf(timer);
        if (!RtfReader::isRtf(bytes)) {
            timer.restart();
            benchmark::DoNotOptimize(TextCodec::decode(bytes));
            decode = secondsOf(timer);
        }
    }
    if (decode >= 0)
        state.counters["decode_ms"] = decode * 1000;
    state.counters["file_ms"] = file * 1000;
    state.counters["build_ms"] = build * 1000;
    state.counters["paint_ms"] = painted * 1000;
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}

void BM_OpenRtf(benchmark::State& state)
{
    QString error;
    const QString path = libreOfficeRtf(&error);
    if (path.isEmpty()) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    openToPaintedWindow(state, path);
}

// The text files, by the benchmark's argument.
QString textFileOf(benchmark::State& state)
{
    switch (state.range(0)) {
    case 0:
        state.SetLabel("Windows-1251");
        return textFile("windows-1251", QStringLiteral("text-1251.txt"));
    case 1:
        state.SetLabel("UTF-8");
        return textFile("UTF-8", QStringLiteral("text-utf8.txt"));
    case 2:
        state.SetLabel("KOI8-R");
        return textFile("KOI8-R", QStringLiteral("text-koi8r.txt"));
    case 3:
        state.SetLabel("UTF-8, one bad byte");
        return textFile("UTF-8", QStringLiteral("text-utf8-bad.txt"), QByteArray(), true);
    default:
        state.SetLabel("UTF-16 LE");
        return textFile("UTF-16LE", QStringLiteral("text-utf16.txt"), QByteArray("\xFF\xFE"));
    }
}

void BM_OpenText(benchmark::State& state)
{
    const QString path = textFileOf(state);
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the text file");
        return;
    }
    openToPaintedWindow(state, path);
}

#if __has_include("platform/TextFileFormat.h")
void BM_DetectText(benchmark::State& state)
{
    QFile file(textFileOf(state));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("cannot read the text file");
        return;
    }
    const QByteArray bytes = file.readAll();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const TextFileFormat format = TextCodec::detect(bytes);
        state.SetIterationTime(secondsOf(timer));
        state.SetLabel(format.encoding.toStdString());
    }
}
BENCHMARK(BM_DetectText)->DenseRange(0, 4)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
#endif

// File > Save of an opened text file back to its own path.
void BM_SaveTextBack(benchmark::State& state)
{
    const QString source = textFileOf(state);
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("saved.txt"));
    if (source.isEmpty() || !QFile::copy(source, target)) {
        state.SkipWithError("cannot copy the text file");
        return;
    }
    std::unique_ptr<frmMain> window = newMainWindow();
    window->fileCommands()->openFile(target);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        window->fileCommands()->mnuFileSave_Click();
        state.SetIterationTime(secondsOf(timer));
    }
    QFile original(source), saved(target);
    original.open(QIODevice::ReadOnly);
    saved.open(QIODevice::ReadOnly);
    state.counters["same_bytes"] = original.readAll() == saved.readAll() ? 1 : 0;
    window->ActiveForm()->rtfText->clear();
}

// File > Save of the large RTF document under a caption that decides the
// format.
void save(benchmark::State& state, const QString& name)
{
    QString error;
    const QString source = libreOfficeRtf(&error);
    if (source.isEmpty()) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    std::unique_ptr<frmMain> window = newMainWindow();
    window->fileCommands()->openFile(source);
    QTemporaryDir folder;
    const QString target = folder.filePath(name);
    window->ActiveForm()->setCaption(target);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        window->fileCommands()->mnuFileSave_Click();
        state.SetIterationTime(secondsOf(timer));
    }
    state.counters["written_MB"] = double(QFileInfo(target).size()) / 1e6;
    window->ActiveForm()->rtfText->clear();
}

void BM_SaveRtf(benchmark::State& state)
{
    save(state, QStringLiteral("saved.rtf"));
}

void BM_SaveText(benchmark::State& state)
{
    save(state, QStringLiteral("saved.txt"));
}

} // namespace

BENCHMARK(BM_OpenRtf)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenText)->DenseRange(0, 4)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveRtf)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveText)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveTextBack)->DenseRange(0, 4)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
