#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "image2d/frame_buffer.h"
#include "image2d/pixel_ops.h"
#include "render3d/view_rays.h"
#include "scenes/global_objects.h"
#include "scenes/scene2_plasma_sky.h"
#include "scenes/scenes.h"
#include "tests/scenes/prepared_scenes.h"

namespace {

using Scene2 = PreparedScenes;

void expectSameMatrix(const Matrix3& actual, const Matrix3& expected, const char* when) {
    for (int i = 0; i < 9; ++i) EXPECT_EQ(actual.m[i], expected.m[i]) << when << " element " << i;
}

void expectRotation(const Matrix3& actual, float a1, float a2, float a3, const char* when) {
    Matrix3 expected;
    expected.setRotation(a1, a2, a3);
    expectSameMatrix(actual, expected, when);
}

// Per channel: c x f / 128, the plain definition, applied n times.
std::uint32_t scaledTimes(std::uint32_t colour, int f, int n) {
    int r = colour >> 16 & 0xFF, g = colour >> 8 & 0xFF, b = colour & 0xFF;
    for (int i = 0; i < n; ++i) {
        r = r * f / 128;
        g = g * f / 128;
        b = b * f / 128;
    }
    return static_cast<std::uint32_t>(r << 16 | g << 8 | b);
}

}  // namespace

TEST_F(Scene2, FirstFrameFadesTheWhitePlasmaOnceAndAddsTwoNewRows) {
    scene2::drawFrame(0.0f);
    const std::uint32_t* plasma = plasmaImage;
    const std::uint32_t greyed = blend(0xFFFFFF, 0x808080, 24);
    EXPECT_NE(greyed, 0xFFFFFFu);
    for (int r = 0; r < 126; ++r) {
        for (int c = 0; c < 256; ++c) {
            ASSERT_EQ(plasma[r * 256 + c], r < 32 ? greyed : 0xFDFDFDu) << "row " << r << " column " << c;
        }
    }
    // cos 0 x sin 0 + sin 0 + cos 0 = 1: v = 12 + 48.
    EXPECT_EQ(plasma[127 * 256], 60u * 0x010203u);
    for (int c = 0; c < 256; ++c) {
        const std::uint32_t p = plasma[127 * 256 + c];
        const std::uint32_t v = p >> 16;
        EXPECT_EQ(plasma[126 * 256 + c], p);
        EXPECT_EQ(p, v * 0x010203u);
        EXPECT_GE(v, 12u);
        EXPECT_LE(v, 84u);
    }
}

// Every frame scrolls the plasma the last frame left, whichever of its two
// pictures that was, and leaves the rows scene 5 also reads (128..255) white.
TEST_F(Scene2, EachFrameScrollsTheLastFramesPlasma) {
    scene2::drawFrame(0.0f);
    for (float t : {17.0f, 33.0f}) {
        const std::vector<std::uint32_t> before(plasmaImage, plasmaImage + 256 * 256);
        scene2::drawFrame(t);
        for (int i = 0; i < 126 * 256; ++i) {
            const std::uint32_t below = before[i + 2 * 256];
            ASSERT_EQ(plasmaImage[i], i < 32 * 256 ? blend(below, 0x808080, 24) : scale(below, 127)) << t << " pixel " << i;
        }
        for (int i = 128 * 256; i < 256 * 256; ++i) ASSERT_EQ(plasmaImage[i], 0xFFFFFFu) << t << " pixel " << i;
    }
}

TEST_F(Scene2, SkyIsTheDiscWarpedBlendOfThePlasma) {
    scene2::drawFrame(0.0f);
    // After the warp the corners hold the disc's centre, the middle is outside it.
    EXPECT_EQ(scene2::skyImage[128 * 256 + 128], 0xFF00FFu);
    EXPECT_NE(scene2::skyImage[0], 0xFF00FFu);
    // Row 0 of the unswapped disc is 32 pixels wide around column 128; after
    // the swap it is row 128, columns 240..255 and 0..15. Its sources are the
    // every eighth column of plasma row 0 (greyed white), blended towards
    // 0x607080 with weight column / 128: 0 for the left half, 1 for the right.
    const std::uint32_t greyed = blend(0xFFFFFF, 0x808080, 24);
    EXPECT_EQ(scene2::skyImage[128 * 256 + 240], greyed);
    EXPECT_EQ(scene2::skyImage[128 * 256 + 255], greyed);
    EXPECT_EQ(scene2::skyImage[128 * 256 + 0], blend(greyed, 0x607080, 1));
    EXPECT_NE(blend(greyed, 0x607080, 1), greyed);
    EXPECT_EQ(scene2::skyImage[128 * 256 + 16], 0xFF00FFu);
    EXPECT_EQ(scene2::skyImage[128 * 256 + 239], 0xFF00FFu);
}

TEST_F(Scene2, MainCameraStartsPitchedAndHoldsItsRotationAt1000And16152) {
    scene2::drawFrame(0.0f);
    expectRotation(mainCamera.rotation, 0.0f, 128.0f, 0.0f, "t = 0");

    scene2::drawFrame(999.0f);
    expectRotation(mainCamera.rotation, 0.0f, 128.0f, static_cast<float>(999.0 * 0.04), "t = 999");
    scene2::drawFrame(1000.0f);
    expectRotation(mainCamera.rotation, 0.0f, 128.0f, static_cast<float>(999.0 * 0.04), "t = 1000 keeps 999");
    scene2::drawFrame(2000.0f);
    expectRotation(mainCamera.rotation, 0.0f, 0.0f, 80.0f, "t = 2000, half-way down");

    scene2::drawFrame(16151.0f);
    expectRotation(mainCamera.rotation, 0.0f, -128.0f, static_cast<float>(16151.0 * 0.04), "t = 16151");
    scene2::drawFrame(16152.0f);
    expectRotation(mainCamera.rotation, 0.0f, -128.0f, static_cast<float>(16151.0 * 0.04), "t = 16152 keeps 16151");
}

TEST_F(Scene2, MainCameraOrbitsFrom20190LookingAtWarmLight) {
    scene2::drawFrame(20190.0f);
    EXPECT_EQ(mainCamera.position.x, 0.0f);
    EXPECT_EQ(mainCamera.position.y, 0.0f);
    EXPECT_EQ(mainCamera.position.z, -512.0f);
    EXPECT_EQ(mainCamera.angles.z, static_cast<float>(20190.0 * 0.04));
    // A quarter turn later (1388.5 ms) the eye is on +x, looking back at the origin.
    scene2::drawFrame(20190.0f + 1388.5f);
    EXPECT_NEAR(mainCamera.position.x, 512.0f, 0.01f);
    EXPECT_NEAR(mainCamera.position.z, 0.0f, 0.01f);
    Vector3 eyeToOrigin(-mainCamera.position.x, -mainCamera.position.y, -mainCamera.position.z);
    eyeToOrigin.transform(mainCamera.rotation);
    EXPECT_NEAR(eyeToOrigin.x, 0.0f, 0.5f);
    EXPECT_NEAR(eyeToOrigin.y, 0.0f, 0.5f);
    EXPECT_GT(eyeToOrigin.z, 0.0f);
}

TEST_F(Scene2, LatticeStartsWithSpacings256And416And256) {
    ASSERT_EQ(cubeLattice.count, 27u);
    scene2::drawFrame(0.0f);
    const Vector3& first = cubeLattice.basePositions[0];
    const Vector3& last = cubeLattice.basePositions[26];
    EXPECT_EQ(first.x, -256.0f);
    EXPECT_EQ(first.y, -416.0f);
    EXPECT_EQ(first.z, -256.0f);
    EXPECT_EQ(last.x, 256.0f);
    EXPECT_EQ(last.y, 416.0f);
    EXPECT_EQ(last.z, 256.0f);
    const Vector3& centre = cubeLattice.basePositions[13];
    EXPECT_EQ(centre.x, 0.0f);
    EXPECT_EQ(centre.y, 0.0f);
    EXPECT_EQ(centre.z, 0.0f);
    for (int n = 0; n < 27; ++n) EXPECT_EQ(cubeLattice.children[n], &cube);
}

TEST_F(Scene2, LatticeRisesAfter7000WhileTheGlowFadesCumulatively) {
    // Entry 4 sits in the middle of its row and column: its y is the rise alone.
    scene2::drawFrame(7000.0f);
    EXPECT_EQ(cubeLattice.basePositions[4].y, 0.0f);
    EXPECT_EQ(centralGlow.colour, 0x00FF80u);
    scene2::drawFrame(7000.5f);
    EXPECT_EQ(cubeLattice.basePositions[4].y, 0.5f);
    EXPECT_EQ(centralGlow.colour, scaledTimes(0x00FF80, 127, 27));
    scene2::drawFrame(7001.0f);
    EXPECT_EQ(centralGlow.colour, scaledTimes(0x00FF80, 127, 54));
    scene2::drawFrame(7999.0f);
    EXPECT_EQ(cubeLattice.basePositions[4].y, 999.0f);
    EXPECT_EQ(centralGlow.colour, scaledTimes(0x00FF80, 127, 81));
}

TEST_F(Scene2, OnlyTheBackdropIsDrawnBetween8000And8076) {
    for (float t : {8000.0f, 8030.0f, 8076.0f}) {
        scene2::drawFrame(t);
        const std::vector<std::uint32_t> drawn(viewport, viewport + kViewportWidth * kViewportHeight);
        skyBackdrop.draw(viewport, mainCamera, sharedLights);
        EXPECT_TRUE(std::equal(drawn.begin(), drawn.end(), viewport)) << "t = " << t;
    }
    // Just inside the stream some sprite adds light over the backdrop.
    scene2::drawFrame(9000.0f);
    const std::vector<std::uint32_t> drawn(viewport, viewport + kViewportWidth * kViewportHeight);
    skyBackdrop.draw(viewport, mainCamera, sharedLights);
    EXPECT_FALSE(std::equal(drawn.begin(), drawn.end(), viewport));
}

TEST_F(Scene2, StreamSpritesWrapFromTheNearEndToTheFarEndDimAtBoth) {
    // Sprite 0 at l = 4095.75: 64 x 0 + 2l = 8191.5 truncates to 8191, z = 4095.
    scene2::drawFrame(8076.0f + 4095.75f);
    EXPECT_EQ(scene2::glowSprites[0].position.z, 4095.0f);
    EXPECT_EQ(scene2::glowSprites[0].colour, 0u);
    // Sprite 1 is 64 units further on and has wrapped: (64 + 8191) AND 0x1FFF = 63.
    EXPECT_EQ(scene2::glowSprites[1].position.z, 63.0f - 4096.0f);
    scene2::drawFrame(8076.0f + 4096.0f);
    EXPECT_EQ(scene2::glowSprites[0].position.z, -4096.0f);
    EXPECT_EQ(scene2::glowSprites[0].colour, 0u);
    EXPECT_EQ(scene2::glowSprites[127].size, 128.0f);
}

TEST_F(Scene2, StreamSpriteAtDepthZeroHasItsFullColourTimesTheEnvelope) {
    // Sprite 0 reaches z = 0 at l = 2048; the envelope sin(2048 pi / 8076) is
    // 0.7151, so the factor is trunc(127 x 0.7151) = 90. Its base colour is
    // (trunc(127 sin(42 pi / 32) + 128), trunc(127 sin(21 pi / 32) + 128), 128) = (22, 240, 128).
    scene2::drawFrame(8076.0f + 2048.0f);
    EXPECT_EQ(scene2::glowSprites[0].position.z, 0.0f);
    EXPECT_EQ(scene2::glowSprites[0].colour, scale(0x16F080, 90));
    // Its place across the tube: (612 cos 0, 612 sin 0).
    EXPECT_EQ(scene2::glowSprites[0].position.x, 612.0f);
    EXPECT_EQ(scene2::glowSprites[0].position.y, 0.0f);
}

TEST_F(Scene2, ZoomStartsAt33AndItsLastValueStaysWithRaysAndClipperToMatch) {
    scene2::drawFrame(16152.0f);
    EXPECT_EQ(mainCamera.factor, 33.0f);
    std::vector<Vector3> rays(kViewRayCount);
    buildViewRays(rays.data(), 33.0f);
    EXPECT_EQ(skyBackdrop.rays[0].z, rays[0].z);

    scene2::drawFrame(18170.0f);
    const float last = static_cast<float>(2018.0 / 6.0 + 33.0);
    EXPECT_EQ(mainCamera.factor, last);
    scene2::drawFrame(19000.0f);
    scene2::drawFrame(25000.0f);
    EXPECT_EQ(mainCamera.factor, last);
    buildViewRays(rays.data(), last);
    for (int i : {0, 319, 11520, kViewRayCount - 1}) {
        EXPECT_EQ(skyBackdrop.rays[i].x, rays[i].x) << "ray " << i;
        EXPECT_EQ(skyBackdrop.rays[i].y, rays[i].y) << "ray " << i;
        EXPECT_EQ(skyBackdrop.rays[i].z, rays[i].z) << "ray " << i;
    }
    FrustumClipper fresh;
    fresh.build(last);
    ASSERT_EQ(wideClipper.planeCount, fresh.planeCount);
    for (std::uint32_t p = 0; p < fresh.planeCount; ++p) {
        EXPECT_EQ(wideClipper.insidePoints[p].x, fresh.insidePoints[p].x) << "plane " << p;
        EXPECT_EQ(wideClipper.insidePoints[p].z, fresh.insidePoints[p].z) << "plane " << p;
        EXPECT_EQ(wideClipper.outsidePoints[p].y, fresh.outsidePoints[p].y) << "plane " << p;
    }
}

TEST_F(Scene2, GlowColourRampsFromBlackTowardsOrangeDuringTheZoom) {
    scene2::drawFrame(16152.0f);
    EXPECT_EQ(centralGlow.colour, 0x000000u);
    EXPECT_EQ(centralGlow.position.tag, 0xFFCC80u);
    EXPECT_EQ(centralGlow.position.z, 256.0f);
    scene2::drawFrame(16152.0f + 1009.5f);  // factor (1009 x 128) div 2019 = 63
    EXPECT_EQ(centralGlow.colour, 0x7D3F00u);
    scene2::drawFrame(18170.9f);  // factor 127, the last step before the full colour
    EXPECT_EQ(centralGlow.colour, 0xFD7F00u);
    scene2::drawFrame(20000.0f);  // kept after the zoom
    EXPECT_EQ(centralGlow.colour, 0xFD7F00u);
}

TEST_F(Scene2, RingSpritesStartAtSizeZeroInTheirPureColours) {
    scene2::drawFrame(24228.0f);
    // Sprite 0: (trunc(127 sin(10.7 pi / 8) + 128), trunc(127 sin(5.3 pi / 8) + 128), 128).
    EXPECT_EQ(scene2::glowSprites[0].colour, 0x11EE80u);
    for (int n = 0; n < 16; ++n) EXPECT_EQ(scene2::glowSprites[n].size, 0.0f) << "sprite " << n;
    // Sprite 4 is a quarter of the ring on: its blue is trunc(127 sin(pi / 2) + 128) = 255.
    EXPECT_EQ(scene2::glowSprites[4].colour & 0xFFu, 255u);
    scene2::drawFrame(24228.0f + 17.0f * 100.0f);  // whitening 100
    EXPECT_EQ(scene2::glowSprites[0].colour, blend(0x11EE80, 0xFFFFFF, 100));
    EXPECT_FLOAT_EQ(scene2::glowSprites[0].size, 1700.0f / 6.0f);
}

TEST_F(Scene2, GlowSpriteVanishesAfter26000ButItsLightStaysWhite) {
    scene2::drawFrame(26000.0f);
    EXPECT_EQ(centralGlow.size, 128.0f);
    scene2::drawFrame(26000.5f);
    EXPECT_EQ(centralGlow.size, 0.0f);
    EXPECT_EQ(centralGlow.position.tag, 0xFFFFFFu);
    EXPECT_EQ(scene2Lights.lights[1], &centralGlow.position);
    EXPECT_FLOAT_EQ(centralGlow.position.x, static_cast<float>(270.0 * std::sin(26000.5)));
}

TEST_F(Scene2, TeardownFreesItsBuffersAndClearsTheTorus) {
    scene2::teardown();
    EXPECT_EQ(plasmaImage, nullptr);
    EXPECT_EQ(scene2::skyImage, nullptr);
    EXPECT_EQ(scene2::glowSprites, nullptr);
    EXPECT_EQ(cubeLattice.count, 0u);
    EXPECT_EQ(torus.vertices, nullptr);
    EXPECT_EQ(cube.faceCount, 12u);  // the cube is not cleared by the scene
    scene2::drawFrame(1000.0f);     // nothing prepared: draws nothing, touches nothing
    scene2::teardown();
}
