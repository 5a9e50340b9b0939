// The main() of every Google Benchmark program here: a QApplication first
// (offscreen unless QT_QPA_PLATFORM says otherwise), since the benchmarks
// build documents, widgets and fonts. Run with
//   --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// for medians.

#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
