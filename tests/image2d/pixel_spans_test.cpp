#include "image2d/pixel_spans.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "image2d/pixel_ops.h"
#include "platform/cpu_features.h"

namespace {
// Pixels with random top bytes too, so a kernel that keeps or drops them
// where addPixel would not is caught.
std::vector<std::uint32_t> randomPixels(std::mt19937& random, int n) {
    std::vector<std::uint32_t> p(n);
    for (auto& v : p) v = static_cast<std::uint32_t>(random());
    return p;
}
}  // namespace

TEST(AddScaledSpan, ScalarMatchesAddPixelOfScale) {
    std::uint32_t row[640] = {0xFF102030u, 0x00FFFFF0u, 0x00000000u};
    const std::uint8_t k[3] = {128, 200, 0};
    addScaledSpanScalar(row, k, 3, 0x80FF4010u);
    std::uint32_t expected[640] = {0xFF102030u, 0x00FFFFF0u, 0x00000000u};
    for (std::int16_t x = 0; x < 3; ++x)
        if (k[x] != 0) addPixel(expected, x, 0, scale(0x80FF4010u, k[x]));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(row[x], expected[x]) << x;
    EXPECT_EQ(row[0], 0x00FF6040u);  // lit: top byte gone, red saturated
    EXPECT_EQ(row[2], 0u);           // intensity 0: untouched
}

TEST(AddScaledSpan, VectorPathMatchesScalarOnRandomSpans) {
    std::mt19937 random(15);
    ASSERT_TRUE(cpuFeatures::vectorPaths());
    for (int trial = 0; trial < 400; ++trial) {
        const int start = static_cast<int>(random() % 5);  // unaligned starts
        const int count = trial < 12 ? trial : static_cast<int>(random() % 70);
        const auto pixels = randomPixels(random, start + count + 4);
        std::vector<std::uint8_t> k(start + count + 4);
        for (auto& v : k) v = static_cast<std::uint8_t>(random() % 3 == 0 ? 0 : random());
        const std::uint32_t colour = static_cast<std::uint32_t>(random());
        auto scalar = pixels;
        auto vector = pixels;
        addScaledSpanScalar(scalar.data() + start, k.data() + start, count, colour);
        addScaledSpan(vector.data() + start, k.data() + start, count, colour);
        ASSERT_EQ(scalar, vector) << "trial " << trial << ", start " << start << ", count " << count;
    }
}
