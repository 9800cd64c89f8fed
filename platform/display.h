#pragma once
// The screen: a 640x480 picture of 0x00RRGGBB pixels shown letterboxed, whose
// row ranges are updated separately (the viewport every frame, the bars when
// they change), plus the window's input events.
#include <cstdint>
#include <memory>

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// The steps of display set-up, in order; a failure names the step that failed.
enum class DisplaySetup {
    Ok,
    VideoInitFailed,       // no video system
    WindowFailed,          // window or renderer could not be created
    ModeFailed,            // full-screen 640x480 logical mode refused
    SurfaceFailed,         // streaming texture could not be created
};

enum class DisplayEventKind {
    KeyDown,       // any key
    CloseRequest,  // the window manager asks the window to close
    Activation,    // the window became active or inactive
};

struct DisplayEvent {
    DisplayEventKind kind = DisplayEventKind::KeyDown;
    bool active = false;  // for Activation
};

class Display {
public:
    virtual ~Display() = default;
    virtual DisplaySetup setUp() = 0;
    // Releases the window and everything behind it; harmless when repeated.
    virtual void release() = 0;
    // Copies rows firstRow..firstRow+rowCount-1 of a 640x480 frame buffer to
    // the screen's picture; false when the screen could not take them.
    virtual bool updateRows(const std::uint32_t* frameBuffer, int firstRow, int rowCount) = 0;
    // Shows the picture as updated so far.
    virtual void show() = 0;
    // The next waiting event, without blocking; false when none waits.
    virtual bool pollEvent(DisplayEvent& event) = 0;
    // Blocks until an event waits, or for a short while: signals that end the
    // program arrive as events only when the queue is looked at.
    virtual void waitEvent() = 0;
    // Whether the window is active when set-up ends.
    virtual bool initiallyActive() const = 0;
    // The system's own words on why set-up failed; empty when it has none.
    virtual const char* failureCause() const { return ""; }
};

struct DisplayOptions {
    bool windowed = false;  // a window scaled by a whole factor instead of full screen
    bool pacing = true;     // at most one frame per refresh: vsync, or a wait for the refresh interval
};

std::unique_ptr<Display> makeSdlDisplay(const DisplayOptions& options);
// The platform's own screen: an SDL2 window natively, a canvas in the browser.
std::unique_ptr<Display> makeDefaultDisplay(const DisplayOptions& options);

// A display without a window: never has events and is always active. It
// keeps the picture in memory (screenPixels) unless told not to: the headless
// show takes its shots from the frame buffer and has no use for a copy.
class HeadlessDisplay : public Display {
public:
    explicit HeadlessDisplay(bool keepsPicture = true)
        : screen_(keepsPicture ? new std::uint32_t[kScreenWidth * kScreenHeight]() : nullptr) {}
    DisplaySetup setUp() override { return DisplaySetup::Ok; }
    void release() override {}
    bool updateRows(const std::uint32_t* frameBuffer, int firstRow, int rowCount) override;
    void show() override { ++shown_; }
    bool pollEvent(DisplayEvent&) override { return false; }
    void waitEvent() override {}
    bool initiallyActive() const override { return true; }

    const std::uint32_t* screenPixels() const { return screen_.get(); }  // null if not kept
    std::uint64_t framesShown() const { return shown_; }
    // Makes the next updates fail, as a busy or lost screen would (tests).
    void setFailing(bool failing) { failing_ = failing; }

private:
    std::unique_ptr<std::uint32_t[]> screen_;
    std::uint64_t shown_ = 0;
    bool failing_ = false;
};
