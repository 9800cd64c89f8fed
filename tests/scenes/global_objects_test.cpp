#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <deque>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "image2d/frame_buffer.h"
#include "image2d/pixel_ops.h"
#include "scenes/depth_sorted_drawing.h"
#include "scenes/global_objects.h"
#include "scenes/scene1_spheres.h"
#include "scenes/scene2_plasma_sky.h"
#include "scenes/scenes.h"
#include "tests/scenes/prepared_scenes.h"

namespace {

using SharedObjects = PreparedScenes;

// The shared objects in the order they must be constructed (and, reversed, destroyed).
const std::vector<std::pair<std::string, std::string>> kConstructionOrder = {
    {"DepthList", "sharedDepthList"},
    {"Camera", "sharedCamera"},
    {"LightSet", "sharedLights"},
    {"FrustumClipper", "sharedClipper"},
    {"Vector3", "warmLight"},
    {"ObjectGroup", "sphereCluster"},
    {"SphereSprite", "largeSphere"},
    {"SphereSprite", "mediumSphere"},
    {"SphereSprite", "smallSphere"},
    {"GlowSprite", "orangeGlow"},
    {"FrustumClipper", "wideClipper"},
    {"Camera", "mainCamera"},
    {"EnvironmentBackdrop", "skyBackdrop"},
    {"Camera", "latticeCamera"},
    {"ObjectGroup", "cubeLattice"},
    {"Mesh", "cube"},
    {"GlowSprite", "centralGlow"},
    {"LightSet", "scene2Lights"},
    {"Mesh", "torus"},
    {"EnvironmentBackdrop", "landscapeBackdrop"},
    {"Camera", "figureCamera"},
    {"LightSet", "scene4Lights"},
    {"Mesh", "figurePose1"},
    {"Mesh", "figurePose1Mirrored"},
    {"Mesh", "figurePose0"},
    {"Mesh", "figureBlend"},
    {"Mesh", "figurePose2"},
    {"Mesh", "figurePose2Mirrored"},
    {"Mesh", "figurePose4"},
    {"Mesh", "figurePose3"},
    {"GlowSprite", "glowBank"},
    {"EnvironmentBackdrop", "backdrop"},
};

// Objects of static storage in one unit are constructed in the order of their
// definitions and destroyed in reverse, so the definitions must follow the table.
TEST(GlobalObjects, AreDefinedInOneUnitInConstructionOrder) {
    std::ifstream file(QORBT_SOURCE_DIR "/scenes/global_objects.cpp");
    ASSERT_TRUE(file.good());
    std::stringstream text;
    text << file.rdbuf();
    // Definitions at file scope read "Type name;" (the bank: "Type name[kGlowBankSize];").
    std::vector<std::pair<std::string, std::string>> found;
    std::string line;
    while (std::getline(text, line)) {
        const std::size_t space = line.find(' ');
        if (line.empty() || !std::isupper(static_cast<unsigned char>(line[0])) || space == std::string::npos ||
            line.back() != ';')
            continue;
        std::string name = line.substr(space + 1, line.size() - space - 2);
        const std::size_t bracket = name.find('[');
        if (bracket != std::string::npos && name.substr(bracket) == "[kGlowBankSize]") name.resize(bracket);
        if (name.empty() || name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") !=
                                std::string::npos)
            continue;
        found.emplace_back(line.substr(0, space), name);
    }
    EXPECT_EQ(found, kConstructionOrder);
}

// What every object looks like when only its constructor has run, checked in a
// fresh process before anything is configured; the process then exits, which
// runs all the destructors on objects that were never configured.
[[noreturn]] void checkConstructedStateAndExit() {
    bool ok = true;
    const auto check = [&ok](bool good, const char* what) {
        if (!good) std::fprintf(stderr, "unexpected state after construction: %s\n", what);
        ok = ok && good;
    };
    check(sharedDepthList.count == 0 && sharedDepthList.items == nullptr, "sharedDepthList");
    for (const Camera* c : {&sharedCamera, &mainCamera, &latticeCamera, &figureCamera})
        check(c->factor == 256.0f && c->position.z == -512.0f, "a camera");
    for (const LightSet* l : {&sharedLights, &scene2Lights, &scene4Lights})
        check(l->count == 0 && l->directionalIndex == 0 && l->lights[0] == nullptr, "a light set");
    for (const FrustumClipper* c : {&sharedClipper, &wideClipper}) check(c->buffer == nullptr, "a clipper");
    check(warmLight.tag == 0xFF00FF, "warmLight");
    for (const ObjectGroup* g : {&sphereCluster, &cubeLattice})
        check(g->count == 0 && g->children == nullptr && g->basePositions == nullptr, "a group");
    for (const SphereSprite* s : {&largeSphere, &mediumSphere, &smallSphere})
        check(s->size == 345.0f && s->mask == nullptr, "a sphere");
    for (const GlowSprite* g : {&orangeGlow, &centralGlow}) check(g->colour == 0xFF00FF && g->size == 64.0f, "a glow");
    for (const GlowSprite& g : glowBank) check(g.colour == 0xFF00FF && g.intensityMap == nullptr, "glowBank");
    for (const EnvironmentBackdrop* b : {&skyBackdrop, &landscapeBackdrop, &backdrop})
        check(b->rays != nullptr && b->envMap == nullptr, "a backdrop");
    for (const Mesh* m : {&cube, &torus, &figurePose1, &figurePose1Mirrored, &figurePose0, &figureBlend, &figurePose2,
                          &figurePose2Mirrored, &figurePose4, &figurePose3})
        check(m->colour == 0xFF00FF && m->vertexCount == 0 && m->vertices == nullptr && m->visible == 1, "a mesh");
    std::exit(ok ? 0 : 1);
}

TEST(GlobalObjectsDeathTest, AreConstructedBeforeMainAndDestroyCleanlyUnconfigured) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(checkConstructedStateAndExit(), ::testing::ExitedWithCode(0), "");
}

// The shutdown after a failed display set-up: nothing was prepared.
[[noreturn]] void shutDownUnpreparedAndExit() {
    for (const SceneOps& scene : {sceneTable[0], sceneTable[1]}) scene.teardown();
    releaseShared();
    // Teardowns after the release, and the torus cleared once more, stay harmless.
    scene1::teardown();
    scene2::teardown();
    releaseShared();
    std::exit(torus.vertices == nullptr && sharedClipper.buffer == nullptr ? 0 : 1);
}

TEST(GlobalObjectsDeathTest, ShutdownWithNothingPreparedIsClean) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(shutDownUnpreparedAndExit(), ::testing::ExitedWithCode(0), "");
}

// Loading, a few frames of both scenes, shutdown, exit: under the sanitizers
// any leak or double release makes the process fail.
[[noreturn]] void runAndExit() {
    {
        const OwnFrameBuffer frame;
        scene1::prepare();
        scene2::prepare();
        sharedSetUp();
        for (float t : {100.0f, 3000.0f, 9000.0f, 11800.0f}) {
            drawSharedBackdrop();
            scene1::drawFrame(t);
        }
        for (float t : {0.0f, 7500.0f, 12000.0f, 17000.0f, 21000.0f, 27000.0f}) scene2::drawFrame(t);
        scene1::teardown();
        scene2::teardown();
        releaseShared();
    }
    std::exit(0);
}

TEST(GlobalObjectsDeathTest, LoadingFramesAndShutdownLeaveNothingBehind) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(runAndExit(), ::testing::ExitedWithCode(0), "");
}

TEST_F(SharedObjects, SetUpWarpsTheWaveMapInPlaceForTheBackdrop) {
    EXPECT_EQ(sharedCamera.factor, 333.0f);
    EXPECT_EQ(sharedClipper.planeCount, 5u);
    EXPECT_EQ(sharedDepthList.capacity, 64u);
    EXPECT_EQ(backdrop.envMap, waveEnvMap);
    // The middle now lies outside the disc; the corner holds the original's middle.
    EXPECT_EQ(waveEnvMap[128 * 256 + 128], 0xFF00FFu);
    EXPECT_NE(waveEnvMap[0], 0xFF00FFu);
    // Everything that borrows the wave map sees the warped picture.
    EXPECT_EQ(torus.envMap, waveEnvMap);
    EXPECT_EQ(largeSphere.envMap, waveEnvMap);
}

TEST_F(SharedObjects, BackdropBehindSceneOneFillsTheViewportWithTheWarpedWaves) {
    std::fill(frame.pixels.begin(), frame.pixels.end(), 0x123456u);
    drawSharedBackdrop();
    // Looking along +z from (0, 0, -512): the centre ray finds texel (0, 0).
    EXPECT_EQ(at(320, 144), waveEnvMap[0]);
    int untouched = 0;
    for (int i = 0; i < kViewportWidth * kViewportHeight; ++i) untouched += viewport[i] == 0x123456u;
    EXPECT_EQ(untouched, 0);
}

TEST_F(SharedObjects, ReleaseSharedFreesTheMapsAndResetsCameraClipperAndTorus) {
    sharedCamera.factor = 99.0f;
    releaseShared();
    EXPECT_EQ(scene1::normalMap, nullptr);
    EXPECT_EQ(scene1::mask, nullptr);
    EXPECT_EQ(starGlowMap, nullptr);
    EXPECT_NE(roundGlowMap, nullptr);  // kept until the process exits
    EXPECT_EQ(sharedCamera.factor, 256.0f);
    EXPECT_EQ(sharedClipper.buffer, nullptr);
    EXPECT_EQ(torus.vertices, nullptr);
    EXPECT_EQ(torus.faceCount, 0u);
}

// Records the order in which it is drawn.
class Recorder : public SceneObject {
public:
    Recorder(float key, int id, std::vector<int>& log) : key_(key), id_(id), log_(log) {}
    float depth(const Camera&) override { return key_; }
    void draw(std::uint32_t*, Camera&, LightSet&) override { log_.push_back(id_); }

private:
    float key_;
    int id_;
    std::vector<int>& log_;
};

TEST_F(SharedObjects, DepthSortedDrawingGoesFromFarthestToNearest) {
    std::vector<int> log;
    Camera camera;
    LightSet lights;
    const auto drawn = [&](std::vector<float> keys) {
        std::deque<Recorder> objects;  // never moved: the draw list points into it
        for (std::size_t i = 0; i < keys.size(); ++i) objects.emplace_back(keys[i], static_cast<int>(i), log);
        for (std::size_t i = 0; i < keys.size(); ++i) drawList[i] = &objects[i];
        log.clear();
        drawDepthSorted(viewport, static_cast<int>(keys.size()), camera, lights);
        return log;
    };
    EXPECT_EQ(drawn({5.0f, 1.0f, 3.0f}), (std::vector<int>{0, 2, 1}));
    // The third key falls between two: the search looks before the first entry.
    EXPECT_EQ(drawn({10.0f, 30.0f, 20.0f}), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(drawn({7.0f, 9.0f}), (std::vector<int>{1, 0}));
    EXPECT_EQ(drawn({}), (std::vector<int>{}));
    // Scene 2's finale: 18 objects, the backdrop-far one first, the nearest last.
    std::vector<float> keys;
    for (int i = 0; i < 18; ++i) keys.push_back(static_cast<float>((i * 7) % 18) + 0.5f);
    const std::vector<int> order = drawn(keys);
    ASSERT_EQ(order.size(), 18u);
    for (std::size_t j = 1; j < order.size(); ++j) EXPECT_GT(keys[order[j - 1]], keys[order[j]]) << "position " << j;
}

}  // namespace
