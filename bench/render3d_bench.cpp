// Mesh drawing and clipping speed. The torus fills much of the viewport, as in
// the second scene's close-ups.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "render3d/camera.h"
#include "render3d/frustum_clipper.h"
#include "render3d/light_set.h"
#include "render3d/mesh_generators.h"

namespace {

struct TorusStage {
    TorusStage() : viewport(640 * 288, 0), map(256 * 256) {
        for (std::uint32_t i = 0; i < map.size(); ++i) map[i] = (i * 2654435761u) >> 8;
        clipper.build(333.0f);
        camera.reset();
        camera.factor = 333.0f;
        camera.position.set(0.0f, 0.0f, -360.0f);
        camera.lookAt(Vector3(0.0f, 0.0f, 0.0f));
        sun.tag = 0x808080u;
        lamp.set(-300.0f, -100.0f, -300.0f);
        lamp.tag = 0xff8040u;
        lights.lights[0] = &sun;
        lights.lights[1] = &lamp;
        lights.count = 2;
        makeTorus(torus, 48.0f, 48.0f, 160.0f);
        torus.colour = 0xffffffu;
        torus.clipper = &clipper;
        torus.envMap = map.data();
    }
    ~TorusStage() {
        torus.clear();
        clipper.release();
    }
    void drawFrames(benchmark::State& state) {
        float angle = 0.0f;
        for (auto _ : state) {
            torus.orientation.setRotation(angle, angle * 0.5f, 0.0f);
            angle += 1.0f;
            torus.draw(viewport.data(), camera, lights);
            benchmark::DoNotOptimize(viewport.data());
        }
        // Share of the viewport the torus covered in the last frame.
        std::fill(viewport.begin(), viewport.end(), 0xff000000u);
        torus.draw(viewport.data(), camera, lights);
        const auto covered = std::count_if(viewport.begin(), viewport.end(), [](std::uint32_t p) { return p != 0xff000000u; });
        state.counters["coverage"] = static_cast<double>(covered) / viewport.size();
    }
    std::vector<std::uint32_t> viewport;
    std::vector<std::uint32_t> map;
    FrustumClipper clipper;
    Camera camera;
    LightSet lights;
    Vector3 sun, lamp;
    Mesh torus;
};

void torusGouraud(benchmark::State& state) {
    TorusStage stage;
    stage.drawFrames(state);
}
BENCHMARK(torusGouraud)->Unit(benchmark::kMicrosecond);

void torusEnvironmentMapped(benchmark::State& state) {
    TorusStage stage;
    stage.torus.envMapEnabled = 1;
    stage.drawFrames(state);
}
BENCHMARK(torusEnvironmentMapped)->Unit(benchmark::kMicrosecond);

// Triangles wholly inside (the common case) and triangles cut by the near and side planes.
void clipTriangles(benchmark::State& state) {
    FrustumClipper clipper;
    clipper.build(333.0f);
    const bool straddling = state.range(0) != 0;
    const Vector3 a(straddling ? -900.0f : -50.0f, 0.0f, straddling ? 30.0f : 300.0f, 0xff0000u);
    const Vector3 b(60.0f, straddling ? 700.0f : 40.0f, 300.0f, 0x00ff00u);
    const Vector3 c(straddling ? 900.0f : 10.0f, -60.0f, 500.0f, 0x0000ffu);
    Vector3* polygon = nullptr;
    for (auto _ : state) {
        benchmark::DoNotOptimize(clipper.clipTriangle(a, b, c, polygon));
        benchmark::DoNotOptimize(polygon);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(clipTriangles)->Arg(0)->Arg(1);

}  // namespace
