#pragma once
// The 256x256 surround picture (0x00RRGGBB, texel (u, v) at v * 256 + u) that
// backdrops and reflective surfaces look up, and its procedural sky and ground.
#include <cstdint>

#include "render3d/vector3.h"

constexpr int kEnvironmentMapSide = 256;
constexpr int kEnvironmentMapTexels = kEnvironmentMapSide * kEnvironmentMapSide;

// The texel seen along a direction of length about 128: x and y, truncated and
// reduced to 8 bits, are the column and row; the back half (z < 0) is mirrored
// in the column. Length-128 directions keep the truncations in range.
inline std::uint32_t environmentTexel(const std::uint32_t* map, const Vector3& d) {
    unsigned u = static_cast<unsigned>(static_cast<int>(d.x)) & 0xFFu;
    const unsigned v = static_cast<unsigned>(static_cast<int>(d.y)) & 0xFFu;
    if (d.z < 0.0f) u = 255u - u;
    return map[v * 256u + u];
}

// Paints all 65536 texels: sky with clouds and haze in rows 0..127, a ground
// pattern in perspective in rows 128..255. Load time only: it allocates and
// frees one 256 KiB table.
void makeEnvironmentMap(std::uint32_t* map);
