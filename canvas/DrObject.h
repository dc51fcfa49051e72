#pragma once

#include "BasePropInfo.h"
#include "HandleCode.h"
#include "ScreenRect.h"
#include "ViewTransform.h"

#include <QColor>
#include <QRectF>
#include <QString>

class CDrMgr;
class QPainter;

// Base of every annotation drawn over a photograph. Positions are image pixels of the
// photograph (see ViewTransform) so annotations stay on the picture at any zoom; screen
// arguments are client pixels of the canvas. Objects live in an owning list (CDrMgr); Owner
// names the list an object was created for and is never used for drawing.
class CDrObject
{
public:
    explicit CDrObject(CDrMgr *owner = nullptr)
        : Owner(owner)
    { }
    virtual ~CDrObject() = default;

    CDrObject(const CDrObject &) = delete;
    CDrObject &operator=(const CDrObject &) = delete;

    CDrMgr *Owner = nullptr;

    // Kinds: 1 text box, 2 line, 3 comment, 5 crop rectangle.
    virtual int GetType() const = 0;
    virtual ScreenRect GetScreenRect(const ViewTransform &transform) const;
    virtual QRectF GetImageRect(const ViewTransform &transform) const;
    virtual void Draw(QPainter &painter, const ViewTransform &transform) const;
    // The selection marks.
    virtual void DrawHandles(QPainter &painter, const ViewTransform &transform) const;
    virtual bool HitTest(const ViewTransform &transform, int screenX, int screenY, double imageX,
                         double imageY) const;
    virtual int HitTestHandle(const ViewTransform &transform, int screenX, int screenY,
                              double imageX, double imageY) const;
    // One mouse-move step of a drag on the given handle, from the previous to the current
    // mouse position (the start is where the drag began).
    virtual void Track(const ViewTransform &transform, int handle, int startX, int startY,
                       int previousX, int previousY, int currentX, int currentY);
    // Appends the object's element of the product description (nothing for most kinds).
    virtual void WriteXml(QString &out) const;
    // Copies the record into the object's own record (kinds must match).
    virtual void SetProperties(const CBasePropInfo &properties);
    virtual CBasePropInfo &GetProperties() = 0;
    // A new object of the same class, same Owner, default fields; the caller owns it.
    virtual CDrObject *CreateEmpty() const = 0;
    // Copies the kind's fields (never Owner) from an object of the same class.
    virtual void CopyFrom(const CDrObject &other);
    // Moves the object by (dx, dy) image pixels without changing its shape: a crop moves the
    // picture's origin, and the annotations follow it.
    virtual void Offset(double dx, double dy);
    // True when some part of the object lies over the image area (image pixels, edges
    // included); by default its image rectangle is tested.
    virtual bool Touches(const QRectF &imageArea, const ViewTransform &transform) const;

    // Windows colour value 00BBGGRR as an opaque colour for drawing.
    static QColor ToColor(int colorValue);
    // A 9 x 9 raised square centred on (x, y): x - 4 ... x + 4.
    static void DrawMark(QPainter &painter, int x, int y);
    // The hit test shared by text boxes and the crop rectangle (HandleCode, including the
    // bands 10 ... 13 between the squares).
    static int BoxHandleTest(const ScreenRect &rect, int x, int y);
    // The eight marks of a box: corners from top-left clockwise, then the side midpoints.
    static void DrawBoxHandles(QPainter &painter, const ScreenRect &rect);
    // Moves the side(s) of a screen box named by a resize handle (2 ... 9) to the mouse point,
    // keeping the box at least minWidth x minHeight: a side that would pass that limit stops
    // at it. left/top/right/bottom are updated in place.
    static void ResizeBox(int handle, double mouseX, double mouseY, double &left, double &top,
                          double &right, double &bottom, double minWidth = 50.0,
                          double minHeight = 10.0);
};
