// Screen-side drawing helpers: bitmap copies, the nine-piece skin frame, fonts and their Korean
// faces, the off-screen surface, centred labels, the ellipse test and matrix helpers.
#include "DrawHelpers.h"
#include "SkinLookup.h"
#include "UbBitmap.h"
#include "UbFont.h"
#include "UbMemDC.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

CUbBitmap Solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return CUbBitmap(image);
}

QImage Canvas(int width, int height, QRgb colour = qRgb(255, 255, 255))
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

// Distinct colours for the eight frame pieces.
const QRgb kTopLeft = qRgb(255, 0, 0), kTop = qRgb(0, 255, 0), kTopRight = qRgb(0, 0, 255),
           kBottomLeft = qRgb(255, 255, 0), kBottom = qRgb(0, 255, 255),
           kBottomRight = qRgb(255, 0, 255), kLeft = qRgb(128, 0, 0), kRight = qRgb(0, 128, 0),
           kBackground = qRgb(255, 255, 255);

QImage FrameOver(const QRect &rect, QSize canvas = {120, 80})
{
    QImage image = Canvas(canvas.width(), canvas.height());
    QPainter painter(&image);
    DrawSkinFrame(painter, rect, Solid(10, 12, kTopLeft), Solid(7, 5, kTop),
                  Solid(11, 9, kTopRight), Solid(9, 8, kBottomLeft), Solid(6, 4, kBottom),
                  Solid(10, 10, kBottomRight), Solid(3, 5, kLeft), Solid(4, 7, kRight));
    return image;
}

int CountColour(const QImage &image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == colour;
    return count;
}

} // namespace

TEST(DrawBitmap, CopiesTheSourceRectanglePlainly)
{
    QImage source(20, 10, QImage::Format_ARGB32);
    source.fill(qRgba(0, 0, 255, 255));
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 20; ++x)
            source.setPixel(x, y, qRgba(0, 0, 0, 0));
    source.setPixel(5, 5, qRgba(255, 0, 0, 255));
    const CUbBitmap bitmap(source);
    QImage target = Canvas(30, 30);
    QPainter painter(&target);
    // From (5, 5), 10 × 3: the red pixel lands on (2, 2), then five blue, then five transparent.
    ASSERT_TRUE(DrawBitmap(painter, bitmap, 2, 2, 10, 3, 5, 5));
    painter.end();
    EXPECT_EQ(target.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(6, 3), qRgb(0, 0, 255));
    EXPECT_EQ(qAlpha(target.pixel(8, 2)), 0); // a plain copy replaces, it does not blend
    EXPECT_EQ(target.pixel(2, 5), kBackground);
    EXPECT_EQ(target.pixel(12, 2), kBackground);

    QPainter again(&target);
    EXPECT_FALSE(DrawBitmap(again, CUbBitmap(), 0, 0, 5, 5, 0, 0));
}

TEST(DrawSkinFrame, CornersEdgesAndUntouchedInside)
{
    const QRect rect(5, 6, 100, 60); // right 105, bottom 66
    const QImage image = FrameOver(rect);
    const struct
    {
        const char *rowName;
        QPoint at;
        QRgb colour;
    } rows[] = {
        {"top-left corner", {5, 6}, kTopLeft},
        {"top-left corner far pixel", {14, 17}, kTopLeft},
        {"top edge starts after the corner", {15, 6}, kTop},
        {"top edge last cut copy", {93, 10}, kTop},
        {"top-right corner", {94, 6}, kTopRight},
        {"top-right corner last column", {104, 14}, kTopRight},
        {"below top-right corner is the right edge", {101, 15}, kRight},
        {"right edge last copy", {104, 55}, kRight},
        {"bottom-left corner", {5, 58}, kBottomLeft},
        {"bottom edge", {14, 62}, kBottom},
        {"bottom edge end", {94, 65}, kBottom},
        {"bottom-right corner", {95, 56}, kBottomRight},
        {"left edge", {7, 18}, kLeft},
        {"left edge stops at the bottom corner", {7, 57}, kLeft},
        {"inside untouched", {50, 30}, kBackground},
        {"left edge is only 3 wide", {8, 30}, kBackground},
        {"outside right", {105, 30}, kBackground},
        {"outside bottom", {50, 66}, kBackground},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.rowName);
        EXPECT_EQ(image.pixel(row.at), row.colour);
    }
}

TEST(DrawSkinFrame, NarrowRectangleDrawsOnlyTheCorners)
{
    // 15 wide: the two top corners (10 and 11) overlap and leave no span for the top edge; the
    // bottom corners (9 and 10) overlap too.
    const QImage image = FrameOver(QRect(0, 0, 15, 60));
    EXPECT_EQ(CountColour(image, kTop), 0);
    EXPECT_EQ(CountColour(image, kBottom), 0);
    EXPECT_EQ(image.pixel(3, 0), kTopLeft);
    EXPECT_EQ(image.pixel(5, 0), kTopRight); // drawn after the top-left corner
    EXPECT_GT(CountColour(image, kLeft), 0);
}

TEST(UbFont, DescriptionMapsOntoQFont)
{
    CUbFont font;
    ASSERT_TRUE(font.CreateFont());
    EXPECT_EQ(font.Font().pixelSize(), 12);
    EXPECT_EQ(font.Font().weight(), QFont::Normal);
    EXPECT_EQ(font.Font().styleHint(), QFont::Serif);
    EXPECT_EQ(font.Color, -1);

    font.Desc.Height = -20;
    font.Desc.Weight = 700;
    font.Desc.Italic = true;
    font.Desc.Underline = true;
    font.Desc.Quality = 3;
    font.Desc.PitchAndFamily = 0x31; // fixed pitch, modern
    ASSERT_TRUE(font.CreateFont());
    const QFont &created = font.Font();
    EXPECT_EQ(created.pixelSize(), 20);
    EXPECT_EQ(created.weight(), QFont::Bold);
    EXPECT_TRUE(created.italic());
    EXPECT_TRUE(created.underline());
    EXPECT_TRUE(created.fixedPitch());
    EXPECT_EQ(created.styleStrategy() & QFont::NoAntialias, QFont::NoAntialias);

    // A positive height is the cell: ascent plus descent come out at about that many pixels.
    LogicalFont cell;
    cell.Height = 30;
    EXPECT_NEAR(QFontMetrics(CUbFont::ToQFont(cell)).height(), 30, 2);

    LogicalFont hostile;
    hostile.Height = std::numeric_limits<int>::min();
    hostile.Weight = 5000;
    const QFont clamped = CUbFont::ToQFont(hostile);
    EXPECT_GT(clamped.pixelSize(), 0);
    EXPECT_LE(clamped.weight(), 1000);

    EXPECT_EQ(CUbFont::HeightFromPoints(12), -16);
    EXPECT_EQ(CUbFont::HeightFromPoints(10), -13);
}

TEST(UbFont, KoreanFaceNamesReachKoreanFaces)
{
    const char *faces[] = {"굴림", "굴림체", "궁서", "돋움", "바탕", "맑은 고딕"};
    for (const char *face : faces) {
        SCOPED_TRACE(face);
        LogicalFont desc;
        desc.FaceName = QString::fromUtf8(face);
        const QFont font = CUbFont::ToQFont(desc);
        EXPECT_EQ(font.family(), QString::fromUtf8(face)); // the name stays as written
        const QString resolved = QFontInfo(font).family();
        EXPECT_TRUE(resolved.startsWith(QStringLiteral("Nanum"))
                    || resolved.startsWith(QStringLiteral("Noto")))
            << qPrintable(resolved);
        EXPECT_TRUE(QFontMetrics(font).inFont(QChar(0xAD74))); // 굴
    }
}

TEST(DrawFontText, UsesTheFontColourAndRestoresThePainter)
{
    CUbFont font;
    font.Desc.Height = -24;
    font.Desc.FaceName = QStringLiteral("굴림");
    font.Color = 0x0000FF; // 00BBGGRR: red
    font.CreateFont();
    QImage image = Canvas(200, 60);
    QPainter painter(&image);
    const QPen pen(QColor(0, 0, 200));
    painter.setPen(pen);
    const QFont before = painter.font();
    DrawFontText(
        QStringLiteral("가나다 Text"), painter, font, QRect(0, 0, 200, 60),
        QtTextFlags(DrawTextFormat::Center | DrawTextFormat::VCenter | DrawTextFormat::SingleLine));
    EXPECT_EQ(painter.pen(), pen);
    EXPECT_EQ(painter.font(), before);
    painter.end();
    int red = 0, blue = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x) {
            const QRgb p = image.pixel(x, y);
            red += qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
            blue += qBlue(p) > 150 && qRed(p) < 60;
        }
    }
    EXPECT_GT(red, 20);
    EXPECT_EQ(blue, 0);

    // Colour −1 keeps the painter's colour.
    font.Color = -1;
    QImage second = Canvas(200, 60);
    QPainter other(&second);
    other.setPen(pen);
    DrawFontText(QStringLiteral("가나다"), other, font, QRect(0, 0, 200, 60), Qt::AlignCenter);
    other.end();
    EXPECT_GT(CountColour(second, QColor(0, 0, 200).rgb()), 0);
}

TEST(QtTextFlags, TranslatesFormatFlags)
{
    using namespace DrawTextFormat;
    EXPECT_EQ(QtTextFlags(Left), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic);
    EXPECT_EQ(QtTextFlags(Center | VCenter | SingleLine | NoPrefix),
              Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine);
    EXPECT_EQ(QtTextFlags(Right | Bottom | WordBreak | NoClip | NoPrefix),
              Qt::AlignRight | Qt::AlignBottom | Qt::TextWordWrap | Qt::TextDontClip);
}

TEST(UbMemDC, ComposesOverTheTargetInsideTheClipBox)
{
    for (const qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        QImage target(int(100 * ratio), int(80 * ratio), QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(ratio);
        target.fill(Qt::white);
        QPainter painter(&target);
        painter.translate(5, 5);
        painter.setClipRect(QRect(10, 10, 40, 30)); // logical 15 … 55 × 15 … 45 on the target
        {
            CUbMemDC memDC(&painter);
            EXPECT_EQ(memDC.Box(), QRect(10, 10, 40, 30));
            memDC.fillRect(QRect(0, 0, 30, 30), Qt::red); // same coordinates as the target
            memDC.fillRect(QRect(200, 200, 5, 5), Qt::green);
            EXPECT_EQ(target.pixel(int(20 * ratio), int(20 * ratio)), qRgb(255, 255, 255));
        }
        painter.end();
        const auto at = [&](int x, int y) {
            return target.pixel(int(x * ratio), int(y * ratio));
        };
        EXPECT_EQ(at(20, 20), qRgb(255, 0, 0));
        EXPECT_EQ(at(34, 34), qRgb(255, 0, 0));
        EXPECT_EQ(at(36, 20), qRgb(255, 255, 255)); // drawn nothing there: target shows through
        EXPECT_EQ(at(10, 10), qRgb(255, 255, 255)); // outside the clip box
    }
    // Over an inactive painter it does nothing and does not crash.
    QPainter inactive;
    CUbMemDC nothing(&inactive);
    EXPECT_FALSE(nothing.isActive());
}

TEST(UbMemDC, CoversTheGivenBoxOrTheWholeDevice)
{
    for (const qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        QImage target(int(100 * ratio), int(80 * ratio), QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(ratio);
        target.fill(Qt::white);
        QPainter painter(&target);
        painter.translate(5, 5);
        {
            CUbMemDC whole(&painter);
            EXPECT_EQ(whole.Box(), QRect(-5, -5, 100, 80));
            whole.fillRect(QRect(-5, -5, 10, 10), Qt::blue);
        }
        {
            CUbMemDC part(&painter, QRect(40, 40, 10, 10));
            part.fillRect(QRect(0, 0, 100, 100), Qt::red);
        }
        painter.end();
        const auto at = [&](int x, int y) {
            return target.pixel(int(x * ratio), int(y * ratio));
        };
        EXPECT_EQ(at(0, 0), qRgb(0, 0, 255));
        EXPECT_EQ(at(9, 9), qRgb(0, 0, 255));
        EXPECT_EQ(at(10, 10), qRgb(255, 255, 255));
        EXPECT_EQ(at(45, 45), qRgb(255, 0, 0));
        EXPECT_EQ(at(54, 54), qRgb(255, 0, 0));
        EXPECT_EQ(at(55, 55), qRgb(255, 255, 255));
        EXPECT_EQ(at(44, 44), qRgb(255, 255, 255));
    }
}

TEST(DrawStringCentered, CentresTheLayoutBox)
{
    QFont font(QStringLiteral("굴림"));
    font.setPixelSize(20);
    SetSharedAnnotationFont(font);
    QImage image = Canvas(300, 100);
    QPainter painter(&image);
    DrawStringCentered(QRectF(50, 0, 200, 100), QStringLiteral("측정 123"), painter,
                       QBrush(Qt::black));
    painter.end();
    SetSharedAnnotationFont(std::nullopt);
    int left = 300, right = -1, top = 100, bottom = -1;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (qRed(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(right, 0);
    EXPECT_NEAR((left + right) / 2.0, 150.0, 4.0);
    EXPECT_NEAR((top + bottom) / 2.0, 50.0, 6.0);
}

TEST(PointInEllipse, InsideOnAndOutside)
{
    const QRectF bounds(10, 20, 100, 40); // centre (60, 40), a = 50, b = 20
    const struct
    {
        const char *rowName;
        QPointF point;
        QRectF bounds;
        bool inside;
    } rows[] = {
        {"centre", {60, 40}, bounds, true},
        {"end of the long axis", {110, 40}, bounds, true},
        {"just past it", {110.01, 40}, bounds, false},
        {"end of the short axis", {60, 20}, bounds, true},
        {"bounding box corner", {10, 20}, bounds, false},
        {"inside near the rim", {60 + 35, 40 + 14}, bounds, true},
        {"flat ellipse", {60, 40}, QRectF(10, 40, 100, 0), false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.rowName);
        EXPECT_EQ(PointInEllipse(row.point, row.bounds), row.inside);
    }
}

TEST(MatrixHelpers, TransformWithItsInverse)
{
    QTransform view;
    view.translate(30, -12).rotate(33).scale(2.5, 0.75);
    QTransform forward, inverse;
    ASSERT_TRUE(CopyMatrixWithInverse(view, forward, inverse));
    EXPECT_EQ(forward, view);
    const QPointF p(123.5, -7.25);
    const QPointF back = inverse.map(forward.map(p));
    EXPECT_NEAR(back.x(), p.x(), 1e-9);
    EXPECT_NEAR(back.y(), p.y(), 1e-9);

    const QTransform singular(1, 2, 2, 4, 5, 6);
    EXPECT_FALSE(CopyMatrixWithInverse(singular, forward, inverse));
    EXPECT_EQ(inverse, singular);

    QTransform projective(1, 0, 0.5, 0, 1, 0, 3, 4, 1);
    QTransform affine;
    CopyMatrix(projective, affine);
    EXPECT_TRUE(affine.isAffine());
    EXPECT_EQ(affine.dx(), 3);
}

TEST(UbBitmap, LoadsFromTheSkinByNumber)
{
    CUbBitmap bitmap;
    EXPECT_FALSE(bitmap.LoadBitmap(201));
    SetSkinPictureResolver([](SkinPictureKind kind, int id) {
        QImage image(id == 201 ? 12 : 1, 7, QImage::Format_RGB32);
        image.fill(Qt::gray);
        return kind == SkinPictureKind::Bitmap && id == 201 ? image : QImage();
    });
    EXPECT_TRUE(bitmap.LoadBitmap(201));
    EXPECT_EQ(bitmap.Size(), QSize(12, 7));
    EXPECT_FALSE(bitmap.LoadBitmap(202));
    EXPECT_EQ(bitmap.Size(), QSize(12, 7)); // a failed load keeps the old picture
    SetSkinPictureResolver({});
}
