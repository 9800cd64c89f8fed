#include "render3d/sphere_sprite.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "image2d/pixel_ops.h"
#include "render3d/camera.h"
#include "render3d/environment_map.h"
#include "render3d/frustum_clipper.h"
#include "render3d/light_set.h"
#include "render3d/row_bands.h"
#include "render3d/triangle_setup.h"

namespace {
constexpr float kNearZ = 64.0f;
constexpr int kTexSpan = 32640;  // 255 x 128: c pixels span texels 0..127
constexpr int kWidth = 640;
constexpr int kRows = 288;

// Projected sizes of objects in front of the eye stay far inside this; the
// bound only keeps a point at the eye from overflowing the conversion.
int truncBounded(double v) {
    if (!(v > -1.0e6)) v = -1.0e6;
    if (v > 1.0e6) v = 1.0e6;
    return static_cast<int>(v);
}
}  // namespace

void buildSphereMaps(Vector3* normalMap, std::uint8_t* mask) {
    std::memset(mask, 0, kSphereMapSide * kSphereMapSide);
    for (int a = -64; a < 64; ++a) {
        const float b = static_cast<float>(std::sqrt(4096.0 - a * a));
        for (int j = static_cast<int>(-b); j < static_cast<int>(b); ++j) {
            Vector3 normal(static_cast<float>(-j), static_cast<float>(-a),
                           static_cast<float>(std::sqrt(static_cast<double>(b) * b - j * j)));
            normal.setLength(256.0f);
            const int t = (a + 64) * kSphereMapSide + (j + 64);
            normalMap[t] = normal;
            mask[t] = static_cast<std::uint8_t>(static_cast<int>(normal.z * 0.9921875 + 1.0));
        }
    }
}

SphereSprite::SphereSprite() { orientation.setRotation(0.0f, 0.0f, 0.0f); }

float SphereSprite::depth(const Camera& camera) { return position.distance(camera.position); }

void SphereSprite::draw(std::uint32_t* viewport, Camera& camera, LightSet& lightSet) {
    if (clipper == nullptr || mask == nullptr || normalMap == nullptr || envMap == nullptr) return;
    litCentre = lightSet.at(position);
    projectionFactor = camera.factor;
    const float factor = camera.factor;
    const Vector3 p = camera.toCamera(position);
    if (p.z < 1.0f) return;
    viewToWorld.copyFrom(camera.rotation);
    viewToWorld.transposeInPlace();
    const int c = truncBounded(static_cast<double>(factor) * size / p.z);  // projected diameter
    // A negative size would give a negative step; it draws nothing either.
    if (c <= 0) return;
    texStep = static_cast<std::uint16_t>(kTexSpan / c);
    const int half = c / 2;
    screenLeft = static_cast<std::int16_t>(truncBounded(static_cast<double>(p.x) * factor / p.z) - half + 319);
    screenTop = static_cast<std::int16_t>(truncBounded(static_cast<double>(p.y) * factor / p.z) - half + 143);
    // One ray, through the top-left corner, serves every pixel of the ball.
    viewRay.set(static_cast<float>(screenLeft - 320), static_cast<float>(screenTop - 144), factor);
    viewRay.setLength(256.0f);
    viewRay.transform(viewToWorld);
    Vector3* polygon = nullptr;
    const int n = clipper->clipSquare(p, size, polygon);
    // The fan's triangles are set up once, then drawn in bands of rows.
    ScreenPoint triangles[FrustumClipper::kMaxPolygon][3];
    int count = 0;
    RowRange rows;
    int leftmost = INT_MAX;
    for (int k = 1; k + 1 < n; ++k) {
        int order[3];
        if (!projectSorted(polygon[0], polygon[k], polygon[k + 1], projectionFactor, kNearZ, triangles[count], order))
            continue;
        rows.add(triangles[count]);
        for (const ScreenPoint& q : triangles[count]) leftmost = std::min(leftmost, static_cast<int>(q.x));
        ++count;
    }
    auto drawRows = [&](int first, int last) {
        for (int t = 0; t < count; ++t) scanPairs(viewport, triangles[t], first, last);
    };
    // A span starting in column 0 or 1 reaches the end of the row above it,
    // which another band may own: such a ball is drawn on one thread.
    if (leftmost < 2) {
        drawRows(INT_MIN / 2, INT_MAX / 2);
    } else {
        drawRowBands(rows.first, rows.last + 1, drawRows);  // the last scanned row fills the row below it
    }
}

void SphereSprite::scanPairs(std::uint32_t* viewport, const ScreenPoint (&points)[3], int first, int last) {
    // A scanned row also fills the row below, so the row above the band is
    // scanned too, and each span writes only those of its two rows in the band.
    scanTriangleRows(points, first - 1, last, [&](const ScanRow& row) {
        if (row.partRow & 1) spanRows(viewport, row.xLeft, row.xRight, row.y, row.y >= first, row.y + 1 < last);
    });
}

void SphereSprite::SphereTriangle(std::uint32_t* viewport, const Vector3& va, const Vector3& vb, const Vector3& vc) {
    ScreenPoint points[3];
    int order[3];
    if (!projectSorted(va, vb, vc, projectionFactor, kNearZ, points, order)) return;
    // Odd rows of each part; the span fills the even row below as well.
    scanPairs(viewport, points, points[0].y, points[2].y + 1);
}

std::uint32_t SphereSprite::litPixel(int texel) const {
    Vector3 normal = normalMap[texel];
    normal.transform(viewToWorld);
    Vector3 reflected = viewRay.reflect(normal);
    reflected.setLength(128.0f);
    const std::uint32_t mirrored = environmentTexel(envMap, reflected);
    const std::uint32_t lit = LightSet::shade(litCentre, normal, 0xffffff);
    return average(mirrored, lit);
}

void SphereSprite::SphereSpan(std::uint32_t* viewport, int x0, int x1, int y) {
    spanRows(viewport, x0, x1, y, true, true);
}

void SphereSprite::spanRows(std::uint32_t* viewport, int x0, int x1, int y, bool upperRow, bool lowerRow) {
    if (y < 0 || y > kRows - 2) return;
    if (x0 < 0) x0 = 0;
    if (x1 > kWidth) x1 = kWidth;
    const int texRow = ((texStep * (y - screenTop)) / 256) & (kSphereMapSide - 1);
    std::uint32_t* upper = viewport + y * kWidth;  // negative offsets reach the previous row
    std::uint32_t* lower = upper + kWidth;
    for (int i = 0; i < x1 - x0; ++i) {
        const int x = x0 + i;
        const int texColumn = ((texStep * (x - screenLeft)) / 256) & (kSphereMapSide - 1);
        const int texel = texRow * kSphereMapSide + texColumn;
        if (mask[texel] == 0) continue;
        if (i & 1) {
            if (upperRow) upper[x] = upper[x - 1];
            if (lowerRow) lower[x] = lower[x - 1];
            if (upperRow) upper[x - 2] = average(upper[x - 1], upper[x - 3]);
            if (lowerRow) lower[x - 2] = average(lower[x - 1], lower[x - 3]);
        } else {
            const std::uint32_t lit = litPixel(texel);
            if (upperRow) upper[x] = lit;
            if (lowerRow) lower[x] = lit;
        }
    }
}
