#pragma once

#include <QPoint>
#include <QRect>
#include <algorithm>

// Where the cells of the tab strip lie: 150 x 20 pixel cells filled row by row over the
// strip's width.
struct TabStripGeometry {
    static constexpr int kCellWidth = 150;
    static constexpr int kCellHeight = 20;
    static constexpr int kDragThreshold = 3;  // pixels a press may move and still be a click

    int width = 0;

    int per_row() const { return std::max(1, width / kCellWidth); }
    int rows(int count) const { return count <= 0 ? 0 : (count - 1) / per_row() + 1; }
    // Height the strip takes for count tabs (hidden when there are none).
    int height(int count) const { return count <= 0 ? 0 : rows(count) * kCellHeight + 6; }

    QRect cell(int index) const
    {
        return {(index % per_row()) * kCellWidth, (index / per_row()) * kCellHeight, kCellWidth, kCellHeight};
    }

    int index_at(QPoint point, int count) const
    {
        if (point.x() < 0 || point.y() < 0 || point.x() >= per_row() * kCellWidth)
            return -1;
        const int index = point.y() / kCellHeight * per_row() + point.x() / kCellWidth;
        return index < count ? index : -1;
    }

    // The 16 x 16 close box at the right end of a cell.
    static QRect close_box(const QRect& cell)
    {
        const int right = cell.x() + cell.width();
        return {right - 18, cell.y() + 1, 16, 16};
    }

    // Whether a drop at point lands on the right half of its cell (insert after it).
    bool right_half(QPoint point, int index) const
    {
        const QRect c = cell(index);
        return point.x() > c.x() + c.width() / 2;
    }
};

// New position of a tab dragged from index `from` and dropped on tab `onto` (after it when
// `after` is set), counted in the list without the dragged tab reinserted.
inline int reordered_index(int from, int onto, bool after)
{
    int target = onto - (from < onto ? 1 : 0);
    return target + (after ? 1 : 0);
}
