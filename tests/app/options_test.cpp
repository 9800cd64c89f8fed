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
    EXPECT_NE(parseOptions({"--benchmark", "--start", "5000"}).error.find("--benchmark"), std::string::npos);
    EXPECT_NE(parseOptions({"--benchmark-json"}).error.find("--benchmark-json"), std::string::npos);
}

TEST(Options, StartStopAndCaptureSizes) {
    OptionsResult r = parseOptions({"--start", "40280"});
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_FLOAT_EQ(*r.options.start, 40280.0f);
    EXPECT_FALSE(parseOptions({}).options.start.has_value());
    // The last frame the show draws is at 163439; a start there shows nothing.
    EXPECT_TRUE(parseOptions({"--start", "163438.9"}).error.empty());
    EXPECT_NE(parseOptions({"--start", "163439"}).error.find("--start"), std::string::npos);
    EXPECT_NE(parseOptions({"--stop", "5000"}).error.find("--headless"), std::string::npos);
    EXPECT_FALSE(parseOptions({"--headless", "--start", "5000", "--stop", "4999"}).error.empty());
    EXPECT_FALSE(parseOptions({"--headless", "--start", "5000", "--hash", "4999"}).error.empty());
    EXPECT_TRUE(parseOptions({"--headless", "--start", "5000", "--hash", "5000"}).error.empty());

    // Without --scale a frame size takes the largest whole factor that fits.
    r = parseOptions({"--headless", "--capture", "a.mp4", "--capture-size", "1920x1080"});
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.options.captureScale, 2);
    r = parseOptions({"--headless", "--capture", "a.mp4", "--capture-size", "3840x2160"});
    EXPECT_EQ(r.options.captureScale, 4);
    r = parseOptions({"--headless", "--capture", "a.mp4", "--capture-size", "7680x4320"});
    EXPECT_EQ(r.options.captureScale, 6);  // 9 would fit; 6 is the largest factor
    EXPECT_EQ(parseOptions({"--headless", "--capture", "a.mp4"}).options.captureScale, 1);
    r = parseOptions({"--headless", "--capture", "a.mp4", "--scale", "3", "--capture-size", "1920x1440"});
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.options.captureScale, 3);
    EXPECT_NE(parseOptions({"--headless", "--capture", "a.mp4", "--scale", "3", "--capture-size", "1920x1080"})
                  .error.find("does not fit"),
              std::string::npos);
    for (const char* bad : {"0", "7", "2.5", "x"})
        EXPECT_NE(parseOptions({"--headless", "--capture", "a.mp4", "--scale", bad}).error.find("--scale"),
                  std::string::npos)
            << bad;
    for (const char* bad : {"1921x1080", "638x480", "1920x", "1920", "x1080", "8000x4320"})
        EXPECT_NE(parseOptions({"--headless", "--capture", "a.mp4", "--capture-size", bad}).error.find("--capture-size"),
                  std::string::npos)
            << bad;
    EXPECT_NE(parseOptions({"--headless", "--scale", "2"}).error.find("--capture"), std::string::npos);
}
