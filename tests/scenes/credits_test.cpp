#include <gtest/gtest.h>

#include <vector>

#include "image2d/frame_buffer.h"
#include "scenes/demo_clock.h"
#include "scenes/scenes.h"

namespace {

int row = 0;
float fixedTime() { return 0.0f; }
int fixedRow() { return row; }

bool isGrey(std::uint32_t p) { return (p & 0xFF) == ((p >> 8) & 0xFF) && (p & 0xFF) == (p >> 16); }

struct Region {
    int left, top, right, bottom;  // inclusive
};
// Parts of each panel's rectangle that the emblem never reaches.
constexpr Region kCodeRegion{1, 0, 160, 63};
constexpr Region kMusicRegion{480, 153, 638, 216};
constexpr Region kAnimationRegion{1, 223, 160, 286};

class CreditsTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = viewport;
        pixels_.assign(kFrameWidth * kViewportRows, 0);
        viewport = pixels_.data();
        row = 16;
        bindDemoClock(fixedTime, fixedRow);
        scene3::prepare();
    }
    void TearDown() override {
        scene3::teardown();
        viewport = saved_;
    }
    std::uint32_t at(int x, int y) const { return pixels_[y * kFrameWidth + x]; }
    // Whether any pixel of the region is tinted away from grey.
    bool tinted(const Region& r) const {
        for (int y = r.top; y <= r.bottom; ++y)
            for (int x = r.left; x <= r.right; ++x)
                if (!isGrey(at(x, y))) return true;
        return false;
    }
    // Leftmost column holding a coloured (emblem) pixel; -1 when none.
    int emblemLeft() const {
        for (int x = 0; x < kFrameWidth; ++x)
            for (int y = 0; y < kViewportRows; ++y)
                if (!isGrey(at(x, y))) return x;
        return -1;
    }

    std::vector<std::uint32_t> pixels_;

private:
    std::uint32_t* saved_ = nullptr;
};

}  // namespace

TEST_F(CreditsTest, FadesInFromWhite) {
    row = 0;
    scene3::drawFrame(0.0f);
    // At T = 0 the plasma is scaled by 0: white everywhere but the emblem,
    // which (row 0, full swing) sits 31 columns right of its rest.
    int coloured = 0;
    for (int y = 0; y < kViewportRows; ++y)
        for (int x = 0; x < kFrameWidth; ++x) {
            const std::uint32_t p = at(x, y);
            if (p == 0xFFFFFFu) continue;
            ++coloured;
            ASSERT_FALSE(isGrey(p)) << x << "," << y;
            ASSERT_TRUE(x >= 192 + 31 && x < 192 + 31 + 256 && y >= 16 && y < 16 + 256) << x << "," << y;
        }
    EXPECT_GT(coloured, 1000);

    // Almost at full strength by 1016 ms: the plasma shows, in greys.
    scene3::drawFrame(1016.0f);
    int plasma = 0;
    for (int y = 0; y < kViewportRows; ++y)
        for (int x = 64; x < 160; ++x) plasma += at(x, y) != 0xFFFFFFu;
    EXPECT_GT(plasma, 5000);
    EXPECT_FALSE(tinted(Region{0, 0, 160, 287}));
}

TEST_F(CreditsTest, PlasmaBandIsFramedInWhite) {
    for (float t : {1024.0f, 5000.0f, 16151.0f}) {
        scene3::drawFrame(t);
        for (int y = 0; y < kViewportRows; ++y) {
            // Outside the 512-pixel band; and the band's first block column
            // and row, where its half sines are zero.
            for (int x : {0, 63, 64, 65, 576, 639}) ASSERT_EQ(at(x, y), 0xFFFFFFu) << t << ": " << x << "," << y;
        }
        for (int x = 0; x < 180; ++x) {
            ASSERT_EQ(at(x, 0), 0xFFFFFFu) << t << ": " << x;
            ASSERT_EQ(at(x, 1), 0xFFFFFFu) << t << ": " << x;
        }
    }
}

TEST_F(CreditsTest, EmblemSwingsByTheMusicRow) {
    row = 31;  // settled: no offset
    scene3::drawFrame(0.0f);
    const int rest = emblemLeft();
    ASSERT_GT(rest, 160);
    row = 0;  // a fresh beat: full swing
    scene3::drawFrame(0.0f);
    EXPECT_EQ(emblemLeft(), rest + 31);
    row = 32;  // every 32nd row
    scene3::drawFrame(0.0f);
    EXPECT_EQ(emblemLeft(), rest + 31);
    row = 16;
    scene3::drawFrame(0.0f);
    EXPECT_EQ(emblemLeft(), rest + 15);
    // Half a swing later the offset is negative; -30.9993 truncates to -30.
    row = 0;
    scene3::drawFrame(252.0f);
    EXPECT_EQ(emblemLeft(), rest - 30);
}

TEST_F(CreditsTest, PanelsShowStrictlyInsideTheirWindows) {
    struct Case {
        float t;
        bool code, music, animation;
    };
    const Case cases[] = {
        {2019.0f, false, false, false}, {2019.5f, true, false, false},  {4037.5f, true, false, false},
        {4038.0f, false, false, false}, {6057.0f, false, false, false}, {6057.5f, false, true, false},
        {8075.5f, false, true, false},  {8076.0f, false, false, false}, {10095.0f, false, false, false},
        {10095.5f, false, false, true}, {12113.5f, false, false, true}, {12114.0f, false, false, false},
    };
    for (const Case& c : cases) {
        scene3::drawFrame(c.t);
        EXPECT_EQ(tinted(kCodeRegion), c.code) << c.t;
        EXPECT_EQ(tinted(kMusicRegion), c.music) << c.t;
        EXPECT_EQ(tinted(kAnimationRegion), c.animation) << c.t;
    }
}

TEST_F(CreditsTest, EmptyPanelPixelsLeaveThePictureAlone) {
    // The first eight columns of a panel hold no text: the plasma shows through.
    scene3::drawFrame(3000.0f);
    ASSERT_TRUE(tinted(kCodeRegion));
    EXPECT_FALSE(tinted(Region{0, 0, 8, 63}));
}

TEST(CreditsScene, TeardownAndDrawingAreSafeWithoutPrepare) {
    std::uint32_t* saved = viewport;
    std::vector<std::uint32_t> pixels(kFrameWidth * kViewportRows, 0);
    viewport = pixels.data();
    scene3::teardown();
    scene3::teardown();
    scene3::drawFrame(3000.0f);
    for (std::uint32_t p : pixels) ASSERT_TRUE(isGrey(p));
    viewport = saved;
}
