// The main() of every Google Benchmark program here: a QApplication first
// (offscreen unless QT_QPA_PLATFORM says otherwise), since the benchmarks
// build documents, widgets and fonts; a QGuiApplication for a program that
// links no widgets (bench_rtf). Run with
//   --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// for medians.

#ifdef QT_WIDGETS_LIB
#include <QApplication>
using BenchApplication = QApplication;
#else
#include <QGuiApplication>
using BenchApplication = QGuiApplication;
#endif

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    BenchApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
