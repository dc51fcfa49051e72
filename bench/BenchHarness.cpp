#include "BenchHarness.h"

#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QRadialGradient>
#include <QRandomGenerator>

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

bool BenchHarness::RunCommand(const QString &program, const QStringList &arguments,
                              const QString &stdoutFile)
{
    QProcess process;
    process.setStandardOutputFile(stdoutFile.isEmpty() ? QProcess::nullDevice() : stdoutFile);
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

std::pair<double, double> BenchHarness::BestInterleavedMs(const std::function<void()> &ours,
                                                          const std::function<bool()> &reference,
                                                          int repeats)
{
    double bestOurs = std::numeric_limits<double>::max();
    double bestReference = std::numeric_limits<double>::max();
    bool referenceFailed = false;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        ours();
        bestOurs = std::min(bestOurs, timer.nsecsElapsed() / 1e6);
        if (referenceFailed)
            continue;
        timer.restart();
        if (!reference()) {
            referenceFailed = true;
            continue;
        }
        bestReference = std::min(bestReference, timer.nsecsElapsed() / 1e6);
    }
    return {bestOurs, referenceFailed ? -1.0 : bestReference};
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

QImage BenchHarness::MakePhoto(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient sky(0, 0, 0, height);
        sky.setColorAt(0, QColor(90, 140, 210));
        sky.setColorAt(0.6, QColor(220, 210, 190));
        sky.setColorAt(1, QColor(80, 70, 60));
        painter.fillRect(image.rect(), sky);
        for (int i = 0; i < 60; ++i) {
            const QPointF centre(random.bounded(width), random.bounded(height));
            const double radius = width / 40.0 + random.bounded(width / 8);
            QRadialGradient blob(centre, radius);
            const QColor colour(random.bounded(256), random.bounded(256), random.bounded(256), 200);
            blob.setColorAt(0, colour);
            blob.setColorAt(1, QColor(colour.red(), colour.green(), colour.blue(), 0));
            painter.setBrush(blob);
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(centre, radius, radius * (0.5 + random.bounded(1.0)));
        }
        painter.setPen(QPen(QColor(30, 30, 30), width / 800.0));
        for (int i = 0; i < 200; ++i)
            painter.drawLine(QPointF(random.bounded(width), random.bounded(height)),
                             QPointF(random.bounded(width), random.bounded(height)));
    }
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = int(random.generate() & 15) - 8;
            const QRgb p = row[x];
            row[x] = qRgb(qBound(0, qRed(p) + n, 255), qBound(0, qGreen(p) + n, 255),
                          qBound(0, qBlue(p) + n, 255));
        }
    }
    return image;
}
