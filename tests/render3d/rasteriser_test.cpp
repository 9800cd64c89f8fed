#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "image2d/pixel_ops.h"
#include "render3d/mesh.h"

namespace {

constexpr std::uint32_t kUntouched = 0x123456u;

// With factor 256 and z = 256 a camera-space point projects to (x + 320, y + 144).
Vector3 atPixel(int x, int y, std::uint32_t colour) {
    return Vector3(static_cast<float>(x - 320), static_cast<float>(y - 144), 256.0f, colour);
}

class RasteriserTest : public ::testing::Test {
protected:
    RasteriserTest() : viewport(640 * 288, kUntouched) {}
    std::uint32_t& pixel(int x, int y) { return viewport[y * 640 + x]; }
    int touched() const {
        return static_cast<int>(std::count_if(viewport.begin(), viewport.end(), [](std::uint32_t p) {
            return p != kUntouched;
        }));
    }
    std::vector<std::uint32_t> viewport;
    Mesh mesh;
};

}  // namespace

TEST_F(RasteriserTest, TenPixelTriangleLeavesTheBottomRowAndRightEndsOut) {
    mesh.GouraudTriangle(viewport.data(), atPixel(0, 0, 0xffffffu), atPixel(10, 0, 0xffffffu),
                         atPixel(0, 10, 0xffffffu), 256.0f);
    for (int r = 0; r < 10; ++r) {
        for (int x = 0; x <= 9 - r; ++x) EXPECT_EQ(pixel(x, r), 0xffffffu) << x << "," << r;
        EXPECT_EQ(pixel(10 - r, r), kUntouched) << r;
    }
    EXPECT_EQ(pixel(10, 0), kUntouched);
    EXPECT_EQ(pixel(0, 10), kUntouched);
    EXPECT_EQ(touched(), 55);
}

TEST_F(RasteriserTest, TheVertexOrderDoesNotChangeTheCoverage) {
    const Vector3 a = atPixel(100, 20, 0xffffffu), b = atPixel(160, 90, 0xffffffu), c = atPixel(40, 200, 0xffffffu);
    mesh.GouraudTriangle(viewport.data(), a, b, c, 256.0f);
    const std::vector<std::uint32_t> first = viewport;
    std::fill(viewport.begin(), viewport.end(), kUntouched);
    mesh.GouraudTriangle(viewport.data(), c, a, b, 256.0f);
    EXPECT_EQ(viewport, first);
    // Row 20 is the top vertex alone; row 199 is the last one drawn.
    EXPECT_EQ(pixel(100, 20), kUntouched);
    EXPECT_NE(pixel(41, 199), kUntouched);
    for (int x = 0; x < 640; ++x) EXPECT_EQ(pixel(x, 200), kUntouched);
}

TEST_F(RasteriserTest, TooNearOrFlatTrianglesDrawNothing) {
    Vector3 a = atPixel(10, 10, 0xffffffu), b = atPixel(50, 10, 0xffffffu), c = atPixel(10, 50, 0xffffffu);
    // (10, 50) seen at depth 31.9 and at depth 32.
    Vector3 near(-310.0f * 31.9f / 256.0f, -94.0f * 31.9f / 256.0f, 31.9f, 0xffffffu);
    mesh.GouraudTriangle(viewport.data(), a, b, near, 256.0f);
    mesh.EnvGouraudTriangle(viewport.data(), near, b, c, 256.0f);
    EXPECT_EQ(touched(), 0);
    near.set(-310.0f / 8.0f, -94.0f / 8.0f, 32.0f);
    mesh.GouraudTriangle(viewport.data(), a, b, near, 256.0f);
    EXPECT_GT(touched(), 0);
    std::fill(viewport.begin(), viewport.end(), kUntouched);
    mesh.GouraudTriangle(viewport.data(), a, b, atPixel(90, 10, 0xffffffu), 256.0f);
    EXPECT_EQ(touched(), 0);
}

TEST_F(RasteriserTest, SpanBlendsFromTheLeftColourWithoutReachingTheRight) {
    Mesh::GouraudSpan(&pixel(5, 5), 4, 0x000000u, 0xffffffu);
    EXPECT_EQ(pixel(5, 5), 0x000000u);
    EXPECT_EQ(pixel(6, 5), 0x3f3f3fu);
    EXPECT_EQ(pixel(7, 5), 0x7f7f7fu);
    EXPECT_EQ(pixel(8, 5), 0xbfbfbfu);
    EXPECT_EQ(pixel(9, 5), kUntouched);
    Mesh::GouraudSpan(&pixel(5, 6), 0, 0x000000u, 0xffffffu);
    Mesh::GouraudSpan(&pixel(5, 6), -3, 0x000000u, 0xffffffu);
    EXPECT_EQ(pixel(5, 6), kUntouched);
}

TEST_F(RasteriserTest, EdgeColoursUseExactDivisionTruncatingTowardZero) {
    // The long edge runs down column 0 from blue to green; the third vertex is off to the right.
    mesh.GouraudTriangle(viewport.data(), atPixel(0, 0, 0x0000ffu), atPixel(60, 15, 0xff0000u),
                         atPixel(0, 30, 0x00ff00u), 256.0f);
    // Row 7: blue 255 + (7 * -255) / 30 = 255 - 59, green (7 * 255) / 30 = 59.
    EXPECT_EQ(pixel(0, 7), 0x003bc4u);
    // Row 20 (lower part, k = 20): blue 255 - 170 = 85, green 170.
    EXPECT_EQ(pixel(0, 20), 0x00aa55u);
}

TEST_F(RasteriserTest, ReflectiveLookupFollowsTheReflectedDirection) {
    std::vector<std::uint32_t> map(256 * 256, 0);
    mesh.envMap = map.data();
    mesh.projectionFactor = 256.0f;
    struct Case {
        float row2[3];  // third row of viewToWorld: where the central ray (0, 0, 256) goes
        float normal[3];
        int u, v;
    };
    const Case cases[] = {
        {{0.0f, 0.0f, -1.0f}, {0, 0, 0}, 255, 0},                   // (0, 0, -256): back hemisphere
        {{0.0f, 0.0f, 1.0f}, {0, 0, 0}, 0, 0},                      // (0, 0, 256)
        {{100.0f / 256, 60.0f / 256, 10.0f / 256}, {0, 0, 0}, 50, 30},  // (100, 60, 10)
        {{0.0f, 0.0f, 1.0f}, {0, 0, 256}, 255, 0},                  // reflected straight back
        {{100.0f / 256, 60.0f / 256, 0.0f}, {0, 0, 0}, 50, 30},     // z = 0: not the back
    };
    for (const Case& c : cases) {
        mesh.viewToWorld.setRotation(0.0f, 0.0f, 0.0f);
        for (int i = 0; i < 3; ++i) mesh.viewToWorld.m[6 + i] = c.row2[i];
        mesh.spanNormalLeft.set(c.normal[0], c.normal[1], c.normal[2]);
        mesh.spanNormalRight = mesh.spanNormalLeft;
        std::fill(map.begin(), map.end(), 0u);
        map[c.v * 256 + c.u] = 0xffffffu;
        pixel(320, 144) = kUntouched;
        mesh.EnvGouraudSpan(viewport.data(), 320, 321, 144, 0x000000u, 0xffffffu);
        EXPECT_EQ(pixel(320, 144), 0x7f7f7fu) << c.u << "," << c.v;
    }
    EXPECT_EQ(pixel(321, 144), kUntouched);
}

TEST_F(RasteriserTest, ReflectiveSpanAveragesGouraudAndTexel) {
    std::vector<std::uint32_t> map(256 * 256, 0x204060u);
    mesh.envMap = map.data();
    mesh.projectionFactor = 256.0f;
    mesh.viewToWorld.setRotation(0.0f, 0.0f, 0.0f);
    mesh.spanNormalLeft.set(0.0f, 0.0f, 0.0f);
    mesh.spanNormalRight.set(0.0f, 0.0f, 0.0f);
    mesh.EnvGouraudSpan(viewport.data(), 10, 14, 3, 0x000000u, 0xffffffu);
    const std::uint32_t gouraud[4] = {0x000000u, 0x3f3f3fu, 0x7f7f7fu, 0xbfbfbfu};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(pixel(10 + k, 3), average(gouraud[k], 0x204060u)) << k;
    EXPECT_EQ(pixel(14, 3), kUntouched);
    mesh.EnvGouraudSpan(viewport.data(), 20, 20, 3, 0, 0);
    EXPECT_EQ(pixel(20, 3), kUntouched);
    // Pixel 1 of 2 blends 0x010101 towards white by 128: 1 + (254 * 128 >> 8)
    // = 128 per channel; averaged with a black texel, 0x404040.
    std::fill(map.begin(), map.end(), 0u);
    mesh.EnvGouraudSpan(viewport.data(), 30, 32, 3, 0x010101u, 0xffffffu);
    EXPECT_EQ(pixel(30, 3), 0x000000u);
    EXPECT_EQ(pixel(31, 3), 0x404040u);
}

TEST_F(RasteriserTest, ReflectiveSpanRunsBetweenTheTwoReflectedEndRays) {
    // Row 144 from column 320 to 576 (256 pixels) with factor 256: the end rays
    // are (0, 0, 256) and (256, 0, 256) at length 256, (181.02, 0, 181.02).
    // The left normal is zero (no change); the right one, (256, 0, 0), turns
    // the right ray to (-181.02, 0, 181.02). Pixel k looks along
    // x = -181.02 k / 256: k = 128 gives trunc(-45.25) = -45, u = 211; k = 255
    // gives trunc(-90.16) = -90, u = 166; z stays positive, v = 0.
    std::vector<std::uint32_t> map(256 * 256);
    for (std::uint32_t i = 0; i < map.size(); ++i) map[i] = (i * 2654435761u) & 0xfefefeu;
    mesh.envMap = map.data();
    mesh.projectionFactor = 256.0f;
    mesh.viewToWorld.setRotation(0.0f, 0.0f, 0.0f);
    mesh.spanNormalLeft.set(0.0f, 0.0f, 0.0f);
    mesh.spanNormalRight.set(256.0f, 0.0f, 0.0f);
    mesh.EnvGouraudSpan(viewport.data(), 320, 576, 144, 0x000000u, 0x000000u);
    EXPECT_EQ(pixel(320, 144), map[0] / 2);
    EXPECT_EQ(pixel(320 + 128, 144), map[211] / 2);
    EXPECT_EQ(pixel(320 + 255, 144), map[166] / 2);
    EXPECT_EQ(pixel(576, 144), kUntouched);
}

TEST_F(RasteriserTest, ReflectiveTriangleSortsItsCornerNormalsWithTheVertices) {
    std::vector<std::uint32_t> map(256 * 256, 0u);
    mesh.envMap = map.data();
    mesh.projectionFactor = 256.0f;
    mesh.viewToWorld.setRotation(0.0f, 0.0f, 0.0f);
    mesh.cornerNormals[0].set(1.0f, 0.0f, 0.0f);  // bottom vertex
    mesh.cornerNormals[1].set(2.0f, 0.0f, 0.0f);  // middle
    mesh.cornerNormals[2].set(3.0f, 0.0f, 0.0f);  // top
    mesh.EnvGouraudTriangle(viewport.data(), atPixel(50, 80, 0xffffffu), atPixel(90, 40, 0xffffffu),
                            atPixel(60, 10, 0xffffffu), 256.0f);
    EXPECT_EQ(mesh.cornerNormals[0].x, 3.0f);
    EXPECT_EQ(mesh.cornerNormals[1].x, 2.0f);
    EXPECT_EQ(mesh.cornerNormals[2].x, 1.0f);
    // White Gouraud colour over a black map.
    EXPECT_EQ(pixel(65, 40), 0x7f7f7fu);
    EXPECT_EQ(pixel(60, 80), kUntouched);

    // With ties the three compare-and-swaps decide: rows (50, 50, 10) swap the
    // first and last (10, 50, 50) and then nothing, so the normals end 3 2 1;
    // sorting b/c first would end 3 1 2.
    mesh.cornerNormals[0].set(1.0f, 0.0f, 0.0f);
    mesh.cornerNormals[1].set(2.0f, 0.0f, 0.0f);
    mesh.cornerNormals[2].set(3.0f, 0.0f, 0.0f);
    mesh.EnvGouraudTriangle(viewport.data(), atPixel(100, 50, 0xffffffu), atPixel(140, 50, 0xffffffu),
                            atPixel(120, 10, 0xffffffu), 256.0f);
    EXPECT_EQ(mesh.cornerNormals[0].x, 3.0f);
    EXPECT_EQ(mesh.cornerNormals[1].x, 2.0f);
    EXPECT_EQ(mesh.cornerNormals[2].x, 1.0f);
}
