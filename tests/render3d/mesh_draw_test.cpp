#include <gtest/gtest.h>

#include <algorithm>
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
