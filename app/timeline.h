#pragma once
// The demo clock and the timeline: the loading sequence once, then every frame
// the scene whose time window holds the demo time, drawn with its local time.
#include <cstdint>
#include <limits>

struct XmSong;

// What one frame shows, chosen from the demo time t.
enum class FrameKind { Loading, Scene, Nothing, Quit };

struct FrameChoice {
    FrameKind kind = FrameKind::Nothing;
    int scene = -1;          // 0..5 for FrameKind::Scene
    float localTime = 0.0f;  // ms since the scene's window began (scene 1: e itself)
};

FrameChoice chooseFrame(float demoTime);

// The fallback row: 128 rows per 8,076 ms, imitating the song's row counter.
int fallbackRow(float demoTime);

// The fallback demo time for a process-clock reading.
float fallbackDemoTime(std::int64_t clockMs, std::int64_t startClockMs);

// "fps : 0031.250" for frames presented over elapsedMs of the process clock.
void formatFrameRate(char* text, std::uint32_t frames, std::uint32_t elapsedMs);

class Timeline {
public:
    // Reads startClock, binds the fallback queries, starts the player and
    // loads the song (binding the music queries when it loads).
    void setUpClock();
    void runLoading();
    // Frames before the start (demo time in ms) are drawn but not shown, so
    // that what the scenes carry from frame to frame is as if they had been.
    // With skip (live runs), skipToStart then positions the song there.
    void setStartTime(float start, bool skip) {
        startTime_ = start;
        skipToStart_ = skip;
    }
    // Positions the song at the start, drawing unseen the frames a 60 fps run
    // would have drawn until then, and hands the device what is heard next.
    void skipToStart();
    void renderFrame();
    // Reads endClock, frees the song and stops the output.
    void stopClock();

    bool quitRequested() const { return quitRequested_; }
    // The demo time the last frame was drawn at.
    float lastDemoTime() const { return lastDemoTime_; }
    std::int64_t elapsedMs() const { return endClock_ - startClock_; }
    bool hasSong() const;

private:
    std::int64_t startClock_ = 0;
    std::int64_t endClock_ = 0;
    bool quitRequested_ = false;
    float lastDemoTime_ = 0.0f;
    float startTime_ = -std::numeric_limits<float>::infinity();
    bool skipToStart_ = false;
};
