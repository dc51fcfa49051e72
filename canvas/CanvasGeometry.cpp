#include "CanvasGeometry.h"

#include <algorithm>
#include <cmath>

namespace CanvasGeometry {

ViewTransform FitTransform(QSize client, QSize image)
{
    ViewTransform view;
    if (image.isEmpty() || client.isEmpty())
        return view;
    const double s = std::min(double(client.width()) / image.width(),
                              double(client.height()) / image.height());
    view.ScaleX = view.ScaleY = s;
    view.OffsetX = (client.width() - int(s * image.width())) / 2;
    view.OffsetY = (client.height() - int(s * image.height())) / 2;
    return view;
}

std::optional<ViewTransform> RealSizeTransform(QSize client, QSize image,
                                               const ScreenCalibration &calibration,
                                               double photoScale)
{
    if (!IsCalibrated(calibration) || !(photoScale > 0.0) || image.isEmpty())
        return std::nullopt;
    ViewTransform view;
    const double f = RealSizeFactor(calibration, photoScale);
    // An absurd photo scale (a measuring line of a thousandth of a pixel) would put the image
    // beyond the range of screen coordinates; there is no real size to show then.
    const double longest = std::max(image.width(), image.height());
    if (!std::isfinite(f) || !(f > 0.0) || f * longest > 1e9)
        return std::nullopt;
    view.ScaleX = view.ScaleY = f;
    view.OffsetX = (client.width() - int(f * image.width())) / 2;
    view.OffsetY
        = (client.height() - int(RealSizeFactorY(calibration, photoScale) * image.height())) / 2;
    return view;
}

QPointF ClientCentre(QSize client)
{
    return QPointF(client.width() / 2, client.height() / 2);
}

ViewTransform ZoomAbout(const ViewTransform &view, double z, QPointF centre)
{
    const QPointF p = view.ToImage(centre);
    ViewTransform zoomed = view;
    zoomed.ScaleX = zoomed.ScaleY = z;
    const QPointF now = zoomed.ToScreen(p);
    zoomed.OffsetX += centre.x() - now.x();
    zoomed.OffsetY += centre.y() - now.y();
    return zoomed;
}

int NearestZoomLevel(double scale)
{
    const int last = int(ZoomLevels.size()) - 1;
    if (!(scale > ZoomLevels.front()))
        return 0; // also NaN
    if (scale >= ZoomLevels.back())
        return last;
    int above = 1;
    while (ZoomLevels[above] <= scale)
        ++above;
    const double up = ZoomLevels[above] - scale;
    const double down = scale - ZoomLevels[above - 1];
    // 0.4 sits exactly between 0.3 and 0.5 only up to rounding; compare with a tolerance so the
    // tie goes up as intended.
    return up <= down + 1e-12 ? above : above - 1;
}

double ZoomInScale(double scale)
{
    const int level = std::min(NearestZoomLevel(scale) + 1, int(ZoomLevels.size()) - 1);
    return ZoomLevels[level];
}

double ZoomOutScale(double scale)
{
    const int level = std::max(NearestZoomLevel(scale) - 1, 0);
    return ZoomLevels[level];
}

QRect VisibleClientRect(const ViewTransform &view, QSize image, QSize client)
{
    if (image.isEmpty() || client.isEmpty())
        return {};
    const double left = view.OffsetX;
    const double top = view.OffsetY;
    const double right = view.ToScreenX(image.width());
    const double bottom = view.ToScreenY(image.height());
    // Whole client pixels touched by the image, within the client.
    const int x0 = int(std::clamp(std::floor(left), 0.0, double(client.width())));
    const int y0 = int(std::clamp(std::floor(top), 0.0, double(client.height())));
    const int x1 = int(std::clamp(std::ceil(right), 0.0, double(client.width())));
    const int y1 = int(std::clamp(std::ceil(bottom), 0.0, double(client.height())));
    if (x1 <= x0 || y1 <= y0)
        return {};
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

namespace {
// Truncation toward zero kept inside int range (a crop dragged far away must not overflow).
int TruncateClamped(double v)
{
    if (std::isnan(v))
        return 0;
    return int(std::clamp(v, -1e9, 1e9));
}
} // namespace

std::optional<QRect> CropPixelRect(const QRectF &imageRect, QSize image)
{
    int left = TruncateClamped(imageRect.left());
    int top = TruncateClamped(imageRect.top());
    int right = TruncateClamped(imageRect.right());
    int bottom = TruncateClamped(imageRect.bottom());
    if (left < 1)
        left = 0;
    if (top < 1)
        top = 0;
    right = std::clamp(right, 0, std::max(0, image.width()));
    bottom = std::clamp(bottom, 0, std::max(0, image.height()));
    if (right - left < 1 || bottom - top < 1)
        return std::nullopt;
    return QRect(left, top, right - left, bottom - top);
}

CropButtonPlaces PlaceCropButtons(const ScreenRect &crop, QSize okSize, QSize cancelSize)
{
    const int gap = 5;
    const int total = okSize.width() + gap + cancelSize.width();
    const int taller = std::max(okSize.height(), cancelSize.height());
    const int centreX = (crop.left + crop.right) / 2;
    const int centreY = (crop.top + crop.bottom) / 2;
    const int x = centreX - total / 2;
    const int y = centreY - taller / 2;
    CropButtonPlaces places;
    places.ok = QRect(QPoint(x, y + (taller - okSize.height()) / 2), okSize);
    places.cancel = QRect(QPoint(x + okSize.width() + gap, y + (taller - cancelSize.height()) / 2),
                          cancelSize);
    return places;
}

QRect InitialCropClientRect(QSize client)
{
    const int w = int(client.width() * 0.5);
    const int h = int(client.height() * 0.5);
    return QRect((client.width() - w) / 2, (client.height() - h) / 2, w, h);
}

} // namespace CanvasGeometry
