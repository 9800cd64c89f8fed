#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/headless_driver.h"
#include "app/resource_file.h"
#include "image2d/frame_buffer.h"
#include "music/xm_player.h"
#include "platform/process_clock.h"

namespace {

// The song plays on the virtual device while a headless driver advances it
// at `fps`; the song's mixed time must keep pace with the frames.
void expectSongKeepsPace(int fps) {
    VirtualWaveOutput device;
    xmSetWaveOutput(&device);
    xmSetFileCallbacks(resOpen, resClose, resRead, resSeek, resTell);
    xmSetBufferLength(4038);
    ASSERT_TRUE(xmStartOutput(44100));
    XmSong* song = xmLoad("noname", nullptr);
    ASSERT_NE(song, nullptr);
    xmPlay(song);
    {
        Options options;
        options.fps = fps;
        options.shots.push_back(Shot{1e9f, "/nonexistent/never-written.png"});
        HeadlessDriver driver(device, options);
        // Two minutes: more than a dozen trips round the output ring.
        const int frames = 120 * fps;
        for (int k = 1; k <= frames; ++k) {
            driver.beforeFrame(static_cast<std::uint64_t>(k));
            const double heardMs = k * 1000.0 / fps;
            // Mixing runs at most one fragment (about 20 ms) behind the device,
            // give or take the song clock's single-precision sum.
            ASSERT_NEAR(xmGetTimeMs(song), heardMs, 30.0) << "frame " << k << " at " << fps << " fps";
        }
    }
    xmFree(song);
    xmStopOutput();
    xmSetWaveOutput(nullptr);
    processClock::useWallClock();
}

}  // namespace

TEST(HeadlessDriver, SongKeepsPaceAtEveryFrameRate) {
    expectSongKeepsPace(60);
    expectSongKeepsPace(24);
    // Fewer than 50 frames per second: the device would jump over whole
    // fragments between two services if it moved a frame's worth at once.
    expectSongKeepsPace(10);
}

// A shot the run never reaches (here after --stop) fails the run instead of
// being silently left out.
TEST(HeadlessDriver, AShotNeverReachedFailsTheRun) {
    VirtualWaveOutput device;
    Options options;
    options.stop = 1000.0f;
    options.shots.push_back(Shot{2000.0f, ""});
    HeadlessDriver driver(device, options);
    EXPECT_FALSE(driver.afterFrame(1000.0f)) << "the run ends at the stop";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(driver.finish());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("before demo time 2000: no hash"), std::string::npos);
}

// A shot or hash whose time the run never reaches fails the run, naming it.
TEST(HeadlessDriver, ShotsNeverReachedFailTheRun) {
    std::vector<std::uint32_t> pixels(kFrameWidth * kFrameHeight);
    frameBuffer = pixels.data();
    VirtualWaveOutput device;
    Options options;
    options.shots = {Shot{1000.0f, ""}, Shot{2000.0f, "/tmp/never.png"}, Shot{1500.0f, ""}};
    {
        HeadlessDriver driver(device, options);
        testing::internal::CaptureStdout();
        EXPECT_TRUE(driver.afterFrame(1200.0f));
        EXPECT_EQ(testing::internal::GetCapturedStdout().substr(0, 5), "1000 ");
        testing::internal::CaptureStderr();
        EXPECT_FALSE(driver.finish());
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_NE(errors.find("demo time 2000: no shot /tmp/never.png\n"), std::string::npos) << errors;
        EXPECT_NE(errors.find("demo time 1500: no hash\n"), std::string::npos) << errors;
    }
    options.shots = {Shot{1000.0f, ""}};
    {
        HeadlessDriver driver(device, options);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(driver.afterFrame(1000.0f));  // the last shot taken ends the run
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(driver.finish());
    }
    frameBuffer = nullptr;
    processClock::useWallClock();
}
