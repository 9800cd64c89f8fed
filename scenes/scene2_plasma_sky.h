#pragma once
// Scene 2's plasma picture: 256x256 pixels 0x00RRGGBB, rows of 256. Scene 2
// rewrites it every frame; scene 5 textures its tunnel with what it left.
#include <cstdint>

constexpr int kPlasmaSize = 256;

// Allocated by scene2::prepare (all white), freed by scene2::teardown; null otherwise.
extern std::uint32_t* plasmaImage;
