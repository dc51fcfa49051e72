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

// Something a JPEG encoder treats like a photograph: soft gradients and shapes with sensor-like
// noise, so the compressed size (several MB at 24 MP) and the entropy decoding cost are real.
QImage MakePhoto(int width, int height, quint32 seed)
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
    const double ours = BenchHarness::BestMs(
        [&] { sink += ScaleImageToFit(photo.jpeg, 140, 140).width(); }, repeats);
    const double djpegEighth
        = BenchHarness::BestCommandMs(QStringLiteral("djpeg"),
                                      {QStringLiteral("-scale"), QStringLiteral("1/8"),
                                       QStringLiteral("-outfile"), eighth, photo.jpeg},
                                      repeats);
    const QImage eighthImage(eighth);
    const QSize fitted = FitSizeInBox(eighthImage.size(), 140, 140);
    const double resize = BenchHarness::BestMs(
        [&] {
            sink += eighthImage.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .width();
        },
        repeats);
    BenchHarness::Report(tag + " thumbnail 140x140 from file", ours,
                         djpegEighth > 0 ? djpegEighth + resize : -1, 1.5);

    // Full decode into a private copy vs djpeg to PPM.
    const QString decoded = dir.filePath(QStringLiteral("decoded.ppm"));
    const double load
        = BenchHarness::BestMs([&] { sink += LoadImageCopy(photo.jpeg).width(); }, repeats);
    const double djpegFull = BenchHarness::BestCommandMs(
        QStringLiteral("djpeg"), {QStringLiteral("-outfile"), decoded, photo.jpeg}, repeats);
    BenchHarness::Report(tag + " LoadImageCopy", load, djpegFull, 1.2);

    if (!full) {
        std::fprintf(stderr, "(%lld)\n", static_cast<long long>(sink));
        return;
    }

    // Quality-95 save vs cjpeg from PPM.
    const QString saved = dir.filePath(QStringLiteral("saved.jpg"));
    const QString cjpegOut = dir.filePath(QStringLiteral("cjpeg.jpg"));
    const double save = BenchHarness::BestMs(
        [&] { sink += SaveImageFile(95, photo.image, saved, QStringLiteral("jpeg")); }, repeats);
    const double cjpeg
        = BenchHarness::BestCommandMs(QStringLiteral("cjpeg"),
                                      {QStringLiteral("-quality"), QStringLiteral("95"),
                                       QStringLiteral("-outfile"), cjpegOut, photo.ppm},
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
        photo.image = MakePhoto(width, height, quint32(width));
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
    const double adjust
        = BenchHarness::BestMs([&] { AdjustBrightnessContrast(work, 10, 20); }, repeats);
    const double memcpyMs = BenchHarness::BestMs(
        [&] { std::memcpy(copy.data(), photos[0].image.constBits(), size_t(bytes)); }, repeats);
    BenchHarness::Report(QStringLiteral("24 MP AdjustBrightnessContrast"), adjust, memcpyMs, 2.0);

    // The same file cases through Qt's own codec, to show what TurboJPEG buys.
    if (JpegCodec::IsAvailable()) {
        JpegCodec::SetEnabled(false);
        RunCases(photos[0], dir, std::min(repeats, 3), true);
        JpegCodec::SetEnabled(true);
    }
    return 0;
}
