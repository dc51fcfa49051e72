#include "BenchHarness.h"

#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <limits>

double BenchHarness::BestMs(const std::function<void()> &work, int repeats)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

double BenchHarness::BestCommandMs(const QString &program, const QStringList &arguments,
                                   int repeats, const QString &stdoutFile)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < repeats; ++i) {
        QProcess process;
        if (!stdoutFile.isEmpty())
            process.setStandardOutputFile(stdoutFile);
        else
            process.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit
            || process.exitCode() != 0)
            return -1;
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

void BenchHarness::Report(const QString &name, double oursMs, double referenceMs, double goalRatio)
{
    if (referenceMs <= 0) {
        std::printf("%-44s ours %9.2f ms  reference unavailable\n", qPrintable(name), oursMs);
        return;
    }
    const double ratio = oursMs / referenceMs;
    std::printf("%-44s ours %9.2f ms  reference %9.2f ms  ratio %5.2f  goal <= %.2f  %s\n",
                qPrintable(name), oursMs, referenceMs, ratio, goalRatio,
                ratio <= goalRatio ? "met" : "MISSED");
    std::fflush(stdout);
}
