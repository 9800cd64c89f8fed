// bake_lettering: runs the show's loading sequence headless with the native
// font engine, notes every text it measures or draws, and writes them all,
// rasterised, to one file: the lettering of the browser build, which has no
// font engine (platform/baked_lettering.h).
//
//   bake_lettering OUT.bin
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/demo_app.h"
#include "music/xm_player.h"
#include "platform/baked_lettering.h"
#include "platform/display.h"
#include "platform/font_engine.h"
#include "platform/wave_output.h"

namespace {

std::vector<BakedText> seen;

void note(const FontRequest& request, const char* text) {
    for (const BakedText& t : seen)
        if (sameRequest(t.request, request) && t.text == text) return;
    BakedText t;
    t.request = request;
    t.text = text;
    seen.push_back(t);
}

// Ends the run after the first frame: all lettering is made while loading.
class FirstFrameOnly : public FrameDriver {
public:
    void beforeFrame(std::uint64_t) override {}
    bool afterFrame(float) override { return false; }
};

void rasterise(BakedText& t) {
    const Font font(t.request);
    t.width = font.textWidth(t.text.c_str());
    t.baseline = font.baseline();
    // Glyphs may reach beyond the cell and the advance: draw with a wide margin.
    const int margin = 2 * t.request.cellHeight + 16;
    const int width = t.width + 2 * margin, height = t.request.cellHeight + 2 * margin;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, 0);
    GreyImage image{pixels.data(), width, height};
    font.drawText(image, margin, margin, t.text.c_str());
    int left = width, right = -1, top = height, bottom = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pixels[static_cast<std::size_t>(y) * width + x] != 0) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    if (right < 0) return;  // a blank text
    t.left = left - margin;
    t.top = top - margin;
    t.columns = right - left + 1;
    t.rows = bottom - top + 1;
    for (int y = top; y <= bottom; ++y)
        t.coverage.insert(t.coverage.end(), pixels.begin() + static_cast<std::ptrdiff_t>(y) * width + left,
                          pixels.begin() + static_cast<std::ptrdiff_t>(y) * width + right + 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: bake_lettering OUT.bin\n"
                             "Writes every text the show letters, rasterised by the native font engine.\n");
        return 2;
    }
    {
        HeadlessDisplay display;
        VirtualWaveOutput device;
        xmSetWaveOutput(&device);
        setFontObserver(note);
        FirstFrameOnly driver;
        DemoApp app(display);
        app.run(&driver);
        setFontObserver(nullptr);
        xmSetWaveOutput(nullptr);
    }
    for (BakedText& t : seen) rasterise(t);
    const std::vector<std::uint8_t> bytes = encodeLettering(seen);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "bake_lettering: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("bake_lettering: %zu texts, %zu bytes\n", seen.size(), bytes.size());
    return 0;
}
