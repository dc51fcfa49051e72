// Image files and pixel operations: encoder lookup, saving safely, private copies, orientation,
// fitting, brightness/contrast and alpha merge.
#include "ImageFiles.h"
#include "JpegCodec.h"
#include "PixelTable.h"
#include "SkinLookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

enum class Codec { TurboJpeg, Qt };

std::string CodecName(const testing::TestParamInfo<Codec> &info)
{
    return info.param == Codec::TurboJpeg ? "TurboJpeg" : "Qt";
}

// Runs a test once with each JPEG codec, so both give the same results.
class WithCodec : public testing::TestWithParam<Codec>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        if (GetParam() == Codec::TurboJpeg) {
            JpegCodec::SetEnabled(true);
            if (!JpegCodec::IsAvailable())
                GTEST_SKIP() << "built without TurboJPEG";
        } else {
            JpegCodec::SetEnabled(false);
        }
    }
    void TearDown() override { JpegCodec::SetEnabled(true); }
    QString Path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

// Smooth colour ramps: compresses like a photograph and survives JPEG nearly unchanged.
QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb(x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1), 128);
    }
    return image;
}

// Four flat quadrants: red, green / blue, yellow.
QImage Quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
    painter.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::yellow);
    return image;
}

bool Near(QRgb a, QRgb b, int tolerance = 40)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The DC entry of the first (luminance) quantisation table: 1 at quality 100, 8 at quality 75.
int FirstQuantisationEntry(const QByteArray &jpeg)
{
    for (qsizetype i = 2; i + 5 < jpeg.size(); ++i) {
        if (quint8(jpeg[i]) == 0xFF && quint8(jpeg[i + 1]) == 0xDB)
            return quint8(jpeg[i + 5]); // marker, 2 length bytes, precision/table byte
    }
    return -1;
}

// A JPEG whose APP1 segment carries an EXIF orientation tag, written by hand after SOI.
QByteArray WithOrientation(const QByteArray &jpeg, int orientation)
{
    QByteArray exif("Exif\0\0", 6);
    exif += QByteArray("MM\0\x2a\0\0\0\x08", 8); // big-endian TIFF header, IFD0 at offset 8
    exif += QByteArray("\0\x01", 2); // one entry
    exif += QByteArray("\x01\x12\0\x03\0\0\0\x01", 8); // Orientation, SHORT, count 1
    exif += char(0);
    exif += char(orientation);
    exif += QByteArray("\0\0", 2);
    exif += QByteArray("\0\0\0\0", 4); // no next IFD
    QByteArray segment("\xFF\xE1", 2);
    const int length = int(exif.size()) + 2;
    segment += char(length >> 8);
    segment += char(length & 0xFF);
    segment += exif;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

int OpenDescriptorsFor(const QString &path)
{
    const QString canonical = QFileInfo(path).absoluteFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    const QStringList entries = fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &fd : entries) {
        const QString target = QFileInfo(fds.filePath(fd)).symLinkTarget();
        if (target == canonical || target == canonical + QStringLiteral(" (deleted)"))
            ++count;
    }
    return count;
}

} // namespace

TEST(ImageEncoder, FindsByNameWithoutRegardToCase)
{
    const struct
    {
        const char *name;
        const char *found; // nullptr: none
    } rows[] = {
        {"JPG", "JPEG"}, {"jpg", "JPEG"},  {"Jpeg", "JPEG"},   {"jpeg", "JPEG"},
        {"png", "PNG"},  {"PNG", "PNG"},   {"bmp", "BMP"},     {"webp", nullptr},
        {"", nullptr},   {"jpe", nullptr}, {" jpeg", nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const auto encoder = FindImageEncoder(QString::fromLatin1(row.name));
        if (!row.found) {
            EXPECT_FALSE(encoder.has_value());
        } else {
            ASSERT_TRUE(encoder.has_value());
            EXPECT_EQ(encoder->description, QString::fromLatin1(row.found));
        }
    }
}

TEST_P(WithCodec, JpegQualityReachesTheFile)
{
    const struct
    {
        const char *rowName;
        int quality;
        int dcEntry;
    } rows[] = {
        {"quality 100", 100, 1},
        {"quality 95", 95, 2},
        {"quality 0 is the default", 0, 8},
        {"negative is the default", -5, 8},
        {"above 100 is capped", 150, 1},
    };
    const QImage image = Gradient(64, 48);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.rowName);
        const QString path = Path(QStringLiteral("q.jpg"));
        ASSERT_TRUE(SaveImageFile(row.quality, image, path, QStringLiteral("jpg")));
        EXPECT_EQ(FirstQuantisationEntry(ReadAll(path)), row.dcEntry);
    }
}

TEST_P(WithCodec, SavedJpegKeepsColoursAndSize)
{
    const QString path = Path(QStringLiteral("colours.jpeg"));
    ASSERT_TRUE(SaveImageFile(100, Quadrants(64, 32), path, QStringLiteral("jpeg")));
    const QImage loaded = LoadImageCopy(path);
    ASSERT_EQ(loaded.size(), QSize(64, 32));
    EXPECT_EQ(loaded.format(), QImage::Format_RGB32);
    EXPECT_TRUE(Near(loaded.pixel(4, 4), qRgb(255, 0, 0)));
    EXPECT_TRUE(Near(loaded.pixel(60, 4), qRgb(0, 255, 0)));
    EXPECT_TRUE(Near(loaded.pixel(4, 28), qRgb(0, 0, 255)));
    EXPECT_TRUE(Near(loaded.pixel(60, 28), qRgb(255, 255, 0)));
    EXPECT_EQ(qAlpha(loaded.pixel(10, 10)), 255);
}

TEST_P(WithCodec, OrientationTagGivesTheUprightPicture)
{
    // Stored corners: red, green / blue, yellow. Expected upright corners for each tag value.
    const QRgb R = qRgb(255, 0, 0), G = qRgb(0, 255, 0), B = qRgb(0, 0, 255), Y = qRgb(255, 255, 0);
    const struct
    {
        int orientation;
        bool turned;
        QRgb topLeft, topRight, bottomLeft, bottomRight;
    } rows[] = {
        {1, false, R, G, B, Y}, {2, false, G, R, Y, B}, {3, false, Y, B, G, R},
        {4, false, B, Y, R, G}, {5, true, R, B, G, Y},  {6, true, B, R, Y, G},
        {7, true, Y, G, B, R},  {8, true, G, Y, R, B},
    };
    QByteArray plain;
    {
        const QString path = Path(QStringLiteral("plain.jpg"));
        ASSERT_TRUE(SaveImageFile(100, Quadrants(64, 32), path, QStringLiteral("jpg")));
        plain = ReadAll(path);
    }
    for (const auto &row : rows) {
        SCOPED_TRACE(row.orientation);
        const QString path = Path(QStringLiteral("turned.jpg"));
        ASSERT_TRUE(WriteAll(path, WithOrientation(plain, row.orientation)));
        const QImage image = LoadImageCopy(path);
        const QSize expected = row.turned ? QSize(32, 64) : QSize(64, 32);
        ASSERT_EQ(image.size(), expected);
        const int r = image.width() - 4, b = image.height() - 4;
        EXPECT_TRUE(Near(image.pixel(3, 3), row.topLeft));
        EXPECT_TRUE(Near(image.pixel(r, 3), row.topRight));
        EXPECT_TRUE(Near(image.pixel(3, b), row.bottomLeft));
        EXPECT_TRUE(Near(image.pixel(r, b), row.bottomRight));

        // The memory decode and the thumbnail path see the same upright picture.
        QImage fromMemory;
        ASSERT_TRUE(LoadImageFromMemory(QFile(path).size(), ReadAll(path).constData(), fromMemory));
        EXPECT_EQ(fromMemory.size(), expected);
        QSize fitted;
        const QImage thumb = ScaleImageToFit(path, 16, 16, &fitted);
        EXPECT_EQ(fitted, row.turned ? QSize(8, 16) : QSize(16, 8));
        EXPECT_EQ(thumb.size(), fitted);
        EXPECT_TRUE(Near(thumb.pixel(1, 1), row.topLeft, 60));
    }
}

TEST_P(WithCodec, FilePathFitGivesTheSizesOfTheRule)
{
    const QString jpeg = Path(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(SaveImageFile(90, Gradient(4000, 3000), jpeg, QStringLiteral("jpg")));
    const QString png = Path(QStringLiteral("small.png"));
    ASSERT_TRUE(SaveImageFile(0, Gradient(100, 50), png, QStringLiteral("png")));
    const struct
    {
        const char *rowName;
        QString path;
        int boxWidth, boxHeight;
        QSize expected;
    } rows[] = {
        {"wide box", jpeg, 192, 1024, {192, 144}},
        {"truncated height", jpeg, 46, 75, {46, 34}},
        {"thumbnail", jpeg, 140, 140, {140, 105}},
        {"full size", jpeg, 4000, 3000, {4000, 3000}},
        {"just below full size", jpeg, 3999, 3000, {3999, 2999}},
        {"enlarged", png, 192, 1024, {192, 96}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.rowName);
        QSize fitted;
        const QImage image = ScaleImageToFit(row.path, row.boxWidth, row.boxHeight, &fitted);
        EXPECT_EQ(fitted, row.expected);
        EXPECT_EQ(image.size(), row.expected);
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        // The gradient's colour at the middle survives the reduced decode.
        EXPECT_TRUE(
            Near(image.pixel(image.width() / 2, image.height() / 2), qRgb(128, 128, 128), 12));
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, WithCodec, testing::Values(Codec::TurboJpeg, Codec::Qt),
                         CodecName);

TEST(ScaleImageToFit, SizesFollowTheRule)
{
    const struct
    {
        const char *rowName;
        QSize source;
        int boxWidth, boxHeight;
        QSize expected; // empty: no image
    } rows[] = {
        {"4000 x 3000 into 192 x 1024", {4000, 3000}, 192, 1024, {192, 144}},
        {"46 / 4000 x 3000 = 34.5 truncates", {4000, 3000}, 46, 75, {46, 34}},
        {"smaller picture is enlarged", {100, 50}, 192, 1024, {192, 96}},
        {"thumbnail", {4000, 3000}, 140, 140, {140, 105}},
        {"portrait thumbnail", {3000, 4000}, 140, 140, {105, 140}},
        {"height decides", {100, 100}, 300, 50, {50, 50}},
        {"empty box", {100, 100}, 0, 50, {}},
        {"negative box", {100, 100}, -5, 50, {}},
        {"a side rounding to nothing keeps one pixel", {10000, 1}, 100, 100, {100, 1}},
        {"tall strip", {20, 4000}, 140, 140, {1, 140}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.rowName);
        EXPECT_EQ(FitSizeInBox(row.source, row.boxWidth, row.boxHeight), row.expected);
        QImage source(row.source, QImage::Format_RGB32);
        source.fill(Qt::darkCyan);
        QSize fitted(-7, -7);
        const QImage scaled = ScaleImageToFit(source, row.boxWidth, row.boxHeight, &fitted);
        if (row.expected.isEmpty()) {
            EXPECT_TRUE(scaled.isNull());
            EXPECT_EQ(fitted, QSize(-7, -7));
        } else {
            EXPECT_EQ(scaled.size(), row.expected);
            EXPECT_EQ(fitted, row.expected);
            EXPECT_EQ(scaled.format(), QImage::Format_RGB32);
            EXPECT_EQ(scaled.pixel(0, 0), QColor(Qt::darkCyan).rgb());
        }
    }
    EXPECT_TRUE(ScaleImageToFit(QImage(), 10, 10).isNull());
}

TEST(ScaleImageToFit, TransparencyBecomesWhite)
{
    QImage source(10, 10, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    source.setPixel(9, 9, qRgba(0, 0, 0, 255));
    const QImage scaled = ScaleImageToFit(source, 20, 20);
    ASSERT_EQ(scaled.size(), QSize(20, 20));
    EXPECT_FALSE(scaled.hasAlphaChannel());
    EXPECT_EQ(scaled.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_LT(qRed(scaled.pixel(19, 19)), 64);
}

TEST(LoadImageCopy, DropsAlphaAndKeepsStoredColours)
{
    QTemporaryDir dir;
    QImage source(4, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(10, 20, 30, 0));
    source.setPixel(1, 0, qRgba(200, 100, 50, 128));
    source.setPixel(2, 0, qRgba(1, 2, 3, 255));
    source.setPixel(3, 0, qRgba(255, 255, 255, 7));
    const QString path = dir.filePath(QStringLiteral("alpha.png"));
    ASSERT_TRUE(SaveImageFile(0, source, path, QStringLiteral("png")));
    const QImage loaded = LoadImageCopy(path);
    ASSERT_EQ(loaded.format(), QImage::Format_RGB32);
    EXPECT_FALSE(loaded.hasAlphaChannel());
    EXPECT_EQ(loaded.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(loaded.pixel(1, 0), qRgb(200, 100, 50));
    EXPECT_EQ(loaded.pixel(2, 0), qRgb(1, 2, 3));
    EXPECT_EQ(loaded.pixel(3, 0), qRgb(255, 255, 255));
}

TEST(LoadImageCopy, NoFileStaysOpen)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(SaveImageFile(0, Gradient(320, 240), path, QStringLiteral("jpg")));
    for (bool turbo : {true, false}) {
        SCOPED_TRACE(turbo ? "TurboJPEG" : "Qt");
        JpegCodec::SetEnabled(turbo);
        const QImage image = LoadImageCopy(path);
        const QImage thumb = ScaleImageToFit(path, 64, 64);
        EXPECT_EQ(OpenDescriptorsFor(path), 0);
        ASSERT_FALSE(image.isNull());
        ASSERT_FALSE(thumb.isNull());
    }
    JpegCodec::SetEnabled(true);
    const QImage image = LoadImageCopy(path);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(image.size(), QSize(320, 240));
    EXPECT_TRUE(Near(image.pixel(319, 0), qRgb(255, 0, 128), 12));
}

TEST(LoadImageCopy, UnreadableInputGivesNull)
{
    QTemporaryDir dir;
    QByteArray jpeg;
    {
        const QString path = dir.filePath(QStringLiteral("ok.jpg"));
        ASSERT_TRUE(SaveImageFile(0, Gradient(64, 64), path, QStringLiteral("jpg")));
        jpeg = ReadAll(path);
    }
    const QString garbage = dir.filePath(QStringLiteral("garbage.jpg"));
    ASSERT_TRUE(WriteAll(garbage, QByteArray("\xFF\xD8\xFF\xE0not a jpeg at all", 22)));
    const QString empty = dir.filePath(QStringLiteral("empty.png"));
    ASSERT_TRUE(WriteAll(empty, QByteArray()));
    const QString headerOnly = dir.filePath(QStringLiteral("header.jpg"));
    ASSERT_TRUE(WriteAll(headerOnly, jpeg.left(20)));
    for (const QString &path :
         {garbage, empty, headerOnly, dir.filePath(QStringLiteral("none")), dir.path()}) {
        SCOPED_TRACE(qPrintable(path));
        EXPECT_TRUE(LoadImageCopy(path).isNull());
        EXPECT_TRUE(ScaleImageToFit(path, 10, 10).isNull());
    }
    // A file cut short still decodes to a picture of the stated size (the rest grey) or nothing.
    const QString truncated = dir.filePath(QStringLiteral("cut.jpg"));
    ASSERT_TRUE(WriteAll(truncated, jpeg.left(jpeg.size() / 2)));
    const QImage cut = LoadImageCopy(truncated);
    EXPECT_TRUE(cut.isNull() || cut.size() == QSize(64, 64));
}

TEST(SaveImageFile, UnknownFormatOrNullImageWritesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.webp"));
    EXPECT_FALSE(SaveImageFile(95, Gradient(8, 8), path, QStringLiteral("webp")));
    EXPECT_FALSE(SaveImageFile(95, QImage(), dir.filePath(QStringLiteral("null.jpg")),
                               QStringLiteral("jpg")));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST(SaveImageFile, ReplacesAnExistingFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(SaveImageFile(100, Gradient(300, 200), path, QStringLiteral("jpg")));
    ASSERT_TRUE(SaveImageFile(100, Quadrants(40, 20), path, QStringLiteral("jpg")));
    EXPECT_EQ(LoadImageCopy(path).size(), QSize(40, 20));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(SaveImageFile, FailedWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    // A parent that is a regular file fails even for root.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    ASSERT_TRUE(WriteAll(blocker, "x"));
    EXPECT_FALSE(SaveImageFile(95, Gradient(8, 8), blocker + QStringLiteral("/a.jpg"),
                               QStringLiteral("jpg")));
    EXPECT_EQ(ReadAll(blocker), QByteArray("x"));

    // A write that runs out of room (the file size limit stands in for a full disk).
    const QString path = dir.filePath(QStringLiteral("photo.png"));
    ASSERT_TRUE(SaveImageFile(0, Gradient(16, 16), path, QStringLiteral("png")));
    const QByteArray before = ReadAll(path);
    QImage noise(512, 512, QImage::Format_RGB32);
    auto *random = QRandomGenerator::global();
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, random->generate() | 0xFF000000u);

    rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool saved_ok = SaveImageFile(0, noise, path, QStringLiteral("png"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(ReadAll(path), before);
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, QStringList({QStringLiteral("blocker"), QStringLiteral("photo.png")}));
}

TEST(BrightnessContrast, TableValues)
{
    const struct
    {
        const char *rowName;
        int brightness, contrast;
        std::vector<std::pair<int, int>> entries; // byte -> result
    } rows[] = {
        {"identity", 0, 0, {{0, 0}, {1, 1}, {128, 128}, {254, 254}, {255, 255}}},
        {"brighter clamps at 255", 50, 0, {{0, 50}, {100, 150}, {205, 255}, {250, 255}}},
        {"darker clamps at 0", -50, 0, {{0, 0}, {49, 0}, {50, 0}, {51, 1}, {255, 205}}},
        {"no contrast is flat grey", 0, -100, {{0, 128}, {128, 128}, {255, 128}}},
        {"half contrast rounds", 0, -50, {{0, 64}, {1, 65}, {255, 192}}},
        {"double contrast", 0, 100, {{0, 0}, {64, 0}, {128, 128}, {130, 132}, {200, 255}}},
        {"inverted beyond -100", 0, -200, {{0, 255}, {128, 128}, {255, 1}}},
        {"huge brightness", 2000000000, 0, {{0, 255}, {255, 255}}},
        {"huge darkness", -2000000000, 0, {{0, 0}, {255, 0}}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.rowName);
        const auto table = BrightnessContrastTable(row.brightness, row.contrast);
        for (const auto &[from, to] : row.entries)
            EXPECT_EQ(table[size_t(from)], to) << "byte " << from;
    }
}

TEST(BrightnessContrast, ChangesColourChannelsOnly)
{
    const auto table = BrightnessContrastTable(30, 40);
    // Big enough to take the two-thread path, with an odd height and a padded stride.
    QImage rgb(1201, 1001, QImage::Format_RGB32);
    QImage argb(7, 5, QImage::Format_ARGB32);
    auto *random = QRandomGenerator::global();
    for (QImage *image : {&rgb, &argb}) {
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < image->width(); ++x)
                image->setPixel(x, y,
                                image->hasAlphaChannel() ? random->generate()
                                                         : (random->generate() | 0xFF000000u));
        const QImage before = image->copy();
        const QImage shared = *image; // another owner of the same pixels
        ASSERT_TRUE(AdjustBrightnessContrast(*image, 30, 40));
        EXPECT_EQ(shared, before);
        for (int y = 0; y < image->height(); ++y) {
            for (int x = 0; x < image->width(); ++x) {
                const QRgb was = before.pixel(x, y);
                const QRgb now = reinterpret_cast<const QRgb *>(image->constScanLine(y))[x];
                ASSERT_EQ(
                    now,
                    qRgba(table[qRed(was)], table[qGreen(was)], table[qBlue(was)], qAlpha(was)))
                    << x << "," << y;
            }
        }
    }
    QImage rgb888(3, 2, QImage::Format_RGB888);
    rgb888.fill(qRgb(10, 128, 250));
    ASSERT_TRUE(AdjustBrightnessContrast(rgb888, 30, 40));
    EXPECT_EQ(rgb888.pixel(2, 1), qRgb(table[10], table[128], table[250]));

    QImage grey(4, 4, QImage::Format_Grayscale8);
    grey.fill(100);
    const QImage greyBefore = grey.copy();
    EXPECT_FALSE(AdjustBrightnessContrast(grey, 50, 0));
    EXPECT_EQ(grey, greyBefore);
    QImage empty;
    EXPECT_FALSE(AdjustBrightnessContrast(empty, 50, 0));
}

TEST(CopyAlpha, MergesTranslucentSourcePixelsOverTheCommonArea)
{
    QImage destination(4, 4, QImage::Format_ARGB32);
    destination.fill(qRgba(10, 20, 30, 255));
    QImage source(3, 6, QImage::Format_ARGB32);
    source.fill(qRgba(200, 200, 200, 255));
    source.setPixel(0, 0, qRgba(1, 2, 3, 0));
    source.setPixel(2, 3, qRgba(1, 2, 3, 77));
    source.setPixel(1, 5, qRgba(1, 2, 3, 5)); // outside the destination
    ASSERT_TRUE(CopyAlpha(destination, source));
    EXPECT_EQ(destination.pixel(0, 0), qRgba(10, 20, 30, 0));
    EXPECT_EQ(destination.pixel(2, 3), qRgba(10, 20, 30, 77));
    EXPECT_EQ(destination.pixel(1, 1), qRgba(10, 20, 30, 255));
    EXPECT_EQ(destination.pixel(3, 3), qRgba(10, 20, 30, 255));

    QImage rgb(4, 4, QImage::Format_RGB32);
    EXPECT_FALSE(CopyAlpha(rgb, source));
    EXPECT_FALSE(CopyAlpha(destination, rgb));
}

TEST(ImageSlots, FailuresLeaveTheSlotAsItWas)
{
    const QImage marker = Gradient(3, 3);
    QImage slot = marker;
    EXPECT_FALSE(CreateBlankImage(slot, 0, 10));
    EXPECT_FALSE(CreateBlankImage(slot, 100000, 100000));
    EXPECT_FALSE(LoadImageFromMemory(0, "abc", slot));
    EXPECT_FALSE(LoadImageFromMemory(3, nullptr, slot));
    EXPECT_FALSE(LoadImageFromMemory(3, "abc", slot));
    EXPECT_FALSE(CloneImage(QImage(), slot));
    EXPECT_FALSE(LoadPngResource(slot, 9999)); // no picture has that number
    EXPECT_EQ(slot, marker);
    EXPECT_EQ(GetImageSize(QImage()), QSize(0, 0));

    ASSERT_TRUE(CreateBlankImage(slot, 5, 4));
    EXPECT_EQ(slot.format(), QImage::Format_RGB32);
    EXPECT_EQ(GetImageSize(slot), QSize(5, 4));
    EXPECT_EQ(slot.pixel(4, 3), qRgb(0, 0, 0));

    QImage copy;
    ASSERT_TRUE(CloneImage(marker, copy));
    copy.setPixel(0, 0, qRgb(1, 1, 1));
    EXPECT_NE(marker.pixel(0, 0), copy.pixel(0, 0));
    EXPECT_EQ(copy.format(), marker.format());
}

TEST(ImageSlots, MemoryAndSkinPicturesKeepTheirAlpha)
{
    QImage picture(6, 6, QImage::Format_ARGB32);
    picture.fill(qRgba(0, 0, 255, 100));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(SaveImageFile(0, picture, path, QStringLiteral("png")));
    const QByteArray png = ReadAll(path);
    QImage slot;
    ASSERT_TRUE(LoadImageFromMemory(png.size(), png.constData(), slot));
    EXPECT_EQ(slot.format(), QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(slot.pixel(2, 2)), 100);

    SetSkinPictureResolver([&](SkinPictureKind kind, int id) {
        return kind == SkinPictureKind::Png && id == 316 ? picture : QImage();
    });
    QImage ring;
    EXPECT_TRUE(LoadPngResource(ring, 316));
    EXPECT_EQ(ring.size(), QSize(6, 6));
    EXPECT_FALSE(LoadPngResource(ring, 317));
    EXPECT_FALSE(LoadBitmapResource(ring, 316));
    SetSkinPictureResolver({});
    // Without a resolver the pictures come from the skin itself.
    EXPECT_TRUE(LoadPngResource(ring, 316));
    EXPECT_EQ(ring.size(), QSize(200, 200));
}

TEST(PixelTable, VectorAndPortableKernelsAgree)
{
    // Row lengths around the 64-byte vector width, with a stride wider than the row.
    const auto table = BrightnessContrastTable(-20, 65);
    auto *random = QRandomGenerator::global();
    for (const bool fourth : {true, false}) {
        for (const qsizetype rowBytes : {4, 60, 64, 68, 124, 128, 132, 1000}) {
            SCOPED_TRACE(testing::Message() << rowBytes << (fourth ? " keeping" : " all"));
            const qsizetype stride = rowBytes + 12;
            const int height = 3;
            std::vector<uchar> original(size_t(stride * height));
            for (uchar &byte : original)
                byte = uchar(random->bounded(256));
            std::vector<uchar> best = original, portable = original;
            PixelTable::MapRows(best.data(), stride, rowBytes, height, table, fourth,
                                PixelTable::Kernel::Best);
            PixelTable::MapRows(portable.data(), stride, rowBytes, height, table, fourth,
                                PixelTable::Kernel::Portable);
            EXPECT_EQ(best, portable);
            for (int y = 0; y < height; ++y) {
                for (qsizetype i = 0; i < stride; ++i) {
                    const size_t at = size_t(y * stride + i);
                    const bool mapped = i < rowBytes && !(fourth && i % 4 == 3);
                    ASSERT_EQ(portable[at], mapped ? table[original[at]] : original[at])
                        << "row " << y << " byte " << i;
                }
            }
        }
    }
}

TEST_P(WithCodec, DamagedFilesNeverCrash)
{
    QByteArray jpeg, png;
    {
        const QString path = Path(QStringLiteral("seed.jpg"));
        ASSERT_TRUE(SaveImageFile(80, Quadrants(48, 40), path, QStringLiteral("jpg")));
        jpeg = ReadAll(path);
        const QString pngPath = Path(QStringLiteral("seed.png"));
        ASSERT_TRUE(SaveImageFile(0, Quadrants(48, 40), pngPath, QStringLiteral("png")));
        png = ReadAll(pngPath);
    }
    QRandomGenerator random(1234);
    const QString path = Path(QStringLiteral("damaged"));
    for (const QByteArray &seed : {jpeg, png}) {
        for (int round = 0; round < 150; ++round) {
            QByteArray damaged = seed;
            const int changes = 1 + int(random.bounded(8));
            for (int i = 0; i < changes; ++i)
                damaged[qsizetype(random.bounded(int(damaged.size())))] = char(random.bounded(256));
            if (round % 5 == 0)
                damaged.truncate(qsizetype(random.bounded(int(damaged.size()))));
            ASSERT_TRUE(WriteAll(path, damaged));
            const QImage image = LoadImageCopy(path);
            EXPECT_TRUE(image.isNull() || image.format() == QImage::Format_RGB32);
            const QImage thumb = ScaleImageToFit(path, 20, 20);
            EXPECT_TRUE(thumb.isNull() || (thumb.width() <= 20 && thumb.height() <= 20));
        }
    }
}

TEST_P(WithCodec, HugeStatedSizeIsRefusedOrBounded)
{
    // A small file whose frame header claims 65000 × 65000: the full decode would need 16 GB.
    QByteArray jpeg;
    {
        const QString path = Path(QStringLiteral("small.jpg"));
        ASSERT_TRUE(SaveImageFile(80, Quadrants(16, 16), path, QStringLiteral("jpg")));
        jpeg = ReadAll(path);
    }
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    for (int i = 0; i < 4; ++i)
        jpeg[sof + 5 + i] = char(i % 2 == 0 ? 0xFD : 0xE8); // height, width = 65000
    const QString path = Path(QStringLiteral("huge.jpg"));
    ASSERT_TRUE(WriteAll(path, jpeg));
    EXPECT_TRUE(LoadImageCopy(path).isNull());
    QSize fitted;
    const QImage thumb = ScaleImageToFit(path, 140, 140, &fitted);
    EXPECT_TRUE(thumb.isNull() || thumb.size() == QSize(140, 140));
}
