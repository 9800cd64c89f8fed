#pragma once
// The scan conversion shared by every triangle rasteriser: project the three
// vertices (projectToScreen), sort them by row (sortByRow), then walk the long
// edge (top to bottom vertex) against the two short ones (scanTriangle). Edge
// positions are exact per row, start + (step * delta) / span with truncating
// integer division, never accumulated fixed point, and there is no sub-pixel
// correction. The bottom row and each span's right end are not drawn. No
// clipping: callers pass clipped geometry.
#include <algorithm>
#include <cstdint>

#include "render3d/projection.h"

// Where one scan line meets an edge: `step` rows down an edge of `span` rows
// that runs from vertex `from` to vertex `to` (indices into the sorted three).
struct EdgePoint {
    int from;
    int to;
    int step;
    int span;

    // a + (step * (b - a)) / span, truncating toward zero.
    int lerp(int a, int b) const {
        return a + static_cast<int>(static_cast<std::int64_t>(step) * (b - a) / span);
    }
    // The same point on a float quantity: a + step * (b - a) / span in double.
    double lerp(double a, double b) const { return a + step * (b - a) / span; }
};

// The colour where a scan line meets an edge, each 8-bit channel stepped on its own.
inline std::uint32_t colourAt(const EdgePoint& e, const std::uint32_t (&colours)[3]) {
    const std::uint32_t from = colours[e.from], to = colours[e.to];
    std::uint32_t result = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        const int c = e.lerp(static_cast<int>((from >> shift) & 0xffu), static_cast<int>((to >> shift) & 0xffu));
        result = result * 256 + static_cast<std::uint32_t>(c);
    }
    return result;
}

// One scan line to fill: pixels xLeft .. xRight - 1 of viewport row y.
struct ScanRow {
    int y;
    int partRow;  // rows since the top of this part (upper: from vertex 0, lower: from vertex 1)
    int xLeft;
    int xRight;
    EdgePoint left;  // the edge at the left end
    EdgePoint right;
};

// Orders three screen points top to bottom with three compare-and-swaps
// (a/c, b/c, a/b, each on strictly greater). order[k] receives the index of
// the original vertex that ends up at position k.
inline void sortByRow(ScreenPoint (&p)[3], int (&order)[3]) {
    order[0] = 0;
    order[1] = 1;
    order[2] = 2;
    auto swap = [&](int i, int j) {
        const ScreenPoint t = p[i];
        p[i] = p[j];
        p[j] = t;
        const int o = order[i];
        order[i] = order[j];
        order[j] = o;
    };
    if (p[0].y > p[2].y) swap(0, 2);
    if (p[1].y > p[2].y) swap(1, 2);
    if (p[0].y > p[1].y) swap(0, 1);
}

// The first steps of every triangle: refuse it when a vertex is nearer than
// nearZ, project the three corners and sort them by row.
inline bool projectSorted(const Vector3& va, const Vector3& vb, const Vector3& vc, float factor, float nearZ,
                          ScreenPoint (&p)[3], int (&order)[3]) {
    if (va.z < nearZ || vb.z < nearZ || vc.z < nearZ) return false;
    p[0] = projectToScreen(va, factor);
    p[1] = projectToScreen(vb, factor);
    p[2] = projectToScreen(vc, factor);
    sortByRow(p, order);
    return true;
}

// The vertex colours (tags) in the sorted order.
inline void sortedColours(const Vector3& va, const Vector3& vb, const Vector3& vc, const int (&order)[3],
                          std::uint32_t (&colours)[3]) {
    const std::uint32_t given[3] = {va.tag, vb.tag, vc.tag};
    for (int k = 0; k < 3; ++k) colours[k] = given[order[k]];
}

// Calls rowFn(const ScanRow&) for the rows of sorted points p that lie in
// rowFirst .. rowLast - 1, top to bottom. Every row's ends are computed from
// the part's top, so a row is the same whichever range it is drawn in. On each
// row the short edge is on the left unless its x exceeds the long edge's.
template <typename RowFn>
void scanTriangleRows(const ScreenPoint (&p)[3], int rowFirst, int rowLast, RowFn&& rowFn) {
    const int x0 = p[0].x, y0 = p[0].y, x1 = p[1].x, y1 = p[1].y, x2 = p[2].x, y2 = p[2].y;
    const int longSpan = y2 - y0;
    auto emit = [&](int y, int partRow, const EdgePoint& longEdge, const EdgePoint& shortEdge, int xLong,
                    int xShort) {
        if (xShort > xLong) {
            rowFn(ScanRow{y, partRow, xLong, xShort, longEdge, shortEdge});
        } else {
            rowFn(ScanRow{y, partRow, xShort, xLong, shortEdge, longEdge});
        }
    };
    for (int i = std::max(0, rowFirst - y0); i < std::min(y1, rowLast) - y0; ++i) {
        const EdgePoint longEdge{0, 2, i, longSpan};
        const EdgePoint shortEdge{0, 1, i, y1 - y0};
        emit(y0 + i, i, longEdge, shortEdge, longEdge.lerp(x0, x2), shortEdge.lerp(x0, x1));
    }
    for (int j = std::max(0, rowFirst - y1); j < std::min(y2, rowLast) - y1; ++j) {
        const EdgePoint longEdge{0, 2, y1 - y0 + j, longSpan};
        const EdgePoint shortEdge{1, 2, j, y2 - y1};
        emit(y1 + j, j, longEdge, shortEdge, longEdge.lerp(x0, x2), shortEdge.lerp(x1, x2));
    }
}

// Calls rowFn(const ScanRow&) for rows y0 .. y2 - 1 of sorted points p.
template <typename RowFn>
void scanTriangle(const ScreenPoint (&p)[3], RowFn&& rowFn) {
    scanTriangleRows(p, p[0].y, p[2].y, rowFn);
}
