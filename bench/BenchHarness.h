#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

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

    // Runs an external program to completion; false when it cannot be started or fails.
    static bool RunCommand(const QString &program, const QStringList &arguments,
                           const QString &stdoutFile = QString());

    // Best wall times in milliseconds of `ours` and `reference`, run alternately so that both see
    // the same load on a shared machine. A reference that fails gives -1.
    static std::pair<double, double> BestInterleavedMs(const std::function<void()> &ours,
                                                       const std::function<bool()> &reference,
                                                       int repeats = 5);

    // Something a JPEG encoder treats like a photograph: soft gradients and shapes with
    // sensor-like noise, so the compressed size (several MB at 24 MP) and the entropy decoding
    // cost are real. Format_RGB32; the same seed gives the same picture.
    static QImage MakePhoto(int width, int height, quint32 seed);

    // Prints one line: case, our time, reference time, ratio and the goal it is held to.
    static void Report(const QString &name, double oursMs, double referenceMs, double goalRatio);
};
