#include <gtest/gtest.h>

#include <string>

#include "app/demo_app.h"
#include "music/xm_player.h"
#include "platform/display.h"
#include "platform/process_clock.h"
#include "platform/wave_output.h"

namespace {

// Runs a fixed number of frames, making the screen refuse every update while
// `failing` says so.
class CountingDriver : public FrameDriver {
public:
    CountingDriver(HeadlessDisplay& display, const DemoApp*& app, int frames, bool failing)
        : display_(display), app_(app), frames_(frames), failing_(failing) {}
    void beforeFrame(std::uint64_t k) override {
        if (k == 1) countAfterLoading = app_->frameCount();
        display_.setFailing(failing_);
        processClock::setVirtualMs(static_cast<std::int64_t>(k * 1000 / 60));
    }
    bool afterFrame(float) override { return --frames_ > 0; }
    std::uint32_t countAfterLoading = 0;

private:
    HeadlessDisplay& display_;
    const DemoApp*& app_;
    int frames_;
    bool failing_;
};

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
    HeadlessDisplay display;
    const DemoApp* appRef = nullptr;
    CountingDriver driver(display, appRef, 10, true);
    DemoApp app(display);
    appRef = &app;
    EXPECT_EQ(app.run(&driver), 0);
    // Loading presents seven loading frames and the bars.
    EXPECT_GE(driver.countAfterLoading, 8u);
    EXPECT_EQ(app.frameCount(), driver.countAfterLoading);
}

TEST_F(DemoAppTest, EveryShownFrameIsCounted) {
    HeadlessDisplay display;
    const DemoApp* appRef = nullptr;
    CountingDriver driver(display, appRef, 10, false);
    DemoApp app(display);
    appRef = &app;
    EXPECT_EQ(app.run(&driver), 0);
    EXPECT_GE(app.frameCount(), driver.countAfterLoading + 10);
    EXPECT_EQ(app.frameCount(), display.framesShown());
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
