#pragma once

// The common end of every benchmark program's main: the debug output of the
// algorithms off (it would swamp the timings), unknown arguments refused,
// then the registered benchmarks.

#include <QLoggingCategory>
#include <QString>

#include <benchmark/benchmark.h>

// 0 when the benchmarks ran, 1 when an argument was not understood.
inline int runBenchmarks(int argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("kestrum.*.debug=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
