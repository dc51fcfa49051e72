// The package of a product of ten 12-megapixel photographs: the archive step against Info-ZIP
// "zip -8" of the same files, the whole save with its per-photograph cost, and the unpacking
// against "unzip -o" into a fresh folder.
#include "BenchHarness.h"
#include "ImageFiles.h"
#include "PackageFiles.h"
#include "PackageFlows.h"
#include "PackageNames.h"
#include "ProductDescription.h"
#include "WorkingFolders.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kPhotos = 10;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth light falling over shapes, with sensor-like noise: JPEG and deflate meet roughly what
// they meet in a real photograph.
QImage PhotoLikePicture(quint32 seed)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    const double cx = random.bounded(kWidth), cy = random.bounded(kHeight);
    for (int y = 0; y < kHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const double d = std::hypot(x - cx, y - cy) / kWidth;
            const double light = 0.5 + 0.5 * std::cos(d * 9.0);
            const int noise = int(random.generate() % 13) - 6;
            const bool object = ((x / 700) + (y / 500)) % 3 == 0;
            const int r = std::clamp(int(180 * light) + (object ? 50 : 0) + noise, 0, 255);
            const int g = std::clamp(int(150 * light + 30 * std::sin(x / 90.0)) + noise, 0, 255);
            const int b = std::clamp(int(120 * (1 - light)) + (object ? 0 : 40) + noise, 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    return image;
}

qint64 FileBytes(const QString &path)
{
    return QFileInfo(path).size();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir root;
    const QString tempFolder = root.path() + QStringLiteral("/exe/__temp__");
    const QString downFolder = tempFolder + QStringLiteral("/__down__");
    const QString sourceFolder = root.path() + QStringLiteral("/photos");
    QDir().mkpath(downFolder);
    QDir().mkpath(sourceFolder);

    std::printf("making %d photographs of %d x %d ...\n", kPhotos, kWidth, kHeight);
    std::fflush(stdout);
    CProduct product;
    product.header.itemId = QStringLiteral("100");
    product.header.title = QStringLiteral("benchmark");
    qint64 photoBytes = 0;
    for (int i = 0; i < kPhotos; ++i) {
        const QString source = sourceFolder + QStringLiteral("/photo%1.jpg").arg(i + 1);
        if (!SaveImageFile(92, PhotoLikePicture(quint32(i + 1)), source, QStringLiteral("jpg")))
            return 1;
        photoBytes += FileBytes(source);
        auto photo = CWorkingFolders::MakePhotoFromFile(source, tempFolder);
        if (!photo)
            return 1;
        product.AppendPhoto(photo.release());
    }
    std::printf("working copies: %.1f MB\n", photoBytes / 1e6);

    CPackageFlows::SaveRequest request;
    request.tempFolder = tempFolder;
    request.userId = QStringLiteral("bench");
    request.pnsCd = QStringLiteral("P");
    request.serviceKey = QStringLiteral("key");
    request.calibration = {3.6, 3.6};

    // The whole save, best of three, then one run taken apart photograph by photograph.
    QString archive;
    const double saveMs = BenchHarness::BestMs(
        [&] {
            if (CPackageFlows::SavePackage(product, request, &archive)
                != CPackageFlows::SaveResult::Saved)
                std::printf("save failed\n");
        },
        3);
    std::printf("%-44s ours %9.2f ms  (%.1f MB archive)\n", "whole save (10 x 12 MP)", saveMs,
                FileBytes(archive) / 1e6);

    QString description = CProductDescription::WriteHead(product.header);
    std::printf("  photo  item+renditions  re-encode q95  archive members\n");
    QList<double> renditionMs;
    for (int i = 0; i < kPhotos; ++i) {
        QElapsedTimer timer;
        timer.start();
        description += CProductDescription::WriteItem(*product.PhotoAt(i), request.calibration);
        CPackageFiles::WriteRenditions(product, i + 1, tempFolder);
        renditionMs << timer.nsecsElapsed() / 1e6;
    }
    description += CProductDescription::WriteTail();
    CProductDescription::SaveDescriptionFile(
        CPackageNames::InFolder(tempFolder,
                                CPackageNames::DescriptionFileName(QStringLiteral("100"))),
        description);
    PackageTimings timings;
    CPackageFiles::BuildPackage(product, archive, tempFolder, &timings);
    for (int i = 0; i < kPhotos; ++i)
        std::printf("  %5d  %12.2f ms  %10.2f ms  %12.2f ms\n", i + 1, renditionMs[i],
                    timings.reencodeMs.value(i), timings.archiveMs.value(i));

    // The archive step alone, on exactly the member files BuildPackage packs.
    const QList<PackageMember> members = CPackageFiles::Members(product, tempFolder);
    const QString ours = root.path() + QStringLiteral("/ours.zip");
    const double packMs = BenchHarness::BestMs([&] { CPackageFiles::PackFiles(ours, members); });
    QString files;
    for (const PackageMember &member : members)
        files += QLatin1Char(' ') + QFileInfo(member.sourcePath).fileName();
    const QString reference = root.path() + QStringLiteral("/reference.zip");
    // zip would update an existing archive, so each run starts without one.
    const double zipMs
        = BenchHarness::BestCommandMs(QStringLiteral("sh"),
                                      {QStringLiteral("-c"),
                                       QStringLiteral("cd '%1' && rm -f '%2' && zip -8 -q '%2'%3")
                                           .arg(tempFolder, reference, files)});
    BenchHarness::Report(QStringLiteral("archive step (PackFiles vs zip -8 -q)"), packMs, zipMs,
                         1.1);
    std::printf("  archive sizes: ours %.2f MB, zip %.2f MB\n", FileBytes(ours) / 1e6,
                FileBytes(reference) / 1e6);

    // Unpacking into a fresh folder each time.
    int run = 0;
    const QString unpackRoot = root.path() + QStringLiteral("/unpack");
    QDir().mkpath(unpackRoot);
    const double unpackMs = BenchHarness::BestMs([&] {
        const QString folder = unpackRoot + QStringLiteral("/ours%1").arg(run++);
        QDir().mkpath(folder);
        if (!CPackageFiles::UnpackPackage(archive, folder))
            std::printf("unpack failed\n");
    });
    const double unzipMs = BenchHarness::BestCommandMs(
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         QStringLiteral("d=$(mktemp -d -p '%1') && unzip -q -o '%2' -d \"$d\"")
             .arg(unpackRoot, archive)});
    BenchHarness::Report(QStringLiteral("UnpackPackage vs unzip -q -o"), unpackMs, unzipMs, 1.1);
    return 0;
}
