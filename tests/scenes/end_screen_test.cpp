#include <gtest/gtest.h>

#include <vector>

#include "image2d/frame_buffer.h"
#include "image2d/lettering.h"
#include "scenes/scenes.h"

namespace {

class EndScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = viewport;
        pixels_.assign(kFrameWidth * kViewportRows, 0);
        viewport = pixels_.data();
        buildGlyphTable();
    }
    void TearDown() override {
        freeGlyphTable();
        viewport = saved_;
    }
    std::vector<std::uint32_t> pixels_;

private:
    std::uint32_t* saved_ = nullptr;
};

}  // namespace

TEST_F(EndScreenTest, ThreeLinesOfCapitalsOnGrey) {
    scene6::prepare();
    scene6::drawFrame(0.0f);
    // Each line's extent: the first is indented, the others start at column 0
    // because a line feed returns to column 0.
    struct Line {
        int top, left, right;  // right exclusive
    };
    const Line lines[] = {{132, 160, 160 + 26 * 16}, {148, 0, 18 * 16}, {164, 0, 11 * 16}};
    int white[3] = {};
    for (int y = 0; y < kViewportRows; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            const std::uint32_t p = pixels_[y * kFrameWidth + x];
            if (p == 0x808080u) continue;
            ASSERT_EQ(p, 0xFFFFFFu) << x << "," << y;
            bool inside = false;
            for (int i = 0; i < 3; ++i) {
                if (y >= lines[i].top && y < lines[i].top + 16 && x >= lines[i].left && x < lines[i].right) {
                    inside = true;
                    ++white[i];
                }
            }
            ASSERT_TRUE(inside) << x << "," << y;
        }
    }
    for (int count : white) EXPECT_GT(count, 100);
    // "H" opens the first line: its cell starts at column 160 and the glyph
    // keeps to the cell's columns 3..12.
    int h = 0;
    for (int y = 132; y < 148; ++y)
        for (int x = 160; x < 176; ++x) {
            const bool white = pixels_[y * kFrameWidth + x] == 0xFFFFFFu;
            h += white;
            if (x < 163 || x > 172) {
                EXPECT_FALSE(white) << x << "," << y;
            }
        }
    EXPECT_GT(h, 10);
    EXPECT_EQ(textCursor().x, 176);
    EXPECT_EQ(textCursor().y, 164);
    scene6::teardown();
}

TEST_F(EndScreenTest, SamePictureOnEveryFrame) {
    scene6::drawFrame(0.0f);
    const std::vector<std::uint32_t> first = pixels_;
    pixels_.assign(pixels_.size(), 0x123456);
    scene6::drawFrame(42398.0f);
    EXPECT_EQ(pixels_, first);
}

TEST_F(EndScreenTest, WithoutTheGlyphTableOnlyGrey) {
    freeGlyphTable();
    scene6::drawFrame(0.0f);
    for (std::uint32_t p : pixels_) ASSERT_EQ(p, 0x808080u);
}
