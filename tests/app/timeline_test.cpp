#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "app/demo_app.h"
#include "app/loading_screen.h"
#include "app/timeline.h"
#include "image2d/frame_buffer.h"
#include "image2d/lettering.h"
#include "music/xm_player.h"
#include "platform/display.h"
#include "platform/process_clock.h"
#include "platform/wave_output.h"
#include "scenes/scene1_spheres.h"
#include "scenes/scene2_plasma_sky.h"
#include "scenes/scene4_dance.h"
#include "scenes/scene5_tunnel.h"
#include "tests/support/own_frame_buffer.h"

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

namespace {

std::uint64_t checksum(const std::uint32_t* pixels, int count) {
    std::uint64_t h = 14695981039346656037ull;
    for (int i = 0; i < count; ++i) h = (h ^ pixels[i]) * 1099511628211ull;
    return h;
}

// Which preparations have run: the glyph table and scenes 1, 2, 4 and 5 each
// leave something to see (scene 3 and the empty scene 6 do not).
int preparedSoFar() {
    return (glyphTable() != nullptr) + (waveEnvMap != nullptr) + (plasmaImage != nullptr) +
           (scene4::landscapeMap != nullptr) + (scene5::depthMap != nullptr);
}

// Records every presentation: its rows, what it showed and how far loading had got.
class RecordingDisplay : public HeadlessDisplay {
public:
    struct Presented {
        int firstRow;
        std::uint64_t sum;
        int prepared;
    };
    bool updateRows(const std::uint32_t* frame, int firstRow, int rowCount) override {
        presented.push_back({firstRow, checksum(frame + firstRow * kFrameWidth, rowCount * kFrameWidth), preparedSoFar()});
        return HeadlessDisplay::updateRows(frame, firstRow, rowCount);
    }
    std::vector<Presented> presented;
};

class OneFrame : public FrameDriver {
public:
    void beforeFrame(std::uint64_t) override {}
    bool afterFrame(float) override { return false; }
};

}  // namespace

// The loading sequence shows a loading frame before the glyph table and after
// every scene's preparation, at -8076, -7076, ..., -2076 ms, then presents the
// black bars once, all before the first frame of the show.
TEST(TimelineLoading, ShowsALoadingFrameBetweenThePreparationsAtItsTimes) {
    VirtualWaveOutput device;
    processClock::setVirtualMs(0);
    xmSetWaveOutput(&device);
    RecordingDisplay display;
    {
        DemoApp app(display);
        OneFrame driver;
        ASSERT_EQ(app.run(&driver), 0);
        ASSERT_GE(display.presented.size(), 9u);

        // The loading picture outlives the run; draw the expected frames with it.
        const OwnFrameBuffer frame;
        const float times[7] = {-8076.0f, -7076.0f, -6076.0f, -5076.0f, -4076.0f, -3076.0f, -2076.0f};
        const int prepared[7] = {0, 2, 3, 3, 4, 5, 5};
        for (int i = 0; i < 7; ++i) {
            drawLoadingFrame(times[i]);
            SCOPED_TRACE(testing::Message() << "loading frame at " << times[i]);
            EXPECT_EQ(display.presented[i].firstRow, kViewportTop);
            EXPECT_EQ(display.presented[i].sum, checksum(viewport, kViewportRows * kFrameWidth));
            EXPECT_EQ(display.presented[i].prepared, prepared[i]);
        }
        const std::vector<std::uint32_t> black(kViewportTop * kFrameWidth, 0u);
        EXPECT_EQ(display.presented[7].firstRow, 0);
        EXPECT_EQ(display.presented[8].firstRow, kLowerBarTop);
        for (int i : {7, 8}) EXPECT_EQ(display.presented[i].sum, checksum(black.data(), kViewportTop * kFrameWidth));
    }
    xmSetWaveOutput(nullptr);
    processClock::useWallClock();
}
