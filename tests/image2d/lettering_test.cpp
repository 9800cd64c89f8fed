#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image2d/lettering.h"
#include "image2d/pixel_ops.h"

namespace {

struct Picture {
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
    Picture(int w, int h, std::uint32_t fill = 0) : width(w), height(h), pixels(w * h, fill) {}
    std::uint32_t& at(int x, int y) { return pixels[y * width + x]; }
    void shade() { shadeEdges(pixels.data(), static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)); }
};

bool isGrey(std::uint32_t p) { return p != 0 && (p & 0xFF) == ((p >> 8) & 0xFF) && (p & 0xFF) == (p >> 16); }

}  // namespace

TEST(ShadeEdges, BackgroundStaysAndIsolatedPixelsLookDown) {
    Picture empty(32, 20);
    empty.shade();
    EXPECT_EQ(empty.pixels, std::vector<std::uint32_t>(32 * 20, 0));

    // Straight below (direction 0, radius 1) is background: the darkest grey.
    Picture dot(32, 20);
    dot.at(7, 5) = 0x0000FF;
    dot.shade();
    EXPECT_EQ(dot.at(7, 5), 0x424242u);
    dot.at(7, 5) = 0;
    EXPECT_EQ(dot.pixels, std::vector<std::uint32_t>(32 * 20, 0));

    // In the last row "below" is clamped onto the pixel itself; the first
    // background is found a quarter turn on, to the right and (the step
    // angle being a hair over a 64th of a turn) one row up.
    Picture last(32, 20);
    last.at(7, 19) = 0x000080;
    last.shade();
    EXPECT_EQ(last.at(7, 19), 0x727272u);
}

TEST(ShadeEdges, ThickLettersKeepTheirMiddleAndShadeTheirEdges) {
    Picture block(40, 40);
    for (int y = 5; y < 35; ++y)
        for (int x = 5; x < 35; ++x) block.at(x, y) = 0x0000C8;
    block.shade();
    // More than 11 pixels from any background: untouched.
    EXPECT_EQ(block.at(20, 20), 0x0000C8u);
    // Bottom edge: background straight below.
    EXPECT_EQ(block.at(10, 34), 0x424242u);
    // Top edge: found at direction 16, which reads the row above.
    EXPECT_EQ(block.at(10, 5), 0x727272u);
    for (int x = 5; x < 35; ++x) EXPECT_TRUE(isGrey(block.at(x, 34))) << x;
    EXPECT_EQ(block.at(4, 20), 0u);
}

TEST(ShadeEdges, SearchSeesPixelsAlreadyChanged) {
    // No background anywhere at first. Smoothing the two marked pixels
    // together yields black, and the pixels after them find that new hole:
    // reading an untouched copy would have left them all unshaded.
    Picture solid(40, 40, 0x0000FF);
    solid.at(20, 20) = 0x000001;
    solid.at(21, 20) = 0x000100;
    solid.shade();
    EXPECT_EQ(solid.at(20, 20), 0u);
    EXPECT_TRUE(isGrey(solid.at(22, 20))) << std::hex << solid.at(22, 20);
    EXPECT_TRUE(isGrey(solid.at(20, 21))) << std::hex << solid.at(20, 21);
    // Far from it nothing changed.
    EXPECT_EQ(solid.at(5, 5), 0x0000FFu);
}

TEST(ShadeEdges, SmoothingRunsAcrossTheRowBoundary) {
    // The last pixel of a row and the first of the next are neighbours in
    // the pass: the first is blended into the last.
    Picture strip(4, 12, 0x0000FF);
    for (int x = 0; x < 3; ++x) strip.at(x, 0) = 0;
    for (int x = 1; x < 4; ++x) strip.at(x, 1) = 0;
    strip.shade();
    // (3,0) has background straight below: 0x424242. (0,1) finds it at
    // direction 16 (up and right): 0x727272, and (3,0) becomes their blend.
    EXPECT_EQ(strip.at(0, 1), 0x727272u);
    EXPECT_EQ(strip.at(3, 0), 0x5A5A5Au);
}

TEST(RasteriseText, WritesExactlyHalfTheHeightPerCharacter) {
    constexpr int stride = 700;
    constexpr std::uint32_t untouched = 0xDEADBEEF;
    std::vector<std::uint32_t> image(stride * 66, untouched);
    rasteriseText(image.data(), "  <- now loading ->", stride, 64);
    bool ink = false;
    for (int y = 0; y < 66; ++y) {
        for (int x = 0; x < stride; ++x) {
            const std::uint32_t p = image[y * stride + x];
            if (y < 64 && x < 608) {
                ASSERT_LE(p, 0xFFu) << x << "," << y;
                ink = ink || p != 0;
            } else {
                ASSERT_EQ(p, untouched) << x << "," << y;
            }
        }
    }
    EXPECT_TRUE(ink);

    // The halving comes after the multiplication: 3 x 33 / 2 = 49 columns.
    std::vector<std::uint32_t> odd(64 * 33, untouched);
    rasteriseText(odd.data(), "abc", 64, 33);
    for (int y = 0; y < 33; ++y) {
        EXPECT_NE(odd[y * 64 + 48], untouched);
        EXPECT_EQ(odd[y * 64 + 49], untouched);
    }

    std::vector<std::uint32_t> none(16, untouched);
    rasteriseText(none.data(), "", 16, 8);
    rasteriseText(none.data(), "x", 16, 0);
    EXPECT_EQ(none, std::vector<std::uint32_t>(16, untouched));
}

TEST(RasteriseText, WideCapitalsAreNarrowedNotCut) {
    // Five capitals are far wider than five average characters; the text is
    // narrowed so its trailing spaces stay empty instead of losing letters.
    constexpr int width = 7 * 32 / 2;
    std::vector<std::uint32_t> panel(width * 32, 0);
    rasteriseText(panel.data(), "ZUMPA  ", width, 32);
    bool lastLetter = false;
    for (int y = 0; y < 32; ++y) {
        for (int x = width - 8; x < width; ++x) EXPECT_EQ(panel[y * width + x], 0u) << x << "," << y;
        for (int x = width - 30; x < width - 8; ++x) lastLetter = lastLetter || panel[y * width + x] > 128;
    }
    EXPECT_TRUE(lastLetter);
}

class GlyphTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildGlyphTable();
        viewport.assign(640 * 288 + kGuard, kBackground);
    }
    void TearDown() override { freeGlyphTable(); }

    // Draws one character at (x, y) into a fresh viewport, returns it.
    std::vector<std::uint32_t> drawn(char c, std::int16_t x = 32, std::int16_t y = 32) {
        std::vector<std::uint32_t> picture(640 * 288, kBackground);
        setTextCursor(x, y);
        drawGlyph(picture.data(), c, 16);
        return picture;
    }

    static constexpr std::uint32_t kBackground = 0x123456;
    static constexpr int kGuard = 640 * 16;
    std::vector<std::uint32_t> viewport;
};

TEST_F(GlyphTableTest, GlyphsSitInTheirCells) {
    const std::uint32_t* table = glyphTable();
    ASSERT_NE(table, nullptr);
    int set[kGlyphCount] = {};
    for (int g = 0; g < kGlyphCount; ++g) {
        for (int j = 0; j < kGlyphSize; ++j) {
            for (int k = 0; k < kGlyphSize; ++k) {
                const std::uint32_t p = table[g * 256 + j * 16 + k];
                ASSERT_TRUE(p == 0xFFFFFFu || p == kGlyphTransparent);
                if (p == 0xFFFFFFu) {
                    ++set[g];
                    EXPECT_GE(k, 3);
                    EXPECT_LE(k, 12);
                }
            }
        }
    }
    EXPECT_EQ(set[0], 0);  // space
    for (int g = 1; g < kGlyphCount; ++g) EXPECT_GT(set[g], 0) << static_cast<char>(32 + g);
    freeGlyphTable();
    EXPECT_EQ(glyphTable(), nullptr);
    freeGlyphTable();
}

TEST_F(GlyphTableTest, LowerCaseAndLaterCodesFoldOntoCapitals) {
    EXPECT_EQ(drawn('a'), drawn('A'));
    EXPECT_EQ(drawn('z'), drawn('Z'));
    EXPECT_EQ(drawn('{'), drawn('['));
    EXPECT_EQ(drawn(127), drawn('_'));
    EXPECT_NE(drawn('A'), drawn('B'));
    // Transparent pixels keep what was there; set pixels are white.
    for (std::uint32_t p : drawn('M')) EXPECT_TRUE(p == kBackground || p == 0xFFFFFFu);
    EXPECT_EQ(drawn(' '), std::vector<std::uint32_t>(640 * 288, kBackground));
    // Other codes wrap into the 64 glyphs through the signed 8-bit code - 32:
    // tab -23 -> 41 ('I'); 0x80: 96 -> 64 -> 0 (space); 0xA0: -128 -> 0 (space);
    // 0xE1: -63 -> 1 ('!'); 0xFF: -33 -> 31 ('?').
    EXPECT_EQ(drawn(9), drawn('I'));
    EXPECT_EQ(drawn(static_cast<char>(0x80)), drawn(' '));
    EXPECT_EQ(drawn(static_cast<char>(0xA0)), drawn(' '));
    EXPECT_EQ(drawn(static_cast<char>(0xE1)), drawn('!'));
    EXPECT_EQ(drawn(static_cast<char>(0xFF)), drawn('?'));
}

TEST_F(GlyphTableTest, CursorAdvancesWrapsAndFeedsLines) {
    setTextCursor(160, 132);
    drawGlyph(viewport.data(), 'H', 16);
    EXPECT_EQ(textCursor().x, 176);
    EXPECT_EQ(textCursor().y, 132);
    drawGlyph(viewport.data(), '\n', 16);
    EXPECT_EQ(textCursor().x, 0);
    EXPECT_EQ(textCursor().y, 148);

    // 608 + 16 = 624 stays on the line; 624 + 16 = 640 is past column 639.
    setTextCursor(608, 0);
    drawGlyph(viewport.data(), 'A', 16);
    EXPECT_EQ(textCursor().x, 624);
    EXPECT_EQ(textCursor().y, 0);
    drawGlyph(viewport.data(), 'A', 16);
    EXPECT_EQ(textCursor().x, 0);
    EXPECT_EQ(textCursor().y, 16);

    // Forty cells fill a line exactly.
    setTextCursor(0, 0);
    drawString(viewport.data(), std::string(40, 'X').c_str(), 16);
    EXPECT_EQ(textCursor().x, 0);
    EXPECT_EQ(textCursor().y, 16);
}

TEST_F(GlyphTableTest, StringsStopAfter255Characters) {
    setTextCursor(0, 0);
    drawString(viewport.data(), std::string(300, ' ').c_str(), 16);
    // 255 cells: six full lines of 40 and 15 more.
    EXPECT_EQ(textCursor().x, 15 * 16);
    EXPECT_EQ(textCursor().y, 6 * 16);
}

TEST_F(GlyphTableTest, GlyphsAreClippedAtTheViewportEdges) {
    setTextCursor(632, 280);
    drawGlyph(viewport.data(), 'M', 16);
    setTextCursor(-8, -8);
    drawGlyph(viewport.data(), 'M', 16);
    for (int i = 0; i < kGuard; ++i) ASSERT_EQ(viewport[640 * 288 + i], kBackground);
    // Nothing spilled onto the start of the next row.
    for (int y = 281; y < 288; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(viewport[y * 640 + x], kBackground);
    int white = 0;
    for (int y = 280; y < 288; ++y)
        for (int x = 632; x < 640; ++x) white += viewport[y * 640 + x] == 0xFFFFFFu;
    EXPECT_GT(white, 0);
}

TEST(GlyphTable, DrawingWithoutATableOnlyMovesTheCursor) {
    freeGlyphTable();
    std::vector<std::uint32_t> picture(640 * 288, 7);
    setTextCursor(0, 0);
    drawString(picture.data(), "ABC", 16);
    EXPECT_EQ(picture, std::vector<std::uint32_t>(640 * 288, 7));
    EXPECT_EQ(textCursor().x, 48);
}
