#include "render3d/environment_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {
std::uint32_t channel(std::uint32_t c, int shift) { return (c >> shift) & 0xFFu; }

class EnvironmentMapTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        map = new std::vector<std::uint32_t>(65536, 0xDEADBEEF);
        makeEnvironmentMap(map->data());
    }
    static void TearDownTestSuite() {
        delete map;
        map = nullptr;
    }
    static std::uint32_t at(int x, int y) { return (*map)[y * 256 + x]; }
    static std::vector<std::uint32_t>* map;
};
std::vector<std::uint32_t>* EnvironmentMapTest::map = nullptr;
}  // namespace

TEST_F(EnvironmentMapTest, TopRowsAreFreeOfClouds) {
    for (int x = 0; x < 256; ++x) {
        ASSERT_EQ(at(x, 0), 0xFFFFFFu);
        ASSERT_EQ(at(x, 15), 0x0F87FFu);
        ASSERT_EQ(at(x, 16), 0x0080FFu);
        ASSERT_EQ(at(x, 20), 0x007CFFu);
    }
}

TEST_F(EnvironmentMapTest, HazeRowsArePulledTowardsGrey) {
    // Weight 248 on row 127 leaves every channel within 124..131, whatever was below.
    for (int x = 0; x < 256; ++x) {
        for (int shift = 0; shift <= 16; shift += 8) {
            ASSERT_GE(channel(at(x, 127), shift), 124u);
            ASSERT_LE(channel(at(x, 127), shift), 131u);
        }
    }
    // Row 97 has weight 8: the sky's red of 0 rises to 4 unless a cloud whitened it.
    int hazed = 0;
    for (int x = 0; x < 256; ++x) hazed += channel(at(x, 97), 16) == 4;
    EXPECT_GT(hazed, 0);
    for (int x = 0; x < 256; ++x) EXPECT_NE(channel(at(x, 97), 16), 0u) << x;
}

TEST_F(EnvironmentMapTest, GroundStartsGreyAndHasNoRedBelowTheHaze) {
    for (int x = 0; x < 256; ++x) {
        // Row 128 is the pattern pulled towards grey with weight 248; its red comes only from the grey.
        EXPECT_EQ(channel(at(x, 128), 16), 0x7Cu);
        ASSERT_GE(channel(at(x, 128), 8), 124u);
        ASSERT_LE(channel(at(x, 128), 8), 131u);
        for (int y = 159; y < 256; ++y) ASSERT_EQ(channel(at(x, y), 16), 0u) << x << "," << y;
        // Weight 254 on the bottom row leaves almost nothing of the pattern (at most 252).
        ASSERT_LE(channel(at(x, 255), 8), 1u);
        ASSERT_LE(channel(at(x, 255), 0), 1u);
    }
}

TEST_F(EnvironmentMapTest, TexelsMatchAnIndependentEvaluation) {
    // Values from a separate double-precision evaluation of the same sums.
    EXPECT_EQ(at(1, 34), 0x006EFFu);    // cloud value 64: weight 256 wraps to 0
    EXPECT_EQ(at(109, 70), 0xFFFFFFu);  // cloud value 128: white darkened by weight 0
    EXPECT_EQ(at(100, 60), 0x6396FFu);
    EXPECT_EQ(at(200, 100), 0x1036EFu);
    EXPECT_EQ(at(0, 127), 0x818181u);
    EXPECT_EQ(at(255, 128), 0x7C8181u);
    EXPECT_EQ(at(37, 159), 0x006654u);
    EXPECT_EQ(at(100, 200), 0x004847u);
    EXPECT_EQ(at(0, 255), 0x000101u);
}

TEST_F(EnvironmentMapTest, WholeMapMatchesAnIndependentEvaluation) {
    // 64-bit FNV-1a over the 65536 texels of a separate evaluation of every
    // step in double precision (Python's math module): one wrong texel anywhere
    // changes it.
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (std::uint32_t texel : *map) {
        hash ^= texel;
        hash *= 0x100000001b3u;
    }
    EXPECT_EQ(hash, 0x337792195eaead0eu);
}

TEST_F(EnvironmentMapTest, EveryTexelIsWritten) {
    for (std::uint32_t texel : *map) ASSERT_EQ(texel & 0xFF000000u, 0u);
}

TEST(EnvironmentLookup, UsesTheLowBytesOfXAndYAndMirrorsTheBackHalf) {
    std::vector<std::uint32_t> map(65536);
    for (int i = 0; i < 65536; ++i) map[i] = static_cast<std::uint32_t>(i);
    EXPECT_EQ(environmentTexel(map.data(), Vector3(0.0f, 0.0f, 128.0f)), 0u);
    EXPECT_EQ(environmentTexel(map.data(), Vector3(0.0f, 0.0f, -128.0f)), 255u);
    EXPECT_EQ(environmentTexel(map.data(), Vector3(50.7f, 30.2f, 10.0f)), 30u * 256 + 50);
    EXPECT_EQ(environmentTexel(map.data(), Vector3(-0.9f, -1.5f, 10.0f)), 255u * 256 + 0);  // toward zero
    EXPECT_EQ(environmentTexel(map.data(), Vector3(-128.0f, 127.9f, -1.0f)), 127u * 256 + (255 - 128));
}
