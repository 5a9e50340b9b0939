// bench_start: how long Пергалот takes from the start of its process to its
// first painted main window; bench_start_bare, built from this file with
// BENCH_START_BARE and linked with Qt Widgets only, is the bare Qt program
// it is measured against: a QMainWindow with a QTextEdit. Each run is one
// process that ends as soon as its window has been painted, and prints on
// stdout the wall-clock time (CLOCK_REALTIME, in microseconds) at which the
// paint was done; scripts/bench-start.sh takes the time before starting the
// process, alternates the two programs and prints the medians and their
// ratio. The program starts as main.cpp starts it.
//
//   bench_start [--steps] [--settings FOLDER]
//   bench_start_bare [--steps]
//
// --steps     prints, on stderr, the time from main() to each step of the start
// --settings  keeps the settings in FOLDER, which the caller made beforehand
//             (otherwise in a temporary folder the program makes, at a cost
//             the editor does not have)

#if !defined(BENCH_START_BARE)
#include "app/AppStartup.h"
#include "app/frmMain.h"
#include "platform/ProgramFolder.h"
#include "platform/StartWarmUp.h"
#endif

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

QElapsedTimer sinceMain;
bool steps = false;

void step(const char* what)
{
    if (steps)
        std::fprintf(stderr, "%8.1f ms  %s\n", double(sinceMain.nsecsElapsed()) / 1e6, what);
}

// Ends the process once the window's first paint has reached the screen:
// the flush follows the paint in the same pass, the timer comes after it.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget* window)
        : m_window(window)
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched == m_window && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, [] {
                step("first paint shown");
                timespec now{};
                clock_gettime(CLOCK_REALTIME, &now);
                std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
                std::fflush(stdout);
                std::fflush(stderr);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    QWidget* m_window;
    bool m_seen = false;
};

} // namespace

int main(int argc, char* argv[])
{
    sinceMain.start();
    const char* settings = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--steps"))
            steps = true;
        else if (!std::strcmp(argv[i], "--settings") && i + 1 < argc)
            settings = argv[++i];
    }

#if !defined(BENCH_START_BARE)
    const std::unique_ptr<StartWarmUp> warmUp = AppStartup::warmUp();
#endif
    QApplication app(argc, argv);
    step("QApplication");
#if defined(BENCH_START_BARE)
    auto window = std::make_unique<QMainWindow>();
    window->setCentralWidget(new QTextEdit);
    window->resize(433, 433);  // the editor's first-start size
#else
    QStandardPaths::setTestModeEnabled(true);
    std::unique_ptr<QTemporaryDir> temporary;
    if (!settings)
        temporary = std::make_unique<QTemporaryDir>();
    ProgramFolder::setPathForTesting(settings ? QString::fromLocal8Bit(settings) : temporary->path());
    warmUp->wait();
    step("warmed up");
    AppStartup::prepare(app);
    step("prepared");
    auto window = std::make_unique<frmMain>();
    step("main window made");
#endif
    FirstPaint firstPaint(window.get());
    window->installEventFilter(&firstPaint);
    window->show();
    step("shown");
    return app.exec();
}
