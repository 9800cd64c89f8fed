// Drawing split into bands of rows gives the very same pixels as drawing on
// one thread: the triangle scan restricted to rows, and whole meshes, glows
// and balls drawn through the worker pool at several thread counts.
#include "render3d/row_bands.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "render3d/camera.h"
#include "render3d/environment_map.h"
#include "render3d/frustum_clipper.h"
#include "render3d/glow_sprite.h"
#include "render3d/light_set.h"
#include "render3d/mesh.h"
#include "render3d/mesh_generators.h"
#include "render3d/sphere_sprite.h"
#include "render3d/triangle_setup.h"

namespace {

struct Row {
    int y, partRow, xLeft, xRight, leftFrom, leftTo, leftStep;
    bool operator==(const Row&) const = default;
};

std::vector<Row> rowsOf(const ScreenPoint (&p)[3], int first, int last) {
    std::vector<Row> rows;
    scanTriangleRows(p, first, last, [&](const ScanRow& r) {
        rows.push_back({r.y, r.partRow, r.xLeft, r.xRight, r.left.from, r.left.to, r.left.step});
    });
    return rows;
}

}  // namespace

// Any cut of the rows into ranges scans exactly the rows of the whole
// triangle, with the same ends and edge steps, including cuts above, below
// and through either part, and flat tops and bottoms.
TEST(TriangleRows, AnyCutOfTheRowsScansTheWholeTriangle) {
    std::mt19937 random(15);
    std::uniform_int_distribution<int> coordinate(-40, 330);
    for (int n = 0; n < 2000; ++n) {
        ScreenPoint p[3];
        for (ScreenPoint& q : p) q = {static_cast<std::int16_t>(coordinate(random) * 2 - 20),
                                      static_cast<std::int16_t>(n % 7 == 0 ? 100 : coordinate(random))};
        int order[3];
        sortByRow(p, order);
        std::vector<Row> whole;
        scanTriangle(p, [&](const ScanRow& r) {
            whole.push_back({r.y, r.partRow, r.xLeft, r.xRight, r.left.from, r.left.to, r.left.step});
        });
        const int cut = coordinate(random);
        std::vector<Row> pieces = rowsOf(p, -1000, cut);
        const std::vector<Row> rest = rowsOf(p, cut, 1000);
        pieces.insert(pieces.end(), rest.begin(), rest.end());
        ASSERT_EQ(pieces, whole) << "triangle " << n << " cut at row " << cut;
        EXPECT_TRUE(rowsOf(p, cut, cut).empty());
    }
}

namespace {

// A frame with a bar above and below the viewport, as the show has, and a
// pattern under everything so that blends and copies read varied pixels.
class BandedDrawingThreads : public ::testing::Test {
protected:
    static constexpr int kTop = 96 * 640;
    Camera camera;
    FrustumClipper clipper;
    LightSet lights;
    Vector3 lamp, sun;
    std::vector<std::uint32_t> envMap = std::vector<std::uint32_t>(kEnvironmentMapTexels);
    std::vector<Vector3> normals = std::vector<Vector3>(kSphereMapSide * kSphereMapSide);
    std::vector<std::uint8_t> mask = std::vector<std::uint8_t>(kSphereMapSide * kSphereMapSide);
    std::vector<std::uint8_t> glowMap = std::vector<std::uint8_t>(64 * 64);

    void SetUp() override {
        clipper.build(camera.factor);
        makeEnvironmentMap(envMap.data());
        buildSphereMaps(normals.data(), mask.data());
        for (int i = 0; i < 64 * 64; ++i) glowMap[i] = static_cast<std::uint8_t>((i * 37) % 251);
        lamp.set(300.0f, -200.0f, 100.0f);
        lamp.tag = 0xFFC080u;
        sun.tag = 0x4080FFu;
        lights.lights[0] = &lamp;
        lights.lights[1] = &sun;
        lights.count = 2;
        lights.directionalIndex = 1;
    }
    void TearDown() override {
        clipper.release();
        setWorkerThreads(1);
    }

    // The frame `draw` leaves with `threads` threads sharing the bands.
    std::vector<std::uint32_t> render(int threads, const std::function<void(std::uint32_t*)>& draw) {
        setWorkerThreads(threads);
        std::vector<std::uint32_t> frame(640 * 480);
        for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFFu;
        draw(frame.data() + kTop);
        return frame;
    }

    // The same at 1, 2 and 3 threads, and changed in at least `changed` pixels.
    void expectSameAtEveryThreadCount(const std::function<void(std::uint32_t*)>& draw, int changed) {
        const std::vector<std::uint32_t> single = render(1, draw);
        const std::vector<std::uint32_t> untouched = render(1, [](std::uint32_t*) {});
        int differing = 0;
        for (std::size_t i = 0; i < single.size(); ++i) differing += single[i] != untouched[i];
        EXPECT_GE(differing, changed);
        for (int threads : {2, 3}) EXPECT_TRUE(render(threads, draw) == single) << threads << " threads";
    }
};

}  // namespace

TEST_F(BandedDrawingThreads, MeshesMatchOneThread) {
    Mesh torus;
    makeTorus(torus, 48.0f, 48.0f, 160.0f);
    torus.clipper = &clipper;
    torus.colour = 0xFFFFFFu;
    torus.envMap = envMap.data();
    for (int reflective : {1, 0}) {
        torus.envMapEnabled = reflective;
        expectSameAtEveryThreadCount(
            [&](std::uint32_t* viewport) {
                // Near enough to be cut by the frustum's sides, then turning further away.
                for (int k = 0; k < 6; ++k) {
                    torus.position.set(40.0f * k - 100.0f, 30.0f * k - 60.0f, 100.0f + 150.0f * k - 512.0f);
                    torus.orientation.setRotation(37.0f * k, 11.0f * k + 5.0f, 0.0f);
                    torus.draw(viewport, camera, lights);
                }
            },
            100000);
    }
}

TEST_F(BandedDrawingThreads, GlowsAndBallsMatchOneThread) {
    GlowSprite glow;
    glow.intensityMap = glowMap.data();
    glow.clipper = &clipper;
    SphereSprite ball;
    ball.clipper = &clipper;
    ball.mask = mask.data();
    ball.normalMap = normals.data();
    ball.envMap = envMap.data();
    expectSameAtEveryThreadCount(
        [&](std::uint32_t* viewport) {
            // Balls and glows of every size, overlapping, cut by every edge of
            // the viewport; the left edge puts a ball on one thread.
            for (int k = 0; k < 12; ++k) {
                const float x = -700.0f + 127.0f * k, y = (k % 3 - 1) * 300.0f + 7.0f * k, z = -300.0f + 61.0f * k;
                ball.size = 100.0f + 37.0f * static_cast<float>(k % 5);
                ball.position.set(x, y, z);
                ball.draw(viewport, camera, lights);
                glow.size = 300.0f - 20.0f * static_cast<float>(k);
                glow.colour = 0x103050u * static_cast<std::uint32_t>(k + 1) & 0xFFFFFFu;
                glow.position.set(-x, y * 0.5f, z + 50.0f);
                glow.draw(viewport, camera, lights);
            }
        },
        50000);
}
