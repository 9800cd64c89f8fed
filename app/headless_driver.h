#pragma once
// The deterministic clock of headless runs: before frame k the virtual sound
// device plays rate/F frames more (the fraction carried exactly), the player
// mixes what falls due, and the process clock reads k x 1000 / F ms. After
// each frame the requested shots are written; a capture streams every frame
// and the sound to ffmpeg. Frames before the start (--start) are played
// through unseen: no shots, no capture; the run ends after --stop.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/demo_app.h"
#include "app/options.h"
#include "app/video_capture.h"
#include "platform/wave_output.h"

class HeadlessDriver : public FrameDriver {
public:
    HeadlessDriver(VirtualWaveOutput& device, const Options& options);
    ~HeadlessDriver() override;

    void beforeFrame(std::uint64_t k) override;
    bool afterFrame(float demoTime) override;

    // Ends the capture (encoding it); false when a shot or the capture could
    // not be written.
    bool finish();

private:
    bool writeShots(float demoTime);

    VirtualWaveOutput& device_;
    int fps_;
    std::vector<Shot> shots_;  // pending, in the order given
    VideoCapture capture_;
    std::vector<std::int16_t> played_;  // the sound played before the frame
    std::uint64_t frame_ = 0;
    float start_;  // demo time of the first frame shown
    float stop_;   // the run ends at the first frame at or after it
    bool runToEnd_ = false;  // no shots: the whole show
    bool finished_ = false;
    float lastDemoTime_ = 0.0f;
    bool ok_ = true;
};
