// The canvas arithmetic without a window: fitting, real size, zoom levels, crop limits and
// button places, and the scaled copy that keeps painting fast on large photographs.
#include "CanvasGeometry.h"
#include "ScaledView.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace CanvasGeometry;

TEST(CanvasGeometry, FitCentresTheWholeImage)
{
    const struct
    {
        const char *name;
        QSize client, image;
        double scale, x, y;
    } rows[] = {
        {"wide photo in 800x600", {800, 600}, {2000, 1000}, 0.4, 0, 100},
        {"tall photo in 800x600", {800, 600}, {1000, 2000}, 0.3, 250, 0},
        {"small photo is enlarged", {800, 600}, {400, 300}, 2.0, 0, 0},
        // s = min(0.211, 0.15075) = 0.15075, width (int)904.5 = 904 → (1266 - 904) / 2 = 181.
        {"24 MP in the benchmark canvas", {1266, 603}, {6000, 4000}, 603.0 / 4000, 181, 0},
        {"odd remainder halves down", {801, 601}, {100, 100}, 6.01, 100, 0},
    };
    for (const auto &row : rows) {
        const ViewTransform v = FitTransform(row.client, row.image);
        EXPECT_DOUBLE_EQ(v.ScaleX, row.scale) << row.name;
        EXPECT_DOUBLE_EQ(v.ScaleY, row.scale) << row.name;
        EXPECT_DOUBLE_EQ(v.OffsetX, row.x) << row.name;
        EXPECT_DOUBLE_EQ(v.OffsetY, row.y) << row.name;
    }
    const ViewTransform none = FitTransform({800, 600}, {});
    EXPECT_DOUBLE_EQ(none.ScaleX, 1.0);
}

TEST(CanvasGeometry, RealSize)
{
    const auto v = RealSizeTransform({800, 600}, {2000, 1000}, {4, 4}, 10);
    ASSERT_TRUE(v.has_value());
    EXPECT_DOUBLE_EQ(v->ScaleX, 0.4);
    EXPECT_DOUBLE_EQ(v->ScaleY, 0.4);
    EXPECT_DOUBLE_EQ(v->OffsetX, 0);
    EXPECT_DOUBLE_EQ(v->OffsetY, 100);
    // The vertical density only centres the image; both axes keep the horizontal factor.
    const auto skew = RealSizeTransform({800, 600}, {2000, 1000}, {4, 2}, 10);
    ASSERT_TRUE(skew.has_value());
    EXPECT_DOUBLE_EQ(skew->ScaleY, 0.4);
    EXPECT_DOUBLE_EQ(skew->OffsetY, 200);
    EXPECT_FALSE(RealSizeTransform({800, 600}, {2000, 1000}, {0, 0}, 10));
    EXPECT_FALSE(RealSizeTransform({800, 600}, {2000, 1000}, {4, 4}, 0));
    EXPECT_FALSE(RealSizeTransform({800, 600}, {2000, 1000}, {4, 4}, -3));
    // A scale read from a hostile description: no real size rather than overflowing ints.
    EXPECT_FALSE(RealSizeTransform({800, 600}, {4000, 3000}, {4, 4}, 1e-6));
    EXPECT_FALSE(RealSizeTransform({800, 600}, {4000, 3000}, {4, 4}, 1e-320));
}

TEST(CanvasGeometry, ZoomLevelsAndTheNearestLevelRule)
{
    EXPECT_EQ(ZoomLevels.size(), 22u);
    const struct
    {
        const char *name;
        double scale;
        double in, out;
    } rows[] = {
        {"0.4 ties between 0.3 and 0.5 and goes up", 0.4, 0.7, 0.3},
        {"no level 0.2: 0.2 is nearer 0.15", 0.2, 0.3, 0.1},
        {"exact level", 1.0, 1.5, 0.7},
        {"just below a level", 0.99, 1.5, 0.7},
        {"top clamps", 100, 100, 70},
        {"above the top", 250, 100, 70},
        {"bottom clamps", 0.01, 0.02, 0.01},
        {"below the bottom", 0.001, 0.02, 0.01},
        {"fit scale of a 24 MP photo", 603.0 / 4000, 0.3, 0.1},
    };
    for (const auto &row : rows) {
        EXPECT_DOUBLE_EQ(ZoomInScale(row.scale), row.in) << row.name;
        EXPECT_DOUBLE_EQ(ZoomOutScale(row.scale), row.out) << row.name;
    }
    EXPECT_EQ(NearestZoomLevel(0.0), 0);
    EXPECT_EQ(NearestZoomLevel(std::nan("")), 0);
}

TEST(CanvasGeometry, ZoomKeepsTheCentrePoint)
{
    const ViewTransform fit = FitTransform({800, 600}, {2000, 1000});
    const QPointF c = ClientCentre({800, 600});
    EXPECT_EQ(c, QPointF(400, 300));
    const ViewTransform z = ZoomAbout(fit, 2.0, c);
    EXPECT_DOUBLE_EQ(z.ScaleX, 2.0);
    EXPECT_NEAR(z.ToImage(c).x(), fit.ToImage(c).x(), 1e-9);
    EXPECT_NEAR(z.ToImage(c).y(), fit.ToImage(c).y(), 1e-9);
    EXPECT_EQ(ClientCentre({801, 601}), QPointF(400, 300));
}

TEST(CanvasGeometry, CropPixelsAreClampedIntoThePhoto)
{
    const QSize photo(2000, 1000);
    const struct
    {
        const char *name;
        QRectF crop;
        std::optional<QRect> kept;
    } rows[] = {
        {"inside, truncated", QRectF(QPointF(10.9, 20.2), QPointF(110.7, 70.99)),
         QRect(10, 20, 100, 50)},
        {"left and top below 1 become 0", QRectF(QPointF(0.6, -40), QPointF(50, 60)),
         QRect(0, 0, 50, 60)},
        {"right and bottom clamped", QRectF(QPointF(1900, 900), QPointF(2400, 1300)),
         QRect(1900, 900, 100, 100)},
        {"entirely left", QRectF(QPointF(-500, 100), QPointF(-100, 400)), std::nullopt},
        {"entirely right", QRectF(QPointF(2100, 100), QPointF(2500, 400)), std::nullopt},
        {"entirely below", QRectF(QPointF(100, 1200), QPointF(400, 1400)), std::nullopt},
        {"under one pixel wide", QRectF(QPointF(10.2, 10), QPointF(10.9, 50)), std::nullopt},
        {"absurdly far away", QRectF(QPointF(-1e300, -1e300), QPointF(-1e299, 1e300)),
         std::nullopt},
        {"covering everything", QRectF(QPointF(-1e12, -1e12), QPointF(1e12, 1e12)),
         QRect(0, 0, 2000, 1000)},
    };
    for (const auto &row : rows)
        EXPECT_EQ(CropPixelRect(row.crop, photo), row.kept) << row.name;
}

TEST(CanvasGeometry, CropButtonsSitSideBySideOnTheRectangle)
{
    const ScreenRect crop {200, 150, 600, 450};
    const auto places = PlaceCropButtons(crop, QSize(56, 22), QSize(40, 30));
    EXPECT_EQ(places.ok, QRect(400 - 50, 300 - 15 + 4, 56, 22));
    EXPECT_EQ(places.cancel, QRect(400 - 50 + 61, 285, 40, 30));
    EXPECT_EQ(InitialCropClientRect({800, 600}), QRect(200, 150, 400, 300));
    EXPECT_EQ(InitialCropClientRect({801, 601}), QRect(200, 150, 400, 300));
}

TEST(CanvasGeometry, VisibleClientRect)
{
    ViewTransform v;
    v.ScaleX = v.ScaleY = 0.5;
    v.OffsetX = -100.5;
    v.OffsetY = 20.25;
    EXPECT_EQ(VisibleClientRect(v, {1000, 1000}, {800, 600}), QRect(0, 20, 400, 501));
    v.OffsetX = 900;
    EXPECT_TRUE(VisibleClientRect(v, {1000, 1000}, {800, 600}).isEmpty());
}

namespace {

// Bounding box of the red pixels of a painted client.
QRect RedArea(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) > 160 && qGreen(p) < 100)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

QImage PaintClient(CScaledView &view, const QImage &image, const ViewTransform &t, bool fast)
{
    QImage client(800, 600, QImage::Format_RGB32);
    client.fill(Qt::white);
    QPainter painter(&client);
    view.Paint(painter, image, t, client.size(), fast);
    return client;
}

} // namespace

TEST(ScaledView, FastAndSmoothDrawingPutPixelsInTheSamePlace)
{
    QImage photo(3000, 2000, QImage::Format_RGB32);
    photo.fill(QColor(40, 120, 40));
    QPainter(&photo).fillRect(QRect(1000, 700, 400, 300), Qt::red);
    const struct
    {
        const char *name;
        double scale, x, y;
    } rows[] = {
        {"reduced, whole offsets", 0.25, 20, 30},
        {"reduced, fractional offsets", 0.2137, 13.4, 7.7},
        {"enlarged, partly off the left", 1.5, -1200, -800},
        {"one to one", 1.0, -700, -500},
    };
    for (const auto &row : rows) {
        ViewTransform t;
        t.ScaleX = t.ScaleY = row.scale;
        t.OffsetX = row.x;
        t.OffsetY = row.y;
        CScaledView fastView, smoothView;
        const QRect fast = RedArea(PaintClient(fastView, photo, t, true));
        const QRect smooth = RedArea(PaintClient(smoothView, photo, t, false));
        const QRectF expected(t.ToScreen({1000, 700}), t.ToScreen({1400, 1000}));
        ASSERT_FALSE(fast.isEmpty()) << row.name;
        EXPECT_LE(std::abs(fast.left() - smooth.left()), 1) << row.name;
        EXPECT_LE(std::abs(fast.top() - smooth.top()), 1) << row.name;
        EXPECT_LE(std::abs(fast.right() - smooth.right()), 1) << row.name;
        EXPECT_LE(std::abs(fast.bottom() - smooth.bottom()), 1) << row.name;
        EXPECT_NEAR(smooth.left(), std::max(0.0, expected.left()), 1.0) << row.name;
        EXPECT_NEAR(smooth.top(), std::max(0.0, expected.top()), 1.0) << row.name;
        EXPECT_EQ(fastView.RebuildCount(), 0) << row.name;
        EXPECT_EQ(smoothView.RebuildCount(), 1) << row.name;
    }
}

TEST(ScaledView, TheCopyIsRebuiltOnlyWhenTheViewOrImageChanges)
{
    QImage photo(1200, 900, QImage::Format_RGB32);
    photo.fill(Qt::blue);
    CScaledView view;
    ViewTransform t = FitTransform({800, 600}, photo.size());
    PaintClient(view, photo, t, false);
    PaintClient(view, photo, t, false);
    EXPECT_EQ(view.RebuildCount(), 1);
    EXPECT_TRUE(view.IsCurrent(photo, t, {800, 600}));
    PaintClient(view, photo, t, true); // a drag over an unchanged view still uses the copy
    EXPECT_EQ(view.RebuildCount(), 1);
    t.OffsetX += 5;
    EXPECT_FALSE(view.IsCurrent(photo, t, {800, 600}));
    PaintClient(view, photo, t, false);
    EXPECT_EQ(view.RebuildCount(), 2);
    photo.setPixel(0, 0, qRgb(1, 2, 3)); // new pixels, new cache key
    EXPECT_FALSE(view.IsCurrent(photo, t, {800, 600}));
    view.Invalidate();
    EXPECT_FALSE(view.IsCurrent(photo, t, {800, 600}));
    // Nothing visible: nothing drawn, nothing kept.
    t.OffsetX = 5000;
    PaintClient(view, photo, t, false);
    EXPECT_EQ(view.RebuildCount(), 2);
}

TEST(ScaledView, HighDensityScreensGetACopyInDevicePixels)
{
    QImage photo(3000, 2000, QImage::Format_RGB32);
    photo.fill(QColor(40, 120, 40));
    QPainter(&photo).fillRect(QRect(1000, 700, 400, 300), Qt::red);
    const ViewTransform t = FitTransform({800, 600}, photo.size());
    CScaledView single, dense;
    const QRect one = RedArea(PaintClient(single, photo, t, false));
    QImage client(1600, 1200, QImage::Format_RGB32);
    client.setDevicePixelRatio(2.0);
    client.fill(Qt::white);
    {
        QPainter painter(&client);
        dense.Paint(painter, photo, t, QSize(800, 600), false);
    }
    const QRect two = RedArea(client);
    EXPECT_NEAR(two.left(), 2 * one.left(), 2);
    EXPECT_NEAR(two.top(), 2 * one.top(), 2);
    EXPECT_NEAR(two.width(), 2 * one.width(), 2);
    EXPECT_TRUE(dense.IsCurrent(photo, t, {800, 600}, 2.0));
    EXPECT_FALSE(dense.IsCurrent(photo, t, {800, 600}, 1.0));
}
