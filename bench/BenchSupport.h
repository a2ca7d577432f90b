#pragma once

// What the benchmarks share.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

// The median of a run's samples: what the ratios against a floor compare,
// since single samples on a shared machine are noisy.
inline double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The main of a benchmark program that builds windows: a QApplication on the
// offscreen platform (unless the caller chose another), then the benchmarks.
// The file that uses it includes <QApplication>.
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
