// Gouraud colours averaged per pixel with the environment map seen along the
// view ray reflected about a normal interpolated across the triangle; the
// normals are stepped in floating point and not renormalised.
#include <algorithm>

#include "image2d/pixel_ops.h"
#include "render3d/mesh.h"
#include "render3d/reflection_span.h"
#include "render3d/triangle_setup.h"

namespace {
void edgeNormal(const EdgePoint& e, const Vector3 (&normals)[3], Vector3& out) {
    const Vector3 &from = normals[e.from], &to = normals[e.to];
    out.set(static_cast<float>(e.lerp(static_cast<double>(from.x), static_cast<double>(to.x))),
            static_cast<float>(e.lerp(static_cast<double>(from.y), static_cast<double>(to.y))),
            static_cast<float>(e.lerp(static_cast<double>(from.z), static_cast<double>(to.z))));
}

// The world-space view ray through pixel (x, y), at length 256.
Vector3 viewRay(int x, int y, float factor, const Matrix3& viewToWorld) {
    Vector3 r(static_cast<float>(x - 320), static_cast<float>(y - 144), factor);
    r.setLength(256.0f);
    r.transform(viewToWorld);
    return r;
}
}  // namespace

void Mesh::EnvGouraudSpan(std::uint32_t* viewport, int xLeft, int xRight, int y, std::uint32_t leftColour,
                          std::uint32_t rightColour) {
    envGouraudSpan(viewport, xLeft, xRight, y, leftColour, rightColour, spanNormalLeft, spanNormalRight);
}

void Mesh::envGouraudSpan(std::uint32_t* viewport, int xLeft, int xRight, int y, std::uint32_t leftColour,
                          std::uint32_t rightColour, const Vector3& normalLeft, const Vector3& normalRight) const {
    const int length = xRight - xLeft;
    if (length <= 0 || envMap == nullptr) return;
    const Vector3 r0 = viewRay(xLeft, y, projectionFactor, viewToWorld).reflect(normalLeft);
    const Vector3 r1 = viewRay(xRight, y, projectionFactor, viewToWorld).reflect(normalRight);
    const double dx = static_cast<double>(r1.x) - r0.x, dy = static_cast<double>(r1.y) - r0.y,
                 dz = static_cast<double>(r1.z) - r0.z;
    const ReflectionSpan span{r0, dx, dy, dz, length};
    std::uint32_t* pixel = viewport + y * 640 + xLeft;
    constexpr int kChunk = 256;
    std::uint32_t texels[kChunk];
    for (int first = 0; first < length; first += kChunk) {
        const int count = std::min(kChunk, length - first);
        reflectionTexels(span, first, count, texels);
        for (int k = first; k < first + count; ++k) {
            const std::uint32_t gouraud = blend(leftColour, rightColour, static_cast<std::uint32_t>((k * 256) / length));
            pixel[k] = average(gouraud, envMap[texels[k - first]]);
        }
    }
}

void Mesh::EnvGouraudTriangle(std::uint32_t* viewport, Vector3 va, Vector3 vb, Vector3 vc, float factor) {
    MeshTriangle triangle;
    if (!setUpTriangle(va, vb, vc, factor, true, triangle)) return;
    scanTriangle(triangle.points, [&](const ScanRow& row) {
        edgeNormal(row.left, triangle.normals, spanNormalLeft);
        edgeNormal(row.right, triangle.normals, spanNormalRight);
        EnvGouraudSpan(viewport, row.xLeft, row.xRight, row.y, colourAt(row.left, triangle.colours),
                       colourAt(row.right, triangle.colours));
    });
}

void Mesh::envGouraudRows(std::uint32_t* viewport, const MeshTriangle& triangle, int first, int last) const {
    scanTriangleRows(triangle.points, first, last, [&](const ScanRow& row) {
        Vector3 normalLeft, normalRight;
        edgeNormal(row.left, triangle.normals, normalLeft);
        edgeNormal(row.right, triangle.normals, normalRight);
        envGouraudSpan(viewport, row.xLeft, row.xRight, row.y, colourAt(row.left, triangle.colours),
                       colourAt(row.right, triangle.colours), normalLeft, normalRight);
    });
}

bool Mesh::setUpTriangle(const Vector3& va, const Vector3& vb, const Vector3& vc, float factor, bool reflective,
                         MeshTriangle& out) {
    int order[3];
    if (!projectSorted(va, vb, vc, factor, kMinimumDepth, out.points, order)) return false;
    sortedColours(va, vb, vc, order, out.colours);
    if (reflective) {
        // The corner normals travel with their vertices, and stay in that order for the caller.
        const Vector3 unsorted[3] = {cornerNormals[0], cornerNormals[1], cornerNormals[2]};
        for (int k = 0; k < 3; ++k) cornerNormals[k] = unsorted[order[k]];
        for (int k = 0; k < 3; ++k) out.normals[k] = cornerNormals[k];
    }
    return true;
}

void Mesh::drawTriangleRows(std::uint32_t* viewport, const MeshTriangle& triangle, int first, int last) const {
    if (envMapEnabled == 0) {
        gouraudRows(viewport, triangle, first, last);
    } else {
        envGouraudRows(viewport, triangle, first, last);
    }
}
