// bench_recovery: what keeping a recovery copy of a large changed document
// costs the user who types on while it is taken.
//
//   bash scripts/bench.sh bench_recovery --benchmark_repetitions=5 \
//       --benchmark_report_aggregates_only=true
//
// The document is libreoffice.rtf (about 18 MB from LibreOffice, made on the
// first run; see BenchDocuments.h), open in a main window as the program
// opens it. Typing goes on throughout: a thread of its own posts a key press
// to the editor every 20 ms, with the caret in the middle of the document,
// and each key's wait, from being posted to being handled, is recorded.
//
//   FirstCopyWhileTyping  the first copy of the changed document, taken as
//                         the program takes it (in slices between the keys,
//                         the file written on the store's thread):
//                         stall_ms is the longest wait of a key meanwhile,
//                         time (copy) from the start of the copy until the
//                         file is on disk.
//   NextCopyWhileTyping   a later copy after more typing: only what was
//                         edited since is written again.
//   TypingAlone           the same typing for as long, with no copy: the
//                         keys' own longest wait, the floor of stall_ms.
//   WholeWriterAtOnce     RtfWriter::write of the whole document in one go:
//                         how long a copy taken at once would stop input.
//   CloneSnapshot         QTextDocument::clone() of it: the snapshot a copy
//                         serialised on another thread would need first.
//   NothingLeftBehind     what a start without copies pays for recovery: the
//                         store made and the folder looked at (microseconds).
// Goal: stall_ms under 50 ms. Nothing fails on a miss.

#include "BenchDocuments.h"

#include "app/DocumentRecovery.h"
#include "app/frmMain.h"
#include "commands/FileCommands.h"
#include "document/frmDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/RecoveryStore.h"
#include "platform/RichTextBox.h"
#include "rtf/RtfWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QInputDevice>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto KeyInterval = std::chrono::milliseconds(20);

// Posts a key press to the editor every KeyInterval from a thread of its
// own, so the keys come on time whatever the user-interface thread does,
// and records how long each waited to be handled.
class Typist : public QObject
{
public:
    explicit Typist(RichTextBox* editor)
        : m_editor(editor)
    {
        // Key events name the keyboard, which Qt makes on first use: on
        // this thread, not the typist's.
        QInputDevice::primaryKeyboard();
        editor->installEventFilter(this);
        m_thread = std::thread([this] { run(); });
    }
    ~Typist() override
    {
        m_stop = true;
        m_thread.join();
        QCoreApplication::sendPostedEvents(m_editor, QEvent::KeyPress);
        m_editor->removeEventFilter(this);
    }
    // The longest wait since the last call, in milliseconds.
    double takeLongestWait()
    {
        std::lock_guard guard(m_mutex);
        return std::exchange(m_longest, 0.0);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            std::lock_guard guard(m_mutex);
            if (!m_posted.empty()) {
                const double waited = std::chrono::duration<double, std::milli>(Clock::now() - m_posted.front()).count();
                m_posted.pop_front();
                m_longest = std::max(m_longest, waited);
            }
        }
        return false;
    }

private:
    void run()
    {
        auto next = Clock::now();
        while (!m_stop) {
            next += KeyInterval;
            std::this_thread::sleep_until(next);
            {
                std::lock_guard guard(m_mutex);
                m_posted.push_back(Clock::now());
            }
            QCoreApplication::postEvent(m_editor, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier,
                                                                QStringLiteral("a")));
        }
    }

    RichTextBox* m_editor;
    std::mutex m_mutex;
    std::deque<Clock::time_point> m_posted;
    double m_longest = 0;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

// The document open in a main window, for one run of a benchmark.
struct Fixture
{
    QTemporaryDir programFolder;
    QTemporaryDir recoveryFolder;
    std::unique_ptr<frmMain> window;
    RichTextBox* editor = nullptr;
    QString error;

    Fixture()
    {
        const QString path = BenchDocuments::libreOfficeRtf(&error);
        if (path.isEmpty())
            return;
        QStandardPaths::setTestModeEnabled(true);
        ProgramFolder::setPathForTesting(programFolder.path());
        RecoveryStore::setFolderForTesting(recoveryFolder.path());
        window = std::make_unique<frmMain>();
        window->resize(1024, 768);
        window->show();
        window->fileCommands()->openFile(path);
        window->mdiArea()->currentSubWindow()->showMaximized();
        editor = window->ActiveForm()->rtfText;
        editor->setSelStart(editor->textLength() / 2);
        QCoreApplication::processEvents();
    }
    // False, with the benchmark marked skipped, when the document is missing.
    bool ready(benchmark::State& state) const
    {
        if (!editor)
            state.SkipWithError(qPrintable(error));
        return editor != nullptr;
    }
    ~Fixture()
    {
        if (editor)
            editor->clear();
    }
};

void runFor(std::chrono::milliseconds time)
{
    const auto end = Clock::now() + time;
    while (Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Takes a copy while the typist types; the time until the copy is on disk.
double copyWhileTyping(benchmark::State& state, Fixture& f, bool first)
{
    DocumentRecovery* recovery = f.window->recovery();
    if (first)
        f.editor->document()->setModified(false);  // no copy, and nothing of one kept
    Typist typist(f.editor);
    runFor(std::chrono::milliseconds(300));  // the document is changed again
    typist.takeLongestWait();
    bool written = false;
    const QMetaObject::Connection connection =
        QObject::connect(recovery->store(), &RecoveryStore::written, [&written] { written = true; });
    QElapsedTimer timer;
    timer.start();
    recovery->takePendingCopies();
    while (!written)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    state.counters["stall_ms"] = typist.takeLongestWait();
    QObject::disconnect(connection);
    return seconds;
}

void BM_FirstCopyWhileTyping(benchmark::State& state)
{
    Fixture f;
    if (!f.ready(state))
        return;
    for (auto _ : state)
        state.SetIterationTime(copyWhileTyping(state, f, true));
}

void BM_NextCopyWhileTyping(benchmark::State& state)
{
    Fixture f;
    if (!f.ready(state))
        return;
    copyWhileTyping(state, f, true);
    for (auto _ : state)
        state.SetIterationTime(copyWhileTyping(state, f, false));
}

void BM_TypingAlone(benchmark::State& state)
{
    Fixture f;
    if (!f.ready(state))
        return;
    for (auto _ : state) {
        Typist typist(f.editor);
        runFor(std::chrono::milliseconds(300));
        typist.takeLongestWait();
        QElapsedTimer timer;
        timer.start();
        runFor(std::chrono::milliseconds(1000));
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        state.counters["stall_ms"] = typist.takeLongestWait();
    }
}

void BM_WholeWriterAtOnce(benchmark::State& state)
{
    Fixture f;
    if (!f.ready(state))
        return;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        benchmark::DoNotOptimize(RtfWriter::write(f.editor->document()));
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}

void BM_CloneSnapshot(benchmark::State& state)
{
    Fixture f;
    if (!f.ready(state))
        return;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        std::unique_ptr<QTextDocument> copy(f.editor->document()->clone());
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        benchmark::DoNotOptimize(copy.get());
    }
}

void BM_NothingLeftBehind(benchmark::State& state)
{
    QTemporaryDir folder;
    RecoveryStore::setFolderForTesting(folder.filePath(QStringLiteral("recovery")));
    for (auto _ : state) {
        RecoveryStore store;
        benchmark::DoNotOptimize(store.takeLeftBehind());
    }
    RecoveryStore::setFolderForTesting(QString());
}

} // namespace

BENCHMARK(BM_NothingLeftBehind)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstCopyWhileTyping)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextCopyWhileTyping)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypingAlone)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeWriterAtOnce)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CloneSnapshot)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
