#pragma once
// Scene 1, the sphere cluster with the title: the pictures its preparation
// makes, several of which later scenes and the shared backdrop borrow.
#include <cstdint>

#include "render3d/vector3.h"

constexpr int kEnvMapSide = 256;
constexpr int kGlowMapSide = 64;

// 256x256 sine pattern, 0x00RRGGBB. The shared set-up disc-warps it in place
// for the backdrop, so the spheres, the backdrop and scene 2's torus all see
// the warped picture. Freed by scene1::teardown.
extern std::uint32_t* waveEnvMap;
// 64x64 intensities: an eight-pointed star (scene 1's and scene 2's light
// glows; freed by releaseShared) and a round glow (scenes 2 and 4; kept until
// the process exits).
extern std::uint8_t* starGlowMap;
extern std::uint8_t* roundGlowMap;

namespace scene1 {

constexpr int kTitleWidth = 320;
constexpr int kTitleHeight = 64;

// 320x64 shaded title lettering, intensity in the low byte. Freed by teardown.
extern std::uint32_t* titleImage;
// The hemisphere maps all three spheres share (128x128 each); freed by releaseShared.
extern Vector3* normalMap;
extern std::uint8_t* mask;

// Lays the title over the viewport while 2019 < t < 8076.
void drawTitle(std::uint32_t* viewportPixels, float t);
// The blend factor towards white of the closing fade: 0 up to 11090 ms, then
// one step per 4 ms (255 at the end of the scene).
int fadeFactor(float t);

}  // namespace scene1
