#pragma once

#include "DrObject.h"

// An annotation that is a rectangle stored in image pixels, resized with the eight box marks.
class CDrRectBase : public CDrObject
{
public:
    static constexpr double MinWidth = 50.0; // screen pixels
    static constexpr double MinHeight = 10.0; // screen pixels

    explicit CDrRectBase(CDrMgr *owner = nullptr)
        : CDrObject(owner)
    { }

    double Left = 0, Top = 0, Right = 0, Bottom = 0; // image pixels

    ScreenRect GetScreenRect(const ViewTransform &transform) const override;
    QRectF GetImageRect(const ViewTransform &transform) const override;
    void DrawHandles(QPainter &painter, const ViewTransform &transform) const override;
    bool HitTest(const ViewTransform &transform, int screenX, int screenY, double imageX,
                 double imageY) const override;
    int HitTestHandle(const ViewTransform &transform, int screenX, int screenY, double imageX,
                      double imageY) const override;
    void Track(const ViewTransform &transform, int handle, int startX, int startY, int previousX,
               int previousY, int currentX, int currentY) override;
    void Offset(double dx, double dy) override
    {
        Left += dx;
        Right += dx;
        Top += dy;
        Bottom += dy;
    }
};
