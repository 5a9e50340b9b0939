// bench_startup: from starting the process to its first painted main window,
// for Пергалот with spelling on and with it off, against a bare shown
// QMainWindow holding a QTextEdit. Each run is a process of its own, started
// by this program; the three take turns, run by run, and the medians are
// printed with the ratios to the bare window. With spelling on it also
// reports when the dictionaries were ready (they load after the first paint,
// on a thread of their own) and the process's peak memory once they are.
//
//   bench_startup [--runs N]        (default 9)
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise; under xvfb-run with
// QT_QPA_PLATFORM=xcb it measures a real X server. Settings are kept in a
// temporary folder; the dictionaries are the system's.

#include "app/AppStartup.h"
#include "app/frmMain.h"
#include "platform/ProgramFolder.h"
#include "platform/SpellChecker.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

qint64 monotonicNanoseconds()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Notes the first paint of any widget; the figure is taken once it has been
// handled.
class FirstPaint : public QObject
{
public:
    std::function<void()> painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && painted) {
            QTimer::singleShot(0, painted);
            painted = nullptr;
        }
        return false;
    }
};

int runChild(int argc, char** argv, const QString& kind, qint64 origin)
{
    QApplication app(argc, argv);
    QTemporaryDir programFolder;
    std::unique_ptr<QMainWindow> window;
    SpellChecker* checker = nullptr;
    if (kind == QLatin1String("bare")) {
        window = std::make_unique<QMainWindow>();
        window->setCentralWidget(new QTextEdit);
        window->resize(433, 433);
    } else {
        QStandardPaths::setTestModeEnabled(true);
        ProgramFolder::setPathForTesting(programFolder.path());
        QFile ini(programFolder.filePath(QStringLiteral("pergalot.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            return 2;
        ini.write(kind == QLatin1String("off") ? "[Options]\nSpellCheck=False\n" : "[Options]\nSpellCheck=True\n");
        ini.close();
        AppStartup::prepare(app);
        auto main = std::make_unique<frmMain>();
        checker = main->spellChecker();
        window = std::move(main);
    }
    FirstPaint first;
    app.installEventFilter(&first);
    first.painted = [&] {
        const double shown = double(monotonicNanoseconds() - origin) / 1e9;
        double ready = -1;
        if (checker && checker->isEnabled()) {
            // The window starts the load itself once painted.
            const qint64 giveUp = monotonicNanoseconds() + qint64(20) * 1000000000;
            while (!checker->isLoaded() && monotonicNanoseconds() < giveUp)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (checker->isLoaded())
                ready = double(monotonicNanoseconds() - origin) / 1e9;
        }
        std::printf("shown=%.4f ready=%.4f peak=%.1f\n", shown, ready, peakMegabytes());
        std::fflush(stdout);
        std::_Exit(0);
    };
    window->show();
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    for (int i = 1; i + 2 < argc; ++i) {
        if (!std::strcmp(argv[i], "--child"))
            return runChild(argc, argv, QString::fromLatin1(argv[i + 1]), std::atoll(argv[i + 2]));
    }
    int runs = 9;
    for (int i = 1; i + 1 < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs"))
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    QCoreApplication app(argc, argv);
    const QStringList kinds = {QStringLiteral("bare"), QStringLiteral("off"), QStringLiteral("on")};
    std::map<QString, std::map<QString, std::vector<double>>> values;
    for (int run = 0; run < runs; ++run) {
        for (const QString& kind : kinds) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--child"), kind, QString::number(monotonicNanoseconds())});
            if (!child.waitForFinished(60000)) {
                child.kill();
                child.waitForFinished();
                continue;
            }
            const QString line = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
            for (const QString& pair : line.split(u' ', Qt::SkipEmptyParts)) {
                const qsizetype eq = pair.indexOf(u'=');
                if (eq > 0)
                    values[kind][pair.left(eq)].push_back(pair.mid(eq + 1).toDouble());
            }
        }
    }
    const double bare = median(values[QStringLiteral("bare")][QStringLiteral("shown")]);
    std::printf("%-26s %10s %8s %14s %9s\n", "start to first paint", "median s", "ratio", "dicts ready s", "peak MB");
    for (const QString& kind : kinds) {
        auto& v = values[kind];
        const double shown = median(v[QStringLiteral("shown")]);
        const char* label = kind == QLatin1String("bare") ? "bare window"
            : kind == QLatin1String("off")                ? "editor, spelling off"
                                                          : "editor, spelling on";
        std::printf("%-26s %10.4f %8.3f %14.4f %9.0f\n", label, shown, bare > 0 ? shown / bare : -1,
                    median(v[QStringLiteral("ready")]), median(v[QStringLiteral("peak")]));
    }
    return 0;
}
