#pragma once

#include "ImgFile.h"

#include <QPointF>

// The arithmetic that turns a measuring line and a typed length into a photograph's scale.
// Line ends are image pixels of the photograph; lengths are millimetres unless a unit says
// otherwise. Example: a line from x 100 to x 1100 typed as 100 mm gives 10 image pixels per
// millimetre; typed as 2 inch it is 50.8 mm and 19.685039 pixels per millimetre.
class CMeasurement
{
public:
    static constexpr double MillimetresPerInch = 25.4;

    // Stores a confirmed measurement in the photograph. A length that is not a positive finite
    // number is refused (false) and the photograph keeps its previous measurement, so a scale
    // can never become infinite or negative.
    static bool ApplyMeasurement(CImgFile &photo, QPointF start, QPointF end, double typedLength,
                                 int unit);
    // Restores a measurement read from a product description: the ends and the length in
    // millimetres; the unit becomes millimetres, the typed length 0, and the scale is
    // recomputed when the length is positive (else it is 0).
    static void RestoreMeasurement(CImgFile &photo, QPointF start, QPointF end, double lengthMm);
    // Typed length in millimetres: as typed for millimetres, times 25.4 otherwise.
    static double ToMillimetres(double length, int unit);
    // Image pixels per millimetre of a line of that length; 0 when the length is not positive.
    static double PixelPerMilli(QPointF start, QPointF end, double lengthMm);
};
