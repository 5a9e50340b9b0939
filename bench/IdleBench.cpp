// bench_idle: how much processor time an idle Пергалот takes. Starts the main
// window with one document, lets it sit for a while and reports the CPU
// seconds the process used, so that runs with the refresh timer on and off
// (--no-timer) can be compared. Run it under a real X server (xvfb-run) with
// scripts/bench-idle.sh. Settings are kept in a temporary folder.
//
//   bench_idle [--seconds N] [--no-timer] [--empty-timer] [--text-mb M]
//
// --empty-timer keeps the 10 ms timer ticking with nothing connected to it:
// the cost of the wake-ups alone.
// --text-mb fills the document with M megabytes of text and selects all of
// it, to show that the refresh does not grow with the selection.

#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec) + double(usage.ru_stime.tv_sec)
        + (double(usage.ru_utime.tv_usec) + double(usage.ru_stime.tv_usec)) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    double seconds = 30;
    bool timer = true;
    bool emptyTimer = false;
    double textMb = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--no-timer"))
            timer = false;
        else if (!std::strcmp(argv[i], "--empty-timer"))
            emptyTimer = true;
        else if (!std::strcmp(argv[i], "--text-mb") && i + 1 < argc)
            textMb = std::atof(argv[++i]);
    }

    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir programFolder;
    ProgramFolder::setPathForTesting(programFolder.path());

    frmMain window;
    window.show();
    if (!timer)
        window.TimerChecking->stop();
    if (emptyTimer)
        QObject::disconnect(window.TimerChecking, &QTimer::timeout, &window, nullptr);
    if (textMb > 0) {
        const QString line = QStringLiteral("Пример строки текста, example line of text 0123456789.\n");
        QString text;
        const qsizetype lines = qsizetype(textMb * 1024 * 1024 / line.size());
        text.reserve(lines * line.size());
        for (qsizetype i = 0; i < lines; ++i)
            text += line;
        window.ActiveForm()->rtfText->setText(text);
        window.ActiveForm()->rtfText->selectAll();
    }

    // Let start-up settle before measuring.
    double start = 0;
    QTimer::singleShot(2000, [&] { start = cpuSeconds(); });
    QTimer::singleShot(int(2000 + seconds * 1000), [&] {
        const double used = cpuSeconds() - start;
        std::printf("%s%s: %.3f CPU s over %.0f s idle = %.2f%% of one core\n",
                    !timer ? "timer off" : emptyTimer ? "timer ticking, no refresh" : "timer on", textMb > 0 ? " (large selection)" : "",
                    used, seconds, 100.0 * used / seconds);
        std::fflush(stdout);
        app.exit(0);
    });
    return app.exec();
}
