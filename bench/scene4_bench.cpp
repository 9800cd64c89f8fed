// Frames per second of scene 4 drawn headless, at 60 frames per second of
// show time: the whole scene and its three stretches (landscape and lights,
// dance, finale with the swarm and the growing orange lights).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "image2d/frame_buffer.h"
#include "scenes/scenes.h"

namespace {

constexpr float kFrameMs = 1000.0f / 60.0f;
constexpr float kSceneEnd = 48456.0f;

// A frame buffer of its own, scene 4 prepared as after loading (scene 1 too,
// for the round glow map its sprites use).
class PreparedDance {
public:
    PreparedDance() {
        frameBuffer = pixels_.data();
        viewport = pixels_.data() + kViewportTop * kFrameWidth;
        scene1::prepare();
        scene4::prepare();
        sharedSetUp();
    }
    ~PreparedDance() {
        scene1::teardown();
        scene4::teardown();
        releaseShared();
        frameBuffer = savedFrame_;
        viewport = savedViewport_;
    }
    PreparedDance(const PreparedDance&) = delete;
    PreparedDance& operator=(const PreparedDance&) = delete;
    const std::uint32_t* pixels() const { return pixels_.data(); }

private:
    std::vector<std::uint32_t> pixels_ = std::vector<std::uint32_t>(kFrameWidth * kFrameHeight, 0u);
    std::uint32_t* savedFrame_ = frameBuffer;
    std::uint32_t* savedViewport_ = viewport;
};

// Scene 4 over [from, to) of its local time, looping.
void danceFrames(benchmark::State& state, float from, float to) {
    PreparedDance show;
    // The camera and the figure a stretch starts with come from the frames before it.
    for (float t = 0.0f; t < from; t += 100.0f) scene4::drawFrame(t);
    float t = from;
    for (auto _ : state) {
        scene4::drawFrame(t);
        t += kFrameMs;
        if (t >= to) t = from;
        benchmark::DoNotOptimize(show.pixels());
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Scene4Whole(benchmark::State& state) { danceFrames(state, 0.0f, kSceneEnd); }
void BM_Scene4Landscape(benchmark::State& state) { danceFrames(state, 0.0f, 16152.0f); }
void BM_Scene4Dance(benchmark::State& state) { danceFrames(state, 16152.0f, 31652.0f); }
void BM_Scene4Finale(benchmark::State& state) { danceFrames(state, 31652.0f, kSceneEnd); }
// One pass over each stretch, frame by frame, so every episode counts by its length.
constexpr benchmark::IterationCount framesOf(float from, float to) {
    return static_cast<benchmark::IterationCount>((to - from) / kFrameMs);
}
BENCHMARK(BM_Scene4Whole)->Unit(benchmark::kMillisecond)->Iterations(framesOf(0.0f, kSceneEnd));
BENCHMARK(BM_Scene4Landscape)->Unit(benchmark::kMillisecond)->Iterations(framesOf(0.0f, 16152.0f));
BENCHMARK(BM_Scene4Dance)->Unit(benchmark::kMillisecond)->Iterations(framesOf(16152.0f, 31652.0f));
BENCHMARK(BM_Scene4Finale)->Unit(benchmark::kMillisecond)->Iterations(framesOf(31652.0f, kSceneEnd));

}  // namespace
