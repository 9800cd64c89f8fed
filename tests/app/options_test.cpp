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
