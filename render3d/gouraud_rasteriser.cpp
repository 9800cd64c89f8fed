// Gouraud-shaded triangles: the vertex colours are stepped down the edges per
// channel with the same exact per-row division as the edges, then blended
// across each span.
#include "image2d/pixel_ops.h"
#include "render3d/mesh.h"
#include "render3d/triangle_setup.h"

void Mesh::GouraudSpan(std::uint32_t* rowStart, int length, std::uint32_t leftColour, std::uint32_t rightColour) {
    for (int k = 0; k < length; ++k) {
        rowStart[k] = blend(leftColour, rightColour, static_cast<std::uint32_t>((k * 256) / length));
    }
}

void Mesh::GouraudTriangle(std::uint32_t* viewport, Vector3 va, Vector3 vb, Vector3 vc, float factor) {
    ScreenPoint p[3];
    int order[3];
    if (!projectSorted(va, vb, vc, factor, kMinimumDepth, p, order)) return;
    std::uint32_t colours[3];
    sortedColours(va, vb, vc, order, colours);
    scanTriangle(p, [&](const ScanRow& row) {
        GouraudSpan(viewport + row.y * 640 + row.xLeft, row.xRight - row.xLeft, colourAt(row.left, colours),
                    colourAt(row.right, colours));
    });
}
