// bench_idle: how much processor time an idle Пергалот takes. Starts the main
// window with one document, activates it with the caret in the editor (so the
// caret blinks, as it does for a user), lets it sit for a while and reports
// the CPU seconds the process used. The floor it is compared with is a bare
// shown QMainWindow with an empty 10 ms QTimer (--bare): what any program
// polling every 10 ms costs. scripts/bench-idle.sh runs the two alternately
// under Xvfb and prints the medians and their ratio. Settings are kept in a
// temporary folder.
//
//   bench_idle [--seconds N] [--settle S] [--bare] [--no-timer]
//              [--empty-timer] [--steady-caret] [--text-mb M] [--changed]
//              [--trace]
//
// --settle S     seconds to wait before measuring (default 12): start-up is
//                over and, with no input, the caret has stopped blinking
//                (after 10 s); 2 measures the blinking caret instead
// --bare         the floor: a shown QMainWindow and an empty 10 ms QTimer
// --no-timer     the editor with its refresh timer stopped
// --empty-timer  the refresh timer ticking with nothing connected to it
// --steady-caret the editor with a caret that does not blink (the flash time
//                set to 0 in this process): what the blink costs
// --text-mb M    M megabytes of text in the document, all of it selected, to
//                show that the idle cost does not grow with the selection
// --changed      a second document, typed into and left unsaved: its
//                recovery copy is written before the measuring starts, and
//                nothing of recovery may run after it
// --trace        also lists what woke the program up: the events delivered
//                while measuring, by receiver and type, most frequent first

#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/RecoveryStore.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QHash>
#include <QMainWindow>
#include <QMetaEnum>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// User and system time of every thread of the process. The kernel scales
// both to the scheduler's exact run time, so the sum is not sampled by ticks.
double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec) + double(usage.ru_stime.tv_sec)
        + (double(usage.ru_utime.tv_usec) + double(usage.ru_stime.tv_usec)) / 1e6;
}

// Counts the events delivered to each receiver while it is installed.
class EventTrace : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        QString name = QString::fromLatin1(watched->metaObject()->className());
        if (!watched->objectName().isEmpty())
            name += u' ' + watched->objectName();
        if (const QObject* parent = watched->parent())
            name += QStringLiteral(" (in %1)").arg(QString::fromLatin1(parent->metaObject()->className()));
        const char* type = QMetaEnum::fromType<QEvent::Type>().valueToKey(event->type());
        ++m_counts[name + QStringLiteral(": ") + QString::fromLatin1(type ? type : "?")];
        return false;
    }
    void print(double seconds) const
    {
        QList<std::pair<qint64, QString>> rows;
        for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it)
            rows.append({it.value(), it.key()});
        std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        std::printf("events per second while idle:\n");
        for (const auto& [count, name] : rows)
            std::printf("  %8.2f  %s\n", double(count) / seconds, qPrintable(name));
    }

private:
    QHash<QString, qint64> m_counts;
};

} // namespace

int main(int argc, char* argv[])
{
    double seconds = 30;
    double settle = 12;
    bool bare = false;
    bool timer = true;
    bool emptyTimer = false;
    bool steadyCaret = false;
    bool trace = false;
    bool changed = false;
    double textMb = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--settle") && i + 1 < argc)
            settle = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--bare"))
            bare = true;
        else if (!std::strcmp(argv[i], "--no-timer"))
            timer = false;
        else if (!std::strcmp(argv[i], "--empty-timer"))
            emptyTimer = true;
        else if (!std::strcmp(argv[i], "--steady-caret"))
            steadyCaret = true;
        else if (!std::strcmp(argv[i], "--text-mb") && i + 1 < argc)
            textMb = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--trace"))
            trace = true;
        else if (!std::strcmp(argv[i], "--changed"))
            changed = true;
    }

    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir programFolder;
    ProgramFolder::setPathForTesting(programFolder.path());
    QTemporaryDir recoveryFolder;
    RecoveryStore::setFolderForTesting(recoveryFolder.path());

    std::unique_ptr<QMainWindow> window;
    QTimer bareTimer;
    QString variant;
    if (bare) {
        window = std::make_unique<QMainWindow>();
        window->resize(433, 433);  // the editor's first-start size
        bareTimer.setInterval(10);
        QObject::connect(&bareTimer, &QTimer::timeout, [] {});
        bareTimer.start();
        variant = QStringLiteral("bare window, empty 10 ms timer");
    } else {
        if (steadyCaret)
            QApplication::setCursorFlashTime(0);
        auto main = std::make_unique<frmMain>();
        auto* refresh = main->findChild<QTimer*>(QStringLiteral("TimerChecking"));
        if (!timer)
            refresh->stop();
        if (emptyTimer)
            QObject::disconnect(refresh, &QTimer::timeout, main.get(), nullptr);
        if (changed) {
            main->ActiveForm()->rtfText->insertPlainText(QStringLiteral("Не сохранено"));
            main->CreateDocumentWindow();
        }
        RichTextBox* editor = main->ActiveForm()->rtfText;
        if (textMb > 0) {
            const QString line = QStringLiteral("Пример строки текста, example line of text 0123456789.\n");
            QString text;
            const qsizetype lines = qsizetype(textMb * 1024 * 1024 / line.size());
            text.reserve(lines * line.size());
            for (qsizetype i = 0; i < lines; ++i)
                text += line;
            editor->setText(text);
            editor->selectAll();
        }
        variant = !timer ? QStringLiteral("Пергалот, refresh timer stopped")
            : emptyTimer ? QStringLiteral("Пергалот, refresh timer ticking with nothing connected")
            : steadyCaret ? QStringLiteral("Пергалот, one document, caret not blinking")
                         : QStringLiteral("Пергалот, one document");
        if (textMb > 0)
            variant += QStringLiteral(", %1 MB selected").arg(textMb);
        if (changed)
            variant += QStringLiteral(" and one changed, unsaved");
        window = std::move(main);
    }
    window->show();
    window->activateWindow();
    if (!bare) {
        // The caret blinks only in the focused editor of the active window.
        static_cast<frmMain*>(window.get())->ActiveForm()->rtfText->setFocus();
    }

    // Let start-up settle before measuring.
    EventTrace tracer;
    double start = 0;
    QTimer::singleShot(int(settle * 1000), [&] {
        if (trace)
            app.installEventFilter(&tracer);
        start = cpuSeconds();
    });
    QTimer::singleShot(int((settle + seconds) * 1000), [&] {
        const double used = cpuSeconds() - start;
        app.removeEventFilter(&tracer);
        std::printf("%s: %.4f CPU s over %.0f s idle = %.3f%% of one core%s\n", qPrintable(variant), used,
                    seconds, 100.0 * used / seconds, QApplication::activeWindow() ? "" : " (window not active)");
        if (trace)
            tracer.print(seconds);
        std::fflush(stdout);
        app.exit(0);
    });
    return app.exec();
}
