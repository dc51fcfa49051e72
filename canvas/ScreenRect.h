#pragma once

#include <QRect>

// An integer rectangle in client pixels that includes its left and top edge and excludes its
// right and bottom edge: (10, 10, 20, 15) covers x 10 ... 19 and y 10 ... 14. Unlike QRect the
// corners are kept as given, so a line's rectangle may have right < left.
struct ScreenRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    // The same area as a QRect (for drawing): right and bottom exclusive become inclusive.
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }

    friend bool operator==(const ScreenRect &, const ScreenRect &) = default;
};
