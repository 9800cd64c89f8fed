#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "render3d/camera.h"
#include "render3d/frustum_clipper.h"
#include "render3d/light_set.h"
#include "render3d/mesh_generators.h"

namespace {

constexpr std::uint32_t kUntouched = 0x123456u;

class MeshDrawTest : public ::testing::Test {
protected:
    MeshDrawTest() : frame(640 * 290, kUntouched) {}
    void SetUp() override {
        clipper.build(256.0f);
        camera.reset();
        sun.tag = 0xffffffu;
        lights.lights[0] = &sun;
        lights.count = 1;
        lights.directionalIndex = 0;
    }
    // The viewport proper, with one guard row above and below it.
    std::uint32_t* viewport() { return frame.data() + 640; }
    std::uint32_t& pixel(int x, int y) { return viewport()[y * 640 + x]; }
    int touchedRows(int row) {
        int n = 0;
        for (int x = 0; x < 640; ++x) n += (pixel(x, row) != kUntouched);
        return n;
    }
    int touched() {
        return static_cast<int>(std::count_if(frame.begin(), frame.end(), [](std::uint32_t p) { return p != kUntouched; }));
    }
    // Vertices whose lit colour was written this frame: the corners of drawn faces.
    std::vector<int> litVertices(const Mesh& mesh) {
        std::vector<int> lit;
        for (std::uint32_t i = 0; i < mesh.vertexCount; ++i) {
            if (mesh.viewVertices[i].tag != 0xff00ffu) lit.push_back(static_cast<int>(i));
        }
        return lit;
    }
    std::vector<std::uint32_t> frame;
    FrustumClipper clipper;
    Camera camera;
    Vector3 sun;
    LightSet lights;
};

}  // namespace

TEST_F(MeshDrawTest, BoxSeenAlongAnAxisDrawsOnlyItsNearFace) {
    Mesh box;
    makeBox(box, 100.0f, 100.0f, 100.0f);
    box.clipper = &clipper;
    box.colour = 0xffffffu;
    box.draw(viewport(), camera, lights);
    // The face at z = -100 is quad (3, 2, 6, 7).
    EXPECT_EQ(litVertices(box), (std::vector<int>{2, 3, 6, 7}));
    EXPECT_EQ(box.faceOrder.count, 12u);
    // It covers the projection of the square 412 units away: 100 * 256 / 412 = 62.1.
    EXPECT_NE(pixel(320, 144), kUntouched);
    EXPECT_NE(pixel(258, 82), kUntouched);
    EXPECT_EQ(pixel(257, 144), kUntouched);
    EXPECT_EQ(pixel(382, 144), kUntouched);  // right end not drawn
    EXPECT_EQ(pixel(320, 206), kUntouched);  // bottom row not drawn
    EXPECT_EQ(touched(), 124 * 124);
}

TEST_F(MeshDrawTest, TheMeshOrientationTurnsFaceNormalsAndVertexNormals) {
    // A quarter turn of the second angle takes object +y to world +z and +z to
    // -y, so the side at object y = -100 (quad 7, 6, 5, 4) faces the eye.
    // Corner normals turn with it: vertices 4 and 5 (object z = +100) end up
    // with y = +256, lit by the directional light along +y (trunc(1951 * 255)
    // / 2048 = 242); vertices 6 and 7 get y = -256 and stay black.
    Mesh box;
    makeBox(box, 100.0f, 100.0f, 100.0f);
    box.orientation.setRotation(0.0f, 128.0f, 0.0f);
    box.clipper = &clipper;
    box.colour = 0xffffffu;
    box.draw(viewport(), camera, lights);
    EXPECT_EQ(litVertices(box), (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(box.viewVertices[4].tag, 0xf2f2f2u);
    EXPECT_EQ(box.viewVertices[5].tag, 0xf2f2f2u);
    EXPECT_EQ(box.viewVertices[6].tag, 0x000000u);
    EXPECT_EQ(box.viewVertices[7].tag, 0x000000u);
}

TEST_F(MeshDrawTest, ReflectionsAreLookedUpInWorldDirections) {
    // A camera at (-512, 0, 0) looking at the origin has turned from looking
    // along +z (right = +x) to looking along +x, so its right is now world -z:
    // the draw's viewToWorld must take the view axis (0, 0, 1) to +x and the
    // screen's right (1, 0, 0) to -z.
    camera.position.set(-512.0f, 0.0f, 0.0f);
    camera.lookAt(Vector3(0.0f, 0.0f, 0.0f));
    camera.factor = 300.0f;
    Mesh box;
    makeBox(box, 100.0f, 100.0f, 100.0f);
    box.clipper = &clipper;
    box.draw(viewport(), camera, lights);
    Vector3 axis(0.0f, 0.0f, 1.0f), right(1.0f, 0.0f, 0.0f);
    axis.transform(box.viewToWorld);
    right.transform(box.viewToWorld);
    EXPECT_NEAR(axis.x, 1.0, 1e-6);
    EXPECT_NEAR(axis.z, 0.0, 1e-6);
    EXPECT_NEAR(right.x, 0.0, 1e-6);
    EXPECT_NEAR(right.z, -1.0, 1e-6);
    EXPECT_EQ(box.projectionFactor, 300.0f);
}

TEST_F(MeshDrawTest, BoxSeenFromInsideDrawsNothing) {
    Mesh box;
    makeBox(box, 100.0f, 100.0f, 100.0f);
    box.clipper = &clipper;
    box.position.set(0.0f, 0.0f, -512.0f);
    box.draw(viewport(), camera, lights);
    EXPECT_TRUE(litVertices(box).empty());
    EXPECT_EQ(touched(), 0);
}

TEST_F(MeshDrawTest, UnbuiltOrUnclippedMeshesDrawNothing) {
    Mesh empty;
    empty.clipper = &clipper;
    empty.draw(viewport(), camera, lights);
    Mesh box;
    makeBox(box, 100.0f, 100.0f, 100.0f);  // no clipper set
    box.draw(viewport(), camera, lights);
    box.clipper = &clipper;
    box.envMapEnabled = 1;  // reflective but without a map
    box.draw(viewport(), camera, lights);
    EXPECT_EQ(touched(), 0);
}

TEST_F(MeshDrawTest, InvisibleMeshStillTransformsAndOrders) {
    Mesh torus;
    makeTorus(torus, 48.0f, 48.0f, 160.0f);
    torus.clipper = &clipper;
    torus.visible = 0;
    torus.position.set(0.0f, 0.0f, 200.0f);
    torus.draw(viewport(), camera, lights);
    EXPECT_EQ(touched(), 0);
    EXPECT_EQ(torus.faceOrder.count, 256u);
    EXPECT_FLOAT_EQ(torus.viewVertices[0].z, 712.0f);  // vertex 0 lies at z = 0 in the torus
    EXPECT_TRUE(litVertices(torus).empty());
}

TEST_F(MeshDrawTest, WithoutLightsGouraudIsBlackAndReflectionIsHalfTheMap) {
    Mesh box;
    makeBox(box, 100.0f, 100.0f, 100.0f);
    box.clipper = &clipper;
    box.colour = 0xffffffu;
    lights.count = 0;
    box.draw(viewport(), camera, lights);
    EXPECT_EQ(pixel(320, 144), 0u);
    std::vector<std::uint32_t> map(256 * 256, 0xffffffu);
    box.envMap = map.data();
    box.envMapEnabled = 1;
    box.draw(viewport(), camera, lights);
    EXPECT_EQ(pixel(320, 144), 0x7f7f7fu);
    EXPECT_EQ(pixel(300, 100), 0x7f7f7fu);
}

TEST_F(MeshDrawTest, FarFacesAreDrawnFirst) {
    // Two parallel squares facing the camera; the near one must end up on top.
    Mesh pair;
    pair.allocate(8, 4, 2);
    const float z[2] = {300.0f, 0.0f};  // listed far first, then near
    for (int s = 0; s < 2; ++s) {
        pair.addVertex(-50.0f, -50.0f, z[s]);
        pair.addVertex(50.0f, -50.0f, z[s]);
        pair.addVertex(50.0f, 50.0f, z[s]);
        pair.addVertex(-50.0f, 50.0f, z[s]);
    }
    // Normals point away from the eye (+z) for a face turned towards it.
    pair.addQuad(0, 3, 2, 1);
    pair.addQuad(4, 7, 6, 5);
    pair.clipper = &clipper;
    pair.colour = 0xff0000u;
    pair.draw(viewport(), camera, lights);
    EXPECT_EQ(litVertices(pair).size(), 8u);
    // Far square: 50 * 256 / 812 = 15 pixels; near: 50 * 256 / 512 = 25.
    EXPECT_NE(pixel(320 - 20, 144), kUntouched);
    EXPECT_EQ(pixel(320 - 26, 144), kUntouched);
    // Reverse the face order: the result must be the same.
    const std::vector<std::uint32_t> first = frame;
    std::fill(frame.begin(), frame.end(), kUntouched);
    pair.faces[0].centre = 1;
    pair.faces[1].centre = 1;
    pair.draw(viewport(), camera, lights);
    EXPECT_EQ(frame, first);
}

TEST_F(MeshDrawTest, ClippedMeshStaysInsideRowsOneTo286) {
    Mesh torus;
    makeTorus(torus, 48.0f, 48.0f, 160.0f);
    torus.clipper = &clipper;
    torus.colour = 0xffffffu;
    std::vector<std::uint32_t> map(256 * 256, 0x808080u);
    torus.envMap = map.data();
    for (int enabled = 0; enabled < 2; ++enabled) {
        torus.envMapEnabled = enabled;
        for (int step = 0; step < 40; ++step) {
            // Through the eye and past the screen edges.
            torus.position.set(static_cast<float>(step * 7 - 140), static_cast<float>(step * 3 - 60),
                               static_cast<float>(-600 + step * 10));
            torus.orientation.setRotation(static_cast<float>(step * 11), static_cast<float>(step * 5), 0.0f);
            torus.draw(viewport(), camera, lights);
        }
    }
    EXPECT_GT(touched(), 20000);
    for (int x = 0; x < 640; ++x) {
        ASSERT_EQ(frame[x], kUntouched);                   // guard row above
        ASSERT_EQ(frame[289 * 640 + x], kUntouched);       // guard row below
        ASSERT_EQ(pixel(x, 0), kUntouched);
        ASSERT_EQ(pixel(x, 287), kUntouched);
    }
    EXPECT_GT(touchedRows(1), 0);
    EXPECT_GT(touchedRows(286), 0);
}

TEST_F(MeshDrawTest, LitAtTheMeshPositionNotAtEachVertex) {
    // A point light 100 units in front of the box's centre, on the plane of its
    // near face. From the centre it shines straight along the near corners'
    // normals (0, 0, 256 in z): g = 1, trunc(1947 * 255) / 2048 = 242 each. From
    // the corners themselves it would arrive side-on and light nothing.
    Vector3 lamp(0.0f, 0.0f, -100.0f, 0xffffffu);
    lights.lights[0] = &lamp;
    lights.directionalIndex = 1;  // not below count: no directional light
    Mesh box;
    makeBox(box, 100.0f, 100.0f, 100.0f);
    box.clipper = &clipper;
    box.colour = 0xffffffu;
    box.draw(viewport(), camera, lights);
    for (int v : {2, 3, 6, 7}) EXPECT_EQ(box.viewVertices[v].tag, 0xf2f2f2u) << v;
    EXPECT_EQ(pixel(320, 144), 0xf2f2f2u);
    EXPECT_EQ(pixel(260, 84), 0xf2f2f2u);
}

TEST_F(MeshDrawTest, FacesAtEqualDistancesDrawInTheirDepthListOrder) {
    // Two triangles at z = 300 overlapping around the view axis, their centres
    // (0, -20, 300) and (0, 20, 300) equally far from the eye. The second key
    // equal to the first goes in front of it, so face 0 counts as the farther,
    // is drawn first, and face 1 covers it where they overlap.
    Mesh pair;
    pair.allocate(6, 2, 2);
    pair.addVertex(-60.0f, -60.0f, 300.0f);
    pair.addVertex(60.0f, -60.0f, 300.0f);
    pair.addVertex(0.0f, 60.0f, 300.0f);
    pair.addVertex(-60.0f, 60.0f, 300.0f);
    pair.addVertex(60.0f, 60.0f, 300.0f);
    pair.addVertex(0.0f, -60.0f, 300.0f);
    pair.addTriangle(0, 2, 1);  // normals along +z: turned towards the eye
    pair.addTriangle(3, 4, 5);
    // Face 0 lit from the directional light (242 per channel), face 1 black.
    for (int v = 0; v < 3; ++v) pair.vertexNormals[v].set(0.0f, 256.0f, 0.0f);
    for (int v = 3; v < 6; ++v) pair.vertexNormals[v].set(0.0f, -256.0f, 0.0f);
    pair.position = camera.position;  // camera space = object space
    pair.clipper = &clipper;
    pair.colour = 0xffffffu;
    pair.draw(viewport(), camera, lights);
    // The key is the distance of the centre from the eye, not its depth.
    EXPECT_EQ(pair.faceOrder.keys[0], static_cast<float>(std::sqrt(20.0 * 20.0 + 300.0 * 300.0)));
    EXPECT_EQ(pair.faceOrder.keys[1], pair.faceOrder.keys[0]);
    EXPECT_EQ(pixel(275, 95), 0xf2f2f2u);   // face 0 alone
    EXPECT_EQ(pixel(275, 190), 0x000000u);  // face 1 alone
    EXPECT_EQ(pixel(320, 144), 0x000000u);  // both: face 1 was drawn last
}

TEST_F(MeshDrawTest, AClippedFanReusesTheCornerNormalsInTheOrderLeftBehind) {
    // Camera space = object space. The corner a lies behind the near plane; the
    // clipped polygon is X1 (on a-c, row 250), X2 (on b-a, row 197), b (row 64),
    // c (row 144), drawn as (X1, X2, b) and (X1, b, c). Corner normals 1, 2, 3
    // (in x) belong to a, b, c. The first triangle's sort swaps positions 0 and
    // 2: 3 2 1. The second sorts that order again, swapping 0 and 2, then 0 and
    // 1: 2 1 3. Fresh normals for the second triangle would end as 2 3 1.
    Mesh face;
    face.allocate(3, 1, 1);
    face.addVertex(0.0f, 40.0f, 32.0f);
    face.addVertex(40.0f, -40.0f, 128.0f);
    face.addVertex(-40.0f, 0.0f, 128.0f);
    face.addTriangle(0, 1, 2);
    for (int v = 0; v < 3; ++v) face.vertexNormals[v].set(static_cast<float>(v + 1), 0.0f, 0.0f);
    face.position = camera.position;
    face.clipper = &clipper;
    std::vector<std::uint32_t> map(256 * 256, 0x808080u);
    face.envMap = map.data();
    face.envMapEnabled = 1;
    face.draw(viewport(), camera, lights);
    EXPECT_EQ(face.cornerNormals[0].x, 2.0f);
    EXPECT_EQ(face.cornerNormals[1].x, 1.0f);
    EXPECT_EQ(face.cornerNormals[2].x, 3.0f);
    EXPECT_NE(pixel(360, 180), kUntouched);  // first triangle only
    EXPECT_NE(pixel(320, 150), kUntouched);  // second triangle only
}

TEST_F(MeshDrawTest, AFaceWhollyBehindTheNearPlaneIsLitButDrawsNothing) {
    // Turned towards the eye (normal along +z) with every corner between
    // z = 32, which the rasteriser would accept, and the near plane at 64.
    Mesh face;
    face.allocate(3, 1, 1);
    face.addVertex(0.0f, 10.0f, 40.0f);
    face.addVertex(10.0f, -10.0f, 60.0f);
    face.addVertex(-10.0f, 0.0f, 60.0f);
    face.addTriangle(0, 1, 2);
    face.position = camera.position;
    face.clipper = &clipper;
    face.draw(viewport(), camera, lights);
    EXPECT_EQ(litVertices(face).size(), 3u);
    EXPECT_EQ(touched(), 0);
}
