#include "render3d/glow_sprite.h"

#include <algorithm>
#include <cstdint>

#include "image2d/pixel_ops.h"
#include "image2d/pixel_spans.h"
#include "render3d/camera.h"
#include "render3d/frustum_clipper.h"
#include "render3d/row_bands.h"
#include "render3d/triangle_setup.h"

namespace {
constexpr float kNearZ = 64.0f;
constexpr int kTexSide = 64;
constexpr int kTexSpan = 8128;  // 127 x 64: the 2h pixels of the square span texels 0..63
}  // namespace

GlowSprite::GlowSprite() {
    position.set(0.0f, 0.0f, 0.0f);
    orientation.setRotation(0.0f, 0.0f, 0.0f);
}

float GlowSprite::depth(const Camera& camera) { return position.distance(camera.position); }

void GlowSprite::draw(std::uint32_t* viewport, Camera& camera, LightSet&) {
    if (intensityMap == nullptr || clipper == nullptr) return;
    const Vector3 p = camera.toCamera(position);
    if (p.z < kNearZ) return;
    const float factor = camera.factor;
    // Half the projected side. A negative size would give a negative step; it draws nothing either.
    const int h = static_cast<std::int16_t>(projectCoordinate(factor, static_cast<float>(0.5 * size), p.z));
    if (h <= 0) return;
    screenLeft = static_cast<std::int16_t>(projectCoordinate(factor, p.x, p.z) - h + 319);
    screenTop = static_cast<std::int16_t>(projectCoordinate(factor, p.y, p.z) - h + 143);
    texStep = static_cast<std::uint16_t>(kTexSpan / h);
    Vector3* polygon = nullptr;
    const int n = clipper->clipSquare(p, size, polygon);
    // The fan's triangles are set up once, then drawn in bands of rows.
    ScreenPoint triangles[FrustumClipper::kMaxPolygon][3];
    int count = 0;
    RowRange rows;
    for (int k = 1; k + 1 < n; ++k) {
        int order[3];
        if (!projectSorted(polygon[0], polygon[k], polygon[k + 1], factor, kNearZ, triangles[count], order)) continue;
        rows.add(triangles[count++]);
    }
    drawRowBands(rows.first, rows.last, [&](int first, int last) {
        for (int t = 0; t < count; ++t) {
            scanTriangleRows(triangles[t], first, last,
                             [&](const ScanRow& row) { SpriteSpan(viewport, row.xLeft, row.xRight, row.y); });
        }
    });
}

void GlowSprite::SpriteTriangle(std::uint32_t* viewport, const Vector3& va, const Vector3& vb, const Vector3& vc,
                                float factor) {
    ScreenPoint points[3];
    int order[3];
    if (!projectSorted(va, vb, vc, factor, kNearZ, points, order)) return;
    scanTriangle(points, [&](const ScanRow& row) { SpriteSpan(viewport, row.xLeft, row.xRight, row.y); });
}

void GlowSprite::SpriteSpan(std::uint32_t* viewport, int x0, int x1, int y) {
    const int texRow = ((texStep * (y - screenTop)) / 256) & (kTexSide - 1);
    const std::uint8_t* mapRow = intensityMap + texRow * kTexSide;
    auto texel = [&](int x) { return mapRow[((texStep * (x - screenLeft)) / 256) & (kTexSide - 1)]; };
    if (static_cast<std::int16_t>(y) != y || x0 < INT16_MIN || x1 > INT16_MAX + 1) {
        // Coordinates beyond 16 bits wrap as addPixel's do.
        for (int x = x0; x < x1; ++x) {
            const std::uint8_t k = texel(x);
            if (k != 0) addPixel(viewport, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), scale(colour, k));
        }
        return;
    }
    if (y < 0 || y >= kViewportHeight) return;
    const int from = std::max(x0, 0);
    const int to = std::min(x1, kViewportWidth);
    if (from >= to) return;
    std::uint8_t intensity[kViewportWidth];
    if (from >= screenLeft) {
        // Right of the texture's left edge the dividend is never negative, so
        // the division is a shift of a running sum.
        unsigned u = static_cast<unsigned>(texStep * (from - screenLeft));
        for (int x = from; x < to; ++x, u += texStep) intensity[x - from] = mapRow[(u >> 8) & (kTexSide - 1)];
    } else {
        for (int x = from; x < to; ++x) intensity[x - from] = texel(x);
    }
    addScaledSpan(viewport + y * kViewportWidth + from, intensity, to - from, colour);
}
