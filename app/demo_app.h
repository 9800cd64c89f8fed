#pragma once
// The application shell: display set-up, the frame buffer and its two
// presentations, the message loop, the ordered shutdown and the frame-rate
// report. It knows nothing of scenes; the timeline does.
#include <cstdint>
#include <optional>

#include "app/timeline.h"

class Display;

// Drives a run whose time does not come from the wall clock (headless runs):
// called around every frame of the message loop.
class FrameDriver {
public:
    virtual ~FrameDriver() = default;
    // Before frame k (k = 1, 2, ...).
    virtual void beforeFrame(std::uint64_t k) = 0;
    // After the frame drawn at demoTime; false ends the run.
    virtual bool afterFrame(float demoTime) = 0;
};

class DemoApp {
public:
    explicit DemoApp(Display& display);
    ~DemoApp();
    DemoApp(const DemoApp&) = delete;
    DemoApp& operator=(const DemoApp&) = delete;

    // Sets up the display, loads and runs the show until a key, the end of the
    // show, or the driver ends it. Returns the process exit code. Frames before
    // start (demo time, ms) are drawn but not shown; a live run (no driver)
    // positions the song there, a driver plays its way there.
    int run(FrameDriver* driver = nullptr, std::optional<float> start = std::nullopt);

    std::uint32_t frameCount() const { return frameCount_; }

    // The ordered release; runs at most once. With report, ends with the
    // frame-rate message.
    void shutdown(bool report);

private:
    bool setUpDisplay();
    void allocateFrameBuffer();
    void freeFrameBuffer();
    void handleEvents(bool& closed);

    static bool presentViewportRows(const std::uint32_t* viewportPixels);
    static bool presentBarRows(const std::uint32_t* frameBufferPixels);

    Display& display_;
    Timeline timeline_;
    std::uint32_t* frameBufferStorage_ = nullptr;
    std::uint32_t frameCount_ = 0;
    bool displayReady_ = false;
    bool active_ = false;
    bool shutDown_ = false;

    static DemoApp* current_;
};
