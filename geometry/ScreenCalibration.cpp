#include "ScreenCalibration.h"

#include "UbRegConfig.h"
#include "VmReg.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

double Divide(double value, double divisor)
{
    return divisor > 0.0 ? value / divisor : 0.0;
}

} // namespace

bool IsCalibrated(const ScreenCalibration &calibration)
{
    return calibration.PixelPerMilliX > 0.0 && calibration.PixelPerMilliY > 0.0;
}

ScreenCalibration LoadCalibration(const CUbRegConfig &key)
{
    ScreenCalibration calibration;
    if (!key.LoadCalibration(calibration.PixelPerMilliX, calibration.PixelPerMilliY))
        return ScreenCalibration();
    return calibration;
}

bool SaveCalibration(CUbRegConfig &key, const ScreenCalibration &calibration)
{
    return key.SaveCalibration(calibration.PixelPerMilliX, calibration.PixelPerMilliY);
}

int LoadMonitorInch(const CUbRegConfig &key)
{
    const std::optional<quint32> value = key.ReadDword(QLatin1String(CVmReg::kMonitorInch));
    return value ? static_cast<int>(*value) : -1;
}

bool SaveMonitorInch(CUbRegConfig &key, int inches)
{
    if (inches <= 0)
        return false;
    return key.WriteDword(QLatin1String(CVmReg::kMonitorInch), static_cast<quint32>(inches));
}

double FromMonitorDiagonal(int inches, int screenWidth, int screenHeight)
{
    if (inches <= 0)
        return 0.0;
    const double w = screenWidth;
    const double h = screenHeight;
    return std::sqrt(w * w + h * h) / (inches * MmPerInch);
}

ScreenCalibration FromCardRectangle(int width, int height)
{
    return {width / CardWidthMm, height / CardHeightMm};
}

QSize CardRectangleSize(const ScreenCalibration &calibration)
{
    if (!IsCalibrated(calibration))
        return QSize(DefaultCardWidthPx, DefaultCardHeightPx);
    return QSize(std::max(MinCardSizePx, RoundHalfUp(calibration.PixelPerMilliX * CardWidthMm)),
                 std::max(MinCardSizePx, RoundHalfUp(calibration.PixelPerMilliY * CardHeightMm)));
}

double ImagePixelsToMm(double imagePixels, ImagePixelPerMilli scale)
{
    return Divide(imagePixels, scale);
}

double MmToImagePixels(double mm, ImagePixelPerMilli scale)
{
    return mm * scale;
}

double LengthToMm(double length, LengthUnit unit)
{
    return unit == LengthUnit::Inch ? length * MmPerInch : length;
}

ImagePixelPerMilli PhotoScale(double pixelDistance, double lengthMm)
{
    return Divide(pixelDistance, lengthMm);
}

double RealSizeFactor(const ScreenCalibration &calibration, ImagePixelPerMilli scale)
{
    return Divide(calibration.PixelPerMilliX, scale);
}

double RealSizeFactorY(const ScreenCalibration &calibration, ImagePixelPerMilli scale)
{
    return Divide(calibration.PixelPerMilliY, scale);
}

double RealSizeWidth(double imageWidth, const ScreenCalibration &calibration,
                     ImagePixelPerMilli scale)
{
    return imageWidth * RealSizeFactor(calibration, scale);
}

int DescriptionRealWidth(int imageWidth, const ScreenCalibration &calibration,
                         ImagePixelPerMilli scale)
{
    return RoundHalfUp(3.0 * imageWidth * RealSizeFactor(calibration, scale));
}

double DeviceDensity(double devicePixels, double deviceMm)
{
    return Divide(devicePixels, deviceMm);
}

double MmToDevicePixels(double mm, double deviceDensity)
{
    return mm * deviceDensity;
}

double ImagePixelsToDevicePixels(double imagePixels, double deviceDensity, ImagePixelPerMilli scale)
{
    return Divide(imagePixels * deviceDensity, scale);
}

int RoundHalfUp(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = value + 0.5;
    if (rounded >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (rounded <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(rounded);
}
