#include <gtest/gtest.h>

#include <vector>

#include "app/loading_screen.h"
#include "app/presentation.h"
#include "image2d/frame_buffer.h"
#include "image2d/pixel_ops.h"
#include "tests/support/own_frame_buffer.h"

namespace {

int barsPresented = 0;
const std::uint32_t* barsSource = nullptr;

bool countBars(const std::uint32_t* pixels) {
    ++barsPresented;
    barsSource = pixels;
    return true;
}

// The glow laid over the loading picture: scale(0x003040, g), g rising to
// the middle rows.
std::uint32_t glow(int y) { return scale(0x003040, y < 64 ? y : 127 - y); }

class LoadingScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedBars_ = presentBars;
        presentBars = countBars;
        barsPresented = 0;
        barsSource = nullptr;
    }
    void TearDown() override { presentBars = savedBars_; }
    std::uint32_t& frame(int x, int y) { return own_.pixels[y * kFrameWidth + x]; }
    std::uint32_t& view(int x, int y) { return viewport[y * kFrameWidth + x]; }

private:
    OwnFrameBuffer own_{0x010203};
    PresentBarsFn savedBars_ = nullptr;
};

}  // namespace

TEST_F(LoadingScreenTest, ThumbnailOfWhiteIsMaskedWhiteAndPresentsTheBars) {
    for (int y = 0; y < kViewportRows; ++y)
        for (int x = 0; x < kFrameWidth; ++x) view(x, y) = 0xFFFFFF;
    drawThumbnail();
    for (int y = 395; y <= 468; ++y) {
        for (int x = 11; x <= 172; ++x) {
            const bool inside = y >= 396 && y <= 467 && x >= 12 && x <= 171;
            ASSERT_EQ(frame(x, y), inside ? 0xF0F0F0u : 0x010203u) << x << "," << y;
        }
    }
    EXPECT_EQ(barsPresented, 1);
    EXPECT_EQ(barsSource, frameBuffer);
}

TEST_F(LoadingScreenTest, ThumbnailAveragesTheTopFourBitsOfEachChannel) {
    for (int y = 0; y < kViewportRows; ++y)
        for (int x = 0; x < kFrameWidth; ++x) view(x, y) = 0;
    // Block 0: half white -> 8 x 0xF0 / 16 = 0x78 a channel.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) view(x, y) = 0xFFFFFF;
    // Block 1: low nibbles only -> nothing survives the mask.
    for (int y = 0; y < 4; ++y)
        for (int x = 4; x < 8; ++x) view(x, y) = 0x0F0F0F;
    // Block 2: full channels do not carry into each other.
    for (int y = 0; y < 4; ++y)
        for (int x = 8; x < 12; ++x) view(x, y) = 0xFF00FF;
    // Last block of the last row.
    view(639, 287) = 0x405060;
    drawThumbnail();
    EXPECT_EQ(frame(12, 396), 0x787878u);
    EXPECT_EQ(frame(13, 396), 0u);
    EXPECT_EQ(frame(14, 396), 0xF000F0u);
    EXPECT_EQ(frame(171, 467), 0x040506u);
}

TEST_F(LoadingScreenTest, ThumbnailWithoutFrameBufferDoesNothing) {
    frameBuffer = nullptr;
    viewport = nullptr;
    drawThumbnail();
    EXPECT_EQ(barsPresented, 0);
}

TEST_F(LoadingScreenTest, PictureIsGlowAroundTheShadedText) {
    buildLoadingImage();
    const std::uint32_t* image = loadingImagePixels();
    ASSERT_NE(image, nullptr);
    // Above and below the text band, and right of its 608 columns, only the glow.
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 640; ++x) {
            if (y < 32 || y >= 96 || x >= 608) {
                ASSERT_EQ(image[y * 640 + x], glow(y)) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(glow(0), 0u);
    EXPECT_EQ(glow(63), glow(64));
    // The text band holds shaded (bright grey) lettering.
    int bright = 0;
    for (int y = 32; y < 96; ++y)
        for (int x = 0; x < 608; ++x) bright += (image[y * 640 + x] & 0xFF0000) > 0x400000;
    EXPECT_GT(bright, 1000);
    // Rebuilding reuses the picture and gives the same result.
    const std::vector<std::uint32_t> first(image, image + 640 * 128);
    buildLoadingImage();
    EXPECT_EQ(std::vector<std::uint32_t>(loadingImagePixels(), loadingImagePixels() + 640 * 128), first);
}

TEST_F(LoadingScreenTest, FrameAtZeroIsUndisplaced) {
    buildLoadingImage();
    const std::uint32_t* image = loadingImagePixels();
    drawLoadingFrame(0.0f);
    for (int y = 0; y < kViewportRows; ++y)
        for (int x = 0; x < kFrameWidth; ++x) {
            const std::uint32_t expected = y >= 80 && y < 208 ? image[(y - 80) * 640 + x] : 0u;
            ASSERT_EQ(view(x, y), expected) << x << "," << y;
        }
    // The bars are not the loading frame's business.
    EXPECT_EQ(frame(0, 0), 0x010203u);
    EXPECT_EQ(frame(639, 479), 0x010203u);
    EXPECT_EQ(barsPresented, 0);
}

TEST_F(LoadingScreenTest, StrongRippleWrapsRoundTheImage) {
    buildLoadingImage();
    drawLoadingFrame(-6076.0f);
    // A = 0.99822. Column 0, row 0: n = trunc(21.49) = 21, source row
    // (0 - 21) & 127 = 107, pulled in from the bottom. Row 127: n = -14,
    // source row 141 & 127 = 13, from the top. Column 0 is left of the text:
    // glow only.
    EXPECT_EQ(view(0, 80), glow(107));
    EXPECT_EQ(view(0, 80), 0x00070Au);
    EXPECT_EQ(view(0, 207), glow(13));
    EXPECT_EQ(view(0, 207), 0x000406u);
    EXPECT_EQ(view(0, 79), 0u);
    EXPECT_EQ(view(0, 208), 0u);
}

TEST_F(LoadingScreenTest, FreedPictureLeavesABlackViewport) {
    buildLoadingImage();
    freeLoadingImage();
    EXPECT_EQ(loadingImagePixels(), nullptr);
    drawLoadingFrame(-8076.0f);
    for (int y = 0; y < kViewportRows; ++y)
        for (int x = 0; x < kFrameWidth; ++x) ASSERT_EQ(view(x, y), 0u);
    freeLoadingImage();
}
