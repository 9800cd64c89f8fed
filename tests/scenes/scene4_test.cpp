#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image2d/frame_buffer.h"
#include "image2d/image_warps.h"
#include "image2d/pixel_ops.h"
#include "render3d/environment_map.h"
#include "scenes/global_objects.h"
#include "scenes/scene1_spheres.h"
#include "scenes/scene4_dance.h"
#include "scenes/scene4_schedule.h"
#include "scenes/scenes.h"
#include "tests/scenes/prepared_scenes.h"

namespace {

using scene4::FigurePose;
using scene4::FigureShown;

constexpr int kCycles[6] = {16302, 17802, 19302, 20802, 22302, 23802};

FigureShown shownAt(float t) {
    FigureShown shown;
    EXPECT_TRUE(scene4::figureSchedule(t, shown)) << "t = " << t;
    return shown;
}

void expectPosed(float t, FigurePose pose) {
    const FigureShown shown = shownAt(t);
    EXPECT_FALSE(shown.blended) << "t = " << t;
    EXPECT_EQ(shown.from, pose) << "t = " << t;
}

void expectBlend(float t, FigurePose from, FigurePose to, double w, double tolerance = 0.0) {
    const FigureShown shown = shownAt(t);
    EXPECT_TRUE(shown.blended) << "t = " << t;
    EXPECT_EQ(shown.from, from) << "t = " << t;
    EXPECT_EQ(shown.to, to) << "t = " << t;
    EXPECT_NEAR(shown.w, w, tolerance) << "t = " << t;
}

Vector3 eyeAt(float t) {
    Vector3 eye;
    EXPECT_TRUE(scene4::cameraPath(t, eye)) << "t = " << t;
    return eye;
}

void expectSameVertices(const Mesh& actual, const Mesh& expected, const char* what) {
    ASSERT_EQ(actual.vertexCount, expected.vertexCount) << what;
    ASSERT_GT(actual.vertexCount, 0u) << what;
    for (std::uint32_t i = 0; i < actual.vertexCount; ++i) {
        ASSERT_EQ(actual.vertices[i].x, expected.vertices[i].x) << what << " vertex " << i;
        ASSERT_EQ(actual.vertices[i].y, expected.vertices[i].y) << what << " vertex " << i;
        ASSERT_EQ(actual.vertices[i].z, expected.vertices[i].z) << what << " vertex " << i;
        ASSERT_EQ(actual.vertexNormals[i].x, expected.vertexNormals[i].x) << what << " normal " << i;
    }
    for (std::uint32_t i = 0; i < actual.centreCount; ++i) {
        ASSERT_EQ(actual.faceNormals[i].y, expected.faceNormals[i].y) << what << " face normal " << i;
        ASSERT_EQ(actual.faceCentres[i].z, expected.faceCentres[i].z) << what << " centre " << i;
    }
}

void expectAt(const Vector3& v, float x, float y, float z, const char* what, float tolerance = 0.0f) {
    EXPECT_NEAR(v.x, x, tolerance) << what;
    EXPECT_NEAR(v.y, y, tolerance) << what;
    EXPECT_NEAR(v.z, z, tolerance) << what;
}

// Scene 4 prepared as well (it borrows scene 1's round glow map).
class Scene4 : public PreparedScenes {
protected:
    void prepareLaterScenes() override { scene4::prepare(); }
    void tearDownLaterScenes() override { scene4::teardown(); }
    // Frames from..to, by default every 1000/60 ms as a run at 60 frames per second draws them.
    static void run(float from, float to, double step = 1000.0 / 60.0) {
        for (double t = from; t < to; t += step) scene4::drawFrame(static_cast<float>(t));
    }
};

}  // namespace

TEST(Scene4Schedule, CameraStartsHighOnItsAxisAndStopsWhereNoLineHolds) {
    const Vector3 start = eyeAt(0.0f);
    expectAt(start, 0.0f, 4038.0f, 400.0f, "t = 0");
    // The descent ends level with the figure where the circling begins.
    expectAt(eyeAt(2019.0f), 0.0f, 0.0f, 400.0f, "t = 2019", 1e-3f);
    expectAt(eyeAt(4038.0f), 0.0f, 0.0f, 400.0f, "t = 4038", 1e-3f);
    Vector3 eye;
    for (float t : {8076.0f, 12214.0f, 31652.0f, 40000.0f}) EXPECT_FALSE(scene4::cameraPath(t, eye)) << "t = " << t;
    for (float t : {8075.99f, 8076.01f, 12213.99f, 12214.01f, 31651.99f}) EXPECT_TRUE(scene4::cameraPath(t, eye)) << t;
    EXPECT_FLOAT_EQ(scene4::finaleRoll(31702.0f), 0.0f);
    EXPECT_FLOAT_EQ(scene4::finaleRoll(31757.0f), 1.0f);
}

TEST(Scene4Schedule, CameraChangesFormulaAt16152WithoutAJump) {
    const Vector3 before = eyeAt(16151.99f);
    const Vector3 at = eyeAt(16152.0f);
    const float h = static_cast<float>(128.0 * std::sin(3938.0 * 0.0005));
    expectAt(at, 0.0f, h, 400.0f, "t = 16152", 1e-3f);
    expectAt(before, at.x, at.y, at.z, "just before 16152", 0.05f);
}

TEST(Scene4Schedule, FigureBeforeTheDance) {
    expectPosed(0.0f, FigurePose::pose0);
    expectPosed(4037.99f, FigurePose::pose0);
    expectBlend(4038.0f, FigurePose::pose0, FigurePose::pose1, 0.0);
    expectBlend(5047.5f, FigurePose::pose0, FigurePose::pose1, 0.5);
    // 673 of 2019 ms: exactly a third, not a third rounded to float.
    EXPECT_EQ(shownAt(4711.0f).w, 1.0 / 3.0);
    expectPosed(6057.0f, FigurePose::pose1);
    FigureShown shown;
    for (float t : {8076.0f, 10000.0f, 12214.0f}) EXPECT_FALSE(scene4::figureSchedule(t, shown)) << "t = " << t;
    expectPosed(8075.99f, FigurePose::pose1);
    expectPosed(12214.01f, FigurePose::pose1);
    expectPosed(16151.99f, FigurePose::pose1);
    // The dance starts exactly where the plain pose 1 ends, with weight 0.
    expectBlend(16152.0f, FigurePose::pose1, FigurePose::pose2, 0.0);
}

TEST(Scene4Schedule, EveryCycleJumpsFromTwoThirdsBackToTheMirroredPose) {
    for (int r : kCycles) {
        expectBlend(r - 0.01f, FigurePose::pose1, FigurePose::pose2, 1.0, 1e-3);
        expectPosed(static_cast<float>(r), FigurePose::pose2);
        expectBlend(r + 100.0f, FigurePose::pose2, FigurePose::pose1, 0.0);
        expectBlend(r + 599.99f, FigurePose::pose2, FigurePose::pose1, 2.0 / 3.0, 1e-4);
        expectBlend(r + 600.0f, FigurePose::pose1Mirrored, FigurePose::pose2Mirrored, 0.0);
        expectPosed(r + 750.0f, FigurePose::pose2Mirrored);
        expectBlend(r + 850.0f, FigurePose::pose2Mirrored, FigurePose::pose1Mirrored, 0.0);
    }
}

TEST(Scene4Schedule, NextCycleOverridesTheTailOfTheOneBefore) {
    for (int i = 0; i < 5; ++i) {
        const float r = static_cast<float>(kCycles[i]);
        expectBlend(r + 1349.99f, FigurePose::pose2Mirrored, FigurePose::pose1Mirrored, 2.0 / 3.0, 1e-3);
        expectBlend(r + 1350.0f, FigurePose::pose1, FigurePose::pose2, 0.0);
        expectPosed(r + 1599.99f, FigurePose::pose2);
    }
    // Only the last cycle sinks all the way to the mirrored pose 1.
    expectBlend(25401.99f, FigurePose::pose2Mirrored, FigurePose::pose1Mirrored, 1.0, 1e-4);
    expectBlend(25402.0f, FigurePose::pose1, FigurePose::pose4, 0.0);
}

TEST(Scene4Schedule, FigureAfterTheDance) {
    expectPosed(25552.0f, FigurePose::pose4);
    expectBlend(25902.0f, FigurePose::pose4, FigurePose::pose1, 0.5);
    expectBlend(26152.0f, FigurePose::pose1, FigurePose::pose4, 0.0);
    expectPosed(26401.99f, FigurePose::pose4);
    expectBlend(26977.0f, FigurePose::pose1, FigurePose::pose3, 0.5);
    expectPosed(27052.0f, FigurePose::pose3);
    expectPosed(31151.99f, FigurePose::pose3);
    expectBlend(31651.99f, FigurePose::pose3, FigurePose::pose1, 1.0, 1e-4);
    expectPosed(31652.0f, FigurePose::pose1);
    expectPosed(48455.0f, FigurePose::pose1);
}

TEST(Scene4Schedule, LightAndSwarmFactorsAtTheirSteps) {
    EXPECT_EQ(scene4::lightStep(6057.0f), 0);
    EXPECT_EQ(scene4::lightStep(6064.99f), 0);
    EXPECT_EQ(scene4::lightStep(6065.0f), 1);
    EXPECT_EQ(scene4::lightStep(8075.99f), 252);
    // Before the finale's clock starts, trunc(l) div 32 is -1 for l <= -32 and 0 above.
    EXPECT_EQ(scene4::swarmFactor(-50.0), 255u);
    EXPECT_EQ(scene4::swarmFactor(-32.0), 255u);
    EXPECT_EQ(scene4::swarmFactor(-31.9), 0u);
    EXPECT_EQ(scene4::swarmFactor(31.9), 0u);
    EXPECT_EQ(scene4::swarmFactor(32.0), 1u);
    EXPECT_EQ(scene4::swarmFactor(8191.99), 255u);
    EXPECT_EQ(scene4::swarmFactor(8192.0), 0u);
    EXPECT_EQ(scene4::pulseFactor(-50.0), 206u);
    EXPECT_EQ(scene4::pulseFactor(-0.5), 0u);
    EXPECT_EQ(scene4::pulseFactor(255.9), 255u);
    EXPECT_EQ(scene4::pulseFactor(256.0), 0u);
}

TEST_F(Scene4, PrepareBuildsTheLandscapeThePosesAndTheBlendTarget) {
    std::vector<std::uint32_t> landscape(kEnvironmentMapTexels);
    makeEnvironmentMap(landscape.data());
    discWarp(landscape.data());
    ASSERT_NE(scene4::landscapeMap, nullptr);
    EXPECT_TRUE(std::equal(landscape.begin(), landscape.end(), scene4::landscapeMap));
    EXPECT_EQ(landscapeBackdrop.envMap, scene4::landscapeMap);
    EXPECT_EQ(figureCamera.factor, 333.0f);

    EXPECT_EQ(scene4Lights.count, 3u);
    EXPECT_EQ(scene4Lights.directionalIndex, 1);
    EXPECT_EQ(scene4Lights.lights[0], &warmLight);
    EXPECT_EQ(scene4Lights.lights[1], &glowBank[0].position);
    EXPECT_EQ(scene4Lights.lights[2], &glowBank[1].position);

    for (const Mesh* m : {&figurePose0, &figurePose1, &figurePose2, &figurePose3, &figurePose4, &figurePose1Mirrored,
                          &figurePose2Mirrored, &figureBlend}) {
        EXPECT_EQ(m->envMap, scene4::landscapeMap);
        EXPECT_EQ(m->clipper, &sharedClipper);
        EXPECT_EQ(m->colour, 0xFFEEDDu);
        EXPECT_EQ(m->envMapEnabled, 1);
        EXPECT_EQ(m->faceCount, figurePose0.faceCount);
        EXPECT_EQ(m->vertexCount, figurePose0.vertexCount);
    }
    ASSERT_GT(figurePose1.vertexCount, 0u);
    for (std::uint32_t i = 0; i < figurePose1.vertexCount; ++i) {
        ASSERT_EQ(figurePose1Mirrored.vertices[i].x, -figurePose1.vertices[i].x) << "vertex " << i;
        ASSERT_EQ(figurePose1Mirrored.vertices[i].y, figurePose1.vertices[i].y) << "vertex " << i;
        ASSERT_EQ(figurePose2Mirrored.vertexNormals[i].x, -figurePose2.vertexNormals[i].x) << "normal " << i;
    }
    // Room for exactly one figure, faces copied once from pose 1.
    EXPECT_EQ(figureBlend.vertexCapacity, figurePose0.vertexCount + 4 - figurePose0.vertexCount % 4);
    EXPECT_EQ(figureBlend.centreCount, figurePose0.centreCount);
    for (std::uint32_t i = 0; i < figureBlend.faceCount; ++i) {
        ASSERT_EQ(figureBlend.faces[i].a, figurePose1.faces[i].a) << "face " << i;
        ASSERT_EQ(figureBlend.faces[i].centre, figurePose1.faces[i].centre) << "face " << i;
    }
    for (const GlowSprite& sprite : glowBank) {
        EXPECT_EQ(sprite.colour, 0u);
        EXPECT_EQ(sprite.position.tag, 0u);
        EXPECT_EQ(sprite.size, 32.0f);
        EXPECT_EQ(sprite.intensityMap, roundGlowMap);
        EXPECT_EQ(sprite.clipper, &sharedClipper);
    }
}

TEST_F(Scene4, FirstFrameAimsFromHighAboveAtTheFigureInPose0) {
    scene4::drawFrame(0.0f);
    expectAt(figureCamera.position, 0.0f, 4038.0f, 400.0f, "camera");
    EXPECT_EQ(figureCamera.angles.z, 0.0f);
    // The origin lies straight ahead, on the axis of view.
    const Vector3 origin = figureCamera.toCamera(warmLight);
    expectAt(origin, 0.0f, 0.0f, static_cast<float>(std::sqrt(4038.0 * 4038.0 + 400.0 * 400.0)), "origin", 0.01f);
    EXPECT_EQ(drawList[0], &figurePose0);
    EXPECT_EQ(drawList[1], &glowBank[0]);
    EXPECT_EQ(drawList[2], &glowBank[1]);
    // Both coloured lights are black at the origin, adding nothing.
    for (int i : {0, 1}) {
        EXPECT_EQ(glowBank[i].colour, 0u);
        expectAt(glowBank[i].position, 0.0f, 0.0f, 0.0f, "coloured light");
    }
}

TEST_F(Scene4, ColouredLightsBrightenFromBlackBesideTheFigureThenFlyApart) {
    run(0.0f, 6057.0f, 250.0);
    scene4::drawFrame(6057.0f);
    for (int i : {0, 1}) EXPECT_EQ(glowBank[i].colour, 0u);
    expectAt(glowBank[0].position, -64.0f, -16.0f, 24.0f, "red");
    expectAt(glowBank[1].position, 64.0f, -16.0f, 24.0f, "green");
    scene4::drawFrame(6064.99f);
    EXPECT_EQ(glowBank[0].colour, 0u);
    scene4::drawFrame(6065.0f);
    EXPECT_EQ(glowBank[0].colour, 0x010000u);
    EXPECT_EQ(glowBank[0].position.tag, 0x010000u);
    EXPECT_EQ(glowBank[1].colour, 0x000100u);
    EXPECT_EQ(glowBank[1].position.tag, 0x000100u);
    scene4::drawFrame(8075.99f);
    EXPECT_EQ(glowBank[0].colour, 0xFC0000u);
    EXPECT_EQ(glowBank[1].colour, 0x00FC00u);
    // Half-way through their flight they pass (-+256, 0, 0), keeping their colours.
    scene4::drawFrame(10095.0f);
    expectAt(glowBank[0].position, -256.0f, 0.0f, 0.0f, "red half-way", 1e-3f);
    expectAt(glowBank[1].position, 256.0f, 0.0f, 0.0f, "green half-way", 1e-3f);
    EXPECT_EQ(glowBank[1].colour, 0x00FC00u);
    // The red one circles the figure while the green one stays put.
    scene4::drawFrame(12614.0f);
    expectAt(glowBank[0].position, 0.0f, 64.0f * static_cast<float>(std::sin(0.4 * 3.141592653589793)), 256.0f,
             "red circling", 1e-3f);
    expectAt(glowBank[1].position, 256.0f, 0.0f, 0.0f, "green", 1e-3f);
}

TEST_F(Scene4, WhereNoLineHoldsTheCameraAndFigureStayAsTheFrameBeforeLeftThem) {
    run(0.0f, 8070.0f, 100.0);
    const Vector3 before(figureCamera.position);
    scene4::drawFrame(8076.0f);
    expectAt(figureCamera.position, before.x, before.y, before.z, "camera at 8076");
    Vector3 formula;
    scene4::cameraPath(8076.01f, formula);
    EXPECT_GT(std::fabs(formula.x - before.x), 1.0f);
    EXPECT_EQ(drawList[0], &figurePose1);
    expectAt(glowBank[0].position, -64.0f, -16.0f, 24.0f, "red light at 8076");

    run(8076.01f, 12200.0f, 100.0);
    const Vector3 later(figureCamera.position);
    scene4::drawFrame(12214.0f);
    expectAt(figureCamera.position, later.x, later.y, later.z, "camera at 12214");
    EXPECT_EQ(drawList[0], &figurePose1);
}

TEST_F(Scene4, AFirstFrameWhereTheFigureIsUnchangedShowsPose1NotWhatOthersLeft) {
    // A window restored only in the middle of the scene: no earlier frame of
    // this scene filled drawList, which still holds other objects (or none).
    drawList[0] = nullptr;
    drawList[1] = nullptr;
    drawList[2] = nullptr;
    scene4::drawFrame(10000.0f);
    EXPECT_EQ(drawList[0], &figurePose1);
    EXPECT_EQ(drawList[1], &glowBank[0]);
    EXPECT_EQ(drawList[2], &glowBank[1]);
}

TEST_F(Scene4, DanceBlendsInPlaceAndJumpsToTheMirroredPose) {
    run(0.0f, 16152.0f, 100.0);
    const Vector3* const vertices = figureBlend.vertices;
    const MeshFace* const faces = figureBlend.faces;
    scene4::drawFrame(16152.0f);
    EXPECT_EQ(drawList[0], &figureBlend);
    expectSameVertices(figureBlend, figurePose1, "weight 0 at 16152");
    run(16152.0f, 16902.0f, 50.0);
    scene4::drawFrame(16902.0f);
    EXPECT_EQ(drawList[0], &figureBlend);
    expectSameVertices(figureBlend, figurePose1Mirrored, "weight 0 at r + 600");
    scene4::drawFrame(17052.0f);
    EXPECT_EQ(drawList[0], &figurePose2Mirrored);
    run(17052.0f, 31652.0f, 100.0);
    EXPECT_EQ(figureBlend.vertices, vertices);
    EXPECT_EQ(figureBlend.faces, faces);
}

TEST_F(Scene4, FinaleRollsTheCameraAndWhirlsTheSwarm) {
    run(0.0f, 31651.0f, 100.0);
    scene4::drawFrame(31651.0f);
    const Vector3 eye(figureCamera.position);
    const std::uint32_t red = glowBank[0].colour;
    EXPECT_GE(red, 0xF00000u);
    scene4::drawFrame(31652.0f);
    expectAt(figureCamera.position, eye.x, eye.y, eye.z, "camera in the finale");
    EXPECT_FLOAT_EQ(figureCamera.angles.z, -50.0f / 55.0f);
    EXPECT_EQ(drawList[0], &figurePose1);
    EXPECT_EQ(drawList[1], &glowBank[2]);
    EXPECT_EQ(drawList[2], &glowBank[3]);
    for (int n = 0; n < 16; ++n) EXPECT_EQ(drawList[3 + n], &glowBank[4 + n]);
    EXPECT_EQ(scene4Lights.lights[1], &glowBank[2].position);
    EXPECT_EQ(scene4Lights.lights[2], &glowBank[3].position);
    // l = -50: the swarm at its brightest, twice the base colour with saturation.
    for (int n = 0; n < 16; ++n) {
        EXPECT_EQ(glowBank[4 + n].colour, 0x7FFFFFu);
        EXPECT_EQ(glowBank[4 + n].size, 31.75f);
        EXPECT_NEAR(glowBank[4 + n].position.distance(Vector3(0.0f, glowBank[4 + n].position.y, 0.0f)), 200.0f, 1e-3f);
    }
    const std::uint32_t orange = scale(0xF08040, 206);
    for (int i : {2, 3}) {
        EXPECT_EQ(glowBank[i].colour, orange);
        EXPECT_EQ(glowBank[i].position.tag, orange);
        EXPECT_EQ(glowBank[i].size, 29.5f);
    }
    expectAt(glowBank[2].position, -64.0f, -16.0f, 24.0f, "left orange");
    expectAt(glowBank[3].position, 64.0f, -16.0f, 24.0f, "right orange");

    scene4::drawFrame(31702.0f);
    EXPECT_EQ(glowBank[4].colour, 0u);
    EXPECT_EQ(glowBank[2].colour, 0u);
    scene4::drawFrame(39893.99f);
    EXPECT_EQ(glowBank[4].colour, 0x7FFFFFu);
    scene4::drawFrame(39894.0f);
    EXPECT_EQ(glowBank[4].colour, 0u);
    // The coloured lights keep their last state; sprites 20 to 31 are never touched.
    EXPECT_EQ(glowBank[0].colour, red);
    for (int i = 20; i < 32; ++i) {
        EXPECT_EQ(glowBank[i].colour, 0u);
        EXPECT_EQ(glowBank[i].size, 32.0f);
    }
}

TEST_F(Scene4, TeardownFreesTheMapAndClearsThreeMeshes) {
    scene4::teardown();
    EXPECT_EQ(scene4::landscapeMap, nullptr);
    for (const Mesh* m : {&figurePose1, &figurePose0, &figureBlend}) {
        EXPECT_EQ(m->vertices, nullptr);
        EXPECT_EQ(m->vertexCount, 0u);
    }
    // The others keep their arrays until the process exits.
    for (const Mesh* m : {&figurePose1Mirrored, &figurePose2, &figurePose2Mirrored, &figurePose3, &figurePose4})
        EXPECT_NE(m->vertices, nullptr);
    scene4::teardown();
    scene4::drawFrame(1000.0f);  // nothing to draw with, and nothing drawn
    EXPECT_EQ(figureBlend.vertices, nullptr);
}

namespace {

// A shutdown after a failed loading: scene 4 was never prepared.
[[noreturn]] void tearDownUnpreparedAndExit() {
    scene4::teardown();
    scene4::teardown();
    std::exit(scene4::landscapeMap == nullptr && figurePose0.vertices == nullptr ? 0 : 1);
}

}  // namespace

TEST(Scene4DeathTest, TeardownWithoutPrepareIsClean) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(tearDownUnpreparedAndExit(), ::testing::ExitedWithCode(0), "");
}
