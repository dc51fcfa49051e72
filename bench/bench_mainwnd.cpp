// The main window on 24 MP photographs, against the libjpeg-turbo command-line decoder and the
// canvas's blit floor measured in the same run: switching photos (write-back without pixel
// changes, load, first paint at fit), adding twenty photos, and one brightness preview step.
// Run: build/bench/bench_mainwnd [repeats]
#include "BenchHarness.h"
#include "ImageFiles.h"
#include "JpegCodec.h"
#include "MainDlg.h"
#include "ScaledView.h"
#include "VmEditCtrl.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kDistinct = 4; // each 24 MP photo takes seconds to make; the rest are copies
constexpr int kAdded = 20;

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty())
        std::printf("djpeg not found: references unavailable\n");

    const QString photoFolder = dir.filePath(QStringLiteral("photos"));
    QDir().mkpath(photoFolder);
    std::printf("making %d photographs of %d x %d (%d distinct) ...\n", kAdded, kWidth, kHeight,
                kDistinct);
    std::fflush(stdout);
    QStringList files;
    qint64 bytes = 0;
    for (int i = 0; i < kAdded; ++i) {
        const QString path
            = photoFolder + QStringLiteral("/photo_%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        if (i < kDistinct) {
            if (!SaveImageFile(90, BenchHarness::MakePhoto(kWidth, kHeight, quint32(11 + i)), path,
                               QStringLiteral("jpeg"))) {
                std::fprintf(stderr, "cannot write the photographs\n");
                return 1;
            }
            bytes += QFileInfo(path).size();
        } else if (!QFile::copy(files.at(i % kDistinct), path)) {
            std::fprintf(stderr, "cannot copy the photographs\n");
            return 1;
        }
        files.append(path);
    }
    std::printf("24 MP: %dx%d, JPEG quality 90, %.1f MB each on average\n", kWidth, kHeight,
                bytes / 1e6 / kDistinct);
    std::printf("TurboJPEG %s\n", JpegCodec::IsAvailable() ? "in use" : "not built in");

    MainSession session;
    session.tempFolder = dir.filePath(QStringLiteral("__temp__"));
    session.downFolder = session.tempFolder + QStringLiteral("/__down__");
    QDir().mkpath(session.downFolder);
    MainWindowSeams seams;
    seams.showMessage = [](QWidget *, const QString &text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    };
    seams.askYesNo = [](QWidget *, const QString &) {
        return true;
    };
    seams.choosePhotoFiles = [&files](QWidget *) {
        return files;
    };
    CMainDlg window(session, seams);
    window.show();
    // The window keeps to the screen at show; the offscreen screen is smaller than the layout.
    window.resize(1280, 768);
    QApplication::processEvents();
    CVmEditCtrl *canvas = window.Canvas();

    // ---- switching between two photographs ----
    if (window.AddPhotoFiles({files.at(0), files.at(1)}) != 2) {
        std::fprintf(stderr, "cannot add the photographs\n");
        return 1;
    }
    canvas->repaint();
    QApplication::processEvents();
    const QSize client = canvas->size();
    std::printf("window %dx%d, canvas client %dx%d\n", window.width(), window.height(),
                client.width(), client.height());

    // The floor of any paint: a copy already scaled to the client, drawn into a client-size
    // image on white.
    QImage target(client, QImage::Format_RGB32);
    const QImage clientCopy = canvas->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto drawCopy = [&] {
        QPainter painter(&target);
        painter.fillRect(target.rect(), Qt::white);
        painter.drawImage(QPoint(0, 0), clientCopy);
    };
    const double floorMs = BenchHarness::BestMs(drawCopy, repeats * 8);

    const QStringList workingCopies
        = {window.Product().PhotoAt(0)->workingPath, window.Product().PhotoAt(1)->workingPath};
    int switches = 0;
    bool switchFailed = false;
    const int rebuildsBefore = canvas->ScaledView().RebuildCount();
    const auto [switchMs, djpegMs] = BenchHarness::BestInterleavedMs(
        [&] {
            switchFailed |= !window.SelectPhoto(1 - window.CurrentPhoto());
            canvas->repaint();
            ++switches;
        },
        [&] {
            // The file the switch just loaded.
            return BenchHarness::RunCommand(QStringLiteral("djpeg"),
                                            {QStringLiteral("-outfile"),
                                             QStringLiteral("/dev/null"),
                                             workingCopies.at(window.CurrentPhoto())});
        },
        repeats);
    // Every switch must have loaded and built the fit copy once, or the figure means nothing.
    if (switchFailed || canvas->ScaledView().RebuildCount() - rebuildsBefore != switches
        || canvas->GetViewMode() != CVmEditCtrl::ViewFit)
        std::printf("warning: a switch did not load and paint at fit\n");
    BenchHarness::Report(QStringLiteral("switch to a 24 MP photo (+ first paint)"), switchMs,
                         djpegMs > 0 ? djpegMs + floorMs : djpegMs, 1.3);

    // Where a switch goes: the decode into a new full-size image, of which the first touch of
    // its 96 MB alone is a fair part (djpeg to /dev/null never holds the whole picture).
    qint64 sink = 0;
    const double loadMs = BenchHarness::BestMs(
        [&] { sink += LoadImageCopy(workingCopies.at(0)).width(); }, std::min(repeats, 3));
    const double touchMs = BenchHarness::BestMs(
        [&] {
            QImage fresh(kWidth, kHeight, QImage::Format_RGB32);
            fresh.fill(Qt::white);
            sink += fresh.width();
        },
        std::min(repeats, 3));
    std::printf("%-44s %9.2f ms, of which a new %dx%d image filled %.2f ms\n",
                "for scale: LoadImageCopy alone", loadMs, kWidth, kHeight, touchMs);
    std::fprintf(stderr, "(%lld)\n", static_cast<long long>(sink)); // keeps the work

    // ---- one brightness preview step at fit ----
    canvas->repaint();
    int brightness = 0;
    const double previewMs = BenchHarness::BestMs(
        [&] {
            brightness = brightness % 60 + 3;
            window.PreviewColour(brightness, 0);
            canvas->repaint();
        },
        repeats * 8);
    canvas->CancelColourPreview();
    BenchHarness::Report(QStringLiteral("brightness preview step at fit"), previewMs, floorMs, 2.0);

    // ---- adding twenty photographs to a fresh product ----
    // Each repeat starts a new product, which empties the temporary folder, so no copy is
    // refused; 20 x 24 MP is heavy, so two repeats at most.
    const QStringList djpegEighth = {QStringLiteral("-scale"), QStringLiteral("1/8"),
                                     QStringLiteral("-outfile"), QStringLiteral("/dev/null")};
    const auto eighths = [&] {
        for (const QString &file : files) {
            if (!BenchHarness::RunCommand(QStringLiteral("djpeg"),
                                          djpegEighth + QStringList {file}))
                return false;
        }
        return true;
    };
    int added = 0;
    double addMs = 1e300, eighthMs = 1e300;
    QElapsedTimer clock;
    for (int i = 0; i < std::min(repeats, 2); ++i) {
        window.NewProduct();
        QApplication::processEvents();
        clock.start();
        added = window.AddPhotoFiles(files);
        addMs = std::min(addMs, clock.nsecsElapsed() / 1e6);
        QApplication::processEvents();
        clock.start();
        if (eighthMs > 0 && !eighths())
            eighthMs = -1; // reported as unavailable
        else if (eighthMs > 0)
            eighthMs = std::min(eighthMs, clock.nsecsElapsed() / 1e6);
    }
    if (added != kAdded)
        std::printf("warning: %d of %d photographs added\n", added, kAdded);
    BenchHarness::Report(QStringLiteral("add 20 photos of 24 MP"), addMs, eighthMs, 1.5);
    return 0;
}
