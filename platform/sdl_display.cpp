// The display on SDL2: a full-screen-desktop window with a 640x480 logical
// size (letterboxed, aspect kept), the software renderer and one streaming
// XRGB8888 texture whose rows are updated in place.
#include <SDL.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "platform/dialogs.h"
#include "platform/display.h"

namespace {

constexpr const char* kWindowTitle = "nu is ie kapot";
constexpr int kPitch = kScreenWidth * 4;

class SdlDisplay : public Display {
public:
    explicit SdlDisplay(const DisplayOptions& options) : options_(options) {}
    ~SdlDisplay() override { release(); }

    DisplaySetup setUp() override {
        if (!startVideo()) return DisplaySetup::VideoInitFailed;

        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
        // The software renderer's picture goes to the window through X's
        // shared memory, not through a GL texture (Mesa's software GL made a
        // full-screen frame at 3840x2160 cost about 60 ms).
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        int width = kScreenWidth;
        int height = kScreenHeight;
        Uint32 flags = SDL_WINDOW_FULLSCREEN_DESKTOP;
        if (options_.windowed) {
            flags = 0;
            const int factor = windowScale();
            width *= factor;
            height *= factor;
        }
        window_ = SDL_CreateWindow(kWindowTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                   flags);
        if (window_ == nullptr) return failed(DisplaySetup::WindowFailed);
        const Uint32 vsync = options_.pacing ? SDL_RENDERER_PRESENTVSYNC : 0;
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE | vsync);
        if (renderer_ == nullptr) return failed(DisplaySetup::WindowFailed);
        setUpPacing();
        dialogs::setDisplayUp(true);

        if (SDL_RenderSetLogicalSize(renderer_, kScreenWidth, kScreenHeight) != 0)
            return failed(DisplaySetup::ModeFailed);

        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_STREAMING, kScreenWidth,
                                     kScreenHeight);
        if (texture_ == nullptr) return failed(DisplaySetup::SurfaceFailed);
        SDL_ShowCursor(SDL_DISABLE);
        const Uint32 state = SDL_GetWindowFlags(window_);
        focused_ = (state & SDL_WINDOW_INPUT_FOCUS) != 0;
        minimised_ = (state & SDL_WINDOW_MINIMIZED) != 0;
        hidden_ = (state & SDL_WINDOW_HIDDEN) != 0;
        lastActive_ = active();
        return DisplaySetup::Ok;
    }

    void release() override {
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
        if (window_ != nullptr) SDL_DestroyWindow(window_);
        texture_ = nullptr;
        renderer_ = nullptr;
        window_ = nullptr;
        dialogs::setDisplayUp(false);
        if (videoUp_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoUp_ = false;
    }

    bool updateRows(const std::uint32_t* frameBuffer, int firstRow, int rowCount) override {
        if (texture_ == nullptr) return false;
        const SDL_Rect rows{0, firstRow, kScreenWidth, rowCount};
        return SDL_UpdateTexture(texture_, &rows, frameBuffer + firstRow * kScreenWidth, kPitch) == 0;
    }

    void show() override {
        if (renderer_ == nullptr) return;
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
        waitForRefresh();
    }

    bool pollEvent(DisplayEvent& event) override {
        SDL_Event e;
        while (SDL_PollEvent(&e) != 0) {
            if (translate(e, event)) return true;
        }
        return false;
    }

    void waitEvent() override {
        // Wait, leaving the event for pollEvent to translate. SDL turns SIGINT
        // and SIGTERM into a quit event only when events are pumped, and its
        // own wait does not wake for a signal: wait in short steps.
        SDL_WaitEventTimeout(nullptr, kWaitStepMs);
    }

    bool initiallyActive() const override { return lastActive_; }
    const char* failureCause() const override { return cause_.c_str(); }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr int kWaitStepMs = 100;
    static constexpr int kVideoAttempts = 3;
    static constexpr int kVideoRetryMs = 100;
    static constexpr int kVsyncCheckIntervals = 30;

    DisplaySetup failed(DisplaySetup step) {
        cause_ = SDL_GetError();
        return step;
    }

    // Initialises SDL's video. A connection to the X server that fails at
    // once (seen on a busy server) is tried again after a short pause.
    bool startVideo() {
        for (int attempt = 1;; ++attempt) {
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
                videoUp_ = true;
                // Without a usable DISPLAY, SDL falls back to an invisible
                // off-screen driver: that is no display for a show.
                const char* driver = SDL_GetCurrentVideoDriver();
                if (driver != nullptr && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0)
                    return true;
                cause_ = std::string("no display to show on (SDL chose its '") + (driver ? driver : "") +
                         "' video driver; is DISPLAY set?)";
                SDL_QuitSubSystem(SDL_INIT_VIDEO);
                videoUp_ = false;
            } else {
                cause_ = SDL_GetError();
            }
            if (attempt == kVideoAttempts) return false;
            SDL_Delay(kVideoRetryMs);
        }
    }

    // Vsync where the renderer offers it; otherwise show() waits for the
    // display's refresh interval (60 Hz when the mode does not say).
    void setUpPacing() {
        SDL_RendererInfo info;
        vsync_ = SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
        SDL_DisplayMode mode;
        const int index = SDL_GetWindowDisplayIndex(window_);
        const int hz = index >= 0 && SDL_GetCurrentDisplayMode(index, &mode) == 0 && mode.refresh_rate > 0
                           ? mode.refresh_rate
                           : 60;
        refresh_ = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / hz));
        nextShow_ = {};
        checkStart_ = {};
        checkIntervals_ = 0;
    }

    void waitForRefresh() {
        if (!options_.pacing) return;
        const auto now = Clock::now();
        if (vsync_) {
            // Presents that really wait for the refresh never come faster than
            // it. The software renderer claims vsync it cannot give on X; when
            // its presents are slow (a large screen) each one alone takes most
            // of a refresh, so only a run of them shows it: when a run comes
            // clearly faster than the refresh, pace by the clock from then on.
            if (checkStart_ == Clock::time_point{}) {
                checkStart_ = now;
                return;
            }
            if (++checkIntervals_ < kVsyncCheckIntervals) return;
            const bool tooFast = now - checkStart_ < refresh_ * kVsyncCheckIntervals * 9 / 10;
            checkStart_ = now;
            checkIntervals_ = 0;
            if (!tooFast) return;
            vsync_ = false;
        }
        // Late by more than a refresh (or the first frame): count afresh from now.
        if (nextShow_ == Clock::time_point{} || now > nextShow_ + refresh_) {
            nextShow_ = now + refresh_;
            return;
        }
        std::this_thread::sleep_until(nextShow_);
        nextShow_ += refresh_;
    }
    bool active() const { return focused_ && !minimised_ && !hidden_; }

    // The largest whole factor by which a window still fits the screen.
    static int windowScale() {
        SDL_Rect usable;
        if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
        int factor = 1;
        while (kScreenWidth * (factor + 1) <= usable.w && kScreenHeight * (factor + 1) <= usable.h) ++factor;
        return factor;
    }

    bool translate(const SDL_Event& e, DisplayEvent& event) {
        switch (e.type) {
        case SDL_KEYDOWN:
            event = {DisplayEventKind::KeyDown, false};
            return true;
        case SDL_QUIT:
            event = {DisplayEventKind::CloseRequest, false};
            return true;
        case SDL_WINDOWEVENT:
            switch (e.window.event) {
            case SDL_WINDOWEVENT_CLOSE: event = {DisplayEventKind::CloseRequest, false}; return true;
            case SDL_WINDOWEVENT_FOCUS_GAINED: focused_ = true; break;
            case SDL_WINDOWEVENT_FOCUS_LOST: focused_ = false; break;
            case SDL_WINDOWEVENT_MINIMIZED: minimised_ = true; break;
            case SDL_WINDOWEVENT_RESTORED: minimised_ = false; break;
            case SDL_WINDOWEVENT_HIDDEN: hidden_ = true; break;
            case SDL_WINDOWEVENT_SHOWN: hidden_ = false; break;
            default: return false;
            }
            if (active() == lastActive_) return false;
            lastActive_ = active();
            event = {DisplayEventKind::Activation, lastActive_};
            return true;
        default:
            return false;
        }
    }


    DisplayOptions options_;
    bool videoUp_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    bool focused_ = false;
    bool minimised_ = false;
    bool hidden_ = false;
    bool lastActive_ = false;
    std::string cause_;
    bool vsync_ = false;
    Clock::duration refresh_{};
    Clock::time_point nextShow_{};  // when the next frame may be shown; zero = not yet
    Clock::time_point checkStart_{};  // the first present of the run being checked while vsync is trusted
    int checkIntervals_ = 0;           // presents since then
};

}  // namespace

std::unique_ptr<Display> makeSdlDisplay(const DisplayOptions& options) {
    return std::make_unique<SdlDisplay>(options);
}
