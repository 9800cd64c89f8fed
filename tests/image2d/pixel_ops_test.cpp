#include <gtest/gtest.h>

#include <vector>

#include "image2d/pixel_ops.h"

namespace {

struct Image {
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kViewportWidth * kViewportHeight, 0);
    std::uint32_t& at(int x, int y) { return pixels[y * kViewportWidth + x]; }
};

}  // namespace

TEST(AddPixel, SaturatesEachChannelOnItsOwn) {
    Image image;
    image.at(10, 20) = 0x909090;
    addPixel(image.pixels.data(), 10, 20, 0x808080);
    EXPECT_EQ(image.at(10, 20), 0xFFFFFFu);
    image.at(11, 20) = 0x101010;
    addPixel(image.pixels.data(), 11, 20, 0x808080);
    EXPECT_EQ(image.at(11, 20), 0x909090u);
    // A full channel does not carry into its neighbour.
    image.at(12, 20) = 0xFF00FF;
    addPixel(image.pixels.data(), 12, 20, 0x0101FF);
    EXPECT_EQ(image.at(12, 20), 0xFF01FFu);
    // The corners of the image are inside it.
    addPixel(image.pixels.data(), 0, 0, 0x000001);
    addPixel(image.pixels.data(), 639, 287, 0x010000);
    EXPECT_EQ(image.at(0, 0), 0x000001u);
    EXPECT_EQ(image.at(639, 287), 0x010000u);
}

TEST(AddPixel, LeavesEverythingOutsideTheImageAlone) {
    Image image;
    const std::vector<std::uint32_t> before = image.pixels;
    addPixel(image.pixels.data(), 640, 0, 0xFFFFFF);
    addPixel(image.pixels.data(), 0, -1, 0xFFFFFF);
    addPixel(image.pixels.data(), 0, 288, 0xFFFFFF);
    addPixel(image.pixels.data(), -1, 5, 0xFFFFFF);
    addPixel(image.pixels.data(), -32768, 32767, 0xFFFFFF);
    EXPECT_EQ(image.pixels, before);
}

TEST(Blend, ExamplesAndFactorLowByte) {
    EXPECT_EQ(blend(0x000000, 0xFFFFFF, 0), 0x000000u);
    EXPECT_EQ(blend(0xFF00FF, 0x00FF00, 0), 0xFF00FFu);
    EXPECT_EQ(blend(0x000000, 0xFFFFFF, 128), 0x7F7F7Fu);
    EXPECT_EQ(blend(0xFFFFFF, 0x000000, 128), 0x7F7F7Fu);
    EXPECT_EQ(blend(0x000000, 0xFFFFFF, 255), 0xFEFEFEu);
    EXPECT_EQ(blend(0xFFFFFF, 0x000000, 255), 0x000000u);
    EXPECT_EQ(blend(0x102030, 0x405060, 128), 0x283848u);
    // Only the low 8 bits of the factor count: 256 is 0, 511 is 255.
    EXPECT_EQ(blend(0x123456, 0x654321, 256), 0x123456u);
    EXPECT_EQ(blend(0x123456, 0x654321, 511), blend(0x123456, 0x654321, 255));
    EXPECT_EQ(blend(0x123456, 0x654321, 255), 0x644221u);
    // The top byte of the inputs never reaches the result.
    EXPECT_EQ(blend(0xFF000000, 0xFF000000, 128), 0u);
}

TEST(Blend, NegativeDifferencesWrapAcrossTheSharedLanes) {
    // Red down, blue up in one multiplication: the borrow of the red lane is
    // masked away and the result is the mean.
    EXPECT_EQ(blend(0xFF0000, 0x0000FF, 128), 0x7F007Fu);
    EXPECT_EQ(blend(0xFF0000, 0x000000, 1), 0xFE0000u);
    // Red up, blue down: blue loses its top step to the borrow, red gains nothing.
    EXPECT_EQ(blend(0x0000FF, 0xFF0000, 1), 0x0000FEu);
    // Two non-zero colours can blend to black.
    EXPECT_EQ(blend(0x000001, 0x000100, 128), 0u);
    EXPECT_EQ(blend(0x00FF00, 0x000000, 255), 0u);
}

TEST(Scale, BrightensDarkensAndSaturates) {
    EXPECT_EQ(scale(0x804020, 255), 0xFF7F3Fu);
    EXPECT_EQ(scale(0x804020, 64), 0x402010u);
    EXPECT_EQ(scale(0x804020, 128), 0x804020u);
    EXPECT_EQ(scale(0x804020, 256), 0u);
    EXPECT_EQ(scale(0x804020, 0x180), scale(0x804020, 0x80));
    EXPECT_EQ(scale(0xFFFFFF, 255), 0xFFFFFFu);
    EXPECT_EQ(scale(0x010101, 127), 0u);
    EXPECT_EQ(scale(0xFF010101, 128), 0x010101u);
}

TEST(Average, DropsEachChannelsLowBitFirst) {
    EXPECT_EQ(average(0xFFFFFF, 0x000000), 0x7F7F7Fu);
    EXPECT_EQ(average(0x010101, 0x010101), 0u);
    EXPECT_EQ(average(0x030507, 0x010101), 0x010203u);
}

TEST(AngleOf, QuadrantsAndAxes) {
    EXPECT_NEAR(angleOf(1, 1), 64.0, 1e-9);
    EXPECT_NEAR(angleOf(-1, 1), 192.0, 1e-9);
    EXPECT_NEAR(angleOf(-1, -1), 320.0, 1e-9);
    EXPECT_NEAR(angleOf(1, -1), 448.0, 1e-9);
    EXPECT_EQ(angleOf(0, 0), 256.0f);
    EXPECT_EQ(angleOf(5, 0), 0.0f);
    EXPECT_EQ(angleOf(0, 3), 128.0f);
    EXPECT_EQ(angleOf(0, -3), 384.0f);
    EXPECT_EQ(angleOf(-2, 0), 256.0f);
    // Just below the positive x axis is just below a full turn.
    const float below = angleOf(128, -1);
    EXPECT_GT(below, 511.0f);
    EXPECT_LT(below, 512.0f);
}
