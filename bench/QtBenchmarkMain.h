#pragma once

// The main of a benchmark program that builds windows: a QApplication on the
// offscreen platform (unless the caller chose another), then the benchmarks.
#include <benchmark/benchmark.h>

#include <QApplication>

#define LUDEX_QT_BENCHMARK_MAIN()                                                                    \
    int main(int argc, char** argv)                                                                  \
    {                                                                                                \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen"); \
        QApplication app(argc, argv);                                                                \
        benchmark::Initialize(&argc, argv);                                                          \
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;                            \
        benchmark::RunSpecifiedBenchmarks();                                                         \
        benchmark::Shutdown();                                                                       \
        return 0;                                                                                    \
    }
