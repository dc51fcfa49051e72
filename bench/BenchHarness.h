#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Timing for benchmarks: the machine is shared and noisy, so every figure is the best of several
// runs and is reported as a ratio against a reference measured in the same run.
class BenchHarness
{
public:
    // Best wall time in milliseconds of `repeats` calls of `work`.
    static double BestMs(const std::function<void()> &work, int repeats = 5);

    // Best wall time in milliseconds of running an external program to completion; -1 when the
    // program cannot be started or fails.
    static double BestCommandMs(const QString &program, const QStringList &arguments,
                                int repeats = 5, const QString &stdoutFile = QString());

    // Prints one line: case, our time, reference time, ratio and the goal it is held to.
    static void Report(const QString &name, double oursMs, double referenceMs, double goalRatio);
};
