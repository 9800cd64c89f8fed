#pragma once
// Drawing split into bands of rows over the worker pool. Every primitive is
// drawn in the same order in every band, and each band writes only its own
// rows, so every pixel sees the same operations in the same order as with one
// thread: the picture does not depend on the thread count. This holds
// because the frustum clipper keeps every primitive inside the viewport's
// columns and rows, so no span wraps into a neighbouring row (a ball cut by
// the left edge, which does reach into the row above, is drawn on one thread).
#include <algorithm>
#include <climits>

#include "platform/worker_pool.h"
#include "render3d/projection.h"

// Fewer rows than this are drawn on the calling thread: waking the pool would
// cost more than it saves.
constexpr int kMinBandedRows = 32;

// Calls draw(first, last) on bands that together cover rows rowFirst .. rowLast - 1.
template <class Draw>
void drawRowBands(int rowFirst, int rowLast, const Draw& draw) {
    if (rowLast <= rowFirst) return;  // also an empty RowRange
    if (rowLast - rowFirst < kMinBandedRows) {
        draw(rowFirst, rowLast);
        return;
    }
    workerPool().forBands(rowLast - rowFirst, [&](int first, int last) { draw(rowFirst + first, rowFirst + last); });
}

// The rows a set of sorted screen triangles covers: first .. last - 1.
struct RowRange {
    int first = INT_MAX;
    int last = INT_MIN;
    void add(const ScreenPoint (&p)[3]) {
        first = std::min(first, static_cast<int>(p[0].y));
        last = std::max(last, static_cast<int>(p[2].y));
    }
};
