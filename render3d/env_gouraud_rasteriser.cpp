// Gouraud colours averaged per pixel with the environment map seen along the
// view ray reflected about a normal interpolated across the triangle; the
// normals are stepped in floating point and not renormalised.
#include "image2d/pixel_ops.h"
#include "render3d/mesh.h"
#include "render3d/triangle_setup.h"

namespace {
void edgeNormal(const EdgePoint& e, const Vector3 (&normals)[3], Vector3& out) {
    const Vector3 &from = normals[e.from], &to = normals[e.to];
    out.set(static_cast<float>(e.lerp(static_cast<double>(from.x), static_cast<double>(to.x))),
            static_cast<float>(e.lerp(static_cast<double>(from.y), static_cast<double>(to.y))),
            static_cast<float>(e.lerp(static_cast<double>(from.z), static_cast<double>(to.z))));
}

// Truncation toward zero, kept in range so that a degenerate ray cannot overflow.
int truncated(double v) {
    if (!(v > -1e9)) return -1000000000;
    if (v > 1e9) return 1000000000;
    return static_cast<int>(v);
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
    const int length = xRight - xLeft;
    if (length <= 0 || envMap == nullptr) return;
    const Vector3 r0 = viewRay(xLeft, y, projectionFactor, viewToWorld).reflect(spanNormalLeft);
    const Vector3 r1 = viewRay(xRight, y, projectionFactor, viewToWorld).reflect(spanNormalRight);
    const double dx = static_cast<double>(r1.x) - r0.x, dy = static_cast<double>(r1.y) - r0.y,
                 dz = static_cast<double>(r1.z) - r0.z;
    std::uint32_t* pixel = viewport + y * 640 + xLeft;
    for (int k = 0; k < length; ++k) {
        const float rx = static_cast<float>(r0.x + dx * k / length);
        const float ry = static_cast<float>(r0.y + dy * k / length);
        const float rz = static_cast<float>(r0.z + dz * k / length);
        std::uint32_t u = static_cast<std::uint32_t>(truncated(rx * 0.5)) & 0xffu;
        const std::uint32_t v = static_cast<std::uint32_t>(truncated(ry * 0.5)) & 0xffu;
        if (rz < 0.0f) u = 255 - u;  // the back hemisphere, mirrored
        const std::uint32_t texel = envMap[v * 256 + u];
        const std::uint32_t gouraud = blend(leftColour, rightColour, static_cast<std::uint32_t>((k * 256) / length));
        pixel[k] = average(gouraud, texel);
    }
}

void Mesh::EnvGouraudTriangle(std::uint32_t* viewport, Vector3 va, Vector3 vb, Vector3 vc, float factor) {
    ScreenPoint p[3];
    int order[3];
    if (!projectSorted(va, vb, vc, factor, kMinimumDepth, p, order)) return;
    std::uint32_t colours[3];
    sortedColours(va, vb, vc, order, colours);
    // The corner normals travel with their vertices, and stay in that order for the caller.
    const Vector3 unsorted[3] = {cornerNormals[0], cornerNormals[1], cornerNormals[2]};
    for (int k = 0; k < 3; ++k) cornerNormals[k] = unsorted[order[k]];
    scanTriangle(p, [&](const ScanRow& row) {
        edgeNormal(row.left, cornerNormals, spanNormalLeft);
        edgeNormal(row.right, cornerNormals, spanNormalRight);
        EnvGouraudSpan(viewport, row.xLeft, row.xRight, row.y, colourAt(row.left, colours),
                       colourAt(row.right, colours));
    });
}
