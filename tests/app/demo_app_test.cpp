#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/demo_app.h"
#include "app/headless_driver.h"
#include "image2d/frame_buffer.h"
#include "music/xm_player.h"
#include "platform/display.h"
#include "platform/process_clock.h"
#include "platform/wave_output.h"

namespace {

// Runs a fixed number of frames, making the screen refuse every update while
// `failing` says so.
class CountingDriver : public FrameDriver {
public:
    CountingDriver(HeadlessDisplay& display, const DemoApp& app, int frames, bool failing)
        : display_(display), app_(app), frames_(frames), failing_(failing) {}
    void beforeFrame(std::uint64_t k) override {
        if (k == 1) countAfterLoading = app_.frameCount();
        display_.setFailing(failing_);
        processClock::setVirtualMs(static_cast<std::int64_t>(k * 1000 / 60));
    }
    bool afterFrame(float) override { return --frames_ > 0; }
    std::uint32_t countAfterLoading = 0;

private:
    HeadlessDisplay& display_;
    const DemoApp& app_;
    int frames_;
    bool failing_;
};

// Plays the show headless up to the first frame shown after the start and
// keeps whether the screen then holds the whole frame buffer, bars included.
class FirstShownFrame : public FrameDriver {
public:
    FirstShownFrame(HeadlessDriver& driver, const HeadlessDisplay& display, float start)
        : driver_(driver), display_(display), start_(start) {}
    void beforeFrame(std::uint64_t k) override { driver_.beforeFrame(k); }
    bool afterFrame(float demoTime) override {
        if (demoTime < start_) return driver_.afterFrame(demoTime);
        shown = true;
        screenEqualsFrame = std::memcmp(display_.screenPixels(), frameBuffer,
                                        sizeof(std::uint32_t) * kFrameWidth * kFrameHeight) == 0;
        return false;
    }
    bool shown = false;
    bool screenEqualsFrame = false;

private:
    HeadlessDriver& driver_;
    const HeadlessDisplay& display_;
    float start_;
};

struct Counts {
    std::uint32_t afterLoading;
    std::uint32_t atEnd;
    std::uint64_t shown;
};

// Loads the show and runs ten frames; the counts of presentations.
Counts runTenFrames(bool failing) {
    HeadlessDisplay display;
    DemoApp app(display);
    CountingDriver driver(display, app, 10, failing);
    EXPECT_EQ(app.run(&driver), 0);
    return {driver.countAfterLoading, app.frameCount(), display.framesShown()};
}

class DemoAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        processClock::setVirtualMs(0);
        xmSetWaveOutput(&device_);
    }
    void TearDown() override {
        xmSetWaveOutput(nullptr);
        processClock::useWallClock();
    }
    VirtualWaveOutput device_;
};

}  // namespace

TEST_F(DemoAppTest, FailedPresentationsAreNotCounted) {
    const Counts counts = runTenFrames(true);
    // Loading presents seven loading frames and the bars.
    EXPECT_GE(counts.afterLoading, 8u);
    EXPECT_EQ(counts.atEnd, counts.afterLoading);
}

TEST_F(DemoAppTest, EveryShownFrameIsCounted) {
    const Counts counts = runTenFrames(false);
    EXPECT_GE(counts.atEnd, counts.afterLoading + 10);
    EXPECT_EQ(counts.atEnd, counts.shown);
}

TEST_F(DemoAppTest, ShutdownRunsOnceAndReportsOnce) {
    HeadlessDisplay display;
    DemoApp app(display);
    testing::internal::CaptureStderr();
    app.shutdown(true);
    app.shutdown(true);
    const std::string err = testing::internal::GetCapturedStderr();
    const std::size_t first = err.find("erm..: fps : ");
    ASSERT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find("erm..", first + 1), std::string::npos) << err;
}

namespace {
// A screen whose first look at its events finds a key press.
class KeyDuringLoadingDisplay : public HeadlessDisplay {
public:
    bool pollEvent(DisplayEvent& event) override {
        if (pressed_) return false;
        pressed_ = true;
        event = {DisplayEventKind::KeyDown, false};
        return true;
    }

private:
    bool pressed_ = false;
};

// A screen that cannot be set up, and says why.
class RefusingDisplay : public HeadlessDisplay {
public:
    DisplaySetup setUp() override { return DisplaySetup::VideoInitFailed; }
    const char* failureCause() const override { return "no X server"; }
};
}  // namespace

TEST_F(DemoAppTest, AKeyDuringLoadingEndsTheShowAfterTheCurrentStep) {
    KeyDuringLoadingDisplay display;
    DemoApp app(display);
    testing::internal::CaptureStderr();
    EXPECT_EQ(app.run(), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(app.frameCount(), 1u);  // the first loading frame only: no scene was prepared
    EXPECT_NE(err.find("erm..: fps : "), std::string::npos) << err;
}

TEST_F(DemoAppTest, AFailedSetUpNamesItsCause) {
    RefusingDisplay display;
    DemoApp app(display);
    testing::internal::CaptureStderr();
    EXPECT_EQ(app.run(), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("DirectDrawCreate FAILED\n"), std::string::npos) << err;
    EXPECT_NE(err.find("DirectDrawCreate FAILED: no X server\n"), std::string::npos) << err;
}

// The thumbnail of demo time -4038 (row 64) is drawn unseen; the first frame
// shown at -3000 is no thumbnail's, yet the lower bar must show it as in a run
// from the start.
TEST_F(DemoAppTest, TheFirstFrameAfterAStartShowsTheThumbnailDrawnUnseen) {
    Options options;
    options.headless = true;
    options.start = -3000.0f;
    HeadlessDisplay display;
    DemoApp app(display);
    HeadlessDriver headless(device_, options);
    FirstShownFrame driver(headless, display, *options.start);
    EXPECT_EQ(app.run(&driver, options.start), 0);
    ASSERT_TRUE(driver.shown);
    EXPECT_TRUE(driver.screenEqualsFrame);
}
