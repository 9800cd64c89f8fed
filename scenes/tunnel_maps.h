#pragma once
// The tunnel of scene 5, precomputed at load time into two 320x144 maps, one
// entry per 2x2 viewport block: the depth of the nearest disc covering the
// block, and a texture row (half the angle about the centre of the last disc
// whose square covered it). The discs form two four-armed spirals, eight per
// depth, stamped from far to near so that near discs cover far ones.
#include <cstdint>

constexpr int kMapWidth = 320;
constexpr int kMapHeight = 144;
constexpr int kMapPixels = kMapWidth * kMapHeight;
constexpr std::int32_t kNoDisc = 0xFF00FF;  // depth entry where no disc lies
constexpr int kFarthestDepth = 8192;
constexpr int kNearestDepth = 667;

struct TunnelMaps {
    std::int32_t* depth;  // kMapPixels entries each, rows of kMapWidth
    std::int32_t* angle;
};

// No disc anywhere; every texture row taken about the middle of the map.
void clearTunnelMaps(TunnelMaps maps);

// Stamps the discs of depths farDepth, farDepth - 1, ..., nearDepth, in that
// order. Depths are kept within [kNearestDepth, kFarthestDepth]; the whole
// tunnel is stampTunnelDiscs(maps, kFarthestDepth, kNearestDepth).
void stampTunnelDiscs(TunnelMaps maps, int farDepth, int nearDepth);

// The same maps by the plain procedure, an arc tangent and a square root per
// pixel of every disc's square: the reference the fast stamping is checked
// and measured against. Too slow for the loading sequence.
void stampTunnelDiscsLiteral(TunnelMaps maps, int farDepth, int nearDepth);
