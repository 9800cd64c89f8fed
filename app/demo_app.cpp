#include "app/demo_app.h"

#include "app/loading_screen.h"
#include "app/presentation.h"
#include "image2d/frame_buffer.h"
#include "image2d/lettering.h"
#include "music/xm_player.h"
#include "platform/dialogs.h"
#include "platform/display.h"
#include "scenes/scenes.h"

PresentViewportFn presentViewport = nullptr;
PresentBarsFn presentBars = nullptr;

namespace {
constexpr const char* kSetUpCaption = "nu is ie kapot";

const char* setUpFailureText(DisplaySetup step) {
    switch (step) {
    case DisplaySetup::VideoInitFailed: return "DirectDrawCreate FAILED";
    case DisplaySetup::WindowFailed: return "SetCooperativeLevel FAILED";
    case DisplaySetup::ModeFailed: return "SetDisplayMode FAILED";
    case DisplaySetup::SurfaceFailed: return "CreateSurface FAILED";
    case DisplaySetup::Ok: break;
    }
    return "";
}
}  // namespace

DemoApp* DemoApp::current_ = nullptr;

DemoApp::DemoApp(Display& display) : display_(display) { current_ = this; }

DemoApp::~DemoApp() {
    shutdown(false);
    // The loading picture lives for the whole run.
    freeLoadingImage();
    if (current_ == this) current_ = nullptr;
}

bool DemoApp::presentViewportRows(const std::uint32_t* viewportPixels) {
    DemoApp& app = *current_;
    const std::uint32_t* pixels = viewportPixels - kViewportTop * kFrameWidth;
    if (!app.display_.updateRows(pixels, kViewportTop, kViewportRows)) return false;
    app.display_.show();
    ++app.frameCount_;
    return true;
}

bool DemoApp::presentBarRows(const std::uint32_t* frameBufferPixels) {
    DemoApp& app = *current_;
    if (!app.display_.updateRows(frameBufferPixels, 0, kViewportTop) ||
        !app.display_.updateRows(frameBufferPixels, kLowerBarTop, kFrameHeight - kLowerBarTop))
        return false;
    app.display_.show();
    ++app.frameCount_;
    return true;
}

void DemoApp::allocateFrameBuffer() {
    // Contents are not cleared here: the loading sequence clears them.
    frameBufferStorage_ = new std::uint32_t[kFrameWidth * kFrameHeight];
    frameBuffer = frameBufferStorage_;
    viewport = frameBufferStorage_ + kViewportTop * kFrameWidth;
    presentViewport = presentViewportRows;
    presentBars = presentBarRows;
}

void DemoApp::freeFrameBuffer() {
    delete[] frameBufferStorage_;
    frameBufferStorage_ = nullptr;
    frameBuffer = nullptr;
    viewport = nullptr;
}

bool DemoApp::setUpDisplay() {
    const DisplaySetup result = display_.setUp();
    if (result == DisplaySetup::Ok) return true;
    shutdown(true);
    dialogs::showMessage(setUpFailureText(result), kSetUpCaption);
    display_.release();
    return false;
}

void DemoApp::shutdown(bool report) {
    if (shutDown_) return;
    shutDown_ = true;
    displayReady_ = false;
    display_.release();
    freeFrameBuffer();
    timeline_.stopClock();
    for (const SceneOps& scene : sceneTable) scene.teardown();
    releaseShared();
    freeGlyphTable();
    if (report) {
        char text[32];
        const auto elapsed = static_cast<std::uint32_t>(timeline_.elapsedMs());
        formatFrameRate(text, frameCount_, elapsed);
        dialogs::showMessage(text, "erm..");
    }
}

void DemoApp::handleEvents(bool& closed) {
    DisplayEvent event;
    while (!closed && display_.pollEvent(event)) {
        switch (event.kind) {
        case DisplayEventKind::KeyDown:
        case DisplayEventKind::CloseRequest:
            // Any key closes the window; its destruction runs the shutdown.
            shutdown(true);
            closed = true;
            break;
        case DisplayEventKind::Activation:
            active_ = event.active;
            break;
        }
    }
}

int DemoApp::run(FrameDriver* driver, std::optional<float> start) {
    if (!setUpDisplay()) return 1;
    allocateFrameBuffer();
    displayReady_ = true;
    active_ = display_.initiallyActive();
    if (start) timeline_.setStartTime(*start, driver == nullptr);
    timeline_.runLoading();
    timeline_.skipToStart();

    std::uint64_t frame = 0;
    for (;;) {
        bool closed = false;
        handleEvents(closed);
        if (closed) return 0;
        if (timeline_.quitRequested()) break;
        if (!active_) {
            display_.waitEvent();
            continue;
        }
        if (driver != nullptr) driver->beforeFrame(++frame);
        else xmServiceOutput();  // a device without a thread of its own (the browser's) is mixed for here
        timeline_.renderFrame();
        if (driver != nullptr && !driver->afterFrame(timeline_.lastDemoTime())) break;
    }
    // The show ran to its end (or the driver ended it): no report, but the
    // player's thread is stopped and everything released before exit.
    shutdown(false);
    return 0;
}
