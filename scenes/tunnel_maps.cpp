#include "scenes/tunnel_maps.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "image2d/pixel_ops.h"
#include "maths/elementary.h"

namespace {

constexpr int kCentreColumn = kMapWidth / 2;  // 160
constexpr int kCentreRow = kMapHeight / 2;    // 72
constexpr double kTurnPerDepth = 0.0015707963268;  // pi/2000
constexpr double kRadiusScale = 21312.0;           // disc radius n = 21312 / z
constexpr int kProjection = 333;

// The largest disc radius, that of the nearest depth.
constexpr int kMaxRadius = 21312 / kNearestDepth;  // 31

struct DiscOffset {
    std::int16_t a;
    std::int16_t b;
};

// The eight discs at depth z: four at radius 384 and four at 640, a quarter
// turn apart, the pattern turning by pi/2000 per depth step.
void discOffsets(float z, DiscOffset offsets[8]) {
    const double theta = z * kTurnPerDepth;
    const double sn = maths::sin(theta);
    const double cs = maths::cos(theta);
    const auto to16 = [](double v) { return static_cast<std::int16_t>(static_cast<int>(v)); };
    offsets[0] = {to16(384.0 * cs), to16(384.0 * sn)};
    offsets[1] = {to16(-384.0 * cs), to16(-384.0 * sn)};
    offsets[2] = {to16(384.0 * sn), to16(-384.0 * cs)};
    offsets[3] = {to16(-384.0 * sn), to16(384.0 * cs)};
    offsets[4] = {to16(640.0 * cs), to16(640.0 * sn)};
    offsets[5] = {to16(-640.0 * cs), to16(-640.0 * sn)};
    offsets[6] = {to16(640.0 * sn), to16(-640.0 * cs)};
    offsets[7] = {to16(-640.0 * sn), to16(640.0 * cs)};
}

// Where a disc lands on the map and how big it is.
struct DiscPlace {
    int n;  // radius; the disc's square spans offsets -n..n-1
    int cx;
    int cy;
};

DiscPlace placeDisc(DiscOffset offset, float z) {
    const double zd = z;
    return {static_cast<int>(kRadiusScale / zd), static_cast<int>((offset.a * kProjection) / zd) + kCentreColumn,
            static_cast<int>((offset.b * kProjection) / zd) + kCentreRow};
}

std::int32_t textureRow(int x, int y) {
    return static_cast<std::int32_t>(angleOf(static_cast<float>(x), static_cast<float>(y)) * 0.5);
}

// Column 0 and row 0 are never written.
bool onStampedArea(int x, int y) { return 0 < x && x < kMapWidth && 0 < y && y < kMapHeight; }

void stampDiscLiteral(TunnelMaps maps, DiscOffset offset, float z) {
    const DiscPlace disc = placeDisc(offset, z);
    const int n = disc.n;
    if (n < 1) return;
    for (int i = -n; i < n; ++i) {
        for (int k = -n; k < n; ++k) {
            const int x = disc.cx + i;
            const int y = disc.cy + k;
            if (!onStampedArea(x, y)) continue;
            const int p = y * kMapWidth + x;
            if (n > std::sqrt(static_cast<double>(i * i + k * k))) maps.depth[p] = static_cast<std::int32_t>(z);
            maps.angle[p] = textureRow(i, k);
        }
    }
}

// What every disc shares: the texture rows of its square depend only on the
// offset from the centre, and a circle row only on the radius.
struct DiscTables {
    // [k + kMaxRadius][i + kMaxRadius] for offsets -kMaxRadius..kMaxRadius-1
    std::int32_t rows[2 * kMaxRadius][2 * kMaxRadius];
    // [n][|k|]: the circle of radius n covers offsets |i| <= halfWidth on row k; -1 none
    std::int8_t halfWidth[kMaxRadius + 1][kMaxRadius + 1];

    DiscTables() {
        for (int k = -kMaxRadius; k < kMaxRadius; ++k)
            for (int i = -kMaxRadius; i < kMaxRadius; ++i) rows[k + kMaxRadius][i + kMaxRadius] = textureRow(i, k);
        // i*i + k*k < n*n is exactly n > sqrt(i*i + k*k) for these small integers.
        for (int n = 0; n <= kMaxRadius; ++n) {
            for (int k = 0; k <= kMaxRadius; ++k) {
                int h = n - 1;
                while (h >= 0 && h * h + k * k >= n * n) --h;
                halfWidth[n][k] = static_cast<std::int8_t>(h);
            }
        }
    }
};

void stampDisc(TunnelMaps maps, const DiscTables& tables, DiscOffset offset, float z) {
    const DiscPlace disc = placeDisc(offset, z);
    const int n = disc.n;
    if (n < 1) return;
    // The square clipped to the stamped area, as offsets from the centre.
    const int iFirst = std::max(-n, 1 - disc.cx);
    const int iLast = std::min(n - 1, kMapWidth - 1 - disc.cx);
    const int kFirst = std::max(-n, 1 - disc.cy);
    const int kLast = std::min(n - 1, kMapHeight - 1 - disc.cy);
    if (iFirst > iLast) return;
    const auto depth = static_cast<std::int32_t>(z);
    for (int k = kFirst; k <= kLast; ++k) {
        const int rowStart = (disc.cy + k) * kMapWidth + disc.cx;
        const std::int32_t* rows = tables.rows[k + kMaxRadius] + kMaxRadius;
        std::copy(rows + iFirst, rows + iLast + 1, maps.angle + (rowStart + iFirst));
        const int h = tables.halfWidth[n][std::abs(k)];
        const int from = std::max(-h, iFirst);
        const int to = std::min(h, iLast);
        if (from <= to) std::fill(maps.depth + (rowStart + from), maps.depth + (rowStart + to + 1), depth);
    }
}

int keepDepth(int z) { return std::clamp(z, kNearestDepth, kFarthestDepth); }

}  // namespace

void clearTunnelMaps(TunnelMaps maps) {
    for (int i = 0; i < kMapPixels; ++i) {
        maps.depth[i] = kNoDisc;
        maps.angle[i] = textureRow(i % kMapWidth - kCentreColumn, i / kMapWidth - kCentreRow);
    }
}

void stampTunnelDiscs(TunnelMaps maps, int farDepth, int nearDepth) {
    static_assert(kRadiusScale / kNearestDepth < kMaxRadius + 1, "the tables cover the nearest disc");
    const DiscTables tables;
    DiscOffset offsets[8];
    for (float z = static_cast<float>(keepDepth(farDepth)); z >= static_cast<float>(keepDepth(nearDepth)); z -= 1.0f) {
        discOffsets(z, offsets);
        for (const DiscOffset& offset : offsets) stampDisc(maps, tables, offset, z);
    }
}

void stampTunnelDiscsLiteral(TunnelMaps maps, int farDepth, int nearDepth) {
    DiscOffset offsets[8];
    for (float z = static_cast<float>(keepDepth(farDepth)); z >= static_cast<float>(keepDepth(nearDepth)); z -= 1.0f) {
        discOffsets(z, offsets);
        for (const DiscOffset& offset : offsets) stampDiscLiteral(maps, offset, z);
    }
}
