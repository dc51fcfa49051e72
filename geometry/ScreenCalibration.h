#pragma once

#include <QSize>

#include <optional>

class CUbRegConfig;

// Real-size arithmetic. Three units meet here:
//  - screen pixels: the logical pixels widgets draw in (a 1920 x 1080 desktop at 24 inches has
//    3.6136929 of them per millimetre);
//  - image pixels: pixels of a photograph as decoded (a 4000-pixel-wide photo of a 400 mm
//    shelf has 10 image pixels per millimetre, its ImagePixelPerMilli);
//  - device pixels: dots of a printer or other device with its own density D per millimetre.
// Every density is "pixels per millimetre"; inches are turned into millimetres first.

inline constexpr double MmPerInch = 25.4;
// The reference card, slightly smaller than an ID-1 card (85.60 x 53.98 mm).
inline constexpr double CardWidthMm = 85.0;
inline constexpr double CardHeightMm = 53.5;
inline constexpr int DefaultCardWidthPx = 413;
inline constexpr int DefaultCardHeightPx = 267;
inline constexpr int MinCardSizePx = 10;
inline constexpr int DefaultMonitorInch = 19;

// Image pixels per millimetre of the photographed object; 0 while the photo is not measured.
using ImagePixelPerMilli = double;

// The unit a user types a length in.
enum class LengthUnit : int { Millimetre = 1, Inch = 2 };

// Screen pixels per millimetre on each axis. Calibrated only when both are greater than 0;
// an uncalibrated record holds 0 in both.
struct ScreenCalibration
{
    double PixelPerMilliX = 0.0;
    double PixelPerMilliY = 0.0;

    bool operator==(const ScreenCalibration &) const = default;
};

bool IsCalibrated(const ScreenCalibration &calibration);

// The stored pair; (0, 0) when either value is missing, unparsable or not positive.
ScreenCalibration LoadCalibration(const CUbRegConfig &key);
// Both values as "%f" text, X first; true only when both were written.
bool SaveCalibration(CUbRegConfig &key, const ScreenCalibration &calibration);
// The stored monitor diagonal in inches, or -1 when none is stored.
int LoadMonitorInch(const CUbRegConfig &key);
// Writes the diagonal; a value of 0 or less is never written and gives false.
bool SaveMonitorInch(CUbRegConfig &key, int inches);

// The density of a monitor of the given whole-inch diagonal showing a primary screen of
// screenWidth x screenHeight pixels, the same on both axes: 1920 x 1080 at 24 inches gives
// 2202.907 / 609.6 = 3.6136929. 0 for a diagonal of 0 or less.
double FromMonitorDiagonal(int inches, int screenWidth, int screenHeight);
// Densities from the on-screen card picture the user sized to cover a real card: 400 x 250
// pixels give 4.7058824 horizontally and 4.6728972 vertically.
ScreenCalibration FromCardRectangle(int width, int height);
// The card picture's size for a calibration, rounded half up, at least MinCardSizePx on each
// side; the default 413 x 267 when the calibration is not valid.
QSize CardRectangleSize(const ScreenCalibration &calibration);

// Conversions. Every density divisor must be greater than 0 (callers check IsCalibrated and
// the photo's scale first); a divisor of 0 or less gives 0 rather than infinity.
double ImagePixelsToMm(double imagePixels, ImagePixelPerMilli scale);
double MmToImagePixels(double mm, ImagePixelPerMilli scale);
// A typed length in millimetres: inches are multiplied by 25.4, millimetres unchanged.
double LengthToMm(double length, LengthUnit unit);
// The photo's scale from a measuring line of pixelDistance image pixels covering lengthMm.
ImagePixelPerMilli PhotoScale(double pixelDistance, double lengthMm);
// Screen pixels per image pixel at real size, applied to both axes of the canvas.
double RealSizeFactor(const ScreenCalibration &calibration, ImagePixelPerMilli scale);
// The vertical counterpart, used by the canvas only to centre the image vertically.
double RealSizeFactorY(const ScreenCalibration &calibration, ImagePixelPerMilli scale);
// Screen pixels that imageWidth image pixels take at real size.
double RealSizeWidth(double imageWidth, const ScreenCalibration &calibration,
                     ImagePixelPerMilli scale);
// The real-size width the description file records: three times the screen width, rounded.
int DescriptionRealWidth(int imageWidth, const ScreenCalibration &calibration,
                         ImagePixelPerMilli scale);
// A device's density from its size in pixels and in millimetres along one axis.
double DeviceDensity(double devicePixels, double deviceMm);
double MmToDevicePixels(double mm, double deviceDensity);
double ImagePixelsToDevicePixels(double imagePixels, double deviceDensity,
                                 ImagePixelPerMilli scale);
// (int)(v + 0.5) for the positive values it is used on, kept within int range (NaN gives 0).
int RoundHalfUp(double value);
