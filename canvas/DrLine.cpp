#include "DrLine.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

ScreenRect CDrLine::GetScreenRect(const ViewTransform &t) const
{
    return {static_cast<int>(t.ToScreenX(X1)), static_cast<int>(t.ToScreenY(Y1)),
            static_cast<int>(t.ToScreenX(X2)), static_cast<int>(t.ToScreenY(Y2))};
}

QRectF CDrLine::GetImageRect(const ViewTransform &) const
{
    const double left = std::min(X1, X2), right = std::max(X1, X2);
    const double top = std::min(Y1, Y2), bottom = std::max(Y1, Y2);
    return QRectF(left, top, right - left, bottom - top);
}

void CDrLine::Draw(QPainter &painter, const ViewTransform &t) const
{
    const ScreenRect ends = GetScreenRect(t);
    painter.save();
    QPen pen(ToColor(Properties.Color));
    pen.setWidth(std::max(1, Properties.Thickness));
    painter.setPen(pen);
    painter.drawLine(ends.left, ends.top, ends.right, ends.bottom);
    painter.restore();
}

void CDrLine::DrawHandles(QPainter &painter, const ViewTransform &t) const
{
    const ScreenRect ends = GetScreenRect(t);
    DrawMark(painter, ends.left, ends.top);
    DrawMark(painter, ends.right, ends.bottom);
}

bool CDrLine::HitTest(const ViewTransform &t, int screenX, int screenY, double imageX,
                      double imageY) const
{
    return HitTestHandle(t, screenX, screenY, imageX, imageY) != HandleNone;
}

int CDrLine::HitTestHandle(const ViewTransform &t, int screenX, int screenY, double imageX,
                           double imageY) const
{
    const ScreenRect ends = GetScreenRect(t);
    auto inSquare = [&](int x, int y) {
        return screenX >= x - 4 && screenX < x + 5 && screenY >= y - 4 && screenY < y + 5;
    };
    if (inSquare(ends.left, ends.top))
        return HandleLineStart;
    if (inSquare(ends.right, ends.bottom))
        return HandleLineEnd;
    // Measured on the screen: a tolerance in image pixels would be 80 screen pixels at zoom 10
    // and a single pixel at the fit of a large photograph.
    const double distance
        = SegmentDistance(t.ToScreenX(imageX), t.ToScreenY(imageY), t.ToScreenX(X1),
                          t.ToScreenY(Y1), t.ToScreenX(X2), t.ToScreenY(Y2));
    return distance < HitTolerance ? HandleMove : HandleNone;
}

double CDrLine::DistanceTo(double x, double y) const
{
    return SegmentDistance(x, y, X1, Y1, X2, Y2);
}

double CDrLine::SegmentDistance(double x, double y, double x1, double y1, double x2, double y2)
{
    const double minX = std::min(x1, x2), maxX = std::max(x1, x2);
    const double minY = std::min(y1, y2), maxY = std::max(y1, y2);
    if (y1 == y2 && x1 != x2) {
        if (x >= minX && x <= maxX)
            return std::fabs(y - y1);
    } else if (x1 == x2 && y1 != y2) {
        if (y >= minY && y <= maxY)
            return std::fabs(x - x1);
    } else if (x1 != x2 && y1 != y2) {
        // Foot of the perpendicular on the infinite line; it counts only within the segment's
        // x and y ranges.
        const double dx = x2 - x1, dy = y2 - y1;
        const double u = ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy);
        const double fx = x1 + u * dx, fy = y1 + u * dy;
        if (fx >= minX && fx <= maxX && fy >= minY && fy <= maxY)
            return std::hypot(x - fx, y - fy);
    }
    return std::min(std::hypot(x - x1, y - y1), std::hypot(x - x2, y - y2));
}

void CDrLine::Track(const ViewTransform &t, int handle, int, int, int previousX, int previousY,
                    int currentX, int currentY)
{
    switch (handle) {
    case HandleMove: {
        const double dx = t.ToImageX(currentX) - t.ToImageX(previousX);
        const double dy = t.ToImageY(currentY) - t.ToImageY(previousY);
        X1 += dx;
        X2 += dx;
        Y1 += dy;
        Y2 += dy;
        break;
    }
    case HandleLineStart:
        X1 = t.ToImageX(currentX);
        Y1 = t.ToImageY(currentY);
        break;
    case HandleLineEnd:
        X2 = t.ToImageX(currentX);
        Y2 = t.ToImageY(currentY);
        break;
    default:
        break;
    }
}

void CDrLine::Offset(double dx, double dy)
{
    X1 += dx;
    X2 += dx;
    Y1 += dy;
    Y2 += dy;
}

bool CDrLine::Touches(const QRectF &area, const ViewTransform &) const
{
    // Clips the segment against the area (Liang-Barsky): a line crossing the picture with both
    // ends outside it still touches it.
    double t0 = 0.0, t1 = 1.0;
    const auto clip = [&](double p, double q) {
        if (p == 0.0)
            return q >= 0.0;
        const double r = q / p;
        if (p < 0.0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    const double dx = X2 - X1, dy = Y2 - Y1;
    return clip(-dx, X1 - area.left()) && clip(dx, area.right() - X1) && clip(-dy, Y1 - area.top())
        && clip(dy, area.bottom() - Y1);
}

void CDrLine::WriteXml(QString &out) const
{
    out += QString::asprintf("\t\t<Line x1=\"%.3f\" y1=\"%.3f\" x2=\"%.3f\" y2=\"%.3f\" "
                             "color=\"#%06X\" thickness=\"%d\"/>\r\n",
                             X1, Y1, X2, Y2, static_cast<unsigned>(Properties.Color),
                             Properties.Thickness);
}

void CDrLine::CopyFrom(const CDrObject &other)
{
    const auto *line = dynamic_cast<const CDrLine *>(&other);
    if (!line || line == this)
        return;
    X1 = line->X1;
    Y1 = line->Y1;
    X2 = line->X2;
    Y2 = line->Y2;
    Properties.CopyFrom(line->Properties);
}
