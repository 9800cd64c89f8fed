// The screen in the browser: the 640x480 picture on the page's canvas
// (scaled by the page's style sheet), keys from the page, and the frame loop
// handed back to the browser after every shown frame until its next
// animation frame (Asyncify keeps the show's own loop as it is).
#include <emscripten.h>

#include <memory>

#include "platform/display.h"
#include "platform/web_canvas_pixels.h"

namespace {

EM_JS(int, canvasSetUp, (), {
    const canvas = document.getElementById("canvas");
    if (!canvas) return 0;
    canvas.width = 640;
    canvas.height = 480;
    Module.qorbtContext = canvas.getContext("2d");
    return Module.qorbtContext ? 1 : 0;
});

EM_JS(void, canvasPut, (const void* rgba), {
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, 640 * 480 * 4);
    Module.qorbtContext.putImageData(new ImageData(bytes, 640, 480), 0, 0);
});

// The next key the page queued: 1 a key, 2 the page going hidden, 3 visible; 0 none.
EM_JS(int, nextPageEvent, (), {
    return (typeof qorbtPage !== "undefined") ? qorbtPage.nextEvent() : 0;
});

EM_ASYNC_JS(void, waitAnimationFrame, (), {
    await new Promise(resolve => requestAnimationFrame(() => resolve()));
});

EM_ASYNC_JS(void, waitPageEvent, (), {
    await new Promise(resolve => qorbtPage.onNextEvent(resolve));
});

class WebDisplay : public Display {
public:
    DisplaySetup setUp() override { return canvasSetUp() ? DisplaySetup::Ok : DisplaySetup::WindowFailed; }
    void release() override {}
    bool updateRows(const std::uint32_t* frameBuffer, int firstRow, int rowCount) override {
        for (int i = firstRow * kScreenWidth; i < (firstRow + rowCount) * kScreenWidth; ++i) {
            rgba_[i] = canvasPixel(frameBuffer[i]);
        }
        return true;
    }
    void show() override {
        canvasPut(rgba_.get());
        waitAnimationFrame();
    }
    bool pollEvent(DisplayEvent& event) override {
        const int kind = nextPageEvent();
        if (kind == 0) return false;
        event.kind = kind == 1 ? DisplayEventKind::KeyDown : DisplayEventKind::Activation;
        event.active = kind == 3;
        return true;
    }
    void waitEvent() override { waitPageEvent(); }
    bool initiallyActive() const override { return true; }

private:
    std::unique_ptr<std::uint32_t[]> rgba_{new std::uint32_t[kScreenWidth * kScreenHeight]()};
};

}  // namespace

std::unique_ptr<Display> makeWebDisplay() { return std::make_unique<WebDisplay>(); }
