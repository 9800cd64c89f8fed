#include <gtest/gtest.h>

#include <random>

#include "image2d/pixel_ops.h"
#include "render3d/frustum_clipper.h"
#include "render3d/projection.h"

namespace {

// Barycentric coordinates of p in the plane of triangle abc; all in [0, 1]
// when p lies inside it.
bool insideTriangle(const Vector3& p, const Vector3& a, const Vector3& b, const Vector3& c) {
    const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    const double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    const double wx = p.x - a.x, wy = p.y - a.y, wz = p.z - a.z;
    const double uu = ux * ux + uy * uy + uz * uz, vv = vx * vx + vy * vy + vz * vz, uv = ux * vx + uy * vy + uz * vz;
    const double wu = wx * ux + wy * uy + wz * uz, wv = wx * vx + wy * vy + wz * vz;
    const double det = uu * vv - uv * uv;
    const double s = (vv * wu - uv * wv) / det, t = (uu * wv - uv * wu) / det;
    // How far p lies off the plane, relative to the triangle's size.
    const double nx = s * ux + t * vx - wx, ny = s * uy + t * vy - wy, nz = s * uz + t * vz - wz;
    const double off = (nx * nx + ny * ny + nz * nz) / (uu + vv);
    const double eps = 1e-4;
    return s >= -eps && t >= -eps && s + t <= 1 + eps && off < 1e-8;
}

void expectPoint(const Vector3& v, double x, double y, double z, double tolerance = 1e-3) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

class FrustumClipperTest : public ::testing::Test {
protected:
    void SetUp() override { clipper.build(256.0f); }
    FrustumClipper clipper;
    Vector3* polygon = nullptr;
};

}  // namespace

TEST_F(FrustumClipperTest, TriangleInsideComesBackUnchanged) {
    const Vector3 a(0.0f, 0.0f, 256.0f, 1u), b(100.0f, 0.0f, 256.0f, 2u), c(0.0f, 100.0f, 256.0f, 3u);
    ASSERT_EQ(clipper.clipTriangle(a, b, c, polygon), 3);
    ASSERT_EQ(polygon, clipper.buffer);
    expectPoint(polygon[0], 0, 0, 256, 0);
    expectPoint(polygon[1], 100, 0, 256, 0);
    expectPoint(polygon[2], 0, 100, 256, 0);
    EXPECT_EQ(polygon[0].tag, 1u);
    EXPECT_EQ(polygon[1].tag, 2u);
    EXPECT_EQ(polygon[2].tag, 3u);
}

TEST_F(FrustumClipperTest, TriangleBehindTheNearPlaneVanishes) {
    EXPECT_EQ(clipper.clipTriangle(Vector3(0, 0, 63.9f), Vector3(10, 0, 10), Vector3(0, 10, -50), polygon), 0);
}

TEST_F(FrustumClipperTest, TriangleStraddlingTheNearPlaneBecomesAQuadWithBlendedColours) {
    const Vector3 a(0.0f, 0.0f, 32.0f, 0x000000u), b(-10.0f, 0.0f, 128.0f, 0x00ff00u),
        c(10.0f, 0.0f, 128.0f, 0xff0000u);
    ASSERT_EQ(clipper.clipTriangle(a, b, c, polygon), 4);
    // Each new point runs from the current vertex towards the previous one.
    expectPoint(polygon[0], 10.0 / 3, 0, 64);  // on a->c, a third of the way
    EXPECT_EQ(polygon[0].tag, blend(0x000000u, 0xff0000u, 85));
    expectPoint(polygon[1], -10.0 / 3, 0, 64);  // on b->a, two thirds of the way
    EXPECT_EQ(polygon[1].tag, blend(0x00ff00u, 0x000000u, 170));
    expectPoint(polygon[2], -10, 0, 128, 0);
    expectPoint(polygon[3], 10, 0, 128, 0);
    EXPECT_EQ(polygon[2].tag, 0x00ff00u);
    EXPECT_EQ(polygon[3].tag, 0xff0000u);
}

TEST_F(FrustumClipperTest, VertexOnAPlaneIsInsideAndAppearsTwice) {
    const Vector3 on(0.0f, 0.0f, 64.0f, 0x0000ffu), out(-10.0f, 0.0f, 32.0f, 0xff0000u),
        in(10.0f, 0.0f, 128.0f, 0x00ff00u);
    ASSERT_EQ(clipper.clipTriangle(on, out, in, polygon), 4);
    expectPoint(polygon[0], 0, 0, 64, 0);
    expectPoint(polygon[1], 0, 0, 64, 0);  // the crossing of out->on is on itself
    EXPECT_EQ(polygon[0].tag, 0x0000ffu);
    // The copy takes the colour of the vertex on the plane (weight 255, not 256 acting as 0).
    EXPECT_EQ(polygon[1].tag, blend(0xff0000u, 0x0000ffu, 255));
    expectPoint(polygon[3], 10, 0, 128, 0);
}

TEST_F(FrustumClipperTest, SquareInsideKeepsItsFourCornersAndTheCentreColour) {
    ASSERT_EQ(clipper.clipSquare(Vector3(0.0f, 0.0f, 256.0f, 0x203040u), 100.0f, polygon), 4);
    const double corners[4][2] = {{-50, -50}, {50, -50}, {50, 50}, {-50, 50}};
    for (int i = 0; i < 4; ++i) {
        expectPoint(polygon[i], corners[i][0], corners[i][1], 256, 0);
        EXPECT_EQ(polygon[i].tag, 0x203040u);
    }
}

TEST_F(FrustumClipperTest, SidePlanesFollowTheViewportEdges) {
    // Plane 1 is the right-hand one.
    clipper.currentInside = clipper.insidePoints[1];
    clipper.currentOutside = clipper.outsidePoints[1];
    EXPECT_TRUE(clipper.isInside(Vector3(319.0f, 0.0f, 256.0f)));
    EXPECT_FALSE(clipper.isInside(Vector3(321.0f, 0.0f, 256.0f)));
    // Vertically the edges sit at 143, one row inside the 144 half-height.
    clipper.currentInside = clipper.insidePoints[2];
    clipper.currentOutside = clipper.outsidePoints[2];
    EXPECT_TRUE(clipper.isInside(Vector3(0.0f, 142.5f, 256.0f)));
    EXPECT_FALSE(clipper.isInside(Vector3(0.0f, 143.5f, 256.0f)));
    clipper.currentInside = clipper.insidePoints[4];
    clipper.currentOutside = clipper.outsidePoints[4];
    EXPECT_TRUE(clipper.isInside(Vector3(0.0f, -142.5f, 256.0f)));
    EXPECT_FALSE(clipper.isInside(Vector3(0.0f, -143.5f, 256.0f)));
    clipper.currentInside = clipper.insidePoints[3];
    clipper.currentOutside = clipper.outsidePoints[3];
    EXPECT_TRUE(clipper.isInside(Vector3(-319.0f, 0.0f, 256.0f)));
    EXPECT_FALSE(clipper.isInside(Vector3(-321.0f, 0.0f, 256.0f)));
}

TEST(FrustumClipper, EveryClippedPointLiesOnItsTriangleAndProjectsInsideRowsOneTo287) {
    for (float factor : {256.0f, 333.0f, 120.0f}) {
        FrustumClipper clipper;
        clipper.build(factor);
        std::mt19937 random(11);
        std::uniform_real_distribution<float> coordinate(-3000.0f, 3000.0f);
        Vector3* polygon = nullptr;
        int clippedSome = 0;
        for (int trial = 0; trial < 5000; ++trial) {
            Vector3 v[3];
            for (Vector3& p : v) p.set(coordinate(random), coordinate(random), coordinate(random));
            const int n = clipper.clipTriangle(v[0], v[1], v[2], polygon);
            ASSERT_TRUE(n == 0 || (n >= 3 && n <= 8)) << n;
            if (n > 3) ++clippedSome;
            for (int i = 0; i < n; ++i) {
                ASSERT_TRUE(insideTriangle(polygon[i], v[0], v[1], v[2])) << trial << " vertex " << i;
                ASSERT_GE(polygon[i].z, 63.99f);
                const ScreenPoint s = projectToScreen(polygon[i], factor);
                ASSERT_GE(s.x, 0);
                ASSERT_LE(s.x, 640);
                ASSERT_GE(s.y, 1);
                ASSERT_LE(s.y, 287);
            }
        }
        EXPECT_GT(clippedSome, 100);
    }
}

TEST(FrustumClipper, PolygonsCannotGrowPastTheirHalfOfTheBuffer) {
    FrustumClipper clipper;
    clipper.build(256.0f);
    // A zigzag of 16 points alternately in front of and behind the near plane
    // would make 24 vertices; the output stops at 16.
    for (int i = 0; i < 16; ++i) {
        clipper.buffer[i].set(static_cast<float>(i), static_cast<float>(i % 3), (i % 2) ? 200.0f : 0.0f);
    }
    clipper.currentInside = clipper.insidePoints[0];
    clipper.currentOutside = clipper.outsidePoints[0];
    int count = 16;
    clipper.clipCurrent(count);
    EXPECT_EQ(count, 16);
}

TEST(FrustumClipper, ReleaseTwiceAndUnbuiltClipperAreHarmless) {
    FrustumClipper clipper;
    Vector3* polygon = reinterpret_cast<Vector3*>(&clipper);
    EXPECT_EQ(clipper.clipTriangle(Vector3(0, 0, 100), Vector3(1, 0, 100), Vector3(0, 1, 100), polygon), 0);
    EXPECT_EQ(clipper.clipSquare(Vector3(0, 0, 100), 10.0f, polygon), 0);
    clipper.build(256.0f);
    clipper.build(333.0f);  // a rebuild reuses the arrays
    EXPECT_EQ(clipper.planeCount, 5u);
    clipper.release();
    clipper.release();
    EXPECT_EQ(clipper.buffer, nullptr);
    EXPECT_EQ(clipper.planeCount, 0u);
}
