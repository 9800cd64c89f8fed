#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "render3d/camera.h"
#include "render3d/depth_list.h"
#include "render3d/light_set.h"
#include "render3d/object_group.h"
#include "render3d/projection.h"

namespace {

std::vector<std::int32_t> farToNear(const DepthList& list) {
    std::vector<std::int32_t> items;
    for (std::uint32_t i = 0; i < list.count; ++i) items.push_back(list.get(i));
    return items;
}

// Records the order of draw calls and where each child stood when drawn.
class Probe : public SceneObject {
public:
    Probe(int id, std::vector<int>& log) : id_(id), log_(log) {}
    float depth(const Camera& camera) override { return position.distance(camera.position); }
    void draw(std::uint32_t*, Camera&, LightSet&) override {
        log_.push_back(id_);
        drawnAt = position;
    }
    Vector3 drawnAt;

private:
    int id_;
    std::vector<int>& log_;
};

}  // namespace

TEST(SceneObject, BaseSortsNearestAndDrawsNothing) {
    SceneObject base;
    Camera camera;
    LightSet lights;
    std::uint32_t pixel = 0x123456u;
    EXPECT_EQ(base.depth(camera), -1.0f);
    base.draw(&pixel, camera, lights);
    EXPECT_EQ(pixel, 0x123456u);
}

TEST(Camera, ResetAndLookAtFromTheDefaultEyeGiveTheIdentity) {
    Camera camera;
    camera.position.set(9.0f, 9.0f, 9.0f);
    camera.position.tag = 0xabcdefu;
    camera.factor = 333.0f;
    camera.reset();
    EXPECT_EQ(camera.position.z, -512.0f);
    EXPECT_EQ(camera.position.tag, 0xabcdefu);
    EXPECT_EQ(camera.factor, 256.0f);
    camera.lookAt(Vector3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(camera.angles.x, 0.0f);
    EXPECT_EQ(camera.angles.y, 0.0f);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(camera.rotation.m[i], (i % 4 == 0) ? 1.0f : 0.0f) << i;
}

TEST(Camera, LookAtPutsTheTargetOnTheViewAxisAndKeepsTheRoll) {
    const Vector3 eyes[] = {Vector3(512.0f, 0.0f, 0.0f), Vector3(0.0f, -512.0f, 0.0f), Vector3(-300.0f, 200.0f, 700.0f),
                            Vector3(40.0f, 90.0f, -10.0f), Vector3(0.0f, 300.0f, 1.0f)};
    const Vector3 target(10.0f, -20.0f, 30.0f);
    for (const Vector3& eye : eyes) {
        Camera camera;
        camera.position = eye;
        camera.angles.z = 77.0f;
        camera.lookAt(target);
        EXPECT_EQ(camera.angles.z, 77.0f);
        const Vector3 seen = camera.toCamera(target);
        EXPECT_NEAR(seen.x, 0.0, 1e-3) << eye.x << "," << eye.y << "," << eye.z;
        EXPECT_NEAR(seen.y, 0.0, 1e-3);
        EXPECT_NEAR(seen.z, target.distance(eye), 1e-3);
    }
}

TEST(Projection, TruncatesBeforeTheCentreIsAdded) {
    const ScreenPoint a = projectToScreen(Vector3(-0.9f, 0.9f, 256.0f), 256.0f);
    EXPECT_EQ(a.x, 320);
    EXPECT_EQ(a.y, 144);
    const ScreenPoint b = projectToScreen(Vector3(-2.5f, 2.5f, 1.0f), 1.0f);
    EXPECT_EQ(b.x, 318);
    EXPECT_EQ(b.y, 146);
    const ScreenPoint c = projectToScreen(Vector3(320.0f, -143.0f, 333.0f), 333.0f);
    EXPECT_EQ(c.x, 640);
    EXPECT_EQ(c.y, 1);
}

TEST(DepthList, KeepsKeysAscendingAndHandsOutTheFarthestFirst) {
    DepthList list;
    list.init(8);
    list.insert(50, 5.0f);
    EXPECT_EQ(list.items[0], 50);
    list.insert(10, 1.0f);
    list.insert(30, 3.0f);
    EXPECT_EQ(list.keys[0], 1.0f);
    EXPECT_EQ(list.keys[1], 3.0f);
    EXPECT_EQ(list.keys[2], 5.0f);
    EXPECT_EQ(list.get(0), 50);
    EXPECT_EQ(list.get(list.count - 1), 10);
    list.clear();
    EXPECT_EQ(list.count, 0u);
    list.insert(7, 2.0f);
    EXPECT_EQ(list.get(0), 7);
}

TEST(DepthList, AKeyBetweenTwoEntriesNeverLooksBeforeTheArray) {
    // Two entries and a key strictly between them: the narrowing reaches the
    // entry before the first one, which must count as below every key.
    DepthList list;
    list.init(4);
    list.insert(1, 1.0f);
    list.insert(3, 3.0f);
    list.insert(2, 2.0f);
    EXPECT_EQ(farToNear(list), (std::vector<std::int32_t>{3, 2, 1}));
}

TEST(DepthList, EqualKeysLandWhereTheProcedurePutsThem) {
    DepthList list;
    list.init(8);
    list.insert(10, 1.0f);
    list.insert(30, 3.0f);
    list.insert(20, 2.0f);
    list.insert(21, 2.0f);
    list.insert(22, 2.0f);
    // Keys 1 2 2 2 3: the fourth 2 goes before the last of its equals, not after all of them.
    list.insert(23, 2.0f);
    EXPECT_EQ(farToNear(list), (std::vector<std::int32_t>{30, 22, 23, 21, 20, 10}));
    // A key equal to the smallest goes to the front, one equal to the largest to the back.
    list.insert(9, 1.0f);
    list.insert(31, 3.0f);
    EXPECT_EQ(list.items[0], 9);
    EXPECT_EQ(list.get(0), 31);

    // Keys 0 0 1 2 2 2 4 5 given to items 0..7 (the second 0 goes to the
    // front, the rest are appended), then one more 2. The narrowing goes mid 3
    // (lo 2), mid 4 (hi 4, lo 3), mid 3 (lo 2); the scan from 2 stops at
    // hi + 1 = 5: between the second and the third 2.
    DepthList longer;
    longer.init(12);
    const float keys[8] = {0, 0, 1, 2, 2, 2, 4, 5};
    for (int i = 0; i < 8; ++i) longer.insert(i, keys[i]);
    longer.insert(8, 2.0f);
    EXPECT_EQ(std::vector<std::int32_t>(longer.items, longer.items + longer.count),
              (std::vector<std::int32_t>{1, 0, 2, 3, 4, 8, 5, 6, 7}));
}

TEST(DepthList, StaysSortedUnderManyInsertsAndDropsWhatDoesNotFit) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        DepthList list;
        const std::uint32_t capacity = 1 + random() % 40;
        list.init(capacity);
        const int inserts = static_cast<int>(random() % 50);
        for (int i = 0; i < inserts; ++i) list.insert(i, static_cast<float>(random() % 6));
        ASSERT_EQ(list.count, std::min<std::uint32_t>(capacity, static_cast<std::uint32_t>(inserts)));
        ASSERT_TRUE(std::is_sorted(list.keys, list.keys + list.count)) << "round " << round;
        std::vector<std::int32_t> items(list.items, list.items + list.count);
        std::sort(items.begin(), items.end());
        for (std::uint32_t i = 0; i < list.count; ++i) ASSERT_EQ(items[i], static_cast<std::int32_t>(i));
        list.release();
        list.release();
        EXPECT_EQ(list.items, nullptr);
    }
}

TEST(LightSet, NoLightsGiveBlack) {
    LightSet lights;
    EXPECT_EQ(lights.shade(Vector3(1.0f, 2.0f, 3.0f), Vector3(0.0f, 256.0f, 0.0f), 0xffffffu), 0u);
}

TEST(LightSet, OneLightAHundredUnitsAwayAlongTheNormal) {
    Vector3 white(0.0f, 0.0f, -100.0f, 0xffffffu);
    LightSet lights;
    lights.lights[0] = &white;
    lights.count = 1;
    lights.directionalIndex = 4;  // no light is directional
    const Vector3 point(0.0f, 0.0f, 0.0f), normal(0.0f, 0.0f, 256.0f);
    // trunc(1947 * 255) / 2048 = 242 per channel, capped by the surface.
    EXPECT_EQ(lights.shade(point, normal, 0xffffffu), 0xf2f2f2u);
    EXPECT_EQ(lights.shade(point, normal, 0x808080u), 0x808080u);
    EXPECT_EQ(lights.shade(point, normal, 0x00ff10u), 0x00f210u);
    // Facing away: nothing.
    EXPECT_EQ(lights.shade(point, Vector3(0.0f, 0.0f, -256.0f), 0xffffffu), 0u);
    // A light at the very point has no direction and adds nothing.
    EXPECT_EQ(lights.shade(Vector3(0.0f, 0.0f, -100.0f), normal, 0xffffffu), 0u);
}

TEST(LightSet, TwoLightsSaturateAtTheSurfaceColour) {
    // 211 per channel at distance 100 gives trunc(1947 * 211) / 2048 = 200 each.
    Vector3 a(0.0f, 0.0f, -100.0f, 0xd3d3d3u), b(0.0f, 0.0f, -100.0f, 0xd3d3d3u);
    LightSet lights;
    lights.lights[0] = &a;
    lights.lights[1] = &b;
    lights.count = 1;
    lights.directionalIndex = 7;
    const Vector3 point(0.0f, 0.0f, 0.0f), normal(0.0f, 0.0f, 256.0f);
    EXPECT_EQ(lights.shade(point, normal, 0xffffffu), 0xc8c8c8u);
    lights.count = 2;
    EXPECT_EQ(lights.shade(point, normal, 0xff0000u), 0xff0000u);
    EXPECT_EQ(lights.shade(point, normal, 0xffffffu), 0xffffffu);
}

TEST(LightSet, ReachEndsAt2047AndTheDirectionalLightIgnoresDistance) {
    Vector3 sun(5000.0f, -9000.0f, 3.0f, 0xffffffu);  // position plays no part
    Vector3 edge(0.0f, -2047.0f, 0.0f, 0xffffffu);
    Vector3 beyond(0.0f, -2100.0f, 0.0f, 0xffffffu);
    LightSet lights;
    lights.lights[0] = &sun;
    lights.count = 1;
    const Vector3 point(0.0f, 0.0f, 0.0f), up(0.0f, 256.0f, 0.0f);
    // Along +y from distance 96: trunc(1951 * 255) / 2048 = 242.
    EXPECT_EQ(lights.shade(point, up, 0xffffffu), 0xf2f2f2u);
    EXPECT_EQ(lights.shade(point, Vector3(0.0f, -256.0f, 0.0f), 0xffffffu), 0u);
    // A light beyond its reach must not subtract from the others.
    lights.lights[1] = &beyond;
    lights.count = 2;
    EXPECT_EQ(lights.shade(point, up, 0xffffffu), 0xf2f2f2u);
    lights.lights[0] = &edge;
    lights.directionalIndex = 3;
    lights.count = 1;
    EXPECT_EQ(lights.shade(point, up, 0xffffffu), 0u);
    // The same lights with the first one directional after all.
    lights.directionalIndex = 0;
    EXPECT_EQ(lights.shade(point, up, 0xffffffu), 0xf2f2f2u);
}

TEST(ObjectGroup, EmptyGroupDrawsNothing) {
    ObjectGroup group;
    group.allocate(32);
    group.position.set(3.0f, 4.0f, 0.0f);
    Camera camera;
    camera.position.set(0.0f, 0.0f, 0.0f);
    LightSet lights;
    std::vector<std::uint32_t> viewport(640 * 288, 0x010203u);
    group.draw(viewport.data(), camera, lights);
    EXPECT_TRUE(std::all_of(viewport.begin(), viewport.end(), [](std::uint32_t p) { return p == 0x010203u; }));
    EXPECT_FLOAT_EQ(group.depth(camera), 5.0f);
}

TEST(ObjectGroup, ChildrenFollowTheGroupAndDrawFarthestFirst) {
    std::vector<int> log;
    Probe near(1, log), far(2, log), middle(3, log);
    near.position.set(0.0f, 0.0f, -100.0f);
    far.position.set(0.0f, 0.0f, 100.0f);
    middle.position.set(50.0f, 0.0f, 0.0f);
    middle.position.tag = 0x445566u;
    ObjectGroup group;
    group.allocate(2);
    group.add(&near);
    group.add(&far);
    group.add(&middle);  // beyond the capacity: ignored
    EXPECT_EQ(group.count, 2u);
    group.reset();
    group.allocate(3);
    group.add(&near);
    group.add(&far);
    group.add(&middle);
    group.orientation.setRotation(128.0f, 0.0f, 0.0f);  // +z turns to +x, +x to -z
    group.position.set(1000.0f, 0.0f, 0.0f);
    Camera camera;
    camera.position.set(0.0f, 0.0f, 0.0f);
    LightSet lights;
    std::uint32_t pixel = 0;
    group.draw(&pixel, camera, lights);
    // Placed at x = 900 (near), 1100 (far) and (1000, 0, -50) (middle).
    EXPECT_EQ(log, (std::vector<int>{2, 3, 1}));
    EXPECT_NEAR(far.drawnAt.x, 1100.0, 1e-3);
    EXPECT_NEAR(near.drawnAt.x, 900.0, 1e-3);
    EXPECT_NEAR(middle.drawnAt.z, -50.0, 1e-3);
    EXPECT_EQ(middle.drawnAt.tag, 0x445566u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(near.orientation.m[i], group.orientation.m[i]);

    group.reset();
    group.reset();
    EXPECT_EQ(group.count, 0u);
    EXPECT_EQ(group.children, nullptr);
    EXPECT_EQ(group.position.x, 0.0f);
    EXPECT_EQ(group.orientation.m[0], 1.0f);
}
