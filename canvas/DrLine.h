#pragma once

#include "DrObject.h"
#include "LinePropInfo.h"

// A straight line between two image points, drawn with its colour and thickness. The body is
// hit within 8.5 screen pixels of the segment, so a thin line stays as easy to catch at fit as
// at a high zoom.
class CDrLine : public CDrObject
{
public:
    static constexpr double HitTolerance = 8.5; // screen pixels from the segment

    explicit CDrLine(CDrMgr *owner = nullptr)
        : CDrObject(owner)
    { }

    double X1 = 0, Y1 = 0; // start, image pixels
    double X2 = 0, Y2 = 0; // end, image pixels
    CLinePropInfo Properties;

    int GetType() const override { return 2; }
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
    void WriteXml(QString &out) const override;
    CBasePropInfo &GetProperties() override { return Properties; }
    CDrObject *CreateEmpty() const override { return new CDrLine(Owner); }
    void CopyFrom(const CDrObject &other) override;
    void Offset(double dx, double dy) override;
    bool Touches(const QRectF &imageArea, const ViewTransform &transform) const override;

    // Distance in image pixels from a point to the segment.
    double DistanceTo(double x, double y) const;
    // Distance from (x, y) to the segment (x1, y1)-(x2, y2), in the points' own units.
    static double SegmentDistance(double x, double y, double x1, double y1, double x2, double y2);
};
