#include <gtest/gtest.h>

#include "app/options.h"

TEST(Options, NoArgumentsIsTheShowAsDesigned) {
    const OptionsResult r = parseOptions({});
    ASSERT_TRUE(r.error.empty());
    EXPECT_FALSE(r.options.windowed);
    EXPECT_TRUE(r.options.dialogs);
    EXPECT_FALSE(r.options.headless);
}

TEST(Options, HeadlessShots) {
    const OptionsResult r =
        parseOptions({"--headless", "--fps", "30", "--shot", "-6076:a.png", "--shot", "5000:b:c.png", "--hash", "7"});
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.options.fps, 30);
    ASSERT_EQ(r.options.shots.size(), 3u);
    EXPECT_EQ(r.options.shots[2].path, "");  // a hash, not a file
    EXPECT_FLOAT_EQ(r.options.shots[0].demoTime, -6076.0f);
    EXPECT_EQ(r.options.shots[0].path, "a.png");
    EXPECT_EQ(r.options.shots[1].path, "b:c.png");
}

TEST(Options, BadOptionsNameTheOption) {
    EXPECT_NE(parseOptions({"--bogus"}).error.find("--bogus"), std::string::npos);
    EXPECT_NE(parseOptions({"--headless", "--fps"}).error.find("--fps"), std::string::npos);
    EXPECT_NE(parseOptions({"--headless", "--fps", "0"}).error.find("--fps"), std::string::npos);
    EXPECT_NE(parseOptions({"--headless", "--fps", "12x"}).error.find("--fps"), std::string::npos);
    EXPECT_NE(parseOptions({"--headless", "--shot", "abc.png"}).error.find("--shot"), std::string::npos);
    EXPECT_NE(parseOptions({"--headless", "--shot", "100:"}).error.find("--shot"), std::string::npos);
    EXPECT_NE(parseOptions({"--shot", "100:a.png"}).error.find("--headless"), std::string::npos);
    EXPECT_NE(parseOptions({"--headless", "--hash", "x"}).error.find("--hash"), std::string::npos);
    EXPECT_FALSE(parseOptions({"--window", "--headless"}).error.empty());
}

TEST(Options, ThreadsFromOneTo64) {
    EXPECT_EQ(parseOptions({}).options.threads, 0);  // the hardware's count
    EXPECT_EQ(parseOptions({"--threads", "1"}).options.threads, 1);
    EXPECT_EQ(parseOptions({"--headless", "--threads", "64"}).options.threads, 64);
    for (const char* bad : {"0", "65", "-2", "two", ""})
        EXPECT_NE(parseOptions({"--threads", bad}).error.find("--threads"), std::string::npos) << bad;
    EXPECT_NE(parseOptions({"--threads"}).error.find("--threads"), std::string::npos);
}

TEST(Options, BenchmarkIsAWholeHeadlessRun) {
    const OptionsResult r = parseOptions({"--benchmark-json", "b.json", "--threads", "2"});
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_TRUE(r.options.benchmark);
    EXPECT_TRUE(r.options.headless);
    EXPECT_EQ(r.options.benchmarkJson, "b.json");
    EXPECT_TRUE(parseOptions({"--benchmark"}).options.headless);
    EXPECT_NE(parseOptions({"--benchmark", "--hash", "0"}).error.find("--benchmark"), std::string::npos);
    EXPECT_NE(parseOptions({"--benchmark", "--window"}).error.find("--benchmark"), std::string::npos);
    EXPECT_NE(parseOptions({"--benchmark-json"}).error.find("--benchmark-json"), std::string::npos);
}
