#include <gtest/gtest.h>

#include <cstring>

#include "app/timeline.h"

namespace {

void expectScene(float t, int scene, float local) {
    const FrameChoice c = chooseFrame(t);
    ASSERT_EQ(c.kind, FrameKind::Scene) << "t=" << t;
    EXPECT_EQ(c.scene, scene) << "t=" << t;
    EXPECT_FLOAT_EQ(c.localTime, local) << "t=" << t;
}

}  // namespace

TEST(Timeline, NegativeTimesLoadUntilTruncationReachesZero) {
    EXPECT_EQ(chooseFrame(-8076.0f).kind, FrameKind::Loading);
    EXPECT_EQ(chooseFrame(-1.0f).kind, FrameKind::Loading);
    // Between -1 and 0 the truncation is 0, not negative: the show has begun.
    expectScene(-0.5f, 0, 99.5f);
    expectScene(0.0f, 0, 100.0f);
}

TEST(Timeline, WindowBoundsAndLocalTimes) {
    // e = t + 100
    expectScene(12013.99f, 0, 12113.99f);
    expectScene(12014.0f, 1, 0.0f);
    expectScene(40279.0f, 1, 28265.0f);
    expectScene(40280.0f, 2, 0.0f);
    expectScene(56432.0f, 3, 0.0f);
    expectScene(104888.0f, 4, 0.0f);
    expectScene(121040.0f, 5, 0.0f);
    expectScene(163438.0f, 5, 42398.0f);
}

TEST(Timeline, EndOfShow) {
    // e exactly 163539 draws nothing and does not quit; beyond it quits.
    EXPECT_EQ(chooseFrame(163439.0f).kind, FrameKind::Nothing);
    EXPECT_EQ(chooseFrame(163439.02f).kind, FrameKind::Quit);
    EXPECT_EQ(chooseFrame(1.0e9f).kind, FrameKind::Quit);
}

TEST(Timeline, FallbackClockAndRow) {
    EXPECT_FLOAT_EQ(fallbackDemoTime(1000, 1000), -8076.0f);
    EXPECT_FLOAT_EQ(fallbackDemoTime(9076, 1000), 0.0f);
    EXPECT_EQ(fallbackRow(0.0f), 0);
    // 128 rows per 8,076 ms: a row every 63.09 ms, wrapping at 128.
    EXPECT_EQ(fallbackRow(63.0f), 0);
    EXPECT_EQ(fallbackRow(63.1f), 1);
    // The constant is a hair below 128/8076: at 8,076 ms it still shows row 127.
    EXPECT_EQ(fallbackRow(8076.0f), 127);
    EXPECT_EQ(fallbackRow(8077.0f), 0);
    // Negative times truncate toward zero, then keep their low 7 bits.
    EXPECT_EQ(fallbackRow(-63.1f), (-1) & 127);
}

TEST(FrameRateReport, Text) {
    char text[32];
    formatFrameRate(text, 2000, 80000);
    EXPECT_STREQ(text, "fps : 0025.000");
    formatFrameRate(text, 1000, 3000);
    EXPECT_STREQ(text, "fps : 0333.333");
    formatFrameRate(text, 125, 4000);
    EXPECT_STREQ(text, "fps : 0031.250");
    // No elapsed time (the show ended before its clock ran): a sane zero, no
    // division by zero.
    formatFrameRate(text, 0, 0);
    EXPECT_STREQ(text, "fps : 0000.000");
    formatFrameRate(text, 7, 0);
    EXPECT_STREQ(text, "fps : 0000.000");
    // Rates beyond four digits keep the last four, as the digit rule says.
    formatFrameRate(text, 4000000000u, 1);
    EXPECT_EQ(std::strlen(text), std::strlen("fps : 0000.000"));
}
