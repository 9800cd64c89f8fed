// The baked lettering's file: what is written is read back exactly, and a
// damaged file is refused rather than read past its end.
#include <gtest/gtest.h>

#include <vector>

#include "platform/baked_lettering.h"
#include "platform/resources.h"

namespace {

std::vector<BakedText> sample() {
    BakedText a;
    a.request = FontRequest{kSerifFontResource, 32, 16.0 * 0.9375, true, false};
    a.text = "Music: ";
    a.width = 101;
    a.baseline = 26;
    a.left = -1;
    a.top = 3;
    a.columns = 3;
    a.rows = 2;
    a.coverage = {0, 255, 17, 1, 2, 3};
    BakedText blank;  // measured only, or all spaces: no coverage
    blank.request = FontRequest{kMonoFontResource, 16, 10.0, false, true};
    blank.text = " ";
    blank.width = 10;
    return {a, blank};
}

TEST(BakedLettering, ReadsBackWhatItWrites) {
    const std::vector<BakedText> texts = sample();
    const std::vector<std::uint8_t> bytes = encodeLettering(texts);
    std::vector<BakedText> read;
    ASSERT_TRUE(decodeLettering(bytes.data(), bytes.size(), read));
    ASSERT_EQ(read.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_TRUE(sameRequest(read[i].request, texts[i].request));
        EXPECT_EQ(read[i].text, texts[i].text);
        EXPECT_EQ(read[i].width, texts[i].width);
        EXPECT_EQ(read[i].baseline, texts[i].baseline);
        EXPECT_EQ(read[i].left, texts[i].left);
        EXPECT_EQ(read[i].top, texts[i].top);
        EXPECT_EQ(read[i].columns, texts[i].columns);
        EXPECT_EQ(read[i].rows, texts[i].rows);
        EXPECT_EQ(read[i].coverage, texts[i].coverage);
    }
}

TEST(BakedLettering, RefusesDamagedFiles) {
    std::vector<std::uint8_t> bytes = encodeLettering(sample());
    std::vector<BakedText> read;
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(decodeLettering(bytes.data(), cut, read)) << "cut at " << cut;
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(decodeLettering(longer.data(), longer.size(), read));
    bytes[0] = 'X';
    EXPECT_FALSE(decodeLettering(bytes.data(), bytes.size(), read));
    EXPECT_FALSE(decodeLettering(nullptr, 0, read));
}

TEST(BakedLettering, RequestsDifferingInAnyFieldAreDifferent) {
    const FontRequest base{kSerifFontResource, 32, 16.0, true, false};
    FontRequest other = base;
    EXPECT_TRUE(sameRequest(base, other));
    other.averageWidth = 15.999999999999998;  // a narrowing attempt one step away
    EXPECT_FALSE(sameRequest(base, other));
    other = base;
    other.monochrome = true;
    EXPECT_FALSE(sameRequest(base, other));
    other = base;
    other.cellHeight = 33;
    EXPECT_FALSE(sameRequest(base, other));
}

}  // namespace
