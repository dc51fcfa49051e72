#pragma once

#include <QPoint>
#include <QRect>

// The arithmetic of the thumbnail strip: one row of equal cells, shifted left by a scroll offset
// that is always a whole number of steps. Client pixels of the strip. Example: with the default
// metrics a 700-pixel-wide strip shows (9 + 700 - 1 - 1 - 1) / 69 = 10 cells, and cell 2 at
// offset 69 covers x 70 ... 129.
struct ThumbStripGeometry
{
    int leftMargin = 1;
    int topMargin = 1;
    int rightMargin = 1;
    int cellWidth = 60;
    int cellHeight = 45;
    int spacing = 9;

    int Step() const { return cellWidth + spacing; }
    // Cells that fit in a client of that width.
    int VisibleCount(int clientWidth) const;
    // The first cell in view at a scroll offset.
    int FirstVisible(int scrollOffset) const;
    QRect CellRect(int index, int scrollOffset) const;
    // The cell (frame excluded) under the point among the first `cellCount` cells, or -1.
    int HitTest(QPoint point, int cellCount, int scrollOffset) const;
    // The offset after one step forward or back; unchanged when the last item is already in
    // view (forward) or the first cell is (back).
    int ScrolledOffset(bool forward, int clientWidth, int itemCount, int scrollOffset) const;
    // The offset that keeps the row from showing only empty cells after items were removed:
    // never past the step that brings the last item to the right end of the view.
    int ClampedOffset(int clientWidth, int itemCount, int scrollOffset) const;
    bool CanScrollBack(int scrollOffset, int itemCount) const;
    bool CanScrollForward(int clientWidth, int itemCount, int scrollOffset) const;
    // The client width that shows exactly `cells` cells.
    int WidthForCells(int cells) const;
};
