#pragma once
// Captures a headless run to a video file through ffmpeg: every frame buffer
// goes to ffmpeg's standard input as it is (no copy; ffmpeg scales it up by a
// whole factor, nearest neighbour, and letterboxes it), the sound to a WAV
// file that is muxed in at the end. A progress line goes to stderr.
#include <cstdint>
#include <cstdio>
#include <string>

struct CaptureSettings {
    std::string path;
    int fps = 60;
    int scale = 1;                // whole factor, nearest neighbour
    int width = 0, height = 0;    // the video frame; 0: the scaled picture's size
    std::string extraArgs;        // passed to ffmpeg after the defaults
    float firstTime = -8076.0f;   // demo times of the run, for the progress line
    float lastTime = 163439.0f;
};

// The ffmpeg options that scale, place and encode the picture (after "-i -").
std::string captureVideoArgs(const CaptureSettings& settings);

class VideoCapture {
public:
    // Starts ffmpeg; false (with a message on stderr) when it cannot.
    bool start(const CaptureSettings& settings);
    // One shown frame (640x480 words) and the sound played before it (frames
    // stereo frames); false when ffmpeg took no more.
    bool addFrame(const std::uint32_t* frameBuffer, const std::int16_t* sound, std::uint64_t frames, float demoTime);
    // Encodes the sound and writes the file; false when that failed.
    bool finish();
    bool running() const { return video_ != nullptr; }

private:
    void showProgress(float demoTime, bool last);

    CaptureSettings settings_;
    std::FILE* video_ = nullptr;
    std::FILE* audio_ = nullptr;
    std::string videoTemp_;
    std::string audioTemp_;
    std::uint64_t audioFrames_ = 0;
    std::uint64_t frames_ = 0;
    std::int64_t startedMs_ = 0;
    std::int64_t shownMs_ = -1;  // -1: before the first frame
    float lastTime_ = 0.0f;
    bool terminal_ = false;
};
