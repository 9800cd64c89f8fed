#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "image2d/pixel_ops.h"

#include "render3d/camera.h"
#include "render3d/environment_backdrop.h"
#include "render3d/environment_map.h"
#include "render3d/frustum_clipper.h"
#include "render3d/glow_sprite.h"
#include "render3d/light_set.h"
#include "render3d/sphere_sprite.h"
#include "render3d/view_rays.h"

namespace {
constexpr int kViewportOffset = 96 * 640;

// A whole frame buffer, drawn into through its viewport as the show does, so
// that reads and writes just outside the viewport land in the bars.
class SpriteTest : public ::testing::Test {
protected:
    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(640 * 480, 0);
    std::uint32_t* view = frame.data() + kViewportOffset;
    Camera camera;  // reset: eye at (0, 0, -512) looking along +z, factor 256
    FrustumClipper clipper;
    LightSet lights;

    void SetUp() override { clipper.build(camera.factor); }
    void TearDown() override { clipper.release(); }
    std::uint32_t at(int x, int y) const { return view[y * 640 + x]; }
    void fill(std::uint32_t colour) { frame.assign(frame.size(), colour); }
    bool frameIs(std::uint32_t colour) const {
        for (std::uint32_t p : frame) {
            if (p != colour) return false;
        }
        return true;
    }
};

// A map whose every texel names itself, so a lookup can be read back.
std::vector<std::uint32_t> indexMap() {
    std::vector<std::uint32_t> map(65536);
    for (int i = 0; i < 65536; ++i) map[i] = (static_cast<std::uint32_t>(i) << 8) | 0x5A;
    return map;
}
std::uint32_t indexTexel(int u, int v) { return (static_cast<std::uint32_t>(v * 256 + u) << 8) | 0x5A; }
}  // namespace

// ---- View rays and the backdrop ----

TEST(ViewRays, GridDirectionsAtLength128) {
    std::vector<Vector3> rays(kViewRayCount);
    for (float factor : {333.0f, 256.0f}) {
        buildViewRays(rays.data(), factor);
        const Vector3& centre = rays[36 * 320 + 160];
        EXPECT_EQ(centre.x, 0.0f);
        EXPECT_EQ(centre.y, 0.0f);
        EXPECT_EQ(centre.z, 128.0f);
        const double k = 128.0 / std::sqrt(320.0 * 320.0 + 144.0 * 144.0 + double(factor) * factor);
        EXPECT_FLOAT_EQ(rays[0].x, static_cast<float>(-320.0 * k));
        EXPECT_FLOAT_EQ(rays[0].y, static_cast<float>(-144.0 * k));
        EXPECT_FLOAT_EQ(rays[0].z, static_cast<float>(factor * k));
        // The last ray is pixel (638, 284): (318, 140, factor).
        const Vector3& last = rays[kViewRayCount - 1];
        EXPECT_FLOAT_EQ(last.x / last.z, 318.0f / factor);
        EXPECT_FLOAT_EQ(last.y / last.z, 140.0f / factor);
        for (const Vector3& r : rays) ASSERT_NEAR(std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z), 128.0, 1e-3);
    }
}

TEST_F(SpriteTest, BackdropWithIdentityCameraLooksAlongTheRays) {
    const std::vector<std::uint32_t> map = indexMap();
    EnvironmentBackdrop backdrop;
    backdrop.initRays(256.0f);
    backdrop.envMap = map.data();
    EXPECT_EQ(backdrop.depth(camera), 99999.0f);
    backdrop.draw(view, camera, lights);
    EXPECT_EQ(at(320, 144), indexTexel(0, 0));
    // (-320, -144, 256) at length 128 is (-94.3, -42.4, 75.4): u = -94 & 255, v = -42 & 255.
    EXPECT_EQ(at(0, 0), indexTexel(162, 214));
    for (int x = 0; x < 640; ++x) ASSERT_EQ(frame[384 * 640 + x], 0u);  // the bar below is only read
}

TEST_F(SpriteTest, BackdropTurnsRaysBackToWorldSpace) {
    const std::vector<std::uint32_t> map = indexMap();
    EnvironmentBackdrop backdrop;
    backdrop.initRays(256.0f);
    backdrop.envMap = map.data();
    camera.lookAt(Vector3(1000.0f, 0.0f, -512.0f));  // a quarter turn: looking along world +x
    backdrop.draw(view, camera, lights);
    // Ray (80, 0, 256) turns into world (122.2, 0, -38.2): behind the z = 0 seam, so u = 255 - 122.
    EXPECT_EQ(at(400, 144), indexTexel(133, 0));
    // Ray (-80, 0, 256) turns into world (122.2, 0, 38.2).
    EXPECT_EQ(at(240, 144), indexTexel(122, 0));
}

TEST_F(SpriteTest, BackdropGridPixelsHoldTheLookedUpTexels) {
    const std::vector<std::uint32_t> map = indexMap();
    EnvironmentBackdrop backdrop;
    backdrop.initRays(333.0f);
    backdrop.envMap = map.data();
    camera.rotation.setRotation(40.0f, 20.0f, 10.0f);
    backdrop.draw(view, camera, lights);
    const float* m = camera.rotation.m;
    for (int b = 0; b < 72; ++b) {
        for (int i = 0; i < 320; ++i) {
            Vector3 d(static_cast<float>(2 * i - 320), static_cast<float>(4 * b - 144), 333.0f);
            d.setLength(128.0f);
            // Camera to world is the transpose: world = (row 0 . d, row 1 . d, row 2 . d).
            const float wx = static_cast<float>(double(d.x) * m[0] + double(d.y) * m[1] + double(d.z) * m[2]);
            const float wy = static_cast<float>(double(d.x) * m[3] + double(d.y) * m[4] + double(d.z) * m[5]);
            const float wz = static_cast<float>(double(d.x) * m[6] + double(d.y) * m[7] + double(d.z) * m[8]);
            int u = static_cast<int>(wx) & 255;
            if (wz < 0.0f) u = 255 - u;
            ASSERT_EQ(at(2 * i, 4 * b), indexTexel(u, static_cast<int>(wy) & 255)) << i << "," << b;
        }
    }
}

TEST_F(SpriteTest, BackdropRebuildsItsRaysForANewFactor) {
    std::vector<std::uint32_t> map = indexMap();
    EnvironmentBackdrop backdrop;
    backdrop.envMap = map.data();
    backdrop.initRays(256.0f);
    backdrop.draw(view, camera, lights);
    const std::uint32_t wide = at(0, 0);
    backdrop.initRays(512.0f);
    backdrop.draw(view, camera, lights);
    EXPECT_NE(at(0, 0), wide);
    EXPECT_EQ(at(320, 144), indexTexel(0, 0));
}

// ---- Glow sprites ----

namespace {
std::vector<std::uint8_t> flatIntensity(std::uint8_t k) { return std::vector<std::uint8_t>(64 * 64, k); }
}  // namespace

class GlowSpriteTest : public SpriteTest {
protected:
    GlowSprite sprite;
    std::vector<std::uint8_t> map = flatIntensity(128);

    void SetUp() override {
        SpriteTest::SetUp();
        sprite.clipper = &clipper;
        sprite.intensityMap = map.data();
        sprite.colour = 0x204060;
    }
    // A sprite at camera depth z, straight ahead.
    void place(float z) { sprite.position.set(0.0f, 0.0f, z - 512.0f); }
    // Whether exactly the block [x0, x1) x [y0, y1) holds inside, everything else outside.
    ::testing::AssertionResult blockIs(int x0, int x1, int y0, int y1, std::uint32_t inside, std::uint32_t outside) {
        for (int y = -96; y < 384; ++y) {
            for (int x = 0; x < 640; ++x) {
                const bool in = x >= x0 && x < x1 && y >= y0 && y < y1;
                const std::uint32_t p = view[y * 640 + x];
                if (p != (in ? inside : outside)) {
                    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << p;
                }
            }
        }
        return ::testing::AssertionSuccess();
    }
};

TEST_F(GlowSpriteTest, DepthIsTheDistanceToTheEye) {
    sprite.position.set(300.0f, 0.0f, -112.0f);
    EXPECT_FLOAT_EQ(sprite.depth(camera), 500.0f);
}

TEST_F(GlowSpriteTest, Intensity128AddsTheColourOnceOverTheProjectedSquare) {
    fill(0x102030);
    place(256.0f);  // h = 32: a 64-pixel square around (320, 144)
    sprite.draw(view, camera, lights);
    EXPECT_EQ(sprite.screenLeft, 287);
    EXPECT_EQ(sprite.screenTop, 111);
    EXPECT_EQ(sprite.texStep, 8128 / 32);
    // Corners project to columns 288..352 and rows 112..176; right and bottom ends are not drawn.
    EXPECT_TRUE(blockIs(288, 352, 112, 176, 0x306090, 0x102030));
}

TEST_F(GlowSpriteTest, Intensity255AddsAboutTwiceAndSaturates) {
    fill(0x102030);
    map = flatIntensity(255);
    sprite.intensityMap = map.data();
    place(256.0f);
    sprite.draw(view, camera, lights);
    // 0x20, 0x40, 0x60 times 255/128: 0x3F, 0x7F, 0xBF.
    EXPECT_TRUE(blockIs(288, 352, 112, 176, 0x4F9FEF, 0x102030));
    sprite.colour = 0x80FF40;
    fill(0x102030);
    sprite.draw(view, camera, lights);
    EXPECT_TRUE(blockIs(288, 352, 112, 176, 0xFFFFAF, 0x102030));
}

TEST_F(GlowSpriteTest, TextureEdgesLandOnTheSquaresEdges) {
    // Only texel column 63 lit: texStep 254 reaches it at the last column only.
    map = flatIntensity(0);
    for (int row = 0; row < 64; ++row) map[row * 64 + 63] = 128;
    sprite.intensityMap = map.data();
    place(256.0f);
    sprite.draw(view, camera, lights);
    EXPECT_TRUE(blockIs(351, 352, 112, 176, 0x204060, 0));
    // Only texel row 0 lit: the first row only.
    map = flatIntensity(0);
    for (int col = 0; col < 64; ++col) map[col] = 128;
    sprite.intensityMap = map.data();
    fill(0);
    sprite.draw(view, camera, lights);
    EXPECT_TRUE(blockIs(288, 352, 112, 113, 0x204060, 0));
}

TEST_F(GlowSpriteTest, SetUpTruncatesTowardZeroAndTexelsCountFromTheCorner) {
    // Intensity = texel column + 1 and colour 0x808080 make every pixel show k in each channel.
    map = flatIntensity(0);
    for (int row = 0; row < 64; ++row)
        for (int col = 0; col < 64; ++col) map[row * 64 + col] = static_cast<std::uint8_t>(col + 1);
    sprite.intensityMap = map.data();
    sprite.colour = 0x808080;
    sprite.size = 50.0f;
    sprite.position.set(-10.5f, 20.75f, -256.0f);  // camera space (-10.5, 20.75, 256)
    sprite.draw(view, camera, lights);
    // h = 25; left = trunc(-10.5) - 25 + 319 (not floor, which gives 283); top = 20 - 25 + 143.
    EXPECT_EQ(sprite.screenLeft, 284);
    EXPECT_EQ(sprite.screenTop, 138);
    EXPECT_EQ(sprite.texStep, 325);  // 8128 / 25
    // Corners (-35.5, -4.25) and (14.5, 45.75) cover columns 285..333 and rows 140..188.
    EXPECT_EQ(at(285, 140), 0x020202u);  // column (325 x 1) / 256 = 1
    EXPECT_EQ(at(333, 188), 0x3F3F3Fu);  // column (325 x 49) / 256 = 62
    EXPECT_EQ(at(284, 140), 0u);
    EXPECT_EQ(at(334, 140), 0u);
    EXPECT_EQ(at(285, 139), 0u);
    EXPECT_EQ(at(285, 189), 0u);
    // The same with intensity = texel row + 1.
    for (int row = 0; row < 64; ++row)
        for (int col = 0; col < 64; ++col) map[row * 64 + col] = static_cast<std::uint8_t>(row + 1);
    fill(0);
    sprite.draw(view, camera, lights);
    EXPECT_EQ(at(285, 140), 0x030303u);  // row (325 x 2) / 256 = 2
    EXPECT_EQ(at(333, 188), 0x404040u);  // row (325 x 50) / 256 = 63
}

TEST_F(GlowSpriteTest, SpanTruncatesTowardZeroAndKeepsTheLowSixBits) {
    map = flatIntensity(0);
    for (int row = 0; row < 64; ++row)
        for (int col = 0; col < 64; ++col) map[row * 64 + col] = static_cast<std::uint8_t>(col + 1);
    sprite.intensityMap = map.data();
    sprite.colour = 0x808080;
    sprite.texStep = 100;
    sprite.screenLeft = 10;
    sprite.screenTop = 0;
    sprite.SpriteSpan(view, 5, 12, 3);
    // x = 5..7: 100 (x - 10) / 256 truncates to -1, whose low six bits are texel 63.
    for (int x = 5; x < 8; ++x) EXPECT_EQ(at(x, 3), 0x404040u) << x;
    // x = 8..11: -200 / 256 .. 100 / 256 all truncate to texel 0.
    for (int x = 8; x < 12; ++x) EXPECT_EQ(at(x, 3), 0x010101u) << x;
    EXPECT_EQ(at(4, 3), 0u);
    EXPECT_EQ(at(12, 3), 0u);
    // Rows: 100 x (3 - 10) / 256 = -2, texel row 62.
    for (int row = 0; row < 64; ++row)
        for (int col = 0; col < 64; ++col) map[row * 64 + col] = static_cast<std::uint8_t>(row + 1);
    fill(0);
    sprite.screenTop = 10;
    sprite.SpriteSpan(view, 20, 21, 3);
    EXPECT_EQ(at(20, 3), 0x3F3F3Fu);
}

// The row-at-a-time span against the pixel-at-a-time rule it replaces, on
// random textures, steps and placements: spans cut by the viewport's sides,
// starting left or right of the texture's edge, rows outside the viewport.
TEST_F(GlowSpriteTest, SpanMatchesThePixelRuleOnRandomSpans) {
    std::mt19937 random(16);
    for (auto& k : map) k = static_cast<std::uint8_t>(random() % 4 == 0 ? 0 : random());
    for (int trial = 0; trial < 300; ++trial) {
        for (auto& p : frame) p = static_cast<std::uint32_t>(random());
        std::vector<std::uint32_t> expected = frame;
        sprite.colour = static_cast<std::uint32_t>(random());
        sprite.texStep = static_cast<std::uint16_t>(1 + random() % 600);
        sprite.screenLeft = static_cast<std::int16_t>(static_cast<int>(random() % 900) - 200);
        sprite.screenTop = static_cast<std::int16_t>(static_cast<int>(random() % 400) - 50);
        const int y = static_cast<int>(random() % 300) - 6;
        const int x0 = static_cast<int>(random() % 800) - 80;
        const int x1 = x0 + static_cast<int>(random() % 200);
        const int texRow = ((sprite.texStep * (y - sprite.screenTop)) / 256) & 63;
        for (int x = x0; x < x1; ++x) {
            const std::uint8_t k = map[texRow * 64 + (((sprite.texStep * (x - sprite.screenLeft)) / 256) & 63)];
            if (k != 0)
                addPixel(expected.data() + kViewportOffset, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                         scale(sprite.colour, k));
        }
        sprite.SpriteSpan(view, x0, x1, y);
        ASSERT_EQ(frame, expected) << "trial " << trial;
    }
}

TEST_F(GlowSpriteTest, TooNearOrTooSmallDrawsNothing) {
    place(63.9f);
    sprite.draw(view, camera, lights);
    EXPECT_TRUE(frameIs(0));
    place(8193.0f);  // h = trunc(8192 / 8193) = 0
    sprite.draw(view, camera, lights);
    EXPECT_TRUE(frameIs(0));
    place(-300.0f);  // behind the eye
    sprite.draw(view, camera, lights);
    EXPECT_TRUE(frameIs(0));
    sprite.size = -64.0f;
    place(256.0f);
    sprite.draw(view, camera, lights);
    EXPECT_TRUE(frameIs(0));
    // The nearest that draws, and the farthest: h = 1.
    sprite.size = 64.0f;
    place(64.0f);
    sprite.draw(view, camera, lights);
    EXPECT_FALSE(frameIs(0));
    fill(0);
    place(8192.0f);
    sprite.draw(view, camera, lights);
    EXPECT_FALSE(frameIs(0));
}

TEST_F(GlowSpriteTest, SpriteCutByTheViewportEdgeStaysInside) {
    fill(0x010101);
    sprite.size = 400.0f;
    sprite.position.set(-260.0f, -100.0f, -512.0f + 200.0f);
    sprite.draw(view, camera, lights);
    for (int x = 0; x < 640; ++x) {
        ASSERT_EQ(frame[95 * 640 + x], 0x010101u);
        ASSERT_EQ(frame[384 * 640 + x], 0x010101u);
    }
    EXPECT_EQ(at(0, 1), 0x214161u);  // the square reaches past the left and top edges
}

// ---- Sphere maps and sphere sprites ----

TEST(SphereMaps, MaskCoversTheDiscAndNormalsPointInwards) {
    std::vector<Vector3> normals(128 * 128);
    std::vector<std::uint8_t> mask(128 * 128, 0xAA);
    buildSphereMaps(normals.data(), mask.data());
    const Vector3& centre = normals[64 * 128 + 64];
    EXPECT_EQ(centre.x, 0.0f);
    EXPECT_EQ(centre.y, 0.0f);
    EXPECT_EQ(centre.z, 256.0f);
    EXPECT_EQ(mask[64 * 128 + 64], 255);
    for (int row = 0; row < 128; ++row) {
        const int a = row - 64;
        for (int col = 0; col < 128; ++col) {
            const int j = col - 64;
            const std::uint8_t m = mask[row * 128 + col];
            const int far = std::max(j * j, (j + 1) * (j + 1)) + a * a;  // texel j spans j .. j + 1
            if (far < 3900) {
                ASSERT_NE(m, 0) << col << "," << row;
            }
            if (m == 0) continue;
            ASSERT_LE(far, 4096) << col << "," << row;
            const Vector3& n = normals[row * 128 + col];
            ASSERT_NEAR(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z), 256.0, 1e-3);
            ASSERT_GE(n.z, 0.0f);
            ASSERT_EQ(n.x == 0.0f, j == 0);
            ASSERT_EQ(n.x < 0.0f, j > 0);  // towards the centre
            ASSERT_EQ(n.y < 0.0f, a > 0);
            ASSERT_EQ(m, static_cast<int>(n.z * 0.9921875 + 1.0));
        }
    }
    for (int col = 0; col < 128; ++col) EXPECT_EQ(mask[col], 0);         // row a = -64 is a single point
    for (int col = 0; col < 128; ++col) EXPECT_NE(mask[64 * 128 + col], 0);  // the middle row is full
}

TEST(SphereMaps, ExactNormalsAndMaskValues) {
    std::vector<Vector3> normals(128 * 128);
    std::vector<std::uint8_t> mask(128 * 128);
    buildSphereMaps(normals.data(), mask.data());
    // Row 1 (a = -63): b = sqrt(127) = 11.27, j = -11 .. 10, texel columns 53 .. 74.
    for (int col = 0; col < 128; ++col) EXPECT_EQ(mask[128 + col] != 0, col >= 53 && col <= 74) << col;
    for (int col = 0; col < 128; ++col) EXPECT_EQ(mask[127 * 128 + col] != 0, col >= 53 && col <= 74) << col;
    // (11, 63, sqrt(6)) has length 64: scaled by 4.
    const Vector3& left = normals[128 + 53];
    EXPECT_EQ(left.x, 44.0f);
    EXPECT_EQ(left.y, 252.0f);
    EXPECT_NEAR(left.z, 9.79796, 1e-4);
    EXPECT_EQ(mask[128 + 53], 10);  // trunc(9.798 x 0.9921875 + 1)
    EXPECT_EQ(mask[128 + 74], 21);  // (-10, 63, sqrt(27)): z = 20.78
    // Middle row, column 0 (j = -64): the rim, lying in the screen plane, mask 1.
    EXPECT_EQ(normals[64 * 128].x, 256.0f);
    EXPECT_EQ(normals[64 * 128].z, 0.0f);
    EXPECT_EQ(mask[64 * 128], 1);
    // (-32, 0, sqrt(3072)) scaled by 4: z = 221.70, mask 220.
    EXPECT_EQ(normals[64 * 128 + 96].x, -128.0f);
    EXPECT_EQ(mask[64 * 128 + 96], 220);
    // Below the centre (a = 30, j = -20): (20, -30, sqrt(2796)) scaled by 4.
    EXPECT_EQ(normals[94 * 128 + 44].x, 80.0f);
    EXPECT_EQ(normals[94 * 128 + 44].y, -120.0f);
    EXPECT_EQ(mask[94 * 128 + 44], 210);
}

class SphereSpriteTest : public SpriteTest {
protected:
    SphereSprite sphere;
    std::vector<Vector3> normals = std::vector<Vector3>(128 * 128);
    std::vector<std::uint8_t> mask = std::vector<std::uint8_t>(128 * 128);
    std::vector<std::uint32_t> map = std::vector<std::uint32_t>(65536, 0xFFFFFF);

    void SetUp() override {
        SpriteTest::SetUp();
        buildSphereMaps(normals.data(), mask.data());
        sphere.clipper = &clipper;
        sphere.mask = mask.data();
        sphere.normalMap = normals.data();
        sphere.envMap = map.data();
        sphere.size = 128.0f;
        sphere.position.set(0.0f, 0.0f, -256.0f);  // camera depth 256: 128 pixels across
    }
};

TEST_F(SphereSpriteTest, SetsUpItsTextureFrame) {
    sphere.draw(view, camera, lights);
    EXPECT_EQ(sphere.texStep, 255);  // 32640 / 128
    EXPECT_EQ(sphere.screenLeft, 255);
    EXPECT_EQ(sphere.screenTop, 79);
    EXPECT_EQ(sphere.projectionFactor, 256.0f);
    EXPECT_EQ(sphere.litCentre.count, lights.count);
    const double k = 256.0 / std::sqrt(65.0 * 65.0 * 2 + 256.0 * 256.0);
    EXPECT_FLOAT_EQ(sphere.viewRay.x, static_cast<float>(-65.0 * k));
    EXPECT_FLOAT_EQ(sphere.viewRay.z, static_cast<float>(256.0 * k));
}

TEST_F(SphereSpriteTest, FillsRowPairsInsideItsSquare) {
    sphere.draw(view, camera, lights);
    // Without lights every computed pixel is the mean of black and the white texel;
    // the odd ones between them lose one more low bit.
    EXPECT_TRUE(at(320, 143) == 0x7F7F7Fu || at(321, 143) == 0x7F7F7Fu);
    EXPECT_TRUE(at(300, 180) == 0x7F7F7Fu || at(301, 180) == 0x7F7F7Fu);
    int covered = 0;
    for (int y = 0; y < 288; ++y) {
        for (int x = 0; x < 640; ++x) {
            const std::uint32_t p = at(x, y);
            if (p == 0) continue;
            ++covered;
            // Scanned rows are the odd rows 81..207 of the 80..208 square, each with the row below.
            ASSERT_TRUE(y >= 81 && y <= 208) << x << "," << y;
            ASSERT_EQ(p, at(x, y % 2 ? y + 1 : y - 1)) << x << "," << y;
            ASSERT_TRUE(p == 0x7F7F7Fu || p == 0x7E7E7Eu || p == 0x3F3F3Fu) << x << "," << y;
            const double dx = x + 0.5 - 320.0, dy = y + 0.5 - 144.0;
            ASSERT_LT(dx * dx + dy * dy, 66.0 * 66.0) << x << "," << y;
        }
    }
    EXPECT_GT(covered, 12000);  // pi 64^2 is about 12868
    for (int x = 0; x < 640; ++x) ASSERT_EQ(frame[95 * 640 + x], 0u);
}

TEST_F(SphereSpriteTest, PixelMirrorsTheMapAndAddsTheLight) {
    // Every normal facing the eye: each computed pixel reflects the corner ray (-65, -65, 256)
    // to (-30.6, -30.6, -120.5) at length 128, texel (255 - 226, 226), and is lit by a
    // white light 100 units in front at full strength (0xF2F2F2).
    std::vector<Vector3> flat(128 * 128, Vector3(0.0f, 0.0f, 256.0f));
    sphere.normalMap = flat.data();
    const std::vector<std::uint32_t> coded = indexMap();
    sphere.envMap = coded.data();
    Vector3 light(0.0f, 0.0f, -356.0f, 0xFFFFFF);
    lights.lights[0] = &light;
    lights.count = 1;
    lights.directionalIndex = 1;
    sphere.draw(view, camera, lights);
    const std::uint32_t texel = indexTexel(29, 226);
    const std::uint32_t computed = ((texel & 0xFEFEFE) + (0xF2F2F2 & 0xFEFEFE)) >> 1;
    for (int x : {300, 301, 340, 341}) {
        const std::uint32_t p = at(x, 143);
        EXPECT_TRUE(p == computed || p == (computed & 0xFEFEFE)) << std::hex << p << " at " << std::dec << x;
    }
}

TEST_F(SphereSpriteTest, OddDiameterHalvesDownAndOffsetsTruncateTowardZero) {
    sphere.size = 127.0f;
    sphere.position.set(-10.5f, 5.5f, -256.0f);  // camera space (-10.5, 5.5, 256)
    sphere.draw(view, camera, lights);
    // c = 127, half = 63; left = trunc(-10.5) - 63 + 319, top = 5 - 63 + 143.
    EXPECT_EQ(sphere.texStep, 257);  // 32640 / 127
    EXPECT_EQ(sphere.screenLeft, 246);
    EXPECT_EQ(sphere.screenTop, 85);
    // The corner ray (246 - 320, 85 - 144, 256) at length 256.
    const double k = 256.0 / std::sqrt(74.0 * 74.0 + 59.0 * 59.0 + 256.0 * 256.0);
    EXPECT_FLOAT_EQ(sphere.viewRay.x, static_cast<float>(-74.0 * k));
    EXPECT_FLOAT_EQ(sphere.viewRay.y, static_cast<float>(-59.0 * k));
    EXPECT_FLOAT_EQ(sphere.viewRay.z, static_cast<float>(256.0 * k));
}

TEST_F(SphereSpriteTest, TooNearOrTooFarDrawsNothing) {
    sphere.position.set(0.0f, 0.0f, -512.0f + 0.5f);
    sphere.draw(view, camera, lights);
    EXPECT_TRUE(frameIs(0));
    sphere.position.set(0.0f, 0.0f, -512.0f + 40.0f);  // in front of the eye but behind the near plane
    sphere.draw(view, camera, lights);
    EXPECT_TRUE(frameIs(0));
    sphere.position.set(0.0f, 0.0f, 32768.0f);  // c = trunc(256 x 128 / 33280) = 0
    sphere.draw(view, camera, lights);
    EXPECT_TRUE(frameIs(0));
    sphere.size = -128.0f;
    sphere.position.set(0.0f, 0.0f, -256.0f);
    sphere.draw(view, camera, lights);
    EXPECT_TRUE(frameIs(0));
}

class SphereSpanTest : public SphereSpriteTest {
protected:
    std::vector<Vector3> flat = std::vector<Vector3>(128 * 128, Vector3(0.0f, 0.0f, 256.0f));
    std::vector<std::uint8_t> full = std::vector<std::uint8_t>(128 * 128, 255);

    // Every pixel computes to the mean of the white map and no light: 0x7F7F7F.
    void SetUp() override {
        SphereSpriteTest::SetUp();
        sphere.normalMap = flat.data();
        sphere.mask = full.data();
        sphere.viewToWorld.setRotation(0.0f, 0.0f, 0.0f);
        sphere.viewRay.set(0.0f, 0.0f, 256.0f);
        sphere.litCentre = lights.at(sphere.position);
        sphere.texStep = 255;
        fill(0x404040);
    }
};

TEST_F(SphereSpanTest, CopiesAndAveragesAcrossTheSpan) {
    sphere.SphereSpan(view, 10, 16, 20);
    for (int y : {20, 21}) {
        EXPECT_EQ(at(9, y), 0x5F5F5Fu);  // before the span: the mean of its first pixel and the one before
        EXPECT_EQ(at(10, y), 0x7F7F7Fu);
        EXPECT_EQ(at(11, y), 0x7E7E7Eu);
        EXPECT_EQ(at(12, y), 0x7F7F7Fu);
        EXPECT_EQ(at(13, y), 0x7E7E7Eu);
        EXPECT_EQ(at(14, y), 0x7F7F7Fu);
        EXPECT_EQ(at(15, y), 0x7F7F7Fu);  // the last odd pixel stays a copy
        EXPECT_EQ(at(8, y), 0x404040u);
        EXPECT_EQ(at(16, y), 0x404040u);
    }
}

TEST_F(SphereSpanTest, SpanAtColumnZeroOfTheFirstRowReachesIntoTheBar) {
    sphere.SphereSpan(view, 0, 4, 0);
    // Column -1 of row 0 is the last pixel of the bar above; of row 1, the last of row 0.
    EXPECT_EQ(frame[96 * 640 - 1], 0x5F5F5Fu);
    EXPECT_EQ(frame[96 * 640 - 2], 0x404040u);
    EXPECT_EQ(at(639, 0), 0x5F5F5Fu);
    EXPECT_EQ(at(0, 0), 0x7F7F7Fu);
    EXPECT_EQ(at(1, 1), 0x7E7E7Eu);
}

TEST_F(SphereSpanTest, AccessesOutsideTheViewportRowsAreRefused) {
    sphere.SphereSpan(view, 0, 6, -1);    // would write the bar above
    sphere.SphereSpan(view, 0, 6, -97);   // would reach before the frame buffer
    sphere.SphereSpan(view, 0, 6, 287);   // its second row would be the bar below
    EXPECT_TRUE(frameIs(0x404040));
    // Columns are kept to 0..639: nothing left of column -1 or right of 639 changes.
    sphere.SphereSpan(view, -6, 700, 10);
    EXPECT_EQ(at(637, 9), 0x404040u);
    EXPECT_EQ(at(638, 9), 0x404040u);
    EXPECT_EQ(at(0, 12), 0x404040u);
    EXPECT_EQ(at(0, 10), 0x7F7F7Fu);
    EXPECT_EQ(at(639, 11), 0x7F7F7Fu);
}

TEST_F(SphereSpanTest, TexelsTruncateTowardZeroAndKeepTheLowSevenBits) {
    // Only texel column 127 is on the disc.
    std::vector<std::uint8_t> column127(128 * 128, 0);
    for (int row = 0; row < 128; ++row) column127[row * 128 + 127] = 1;
    sphere.mask = column127.data();
    sphere.texStep = 100;
    sphere.screenLeft = 10;
    sphere.SphereSpan(view, 5, 12, 20);
    for (int y : {20, 21}) {
        // x = 5, 6, 7: 100 (x - 10) / 256 truncates to -1, column 127; x = 8 on: column 0.
        EXPECT_EQ(at(5, y), 0x7F7F7Fu);
        EXPECT_EQ(at(6, y), 0x7F7F7Fu);  // odd: a copy, and x = 4 the mean of x = 5 and x = 3
        EXPECT_EQ(at(4, y), 0x5F5F5Fu);
        EXPECT_EQ(at(7, y), 0x7F7F7Fu);
        for (int x : {3, 8, 9, 10, 11}) EXPECT_EQ(at(x, y), 0x404040u) << x;
    }
    // Rows: 100 x (20 - 30) / 256 truncates to -3, row 125 (floor would give 124).
    std::vector<std::uint8_t> row125(128 * 128, 0);
    for (int col = 0; col < 128; ++col) row125[125 * 128 + col] = 1;
    sphere.mask = row125.data();
    sphere.screenLeft = 0;
    sphere.screenTop = 30;
    fill(0x404040);
    sphere.SphereSpan(view, 40, 41, 20);
    EXPECT_EQ(at(40, 20), 0x7F7F7Fu);
    EXPECT_EQ(at(40, 21), 0x7F7F7Fu);
}

TEST_F(SphereSpanTest, TriangleScansTheOddRowsOfEachPartOnItsOwn) {
    // Screen points (100, 10), (140, 15), (100, 20) at depth 256 with factor 256.
    sphere.SphereTriangle(view, Vector3(-220.0f, -134.0f, 256.0f), Vector3(-180.0f, -129.0f, 256.0f),
                          Vector3(-220.0f, -124.0f, 256.0f));
    // Upper part rows 10 + i for i = 1, 3; lower part rows 15 + j for j = 1, 3; each
    // with the row below. Rows 10, 15 and 20 are not written.
    for (int y = 9; y <= 21; ++y) {
        const bool written = y == 11 || y == 12 || y == 13 || y == 14 || y == 16 || y == 17 || y == 18 || y == 19;
        EXPECT_EQ(at(100, y), written ? 0x7F7F7Fu : 0x404040u) << y;
    }
    // Row 11: the long edge is at 100, the short one at 100 + 40 / 5 = 108.
    EXPECT_EQ(at(105, 11), 0x7E7E7Eu);
    EXPECT_EQ(at(107, 11), 0x7F7F7Fu);  // the last odd pixel stays a copy
    EXPECT_EQ(at(108, 11), 0x404040u);
}

TEST_F(SphereSpriteTest, SpritesAnywhereInViewLeaveTheBarsAlone) {
    std::vector<std::uint8_t> glowMap = flatIntensity(200);
    GlowSprite glow;
    glow.clipper = &clipper;
    glow.intensityMap = glowMap.data();
    glow.colour = 0x808080;
    std::uint32_t seed = 12345;
    auto next = [&seed](float range) {
        seed = seed * 1664525u + 1013904223u;
        return (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f) * range;
    };
    for (int k = 0; k < 300; ++k) {
        camera.rotation.setRotation(next(512.0f), next(512.0f), next(512.0f));
        sphere.size = 50.0f + std::fabs(next(800.0f));
        sphere.position.set(next(1400.0f), next(1400.0f), next(1400.0f));
        sphere.draw(view, camera, lights);
        glow.size = sphere.size;
        glow.position = sphere.position;
        glow.draw(view, camera, lights);
    }
    int drawn = 0;
    for (int i = 0; i < 640 * 288; ++i) drawn += view[i] != 0;
    EXPECT_GT(drawn, 10000);
    for (int i = 0; i < kViewportOffset; ++i) ASSERT_EQ(frame[i], 0u) << "upper bar pixel " << i;
    for (int i = kViewportOffset + 640 * 288; i < 640 * 480; ++i) ASSERT_EQ(frame[i], 0u) << "lower bar pixel " << i;
}
