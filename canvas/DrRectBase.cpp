#include "DrRectBase.h"

ScreenRect CDrRectBase::GetScreenRect(const ViewTransform &t) const
{
    return {static_cast<int>(t.ToScreenX(Left)), static_cast<int>(t.ToScreenY(Top)),
            static_cast<int>(t.ToScreenX(Right)), static_cast<int>(t.ToScreenY(Bottom))};
}

QRectF CDrRectBase::GetImageRect(const ViewTransform &) const
{
    return QRectF(Left, Top, Right - Left, Bottom - Top);
}

void CDrRectBase::DrawHandles(QPainter &painter, const ViewTransform &t) const
{
    DrawBoxHandles(painter, GetScreenRect(t));
}

bool CDrRectBase::HitTest(const ViewTransform &t, int screenX, int screenY, double, double) const
{
    return GetScreenRect(t).Contains(screenX, screenY);
}

int CDrRectBase::HitTestHandle(const ViewTransform &t, int screenX, int screenY, double,
                               double) const
{
    const int handle = BoxHandleTest(GetScreenRect(t), screenX, screenY);
    return handle >= HandleLeftBand && handle <= HandleBottomBand ? HandleMove : handle;
}

void CDrRectBase::Track(const ViewTransform &t, int handle, int, int, int previousX, int previousY,
                        int currentX, int currentY)
{
    if (handle == HandleMove) {
        const double dx = t.ToImageX(currentX) - t.ToImageX(previousX);
        const double dy = t.ToImageY(currentY) - t.ToImageY(previousY);
        Left += dx;
        Right += dx;
        Top += dy;
        Bottom += dy;
        return;
    }
    if (handle < HandleTopLeft || handle > HandleBottom)
        return;
    // Resizing happens on the screen rectangle, so the minimum size is in screen pixels.
    double left = t.ToScreenX(Left), top = t.ToScreenY(Top);
    double right = t.ToScreenX(Right), bottom = t.ToScreenY(Bottom);
    ResizeBox(handle, currentX, currentY, left, top, right, bottom, MinWidth, MinHeight);
    Left = t.ToImageX(left);
    Top = t.ToImageY(top);
    Right = t.ToImageX(right);
    Bottom = t.ToImageY(bottom);
}
