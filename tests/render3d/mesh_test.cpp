#include <gtest/gtest.h>

#include <cmath>

#include "render3d/frustum_clipper.h"
#include "render3d/mesh_generators.h"

namespace {

double length(const Vector3& v) { return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z); }

}  // namespace

TEST(Mesh, AllocateRoundsEachCapacityPastTheNextMultipleOfFour) {
    Mesh mesh;
    EXPECT_EQ(mesh.vertices, nullptr);
    mesh.allocate(8, 12, 12);
    EXPECT_EQ(mesh.vertexCapacity, 12u);
    EXPECT_EQ(mesh.faceCapacity, 16u);
    EXPECT_EQ(mesh.centreCapacity, 16u);
    EXPECT_EQ(mesh.faceOrder.capacity, 20u);
    mesh.allocate(128, 256, 256);
    EXPECT_EQ(mesh.vertexCapacity, 132u);
    EXPECT_EQ(mesh.faceCapacity, 260u);
    EXPECT_EQ(mesh.centreCapacity, 260u);
    EXPECT_EQ(mesh.faceOrder.capacity, 264u);
    mesh.allocate(66, 1, 0);
    EXPECT_EQ(mesh.vertexCapacity, 68u);
    EXPECT_EQ(mesh.faceCapacity, 4u);
    EXPECT_EQ(mesh.centreCapacity, 4u);
    EXPECT_EQ(mesh.vertices[67].tag, 0xff00ffu);
}

TEST(Mesh, ClearReleasesEverythingAndKeepsTheBorrowedPointers) {
    Mesh mesh;
    FrustumClipper clipper;
    std::uint32_t map[1] = {0};
    makeTorus(mesh, 10, 10, 40);
    mesh.clipper = &clipper;
    mesh.envMap = map;
    mesh.projectionFactor = 333.0f;
    mesh.colour = 0x123456u;
    mesh.envMapEnabled = 1;
    mesh.visible = 0;
    mesh.position.set(1.0f, 2.0f, 3.0f);
    mesh.orientation.setRotation(10.0f, 20.0f, 30.0f);
    mesh.clear();
    mesh.clear();
    EXPECT_EQ(mesh.vertices, nullptr);
    EXPECT_EQ(mesh.faces, nullptr);
    EXPECT_EQ(mesh.faceOrder.items, nullptr);
    EXPECT_EQ(mesh.vertexCount + mesh.faceCount + mesh.centreCount, 0u);
    EXPECT_EQ(mesh.colour, 0xff00ffu);
    EXPECT_EQ(mesh.envMapEnabled, 0);
    EXPECT_EQ(mesh.visible, 1);
    EXPECT_EQ(mesh.position.x, 0.0f);
    EXPECT_EQ(mesh.orientation.m[0], 1.0f);
    EXPECT_EQ(mesh.clipper, &clipper);
    EXPECT_EQ(mesh.envMap, map);
    EXPECT_EQ(mesh.projectionFactor, 333.0f);
}

TEST(Mesh, TrianglesAndQuadsFillCentresNormalsAndVertexSums) {
    Mesh mesh;
    mesh.allocate(4, 4, 4);
    mesh.addVertex(0.0f, 0.0f, 0.0f);
    mesh.addVertex(1.0f, 0.0f, 0.0f);
    mesh.addVertex(1.0f, 1.0f, 0.0f);
    mesh.addVertex(0.0f, 1.0f, 0.0f);
    EXPECT_EQ(mesh.addTriangle(0, 1, 3), 1u);
    EXPECT_FLOAT_EQ(mesh.faceCentres[0].x, 0.33333334f);
    EXPECT_EQ(mesh.faceNormals[0].z, -256.0f);
    EXPECT_EQ(mesh.addQuad(0, 1, 2, 3), 2u);
    EXPECT_EQ(mesh.faceCount, 3u);
    EXPECT_EQ(mesh.faces[1].centre, 1u);
    EXPECT_EQ(mesh.faces[2].centre, 1u);
    EXPECT_EQ(mesh.faces[2].a, 2u);
    EXPECT_EQ(mesh.faces[2].b, 3u);
    EXPECT_EQ(mesh.faces[2].c, 0u);
    EXPECT_EQ(mesh.faceCentres[1].x, 0.5f);
    EXPECT_EQ(mesh.faceCentres[1].y, 0.5f);
    EXPECT_EQ(mesh.vertexNormals[0].z, -512.0f);  // in both faces
    EXPECT_EQ(mesh.vertexNormals[2].z, -256.0f);  // in the quad only

    // The centre is the sum times the float 0.33333334 (11184811 / 2^25), not a
    // third: 5 x 11184811 / 2^25 = 13981013.75 / 2^23, which rounds to
    // 13981014 / 2^23, where 5 / 3 would round to 13981013 / 2^23.
    Mesh third;
    third.allocate(3, 1, 1);
    third.addVertex(0.0f, 0.0f, 0.0f);
    third.addVertex(2.0f, 1.0f, 0.0f);
    third.addVertex(3.0f, 0.0f, 1.0f);
    third.addTriangle(0, 1, 2);
    EXPECT_EQ(third.faceCentres[0].x, 13981014.0f / 8388608.0f);
}

TEST(Mesh, BuildersStopAtTheCapacities) {
    Mesh mesh;
    mesh.allocate(1, 1, 1);  // 4 of each
    for (int i = 0; i < 6; ++i) mesh.addVertex(static_cast<float>(i), 0.0f, 1.0f);
    EXPECT_EQ(mesh.vertexCount, 4u);
    EXPECT_EQ(mesh.addTriangle(0, 1, 9), 0u);  // names a vertex past the arrays
    for (int i = 0; i < 6; ++i) mesh.addTriangle(0, 1, 2);
    EXPECT_EQ(mesh.faceCount, 4u);
    EXPECT_EQ(mesh.centreCount, 4u);
    Mesh quads;
    quads.allocate(4, 2, 4);  // 8 vertices, 4 faces
    for (int i = 0; i < 4; ++i) quads.addVertex(static_cast<float>(i & 1), static_cast<float>(i >> 1), 0.0f);
    quads.addQuad(0, 1, 3, 2);
    quads.addQuad(0, 1, 3, 2);
    EXPECT_EQ(quads.addQuad(0, 1, 3, 2), 2u);  // a third would need faces 4 and 5
    EXPECT_EQ(quads.faceCount, 4u);
}

TEST(MeshGenerators, BoxNormalsPointInwards) {
    Mesh box;
    makeBox(box, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(box.vertexCount, 8u);
    EXPECT_EQ(box.faceCount, 12u);
    EXPECT_EQ(box.centreCount, 6u);
    EXPECT_EQ(box.visible, 1);
    EXPECT_EQ(box.faceNormals[0].x, 0.0f);
    EXPECT_EQ(box.faceNormals[0].y, -256.0f);
    EXPECT_EQ(box.faceNormals[0].z, 0.0f);
    for (std::uint32_t i = 0; i < box.centreCount; ++i) {
        const Vector3& c = box.faceCentres[i];
        const Vector3& n = box.faceNormals[i];
        EXPECT_NEAR(length(c), 1.0, 1e-6) << i;
        EXPECT_NEAR(c.x * n.x + c.y * n.y + c.z * n.z, -256.0, 1e-4) << i;  // against the outward centre
    }
    for (std::uint32_t i = 0; i < box.vertexCount; ++i) {
        const Vector3& v = box.vertices[i];
        const Vector3& n = box.vertexNormals[i];
        EXPECT_EQ(n.x, -256.0f * v.x) << i;
        EXPECT_EQ(n.y, -256.0f * v.y) << i;
        EXPECT_EQ(n.z, -256.0f * v.z) << i;
    }
}

TEST(MeshGenerators, TorusCountsAndUnitNormals) {
    Mesh torus;
    makeTorus(torus, 48.0f, 48.0f, 160.0f);
    EXPECT_EQ(torus.vertexCount, 128u);
    EXPECT_EQ(torus.faceCount, 256u);
    EXPECT_EQ(torus.centreCount, 256u);
    for (std::uint32_t i = 0; i < torus.faceCount; ++i) EXPECT_EQ(torus.faces[i].centre, i);
    // (8i + j', 8i + j, 8i' + j) then (8i + j', 8i' + j, 8i' + j'), i outer.
    auto expectFace = [&](std::uint32_t f, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        EXPECT_EQ(torus.faces[f].a, a) << f;
        EXPECT_EQ(torus.faces[f].b, b) << f;
        EXPECT_EQ(torus.faces[f].c, c) << f;
    };
    expectFace(0, 1, 0, 8);
    expectFace(1, 1, 8, 9);
    expectFace(15, 0, 15, 8);      // i = 0, j = 7: j' wraps to 0
    expectFace(254, 120, 127, 7);  // i = 15, j = 7: i' wraps to 0
    expectFace(255, 120, 7, 0);
    for (std::uint32_t i = 0; i < torus.vertexCount; ++i) EXPECT_NEAR(length(torus.vertexNormals[i]), 256.0, 1e-3);
    // Vertex (i, j) = 8i + j: ring 4 (a quarter turn) at phi = 0 sits at (-208, 0, 0).
    EXPECT_NEAR(torus.vertices[32].x, -208.0, 1e-4);
    EXPECT_NEAR(torus.vertices[32].y, 0.0, 1e-4);
    // Normals point into the tube: at the outermost point, towards the ring's axis.
    EXPECT_NEAR(torus.vertexNormals[32].x, 256.0, 1.0);
    // Every face normal points into the tube, towards the circle of radius c.
    for (std::uint32_t i = 0; i < torus.centreCount; ++i) {
        const Vector3& c = torus.faceCentres[i];
        const double r = std::sqrt(double(c.x) * c.x + double(c.y) * c.y);
        const Vector3 towardsCore(static_cast<float>(c.x * 160.0 / r - c.x), static_cast<float>(c.y * 160.0 / r - c.y),
                                  -c.z);
        EXPECT_GT(towardsCore.dotScaled(torus.faceNormals[i]), 0.0f) << i;
    }
}

TEST(MeshGenerators, TubeCountsCapsAndEndNormals) {
    Mesh tube;
    makeTube(tube, 20.0f, 30.0f, 2.0f);
    EXPECT_EQ(tube.vertexCount, 66u);
    EXPECT_EQ(tube.faceCount, 128u);
    EXPECT_EQ(tube.centreCount, 128u);
    for (std::uint32_t i = 0; i < 112; ++i) {
        EXPECT_LT(tube.faces[i].a, 64u);
        EXPECT_LT(tube.faces[i].b, 64u);
        EXPECT_LT(tube.faces[i].c, 64u);
    }
    for (std::uint32_t i = 112; i < 128; ++i) EXPECT_EQ(tube.faces[i].a, (i % 2 == 0) ? 64u : 65u) << i;
    auto expectFace = [&](std::uint32_t f, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        EXPECT_EQ(tube.faces[f].a, a) << f;
        EXPECT_EQ(tube.faces[f].b, b) << f;
        EXPECT_EQ(tube.faces[f].c, c) << f;
    };
    expectFace(0, 0, 9, 1);       // sides: (8t + k, 8(t+1) + k', 8t + k')
    expectFace(1, 0, 8, 9);       // and (8t + k, 8(t+1) + k, 8(t+1) + k')
    expectFace(110, 55, 56, 48);  // t = 6, k = 7, k' = 0
    expectFace(111, 55, 63, 56);
    expectFace(112, 64, 0, 1);    // caps: (64, k, k') and (65, 56 + k', 56 + k)
    expectFace(113, 65, 57, 56);
    expectFace(127, 65, 56, 63);
    double sx = 0, sy = 0, sz = 0;
    for (std::uint32_t i = 112; i < 128; i += 2) {
        sx += tube.faceNormals[i].x;
        sy += tube.faceNormals[i].y;
        sz += tube.faceNormals[i].z;
    }
    const double s = std::sqrt(sx * sx + sy * sy + sz * sz);
    EXPECT_NEAR(tube.vertexNormals[64].x, 256.0 * sx / s, 1e-3);
    EXPECT_NEAR(tube.vertexNormals[64].y, 256.0 * sy / s, 1e-3);
    EXPECT_NEAR(tube.vertexNormals[64].z, 256.0 * sz / s, 1e-3);
    EXPECT_GT(tube.vertexNormals[64].x, 255.0);  // into the tube from its -x end
    EXPECT_LT(tube.vertexNormals[65].x, -255.0);
    for (std::uint32_t i = 0; i < tube.vertexCount; ++i) EXPECT_NEAR(length(tube.vertexNormals[i]), 256.0, 1e-3);
    EXPECT_EQ(tube.vertices[64].x, -90.0f);
    EXPECT_EQ(tube.vertices[65].x, 90.0f);
    // Ring 0: x = -70, radius (0.5 sin 0 + 1) * 30.
    EXPECT_NEAR(tube.vertices[0].x, -70.0, 1e-5);
    EXPECT_NEAR(tube.vertices[0].z, 30.0, 1e-5);
}
