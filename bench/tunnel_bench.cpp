// The greetings tunnel: stamping its maps at load time (fast and plain),
// the whole preparation, and one frame.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "image2d/frame_buffer.h"
#include "scenes/scene2_plasma_sky.h"
#include "scenes/scene5_tunnel.h"
#include "scenes/scenes.h"
#include "scenes/tunnel_maps.h"

namespace {

struct BenchMaps {
    std::vector<std::int32_t> depth = std::vector<std::int32_t>(kMapPixels);
    std::vector<std::int32_t> angle = std::vector<std::int32_t>(kMapPixels);
    TunnelMaps maps() { return {depth.data(), angle.data()}; }
};

void BM_TunnelStampLiteral(benchmark::State& state) {
    BenchMaps m;
    for (auto _ : state) {
        clearTunnelMaps(m.maps());
        stampTunnelDiscsLiteral(m.maps(), kFarthestDepth, kNearestDepth);
        benchmark::DoNotOptimize(m.depth.data());
    }
}
BENCHMARK(BM_TunnelStampLiteral)->Unit(benchmark::kMillisecond);

void BM_TunnelStampFast(benchmark::State& state) {
    BenchMaps m;
    for (auto _ : state) {
        clearTunnelMaps(m.maps());
        stampTunnelDiscs(m.maps(), kFarthestDepth, kNearestDepth);
        benchmark::DoNotOptimize(m.depth.data());
    }
}
BENCHMARK(BM_TunnelStampFast)->Unit(benchmark::kMillisecond);

void BM_TunnelClearMaps(benchmark::State& state) {
    BenchMaps m;
    for (auto _ : state) {
        clearTunnelMaps(m.maps());
        benchmark::DoNotOptimize(m.angle.data());
    }
}
BENCHMARK(BM_TunnelClearMaps)->Unit(benchmark::kMillisecond);

// Maps, names page and shading, as the loading sequence runs it.
void BM_TunnelPrepare(benchmark::State& state) {
    for (auto _ : state) {
        scene5::prepare();
        benchmark::DoNotOptimize(scene5::depthMap);
    }
    scene5::teardown();
}
BENCHMARK(BM_TunnelPrepare)->Unit(benchmark::kMillisecond);

// One frame with the names on top (local time 12000).
void BM_TunnelFrame(benchmark::State& state) {
    std::vector<std::uint32_t> pixels(kFrameWidth * kFrameHeight, 0u);
    std::uint32_t* const savedFrame = frameBuffer;
    std::uint32_t* const savedViewport = viewport;
    frameBuffer = pixels.data();
    viewport = pixels.data() + kViewportTop * kFrameWidth;
    scene2::prepare();
    scene5::prepare();
    float t = 12000.0f;
    for (auto _ : state) {
        scene5::drawFrame(t);
        t += 16.0f;
        if (t >= 16152.0f) t = 8100.0f;
        benchmark::DoNotOptimize(pixels.data());
    }
    scene5::teardown();
    scene2::teardown();
    frameBuffer = savedFrame;
    viewport = savedViewport;
}
BENCHMARK(BM_TunnelFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
