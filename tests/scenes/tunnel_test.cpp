#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

#include "image2d/frame_buffer.h"
#include "image2d/pixel_ops.h"
#include "scenes/scene2_plasma_sky.h"
#include "scenes/scene5_tunnel.h"
#include "scenes/scenes.h"
#include "scenes/tunnel_maps.h"
#include "tests/support/own_frame_buffer.h"

namespace {

struct MapPair {
    std::vector<std::int32_t> depth = std::vector<std::int32_t>(kMapPixels);
    std::vector<std::int32_t> angle = std::vector<std::int32_t>(kMapPixels);
    TunnelMaps maps() { return {depth.data(), angle.data()}; }
};

void expectSameMaps(const MapPair& fast, const MapPair& literal, const char* what) {
    int depthDiffs = 0;
    int angleDiffs = 0;
    for (int i = 0; i < kMapPixels; ++i) {
        depthDiffs += fast.depth[i] != literal.depth[i];
        angleDiffs += fast.angle[i] != literal.angle[i];
    }
    EXPECT_EQ(depthDiffs, 0) << what;
    EXPECT_EQ(angleDiffs, 0) << what;
}

void stampBoth(int farDepth, int nearDepth, MapPair& fast, MapPair& literal) {
    clearTunnelMaps(fast.maps());
    clearTunnelMaps(literal.maps());
    stampTunnelDiscs(fast.maps(), farDepth, nearDepth);
    stampTunnelDiscsLiteral(literal.maps(), farDepth, nearDepth);
}

}  // namespace

TEST(TunnelMaps, FarthestDiscsAreThreeByThreeInFourByFourSquares) {
    // At depth 8192 the radius is truncate(21312 / 8192) = 2: offsets -2..1,
    // of which i*i + k*k < 4 leaves the 3x3 block -1..1. The eight discs lie
    // 15 and 26 blocks from the middle, apart from each other and the edges.
    MapPair m;
    clearTunnelMaps(m.maps());
    stampTunnelDiscsLiteral(m.maps(), 8192, 8192);
    int covered = 0;
    int coveredHalfTurn = 0;  // offsets (0, 0) and (-1, 0) both give angle 256, row 128
    for (int i = 0; i < kMapPixels; ++i) {
        if (m.depth[i] == kNoDisc) continue;
        EXPECT_EQ(m.depth[i], 8192);
        ++covered;
        coveredHalfTurn += m.angle[i] == 128;
    }
    EXPECT_EQ(covered, 8 * 9);
    EXPECT_EQ(coveredHalfTurn, 8 * 2);
}

TEST(TunnelMaps, FastStampingEqualsLiteralOnReducedCases) {
    MapPair fast;
    MapPair literal;
    stampBoth(8192, 8180, fast, literal);
    expectSameMaps(fast, literal, "farthest steps");
    stampBoth(3000, 2990, fast, literal);
    expectSameMaps(fast, literal, "middle steps");
    stampBoth(700, 667, fast, literal);
    expectSameMaps(fast, literal, "nearest steps, discs clipped by every edge");
    // Depths outside the tunnel are kept to it by both.
    stampBoth(9000, 600, fast, literal);
    expectSameMaps(fast, literal, "whole tunnel");
}

TEST(TunnelMaps, WholeTunnelNeverStampsColumnZeroOrRowZero) {
    MapPair clear;
    clearTunnelMaps(clear.maps());
    MapPair m;
    clearTunnelMaps(m.maps());
    stampTunnelDiscs(m.maps(), kFarthestDepth, kNearestDepth);
    for (int x = 0; x < kMapWidth; ++x) {
        EXPECT_EQ(m.depth[x], kNoDisc) << "row 0, column " << x;
        EXPECT_EQ(m.angle[x], clear.angle[x]) << "row 0, column " << x;
    }
    for (int y = 0; y < kMapHeight; ++y) {
        EXPECT_EQ(m.depth[y * kMapWidth], kNoDisc) << "column 0, row " << y;
        EXPECT_EQ(m.angle[y * kMapWidth], clear.angle[y * kMapWidth]) << "column 0, row " << y;
    }
    // Their neighbours and the far edges are covered: the guard excludes only 0.
    const auto coveredCount = [&](int first, int step, int count) {
        int n = 0;
        for (int c = 0; c < count; ++c) n += m.depth[first + c * step] != kNoDisc;
        return n;
    };
    EXPECT_GT(coveredCount(kMapWidth, 1, kMapWidth), 0) << "row 1";
    EXPECT_GT(coveredCount((kMapHeight - 1) * kMapWidth, 1, kMapWidth), 0) << "row 143";
    EXPECT_GT(coveredCount(1, kMapWidth, kMapHeight), 0) << "column 1";
    EXPECT_GT(coveredCount(kMapWidth - 1, kMapWidth, kMapHeight), 0) << "column 319";
    // The middle of the tunnel is a hole no disc reaches.
    EXPECT_EQ(m.depth[72 * kMapWidth + 160], kNoDisc);
    for (int i = 0; i < kMapPixels; ++i) {
        if (m.depth[i] == kNoDisc) continue;
        ASSERT_GE(m.depth[i], kNearestDepth);
        ASSERT_LE(m.depth[i], kFarthestDepth);
    }
}

TEST(TunnelMaps, WholeTunnelEqualsLiteral) {
    MapPair fast;
    MapPair literal;
    stampBoth(kFarthestDepth, kNearestDepth, fast, literal);
    expectSameMaps(fast, literal, "the whole tunnel");
}

TEST(PlasmaImage, PreparedWhiteAndFreedSafely) {
    scene2::teardown();  // nothing to free yet
    scene2::prepare();
    ASSERT_NE(plasmaImage, nullptr);
    EXPECT_TRUE(std::all_of(plasmaImage, plasmaImage + kPlasmaSize * kPlasmaSize,
                            [](std::uint32_t p) { return p == 0xFFFFFFu; }));
    scene2::teardown();
    EXPECT_EQ(plasmaImage, nullptr);
    scene2::teardown();
}

namespace {

constexpr std::uint32_t kSentinel = 0x123456u;

// A whole frame buffer (the fill-in reads the bar row above the viewport),
// the plasma as scene 2 prepares it and the prepared tunnel.
class TunnelScene : public ::testing::Test {
protected:
    void SetUp() override {
        std::fill_n(viewport - kFrameWidth, kFrameWidth, 0u);  // the bar's last row
        scene2::prepare();
        scene5::prepare();
    }
    void TearDown() override {
        scene5::teardown();
        scene2::teardown();
    }

    static void noDiscs() { std::fill_n(scene5::depthMap, kMapPixels, kNoDisc); }
    static void setDisc(int j, int r, std::int32_t depth, std::int32_t angle = 0) {
        scene5::depthMap[r * kMapWidth + j] = depth;
        scene5::angleMap[r * kMapWidth + j] = angle;
    }
    std::uint32_t at(int x, int y) const { return viewport[y * kViewportWidth + x]; }
    bool viewportAllZero() const {
        return std::all_of(viewport, viewport + kViewportWidth * kViewportHeight,
                           [](std::uint32_t p) { return p == 0; });
    }

    OwnFrameBuffer frame_{kSentinel};
};

}  // namespace

TEST_F(TunnelScene, DepthSetsBrightnessAndTheFarthestRingIsBlack) {
    noDiscs();
    setDisc(10, 5, 8192);
    setDisc(11, 5, 8191);
    setDisc(12, 5, 8160);
    setDisc(13, 5, kNearestDepth);
    scene5::drawFrame(0.0f);
    EXPECT_EQ(at(21, 11), 0u) << "factor 256 counts as 0";
    EXPECT_EQ(at(23, 11), 0xFEFEFEu) << "factor 255";
    EXPECT_EQ(at(25, 11), 0xFEFEFEu) << "factor 255";
    EXPECT_EQ(at(27, 11), 0x131313u) << "factor 20";
    EXPECT_EQ(at(29, 11), 0u) << "no disc";
}

TEST_F(TunnelScene, TextureRowsTurnAndColumnsStreamWithTruncatedTime) {
    // Texel (row u, column v) holds u + 1 in red and v + 1 in green, which
    // blend factor 255 turns back into u and v.
    for (int u = 0; u < kPlasmaSize; ++u)
        for (int v = 0; v < kPlasmaSize; ++v)
            plasmaImage[u * kPlasmaSize + v] = static_cast<std::uint32_t>(((u + 1) & 255) << 16 | ((v + 1) & 255) << 8);
    noDiscs();
    setDisc(40, 20, 8191, 250);
    setDisc(41, 20, 8191, 3);
    // 111.9 / 16 = 6.99 and 111.9 / 4 = 27.98: truncated to 6 and 27.
    scene5::drawFrame(111.9f);
    EXPECT_EQ(at(81, 41), (0u << 16) | (26u << 8)) << "row 250 + 6 wraps to 0, column 8191 + 27 to 26";
    EXPECT_EQ(at(83, 41), (9u << 16) | (26u << 8));
}

TEST_F(TunnelScene, NamesAreAddedOnlyAfter8076) {
    noDiscs();
    std::fill_n(scene5::greetingsImage, scene5::kGreetingsWidth * scene5::kGreetingsHeight, 0x203040u);
    scene5::drawFrame(8076.0f);
    EXPECT_TRUE(viewportAllZero()) << "not at 8076";
    for (const float t : {8077.0f, 16151.9f}) {
        scene5::drawFrame(t);
        // Every drawn pixel gets the page; the fill-in spreads it, except into
        // the first column and row, which mix in the black they read.
        EXPECT_EQ(at(1, 1), 0x203040u) << t;
        EXPECT_EQ(at(637, 285), 0x203040u) << t;
        EXPECT_EQ(at(2, 2), 0x203040u) << t;
        EXPECT_EQ(at(636, 284), 0x203040u) << t;
        EXPECT_EQ(at(0, 1), 0x101820u) << t;
        // The names reach drawn rows up to 285 and columns up to 637 only.
        EXPECT_EQ(at(639, 1), 0u) << t;
        EXPECT_EQ(at(1, 287), 0u) << t;
    }
}

TEST_F(TunnelScene, NamesRippleByWholeRowsAndColumnsAndWrap) {
    noDiscs();
    // Every page pixel tells where it came from.
    for (int i = 0; i < scene5::kGreetingsWidth * scene5::kGreetingsHeight; ++i)
        scene5::greetingsImage[i] = static_cast<std::uint32_t>(i + 1);
    for (const float t : {8077.0f, 12000.0f, 16000.0f}) {
        scene5::drawFrame(t);
        std::set<int> sideways;
        std::set<int> upDown;
        for (int y = 1; y <= 285; y += 2) {
            const int rowShift = (1 - static_cast<int>((at(1, y) - 1) % 512)) & 511;
            for (int x = 1; x <= 637; x += 2) {
                const int i = static_cast<int>(at(x, y)) - 1;
                const int s = (x - i % 512) & 511;
                const int w = (y - i / 512) & 255;
                ASSERT_EQ(s, rowShift) << "one sideways shift per row; t " << t << " x " << x << " y " << y;
                ASSERT_TRUE(s <= 32 || s >= 512 - 32) << s;
                ASSERT_TRUE(w <= 32 || w >= 256 - 32) << w;
                upDown.insert(w);
            }
            sideways.insert(rowShift);
        }
        for (int x = 1; x <= 637; x += 2) {
            const int columnShift = (1 - static_cast<int>((at(x, 1) - 1) / 512)) & 255;
            for (int y = 1; y <= 285; y += 2)
                ASSERT_EQ((y - static_cast<int>((at(x, y) - 1) / 512)) & 255, columnShift) << "one shift per column";
        }
        EXPECT_GT(sideways.size(), 20u) << t;
        EXPECT_GT(upDown.size(), 20u) << t;
    }
}

TEST_F(TunnelScene, FillInReadsTheBarRowAndTheLastPixelOfTheRowAbove) {
    std::fill_n(frameBuffer + (kViewportTop - 1) * kFrameWidth, kFrameWidth, 0x808080u);
    noDiscs();
    const std::uint32_t a = blend(0u, 0xFFFFFFu, 8191 >> 5);
    const std::uint32_t b = blend(0u, 0xFFFFFFu, 4095 >> 5);
    const std::uint32_t c = blend(0u, 0xFFFFFFu, 2047 >> 5);
    const std::uint32_t d = blend(0u, 0xFFFFFFu, 6143 >> 5);
    setDisc(0, 0, 8191);
    setDisc(5, 5, 8191);
    setDisc(6, 5, 4095);
    setDisc(5, 6, 2047);
    setDisc(6, 6, 6143);
    scene5::drawFrame(0.0f);

    // First block row: the bar above; first column: the row above's last pixel,
    // still black when it is read.
    EXPECT_EQ(at(1, 1), 0xFEFEFEu);
    EXPECT_EQ(at(0, 1), 0x7F7F7Fu);
    EXPECT_EQ(at(1, 0), 0xBFBFBFu);
    EXPECT_EQ(at(0, 0), 0x7F7F7Fu);
    EXPECT_EQ(at(3, 0), 0x404040u);
    EXPECT_EQ(at(639, 0), 0x404040u);

    // Inside: odd rows across, then even rows down from the filled odd rows.
    EXPECT_EQ(at(12, 11), average(a, b));
    EXPECT_EQ(at(13, 10), average(b, 0u));
    EXPECT_EQ(at(12, 13), average(c, d));
    EXPECT_EQ(at(13, 12), average(d, b));
    EXPECT_EQ(at(11, 12), average(c, a));
    EXPECT_EQ(at(12, 12), average(average(a, b), average(c, d)));

    // Nothing outside the viewport is written.
    EXPECT_TRUE(std::all_of(frameBuffer + (kViewportTop - 1) * kFrameWidth, viewport,
                            [](std::uint32_t p) { return p == 0x808080u; }));
    EXPECT_TRUE(std::all_of(frameBuffer, frameBuffer + (kViewportTop - 1) * kFrameWidth,
                            [](std::uint32_t p) { return p == kSentinel; }));
    EXPECT_TRUE(std::all_of(frameBuffer + kLowerBarTop * kFrameWidth, frameBuffer + kFrameWidth * kFrameHeight,
                            [](std::uint32_t p) { return p == kSentinel; }));
}

TEST_F(TunnelScene, WhitePlasmaShowsTheTunnelAndNoPlasmaABlackOne) {
    scene5::drawFrame(4000.0f);
    int lit = 0;
    for (int i = 0; i < kViewportWidth * kViewportHeight; ++i) lit += viewport[i] != 0;
    EXPECT_GT(lit, kViewportWidth * kViewportHeight / 2);
    EXPECT_EQ(at(321, 145), 0u) << "the middle is a hole";
    scene2::teardown();
    scene5::drawFrame(4000.0f);
    EXPECT_TRUE(viewportAllZero());
}

TEST_F(TunnelScene, PrepareAgainAndTeardownTwice) {
    scene5::prepare();
    ASSERT_NE(scene5::depthMap, nullptr);
    scene5::teardown();
    EXPECT_EQ(scene5::depthMap, nullptr);
    EXPECT_EQ(scene5::angleMap, nullptr);
    EXPECT_NE(scene5::greetingsImage, nullptr) << "the page stays until exit";
    scene5::teardown();
}

TEST_F(TunnelScene, NamesPageHasInkInItsBoxesAndBlackGaps) {
    const std::uint32_t* page = scene5::greetingsImage;
    const auto inkIn = [page](int row0, int row1, int col0, int col1) {
        int n = 0;
        for (int y = row0; y <= row1; ++y)
            for (int x = col0; x <= col1; ++x) n += page[y * scene5::kGreetingsWidth + x] != 0;
        return n;
    };
    if (inkIn(0, scene5::kGreetingsHeight - 1, 0, scene5::kGreetingsWidth - 1) == 0)
        GTEST_SKIP() << "the lettering draws nothing yet";
    EXPECT_GT(inkIn(0, 63, 0, 255), 0) << "Tesmark";
    EXPECT_GT(inkIn(0, 63, 256, 511), 0) << "Olvinor";
    EXPECT_GT(inkIn(64, 127, 0, 223), 0) << "Ruxen";
    EXPECT_GT(inkIn(64, 127, 256, 511), 0) << "moonbrake";
    EXPECT_GT(inkIn(129, 190, 64, 319), 0) << "Palisandr";
    EXPECT_GT(inkIn(192, 255, 0, 223), 0) << "Vortel";
    EXPECT_GT(inkIn(191, 254, 256, 511), 0) << "2000";
    // No name covers these: they stay as allocated, cleared.
    EXPECT_EQ(inkIn(64, 127, 224, 255), 0);
    EXPECT_EQ(inkIn(129, 190, 320, 511), 0);
    EXPECT_EQ(inkIn(192, 255, 224, 255), 0);
}
