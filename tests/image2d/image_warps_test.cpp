#include "image2d/image_warps.h"

#include "platform/worker_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {
constexpr std::uint32_t kMagenta = 0xFF00FF;

// Undoes the quadrant swap: pixel (x, y) of the disc before it.
std::uint32_t unswapped(const std::vector<std::uint32_t>& p, int x, int y) {
    return p[((y + 128) & 255) * 256 + ((x + 128) & 255)];
}

// Each pixel holds its own row and column, so the warp's sources can be read back.
std::vector<std::uint32_t> coordinatePicture() {
    std::vector<std::uint32_t> p(65536);
    for (int i = 0; i < 65536; ++i) p[i] = static_cast<std::uint32_t>(i);  // row << 8 | column
    return p;
}
}  // namespace

TEST(DiscWarp, OneColourPictureBecomesDiscCentredOnTheCorners) {
    std::vector<std::uint32_t> p(65536, 0x123456);
    discWarp(p.data());
    EXPECT_EQ(p[0], 0x123456u);                // (0, 0): the disc's centre
    EXPECT_EQ(p[255], 0x123456u);              // (255, 0)
    EXPECT_EQ(p[255 * 256], 0x123456u);        // (0, 255)
    EXPECT_EQ(p[255 * 256 + 255], 0x123456u);  // (255, 255)
    EXPECT_EQ(p[128 * 256 + 128], kMagenta);   // the former corner (0, 0)
    EXPECT_EQ(p[127 * 256 + 127], kMagenta);   // the former corner (255, 255)
    EXPECT_EQ(p[128 * 256], 0x123456u);        // the former (128, 0): the top of the disc
    int inside = 0;
    for (std::uint32_t v : p) {
        ASSERT_TRUE(v == 0x123456u || v == kMagenta);
        inside += v == 0x123456u;
    }
    // The rows' spans 2a add up to 51966; the middle row's two overflow pixels land on covered ones.
    EXPECT_EQ(inside, 51964);
}

TEST(DiscWarp, RowsAreSqueezedIntoCentredSpans) {
    std::vector<std::uint32_t> p = coordinatePicture();
    discWarp(p.data());
    // Row 0: k = -128, a = 16: 32 pixels from column 112, taking every eighth source column.
    int span = 0;
    for (int x = 0; x < 256; ++x) span += unswapped(p, x, 0) != kMagenta;
    EXPECT_EQ(span, 32);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(unswapped(p, 112 + i, 0), static_cast<std::uint32_t>(8 * i)) << i;
    EXPECT_EQ(unswapped(p, 111, 0), kMagenta);
    EXPECT_EQ(unswapped(p, 144, 0), kMagenta);
    // Row 255: k = 127, a = trunc(sqrt(512)) = 22, column (128 i) / 22.
    EXPECT_EQ(unswapped(p, 106, 255), 255u << 8);
    EXPECT_EQ(unswapped(p, 106 + 43, 255), (255u << 8) | (128u * 43 / 22));
    EXPECT_EQ(unswapped(p, 105, 255), kMagenta);
    EXPECT_EQ(unswapped(p, 150, 255), kMagenta);
}

TEST(DiscWarp, MiddleRowReachesIntoItsNeighboursByLinearIndex) {
    std::vector<std::uint32_t> p = coordinatePicture();
    discWarp(p.data());
    // Row 128 (a = 129) writes 258 pixels from the last pixel of row 127: its
    // first source pixel stays there, its last is overwritten by row 129.
    EXPECT_EQ(unswapped(p, 255, 127), 128u << 8);
    EXPECT_EQ(unswapped(p, 0, 129), 129u << 8);
    // Row 128's own pixels are its sources i = 1..256, column (128 i) / 129.
    EXPECT_EQ(unswapped(p, 0, 128), (128u << 8) | 0u);
    EXPECT_EQ(unswapped(p, 128, 128), (128u << 8) | (128u * 129 / 129));
    EXPECT_EQ(unswapped(p, 255, 128), (128u << 8) | (128u * 256 / 129));
    // Row 127 (a = 128) fills its row; only its last pixel was replaced.
    EXPECT_EQ(unswapped(p, 254, 127), (127u << 8) | 254u);
}

TEST(DiscWarp, RepeatedWarpsUseTheSameResult) {
    std::vector<std::uint32_t> a = coordinatePicture();
    std::vector<std::uint32_t> b = coordinatePicture();
    discWarp(a.data());
    std::vector<std::uint32_t> other(65536, 0xABCDEF);
    discWarp(other.data());
    discWarp(b.data());
    EXPECT_EQ(a, b);
}

// Warping from a separate source gives the in-place result, on any count of
// threads; the coordinate picture makes every pixel's source visible.
TEST(DiscWarpThreads, FromASourceMatchesInPlaceAtEveryThreadCount) {
    std::vector<std::uint32_t> inPlace = coordinatePicture();
    discWarp(inPlace.data());
    const std::vector<std::uint32_t> source = coordinatePicture();
    for (int threads : {1, 2, 3}) {
        setWorkerThreads(threads);
        std::vector<std::uint32_t> picture(65536, 0x123456);
        discWarp(source.data(), picture.data());
        EXPECT_TRUE(picture == inPlace) << threads << " threads";
        std::vector<std::uint32_t> again = coordinatePicture();
        discWarp(again.data());
        EXPECT_TRUE(again == inPlace) << threads << " threads, in place";
    }
    setWorkerThreads(1);
}

class ExpandSamples : public ::testing::Test {
protected:
    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(640 * 480, 0);
    std::uint32_t* view = frame.data() + 96 * 640;

    std::uint32_t at(int x, int y) const { return view[y * 640 + x]; }
    // Samples of one colour at even columns of every fourth row, leftovers elsewhere.
    void fillSamples(std::uint32_t colour) {
        for (int y = 0; y < 288; ++y) {
            for (int x = 0; x < 640; ++x) view[y * 640 + x] = (y % 4 == 0 && x % 2 == 0) ? colour : 0x135724;
        }
    }
};

TEST_F(ExpandSamples, WhiteSamplesGiveMaskedMixes) {
    fillSamples(0xFFFFFF);
    expandSamples(view);
    for (int g = 0; g < 71; ++g) {
        for (int x = 0; x < 638; x += 2) {
            ASSERT_EQ(at(x, 4 * g), 0xFFFFFFu);
            ASSERT_EQ(at(x, 4 * g + 1), 0xFCFCFCu) << x << "," << g;
            ASSERT_EQ(at(x, 4 * g + 2), 0xFEFEFEu);
            ASSERT_EQ(at(x, 4 * g + 3), 0xFCFCFCu);
            ASSERT_EQ(at(x + 1, 4 * g), 0xFEFEFEu);
            ASSERT_EQ(at(x + 1, 4 * g + 1), 0xFCFCFCu);
            ASSERT_EQ(at(x + 1, 4 * g + 2), 0xFEFEFEu);
            ASSERT_EQ(at(x + 1, 4 * g + 3), 0xFCFCFCu);
        }
        // A row's last pixel mixes with the first pixel of the next row.
        EXPECT_EQ(at(639, 4 * g), 0xFDFDFDu);      // FE and FC
        EXPECT_EQ(at(639, 4 * g + 1), 0xFDFDFDu);  // FC and FE
        EXPECT_EQ(at(639, 4 * g + 2), 0xFDFDFDu);  // FE and FC
        EXPECT_EQ(at(639, 4 * g + 3), 0xFDFDFDu);  // FC and FF
    }
}

TEST_F(ExpandSamples, LastRowsFadeTowardsTheBlackRowBelow) {
    fillSamples(0xFFFFFF);
    expandSamples(view);
    EXPECT_EQ(at(0, 285), 0xBDBDBDu);  // 3 x 252 / 4
    EXPECT_EQ(at(0, 286), 0x7F7F7Fu);
    EXPECT_EQ(at(0, 287), 0x3F3F3Fu);
    EXPECT_EQ(at(1, 287), 0x3E3E3Eu);  // odd columns drop the low bit once more
    EXPECT_EQ(at(639, 287), 0x1F1F1Fu);  // the viewport's last pixel mixes with the black one below
    for (int x = 0; x < 640; ++x) {
        ASSERT_EQ(frame[384 * 640 + x], 0u);  // the lower bar is only read
        ASSERT_EQ(frame[95 * 640 + x], 0u);
    }
}

TEST_F(ExpandSamples, LastGroupMixesWithTheRowBelowTheViewport) {
    fillSamples(0x000000);
    for (int x = 0; x < 640; ++x) frame[384 * 640 + x] = 0xFFFFFF;
    expandSamples(view);
    EXPECT_EQ(at(0, 284), 0u);
    EXPECT_EQ(at(0, 285), 0x3F3F3Fu);  // 0xFC / 4
    EXPECT_EQ(at(0, 286), 0x7F7F7Fu);
    EXPECT_EQ(at(0, 287), 0xBDBDBDu);  // 3 x 0xFC / 4
    EXPECT_EQ(at(639, 287), 0xDDDDDDu);  // (0xBC + 0xFE) / 2: its right neighbour is the first pixel below
    EXPECT_EQ(at(0, 283), 0u);  // the group above sees only black
    for (int x = 0; x < 640; ++x) ASSERT_EQ(frame[384 * 640 + x], 0xFFFFFFu);
}

TEST_F(ExpandSamples, ChannelsDoNotCarryIntoEachOther) {
    fillSamples(0x0000FF);
    for (int x = 0; x < 640; x += 2) view[4 * 640 + x] = 0xFF0000;
    expandSamples(view);
    EXPECT_EQ(at(0, 1), 0x3F00BDu);
    EXPECT_EQ(at(0, 2), 0x7F007Fu);
    EXPECT_EQ(at(0, 3), 0xBD003Fu);
    EXPECT_EQ(at(1, 2), 0x7E007Eu);
    EXPECT_EQ(at(1, 0), 0x0000FEu);  // 0xFF and 0xFF lose their low bits
}
