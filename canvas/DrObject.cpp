#include "DrObject.h"

#include <QPainter>

#include <algorithm>

ScreenRect CDrObject::GetScreenRect(const ViewTransform &) const
{
    return {};
}

QRectF CDrObject::GetImageRect(const ViewTransform &) const
{
    return {};
}

void CDrObject::Draw(QPainter &, const ViewTransform &) const { }

void CDrObject::DrawHandles(QPainter &, const ViewTransform &) const { }

bool CDrObject::HitTest(const ViewTransform &, int, int, double, double) const
{
    return false;
}

int CDrObject::HitTestHandle(const ViewTransform &, int, int, double, double) const
{
    return HandleNone;
}

void CDrObject::Track(const ViewTransform &, int, int, int, int, int, int, int) { }

void CDrObject::WriteXml(QString &) const { }

void CDrObject::SetProperties(const CBasePropInfo &properties)
{
    GetProperties().CopyFrom(properties);
}

void CDrObject::CopyFrom(const CDrObject &) { }

void CDrObject::Offset(double, double) { }

bool CDrObject::Touches(const QRectF &area, const ViewTransform &transform) const
{
    // Closed intervals, so a degenerate rectangle (a point) on the picture still counts.
    const QRectF r = GetImageRect(transform).normalized();
    return r.left() <= area.right() && r.right() >= area.left() && r.top() <= area.bottom()
        && r.bottom() >= area.top();
}

QColor CDrObject::ToColor(int colorValue)
{
    const auto c = static_cast<unsigned>(colorValue);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

void CDrObject::DrawMark(QPainter &painter, int x, int y)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect face(x - 4, y - 4, 9, 9);
    painter.fillRect(face, QColor(0xF0, 0xF0, 0xF0));
    // Raised: light top and left edges, dark bottom and right edges.
    painter.setPen(QColor(0xFF, 0xFF, 0xFF));
    painter.drawLine(face.left(), face.top(), face.right(), face.top());
    painter.drawLine(face.left(), face.top(), face.left(), face.bottom());
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.drawLine(face.left(), face.bottom(), face.right(), face.bottom());
    painter.drawLine(face.right(), face.top(), face.right(), face.bottom());
    painter.setPen(QColor(0xA0, 0xA0, 0xA0));
    painter.drawLine(face.left() + 1, face.bottom() - 1, face.right() - 1, face.bottom() - 1);
    painter.drawLine(face.right() - 1, face.top() + 1, face.right() - 1, face.bottom() - 1);
    painter.restore();
}

namespace {

bool Inside(int x, int y, int left, int top, int right, int bottom)
{
    return x >= left && x < right && y >= top && y < bottom;
}

} // namespace

int CDrObject::BoxHandleTest(const ScreenRect &r, int x, int y)
{
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    if (!Inside(x, y, L - 9, T - 9, R + 9, B + 9))
        return HandleNone;
    if (Inside(x, y, L - 4, T - 4, L + 5, T + 5))
        return HandleTopLeft;
    if (Inside(x, y, R - 5, T - 4, R + 4, T + 5))
        return HandleTopRight;
    if (Inside(x, y, R - 5, B - 5, R + 4, B + 4))
        return HandleBottomRight;
    if (Inside(x, y, L - 4, B - 5, L + 5, B + 4))
        return HandleBottomLeft;
    const int my = T + (B - T - 1) / 2;
    const int mx = L + (R - L - 1) / 2;
    if (Inside(x, y, L - 4, my - 4, L + 5, my + 5))
        return HandleLeft;
    if (Inside(x, y, mx - 4, T - 4, mx + 5, T + 5))
        return HandleTop;
    if (Inside(x, y, R - 5, my - 4, R + 4, my + 5))
        return HandleRight;
    if (Inside(x, y, mx - 4, B - 5, mx + 5, B + 4))
        return HandleBottom;
    if (Inside(x, y, L - 4, T - 4, L + 5, B + 4))
        return HandleLeftBand;
    if (Inside(x, y, L - 4, T - 4, R + 4, T + 5))
        return HandleTopBand;
    if (Inside(x, y, R - 5, T - 4, R + 4, B + 4))
        return HandleRightBand;
    if (Inside(x, y, L - 4, B - 5, R + 4, B + 4))
        return HandleBottomBand;
    return Inside(x, y, L, T, R, B) ? HandleMove : HandleNone;
}

void CDrObject::DrawBoxHandles(QPainter &painter, const ScreenRect &r)
{
    const int mx = (r.left + r.right) / 2;
    const int my = (r.top + r.bottom) / 2;
    DrawMark(painter, r.left, r.top);
    DrawMark(painter, r.right, r.top);
    DrawMark(painter, r.right, r.bottom);
    DrawMark(painter, r.left, r.bottom);
    DrawMark(painter, r.left, my);
    DrawMark(painter, mx, r.top);
    DrawMark(painter, r.right, my);
    DrawMark(painter, mx, r.bottom);
}

void CDrObject::ResizeBox(int handle, double mouseX, double mouseY, double &left, double &top,
                          double &right, double &bottom, double minWidth, double minHeight)
{
    const bool moveLeft
        = handle == HandleTopLeft || handle == HandleBottomLeft || handle == HandleLeft;
    const bool moveRight
        = handle == HandleTopRight || handle == HandleBottomRight || handle == HandleRight;
    const bool moveTop = handle == HandleTopLeft || handle == HandleTopRight || handle == HandleTop;
    const bool moveBottom
        = handle == HandleBottomLeft || handle == HandleBottomRight || handle == HandleBottom;
    if (moveLeft)
        left = std::min(mouseX, right - minWidth);
    if (moveRight)
        right = std::max(mouseX, left + minWidth);
    if (moveTop)
        top = std::min(mouseY, bottom - minHeight);
    if (moveBottom)
        bottom = std::max(mouseY, top + minHeight);
}
