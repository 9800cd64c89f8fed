#include "render3d/environment_rays.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "platform/cpu_features.h"
#include "render3d/environment_map.h"

// Two paths, one result: random rotations-like matrices and directions (some
// huge or NaN, whose truncation leaves the 8-bit range), odd counts, starts
// off the first direction and both output steps.
TEST(EnvironmentRayTexels, VectorPathMatchesScalar) {
    ASSERT_TRUE(cpuFeatures::vectorPaths());
    std::mt19937 random(18);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f), coordinate(-140.0f, 140.0f);
    std::vector<std::uint32_t> map(kEnvironmentMapTexels);
    for (auto& t : map) t = static_cast<std::uint32_t>(random());
    std::vector<Vector3> directions(40);
    Matrix3 m;
    for (int trial = 0; trial < 500; ++trial) {
        for (int i = 0; i < 9; ++i) m.m[i] = unit(random);
        for (auto& d : directions) d.set(coordinate(random), coordinate(random), coordinate(random));
        if (trial % 7 == 0) directions[random() % 40].x = 3e12f;
        if (trial % 11 == 0) directions[random() % 40].y = std::numeric_limits<float>::quiet_NaN();
        const int start = static_cast<int>(random() % 3);
        const int count = trial < 6 ? trial : static_cast<int>(random() % 38);
        const int step = 1 + trial % 2;
        std::vector<std::uint32_t> scalar(80, 7u), vector(80, 7u);
        environmentRayTexelsScalar(directions.data() + start, count, m, map.data(), scalar.data(), step);
        environmentRayTexels(directions.data() + start, count, m, map.data(), vector.data(), step);
        ASSERT_EQ(scalar, vector) << "trial " << trial << ", count " << count;
    }
}

TEST(EnvironmentRayTexels, ScalarPathTurnsThenLooksUp) {
    std::vector<std::uint32_t> map(kEnvironmentMapTexels);
    for (int i = 0; i < kEnvironmentMapTexels; ++i) map[i] = static_cast<std::uint32_t>(i);
    Matrix3 m;  // a quarter turn about z: (x, y, z) -> (-y, x, z)
    const float turn[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i) m.m[i] = turn[i];
    const Vector3 directions[2] = {Vector3(10.5f, 3.0f, 1.0f), Vector3(10.5f, 3.0f, -1.0f)};
    std::uint32_t out[4] = {};
    environmentRayTexelsScalar(directions, 2, m, map.data(), out, 2);
    EXPECT_EQ(out[0], 10u * 256 + 253);         // x = -3 -> column 253, y = 10.5 -> row 10
    EXPECT_EQ(out[2], 10u * 256 + (255 - 253));  // behind: the column mirrored
    EXPECT_EQ(out[1], 0u);                       // the step skips it
}
