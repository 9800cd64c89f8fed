#include "render3d/environment_map.h"

#include <memory>

#include "image2d/pixel_ops.h"
#include "maths/elementary.h"

namespace {
// Close to pi/128, pi/64 and pi/256, used exactly as written.
constexpr double k1 = 0.02454369260625;
constexpr double k2 = 0.0490873852125;
constexpr double k3 = 0.012271846303125;

constexpr int kSide = kEnvironmentMapSide;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kGrey = 0x808080;

void paintSkyGradient(std::uint32_t* map) {
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < kSide; ++x) map[y * kSide + x] = kWhite - static_cast<std::uint32_t>(y) * 0x100800u;
    }
    for (int y = 16; y < 128; ++y) {
        for (int x = 0; x < kSide; ++x) map[y * kSide + x] = 0x0080FFu - static_cast<std::uint32_t>(y - 16) * 0x100u;
    }
}

// A sum of sines in 4..252.
void fillCloudPattern(std::int32_t* table) {
    // The terms that depend on the column only, once.
    double ac[kSide], bc[kSide], cc[kSide];
    for (int c = 0; c < kSide; ++c) {
        ac[c] = maths::cos(c * k2 + 793.0);
        bc[c] = maths::sin(c * k1 + 511.0);
        cc[c] = maths::sin(c * k1 + 157.0);
    }
    for (int r = 0; r < kSide; ++r) {
        const double ar = maths::sin(r * k1 + 777.0);
        const double br = maths::cos(r * k2 + 351.0);
        const double cr = maths::cos(r * k2 + 339.0);
        for (int c = 0; c < kSide; ++c) {
            const double sum = ar * ac[c] + br * bc[c] + cc[c] + cr;
            table[r * kSide + c] = static_cast<std::int32_t>(128.0 + 31.0 * sum);
        }
    }
}

void paintCloudsAndHaze(std::uint32_t* map, const std::int32_t* table) {
    for (int y = 0; y < 128; ++y) {
        const double s = maths::sin(y * k3);
        // The horizon's perspective: y - 128 is negative, so is the quotient.
        const int o = (8192 / (y - 128)) & 0xFF;
        for (int x = 0; x < kSide; ++x) {
            std::uint32_t& texel = map[y * kSide + x];
            const int j = static_cast<int>(table[x * kSide + o] * s);  // x selects the table's row
            if (j >= 64 && j < 128) {
                texel = blend(texel, kWhite, static_cast<std::uint32_t>(4 * j));
            } else if (j >= 128) {
                texel = blend(kWhite, 0x000000, static_cast<std::uint32_t>(2 * j));
            }
            if (y > 96) texel = blend(texel, kGrey, static_cast<std::uint32_t>(8 * y));
        }
    }
}

// Moves the cloud pattern to bits 8..15 and puts a second one in bits 0..7:
// read as a colour, green and blue without red.
void addGroundPattern(std::int32_t* table) {
    double columnSine[kSide];
    for (int c = 0; c < kSide; ++c) columnSine[c] = maths::sin(c * k1);
    for (int r = 0; r < kSide; ++r) {
        const double rowCosine = maths::cos(r * k2);
        for (int c = 0; c < kSide; ++c) {
            const int second = static_cast<int>(128.0 + 63.0 * (columnSine[c] + rowCosine));
            table[r * kSide + c] = table[r * kSide + c] * 256 + second;
        }
    }
}

void paintGround(std::uint32_t* map, const std::int32_t* table) {
    for (int x = 0; x < kSide; ++x) {
        for (int y = 128; y < kSide; ++y) {
            const int d = (8192 / (y - 127)) & 0xFF;  // depth: 8192 at the horizon, 64 at the bottom
            std::uint32_t g = blend(static_cast<std::uint32_t>(table[x * kSide + d]), 0x000000, static_cast<std::uint32_t>(2 * y));
            if (y < 160) g = blend(g, kGrey, static_cast<std::uint32_t>(248 - 8 * y));
            map[y * kSide + x] = g;
        }
    }
}
}  // namespace

void makeEnvironmentMap(std::uint32_t* map) {
    // T(r, c) is entry r * 256 + c.
    const std::unique_ptr<std::int32_t[]> table(new std::int32_t[kEnvironmentMapTexels]);
    paintSkyGradient(map);
    fillCloudPattern(table.get());
    paintCloudsAndHaze(map, table.get());
    addGroundPattern(table.get());
    paintGround(map, table.get());
}
