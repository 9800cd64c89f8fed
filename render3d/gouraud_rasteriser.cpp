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
    MeshTriangle triangle;
    if (setUpTriangle(va, vb, vc, factor, false, triangle)) gouraudRows(viewport, triangle, triangle.points[0].y, triangle.points[2].y);
}

void Mesh::gouraudRows(std::uint32_t* viewport, const MeshTriangle& triangle, int first, int last) const {
    scanTriangleRows(triangle.points, first, last, [&](const ScanRow& row) {
        GouraudSpan(viewport + row.y * 640 + row.xLeft, row.xRight - row.xLeft, colourAt(row.left, triangle.colours),
                    colourAt(row.right, triangle.colours));
    });
}
