// Writes pictures of the environment map, the backdrop, glow sprites and a
// sphere sprite, for looking at them: sprite_preview [output-directory]
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image2d/image_warps.h"
#include "platform/png_file.h"
#include "render3d/camera.h"
#include "render3d/environment_backdrop.h"
#include "render3d/environment_map.h"
#include "render3d/frustum_clipper.h"
#include "render3d/glow_sprite.h"
#include "render3d/light_set.h"
#include "render3d/sphere_sprite.h"

namespace {
constexpr float kFactor = 333.0f;

// Intensity falling from the centre to the rim.
std::vector<std::uint8_t> roundMap() {
    std::vector<std::uint8_t> map(64 * 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const double r = std::hypot(x - 31.5, y - 31.5) / 32.0;
            map[y * 64 + x] = r >= 1.0 ? 0 : static_cast<std::uint8_t>(255.0 * (1.0 - r) * (1.0 - r));
        }
    }
    return map;
}

// A small core with four long rays and four short diagonal ones.
std::vector<std::uint8_t> starMap() {
    std::vector<std::uint8_t> map(64 * 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const double dx = std::fabs(x - 31.5), dy = std::fabs(y - 31.5);
            const double r = std::hypot(dx, dy) / 32.0;
            if (r >= 1.0) continue;
            const double axial = std::exp(-std::min(dx, dy) / 1.5) * (1.0 - r);
            const double diagonal = std::exp(-std::fabs(dx - dy) / 1.5) * std::max(0.0, 1.0 - 2.0 * r);
            const double core = std::exp(-r * r * 40.0);
            const double v = std::min(1.0, axial + 0.6 * diagonal + core);
            map[y * 64 + x] = static_cast<std::uint8_t>(255.0 * v);
        }
    }
    return map;
}

bool save(const std::string& directory, const char* name, const std::uint32_t* pixels, int width, int height) {
    const std::string path = directory + "/" + name;
    if (!writePng(path, pixels, width, height)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

void turn(Camera& camera) {
    camera.reset();
    camera.factor = kFactor;
    camera.position.set(0.0f, -100.0f, -512.0f);
    camera.angles.z = 24.0f;
    camera.lookAt(Vector3(400.0f, -250.0f, 0.0f));
}
}  // namespace

int main(int argc, char** argv) {
    const std::string directory = argc > 1 ? argv[1] : ".";
    std::vector<std::uint32_t> frame(640 * 480, 0);
    std::uint32_t* viewport = frame.data() + 96 * 640;
    std::vector<std::uint32_t> map(kEnvironmentMapTexels);
    bool ok = true;

    makeEnvironmentMap(map.data());
    ok &= save(directory, "environment_map.png", map.data(), 256, 256);
    discWarp(map.data());
    ok &= save(directory, "environment_map_disc.png", map.data(), 256, 256);

    Camera camera;
    camera.factor = kFactor;
    LightSet lights;
    FrustumClipper clipper;
    clipper.build(kFactor);
    EnvironmentBackdrop backdrop;
    backdrop.initRays(kFactor);
    backdrop.envMap = map.data();

    backdrop.draw(viewport, camera, lights);
    ok &= save(directory, "backdrop_identity.png", viewport, 640, 288);
    turn(camera);
    backdrop.draw(viewport, camera, lights);
    ok &= save(directory, "backdrop_turned.png", viewport, 640, 288);

    // Glow sprites on black: round ones across the top, stars below, near to far.
    camera.reset();
    camera.factor = kFactor;
    std::fill(frame.begin(), frame.end(), 0u);
    const std::vector<std::uint8_t> round = roundMap();
    const std::vector<std::uint8_t> star = starMap();
    const std::uint32_t colours[4] = {0xff8020, 0x40a0ff, 0x60ff60, 0xffffff};
    GlowSprite sprites[8];
    for (int k = 0; k < 8; ++k) {
        GlowSprite& s = sprites[k];
        s.clipper = &clipper;
        s.intensityMap = k < 4 ? round.data() : star.data();
        s.colour = colours[k % 4];
        s.size = 160.0f;
        s.position.set(-330.0f + 220.0f * (k % 4), k < 4 ? -110.0f : 110.0f, -100.0f + 150.0f * (k % 4));
        s.draw(viewport, camera, lights);
    }
    // Two overlapping ones saturate where they meet.
    GlowSprite big;
    big.clipper = &clipper;
    big.intensityMap = round.data();
    big.colour = 0xc04080;
    big.size = 300.0f;
    big.position.set(-70.0f, 0.0f, 0.0f);
    big.draw(viewport, camera, lights);
    big.position.set(70.0f, 0.0f, 0.0f);
    big.colour = 0x4080c0;
    big.draw(viewport, camera, lights);
    ok &= save(directory, "glow_sprites.png", viewport, 640, 288);

    // A sphere lit by a warm light at the upper left and a cold one at the lower right.
    std::vector<Vector3> normals(kSphereMapSide * kSphereMapSide);
    std::vector<std::uint8_t> mask(kSphereMapSide * kSphereMapSide);
    buildSphereMaps(normals.data(), mask.data());
    Vector3 warm(-260.0f, -200.0f, -260.0f, 0xff6030);
    Vector3 cold(260.0f, 160.0f, -260.0f, 0x3070ff);
    lights.lights[0] = &warm;
    lights.lights[1] = &cold;
    lights.count = 2;
    lights.directionalIndex = 2;  // both are point lights
    SphereSprite ball;
    ball.clipper = &clipper;
    ball.mask = mask.data();
    ball.normalMap = normals.data();
    ball.envMap = map.data();  // it mirrors the surroundings the backdrop shows
    ball.position.set(0.0f, 0.0f, 0.0f);
    camera.reset();
    camera.factor = kFactor;
    camera.position.set(60.0f, -40.0f, -600.0f);
    camera.lookAt(Vector3(0.0f, 0.0f, 0.0f));
    backdrop.draw(viewport, camera, lights);
    ball.draw(viewport, camera, lights);
    ok &= save(directory, "sphere.png", viewport, 640, 288);
    clipper.release();
    return ok ? 0 : 1;
}
