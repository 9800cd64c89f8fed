// Cost of the backdrop, the sprites and the environment map generator.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "image2d/image_warps.h"
#include "render3d/camera.h"
#include "render3d/environment_backdrop.h"
#include "render3d/environment_map.h"
#include "render3d/frustum_clipper.h"
#include "render3d/glow_sprite.h"
#include "render3d/light_set.h"
#include "render3d/sphere_sprite.h"

namespace {
constexpr float kFactor = 333.0f;

struct SpriteStage {
    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(640 * 480, 0);
    std::uint32_t* viewport = frame.data() + 96 * 640;
    std::vector<std::uint32_t> map = std::vector<std::uint32_t>(kEnvironmentMapTexels);
    Camera camera;
    LightSet lights;
    FrustumClipper clipper;
    Vector3 warm{-260.0f, -200.0f, -260.0f, 0xff6030};
    Vector3 cold{260.0f, 160.0f, -260.0f, 0x3070ff};

    SpriteStage() {
        makeEnvironmentMap(map.data());
        discWarp(map.data());
        camera.factor = kFactor;
        camera.position.set(60.0f, -40.0f, -600.0f);
        camera.lookAt(Vector3(0.0f, 0.0f, 0.0f));
        clipper.build(kFactor);
        lights.lights[0] = &warm;
        lights.lights[1] = &cold;
        lights.count = 2;
        lights.directionalIndex = 2;
    }
    ~SpriteStage() { clipper.release(); }
};

void backdropDraw(benchmark::State& state) {
    SpriteStage stage;
    EnvironmentBackdrop backdrop;
    backdrop.initRays(kFactor);
    backdrop.envMap = stage.map.data();
    for (auto _ : state) {
        backdrop.draw(stage.viewport, stage.camera, stage.lights);
        benchmark::DoNotOptimize(stage.frame.data());
    }
}
BENCHMARK(backdropDraw);

// A round glow larger than the viewport, 100 units in front of the eye.
void glowSpriteFullViewport(benchmark::State& state) {
    SpriteStage stage;
    stage.camera.reset();
    stage.camera.factor = kFactor;
    std::vector<std::uint8_t> round(64 * 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const double r = std::hypot(x - 31.5, y - 31.5) / 32.0;
            round[y * 64 + x] = r >= 1.0 ? 0 : static_cast<std::uint8_t>(255.0 * (1.0 - r));
        }
    }
    GlowSprite sprite;
    sprite.clipper = &stage.clipper;
    sprite.intensityMap = round.data();
    sprite.colour = 0x102030;
    sprite.size = 200.0f;
    sprite.position.set(0.0f, 0.0f, -412.0f);
    for (auto _ : state) {
        sprite.draw(stage.viewport, stage.camera, stage.lights);
        benchmark::DoNotOptimize(stage.frame.data());
    }
}
BENCHMARK(glowSpriteFullViewport);

// A 345-unit ball 400 units away: about 290 pixels across.
void sphereSpriteLarge(benchmark::State& state) {
    SpriteStage stage;
    std::vector<Vector3> normals(kSphereMapSide * kSphereMapSide);
    std::vector<std::uint8_t> mask(kSphereMapSide * kSphereMapSide);
    buildSphereMaps(normals.data(), mask.data());
    SphereSprite ball;
    ball.clipper = &stage.clipper;
    ball.mask = mask.data();
    ball.normalMap = normals.data();
    ball.envMap = stage.map.data();
    ball.position.set(0.0f, 0.0f, 0.0f);
    stage.camera.position.set(30.0f, -20.0f, -400.0f);
    stage.camera.lookAt(Vector3(0.0f, 0.0f, 0.0f));
    for (auto _ : state) {
        ball.draw(stage.viewport, stage.camera, stage.lights);
        benchmark::DoNotOptimize(stage.frame.data());
    }
}
BENCHMARK(sphereSpriteLarge);

void makeEnvironmentMapOnce(benchmark::State& state) {
    std::vector<std::uint32_t> map(kEnvironmentMapTexels);
    for (auto _ : state) {
        makeEnvironmentMap(map.data());
        benchmark::DoNotOptimize(map.data());
    }
}
BENCHMARK(makeEnvironmentMapOnce)->Unit(benchmark::kMillisecond);

// Scene 2 warps its sky every frame.
void discWarpSky(benchmark::State& state) {
    std::vector<std::uint32_t> map(kEnvironmentMapTexels);
    makeEnvironmentMap(map.data());
    for (auto _ : state) {
        discWarp(map.data());
        benchmark::DoNotOptimize(map.data());
    }
}
BENCHMARK(discWarpSky);
}  // namespace
