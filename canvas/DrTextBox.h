#pragma once

#include "DrObject.h"
#include "TextBoxPropInfo.h"

// A framed text. Its top-left corner is in image pixels but its size is in screen pixels, so
// the box keeps its on-screen size when the user zooms: at scale 2 a 250 x 40 box covers
// 125 x 20 image pixels. Text boxes are not written into the product description.
class CDrTextBox : public CDrObject
{
public:
    static constexpr double MinWidth = 50.0; // screen pixels
    static constexpr double MinHeight = 10.0; // screen pixels
    static constexpr double NewWidth = 250.0; // size of a box the canvas creates
    static constexpr double NewHeight = 40.0;

    explicit CDrTextBox(CDrMgr *owner = nullptr)
        : CDrObject(owner)
    { }

    QString Text;
    double X = 0, Y = 0; // top-left, image pixels
    double Width = 0, Height = 0; // screen pixels
    CTextBoxPropInfo Properties;

    int GetType() const override { return 1; }
    ScreenRect GetScreenRect(const ViewTransform &transform) const override;
    QRectF GetImageRect(const ViewTransform &transform) const override;
    void Draw(QPainter &painter, const ViewTransform &transform) const override;
    void DrawHandles(QPainter &painter, const ViewTransform &transform) const override;
    bool HitTest(const ViewTransform &transform, int screenX, int screenY, double imageX,
                 double imageY) const override;
    int HitTestHandle(const ViewTransform &transform, int screenX, int screenY, double imageX,
                      double imageY) const override;
    void Track(const ViewTransform &transform, int handle, int startX, int startY, int previousX,
               int previousY, int currentX, int currentY) override;
    CBasePropInfo &GetProperties() override { return Properties; }
    CDrObject *CreateEmpty() const override { return new CDrTextBox(Owner); }
    void CopyFrom(const CDrObject &other) override;
    void Offset(double dx, double dy) override
    {
        X += dx;
        Y += dy;
    }
};
