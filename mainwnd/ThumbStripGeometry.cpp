#include "ThumbStripGeometry.h"

#include <algorithm>

int ThumbStripGeometry::VisibleCount(int clientWidth) const
{
    return std::max(0, (spacing + clientWidth - leftMargin - rightMargin - 1) / Step());
}

int ThumbStripGeometry::FirstVisible(int scrollOffset) const
{
    if (scrollOffset <= leftMargin + cellWidth / 2)
        return 0;
    return (scrollOffset - leftMargin - cellWidth / 2) / Step() + 1;
}

QRect ThumbStripGeometry::CellRect(int index, int scrollOffset) const
{
    return QRect(leftMargin + index * Step() - scrollOffset, topMargin, cellWidth, cellHeight);
}

int ThumbStripGeometry::HitTest(QPoint point, int cellCount, int scrollOffset) const
{
    for (int i = 0; i < cellCount; ++i) {
        if (CellRect(i, scrollOffset).contains(point))
            return i;
    }
    return -1;
}

int ThumbStripGeometry::ScrolledOffset(bool forward, int clientWidth, int itemCount,
                                       int scrollOffset) const
{
    const int visible = VisibleCount(clientWidth);
    int first = FirstVisible(scrollOffset);
    if (forward) {
        if (visible + first - 1 >= itemCount - 1)
            return scrollOffset;
        ++first;
    } else {
        if (first == 0)
            return scrollOffset;
        --first;
    }
    return first * Step();
}

int ThumbStripGeometry::ClampedOffset(int clientWidth, int itemCount, int scrollOffset) const
{
    const int lastFirst = std::max(0, itemCount - std::max(1, VisibleCount(clientWidth)));
    return std::min(FirstVisible(scrollOffset), lastFirst) * Step();
}

bool ThumbStripGeometry::CanScrollBack(int scrollOffset, int itemCount) const
{
    return itemCount > 0 && FirstVisible(scrollOffset) > 0;
}

bool ThumbStripGeometry::CanScrollForward(int clientWidth, int itemCount, int scrollOffset) const
{
    return itemCount > 0 && VisibleCount(clientWidth) + FirstVisible(scrollOffset) < itemCount;
}

int ThumbStripGeometry::WidthForCells(int cells) const
{
    // The inverse of VisibleCount: the narrowest client that still counts `cells` cells.
    return cells * Step() - spacing + leftMargin + rightMargin + 1;
}
