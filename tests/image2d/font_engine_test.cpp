#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/font_engine.h"
#include "platform/resources.h"

namespace {

struct Canvas {
    std::vector<std::uint8_t> pixels;
    GreyImage image;
    Canvas(int width, int height) : pixels(width * height, 0), image{pixels.data(), width, height} {}
    std::uint8_t at(int x, int y) const { return pixels[y * image.width + x]; }
    // First and last rows holding ink; -1 when there is none.
    std::pair<int, int> inkRows() const {
        int first = -1, last = -1;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (at(x, y) != 0) {
                    if (first < 0) first = y;
                    last = y;
                }
        return {first, last};
    }
};

}  // namespace

TEST(FontEngine, CellHeightPlacesTheBaselineAtTheScaledWinAscent) {
    // Liberation Serif: win ascent 1825, win descent 443 font units.
    const Font serif(FontRequest{kSerifFontResource, 64, 0, false, false});
    ASSERT_TRUE(serif.ok());
    EXPECT_EQ(serif.baseline(), 51);  // 1825 x 64 / 2268 = 51.50
    // Liberation Mono: 1705 and 615.
    const Font mono(FontRequest{kMonoFontResource, 20, 0, false, true});
    ASSERT_TRUE(mono.ok());
    EXPECT_EQ(mono.baseline(), 15);  // 1705 x 20 / 2320 = 14.70

    // Capitals stand on the baseline; descenders stay inside the cell.
    Canvas capitals(200, 64);
    serif.drawText(capitals.image, 0, 0, "HEH");
    EXPECT_NEAR(capitals.inkRows().second, 50, 1);
    EXPECT_GT(capitals.inkRows().first, 5);
    Canvas descenders(200, 64);
    serif.drawText(descenders.image, 0, 0, "gjpq");
    EXPECT_GT(descenders.inkRows().second, 52);
    EXPECT_LT(descenders.inkRows().second, 64);
}

TEST(FontEngine, WidthIsTheWeightedLowerCaseAverage) {
    const int weights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56,
                             56, 17, 4, 49, 56, 71, 31, 10, 18, 3, 18, 2, 166};
    for (int requested : {16, 32}) {
        const Font font(FontRequest{kSerifFontResource, 2 * requested, static_cast<double>(requested), false, false});
        ASSERT_TRUE(font.ok());
        double sum = 0;
        for (int i = 0; i < 27; ++i) {
            const char text[2] = {i < 26 ? static_cast<char>('a' + i) : ' ', '\0'};
            sum += weights[i] * font.textWidth(text);
        }
        // Each advance is rounded to whole pixels.
        EXPECT_NEAR(sum / 1000.0, requested, 0.6) << requested;
    }
    // The fixed-pitch face narrowed to 10-pixel cells advances exactly 10.
    const Font mono(FontRequest{kMonoFontResource, 20, 10, false, true});
    EXPECT_EQ(mono.textWidth("M"), 10);
    EXPECT_EQ(mono.textWidth(" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_"), 640);
    // Without a width the face keeps its own proportions (a little wider).
    EXPECT_GT(Font(FontRequest{kMonoFontResource, 20, 0, false, true}).textWidth("MMMMMMMMMM"), 100);
}

TEST(FontEngine, WhiteOnBlackAndMonochromeIsTwoLevel) {
    const Font grey(FontRequest{kSerifFontResource, 64, 32, false, false});
    Canvas smooth(100, 64);
    grey.drawText(smooth.image, 0, 0, "lO");
    EXPECT_EQ(*std::max_element(smooth.pixels.begin(), smooth.pixels.end()), 255);
    EXPECT_TRUE(std::any_of(smooth.pixels.begin(), smooth.pixels.end(), [](int p) { return p > 0 && p < 255; }));

    const Font mono(FontRequest{kMonoFontResource, 20, 10, false, true});
    Canvas crisp(100, 20);
    mono.drawText(crisp.image, 0, 0, "@OW");
    EXPECT_TRUE(std::all_of(crisp.pixels.begin(), crisp.pixels.end(), [](int p) { return p == 0 || p == 255; }));
    EXPECT_TRUE(std::any_of(crisp.pixels.begin(), crisp.pixels.end(), [](int p) { return p == 255; }));
}

TEST(FontEngine, SemiBoldIsHeavierThanRegular) {
    const Font regular(FontRequest{kSerifFontResource, 64, 32, false, false});
    const Font semiBold(FontRequest{kSerifFontResource, 64, 32, true, false});
    Canvas thin(300, 64), thick(300, 64);
    regular.drawText(thin.image, 0, 0, "loading");
    semiBold.drawText(thick.image, 0, 0, "loading");
    long thinInk = 0, thickInk = 0;
    for (std::uint8_t p : thin.pixels) thinInk += p;
    for (std::uint8_t p : thick.pixels) thickInk += p;
    EXPECT_GT(thickInk, thinInk * 11 / 10);
    EXPECT_LT(thickInk, thinInk * 2);
    EXPECT_EQ(regular.textWidth("loading"), semiBold.textWidth("loading"));
}

TEST(FontEngine, ClipsAtTheImageAndRefusesBadRequests) {
    const Font font(FontRequest{kSerifFontResource, 32, 16, true, false});
    Canvas small(20, 10);
    font.drawText(small.image, -7, -12, "WWWW");
    font.drawText(small.image, 15, 5, "WWWW");
    EXPECT_TRUE(std::any_of(small.pixels.begin(), small.pixels.end(), [](int p) { return p != 0; }));

    for (const FontRequest& bad : {FontRequest{12345, 20, 0, false, false}, FontRequest{kSerifFontResource, 0, 0, false, false},
                                FontRequest{kSerifFontResource, 20, -1, false, false}}) {
        const Font font(bad);
        EXPECT_FALSE(font.ok());
        EXPECT_EQ(font.textWidth("abc"), 0);
        Canvas canvas(20, 20);
        font.drawText(canvas.image, 0, 0, "abc");
        EXPECT_TRUE(std::all_of(canvas.pixels.begin(), canvas.pixels.end(), [](int p) { return p == 0; }));
    }
}
