#pragma once

#include "ScreenCalibration.h"
#include "ScreenRect.h"
#include "ViewTransform.h"

#include <QRect>
#include <QRectF>
#include <QSize>

#include <array>
#include <optional>

// The arithmetic of the editing canvas, kept apart from the window so it can be checked
// without one. Client pixels are the canvas's own (0, 0 at its top-left corner); image pixels
// are those of the photograph as decoded (see ViewTransform). Example: a 2000 x 1000 photo in
// an 800 x 600 client fits at scale 0.4 with its corner at client (0, 100).
namespace CanvasGeometry {

// The whole image visible and centred: s = min(cw / w, ch / h), offsets
// ((cw - (int)(s * w)) / 2, (ch - (int)(s * h)) / 2) with integer halving. The identity for an
// empty image or client.
ViewTransform FitTransform(QSize client, QSize image);

// True physical size: the image scaled by PixelPerMilliX / photoScale on both axes and centred
// (vertically by the Y density). None without a calibration or a measured photo.
std::optional<ViewTransform> RealSizeTransform(QSize client, QSize image,
                                               const ScreenCalibration &calibration,
                                               double photoScale);

// The scale z with the image point under `centre` kept under it.
ViewTransform ZoomAbout(const ViewTransform &view, double z, QPointF centre);
// The client centre as the canvas computes it: ((left + right) / 2, (top + bottom) / 2) of the
// client rectangle with an exclusive right and bottom.
QPointF ClientCentre(QSize client);

// The 22 zoom levels of the zoom-in and zoom-out commands (there is no 0.2).
inline constexpr std::array<double, 22> ZoomLevels
    = {0.01, 0.02, 0.03, 0.05, 0.07, 0.1, 0.15, 0.3, 0.5, 0.7, 1,
       1.5,  2,    3,    5,    7,    10,  20,   30,  50,  70,  100};
// The level a scale counts as: the nearer of the two levels around it, the upper on a tie;
// 0 at or below 0.01, 21 at or above 100.
int NearestZoomLevel(double scale);
// The scale one level up or down from the current scale's level, clamped to the ends.
double ZoomInScale(double scale);
double ZoomOutScale(double scale);

// The client pixels the image covers, clipped to the client; empty when none.
QRect VisibleClientRect(const ViewTransform &view, QSize image, QSize client);

// The pixels a crop rectangle (image pixels) keeps: truncated, left and top below 1 become 0,
// right and bottom clamped into [0, width] and [0, height]. None when nothing is left.
std::optional<QRect> CropPixelRect(const QRectF &imageRect, QSize image);

// Where the crop OK and cancel buttons go: side by side 5 pixels apart, the pair centred on
// the crop rectangle's screen rectangle, each centred vertically on the taller of the two.
struct CropButtonPlaces
{
    QRect ok;
    QRect cancel;
};
CropButtonPlaces PlaceCropButtons(const ScreenRect &crop, QSize okSize, QSize cancelSize);

// The middle half of the client (width (int)(cw * 0.5), height (int)(ch * 0.5), centred with
// integer halving), in client pixels: where a new crop rectangle starts.
QRect InitialCropClientRect(QSize client);

} // namespace CanvasGeometry
