#include "app/benchmark.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Benchmark, StatisticsOfAHundredFrames) {
    std::vector<double> ms;
    for (int i = 100; i >= 1; --i) ms.push_back(i);  // 100 .. 1 ms, unsorted
    const FrameStats s = summariseFrames("2", ms);
    EXPECT_EQ(s.frames, 100u);
    EXPECT_DOUBLE_EQ(s.medianMs, 50.5);  // even count: the mean of the middle two
    EXPECT_DOUBLE_EQ(s.p95Ms, 95.0);     // nearest rank
    EXPECT_DOUBLE_EQ(s.p99Ms, 99.0);
    EXPECT_DOUBLE_EQ(s.maxMs, 100.0);
    EXPECT_NEAR(s.framesPerSecond, 100 / 5.05, 1e-9);
}

TEST(Benchmark, OneFrameAndNone) {
    std::vector<double> one{3.0};
    const FrameStats s = summariseFrames("x", one);
    EXPECT_DOUBLE_EQ(s.medianMs, 3.0);
    EXPECT_DOUBLE_EQ(s.p95Ms, 3.0);
    EXPECT_DOUBLE_EQ(s.p99Ms, 3.0);
    std::vector<double> none;
    const FrameStats empty = summariseFrames("y", none);
    EXPECT_EQ(empty.frames, 0u);
    EXPECT_DOUBLE_EQ(empty.framesPerSecond, 0.0);
}

namespace {
struct CountingDriver : FrameDriver {
    int before = 0, after = 0;
    void beforeFrame(std::uint64_t) override { ++before; }
    bool afterFrame(float) override { return ++after < 100; }
};
}  // namespace

// Frames are filed by what they show: the loading screen (negative demo
// time), each scene's window, and the empty frame at the very end.
TEST(Benchmark, FramesAreFiledUnderTheirSceneAndPassedOn) {
    CountingDriver inner;
    BenchmarkDriver driver(inner);
    const float times[] = {-3000.0f, -150.0f, 0.0f, 12013.0f, 12014.0f, 30000.0f, 60000.0f, 163439.0f};
    std::uint64_t k = 0;
    for (const float t : times) {
        driver.beforeFrame(++k);
        EXPECT_TRUE(driver.afterFrame(t));
    }
    EXPECT_EQ(inner.before, 8);
    EXPECT_EQ(inner.after, 8);
    const BenchmarkReport r = driver.report(3, false);
    ASSERT_EQ(r.groups.size(), 8u);  // six scenes, loading, other
    const std::uint64_t expected[] = {2, 2, 0, 1, 0, 0, 2, 1};  // 12014 + 100 is scene 2's first ms
    const char* names[] = {"1", "2", "3", "4", "5", "6", "loading", "other"};
    for (int g = 0; g < 8; ++g) {
        EXPECT_EQ(r.groups[g].name, names[g]);
        EXPECT_EQ(r.groups[g].frames, expected[g]) << names[g];
    }
    EXPECT_EQ(r.total.frames, 8u);
    EXPECT_GT(r.loadingMs, 0.0);
    const std::string table = benchmarkTable(r);
    EXPECT_NE(table.find("3 threads, vector paths off"), std::string::npos);
    EXPECT_NE(table.find("\nloading "), std::string::npos);
    const std::string json = benchmarkJson(r);
    EXPECT_NE(json.find("\"threads\": 3"), std::string::npos);
    EXPECT_NE(json.find("{\"name\": \"other\", \"frames\": 1,"), std::string::npos);
}
