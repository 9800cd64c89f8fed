// Frames per second of scenes 1 and 2 drawn headless, as the timeline draws
// them (scene 1 behind its backdrop), at 60 frames per second of show time.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "image2d/frame_buffer.h"
#include "scenes/scenes.h"

namespace {

constexpr float kFrameMs = 1000.0f / 60.0f;

// A frame buffer of its own and scenes 1 and 2 prepared as after loading.
class PreparedShow {
public:
    PreparedShow() {
        frameBuffer = pixels_.data();
        viewport = pixels_.data() + kViewportTop * kFrameWidth;
        scene1::prepare();
        scene2::prepare();
        sharedSetUp();
    }
    ~PreparedShow() {
        scene1::teardown();
        scene2::teardown();
        releaseShared();
        frameBuffer = savedFrame_;
        viewport = savedViewport_;
    }
    PreparedShow(const PreparedShow&) = delete;
    PreparedShow& operator=(const PreparedShow&) = delete;
    const std::uint32_t* pixels() const { return pixels_.data(); }

private:
    std::vector<std::uint32_t> pixels_ = std::vector<std::uint32_t>(kFrameWidth * kFrameHeight, 0u);
    std::uint32_t* savedFrame_ = frameBuffer;
    std::uint32_t* savedViewport_ = viewport;
};

void countFrames(benchmark::State& state) {
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Scene 1 from start to end: the cluster, the title, the shells flying apart, the fade.
void BM_Scene1Frame(benchmark::State& state) {
    PreparedShow show;
    float t = 100.0f;
    for (auto _ : state) {
        drawSharedBackdrop();
        scene1::drawFrame(t);
        t += kFrameMs;
        if (t >= 12114.0f) t = 100.0f;
        benchmark::DoNotOptimize(show.pixels());
    }
    countFrames(state);
}
BENCHMARK(BM_Scene1Frame)->Unit(benchmark::kMillisecond);

// Scene 2 over one stretch of its local time [from, to), looping.
void scene2Frames(benchmark::State& state, float from, float to) {
    PreparedShow show;
    // The state the episode inherits (zoom, glow colours) comes from the frames before it.
    for (float t = 0.0f; t < from; t += 250.0f) scene2::drawFrame(t);
    float t = from;
    for (auto _ : state) {
        scene2::drawFrame(t);
        t += kFrameMs;
        if (t >= to) t = from;
        benchmark::DoNotOptimize(show.pixels());
    }
    countFrames(state);
}

void BM_Scene2Whole(benchmark::State& state) { scene2Frames(state, 0.0f, 28266.0f); }
void BM_Scene2Lattice(benchmark::State& state) { scene2Frames(state, 0.0f, 8000.0f); }
void BM_Scene2Stream(benchmark::State& state) { scene2Frames(state, 8077.0f, 16152.0f); }
void BM_Scene2Torus(benchmark::State& state) { scene2Frames(state, 16152.0f, 24228.0f); }
void BM_Scene2Finale(benchmark::State& state) { scene2Frames(state, 24228.0f, 28266.0f); }
BENCHMARK(BM_Scene2Whole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scene2Lattice)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scene2Stream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scene2Torus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scene2Finale)->Unit(benchmark::kMillisecond);

}  // namespace
