// Every module of the test corpus (effect tests, quirks and fuzzed files)
// loads or is refused cleanly, and plays a minute without a crash, a hang or
// a read outside its data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "music/output.h"
#include "music/xm_player.h"
#include "music/xm_types.h"
#include "platform/wave_output.h"
#include "tests/music/xm_builder.h"

namespace {
constexpr int kRate = 44100;
constexpr int kSeconds = 60;

std::vector<std::string> corpusModules() {
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(QORBT_CORPUS_DIR, error)) {
        if (entry.is_regular_file() && entry.path().extension() == ".xm") paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string testName(const ::testing::TestParamInfo<std::string>& info) {
    const std::filesystem::path path(info.param);
    std::string name = path.parent_path().filename().string() + "_" + path.stem().string();
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

class Corpus : public ::testing::TestWithParam<std::string> {};
}  // namespace

TEST_P(Corpus, LoadsOrIsRefusedAndPlaysAMinute) {
    std::ifstream file(GetParam(), std::ios::binary);
    ASSERT_TRUE(file) << GetParam();
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    XmSong* song = loadXmBytes(bytes);
    if (song == nullptr) return;  // refused

    VirtualWaveOutput device;
    xmSetWaveOutput(&device);
    xmSetBufferLength(200);
    ASSERT_TRUE(xmStartOutput(kRate));
    ASSERT_TRUE(xmPlay(song));
    const auto fragment = static_cast<std::uint32_t>(fragmentFrames());
    const int fragments = kSeconds * kRate / static_cast<int>(fragment) + 1;
    for (int i = 0; i < fragments; ++i) {
        device.advance(fragment);
        ASSERT_EQ(xmServiceOutput(), 1) << "fragment " << i;
        ASSERT_GE(xmGetOrder(song), 0);
        ASSERT_LT(xmGetOrder(song), 256);
    }
    EXPECT_GE(xmGetTimeMs(song), kSeconds * 1000);
    EXPECT_LT(xmGetTimeMs(song), kSeconds * 1000 + 21);
    xmFree(song);
    xmStopOutput();
    xmSetWaveOutput(nullptr);
}

INSTANTIATE_TEST_SUITE_P(XmCorpus, Corpus, ::testing::ValuesIn(corpusModules()), testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Corpus);
