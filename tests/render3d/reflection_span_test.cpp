#include "render3d/reflection_span.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "platform/cpu_features.h"

namespace {
std::vector<std::uint32_t> texels(bool vector, const ReflectionSpan& span, int first, int count) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(count) + 1, 0xDEADBEEFu);
    if (vector) reflectionTexels(span, first, count, out.data());
    else reflectionTexelsScalar(span, first, count, out.data());
    return out;
}
}  // namespace

TEST(ReflectionSpan, ScalarPathReadsTheMapAlongTheRay) {
    // From (10, 20, 1) to (-10, 20, -1) over 4 pixels: x 10, 5, 0, -5 halves to
    // columns 5, 2, 0, 254 (-2.5 truncates to -2); z turns negative at pixel 3.
    const ReflectionSpan span{Vector3(10.0f, 20.0f, 1.0f), -20.0, 0.0, -2.0, 4};
    const auto t = texels(false, span, 0, 4);
    EXPECT_EQ(t[0], 10u * 256 + 5);
    EXPECT_EQ(t[1], 10u * 256 + 2);
    EXPECT_EQ(t[2], 10u * 256 + 0);          // z = 0 is the front
    EXPECT_EQ(t[3], 10u * 256 + (255 - 254));  // mirrored
    EXPECT_EQ(t[4], 0xDEADBEEFu);            // nothing past count
}

TEST(ReflectionSpan, VectorPathMatchesScalarOnRandomAndDegenerateRays) {
    ASSERT_TRUE(cpuFeatures::vectorPaths());
    std::mt19937 random(17);
    std::uniform_real_distribution<float> coordinate(-300.0f, 300.0f);
    const double odd[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), 3e9, -3e9, 2.1e9, 1e9};
    for (int trial = 0; trial < 2000; ++trial) {
        ReflectionSpan span{Vector3(coordinate(random), coordinate(random), coordinate(random)),
                            static_cast<double>(coordinate(random)) * 3, static_cast<double>(coordinate(random)) * 3,
                            static_cast<double>(coordinate(random)), 1 + static_cast<int>(random() % 700)};
        if (trial % 10 == 0) span.dx = odd[random() % 7];
        if (trial % 13 == 0) span.dy = odd[random() % 7];
        if (trial % 17 == 0) span.dz = odd[random() % 7];
        const int first = static_cast<int>(random() % 5);  // unaligned starts
        const int count = trial < 8 ? trial : static_cast<int>(random() % 300);
        ASSERT_EQ(texels(true, span, first, count), texels(false, span, first, count))
            << "trial " << trial << ", first " << first << ", count " << count;
    }
}
