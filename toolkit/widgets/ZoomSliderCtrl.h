#pragma once

#include "UbSliderCtrl.h"

// The zoom slider: positions −99 … 99 stand for zoom factors 0.01 … 10.9. Below 0 a step is
// one percent ((p + 100) / 100), above 0 a step is a tenth (1 + p / 10), and 0 is 1.
class CZoomSliderCtrl : public CUbSliderCtrl
{
    Q_OBJECT
public:
    explicit CZoomSliderCtrl(QWidget *parent = nullptr);

    double GetZoom() const { return ZoomForPosition(GetPos()); }
    void SetZoom(double factor) { SetPos(PositionForZoom(factor)); }

    static double ZoomForPosition(int position);
    static int PositionForZoom(double factor);
};
