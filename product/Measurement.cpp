#include "Measurement.h"

#include "MeasureSize.h"

#include <cmath>

double CMeasurement::ToMillimetres(double length, int unit)
{
    return unit == CMeasureSize::Millimetre ? length : length * MillimetresPerInch;
}

double CMeasurement::PixelPerMilli(QPointF start, QPointF end, double lengthMm)
{
    if (!(lengthMm > 0) || !std::isfinite(lengthMm))
        return 0.0;
    const double dx = end.x() - start.x();
    const double dy = end.y() - start.y();
    const double scale = std::sqrt(dy * dy + dx * dx) / lengthMm;
    return std::isfinite(scale) ? scale : 0.0;
}

bool CMeasurement::ApplyMeasurement(CImgFile &photo, QPointF start, QPointF end, double typedLength,
                                    int unit)
{
    const double lengthMm = ToMillimetres(typedLength, unit);
    if (!(typedLength > 0) || !std::isfinite(lengthMm))
        return false;
    photo.MeasureX1 = start.x();
    photo.MeasureY1 = start.y();
    photo.MeasureX2 = end.x();
    photo.MeasureY2 = end.y();
    photo.InputLength = typedLength;
    photo.InputUnit = unit;
    photo.LengthMm = lengthMm;
    photo.ImagePixelPerMilli = PixelPerMilli(start, end, lengthMm);
    return true;
}

void CMeasurement::RestoreMeasurement(CImgFile &photo, QPointF start, QPointF end, double lengthMm)
{
    photo.MeasureX1 = start.x();
    photo.MeasureY1 = start.y();
    photo.MeasureX2 = end.x();
    photo.MeasureY2 = end.y();
    photo.LengthMm = std::isfinite(lengthMm) ? lengthMm : 0.0;
    photo.InputUnit = CMeasureSize::Millimetre;
    photo.InputLength = 0;
    photo.ImagePixelPerMilli = PixelPerMilli(start, end, photo.LengthMm);
}
