#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "image2d/frame_buffer.h"
#include "image2d/pixel_ops.h"
#include "scenes/global_objects.h"
#include "scenes/scene1_spheres.h"
#include "scenes/scenes.h"
#include "tests/scenes/prepared_scenes.h"

namespace {

using Scene1 = PreparedScenes;

constexpr int kTitleLeft = 160;
constexpr int kTitleTop = 112;

std::uint32_t channelMin(std::uint32_t p) { return std::min({p >> 16 & 0xFFu, p >> 8 & 0xFFu, p & 0xFFu}); }

// Counts the title pixels that drawTitle at time t would change on a black viewport.
int titlePixelsDrawn(std::uint32_t* view, float t) {
    std::fill_n(view, kViewportWidth * kViewportHeight, 0u);
    scene1::drawTitle(view, t);
    int drawn = 0;
    for (int r = 0; r < scene1::kTitleHeight; ++r) {
        for (int c = 0; c < scene1::kTitleWidth; ++c) {
            const std::uint32_t v = scene1::titleImage[r * scene1::kTitleWidth + c];
            const std::uint32_t p = view[(kTitleTop + r) * kViewportWidth + kTitleLeft + c];
            if (v != 0 && p != 0) {
                EXPECT_EQ(p, blend(0, 0xFFFFFF, v & 0xFF)) << "title pixel " << c << ", " << r;
                ++drawn;
            }
        }
    }
    return drawn;
}

}  // namespace

TEST_F(Scene1, TitleHasLetteringAndBarsAndNothingPastTheText) {
    const std::uint32_t* title = scene1::titleImage;
    ASSERT_NE(title, nullptr);
    // The two bars, shaded: every pixel of them is lit.
    for (int r : {8, 13, 50, 55})
        for (int c : {0, 100, 233}) EXPECT_NE(title[r * scene1::kTitleWidth + c], 0u) << c << ", " << r;
    // "QORB T" and three spaces fill 288 columns; beyond them nothing is written.
    int lit = 0;
    for (int r = 0; r < scene1::kTitleHeight; ++r) {
        for (int c = 0; c < scene1::kTitleWidth; ++c) {
            const std::uint32_t v = title[r * scene1::kTitleWidth + c];
            if (c >= 288) {
                EXPECT_EQ(v, 0u) << c << ", " << r;
            }
            if (v != 0 && (r < 8 || (r > 13 && r < 50) || r > 55)) ++lit;
        }
    }
    EXPECT_GT(lit, 500);  // the letters between and around the bars
}

TEST_F(Scene1, TitleShowsStrictlyBetween2019And8076) {
    EXPECT_EQ(titlePixelsDrawn(viewport, 2019.0f), 0);
    const int shown = titlePixelsDrawn(viewport, 2019.5f);
    EXPECT_GT(shown, 2000);
    EXPECT_EQ(titlePixelsDrawn(viewport, 8075.5f), shown);
    EXPECT_EQ(titlePixelsDrawn(viewport, 8076.0f), 0);
}

TEST_F(Scene1, UnshadedTitlePixelBlendsAlmostToWhiteAndZeroLeavesThePicture) {
    std::fill_n(viewport, kViewportWidth * kViewportHeight, 0x102030u);
    scene1::titleImage[0] = 0x0000FF;
    scene1::titleImage[1] = 0;
    scene1::titleImage[2] = 0x424280;  // only the low byte is the factor
    scene1::drawTitle(viewport, 3000.0f);
    EXPECT_EQ(at(kTitleLeft, kTitleTop), blend(0x102030, 0xFFFFFF, 255));
    EXPECT_EQ(at(kTitleLeft, kTitleTop), 0xFEFEFEu);
    EXPECT_EQ(at(kTitleLeft + 1, kTitleTop), 0x102030u);
    EXPECT_EQ(at(kTitleLeft + 2, kTitleTop), blend(0x102030, 0xFFFFFF, 0x80));
}

TEST_F(Scene1, FadeFactorStepsEveryFourMillisecondsFrom11090) {
    EXPECT_EQ(scene1::fadeFactor(11090.0f), 0);
    EXPECT_EQ(scene1::fadeFactor(11093.9f), 0);
    EXPECT_EQ(scene1::fadeFactor(11094.0f), 1);
    EXPECT_EQ(scene1::fadeFactor(11097.99f), 1);
    EXPECT_EQ(scene1::fadeFactor(11098.0f), 2);
    EXPECT_EQ(scene1::fadeFactor(12113.0f), 255);
    EXPECT_EQ(scene1::fadeFactor(5000.0f), 0);
}

TEST_F(Scene1, LastFrameIsAlmostWhiteAndTheFrameBeforeTheFadeIsNot) {
    scene1::drawFrame(12113.0f);
    int notWhite = 0;
    for (int i = 0; i < kViewportWidth * kViewportHeight; ++i) notWhite += channelMin(viewport[i]) < 0xFE;
    EXPECT_EQ(notWhite, 0);

    drawSharedBackdrop();
    scene1::drawFrame(11090.0f);
    int dark = 0;
    for (int i = 0; i < kViewportWidth * kViewportHeight; ++i) dark += channelMin(viewport[i]) < 0x80;
    EXPECT_GT(dark, kViewportWidth * kViewportHeight / 2);  // the backdrop's dark blue shows
}

TEST_F(Scene1, ShellsStartAtTheirPreparedDistancesAt8076AndThenSpreadAtThreeSpeeds) {
    ASSERT_EQ(sphereCluster.count, 18u);
    const auto distanceOf = [](int i) {
        const Vector3& p = sphereCluster.basePositions[i];
        return std::max({std::abs(p.x), std::abs(p.y), std::abs(p.z)});
    };
    // +x, -x, +z, -z, +y, -y in every shell.
    const float signs[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, -1, 0}};
    const auto expectShells = [&](float inner, float middle, float outer, const char* when) {
        const float distance[3] = {inner, middle, outer};
        for (int i = 0; i < 18; ++i) {
            const Vector3& p = sphereCluster.basePositions[i];
            const float d = distance[i / 6];
            EXPECT_EQ(p.x, signs[i % 6][0] * d) << when << " entry " << i;
            EXPECT_EQ(p.y, signs[i % 6][1] * d) << when << " entry " << i;
            EXPECT_EQ(p.z, signs[i % 6][2] * d) << when << " entry " << i;
        }
    };
    expectShells(256, 512, 768, "prepared");
    EXPECT_EQ(sphereCluster.children[0], &largeSphere);
    EXPECT_EQ(sphereCluster.children[6], &mediumSphere);
    EXPECT_EQ(sphereCluster.children[17], &smallSphere);

    scene1::drawFrame(10076.0f);
    expectShells(1256, 2512, 4768, "t = 10076");
    // Before 8076 the base positions are left as they are.
    scene1::drawFrame(8075.5f);
    EXPECT_EQ(distanceOf(0), 1256.0f);
    scene1::drawFrame(8076.0f);
    expectShells(256, 512, 768, "t = 8076");
}

TEST_F(Scene1, GlowMapsHaveTheirShapes) {
    const auto star = [](int x, int y) { return starGlowMap[y * kGlowMapSide + x]; };
    const auto round = [](int x, int y) { return roundGlowMap[y * kGlowMapSide + x]; };
    EXPECT_EQ(star(32, 32), 255);
    // Along +x the limit is 24: 255 - trunc(23 x 255 / 24) = 11 just inside, 0 on it.
    EXPECT_EQ(star(55, 32), 11);
    EXPECT_EQ(star(56, 32), 0);
    // The points lie at angles 16 + 64k (in 512ths): near angle 16 the star
    // reaches past radius 29; half-way between points, at 45 degrees, it ends at 24.
    EXPECT_GT(star(61, 38), 0);
    EXPECT_EQ(star(53, 53), 0);
    EXPECT_GT(star(48, 48), 0);
    EXPECT_EQ(star(0, 0), 0);
    // The factor 0.098174770425 is a hair above pi/32: at angles 128,
    // 256 and 384 the sine is about +1e-10, the limit a hair above 24, and
    // d x 255 / limit just below a whole number. On +x the sine is exactly 0.
    EXPECT_EQ(star(40, 32), 170);  // d = 8 on +x: 255 - 85
    EXPECT_EQ(star(32, 40), 171);  // d = 8 at angle 128: 255 - trunc(84.99...)
    EXPECT_EQ(star(24, 32), 171);  // angle 256
    EXPECT_EQ(star(32, 24), 171);  // angle 384
    EXPECT_EQ(star(32, 48), 86);  // d = 16: 255 - trunc(169.99...)
    EXPECT_EQ(star(32, 56), 1);   // d = 24: 255 - trunc(254.99...), where +x gives 0
    EXPECT_EQ(round(32, 32), 255);
    EXPECT_EQ(round(0, 32), 2);  // trunc(255 - 32 x 7.9)
    EXPECT_EQ(round(32, 63), 10);  // d = 31: trunc(255 - 244.9)
    EXPECT_EQ(round(0, 0), 0);
}

TEST(Scene1WaveMap, SinePatternBeforeTheWarp) {
    scene1::prepare();
    ASSERT_NE(waveEnvMap, nullptr);
    const auto texel = [](int x, int y) { return waveEnvMap[y * kEnvMapSide + x]; };
    EXPECT_EQ(texel(0, 77), 8u * 0x010203u);   // sin 0: the middle value
    EXPECT_EQ(texel(77, 0), 8u * 0x010203u);
    EXPECT_EQ(texel(16, 128), 16u * 0x010203u);  // both sines at their peak
    EXPECT_EQ(texel(48, 128), 0u);                // one at its trough
    for (int i = 0; i < kEnvMapSide * kEnvMapSide; ++i) {
        const std::uint32_t v = waveEnvMap[i] & 0xFF0000u;
        ASSERT_EQ(waveEnvMap[i], (v >> 16) * 0x010203u);
        ASSERT_LE(v >> 16, 16u);
    }
    scene1::teardown();
    releaseShared();
}
