// Image file speed against the libjpeg-turbo command-line tools on the same input, in the same
// run: thumbnails, full decodes, brightness/contrast and quality-95 saves of 24 MP photographs.
// Run: build/bench/bench_images [repeats]
#include "BenchHarness.h"
#include "ImageFiles.h"
#include "JpegCodec.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Photo
{
    QString label;
    QImage image;
    QString jpeg;
    QString ppm;
};

void RunCases(const Photo &photo, const QTemporaryDir &dir, int repeats, bool full)
{
    const QString tag = photo.label + (JpegCodec::IsAvailable() ? "" : " (Qt codec)");
    qint64 sink = 0; // printed below, so no call is optimised away

    // Thumbnail from the file vs djpeg at 1/8 scale plus a smooth resize of its output.
    const QString eighth = dir.filePath(QStringLiteral("eighth.ppm"));
    const QStringList eighthArguments = {QStringLiteral("-scale"), QStringLiteral("1/8"),
                                         QStringLiteral("-outfile"), eighth, photo.jpeg};
    if (!BenchHarness::RunCommand(QStringLiteral("djpeg"), eighthArguments))
        std::printf("djpeg failed\n");
    const QImage eighthImage(eighth);
    const QSize fitted = FitSizeInBox(eighthImage.size(), 140, 140);
    const auto [thumbnail, thumbnailReference] = BenchHarness::BestInterleavedMs(
        [&] { sink += ScaleImageToFit(photo.jpeg, 140, 140).width(); },
        [&] {
            const bool ok = BenchHarness::RunCommand(QStringLiteral("djpeg"), eighthArguments);
            sink += eighthImage.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .width();
            return ok;
        },
        repeats);
    BenchHarness::Report(tag + " thumbnail 140x140 from file", thumbnail, thumbnailReference, 1.5);

    // Full decode into a private copy vs djpeg to PPM.
    const QString decoded = dir.filePath(QStringLiteral("decoded.ppm"));
    const auto [load, loadReference] = BenchHarness::BestInterleavedMs(
        [&] { sink += LoadImageCopy(photo.jpeg).width(); },
        [&] {
            return BenchHarness::RunCommand(QStringLiteral("djpeg"),
                                            {QStringLiteral("-outfile"), decoded, photo.jpeg});
        },
        repeats);
    BenchHarness::Report(tag + " LoadImageCopy", load, loadReference, 1.2);

    if (!full) {
        std::fprintf(stderr, "(%lld)\n", static_cast<long long>(sink));
        return;
    }

    // Quality-95 save vs cjpeg from PPM.
    const QString saved = dir.filePath(QStringLiteral("saved.jpg"));
    const QString cjpegOut = dir.filePath(QStringLiteral("cjpeg.jpg"));
    const auto [save, cjpeg] = BenchHarness::BestInterleavedMs(
        [&] { sink += SaveImageFile(95, photo.image, saved, QStringLiteral("jpeg")); },
        [&] {
            return BenchHarness::RunCommand(QStringLiteral("cjpeg"),
                                            {QStringLiteral("-quality"), QStringLiteral("95"),
                                             QStringLiteral("-outfile"), cjpegOut, photo.ppm});
        },
        repeats);
    BenchHarness::Report(tag + " SaveImageFile quality 95", save, cjpeg, 1.3);
    std::fprintf(stderr, "(%lld)\n", static_cast<long long>(sink));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("cjpeg")).isEmpty())
        std::printf("djpeg/cjpeg not found: references unavailable\n");

    std::vector<Photo> photos;
    for (const auto &[label, width, height] :
         {std::tuple {"24 MP", 6000, 4000}, std::tuple {"12 MP", 4000, 3000}}) {
        Photo photo;
        photo.label = QString::fromLatin1(label);
        photo.image = BenchHarness::MakePhoto(width, height, quint32(width));
        photo.jpeg = dir.filePath(photo.label.left(2) + QStringLiteral("mp.jpg"));
        photo.ppm = dir.filePath(photo.label.left(2) + QStringLiteral("mp.ppm"));
        if (!SaveImageFile(92, photo.image, photo.jpeg, QStringLiteral("jpeg"))
            || !photo.image.save(photo.ppm, "PPM")) {
            std::fprintf(stderr, "cannot write the input photographs\n");
            return 1;
        }
        std::printf("%s: %dx%d, JPEG %lld bytes\n", label, width, height,
                    static_cast<long long>(QFileInfo(photo.jpeg).size()));
        photos.push_back(std::move(photo));
    }
    std::printf("TurboJPEG %s\n", JpegCodec::IsAvailable() ? "in use" : "not built in");

    RunCases(photos[0], dir, repeats, true);
    RunCases(photos[1], dir, repeats, false);

    // Brightness/contrast table pass vs a plain copy of the same bytes.
    QImage work = photos[0].image.copy();
    const qsizetype bytes = work.sizeInBytes();
    std::vector<uchar> copy(size_t(bytes), 0);
    const auto [adjust, memcpyMs] = BenchHarness::BestInterleavedMs(
        [&] { AdjustBrightnessContrast(work, 10, 20); },
        [&] {
            std::memcpy(copy.data(), photos[0].image.constBits(), size_t(bytes));
            return true;
        },
        repeats);
    BenchHarness::Report(QStringLiteral("24 MP AdjustBrightnessContrast"), adjust, memcpyMs, 2.0);

    // The same file cases through Qt's own codec, to show what TurboJPEG buys.
    if (JpegCodec::IsAvailable()) {
        JpegCodec::SetEnabled(false);
        RunCases(photos[0], dir, repeats, true);
        RunCases(photos[1], dir, repeats, false);
        JpegCodec::SetEnabled(true);
    }
    return 0;
}
