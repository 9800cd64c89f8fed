// The cost of the 2D frames: one credits frame, one loading frame, the
// thumbnail, the end screen and a blend over the whole viewport.
#include <benchmark/benchmark.h>

#include <vector>

#include "app/loading_screen.h"
#include "app/presentation.h"
#include "image2d/frame_buffer.h"
#include "image2d/lettering.h"
#include "image2d/pixel_ops.h"
#include "scenes/demo_clock.h"
#include "scenes/scenes.h"

namespace {

bool noPresentation(const std::uint32_t*) { return true; }
float benchTime() { return 0.0f; }
int benchRow() { return 5; }

// A frame buffer of its own for the duration of one benchmark.
class BenchFrame {
public:
    BenchFrame() : pixels_(kFrameWidth * kFrameHeight, 0), savedFrame_(frameBuffer), savedViewport_(viewport) {
        frameBuffer = pixels_.data();
        viewport = pixels_.data() + kViewportTop * kFrameWidth;
    }
    ~BenchFrame() {
        frameBuffer = savedFrame_;
        viewport = savedViewport_;
    }

private:
    std::vector<std::uint32_t> pixels_;
    std::uint32_t* savedFrame_;
    std::uint32_t* savedViewport_;
};

void BM_CreditsFrame(benchmark::State& state) {
    BenchFrame frame;
    bindDemoClock(benchTime, benchRow);
    scene3::prepare();
    float t = 3000.0f;
    for (auto _ : state) {
        scene3::drawFrame(t);
        benchmark::DoNotOptimize(viewport[1000]);
        t += 16.0f;
        if (t > 16000.0f) t = 3000.0f;
    }
    scene3::teardown();
}
BENCHMARK(BM_CreditsFrame)->Unit(benchmark::kMicrosecond);

void BM_LoadingFrame(benchmark::State& state) {
    BenchFrame frame;
    buildLoadingImage();
    float t = -6076.0f;
    for (auto _ : state) {
        drawLoadingFrame(t);
        benchmark::DoNotOptimize(viewport[100 * 640]);
        t += 16.0f;
        if (t > 0.0f) t = -8076.0f;
    }
}
BENCHMARK(BM_LoadingFrame)->Unit(benchmark::kMicrosecond);

void BM_Thumbnail(benchmark::State& state) {
    BenchFrame frame;
    presentBars = noPresentation;
    for (int i = 0; i < kFrameWidth * kViewportRows; ++i) viewport[i] = static_cast<std::uint32_t>(i * 2654435761u);
    for (auto _ : state) {
        drawThumbnail();
        benchmark::DoNotOptimize(frameBuffer[400 * 640 + 20]);
    }
    presentBars = nullptr;
}
BENCHMARK(BM_Thumbnail)->Unit(benchmark::kMicrosecond);

void BM_EndScreenFrame(benchmark::State& state) {
    BenchFrame frame;
    buildGlyphTable();
    for (auto _ : state) {
        scene6::drawFrame(0.0f);
        benchmark::DoNotOptimize(viewport[140 * 640 + 170]);
    }
    freeGlyphTable();
}
BENCHMARK(BM_EndScreenFrame)->Unit(benchmark::kMicrosecond);

void BM_BlendViewport(benchmark::State& state) {
    std::vector<std::uint32_t> pixels(kViewportWidth * kViewportHeight);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
    std::uint32_t factor = 0;
    for (auto _ : state) {
        for (std::uint32_t& p : pixels) p = blend(p, 0x00CF9F, factor);
        factor = (factor + 37) & 0xFF;
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BlendViewport)->Unit(benchmark::kMicrosecond);

}  // namespace
