#include "ZoomSliderCtrl.h"

#include <cmath>

CZoomSliderCtrl::CZoomSliderCtrl(QWidget *parent)
    : CUbSliderCtrl(parent)
{
    SetRange(-99, 99);
}

double CZoomSliderCtrl::ZoomForPosition(int position)
{
    if (position < 0)
        return (position + 100) / 100.0;
    if (position == 0)
        return 1.0;
    return 1.0 + position / 10.0;
}

int CZoomSliderCtrl::PositionForZoom(double factor)
{
    if (std::isnan(factor) || (factor > 0.99 && factor < 1.01))
        return 0;
    // Factors far outside the range are limited before the integer conversion.
    if (factor <= 0.0)
        return -99;
    if (factor >= 11.0)
        return 99;
    // The steps are truncated, but a factor that is a step's own value must land on that step:
    // 0.58 * 100 is 57.999999... in binary, so plain truncation would move the thumb one step
    // each time the window sets the slider from the zoom it read from it.
    constexpr double kStepSlack = 1e-9;
    if (factor < 1.0) {
        const int n = static_cast<int>(factor * 100 + kStepSlack);
        return n <= 0 ? -99 : n - 100;
    }
    const int n = static_cast<int>((factor - 1.0) * 10 + kStepSlack);
    if (n <= 0)
        return 1;
    if (n >= 100)
        return 99;
    return n;
}
